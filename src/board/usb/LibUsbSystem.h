#pragma once

#include "board/usb/UsbSystem.h"

#include <QString>

#include <memory>

struct libusb_context;

// The USB system calls over libusb-1.0.
class LibUsbSystem final : public UsbSystem {
public:
    // nullptr, with the reason, when libusb cannot start (no USB support in this system).
    static std::unique_ptr<LibUsbSystem> create(QString& error);
    ~LibUsbSystem() override;

    std::vector<UsbDevice> devices() override;
    std::unique_ptr<UsbHandle> open(const UsbDevice& device, UsbError& error,
                                    QString* detachedDriver) override;
    bool simulated() const override { return false; }

private:
    explicit LibUsbSystem(libusb_context* context) : context_(context) {}
    libusb_context* context_;
};
