#pragma once

#include <cstdint>

// Every conversion between the chip's register bytes and engineering values, in both
// directions. Windows, the log, the plot and the command-line tool call these; none re-derives
// them.

inline constexpr std::int32_t DefaultTachClock = 90000; // Hz, the tach reference clock

// Temperature registers hold a signed byte in whole °C: 0x7F -> 127, 0x80 -> -128, 0xFF -> -1.
int TemperatureFromByte(int byte);
// -128..127 °C to the register byte (a negative t becomes t + 256). Values outside are clamped.
int TemperatureToByte(int celsius);

// Tach count (high byte * 256 + low byte) to RPM: whole part of TachClock * 60 / count; a count
// of 0 or less gives TachClock * 60 (5,400,000). 0xFFFF gives 82: there is no "stopped" value.
std::int32_t TachToRpm(std::int32_t count, std::int32_t tachClock = DefaultTachClock);
// RPM to the nearest whole count, halves to even: 2000 -> 2700. rpm must be greater than 0; the
// result may exceed 65535 for speeds below about 82.4 RPM (callers decide what to do then).
std::int64_t RpmToTachCount(double rpm, std::int32_t tachClock = DefaultTachClock);
inline int TachCount(int lowByte, int highByte) {
    return highByte * 256 + lowByte;
}

// Duty byte to whole percent, rounded: 255 -> 100, 128 -> 50, 1 -> 0, 2 -> 1.
int DutyPercentFromByte(int byte);
// Percent to byte, nearest with halves to even: 30 -> 76, 50 -> 128, 10 -> 26, 90 -> 230.
// Not range-checked: 120 gives 306 (the register write lowers it to 255).
std::int64_t DutyByteFromPercent(double percent);
