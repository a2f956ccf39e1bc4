#pragma once

#include "evaluation/BenchRun.h"

#include <QString>

#include <optional>
#include <vector>

class Session;

// Limit trip points: where, and how fast, the interrupt-status bits follow the limits. Every
// channel with a limit set is swept across it and back: temperatures 1 and 2 with the heater
// beside their sensor, fans with their output's duty under manual control. For each crossing the
// run records the reading at which the channel's status bit set and cleared, and how long after
// the reading crossed the limit the bit followed. A masked channel's status bit still follows its
// limit (the mask gates the interrupt, not the status); for it the run records whether the
// interrupt stayed quiet throughout, that is whether the mask held while the status was set.
struct LimitTripOptions {
    std::int64_t timeoutMs = 300000; // per crossing
    // A fan's duty step is held until its speed has made no new extreme for this long.
    std::int64_t fanSettleMs = 1500;
};

enum class LimitKind { TemperatureHigh, TemperatureLow, FanMinimum, FanMaximum };

struct LimitTripRow {
    QString channel; // "Temp1", "Fan3"
    LimitKind kind = LimitKind::TemperatureHigh;
    int limit{};  // °C or RPM
    QString unit; // "°C" or "RPM"
    std::optional<int> setAt;
    std::optional<int> clearedAt;
    std::optional<std::int64_t> setDelayMs;
    std::optional<std::int64_t> clearDelayMs;
    bool masked = false;
    std::optional<bool> maskHonoured; // masked channels only
    QString note;                     // why a crossing was not seen
};

struct LimitTripReport {
    RunOutcome outcome = RunOutcome::Finished;
    QString reason;
    std::vector<LimitTripRow> rows;
    std::vector<BenchSample> samples;
    bool restored = true;
};

LimitTripReport RunLimitTrips(Session& session, const LimitTripOptions& options, RunControl& control);

QString LimitKindText(LimitKind kind);
