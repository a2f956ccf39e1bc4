#include "evaluation/FanCalibration.h"

#include "deviceconfig/ChipConfig.h"
#include "evaluation/BenchRegisters.h"
#include "monitoring/Conversions.h"
#include "session/Session.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <set>
#include <utility>

namespace {

using namespace BenchRegisters;

constexpr double SettleRelative = 0.02;
constexpr std::int64_t RestMs = 3000;
// How long the drive is taken off to see whether a reading that does not move is held.
constexpr int HeldProbeReadings = 4;

int pwmConfigRegister(int output) {
    return RegPwmConfig12 + (output - 1) / 2;
}
// BHV (automatic) and FL (full speed when the fan fails) of an output in its PWM config register.
int automaticBit(int output) {
    return output % 2 == 1 ? 0x80 : 0x40;
}
int fanFailBit(int output) {
    return output % 2 == 1 ? 0x02 : 0x01;
}

QString refusal(BenchAccess& a, int output) {
    const int config1 = a.read(RegConfig1);
    if (!(config1 & Strt)) return QStringLiteral("monitoring is stopped (STRT clear): no speed is measured");
    if (config1 & Test) return QStringLiteral("the free-wheel test is running");
    if (config1 & Fspd) return QStringLiteral("every output is forced to full speed (FSPD set)");
    if (a.read(RegConfig2) & (1 << (output - 1)))
        return QStringLiteral("fan %1's tach is disabled (T%1DIS set)").arg(output);
    if (a.read(RegGpioEnable) & GpioEnableBit(output - 1))
        return QStringLiteral("PWM output %1 is used as a GPIO pin").arg(output);
    return {};
}

class Calibrator {
public:
    Calibrator(BenchAccess& a, const FanCalibrationOptions& o, int output, double base, double share)
        : a_(a), o_(o), n_(output), base_(base), share_(share) {}

    FanCalibrationResult run() {
        r_.output = n_;
        r_.configuredPulses = ((a_.read(RegPulsesPerRev) >> (2 * (n_ - 1))) & 0x03) + 1;
        // Under manual control, and without the chip's full-speed answer to a failing fan: the
        // calibration stops the fan on purpose.
        a_.writeBits(pwmConfigRegister(n_), automaticBit(n_) | fanFailBit(n_), 0);

        step(0.0, QStringLiteral("full speed"));
        r_.fullRpm = measure(100, QStringLiteral("full speed"));
        if (r_.fullRpm == 0) { // it stands at every duty: no start or stop duty to find
            r_.warnings << QStringLiteral(
                "the fan does not turn at 100 %: no fan, a seized fan or no tach signal");
            return r_;
        }
        step(0.1, QStringLiteral("stepping down"));
        std::set<int, std::greater<>> duties;
        for (int d = 100 - o_.stepPercent; d > 0; d -= o_.stepPercent)
            duties.insert(d);
        for (int d = 90; d > 0; d -= 10)
            duties.insert(d);
        duties.insert(0);
        r_.speedAtDuty.emplace_back(100, r_.fullRpm);
        int running = 100;
        std::optional<int> stoppedAt;
        for (int d : duties) {
            if (stoppedAt) {
                // Below a duty at which it stopped, a stopped fan stays stopped.
                if (d % 10 == 0) r_.speedAtDuty.emplace_back(d, 0);
                continue;
            }
            const int rpm = measure(d, QStringLiteral("stepping down"));
            if (d % 10 == 0) r_.speedAtDuty.emplace_back(d, rpm);
            if (rpm == 0)
                stoppedAt = d;
            else
                running = d;
        }
        if (!stoppedAt) {
            r_.stopsAtZero = false;
            r_.warnings << QStringLiteral("does not stop at 0 %");
            return r_;
        }

        step(0.45, QStringLiteral("stop duty"));
        int stops = *stoppedAt;
        int runs = running;
        while (runs - stops > 1) {
            const int mid = (runs + stops) / 2;
            measure(100, QStringLiteral("stop duty: spinning up"));
            if (measure(mid, QStringLiteral("stop duty")) > 0)
                runs = mid;
            else
                stops = mid;
        }
        r_.stopDuty = runs;

        step(0.65, QStringLiteral("stepping up"));
        stop(QStringLiteral("stepping up: stopping"));
        std::optional<int> startedAt;
        int stays = 0;
        for (int d = o_.stepPercent; !startedAt; d += o_.stepPercent) {
            d = std::min(d, 100);
            if (measure(d, QStringLiteral("stepping up")) > 0)
                startedAt = d;
            else
                stays = d;
            if (d == 100) break;
        }
        if (!startedAt) {
            r_.warnings << QStringLiteral("the stopped fan did not start even at 100 %");
            return r_;
        }
        step(0.8, QStringLiteral("start duty"));
        int starts = *startedAt;
        while (starts - stays > 1) {
            const int mid = (starts + stays) / 2;
            stop(QStringLiteral("start duty: stopping"));
            if (measure(mid, QStringLiteral("start duty")) > 0)
                starts = mid;
            else
                stays = mid;
        }
        r_.startDuty = starts;
        return r_;
    }

private:
    void step(double fraction, const QString& what) {
        a_.progress(base_ + share_ * fraction, QStringLiteral("Output %1: %2").arg(n_).arg(what));
    }

