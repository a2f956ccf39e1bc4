#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class Session;

// The chip's limit and interrupt registers as the limits window uses them: the temperature and
// tach limits of one channel at a time, and the fifteen interrupt sources of the status and
// mask register pairs.

inline constexpr int LimitTemperatureChannels = 10; // Temperature 1 .. 10
inline constexpr int LimitFans = 4;                 // Fan 1 .. 4

// ---- Temperature limits: signed bytes in whole °C ----

struct TemperatureLimits {
    int low{};
    int high{};
    bool operator==(const TemperatureLimits&) const = default;
};

int TemperatureLowLimitRegister(int channel);  // channel 1..10: 0x44, 0x46, ...
int TemperatureHighLimitRegister(int channel); // 0x45, 0x47, ...

// Reads the low limit, then the high limit. None after a link error.
std::optional<TemperatureLimits> ReadTemperatureLimits(Session& s, int channel);
// A pointer's °C as handed to the register write: nearest whole degree, halves to even, kept
// within the signed byte's -128..127. Negative values stay negative: the write's index then
// carries their two's-complement byte.
std::int32_t TemperatureLimitValue(double celsius);
// Writes the low limit, then the high limit, whichever pointer moved. Stops at a link error.
void WriteTemperatureLimits(Session& s, int channel, double lowCelsius, double highCelsius);

// ---- Tach limits: 16-bit counts, shown in RPM ----

// A count above the minimum limit means the fan is too slow, one below the maximum too fast; a
// maximum of 0 means no maximum. The reset values never fire.
struct TachLimits {
    int minimum = 0xFFFF;
    int maximum{};
    bool operator==(const TachLimits&) const = default;
};
enum class TachLimit { Minimum, Maximum };

int TachLimitLowRegister(int fan, TachLimit which); // fan 1..4: 0x58.. (minimum), 0x60.. (maximum)
inline int TachLimitHighRegister(int fan, TachLimit which) {
    return TachLimitLowRegister(fan, which) + 1;
}

// Reads minimum high, minimum low, maximum high, maximum low. None after a link error.
std::optional<TachLimits> ReadTachLimits(Session& s, int fan);
// A pointer's RPM to the count the limit stores: the nearest count, halves to even. Speeds the
// 16-bit counter cannot time (0, or below about 82.4 RPM) store 0xFFFF, the slowest count,
// rather than a wrapped or saturated byte pair.
int TachLimitCount(double rpm);
// The limits after the user moved one pointer to `rpm`: that limit from the speed, the other
// exactly as held, so that an unmoved "no maximum" (0) or 0xFFFF minimum survives the write
// even though its RPM on the gauge is only an approximation.
TachLimits MovedTachLimit(TachLimits held, TachLimit moved, double rpm);
// Writes the minimum pair, then the maximum pair, each low byte before high byte. Stops at a
// link error.
void WriteTachLimits(Session& s, int fan, TachLimits limits);

// ---- Interrupt sources ----

// Fifteen rows: Temp 1 .. Temp 10, Fan 1 .. Fan 4, NORM. "Interrupt Status 1" (0x41) and
// "Interrupt Mask 1" (0x72) share one bit layout, Status 2 (0x42) and Mask 2 (0x73) another.
inline constexpr int InterruptRows = 15;
inline constexpr int InterruptStatusFirst = 0x41;
inline constexpr int InterruptMaskFirst = 0x72;
// Bit 7 of Status 1 / Mask 1 (OOL, "something in register 2 is out of limit") has no row.
inline constexpr int OutOfLimitBit = 0x80;

struct InterruptBit {
    std::size_t byte{}; // 0: the first register of the pair, 1: the second
    std::size_t bit{};  // 0..7
};
InterruptBit InterruptRowBit(std::size_t row);
QString InterruptRowCaption(std::size_t row);

using InterruptRowStates = std::array<bool, InterruptRows>;
InterruptRowStates InterruptRowsFromBytes(int first, int second);

// The two mask bytes from the rows, built from zero. Mask 1's OOL bit has no row in the window,
// so it is written as `oolMask` gives it (the value loaded with the masks) rather than cleared
// behind the user's back.
std::array<int, 2> InterruptMaskBytes(const InterruptRowStates& masked, int oolMask);

struct InterruptMasks {
    InterruptRowStates rows{};
    int oolMask{}; // Mask 1's bit 7 as read
};
// Block read of both mask registers. A failed read is a link error (the rows would otherwise be
// filled from another request's bytes and written back by Apply): none then.
std::optional<InterruptMasks> ReadInterruptMasks(Session& s);
// Writes "Interrupt Mask 1", then "Interrupt Mask 2". Stops at a link error.
void WriteInterruptMasks(Session& s, const InterruptRowStates& masked, int oolMask);

// Block read of both status registers; none when the read failed, so the lamps keep what they
// showed instead of lighting from another request's bytes.
std::optional<InterruptRowStates> ReadInterruptStatus(Session& s);

// ---- Live values ----

// " 25°C", " 0°C": a blank before values of 0 or more; "-5°C" with its sign; " —°C" for a
// reading never read.
QString TemperatureGaugeCaption(std::optional<std::int32_t> celsius);
// " 2400 RPM", " — RPM".
QString FanGaugeCaption(std::optional<std::int32_t> rpm);
