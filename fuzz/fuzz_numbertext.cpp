// Typed text of any shape through every number rule: a numeric text has a value, what the program
// shows of a value reads back as a number, hexadecimal round-trips, intervals stay in their range.
#include "base/NumberText.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<double> value = LeadingNumber(text);
    if (LeadingNumberOrZero(text) != value.value_or(0.0) && !(value && std::isnan(*value))) __builtin_trap();
    if (IsNumeric(text) && !value) __builtin_trap();
    if (value) {
        if (!std::isfinite(*value)) __builtin_trap();
        if (!IsNumeric(SevenDigits(*value))) __builtin_trap();
        (void)RoundHalfEven(*value);
        (void)LogTimeText(*value);
        (void)SpinnerStep(*value, 1, 0, 10000, 10);
    }
    const std::uint32_t hex = LeadingHex(text);
    if (LeadingHex(HexText(hex)) != hex) __builtin_trap();
    for (const std::int32_t largest : {32767, 2147483647}) {
        const std::optional<std::int32_t> interval = TypedInterval(text, largest);
        if (interval && (*interval < 0 || *interval > largest)) __builtin_trap();
    }
    (void)ParseInteger(text);
    (void)ToWindows1252(text);
    return 0;
}
