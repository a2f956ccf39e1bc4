#include "fancontrol/FanConfig.h"

#include "base/NumberText.h"
#include "session/Session.h"

#include <algorithm>

namespace {
constexpr int MaxDutyFirst = 0x38;   // "PWM1 Max Duty Cycle" .. 0x3B
constexpr int Config1 = 0x40;        // "Configuration 1", then the two interrupt status registers
constexpr int PulsesPerRev = 0x43;   // "Fan Pulses/Rev"
constexpr int TachMinFirst = 0x58;   // "Tach1 Min Low Byte"; low and high byte of each fan in turn
constexpr int TachMaxFirst = 0x60;   // "Tach1 Max Low Byte"
constexpr int PwmConfig12 = 0x68;    // "PWM 1/2 Config", then "PWM 3/4 Config"
constexpr int MinDutyFirst = 0x6A;   // "PWM1 Min Duty Cycle" .. 0x6D
constexpr int Config2 = 0x74;        // "Configuration 2", then "Enhance Acoustics 1" and 2
constexpr int Acoustics12 = 0x75;    // "Enhance Acoustics 1"
constexpr int Afc = 0x7B;            // "AFC", then "PEXIL Zone Select 1" and 2
constexpr int ZoneSelect12 = 0x7C;   // "PEXIL Zone Select 1"
constexpr int TachCountMax = 0xFFFF; // the slowest count the limit registers hold

constexpr int Fspd = 0x04, Ftch = 0x20, Hlf = 0x40; // "Configuration 1"
constexpr int Shdn = 0x80;                          // "Configuration 2": power-down, kept
constexpr int AfcSpinUp = 0x07;                     // "AFC": the bits above belong to the PEXIL offsets

// The PWM config registers serve two outputs each: the first of the pair in the upper bit of
// each field (BHV bit 7, INV 5, OTV 3, FL 1), the second one bit lower.
constexpr int Bhv = 0x80, Inv = 0x20, Otv = 0x08, Fl = 0x02;

int withBit(int value, int bit, bool set) {
    return set ? (value | bit) : (value & ~bit);
}
// Bit of a pair field for fan n: the first fan of the pair has the upper bit.
int pairBit(int upperBit, int n) {
    return n % 2 == 0 ? upperBit : upperBit >> 1;
}
// The acoustics and zone registers hold the first fan of a pair in the upper nibble.
int pairNibble(int value, int n) {
    return n % 2 == 0 ? (value >> 4) & 0x0F : value & 0x0F;
}
int codeIn(int code, int largest) {
    return std::clamp(code, 0, largest);
}
std::size_t at(int n) {
    return static_cast<std::size_t>(n);
}
} // namespace

QString DutyBoxText(int byte) {
    return QString::number(DutyPercentFromByte(byte));
}

std::int32_t DutyBoxByte(const QString& text) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(DutyByteFromPercent(LeadingNumberOrZero(text)), 0, 255));
}

QString TachBoxText(std::int32_t count, std::int32_t tachClock) {
    if (count == 0) return QStringLiteral(">%1").arg(static_cast<std::int64_t>(tachClock) * 60);
    return QString::number(TachToRpm(count, tachClock));
}

std::int32_t TachBoxCount(const QString& text, std::int32_t tachClock) {
    if (text.contains(QLatin1Char('>'))) return 0;
    const double rpm = LeadingNumberOrZero(text);
    if (!(rpm > 0)) return TachCountMax;
    if (rpm >= static_cast<double>(tachClock) * 60) return 0;
    return static_cast<std::int32_t>(std::min<std::int64_t>(RpmToTachCount(rpm, tachClock), TachCountMax));
}

std::int32_t DutyBoxValue(const FanNumberBox& box) {
    return box.loadedText == box.text ? box.loaded : DutyBoxByte(box.text);
}

std::int32_t TachBoxValue(const FanNumberBox& box, std::int32_t tachClock) {
    return box.loadedText == box.text ? box.loaded : TachBoxCount(box.text, tachClock);
}

namespace {
void loadDuty(FanNumberBox& box, int byte) {
    box.loaded = byte;
    box.text = DutyBoxText(byte);
    box.loadedText = box.text;
}
void loadTach(FanNumberBox& box, int low, int high, std::int32_t tachClock) {
    box.loaded = TachCount(low, high);
    box.text = TachBoxText(box.loaded, tachClock);
    box.loadedText = box.text;
}
} // namespace

