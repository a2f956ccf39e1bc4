#include "evaluation/CurveCheck.h"

#include "deviceconfig/ChipConfig.h"
#include "evaluation/BenchRegisters.h"
#include "fancontrol/AutoControl.h"
#include "session/Session.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <numeric>
#include <utility>

namespace {

using namespace BenchRegisters;

// A run's curve starts this far above the resting temperature, within a heater's easy reach; a
// configured Tmin further than ReachC above it is out of the heater's reach.
constexpr int RunTminAboveRestC = 8;
constexpr int ReachC = 25;
constexpr int SettleWindow = 6; // readings
// A whole-degree reading of a noisy sensor flickers between two values, and a duty on the ramp
// with it by the slope: settled is the mean within half a degree, the duty within that flicker.
constexpr double SettledC = 0.5;
constexpr int SettledDuty = 5;

int zoneRegister(int zone) {
    return zone == 0 ? RegMaxTemperature : RegTemperature1 + zone - 1;
}

} // namespace

PredictedDuty PredictDuty(int temperature, int tmin, double pwmMin, double pwmMax) {
    if (temperature >= tmin)
        return {std::min(pwmMin + static_cast<double>(CurveSlope) * (temperature - tmin), pwmMax), {}};
    if (temperature >= tmin - static_cast<int>(SwitchOffBand)) return {0.0, pwmMin};
    return {0.0, {}};
}

void JudgeCurve(CurveCheckResult& r) {
    std::vector<std::pair<double, double>> ramp;
    bool reachedTmin = false;
    for (CurvePointMeasured& p : r.points) {
        const PredictedDuty d = PredictDuty(p.temperature, r.tmin, r.pwmMin, r.pwmMax);
        p.predicted = d.duty;
        p.deviation = p.duty - d.duty;
        if (d.alternative && std::abs(p.duty - *d.alternative) < std::abs(p.deviation)) {
            p.predicted = *d.alternative;
            p.deviation = p.duty - *d.alternative;
        }
        r.maxDeviation = std::max(r.maxDeviation, std::abs(p.deviation));
        // One point of rounding either side of the ends: the duty reads in whole percent.
        if (p.duty > r.pwmMin + 1 && p.duty < r.pwmMax - 1) ramp.emplace_back(p.temperature, p.duty);
        if (p.temperature >= r.tmin || p.duty > r.pwmMin + 1) reachedTmin = true;
    }
    std::sort(ramp.begin(), ramp.end());
    ramp.erase(std::unique(ramp.begin(), ramp.end()), ramp.end());
    const bool twoTemperatures = !ramp.empty() && ramp.front().first != ramp.back().first;
    if (twoTemperatures) {
        const double n = static_cast<double>(ramp.size());
        double st = 0, sd = 0, stt = 0, std_ = 0;
        for (const auto& [t, d] : ramp) {
            st += t;
            sd += d;
            stt += t * t;
            std_ += t * d;
        }
        const double slope = (n * std_ - st * sd) / (n * stt - st * st);
        const double intercept = (sd - slope * st) / n;
        r.measuredSlope = slope;
        if (slope > 0) r.measuredLeaveTemperature = (r.pwmMin - intercept) / slope;
    } else if (ramp.size() == 1) {
        r.measuredLeaveTemperature = ramp[0].first - (ramp[0].second - r.pwmMin) / r.configuredSlope;
        r.notes << QStringLiteral("one point on the ramp: the slope is not measured");
    }
    if (!reachedTmin)
        r.notes << QStringLiteral("the temperature never reached Tmin: the curve is not checked");
    r.passed = reachedTmin && r.maxDeviation <= r.tolerance;
}

namespace {

class Checker {
public:
    Checker(BenchAccess& a, const CurveCheckOptions& o, CurveCheckResult& r) : a_(a), o_(o), r_(r) {}

    void sample(const QString& phase, double level, int t, int duty) {
        BenchSample s;
        s.phase = phase;
        s.channel = r_.output;
        s.setting = level;
        s.temperature = t;
        s.duty = duty;
        a_.record(s);
    }

    // Holds the heater level until the zone temperature and the duty have settled: the mean of
    // the newer half of the last readings near the older half's, and the duty steady over the
    // newer half.
    void settle(int level, const QString& phase) {
        std::deque<std::pair<int, int>> last;
        const std::int64_t until = a_.elapsedMs() + o_.settleTimeoutMs;
        for (;;) {
            a_.pauseMs(o_.readEveryMs);
            const int t = a_.temperature(zoneRegister(r_.zone));
            const int duty = a_.dutyPercent(r_.output);
            sample(phase, level, t, duty);
            last.emplace_back(t, duty);
            if (last.size() > SettleWindow) last.pop_front();
            if (last.size() == SettleWindow) {
                double older = 0, newer = 0;
                for (std::size_t i = 0; i < SettleWindow; ++i)
                    (i < SettleWindow / 2 ? older : newer) += last[i].first;
                const auto [lo, hi] =
                    std::minmax_element(last.begin() + SettleWindow / 2, last.end(),
                                        [](const auto& a, const auto& b) { return a.second < b.second; });
                if (std::abs(newer - older) / (SettleWindow / 2.0) <= SettledC &&
                    hi->second - lo->second <= SettledDuty)
                    return;
            }
            if (a_.elapsedMs() >= until) {
                r_.notes << QStringLiteral("heater %1 %: the temperature did not settle within %2 s")
                                .arg(level)
                                .arg(static_cast<double>(o_.settleTimeoutMs) / 1000.0);
                return;
            }
        }
    }