    // The tach reads "stopped" while the rotor still turns too slowly for an edge in the counter's
    // window; given a start probe then, it would carry on turning and the start duty would come
    // out low. So the fan is given time to come to rest as well.
    void stop(const QString& phase) {
        measure(0, phase);
        a_.pauseMs(RestMs);
    }

    void setDuty(int duty) {
        a_.write(RegCurrentDuty1 + n_ - 1, static_cast<int>(DutyByteFromPercent(duty)));
    }

    void record(const QString& phase, int duty, int rpm) {
        BenchSample sample;
        sample.phase = phase;
        sample.channel = n_;
        sample.setting = duty;
        sample.rpm = rpm;
        a_.record(sample);
    }

    // Some chips update the tach counter only when a measurement completes, so a fan that stops
    // goes on reading the speed it last had. A turning fan's count moves by a count or more from
    // reading to reading, and falls away as soon as its drive goes; a held count does neither. So
    // a reading that has not moved at all is put to the test: the drive is taken off for a moment,
    // and if the count still does not move, the fan stands and the reading is only its last.
    bool held(int count, const QString& phase) {
        setDuty(0);
        for (int i = 0; i < HeldProbeReadings; ++i) {
            a_.pause();
            const int now = a_.tachCount(n_);
            record(phase + QStringLiteral(": is the reading held?"), 0, a_.rpmFromCount(now));
            if (now != count) return false;
        }
        // Said once: each stop leaves a count of its own.
        if (!heldSeen_)
            r_.warnings << QStringLiteral(
                               "the tach reading held at %1 RPM while the fan stood: taken as stopped")
                               .arg(a_.rpmFromCount(count));
        heldSeen_ = true;
        return true;
    }

    int measure(int duty, const QString& phase) {
        setDuty(duty);
        std::deque<int> counts;
        const Settled s = WaitSettled(
            a_,
            [&] {
                counts.push_back(a_.tachCount(n_));
                if (counts.size() > 3) counts.pop_front();
                return a_.rpmFromCount(counts.back());
            },
            SettleRelative, o_.settleTimeoutMs, [&](int rpm) { record(phase, duty, rpm); });
        if (!s.settled) {
            const QString w = QStringLiteral("the speed did not settle within %1 s at %2 %")
                                  .arg(static_cast<double>(o_.settleTimeoutMs) / 1000.0)
                                  .arg(duty);
            if (!r_.warnings.contains(w)) r_.warnings << w;
        }
        if (s.value > 0 && s.settled &&
            std::all_of(counts.begin(), counts.end(), [&](int c) { return c == counts.back(); }) &&
            held(counts.back(), phase))
            return 0;
        return s.value;
    }

