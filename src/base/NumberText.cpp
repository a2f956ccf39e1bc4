#include "base/NumberText.h"

#include <algorithm>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c) {
    return c.unicode() >= u'0' && c.unicode() <= u'9';
}

std::optional<std::uint32_t> hexDigitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return std::nullopt;
}

qsizetype skipBlanks(const QString& text, qsizetype i) {
    while (i < text.size() && isBlank(text[i]))
        ++i;
    return i;
}

// Exponents stop growing here: past it any typed mantissa is far out of a double's range anyway.
constexpr std::int64_t ExponentCap = 1'000'000'000;

struct Scanned {
    qsizetype end = 0;           // index just past it
    std::optional<double> value; // empty when the number does not fit a double
};

// Reads "[sign] digits [. digits] [e [sign] digits]" at position i (at least one mantissa digit).
// Only ASCII digits count; the decimal separator is always the full stop, whatever the locale.
Scanned scanNumber(const QString& text, qsizetype i) {
    Scanned result;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::string intPart;
    std::string fracPart;
    while (i < n && isDigit(text[i]))
        intPart.push_back(static_cast<char>(text[i++].unicode()));
    if (i < n && text[i] == u'.') {
        qsizetype j = i + 1;
        while (j < n && isDigit(text[j]))
            fracPart.push_back(static_cast<char>(text[j++].unicode()));
        // A point after digits belongs to the number even without a fraction ("5." is 5).
        if (!intPart.empty() || !fracPart.empty()) i = j;
    }
    if (intPart.empty() && fracPart.empty()) return result;

    std::int64_t exponent = 0;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        bool expNegative = false;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            expNegative = text[j] == u'-';
            ++j;
        }
        if (j < n && isDigit(text[j])) {
            while (j < n && isDigit(text[j])) {
                if (exponent < ExponentCap) exponent = exponent * 10 + (text[j].unicode() - u'0');
                ++j;
            }
            if (expNegative) exponent = -exponent;
            i = j;
        }
    }
    result.end = i;

    std::string chars = intPart.empty() ? std::string("0") : intPart;
    if (!fracPart.empty()) chars += '.' + fracPart;
    chars += 'e' + std::to_string(exponent);
    double value = 0;
    const std::errc ec = std::from_chars(chars.data(), chars.data() + chars.size(), value).ec;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: find which from the decimal magnitude.
        std::int64_t magnitude = 0;
        const auto firstInt = intPart.find_first_not_of('0');
        if (firstInt != std::string::npos) {
            magnitude = static_cast<std::int64_t>(intPart.size() - firstInt);
        } else {
            const auto firstFrac = fracPart.find_first_not_of('0');
            magnitude = -static_cast<std::int64_t>(firstFrac == std::string::npos ? 0 : firstFrac);
        }
        // Overflow: no usable value. Underflow: 0, which from_chars leaves in value.
        if (magnitude + exponent > 0) return result;
    } else if (ec != std::errc()) {
        return result;
    }
    if (!std::isfinite(value)) return result;
    // "-0" reads as plain 0, so it never prints with a sign.
    result.value = (negative && value != 0) ? -value : value;
    return result;
}

} // namespace

std::optional<double> LeadingNumber(const QString& text) {
    return scanNumber(text, skipBlanks(text, 0)).value;
}

double LeadingNumberOrZero(const QString& text) {
    return LeadingNumber(text).value_or(0.0);
}

bool IsNumeric(const QString& text) {
    const Scanned scanned = scanNumber(text, skipBlanks(text, 0));
    if (!scanned.value) return false;
    return skipBlanks(text, scanned.end) == text.size();
}

std::int64_t RoundHalfEven(double value) {
    if (std::isnan(value)) return 0;
    constexpr double Limit = 9223372036854775808.0; // 2^63
    if (value >= Limit) return std::numeric_limits<std::int64_t>::max();
    if (value <= -Limit) return std::numeric_limits<std::int64_t>::min();
    // Independent of the floating-point rounding mode; the difference below is exact. Rounding up
    // stays below 2^63: from 2^52 on every double is whole, so only a smaller value has a fraction.
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) rounded = lower + 1.0;
    return static_cast<std::int64_t>(rounded);
}

std::uint32_t LeadingHex(const QString& text) {
    std::uint32_t value = 0;
    qsizetype i = skipBlanks(text, 0);
    for (int count = 0; count < 8 && i < text.size(); ++count, ++i) {
        const std::optional<std::uint32_t> digit = hexDigitValue(text[i]);
        if (!digit) break;
        value = value * 16 + *digit;
    }
    return value;
}

QString HexText(std::uint32_t value) {
    return QString::number(value, 16).toUpper();
}

QString AddressText(std::uint32_t address) {
    return HexText(address) + u'h';
}

QString SignOrBlank(std::int64_t value) {
    if (value < 0) return QString::number(value);
    return u' ' + QString::number(value);
}

QString ReadingText(std::optional<std::int64_t> value) {
    return value ? QString::number(*value) : QStringLiteral("—");
}

