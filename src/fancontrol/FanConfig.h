#pragma once

#include "monitoring/Conversions.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class Session;

// The fan settings of the chip outside the automatic control curve: per fan its duty limits,
// PWM options, control type, zone and ramp rate, tach limits, pulses per revolution and tach
// disable; for all fans the PWM frequency, fast tach, full speed, spin-up and fan-fail
// behaviour. Loading reads them all; applying writes them all back.

// The chip's four PWM outputs, each with the fan it drives and that fan's tach.
inline constexpr std::size_t FanOutputs = 4;

// A number box: the text it shows, and the register value it was loaded from with the text that
// showed it. Duty and RPM texts do not round-trip (RPM are shown truncated and written rounded:
// a count of 40001 shows 134 RPM, which would go back as 40299), so a box whose text is still the
// loaded one writes back exactly what it loaded.
struct FanNumberBox {
    QString text;
    std::optional<QString> loadedText; // none for a box that was not loaded from the chip
    std::int32_t loaded{};
};

// Every setting as the window's controls hold it: codes are list positions, -1 for a list that
// shows no selection.
struct FanConfig {
    // "All Fans"
    int freq{};   // PWM frequency code 0..7 ("Configuration 2" FRQ)
    int spinUp{}; // AFC spin-up code 0..7
    bool highFreq = false;
    bool fastTach = false;
    bool fullSpeed = false;
    std::array<bool, FanOutputs> fanFail{};

    // Fan 1..4 at index 0..3
    std::array<FanNumberBox, FanOutputs> maxDuty; // %
    std::array<FanNumberBox, FanOutputs> minDuty; // %
    std::array<FanNumberBox, FanOutputs> minTach; // RPM, the slowest speed before the fan counts as failed
    std::array<FanNumberBox, FanOutputs> maxTach; // RPM
    std::array<bool, FanOutputs> fanOVT{};
    std::array<bool, FanOutputs> invert{};
    std::array<bool, FanOutputs> enhance{};
    std::array<bool, FanOutputs> disableTach{};
    std::array<int, FanOutputs>
        zone{}; // 0 "Max Temp Reg", 1..10 "Temp1".."Temp10"; the chip's nibble may hold 11..15
    std::array<int, FanOutputs> controlType{}; // 0 manual, 1 automatic
    std::array<int, FanOutputs> rampRate{};    // 0..7
    std::array<int, FanOutputs> pulses{};      // code 0..3 = 1..4 pulses per revolution
};

// The zone lists hold codes 0..10; any other code shows no selection and is written as this.
inline constexpr int FanZoneNone = 11;

// A duty register byte as its box shows it: whole percent, 128 shows "50".
QString DutyBoxText(int byte);
// A duty box's text to its register byte: the leading number (0 without one) as percent, nearest
// byte with halves to even. Negative percent gives 0 rather than its two's-complement byte;
// above 100 % gives 255.
std::int32_t DutyBoxByte(const QString& text);

// A 16-bit tach limit count as its box shows it: whole RPM, rounded down; a count of 0 (no limit
// at any speed) shows ">" and the fastest speed the counter resolves.
QString TachBoxText(std::int32_t count, std::int32_t tachClock = DefaultTachClock);
// A tach box's text to the count: any ">" means 0; a leading number of 0 or less (or none) means
// 0xFFFF; the fastest speed or above means 0; otherwise the nearest count, and 0xFFFF for speeds
// too slow for 16 bits (below about 82.4 RPM) rather than a wrapped count.
std::int32_t TachBoxCount(const QString& text, std::int32_t tachClock = DefaultTachClock);

// The value a box writes: its loaded value while it shows the loaded text, else its text encoded.
std::int32_t DutyBoxValue(const FanNumberBox& box);
std::int32_t TachBoxValue(const FanNumberBox& box, std::int32_t tachClock = DefaultTachClock);

// Fills every field from the chip with five block reads (0x38 x 4, 0x40 x 4, 0x58 x 22, 0x74 x 3,
// 0x7B x 3) and writes nothing. A failed block read is a link error: false, and the reads stop.
bool LoadFanConfig(Session& s, FanConfig& config);

// Writes every field back, 34 register writes and 5 reads: max duties, min duties, "Configuration
// 1", pulses, min then max tach limits, the PWM configs, "Configuration 2", acoustics, "AFC",
// zones (the transport adds its ManualControl refresh read after each PWM config write).
// Registers partly covered ("Configuration 1", "PWM 1/2 Config",
// "PWM 3/4 Config", "Configuration 2", "AFC") are read first and keep the bits no field covers;
// the pulses, acoustics and zone registers are rebuilt whole. Stops at a link error.
void ApplyFanConfig(Session& s, const FanConfig& config);
