#include "registers/GpioConfig.h"

#include "board/Session.h"

namespace {
int withBit(int value, int bit, bool set) {
    return set ? (value | bit) : (value & ~bit);
}
} // namespace

GpioPins DecodeGpio(int enable, int config, int status) {
    GpioPins pins{};
    for (int n = 0; n < 4; ++n) {
        GpioPin& p = pins[static_cast<std::size_t>(n)];
        p.enabled = (enable & GpioEnableBit(n)) != 0;
        p.output = (config & GpioDirectionBit(n)) != 0;
        p.activeHigh = (config & GpioPolarityBit(n)) != 0;
        p.set = (status & GpioStatusBit(n)) != 0;
    }
    return pins;
}

int GpioEnableValue(int held, const GpioPins& pins) {
    int value = held & 0xF0;
    for (int n = 0; n < 4; ++n)
        value = withBit(value, GpioEnableBit(n), pins[static_cast<std::size_t>(n)].enabled);
    return value;
}

int GpioConfigValue(const GpioPins& pins) {
    int value = 0;
    for (int n = 0; n < 4; ++n) {
        value = withBit(value, GpioDirectionBit(n), pins[static_cast<std::size_t>(n)].output);
        value = withBit(value, GpioPolarityBit(n), pins[static_cast<std::size_t>(n)].activeHigh);
    }
    return value;
}

int GpioStatusValue(int held, const GpioPins& pins) {
    int value = held & 0x0F;
    for (int n = 0; n < 4; ++n)
        value = withBit(value, GpioStatusBit(n), pins[static_cast<std::size_t>(n)].set);
    return value;
}

std::optional<GpioPins> LoadGpio(Session& s) {
    if (!s.usb.ReadBlockOrFail(GpioEnableRegister, 3)) return std::nullopt;
    const auto& b = s.usb.TransferBuffer;
    return DecodeGpio(b[0], b[1], b[2]);
}

void ApplyGpio(Session& s, const GpioPins& pins) {
    USBStuff& usb = s.usb;
    const std::int32_t address = usb.DeviceAddress;
    const int enable = usb.ReadRegister(address, GpioEnableRegister);
    if (usb.linkHeld()) return;
    usb.WriteRegister(address, GpioEnableRegister, GpioEnableValue(enable, pins));
    if (usb.linkHeld()) return;
    usb.WriteRegister(address, GpioConfigRegister, GpioConfigValue(pins));
    if (usb.linkHeld()) return;
    const int status = usb.ReadRegister(address, GpioStatusRegister);
    if (usb.linkHeld()) return;
    usb.WriteRegister(address, GpioStatusRegister, GpioStatusValue(status, pins));
}

std::array<std::optional<QString>, 4> GpioValueTexts(Session& s, const GpioPins& shown) {
    std::array<std::optional<QString>, 4> texts{};
    for (int n = 0; n < 4; ++n) {
        const GpioPin& p = shown[static_cast<std::size_t>(n)];
        if (p.output) continue;
        if (!p.enabled) {
            texts[static_cast<std::size_t>(n)] = QStringLiteral("Disabled");
            continue;
        }
        const int status = s.usb.ReadRegister(s.usb.DeviceAddress, GpioStatusRegister);
        if (s.usb.linkHeld()) break;
        texts[static_cast<std::size_t>(n)] =
            (status & GpioStatusBit(n)) ? QStringLiteral("Set") : QStringLiteral("Clear");
    }
    return texts;
}
