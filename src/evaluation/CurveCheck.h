#pragma once

#include "evaluation/BenchRun.h"

#include <QString>

#include <optional>
#include <vector>

class Session;

// Curve check: does the chip's automatic loop follow the curve its registers describe? A heater
// beside temperature sensor 1 or 2 is driven in steps; at each step, once the temperature and
// the duty have settled, temperature and duty are read in pairs. The measured points are laid
// over the curve the automatic control window predicts from the registers.
//
// An output whose zone is not the heater's sensor (or the hottest sensor), or whose Tmin lies
// beyond what the heater can reach from the resting temperature, cannot show its curve on the
// bench: for the run it is put under automatic control of the heater's sensor with its Tmin a
// few degrees above the resting temperature, its PWMmin and PWMmax as they are; the report says
// so. Everything is put back afterwards.
struct CurveCheckOptions {
    int output = 1;
    int heater = 1;
    double tolerance = 3.0; // percentage points
    int heaterStep = 10;    // percent
    std::int64_t readEveryMs = 1000;
    std::int64_t settleTimeoutMs = 300000; // per heater step
};

struct CurvePointMeasured {
    int temperature{};
    int duty{};
    double predicted{};
    double deviation{}; // points, measured minus predicted (the nearer branch in the band)
};

struct CurveCheckResult {
    int output{};
    int heater{};
    int zone{}; // 0 the hottest sensor, 1..10 a sensor
    bool setForRun = false;
    int tmin{};
    double pwmMin{};
    double pwmMax{};
    double configuredSlope{}; // % per °C
    int restingTemperature{};
    std::vector<CurvePointMeasured> points;
    double maxDeviation{};
    std::optional<double> measuredLeaveTemperature; // where the output leaves PWMmin
    std::optional<double> measuredSlope;
    double tolerance = 3.0;
    bool passed = false;
    QStringList notes;
};

struct CurveCheckReport {
    RunOutcome outcome = RunOutcome::Finished;
    QString reason;
    CurveCheckResult result;
    std::vector<BenchSample> samples;
    bool restored = true;
};

CurveCheckReport RunCurveCheck(Session& session, const CurveCheckOptions& options, RunControl& control);

// The duty the registers predict at a temperature while it rises (off below Tmin, then PWMmin
// rising at the slope to PWMmax); within the switch-off band below Tmin both off and PWMmin are
// right, depending on where the temperature came from, so both are given.
struct PredictedDuty {
    double duty{};
    std::optional<double> alternative;
};
PredictedDuty PredictDuty(int temperature, int tmin, double pwmMin, double pwmMax);

// Judges the measured points of a result not judged before: deviations, the leave temperature and
// slope from a straight-line fit of the points on the ramp, and pass/fail against the tolerance.
void JudgeCurve(CurveCheckResult& result);