QString SevenDigits(double value) {
    if (!std::isfinite(value)) return QString::number(value);
    if (value == 0) return QStringLiteral("0");

    // Correctly rounded to seven significant digits: "-d.dddddde+XX".
    char buffer[sizeof "-d.dddddde+308"];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 6);
    if (ec != std::errc()) return QString::number(value, 'g', 7);
    const std::string text(buffer, end);
    const bool negative = text.front() == '-';
    const auto ePos = text.find('e');
    std::string digits;
    for (std::size_t k = negative ? 1 : 0; k < ePos; ++k)
        if (text[k] != '.') digits.push_back(text[k]);
    const int exponent = std::stoi(text.substr(ePos + 1));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int count = static_cast<int>(digits.size());

    std::string out = negative ? "-" : "";
    if (exponent >= -7 && exponent < 15) {
        if (exponent >= 0) {
            const int intDigits = exponent + 1;
            out += digits.substr(0, static_cast<std::size_t>(intDigits)); // as many as there are
            out.append(static_cast<std::size_t>(std::max(intDigits - count, 0)), '0');
            if (count > intDigits) out += '.' + digits.substr(static_cast<std::size_t>(intDigits));
        } else {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
    } else {
        // Far outside anything the chip reports: exponent notation instead of a row of zeros.
        out += digits.substr(0, 1);
        if (count > 1) out += '.' + digits.substr(1);
        out += exponent < 0 ? "E-" : "E+";
        const std::string magnitude = std::to_string(std::abs(exponent));
        if (magnitude.size() < 2) out += '0';
        out += magnitude;
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

QString LogTimeText(double seconds) {
    if (!std::isfinite(seconds)) return QString::number(seconds);
    // The largest double has 309 integer digits.
    char buffer[400];
    const auto [end, ec] =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 3);
    if (ec != std::errc()) return QStringLiteral("0");
    std::string text(buffer, end);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.') text.pop_back();
    if (text == "0" || text == "-0" || text.empty()) return QStringLiteral("0");
    if (text.rfind("0.", 0) == 0)
        text.erase(0, 1);
    else if (text.rfind("-0.", 0) == 0)
        text.erase(1, 1);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

namespace {

bool isAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isAsciiHexDigit(QChar c) {
    return isAsciiDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}
bool allOf(QStringView text, bool (*test)(QChar)) {
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), test);
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F, where it puts these characters.
constexpr char16_t Cp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char windows1252Byte(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] != 0 && Cp1252High[i] == u) return static_cast<char>(0x80 + i);
    return c.isSpace() ? ' ' : '?';
}

} // namespace

std::optional<std::int64_t> ParseInteger(const QString& typed) {
    const QString text = typed.trimmed();
    bool ok = false;
    std::int64_t v = 0;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QStringView digits = QStringView(text).mid(2);
        if (!allOf(digits, isAsciiHexDigit)) return std::nullopt;
        v = digits.toLongLong(&ok, 16);
    } else if (text.endsWith(u'h', Qt::CaseInsensitive)) {
        const QStringView digits = QStringView(text).chopped(1);
        if (!allOf(digits, isAsciiHexDigit)) return std::nullopt;
        v = digits.toLongLong(&ok, 16);
    } else {
        const QStringView digits =
            text.startsWith(u'-') || text.startsWith(u'+') ? QStringView(text).mid(1) : QStringView(text);
        if (!allOf(digits, isAsciiDigit)) return std::nullopt;
        v = text.toLongLong(&ok, 10);
    }
    if (!ok) return std::nullopt;
    return v;
}

std::optional<std::int64_t> IntegerIn(const QString& text, std::int64_t low, std::int64_t high) {
    const auto v = ParseInteger(text);
    return v && *v >= low && *v <= high ? v : std::nullopt;
}

QByteArray ToWindows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(windows1252Byte(c));
    return bytes;
}

std::optional<char32_t> FirstNotInWindows1252(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (windows1252Byte(c) != '?' || c == u'?') continue;
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            return QChar::surrogateToUcs4(c, text[i + 1]);
        return c.unicode();
    }
    return std::nullopt;
}

double SpinnerStep(double current, int steps, int min, int max, int increment) {
    const double inc = std::max(increment, 1);
    // A number beyond the range steps from the nearer end of it.
    const double from = std::clamp(current, static_cast<double>(min), static_cast<double>(max));
    double next = from;
    if (steps > 0)
        next = std::floor(from / inc) * inc + steps * inc;
    else if (steps < 0)
        next = std::ceil(from / inc) * inc + steps * inc;
    return std::clamp(next, static_cast<double>(min), static_cast<double>(max));
}

std::optional<std::int32_t> TypedInterval(const QString& text, std::int32_t largest) {
    const std::int64_t value = RoundHalfEven(LeadingNumberOrZero(text));
    if (value < 0 || value > largest) return std::nullopt;
    return static_cast<std::int32_t>(value);
}
