#include "deviceconfig/Limits.h"

#include "base/NumberText.h"
#include "monitoring/Conversions.h"
#include "session/Session.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int TemperatureLowLimit1 = 0x44; // low and high limits alternate up to 0x57
constexpr int TachMinimumLow1 = 0x58;      // low and high byte pairs up to 0x5F
constexpr int TachMaximumLow1 = 0x60;      // up to 0x67
constexpr int SlowestCount = 0xFFFF;

// Each register that a write reaches; false once a link error has ended the program.
bool writeRegister(Session& s, int reg, std::int32_t value) {
    s.usb.WriteRegister(s.usb.DeviceAddress, reg, value);
    return !s.usb.linkHeld();
}

std::optional<int> readRegister(Session& s, int reg) {
    const int value = s.usb.ReadRegister(s.usb.DeviceAddress, reg);
    if (s.usb.linkHeld()) return std::nullopt;
    return value;
}
} // namespace

int TemperatureLowLimitRegister(int channel) {
    return TemperatureLowLimit1 + 2 * (channel - 1);
}

int TemperatureHighLimitRegister(int channel) {
    return TemperatureLowLimitRegister(channel) + 1;
}

std::optional<TemperatureLimits> ReadTemperatureLimits(Session& s, int channel) {
    const auto low = readRegister(s, TemperatureLowLimitRegister(channel));
    if (!low) return std::nullopt;
    const auto high = readRegister(s, TemperatureHighLimitRegister(channel));
    if (!high) return std::nullopt;
    return TemperatureLimits{TemperatureFromByte(*low), TemperatureFromByte(*high)};
}

std::int32_t TemperatureLimitValue(double celsius) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(RoundHalfEven(celsius), -128, 127));
}

void WriteTemperatureLimits(Session& s, int channel, double lowCelsius, double highCelsius) {
    if (!writeRegister(s, TemperatureLowLimitRegister(channel), TemperatureLimitValue(lowCelsius))) return;
    writeRegister(s, TemperatureHighLimitRegister(channel), TemperatureLimitValue(highCelsius));
}

int TachLimitLowRegister(int fan, TachLimit which) {
    return (which == TachLimit::Minimum ? TachMinimumLow1 : TachMaximumLow1) + 2 * (fan - 1);
}

std::optional<TachLimits> ReadTachLimits(Session& s, int fan) {
    std::array<int, 4> bytes{}; // minimum high, minimum low, maximum high, maximum low
    const std::array<int, 4> regs{
        TachLimitHighRegister(fan, TachLimit::Minimum), TachLimitLowRegister(fan, TachLimit::Minimum),
        TachLimitHighRegister(fan, TachLimit::Maximum), TachLimitLowRegister(fan, TachLimit::Maximum)};
    for (std::size_t i = 0; i < regs.size(); ++i) {
        const auto value = readRegister(s, regs[i]);
        if (!value) return std::nullopt;
        bytes[i] = *value;
    }
    return TachLimits{TachCount(bytes[1], bytes[0]), TachCount(bytes[3], bytes[2])};
}

int TachLimitCount(double rpm) {
    if (!(rpm > 0)) return SlowestCount;
    return static_cast<int>(std::min<std::int64_t>(RpmToTachCount(rpm), SlowestCount));
}

TachLimits MovedTachLimit(TachLimits held, TachLimit moved, double rpm) {
    (moved == TachLimit::Minimum ? held.minimum : held.maximum) = TachLimitCount(rpm);
    return held;
}

void WriteTachLimits(Session& s, int fan, TachLimits limits) {
    for (const auto& [which, count] :
         {std::pair{TachLimit::Minimum, limits.minimum}, std::pair{TachLimit::Maximum, limits.maximum}}) {
        if (!writeRegister(s, TachLimitLowRegister(fan, which), count & 0xFF)) return;
        if (!writeRegister(s, TachLimitHighRegister(fan, which), (count >> 8) & 0xFF)) return;
    }
}

InterruptBit InterruptRowBit(std::size_t row) {
    if (row < 7) return {0, row};      // Temp 1 .. Temp 7: R1T .. R7T
    if (row < 10) return {1, row - 7}; // Temp 8 .. Temp 10: R8T, R9T, R1OT
    if (row < 14) return {1, row - 6}; // Fan 1 .. Fan 4: bits 4 .. 7
    return {1, 3};                     // NORM: NRM
}

QString InterruptRowCaption(std::size_t row) {
    if (row < 10) return QStringLiteral("Temp %1").arg(row + 1);
    if (row < 14) return QStringLiteral("Fan %1").arg(row - 9);
    return QStringLiteral("NORM");
}

InterruptRowStates InterruptRowsFromBytes(int first, int second) {
    const std::array bytes{first, second};
    InterruptRowStates rows{};
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const InterruptBit b = InterruptRowBit(k);
        rows[k] = (bytes[b.byte] >> b.bit & 1) != 0;
    }
    return rows;
}

std::array<int, 2> InterruptMaskBytes(const InterruptRowStates& masked, int oolMask) {
    std::array bytes{oolMask & OutOfLimitBit, 0};
    for (std::size_t k = 0; k < masked.size(); ++k) {
        if (!masked[k]) continue;
        const InterruptBit b = InterruptRowBit(k);
        bytes[b.byte] |= 1 << b.bit;
    }
    return bytes;
}

std::optional<InterruptMasks> ReadInterruptMasks(Session& s) {
    if (!s.usb.ReadBlockOrFail(InterruptMaskFirst, 2)) return std::nullopt;
    const auto& buffer = s.usb.TransferBuffer;
    return InterruptMasks{InterruptRowsFromBytes(buffer[0], buffer[1]), buffer[0] & OutOfLimitBit};
}

void WriteInterruptMasks(Session& s, const InterruptRowStates& masked, int oolMask) {
    const std::array<int, 2> bytes = InterruptMaskBytes(masked, oolMask);
    if (!writeRegister(s, InterruptMaskFirst, bytes[0])) return;
    writeRegister(s, InterruptMaskFirst + 1, bytes[1]);
}

std::optional<InterruptRowStates> ReadInterruptStatus(Session& s) {
    if (s.usb.ReadBlock(InterruptStatusFirst, 2) != 0) return std::nullopt;
    const auto& buffer = s.usb.TransferBuffer;
    return InterruptRowsFromBytes(buffer[0], buffer[1]);
}

QString TemperatureGaugeCaption(std::optional<std::int32_t> celsius) {
    return (celsius ? SignOrBlank(*celsius) : u' ' + ReadingText(celsius)) + QStringLiteral("°C");
}

QString FanGaugeCaption(std::optional<std::int32_t> rpm) {
    return QStringLiteral(" %1 RPM").arg(ReadingText(rpm));
}
