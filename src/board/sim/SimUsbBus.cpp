#include "board/sim/SimUsbBus.h"

#include "base/Clock.h"

#include <algorithm>
#include <cstring>
#include <utility>

class SimUsbHandle final : public UsbHandle {
public:
    SimUsbHandle(SimUsbBus* bus, int address, QString serial)
        : bus_(bus), address_(address), serial_(std::move(serial)) {}
    UsbError controlTransfer(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                             std::uint16_t index, std::uint8_t* data, std::uint16_t length, unsigned,
                             int& transferred) override {
        transferred = 0;
        if (!bus_) return UsbError::Stall; // another board, listed only
        return bus_->transfer(address_, requestType, request, value, index, data, length, transferred);
    }
    QString serialNumber() override { return serial_; }

private:
    SimUsbBus* bus_;
    int address_;
    QString serial_;
};

SimUsbBus::SimUsbBus(Clock& clock, std::unique_ptr<SimBoard> board, SimUsbOptions options, UsbSelection ids,
                     const UsbController& controller)
    : clock_(clock), board_(std::move(board)), options_(std::move(options)), ids_(std::move(ids)),
      controller_(controller), state_(options_.running ? State::Running : State::Loader),
      ram_(0x10000, '\0') {
    if (options_.running) {
        static const std::uint8_t loaded[] = "(already running)";
        board_->LoadFirmWare(loaded);
    }
}

void SimUsbBus::update() {
    if (state_ == State::Gone && clock_.nowMs() >= backAtMs_) {
        state_ = returning_;
        ++address_;
    }
}

void SimUsbBus::leaveAndReturn() {
    update();
    returning_ = state_;
    state_ = State::Gone;
    backAtMs_ = clock_.nowMs() + options_.reenumerateMs;
}

std::vector<UsbDevice> SimUsbBus::devices() {
    update();
    std::vector<UsbDevice> out{{{0x1D6B, 0x0002}, QStringLiteral("1"), 1}}; // the root hub
    if (options_.attached && state_ != State::Gone)
        out.push_back({state_ == State::Loader ? ids_.loader : ids_.board, options_.port, address_});
    out.insert(out.end(), options_.others.begin(), options_.others.end());
    return out;
}

std::unique_ptr<UsbHandle> SimUsbBus::open(const UsbDevice& device, UsbError& error,
                                           QString* detachedDriver) {
    update();
    const bool ours = options_.attached && state_ != State::Gone && device.port == options_.port &&
                      device.address == address_;
    const bool other = std::any_of(options_.others.begin(), options_.others.end(), [&](const UsbDevice& d) {
        return d.port == device.port && d.address == device.address;
    });
    error = !ours && !other                         ? UsbError::NoDevice
            : options_.busyPorts.count(device.port) ? UsbError::Busy
                                                    : options_.openError;
    if (ours && state_ == State::Loader && !options_.loaderDriver.isEmpty() && error == UsbError::None) {
        if (!detachedDriver)
            error = UsbError::KernelDriver;
        else
            *detachedDriver = std::exchange(options_.loaderDriver, QString());
    }
    if (error != UsbError::None) return nullptr;
    if (other)
        return std::make_unique<SimUsbHandle>(nullptr, device.address,
                                              QStringLiteral("OTHER-") + device.port);
    return std::make_unique<SimUsbHandle>(this, address_,
                                          state_ == State::Running ? options_.serial : QString());
}

UsbError SimUsbBus::transfer(int address, std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                             std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                             int& transferred) {
    update();
    if (transfersTried_++ == options_.leavesAtTransfer) options_.attached = false;
    if (!options_.attached || state_ == State::Gone || address != address_) return UsbError::NoDevice;
    UsbSetup setup{requestType, request, value, index, length, {}};
    const bool in = (requestType & 0x80) != 0;
    if (!in) setup.data = QByteArray(reinterpret_cast<const char*>(data), length);
    if (transfers_.size() >= LogCapacity) transfers_.pop_front();
    transfers_.push_back(setup);
    if ((requestType & 0x60) != 0x40) return UsbError::Stall; // only vendor requests are ours

    if (state_ == State::Loader) {
        if (request != FirmwareLoadRequest || in || value + length > ram_.size()) return UsbError::Stall;
        if (value == controller_.cpuControl && length == 1) {
            const bool hold = (data[0] & 0x01) != 0;
            if (cpuHeld_ && !hold) {
                // The CPU runs the image, which disconnects and enumerates as the board.
                static const std::uint8_t loaded[] = "(RAM image)";
                if (options_.imageStarts) board_->LoadFirmWare(loaded);
                returning_ = options_.imageStarts ? State::Running : State::Loader;
                state_ = State::Gone;
                backAtMs_ = clock_.nowMs() + options_.reenumerateMs;
                cpuHeld_ = false;
                if (options_.releaseEndsSilent) return UsbError::Io;
            }
            cpuHeld_ = hold;
        } else {
            std::memcpy(ram_.data() + value, data, length);
        }
        transferred = length;
        return UsbError::None;
    }
    // The board sees only the 16-bit wIndex; register and value sit in its two bytes.
    const std::int16_t status =
        board_->VendorIORequest(request, value, index, in ? 1 : 0, static_cast<std::int16_t>(length), data);
    if (status != 0) return UsbError::Stall;
    transferred = length;
    return UsbError::None;
}
