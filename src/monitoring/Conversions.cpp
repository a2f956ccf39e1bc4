#include "monitoring/Conversions.h"

#include "base/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
std::int32_t saturateToInt32(double value) {
    if (std::isnan(value)) return 0;
    constexpr double Low = std::numeric_limits<std::int32_t>::min();
    constexpr double High = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, Low, High));
}
} // namespace

int TemperatureFromByte(int byte) {
    const int b = byte & 0xFF;
    return b < 128 ? b : b - 256;
}

int TemperatureToByte(int celsius) {
    const int t = std::clamp(celsius, -128, 127);
    return t < 0 ? t + 256 : t;
}

std::int32_t TachToRpm(std::int32_t count, std::int32_t tachClock) {
    const double countsPerMinute = static_cast<double>(tachClock) * 60.0;
    // A zero count reads as the fastest speed the counter could show, not as "stopped".
    if (count <= 0) return saturateToInt32(countsPerMinute);
    return saturateToInt32(std::floor(countsPerMinute / count));
}

std::int64_t RpmToTachCount(double rpm, std::int32_t tachClock) {
    return RoundHalfEven(static_cast<double>(tachClock) * 60.0 / rpm);
}

int DutyPercentFromByte(int byte) {
    return static_cast<int>(RoundHalfEven(byte * 100.0 / 255.0));
}

std::int64_t DutyByteFromPercent(double percent) {
    return RoundHalfEven(percent * 255.0 / 100.0);
}