bool LoadFanConfig(Session& s, FanConfig& c) {
    const auto& b = s.usb.TransferBuffer;
    const std::int32_t tachClock = s.decl.TachClock;

    if (!s.usb.ReadBlockOrFail(MaxDutyFirst, 4)) return false;
    for (int n = 0; n < 4; ++n)
        loadDuty(c.maxDuty[at(n)], b[at(n)]);

    // The interrupt status registers between come with the block and are not used.
    if (!s.usb.ReadBlockOrFail(Config1, 4)) return false;
    c.fullSpeed = (b[0] & Fspd) != 0;
    c.fastTach = (b[0] & Ftch) != 0;
    c.highFreq = (b[0] & Hlf) != 0;
    for (int n = 0; n < 4; ++n)
        c.pulses[at(n)] = (b[3] >> (2 * n)) & 0x03;

    // 0x58..0x67 the tach limits, 0x68/0x69 the PWM configs, 0x6A..0x6D the min duties.
    if (!s.usb.ReadBlockOrFail(TachMinFirst, 22)) return false;
    for (int n = 0; n < 4; ++n) {
        loadTach(c.minTach[at(n)], b[at(2 * n)], b[at(2 * n + 1)], tachClock);
        loadTach(c.maxTach[at(n)], b[at(8 + 2 * n)], b[at(8 + 2 * n + 1)], tachClock);
    }
    for (int n = 0; n < 4; ++n) {
        const int config = b[at(16 + n / 2)];
        const auto i = at(n);
        c.controlType[i] = (config & pairBit(Bhv, n)) != 0 ? 1 : 0;
        c.invert[i] = (config & pairBit(Inv, n)) != 0;
        c.fanOVT[i] = (config & pairBit(Otv, n)) != 0;
        c.fanFail[i] = (config & pairBit(Fl, n)) != 0;
        loadDuty(c.minDuty[i], b[at(18 + n)]);
    }

    if (!s.usb.ReadBlockOrFail(Config2, 3)) return false;
    c.freq = (b[0] >> 4) & 0x07;
    for (int n = 0; n < 4; ++n) {
        const int acoustics = b[at(1 + n / 2)];
        c.disableTach[at(n)] = (b[0] & (1 << n)) != 0;
        c.enhance[at(n)] = (pairNibble(acoustics, n) & 0x08) != 0;
        c.rampRate[at(n)] = pairNibble(acoustics, n) & 0x07;
    }

    if (!s.usb.ReadBlockOrFail(Afc, 3)) return false;
    c.spinUp = b[0] & AfcSpinUp;
    for (int n = 0; n < 4; ++n)
        c.zone[at(n)] = pairNibble(b[at(1 + n / 2)], n);
    return true;
}

void ApplyFanConfig(Session& s, const FanConfig& c) {
    USBStuff& usb = s.usb;
    const std::int32_t address = usb.DeviceAddress;
    const std::int32_t tachClock = s.decl.TachClock;
    // After a link error the program is ending: nothing more goes out.
    const auto write = [&](int reg, std::int32_t value) {
        usb.WriteRegister(address, reg, value);
        return !usb.linkHeld();
    };
    const auto read = [&](int reg, int& value) {
        value = usb.ReadRegister(address, reg);
        return !usb.linkHeld();
    };
    const auto writeCount = [&](int lowReg, std::int32_t count) {
        return write(lowReg, count & 0xFF) && write(lowReg + 1, count >> 8);
    };
    int value = 0;

    for (int n = 0; n < 4; ++n)
        if (!write(MaxDutyFirst + n, DutyBoxValue(c.maxDuty[at(n)]))) return;
    for (int n = 0; n < 4; ++n)
        if (!write(MinDutyFirst + n, DutyBoxValue(c.minDuty[at(n)]))) return;

    if (!read(Config1, value)) return;
    value = withBit(value, Fspd, c.fullSpeed);
    value = withBit(value, Ftch, c.fastTach);
    value = withBit(value, Hlf, c.highFreq);
    if (!write(Config1, value)) return;

    value = 0;
    for (int n = 0; n < 4; ++n)
        value |= codeIn(c.pulses[at(n)], 3) << (2 * n);
    if (!write(PulsesPerRev, value)) return;

    for (int n = 0; n < 4; ++n)
        if (!writeCount(TachMinFirst + 2 * n, TachBoxValue(c.minTach[at(n)], tachClock))) return;
    for (int n = 0; n < 4; ++n)
        if (!writeCount(TachMaxFirst + 2 * n, TachBoxValue(c.maxTach[at(n)], tachClock))) return;

    for (int pair = 0; pair < 2; ++pair) {
        const int reg = PwmConfig12 + pair;
        if (!read(reg, value)) return;
        for (const int n : {2 * pair, 2 * pair + 1}) {
            const auto i = at(n);
            value = withBit(value, pairBit(Bhv, n), c.controlType[i] == 1);
            value = withBit(value, pairBit(Fl, n), c.fanFail[i]);
            value = withBit(value, pairBit(Otv, n), c.fanOVT[i]);
            value = withBit(value, pairBit(Inv, n), c.invert[i]);
        }
        if (!write(reg, value)) return;
    }

    if (!read(Config2, value)) return;
    value = (value & Shdn) | codeIn(c.freq, 7) << 4;
    for (int n = 0; n < 4; ++n)
        value = withBit(value, 1 << n, c.disableTach[at(n)]);
    if (!write(Config2, value)) return;

    for (int pair = 0; pair < 2; ++pair) {
        int acoustics = 0;
        for (const int n : {2 * pair, 2 * pair + 1}) {
            const int nibble = (c.enhance[at(n)] ? 0x08 : 0) | codeIn(c.rampRate[at(n)], 7);
            acoustics |= n % 2 == 0 ? nibble << 4 : nibble;
        }
        if (!write(Acoustics12 + pair, acoustics)) return;
    }

    if (!read(Afc, value)) return;
    if (!write(Afc, (value & ~AfcSpinUp) | codeIn(c.spinUp, 7))) return;

    // A zone the list cannot show goes back as the one code that names no sensor.
    for (int pair = 0; pair < 2; ++pair) {
        const auto zoneCode = [&](int n) {
            const int z = c.zone[at(n)];
            return z >= 0 && z <= 10 ? z : FanZoneNone;
        };
        if (!write(ZoneSelect12 + pair, zoneCode(2 * pair) * 16 + zoneCode(2 * pair + 1))) return;
    }
}
