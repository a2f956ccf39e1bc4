#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

// The program's one home for reading numbers out of typed text and for writing numbers as text.
// Every window and the command-line tool use these; none parses or formats on its own.

// The leading numeric part of a text, as typed numbers are read throughout the program: optional
// blanks, an optional sign, digits with an optional decimal point (full stop) and an optional
// exponent ("1e3"). "12x" gives 12, "-3.5 V" gives -3.5, ".5" gives 0.5. A text without a leading
// number gives no value.
std::optional<double> LeadingNumber(const QString& text);

// LeadingNumber, with 0 where the text has no leading number.
double LeadingNumberOrZero(const QString& text);

// True when the whole text (blanks around it allowed) is one number: "45", " -3.5 ", "1e2".
// Empty text, a lone sign or point, and "12x" are not numeric.
bool IsNumeric(const QString& text);

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Saturates at the 64-bit range; NaN gives 0.
std::int64_t RoundHalfEven(double value);

// A hexadecimal number read from the start of the text up to the first character that is not a
// hexadecimal digit; a text that starts with none reads as 0 ("40h" -> 0x40, "7f" -> 0x7F,
// "" -> 0). Leading blanks are skipped. Digits beyond the eighth are ignored, so the result is
// always a 32-bit value.
std::uint32_t LeadingHex(const QString& text);

// Upper-case hexadecimal without leading zeros or prefix: 0 -> "0", 0x7F -> "7F".
QString HexText(std::uint32_t value);

// An address as shown to the user: upper-case hexadecimal with the suffix "h": 0x2E -> "2Eh".
QString AddressText(std::uint32_t address);

// A whole number preceded by a blank when zero or positive, by its minus sign when negative:
// 25 -> " 25", -5 -> "-5" (log lines and gauge captions).
QString SignOrBlank(std::int64_t value);

// A reading as windows and legends show it: the whole number, or an em dash ("—") for one
// never read, so that no one takes it for a measured 0.
QString ReadingText(std::optional<std::int64_t> value);

// A number with up to seven significant digits, no leading blank and no trailing zeros, a full
// stop as decimal separator, with a zero before the point: 90 -> "90", 33.5 -> "33.5",
// 0.5 -> "0.5", -10 -> "-10", 1234567.8 -> "1234568".
QString SevenDigits(double value);

// Seconds with at most three decimals, rounded half to even, no trailing zeros and no zero
// before the point: 0 -> "0", 0.1 -> ".1", 1.25 -> "1.25", 0.333 -> ".333", 12 -> "12".
QString LogTimeText(double seconds);

// A whole number as typed on a command line: 0x-prefixed hexadecimal ("0x2C"), hexadecimal with
// the suffix h ("2Ch"), or decimal with an optional sign ("44", "-5"; a leading zero is not
// octal). Anything else, or a number beyond 64 bits, gives no value.
std::optional<std::int64_t> ParseInteger(const QString& text);
// The whole number ParseInteger reads, when it lies within low..high.
std::optional<std::int64_t> IntegerIn(const QString& text, std::int64_t low, std::int64_t high);

// Text as Windows-1252 bytes, the 8-bit code page of the log and configuration files (the degree
// sign is the single byte 0xB0). A blank it cannot hold, such as the narrow no-break space some
// locales put in times, becomes a plain blank; any other such character becomes '?'.
QByteArray ToWindows1252(const QString& text);
// The first character of the text that ToWindows1252 writes as '?' for want of a byte (a whole
// code point, also beyond 16 bits); none when every character has one.
std::optional<char32_t> FirstNotInWindows1252(const QString& text);

// A spinner's step from the number in its text box: `steps` whole increments, kept within
// [min, max]. From a number between two multiples of the increment the first step goes to the
// neighbouring multiple in that direction (40.5 up: 41, down: 40); from a number beyond the range,
// the step starts at the nearer end of it (25000 down, in 0 to 20000 by 50: 19950).
double SpinnerStep(double current, int steps, int min, int max, int increment = 1);

// A typed interval in milliseconds as its variable takes it: the leading number rounded half to
// even, 0 for a text without one. No value when the variable cannot hold it: a negative number,
// or one above `largest` (32767 for the 16-bit graph interval, 2147483647 for the others), so
// that "40000" is refused rather than wrapped to a negative interval.
std::optional<std::int32_t> TypedInterval(const QString& text, std::int32_t largest);