    // Pairs of readings; a pair counts only when the temperature read the same before and after
    // the duty, so that a reading changing between the two is not paired with the wrong duty.
    void measure(int level) {
        for (int i = 0; i < 3; ++i) {
            const int before = a_.temperature(zoneRegister(r_.zone));
            const int duty = a_.dutyPercent(r_.output);
            const int after = a_.temperature(zoneRegister(r_.zone));
            sample(QStringLiteral("measured"), level, after, duty);
            if (before == after)
                r_.points.push_back({.temperature = after, .duty = duty}); // judged at the end
            a_.pauseMs(o_.readEveryMs / 2);
        }
    }

private:
    BenchAccess& a_;
    const CurveCheckOptions& o_;
    CurveCheckResult& r_;
};

QString refusal(BenchAccess& a, const CurveCheckOptions& o) {
    if (o.output < 1 || o.output > 4) return QStringLiteral("there is no PWM output %1").arg(o.output);
    if (o.heater < 1 || o.heater > 2) return QStringLiteral("there is no heater %1 (1 or 2)").arg(o.heater);
    const int config1 = a.read(RegConfig1);
    if (!(config1 & Strt) || (a.read(RegConfig2) & Shdn))
        return QStringLiteral("monitoring is stopped: no temperature is measured");
    if (config1 & Test) return QStringLiteral("the free-wheel test is running");
    if (config1 & Fspd) return QStringLiteral("every output is forced to full speed (FSPD set)");
    if (a.read(RegGpioEnable) & GpioEnableBit(o.output - 1))
        return QStringLiteral("PWM output %1 is used as a GPIO pin").arg(o.output);
    return {};
}

} // namespace

CurveCheckReport RunCurveCheck(Session& session, const CurveCheckOptions& o, RunControl& control) {
    CurveCheckReport report;
    CurveCheckResult& r = report.result;
    r.output = o.output;
    r.heater = o.heater;
    r.tolerance = o.tolerance;
    r.configuredSlope = CurveSlope;
    BenchAccess a(session, control);
    Checker checker(a, o, r);
    try {
        if (const QString why = refusal(a, o); !why.isEmpty()) {
            report.outcome = RunOutcome::Refused;
            report.reason = why;
            report.samples = a.samples();
            return report;
        }
        const int n = o.output;
        const int configReg = RegPwmConfig12 + (n - 1) / 2;
        const int bhv = n % 2 == 1 ? 0x80 : 0x40;
        const int zoneReg = RegZoneSelect12 + (n - 1) / 2;
        const int zoneShift = n % 2 == 1 ? 4 : 0;
        const bool automatic = a.read(configReg) & bhv;
        r.zone = (a.read(zoneReg) >> zoneShift) & 0x0F;
        r.tmin = a.read(RegTmin1 + n - 1);
        r.pwmMin = DutyFromRegister(a.read(RegMinDuty1 + n - 1));
        r.pwmMax = DutyFromRegister(a.read(RegMaxDuty1 + n - 1));
        a.setHeater(o.heater, 0);
        r.restingTemperature = a.temperature(RegTemperature1 + o.heater - 1);

        const bool heaterZone = r.zone == o.heater || r.zone == 0;
        const bool inReach = r.tmin >= r.restingTemperature && r.tmin <= r.restingTemperature + ReachC;
        if (!automatic || !heaterZone || !inReach) {
            r.setForRun = true;
            r.zone = o.heater;
            r.tmin = r.restingTemperature + RunTminAboveRestC;
            a.write(RegTmin1 + n - 1, r.tmin);
            a.writeBits(zoneReg, 0x0F << zoneShift, o.heater << zoneShift);
            a.writeBits(configReg, bhv, bhv);
            r.notes << QStringLiteral("set for the run: automatic, zone Temp%1, Tmin %2 °C (was %3)")
                           .arg(o.heater)
                           .arg(r.tmin)
                           .arg(!automatic    ? QStringLiteral("under manual control")
                                : !heaterZone ? QStringLiteral("zone %1").arg(ZoneName(r.zone))
                                              : QStringLiteral("Tmin out of the heater's reach"));
        }
        const int steps = 100 / std::max(o.heaterStep, 1);
        for (int i = 0; i <= steps; ++i) {
            const int level = i * o.heaterStep; // whole steps up to 100 %, never past it
            a.progress(0.9 * i / (steps + 1), QStringLiteral("Heater %1 at %2 %").arg(o.heater).arg(level));
            a.setHeater(o.heater, level);
            checker.settle(level, QStringLiteral("heater %1 %").arg(level));
            checker.measure(level);
        }
        JudgeCurve(r);
        a.progress(0.9, QStringLiteral("Cooling down"));
        if (!a.restore()) throw RunStopped{RunOutcome::LinkError};
        // The sensor cools with the same lag it warmed with.
        CoolDown(a, RegTemperature1 + o.heater - 1, r.restingTemperature, o.readEveryMs, o.settleTimeoutMs,
                 [&](int t) { checker.sample(QStringLiteral("cooling"), 0, t, a.dutyPercent(n)); });
        a.progress(1.0, QStringLiteral("Done"));
    } catch (const RunStopped& stop) {
        report.outcome = stop.outcome;
    }
    return FinishRun(std::move(report), a);
}
