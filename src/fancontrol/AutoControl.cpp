#include "fancontrol/AutoControl.h"

#include "base/NumberText.h"
#include "monitoring/Conversions.h"
#include "session/Session.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr int MaxDutyFirst = 0x38; // "PWM1 Max Duty Cycle" .. 0x3B
constexpr int MinDutyFirst = 0x6A; // "PWM1 Min Duty Cycle" .. 0x6D
constexpr int TminFirst = 0x6E;    // "Temperature1 Tmin" .. 0x71
constexpr int PwmConfig12 = 0x68;  // "PWM 1/2 Config"
constexpr int ZoneSelect1 = 0x7C;  // "PEXIL Zone Select 1"
constexpr int BhvOdd = 0x80;       // BHV1 / BHV3: PWM1 / PWM3 under automatic control
constexpr int BhvEven = 0x40;      // BHV2 / BHV4

// A rounded register value handed to the transport as its 32-bit variable. Negative values
// would go out as their two's-complement byte (-10 % as 246, i.e. 96 %), so they become 0.
std::int32_t registerValue(std::int64_t rounded) {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(rounded, 0, std::numeric_limits<std::int32_t>::max()));
}

int withBit(int value, int bit, bool set) {
    return set ? (value | bit) : (value & ~bit);
}
} // namespace

const QStringList& ZoneNames() {
    static const QStringList names{
        QStringLiteral("Max Temp"), QStringLiteral("Temp1"), QStringLiteral("Temp2"), QStringLiteral("Temp3"),
        QStringLiteral("Temp4"),    QStringLiteral("Temp5"), QStringLiteral("Temp6"), QStringLiteral("Temp7"),
        QStringLiteral("Temp8"),    QStringLiteral("Temp9"), QStringLiteral("Temp10")};
    return names;
}

int ZoneCode(const QString& zone) {
    const qsizetype i = ZoneNames().indexOf(zone);
    return i < 0 ? NoZoneCode : static_cast<int>(i);
}

QString ZoneName(int code) {
    return code >= 0 && code < ZoneCount ? ZoneNames().at(code) : QString();
}

std::int32_t DutyRegisterValue(float percent) {
    const float exact = percent * 255.0f / 100.0f;
    return registerValue(RoundHalfEven(exact));
}

std::int32_t TminRegisterValue(float celsius) {
    return registerValue(RoundHalfEven(celsius));
}

float DutyFromRegister(int byte) {
    return static_cast<float>(DutyPercentFromByte(byte));
}

float SingleFromTyped(double value) {
    constexpr double Largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -Largest, Largest));
}

bool LoadAutoControl(Session& s) {
    auto& table = s.decl.AutoControlTable;
    const auto& buffer = s.usb.TransferBuffer;

    if (!s.usb.ReadBlockOrFail(MaxDutyFirst, 4)) return false;
    for (std::size_t n = 0; n < 4; ++n)
        table[n].PWMmax = DutyFromRegister(buffer[n]);

    // Min duties 0x6A..0x6D, then the Tmin bytes 0x6E..0x71.
    if (!s.usb.ReadBlockOrFail(MinDutyFirst, 8)) return false;
    for (std::size_t n = 0; n < 4; ++n) {
        table[n].PWMmin = DutyFromRegister(buffer[n]);
        table[n].Tmin = buffer[n + 4];
    }

    if (!s.usb.ReadBlockOrFail(PwmConfig12, 2)) return false;
    table[0].AutoControl = (buffer[0] & BhvOdd) != 0;
    table[1].AutoControl = (buffer[0] & BhvEven) != 0;
    table[2].AutoControl = (buffer[1] & BhvOdd) != 0;
    table[3].AutoControl = (buffer[1] & BhvEven) != 0;

    if (!s.usb.ReadBlockOrFail(ZoneSelect1, 2)) return false;
    table[0].Zone = ZoneName(buffer[0] >> 4);
    table[1].Zone = ZoneName(buffer[0] & 0x0F);
    table[2].Zone = ZoneName(buffer[1] >> 4);
    table[3].Zone = ZoneName(buffer[1] & 0x0F);
    return true;
}

void ApplyAutoControl(Session& s, bool updateOnChange) {
    USBStuff& usb = s.usb;
    const auto& table = s.decl.AutoControlTable;
    const std::int32_t address = usb.DeviceAddress;
    // After a link error the program is ending: nothing more goes out and nothing is recorded.
    const auto write = [&](int reg, std::int32_t value) {
        usb.WriteRegister(address, reg, value);
        return !usb.linkClosed();
    };

    int n = 0; // the output's offset from each run's first register
    for (const AutoControlEntry& e : table) {
        if (!write(MaxDutyFirst + n, DutyRegisterValue(e.PWMmax))) return;
        if (!write(MinDutyFirst + n, DutyRegisterValue(e.PWMmin))) return;
        if (!write(TminFirst + n, TminRegisterValue(e.Tmin))) return;
        ++n;
    }

    // The config registers hold other settings of the outputs too, so only the BHV bits change.
    for (std::size_t pair = 0; pair < 2; ++pair) {
        const int reg = PwmConfig12 + static_cast<int>(pair);
        int value = usb.ReadRegister(address, reg);
        if (usb.linkClosed()) return;
        value = withBit(value, BhvOdd, table[2 * pair].AutoControl);
        value = withBit(value, BhvEven, table[2 * pair + 1].AutoControl);
        if (!write(reg, value)) return;
    }

    // Each zone register holds the codes of two outputs and nothing else: written whole.
    for (std::size_t pair = 0; pair < 2; ++pair) {
        const int high = ZoneCode(table[2 * pair].Zone);
        const int low = ZoneCode(table[2 * pair + 1].Zone);
        if (!write(ZoneSelect1 + static_cast<int>(pair), high * 16 + low)) return;
    }

    s.decl.UpdateOnChange = updateOnChange;
}

float RampEndTemperature(const AutoControlEntry& entry) {
    // Where the line through (Tmin, PWMmin) with the chip's slope meets PWMmax; written from Tmin
    // so that equal PWMmin and PWMmax give exactly Tmin.
    return entry.Tmin + (entry.PWMmax - entry.PWMmin) / CurveSlope;
}

Curve CurveSegments(const AutoControlEntry& e) {
    const float off = e.Tmin - SwitchOffBand;
    const float tr = RampEndTemperature(e);
    return Curve{{
        {{0, 0}, {off, 0}},
        {{off, 0}, {off, e.PWMmin}},
        {{off, e.PWMmin}, {e.Tmin, e.PWMmin}},
        {{e.Tmin, e.PWMmin}, {tr, e.PWMmax}},
        {{tr, e.PWMmax}, {TempAxisMax, e.PWMmax}},
        {{e.Tmin, 0}, {e.Tmin, e.PWMmin}},
    }};
}

std::optional<ControlPoint> ControlPointOf(const AutoControlEntry& entry, std::size_t output,
                                           const Readings& readings) {
    const std::optional<std::int32_t> duty = readings.dutyCycle(output);
    if (!duty) return std::nullopt;
    ControlPoint point{std::nullopt, std::min(static_cast<float>(*duty), entry.PWMmax)};
    const int code = ZoneCode(entry.Zone);
    if (code == NoZoneCode) return point;
    // Zone 0 is the highest PEXIL temperature, kept after the ten sensors.
    const auto temperature = readings.temperature(code == 0 ? 10 : static_cast<std::size_t>(code - 1));
    if (!temperature) return std::nullopt;
    point.temperature = static_cast<float>(*temperature);
    return point;
}
