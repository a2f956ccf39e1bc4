#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// The few USB system calls the board backend makes, so that it runs over libusb on a real bus
// and over a simulated bus in tests and demonstrations.

enum class UsbError { None, NoDevice, Access, Busy, KernelDriver, Timeout, Stall, Short, Io, Other };

// What went wrong, in words a user can act on.
QString UsbErrorText(UsbError error);

struct UsbDeviceId {
    std::uint16_t vendor{};
    std::uint16_t product{};
    friend bool operator==(const UsbDeviceId&, const UsbDeviceId&) = default;
};

// "04B4:8613"
QString UsbIdText(UsbDeviceId id);

// A device as the bus lists it. The port path (bus, then the hub ports down to the device, as
// "1-2.3") stays the same when a device re-enumerates; the address on the bus does not.
struct UsbDevice {
    UsbDeviceId id;
    QString port;
    int address{};
};

// "04B4:8613 at port 1-2"
QString UsbDeviceText(const UsbDevice& device);

class UsbHandle {
public:
    virtual ~UsbHandle() = default;
    // One control transfer on endpoint 0; `transferred` receives the bytes moved.
    virtual UsbError controlTransfer(std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                                     std::uint16_t index, std::uint8_t* data, std::uint16_t length,
                                     unsigned timeoutMs, int& transferred) = 0;
    // The device's serial number string; empty when it has none.
    virtual QString serialNumber() = 0;
};

class UsbSystem {
public:
    virtual ~UsbSystem() = default;
    virtual std::vector<UsbDevice> devices() = 0;
    // Opens the device and claims its interface 0, so that no other program drives it meanwhile.
    // A device another program holds is reported busy, never taken from it. So is one a kernel
    // driver holds, unless detachedDriver is given: then the driver is detached and named there
    // (Linux's usbtest binds the microcontroller's loader IDs, which the firmware download needs).
    virtual std::unique_ptr<UsbHandle> open(const UsbDevice& device, UsbError& error,
                                            QString* detachedDriver) = 0;
    // A simulated bus, for demonstrations and tests: what it carries is not a real board.
    virtual bool simulated() const = 0;
};
