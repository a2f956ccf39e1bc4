#pragma once

#include "evaluation/BenchRun.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

class Session;

// Fan calibration: what each fan on a PWM output needs. The output is taken under manual control;
// from full speed the duty steps down until the fan stops, then up from stopped until it starts,
// and both thresholds are refined to 1 % by bisection. Every duty is held until the speed has
// settled (the last three readings within 2 %), or until a timeout that is reported.
struct FanCalibrationOptions {
    std::vector<int> outputs{1};   // 1..4
    int stepPercent = 10;          // the coarse sweep's step, 1..50
    std::optional<int> nominalRpm; // the fans' stated full speed, for the pulses check
    std::int64_t settleTimeoutMs = 15000;
};

struct FanCalibrationResult {
    int output{};
    int configuredPulses = 2;                     // per revolution, as the chip is set
    int fullRpm{};                                // at 100 %
    std::optional<int> stopDuty;                  // lowest duty that keeps a turning fan turning
    std::optional<int> startDuty;                 // lowest duty that starts a stopped fan
    bool stopsAtZero = true;                      // false: the fan still turns at 0 %
    std::vector<std::pair<int, int>> speedAtDuty; // (duty %, RPM) at every 10 % step
    QStringList warnings;                         // timeouts, a suspicious pulses setting, a frozen reading
};

struct FanCalibrationReport {
    RunOutcome outcome = RunOutcome::Finished;
    QString reason; // why it was refused
    std::vector<FanCalibrationResult> results;
    std::vector<BenchSample> samples;
    bool restored = true;
};

FanCalibrationReport RunFanCalibration(Session& session, const FanCalibrationOptions& options,
                                       RunControl& control);

// The pulses check: a full speed about twice or half what the other outputs reach (or the stated
// nominal) suggests a wrong pulses-per-revolution setting. Empty when nothing looks wrong.
QString PulsesWarning(int fullRpm, int configuredPulses, int reference, const QString& against);
