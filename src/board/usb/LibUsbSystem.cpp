#include "board/usb/LibUsbSystem.h"

#include <QFileInfo>

#include <libusb.h>

#include <array>

namespace {

UsbError fromLibusb(int code) {
    switch (code) {
    case LIBUSB_SUCCESS:
        return UsbError::None;
    case LIBUSB_ERROR_NO_DEVICE:
    case LIBUSB_ERROR_NOT_FOUND:
        return UsbError::NoDevice;
    case LIBUSB_ERROR_ACCESS:
        return UsbError::Access;
    case LIBUSB_ERROR_BUSY:
        return UsbError::Busy;
    case LIBUSB_ERROR_TIMEOUT:
        return UsbError::Timeout;
    case LIBUSB_ERROR_PIPE:
        return UsbError::Stall;
    case LIBUSB_ERROR_IO:
        return UsbError::Io;
    default:
        return UsbError::Other;
    }
}

QString portPath(libusb_device* device) {
    std::array<std::uint8_t, 8> ports{};
    const int n = libusb_get_port_numbers(device, ports.data(), static_cast<int>(ports.size()));
    QString path = QString::number(libusb_get_bus_number(device));
    for (int i = 0; i < n; ++i)
        path += (i == 0 ? QLatin1Char('-') : QLatin1Char('.')) +
                QString::number(ports[static_cast<std::size_t>(i)]);
    return path;
}

// The kernel driver bound to interface 0 of the device at a port, as sysfs names it.
QString kernelDriver(const QString& port) {
    const QString link = QStringLiteral("/sys/bus/usb/devices/%1:1.0/driver").arg(port);
    const QString target = QFileInfo(link).symLinkTarget();
    return target.isEmpty() ? QStringLiteral("a kernel driver") : QFileInfo(target).fileName();
}

struct DeviceList {
    explicit DeviceList(libusb_context* context) : count(libusb_get_device_list(context, &list)) {}
    ~DeviceList() {
        if (count >= 0) libusb_free_device_list(list, 1);
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;
    libusb_device** list = nullptr;
    ssize_t count;
};

class LibUsbHandle final : public UsbHandle {
public:
    explicit LibUsbHandle(libusb_device_handle* handle) : handle_(handle) {}
    ~LibUsbHandle() override {
        libusb_release_interface(handle_, 0);
        libusb_close(handle_);
    }
    LibUsbHandle(const LibUsbHandle&) = delete;
    LibUsbHandle& operator=(const LibUsbHandle&) = delete;

    UsbError controlTransfer(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                             std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                             unsigned timeoutMs, int& transferred) override {
        const int n =
            libusb_control_transfer(handle_, requestType, request, value, index, data, length, timeoutMs);
        transferred = n < 0 ? 0 : n;
        return n < 0 ? fromLibusb(n) : UsbError::None;
    }

    QString serialNumber() override {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(libusb_get_device(handle_), &descriptor) != 0 ||
            descriptor.iSerialNumber == 0)
            return {};
        std::array<unsigned char, 256> text{};
        const int n = libusb_get_string_descriptor_ascii(handle_, descriptor.iSerialNumber, text.data(),
                                                         static_cast<int>(text.size()));
        return n > 0 ? QString::fromLatin1(reinterpret_cast<const char*>(text.data()), n) : QString();
    }

private:
    libusb_device_handle* handle_;
};

} // namespace

std::unique_ptr<LibUsbSystem> LibUsbSystem::create(QString& error) {
    libusb_context* context = nullptr;
    const int status = libusb_init(&context);
    if (status != 0) {
        error = QStringLiteral("cannot use USB: %1").arg(QString::fromUtf8(libusb_strerror(status)));
        return nullptr;
    }
    return std::unique_ptr<LibUsbSystem>(new LibUsbSystem(context));
}

LibUsbSystem::~LibUsbSystem() {
    libusb_exit(context_);
}

std::vector<UsbDevice> LibUsbSystem::devices() {
    std::vector<UsbDevice> out;
    const DeviceList devices(context_);
    for (ssize_t i = 0; i < devices.count; ++i) {
        libusb_device_descriptor descriptor{};
        if (libusb_get_device_descriptor(devices.list[i], &descriptor) != 0) continue;
        out.push_back({{descriptor.idVendor, descriptor.idProduct},
                       portPath(devices.list[i]),
                       libusb_get_device_address(devices.list[i])});
    }
    return out;
}

std::unique_ptr<UsbHandle> LibUsbSystem::open(const UsbDevice& wanted, UsbError& error,
                                              QString* detachedDriver) {
    const DeviceList devices(context_);
    error = UsbError::NoDevice;
    for (ssize_t i = 0; i < devices.count; ++i) {
        libusb_device* device = devices.list[i];
        if (portPath(device) != wanted.port || libusb_get_device_address(device) != wanted.address) continue;
        libusb_device_handle* raw = nullptr;
        if (const int status = libusb_open(device, &raw); status != 0) {
            error = fromLibusb(status);
            return nullptr;
        }
        if (detachedDriver && libusb_kernel_driver_active(raw, 0) == 1) {
            const QString driver = kernelDriver(wanted.port);
            if (libusb_detach_kernel_driver(raw, 0) == 0) *detachedDriver = driver;
        }
        // A kernel driver still bound to the interface is left alone: claiming reports busy.
        if (const int status = libusb_claim_interface(raw, 0); status != 0) {
            error = status == LIBUSB_ERROR_BUSY && libusb_kernel_driver_active(raw, 0) == 1
                        ? UsbError::KernelDriver
                        : fromLibusb(status);
            libusb_close(raw);
            return nullptr;
        }
        error = UsbError::None;
        return std::make_unique<LibUsbHandle>(raw);
    }
    return nullptr;
}
