#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <optional>

class Session;

// The chip-configuration registers the GPIO window and the general configuration window edit:
// their bit fields, and their loads and applies over the transport. One home for both, because
// they share "GPIO Enable" 0x7F: its bits 3..0 enable the GPIO pins, its bits 7..6 are bits 1..0
// of the PEXIL selection mask ("PEXIL Coef Select 2"), and each window keeps the other's bits.

// ---- GPIO pins ----

// The four pins in three registers: "GPIO Enable" 0x7F (EN1..EN4 in bits 3..0), "GPIO Config"
// 0x80 (a direction and a polarity bit per pin, pin 1 in bits 7..6) and "GPIO Status" 0x81
// (levels, pin 1 in bit 4).

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
constexpr int GpioEnableBit(std::size_t n) {
    return 1 << (3 - n);
}
constexpr int GpioDirectionBit(std::size_t n) {
    return 1 << (7 - 2 * n);
}
constexpr int GpioPolarityBit(std::size_t n) {
    return 1 << (6 - 2 * n);
}
constexpr int GpioStatusBit(std::size_t n) {
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

// ---- General device settings ----

// Monitoring, the SMBus time-out and the function of pin 13 in "Configuration 1" (0x40),
// power-down in "Configuration 2" (0x74), and the optional gain and offset the chip applies to
// its PEXIL readings with the mask that selects them over the built-in values.
//
// The gain is 10 bits: 0x79 holds bits 9..2, bits 7..6 of 0x7A bits 1..0. The offset is 9 bits:
// bits 5..0 of 0x7A hold bits 8..3, bits 7..5 of 0x7B bits 2..0. The selection mask is 10 bits:
// 0x7E holds bits 9..2, bits 7..6 of 0x7F bits 1..0.

inline constexpr int GainLimit = 1024;  // gains are 0..1023
inline constexpr int OffsetLimit = 512; // offsets are 0..511
inline constexpr int AllSelected = 0x3FF;

int PexilGain(int option1, int option2);
int PexilOffset(int option2, int option3);
int PexilSelectMask(int select1, int select2);

// A typed gain or offset as it is written: the leading number (0 for a text without one) rounded
// half to even, and none when that whole number lies outside 0..limit-1.
std::optional<int> TypedCoefficient(const QString& text, int limit);

struct DeviceSettings {
    bool monitoring = false;       // STRT
    bool timeoutDisabled = false;  // TODIS
    bool pexilStartOutput = false; // T/FS: pin 13 starts the PEXIL sensors rather than reading full speed
    bool powerDown = false;        // SHDN
    QString gain;                  // as typed
    QString offset;
    bool useDefault = false; // the built-in gain and offset: mask 0
    // The mask as the chip holds it. While useDefault is clear a mask that selects only some
    // sensors (set elsewhere, e.g. through the register map) is written back as it is; a clear
    // mask becomes all ones.
    int selectMask{};
    bool operator==(const DeviceSettings&) const = default;
};

// Two single reads (0x40, 0x74) and two block reads (0x79 x 3, 0x7E x 2). None when the program
// is ending after a link error.
std::optional<DeviceSettings> LoadDeviceConfig(Session& s);

// Writes in this order: read-modify-write of 0x40 and 0x74; the gain (0x79 whole, bits 7..6 of
// 0x7A); the offset (bits 5..0 of 0x7A, bits 7..5 of 0x7B); the mask (0x7E whole, bits 7..6 of
// 0x7F). A gain out of range is refused with a warning and ends the apply before the gain; an
// offset out of range is refused with a warning and skipped, the mask is still written. Returns
// false when an entry was refused. selectMask takes the mask written. Stops at a link error.
bool ApplyDeviceConfig(Session& s, DeviceSettings& settings);
