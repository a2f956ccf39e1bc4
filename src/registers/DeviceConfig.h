#pragma once

#include <QString>

#include <optional>

class Session;

// The chip's global settings as the general configuration window edits them: monitoring, the
// SMBus time-out and the function of pin 13 in "Configuration 1" (0x40), power-down in
// "Configuration 2" (0x74), and the optional gain and offset the chip applies to its PEXIL
// readings with the mask that selects them over the built-in values.
//
// The gain is 10 bits: 0x79 holds bits 9..2, bits 7..6 of 0x7A bits 1..0. The offset is 9 bits:
// bits 5..0 of 0x7A hold bits 8..3, bits 7..5 of 0x7B bits 2..0. The selection mask is 10 bits:
// 0x7E holds bits 9..2, bits 7..6 of 0x7F bits 1..0 (the rest of 0x7F enables the GPIO pins).

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
    int selectMask = 0;
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
