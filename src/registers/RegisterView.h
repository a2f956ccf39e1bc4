#pragma once

#include <QString>

#include <array>

class USBStuff;

// What the register map window shows of one register: its description, address, the names of its
// eight bits and the value the chip holds.
struct RegisterView {
    QString description;
    QString addressText;             // "40h"
    std::array<QString, 8> bitNames; // position k names bit 7 - k, as shown from left to right
    int value{};
};

// Register addresses are one byte on the SMBus. Typed text is read as hexadecimal up to the first
// non-hexadecimal character (no digit: 0); an address above FF is reduced to its low byte, the
// register the board actually reaches, so that a write cannot spill address bits into the value.
int TypedRegisterAddress(const QString& addressText);

// Table entry `index`, read from the chip at the session's device address.
RegisterView ReadTableRegister(USBStuff& usb, int index);

// The register at a typed address: the first table entry with that address, or "Unknown" with the
// bit numbers "7" to "0" when the table has none. The register is read either way.
RegisterView ReadTypedRegister(USBStuff& usb, const QString& addressText);

// Element i is "1" when bit i of the value is set, else "0".
std::array<QString, 8> BitTexts(int value);

// A clicked bit: "0" becomes "1", anything else "0".
QString FlippedBitText(const QString& text);

// The byte whose bit i is set wherever element i is not "0".
int BitSum(const std::array<QString, 8>& bitTexts);

// The whole value the user typed in decimal, as it goes to the transport: the leading number (0
// when there is none), rounded half to even, held to the 32-bit range. The transport lowers
// anything above 255 to 255; negative values go out as the low byte of their two's complement.
int TypedRegisterValue(const QString& valueText);

// Writes a value to the register at a typed address. False when the link failed (the program is
// ending then, and nothing more may be asked of the board).
bool WriteTypedRegister(USBStuff& usb, const QString& addressText, int value);

// The two mirrored value boxes. A decimal text shown in hexadecimal: whole part rounded half to
// even, negative values as 32-bit two's complement, empty outside the 32-bit signed range.
QString HexMirrorOfDecimal(const QString& decimalText);
// A hexadecimal text (at most eight digits are read) shown as an unsigned decimal number.
QString DecimalMirrorOfHex(const QString& hexText);