    BenchAccess& a_;
    const FanCalibrationOptions& o_;
    int n_;
    double base_;
    double share_;
    FanCalibrationResult r_;
    bool heldSeen_ = false;
};

} // namespace

QString PulsesWarning(int fullRpm, int configuredPulses, int reference, const QString& against) {
    if (fullRpm <= 0 || reference <= 0) return {};
    const double ratio = static_cast<double>(fullRpm) / reference;
    // Fans of one kind differ by far less than a factor of 1.5; a reading twice or half as fast
    // is the counter taking the wrong number of edges for a revolution.
    if (ratio >= 1.5 && configuredPulses < 4) {
        const int doubled = std::min(configuredPulses * 2, 4);
        return QStringLiteral("full speed %1 RPM is about twice %2 RPM (%3): check the pulses per revolution "
                              "(set to %4; %5 would read %6 RPM)")
            .arg(fullRpm)
            .arg(reference)
            .arg(against)
            .arg(configuredPulses)
            .arg(doubled)
            .arg(fullRpm * configuredPulses / doubled);
    }
    if (ratio <= 1 / 1.5 && configuredPulses > 1) {
        const int halved = std::max(configuredPulses / 2, 1);
        return QStringLiteral("full speed %1 RPM is about half %2 RPM (%3): check the pulses per revolution "
                              "(set to %4; %5 would read %6 RPM)")
            .arg(fullRpm)
            .arg(reference)
            .arg(against)
            .arg(configuredPulses)
            .arg(halved)
            .arg(fullRpm * configuredPulses / halved);
    }
    return {};
}

FanCalibrationReport RunFanCalibration(Session& session, const FanCalibrationOptions& options,
                                       RunControl& control) {
    FanCalibrationReport report;
    BenchAccess access(session, control);
    try {
        for (int n : options.outputs) {
            if (n < 1 || n > 4) throw RunStopped{RunOutcome::Refused};
            if (const QString why = refusal(access, n); !why.isEmpty()) {
                report.outcome = RunOutcome::Refused;
                report.reason = why;
                return FinishRun(std::move(report), access);
            }
        }
        const double share = 1.0 / static_cast<double>(std::max<std::size_t>(options.outputs.size(), 1));
        double base = 0;
        for (int n : options.outputs) {
            report.results.push_back(Calibrator(access, options, n, base, share).run());
            base += share;
            // Each fan goes back to what it was doing before the next one is measured, so that
            // two fans are never both held for the calibration.
            if (!access.restore()) throw RunStopped{RunOutcome::LinkError};
        }
        for (FanCalibrationResult& r : report.results) {
            QString w;
            if (options.nominalRpm) {
                w = PulsesWarning(r.fullRpm, r.configuredPulses, *options.nominalRpm,
                                  QStringLiteral("the stated nominal"));
            } else {
                // Against the output whose fan reads nearest its speed: only a fan that reads about
                // twice or half every other one is suspected, not the others beside it. A fan reading 0
                // is never nearest a turning one (its ratio's log is infinite); PulsesWarning weighs no 0.
                std::optional<int> nearest;
                for (const FanCalibrationResult& o : report.results)
                    if (o.output != r.output &&
                        (!nearest || std::abs(std::log(double(o.fullRpm) / r.fullRpm)) <
                                         std::abs(std::log(double(*nearest) / r.fullRpm))))
                        nearest = o.fullRpm;
                if (nearest)
                    w = PulsesWarning(r.fullRpm, r.configuredPulses, *nearest,
                                      QStringLiteral("the other outputs"));
            }
            if (!w.isEmpty()) r.warnings << w;
        }
        access.progress(1.0, QStringLiteral("Done"));
    } catch (const RunStopped& stop) {
        report.outcome = stop.outcome;
        if (stop.outcome == RunOutcome::Refused) report.reason = QStringLiteral("no such output");
    }
    return FinishRun(std::move(report), access);
}
