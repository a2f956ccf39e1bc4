#include "deviceconfig/ChipConfig.h"

#include "base/NumberText.h"
#include "base/Prompts.h"
#include "session/Session.h"

namespace {
constexpr int Config1 = 0x40;
constexpr int Config2 = 0x74;
constexpr int CoefOption1 = 0x79;
constexpr int CoefOption2 = 0x7A;
constexpr int CoefOption3 = 0x7B;
constexpr int CoefSelect1 = 0x7E;
constexpr int CoefSelect2 = 0x7F;

constexpr int Strt = 0x01, Todis = 0x08, PinFunction = 0x80; // "Configuration 1"
constexpr int Shdn = 0x80;                                   // "Configuration 2"

int withBit(int value, int bit, bool set) {
    return set ? (value | bit) : (value & ~bit);
}
} // namespace

GpioPins DecodeGpio(int enable, int config, int status) {
    GpioPins pins{};
    for (std::size_t n = 0; n < pins.size(); ++n) {
        GpioPin& p = pins[n];
        p.enabled = (enable & GpioEnableBit(n)) != 0;
        p.output = (config & GpioDirectionBit(n)) != 0;
        p.activeHigh = (config & GpioPolarityBit(n)) != 0;
        p.set = (status & GpioStatusBit(n)) != 0;
    }
    return pins;
}

int GpioEnableValue(int held, const GpioPins& pins) {
    int value = held; // bits 7..4 kept; each of bits 3..0 is a pin's, set or cleared below
    for (std::size_t n = 0; n < pins.size(); ++n)
        value = withBit(value, GpioEnableBit(n), pins[n].enabled);
    return value;
}

int GpioConfigValue(const GpioPins& pins) {
    int value = 0; // all eight bits are the pins': a direction and a polarity each
    for (std::size_t n = 0; n < pins.size(); ++n)
        value |= (pins[n].output ? GpioDirectionBit(n) : 0) | (pins[n].activeHigh ? GpioPolarityBit(n) : 0);
    return value;
}

int GpioStatusValue(int held, const GpioPins& pins) {
    int value = held & 0x0F;
    for (std::size_t n = 0; n < pins.size(); ++n)
        value = withBit(value, GpioStatusBit(n), pins[n].set);
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
    for (std::size_t n = 0; n < shown.size(); ++n) {
        const GpioPin& p = shown[n];
        if (p.output) continue;
        if (!p.enabled) {
            texts[n] = QStringLiteral("Disabled");
            continue;
        }
        const int status = s.usb.ReadRegister(s.usb.DeviceAddress, GpioStatusRegister);
        if (s.usb.linkHeld()) break;
        texts[n] = (status & GpioStatusBit(n)) ? QStringLiteral("Set") : QStringLiteral("Clear");
    }
    return texts;
}

int PexilGain(int option1, int option2) {
    return option1 * 4 + ((option2 & 0xC0) >> 6);
}

int PexilOffset(int option2, int option3) {
    return (option2 & 0x3F) * 8 + ((option3 & 0xE0) >> 5);
}

int PexilSelectMask(int select1, int select2) {
    return select1 * 4 + ((select2 & 0xC0) >> 6);
}

std::optional<int> TypedCoefficient(const QString& text, int limit) {
    // Checked after rounding, so that what is checked is what is written: 1023.5 rounds to 1024,
    // which the ten bits would hold as 0.
    const std::int64_t whole = RoundHalfEven(LeadingNumberOrZero(text));
    if (whole < 0 || whole >= limit) return std::nullopt;
    return static_cast<int>(whole);
}

std::optional<DeviceSettings> LoadDeviceConfig(Session& s) {
    USBStuff& usb = s.usb;
    DeviceSettings d;
    const int config1 = usb.ReadRegister(usb.DeviceAddress, Config1);
    if (usb.linkHeld()) return std::nullopt;
    d.monitoring = (config1 & Strt) != 0;
    d.timeoutDisabled = (config1 & Todis) != 0;
    d.pexilStartOutput = (config1 & PinFunction) != 0;
    const int config2 = usb.ReadRegister(usb.DeviceAddress, Config2);
    if (usb.linkHeld()) return std::nullopt;
    d.powerDown = (config2 & Shdn) != 0;

    const auto& b = usb.TransferBuffer;
    if (!usb.ReadBlockOrFail(CoefOption1, 3)) return std::nullopt;
    d.gain = QString::number(PexilGain(b[0], b[1]));
    d.offset = QString::number(PexilOffset(b[1], b[2]));
    if (!usb.ReadBlockOrFail(CoefSelect1, 2)) return std::nullopt;
    d.selectMask = PexilSelectMask(b[0], b[1]);
    d.useDefault = d.selectMask == 0;
    return d;
}

bool ApplyDeviceConfig(Session& s, DeviceSettings& d) {
    USBStuff& usb = s.usb;
    const std::int32_t address = usb.DeviceAddress;
    // Read-modify-write of the bits `mask`; false once the program is ending.
    const auto update = [&](int reg, int mask, int bits) {
        const int held = usb.ReadRegister(address, reg);
        if (usb.linkHeld()) return false;
        usb.WriteRegister(address, reg, (held & ~mask) | (bits & mask));
        return !usb.linkHeld();
    };
    const auto write = [&](int reg, int value) {
        usb.WriteRegister(address, reg, value);
        return !usb.linkHeld();
    };

    int config1 = withBit(0, Strt, d.monitoring);
    config1 = withBit(config1, Todis, d.timeoutDisabled);
    config1 = withBit(config1, PinFunction, d.pexilStartOutput);
    if (!update(Config1, Strt | Todis | PinFunction, config1)) return true;
    if (!update(Config2, Shdn, d.powerDown ? Shdn : 0)) return true;

    const std::optional<int> gain = TypedCoefficient(d.gain, GainLimit);
    if (!gain) {
        s.prompts.message(QStringLiteral("Gain value must be in the range 0-1023"), MessageIcon::Warning,
                          MessageButtons::Ok);
        return false;
    }
    if (!write(CoefOption1, (*gain & 0x3FC) / 4)) return true;
    if (!update(CoefOption2, 0xC0, (*gain & 0x03) << 6)) return true;

    bool accepted = true;
    if (const std::optional<int> offset = TypedCoefficient(d.offset, OffsetLimit)) {
        if (!update(CoefOption2, 0x3F, (*offset & 0x1F8) / 8)) return true;
        if (!update(CoefOption3, 0xE0, (*offset & 0x07) << 5)) return true;
    } else {
        s.prompts.message(QStringLiteral("Offset value must be in the range 0-511"), MessageIcon::Warning,
                          MessageButtons::Ok);
        accepted = false;
        if (usb.linkHeld()) return true; // a link error under the message
    }

    const int mask = d.useDefault ? 0 : (d.selectMask != 0 ? d.selectMask : AllSelected);
    if (!write(CoefSelect1, mask >> 2)) return accepted;
    if (!update(CoefSelect2, 0xC0, (mask & 0x03) << 6)) return accepted;
    d.selectMask = mask;
    return accepted;
}
