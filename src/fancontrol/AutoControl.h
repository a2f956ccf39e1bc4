#pragma once

#include "board/Declarations.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>

class Session;

// The chip's automatic fan control of its four PWM outputs: reading and writing the settings
// kept in Declarations::AutoControlTable, and the geometry of the fan-control curve plot.

// Control zones by their four-bit code: 0 "Max Temp" (the hottest PEXIL sensor), 1..10 "Temp1".."Temp10".
inline constexpr int ZoneCount = 11;
// Written for an output whose zone names none of the list; the chip reads it as no zone.
inline constexpr int NoZoneCode = 11;
const QStringList& ZoneNames();
// Position of the first list item equal to the text, or NoZoneCode.
int ZoneCode(const QString& zone);
// The list item of a code, empty for codes outside 0..10 (the nibble holds up to 15).
QString ZoneName(int code);

// Duty percent to the byte of a min/max duty register: nearest(percent * 255 / 100) in single
// precision, halves to even. A negative percent gives 0 rather than its two's-complement byte;
// values above 100 % are left for the register write to lower to 255.
std::int32_t DutyRegisterValue(float percent);
// Tmin to its unsigned register byte: nearest whole °C, halves to even; negative gives 0.
std::int32_t TminRegisterValue(float celsius);
// A min/max duty register byte to whole percent.
float DutyFromRegister(int byte);
// A typed number as the single-precision field keeps it; numbers beyond the single range keep
// the largest single of their sign instead of overflowing.
float SingleFromTyped(double value);

// Fills Zone, Tmin, PWMmin, PWMmax and AutoControl of every output from the chip with four block
// reads (0x38 x 4, 0x6A x 8, 0x68 x 2, 0x7C x 2) and nothing else; ShowConPoint stays. A failed
// block read is a link error: false, and the reads stop there.
bool LoadAutoControl(Session& s);
// Writes all four outputs: per output its max duty, min duty and Tmin; then read-modify-write of
// the two PWM config registers (BHV bits); then both zone registers whole. 18 register accesses
// (the transport adds its ManualControl refresh read after each config write). Stops at a link
// error. Finally UpdateOnChange takes the state of the "update with changes" box.
void ApplyAutoControl(Session& s, bool updateOnChange);

// ---- Curve plot geometry ----

inline constexpr float TempAxisMax = 130; // °C at the plot's right edge; the left edge is 0 °C
inline constexpr float DutyAxisMax = 110; // % at the plot's top edge; the bottom edge is 0 %
// The chip's ramp above Tmin, % per °C.
inline constexpr float CurveSlope = 67.0f / 20.0f;
// The fan switches off this far below Tmin.
inline constexpr float SwitchOffBand = 4;

// Plot coordinates of a plot area W x H; y grows downwards, so 0 % is the bottom edge.
struct PlotScale {
    float W{};
    float H{};
    float tempAxisMax = TempAxisMax;
    float dutyAxisMax = DutyAxisMax;

    float T2X(float temperature) const { return temperature * W / tempAxisMax; }
    float P2Y(float duty) const { return H - duty * H / dutyAxisMax; }
    float X2T(float x) const { return tempAxisMax * x / W; }
    float Y2P(float y) const { return (H - y) * dutyAxisMax / H; }
};

struct CurvePoint {
    float temperature{}; // °C
    float duty{};        // %
    bool operator==(const CurvePoint&) const = default;
};
struct CurveSegment {
    CurvePoint from;
    CurvePoint to;
    bool operator==(const CurveSegment&) const = default;
};
inline constexpr int CurveSegmentCount = 6;
using Curve = std::array<CurveSegment, CurveSegmentCount>;
// The segment drawn dotted: the switch-on edge at Tmin.
inline constexpr int SwitchOnSegment = 5;

// An output's fan-control curve: off up to Tmin - 4, the switch-off edge, PWMmin through the
// hysteresis band, the ramp from (Tmin, PWMmin) to PWMmax, PWMmax to the right edge, and the
// switch-on edge at Tmin. Settings are taken as they stand: a PWMmax below PWMmin runs the
// ramp backwards, and points may lie outside the axes.
Curve CurveSegments(const AutoControlEntry& entry);
// Temperature where the ramp reaches PWMmax.
float RampEndTemperature(const AutoControlEntry& entry);

// Where an output's control-point marker goes: the temperature reading of its zone ("Max Temp" is
// Temperatures[10]; none for an output without zone, whose marker then keeps its horizontal
// place) against its present duty, never above PWMmax (it is not held above PWMmin).
struct ControlPoint {
    std::optional<float> temperature;
    float duty{};
};
// None while the output's duty or its zone's temperature has never been read: the marker is then
// hidden rather than drawn at a 0 that no sensor reported.
std::optional<ControlPoint> ControlPointOf(const AutoControlEntry& entry, std::size_t output,
                                           const Readings& readings);
