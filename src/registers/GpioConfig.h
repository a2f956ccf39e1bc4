#pragma once

#include <QString>

#include <array>
#include <optional>

class Session;

// The chip's four general-purpose I/O pins as the GPIO window edits them, and the encodings of
// their three registers: "GPIO Enable" 0x7F (EN1..EN4 in bits 3..0; bits 7..4 select the PEXIL
// coefficients and belong to the device configuration), "GPIO Config" 0x80 (a direction and a
// polarity bit per pin, pin 1 in bits 7..6) and "GPIO Status" 0x81 (levels, pin 1 in bit 4).

inline constexpr int GpioEnableRegister = 0x7F;
inline constexpr int GpioConfigRegister = 0x80;
inline constexpr int GpioStatusRegister = 0x81;

struct GpioPin {
    bool enabled = false;
    bool output = false;     // else an input
    bool activeHigh = false; // else active low
    bool set = false;        // the level as the status register holds it
    bool operator==(const GpioPin&) const = default;
};
using GpioPins = std::array<GpioPin, 4>; // GPIO 1 .. GPIO 4

// Pin n is 0-based here (GPIO 1 = 0).
constexpr int GpioEnableBit(int n) {
    return 1 << (3 - n);
}
constexpr int GpioDirectionBit(int n) {
    return 1 << (7 - 2 * n);
}
constexpr int GpioPolarityBit(int n) {
    return 1 << (6 - 2 * n);
}
constexpr int GpioStatusBit(int n) {
    return 1 << (4 + n);
}

GpioPins DecodeGpio(int enable, int config, int status);
// The new "GPIO Enable": the enable bits from the pins, bits 7..4 as the chip held them.
int GpioEnableValue(int held, const GpioPins& pins);
// "GPIO Config" covers nothing but the pins, so it is built whole.
int GpioConfigValue(const GpioPins& pins);
// The new "GPIO Status": every pin's level, inputs included (the chip ignores those), bits 3..0
// as the chip held them.
int GpioStatusValue(int held, const GpioPins& pins);

// The three registers in one block read. None after a failed read, which is a link error.
std::optional<GpioPins> LoadGpio(Session& s);
// Read-modify-write of the enable register (the transport then refreshes GpioEnabled), the
// config register whole, then read-modify-write of the status register. Stops at a link error.
void ApplyGpio(Session& s, const GpioPins& pins);

// What each row's value label shows at the once-a-second refresh, taken from the rows as they are
// shown, applied or not: nothing for an output row (left as it is), "Disabled" for a disabled
// input without asking the chip, else "Set" or "Clear" from one read of the status register per
// row. The reads stop at a link error; the rows after it get nothing.
std::array<std::optional<QString>, 4> GpioValueTexts(Session& s, const GpioPins& shown);
