#pragma once

#include <QString>

#include <cstdint>

class Session;

// The polling options as the user types them: the software options window and the data logging
// window's interval box.

// The largest interval each variable holds: GraphInterval is 16-bit, the others 32-bit.
inline constexpr std::int32_t LargestInterval = 2147483647;
inline constexpr std::int32_t LargestGraphInterval = 32767;

// The labels of the interval boxes; a refusal names its box by them.
inline const QString ReadIntervalLabel = QStringLiteral("Reading Interval (ms)");
inline const QString GraphIntervalLabel = QStringLiteral("Graphing Interval (ms)");
inline const QString LogIntervalLabel = QStringLiteral("Logging Interval (ms)");
inline const QString LoggingWindowIntervalLabel = QStringLiteral("Interval (ms)");

// "Graphing Interval (ms) must be a number from 0 to 32767." for a typed interval its variable
// cannot hold (a wrapped value would turn 40000 into an interval of -25536 ms).
QString IntervalRefusal(const QString& boxLabel, std::int32_t largest);

struct TypedSoftwareOptions {
    bool ReadingEnabled = true;
    QString ReadInterval;
    QString LogInterval;
    QString GraphInterval;
};

// Stores the options in the order ReadingEnabled, ReadInterval, LogInterval, GraphInterval; each
// interval is its box's leading number rounded, 0 for text without one. When a box holds a value
// its variable cannot hold, nothing is stored and the refusal naming the first such box is shown.
// The polling cycle reads the options on every tick, so they take effect at once, a running log
// included.
bool ApplySoftwareOptions(Session& s, const TypedSoftwareOptions& typed);
