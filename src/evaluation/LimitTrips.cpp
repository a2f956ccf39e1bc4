#include "evaluation/LimitTrips.h"

#include "deviceconfig/ChipConfig.h"
#include "evaluation/BenchRegisters.h"
#include "monitoring/Conversions.h"
#include "session/Session.h"

#include <algorithm>
#include <map>
#include <utility>

namespace {

using namespace BenchRegisters;

// The limits a chip starts with: nothing to trip.
constexpr int NoHighLimit = 127;
constexpr int NoLowLimit = -127;
constexpr int NoMinimumCount = 0xFFFF;
constexpr int NoMaximumCount = 0;
// A heated sensor that has not risen for this long has gone as far as the heater takes it.
constexpr std::int64_t StalledMs = 60000;

// One channel's status bit and mask bit, and how to read it.
struct Channel {
    QString name;
    int statusReg = RegStatus1;
    int maskReg = RegMask1;
    int bit = 0;
    std::function<int()> reading;
};

class Tripper {
public:
    Tripper(BenchAccess& a, const LimitTripOptions& o) : a_(a), o_(o) {}

    struct Look {
        int value = 0;
        bool status = false;
    };

    Look look(const Channel& c, LimitTripRow& row, const QString& phase, double setting) {
        const int value = c.reading();
        const bool status = a_.read(c.statusReg) & c.bit;
        if (row.masked) {
            const bool stillMasked = a_.read(c.maskReg) & c.bit;
            if (status && !stillMasked) row.maskHonoured = false;
        }
        BenchSample s;
        s.phase = phase;
        s.channel = channelNumber(c);
        s.setting = setting;
        (row.unit == QLatin1String("RPM") ? s.rpm : s.temperature) = value;
        s.status = status;
        a_.record(s);
        return {value, status};
    }

    // Watches one crossing until the status bit reaches `wantSet`. `beyond` says whether a reading
    // lies on the limit's bad side; `advance` moves the stimulus on and returns false when it has
    // nowhere further to go; `direction` (+1 or -1) is the way the stimulus moves the reading.
    // Gives whether the crossing was seen.
    bool cross(const Channel& c, LimitTripRow& row, bool wantSet, const std::function<bool(int)>& beyond,
               const std::function<bool(double&)>& advance, int direction, const QString& phase) {
        std::optional<std::int64_t> crossedMs;
        double setting = 0;
        if (!advance(setting)) return false;
        const std::int64_t until = a_.elapsedMs() + o_.timeoutMs;
        bool haveExtreme = false; // the furthest reading since the last step, and when
        int extreme{};
        std::int64_t extremeMs{};
        bool rampEnded = !rampEachSample_;
        for (;;) {
            a_.pause();
            const Look l = look(c, row, phase, setting);
            if (!crossedMs && beyond(l.value) == wantSet) crossedMs = a_.elapsedMs();
            if (l.status == wantSet) {
                // A status that came before its reading was seen across counts as no delay.
                (wantSet ? row.setAt : row.clearedAt) = l.value;
                (wantSet ? row.setDelayMs : row.clearDelayMs) =
                    a_.elapsedMs() - crossedMs.value_or(a_.elapsedMs());
                return true;
            }
            if (!rampEnded) {
                rampEnded = !advance(setting);
                continue;
            }
            // A stimulus that has stopped moving the reading on (no new extreme, beyond the
            // reading's own jitter) has done what it can: take the next step, or give up.
            if (!haveExtreme || (l.value - extreme) * direction >= std::max(1, std::abs(extreme) / 100)) {
                haveExtreme = true;
                extreme = l.value;
                extremeMs = a_.elapsedMs();
            } else if (a_.elapsedMs() - extremeMs >= stallMs_) {
                if (!advance(setting)) return false;
                haveExtreme = false; // the next reading starts the watch again
            }
            if (a_.elapsedMs() >= until) return false;
        }
    }

    std::int64_t stallMs_ = StalledMs;
    // A stimulus moved on a little at every reading (a heater's ramp) rather than held until the
    // reading stops moving (a fan's duty step).
    bool rampEachSample_ = false;

private:
    static int channelNumber(const Channel& c) { return c.name.right(1).toInt(); }
    BenchAccess& a_;
    const LimitTripOptions& o_;
};

QString refusal(BenchAccess& a) {
    const int config1 = a.read(RegConfig1);
    if (!(config1 & Strt)) return QStringLiteral("monitoring is stopped (STRT clear): no reading changes");
    if (config1 & Test) return QStringLiteral("the free-wheel test is running");
    if (config1 & Fspd) return QStringLiteral("every output is forced to full speed (FSPD set)");
    return {};
}

} // namespace

QString LimitKindText(LimitKind kind) {
    switch (kind) {
    case LimitKind::TemperatureHigh:
        return QStringLiteral("high");
    case LimitKind::TemperatureLow:
        return QStringLiteral("low");
    case LimitKind::FanMinimum:
        return QStringLiteral("minimum");
    case LimitKind::FanMaximum:
        return QStringLiteral("maximum");
    }
    return {};
}

LimitTripReport RunLimitTrips(Session& session, const LimitTripOptions& o, RunControl& control) {
    LimitTripReport report;
    BenchAccess a(session, control);
    Tripper tripper(a, o);
    try {
        if (const QString why = refusal(a); !why.isEmpty()) {
            report.outcome = RunOutcome::Refused;
            report.reason = why;
            report.samples = a.samples();
            return report;
        }
        const int mask1 = a.read(RegMask1);
        const int mask2 = a.read(RegMask2);
        const std::int32_t tachClock = session.decl.TachClock > 0 ? session.decl.TachClock : DefaultTachClock;
        std::vector<std::function<void()>> sweeps;
        double done = 0;            // the share of the sweeps behind, where each sweep's progress starts
        std::map<int, int> resting; // heated channel -> its reading before

        for (int ch = 1; ch <= 2; ++ch) {
            const int high = TemperatureFromByte(a.read(RegTempHighLimit1 + 2 * (ch - 1)));
            const int low = TemperatureFromByte(a.read(RegTempLowLimit1 + 2 * (ch - 1)));
            if (high >= NoHighLimit && low <= NoLowLimit) continue;
            Channel c{QStringLiteral("Temp%1").arg(ch), RegStatus1, RegMask1, 1 << (ch - 1),
                      [&a, ch] { return a.temperature(RegTemperature1 + ch - 1); }};
            const bool isHigh = high < NoHighLimit;
            resting[ch] = a.temperature(RegTemperature1 + ch - 1);
            sweeps.push_back([&, c, ch, high, low, isHigh] {
                LimitTripRow row;
                row.channel = c.name;
                row.kind = isHigh ? LimitKind::TemperatureHigh : LimitKind::TemperatureLow;
                row.limit = isHigh ? high : low;
                row.unit = QStringLiteral("°C");
                row.masked = mask1 & c.bit;
                if (row.masked) row.maskHonoured = true;
                // The heater ramps by 1 % a reading: the sensor follows at about a third of a degree
                // a reading, however fast the chip's time runs against the run's, so the bit is
                // seen within a reading of the limit. Heating starts cold; cooling from where it
                // ended.
                int level = 0;
                const auto ramp = [&a, ch, &level](int by) {
                    return [&a, ch, &level, by, started = false](double& setting) mutable {
                        const int next = started ? level + by : level;
                        started = true;
                        if (next < 0 || next > 100) return false;
                        level = next;
                        setting = level;
                        a.setHeater(ch, level);
                        return true;
                    };
                };
                const auto heat = ramp(1);
                const auto cool = ramp(-1);
                tripper.rampEachSample_ = true;
                a.progress(
                    done,
                    QStringLiteral("%1: heating across its %2 limit").arg(c.name, LimitKindText(row.kind)));
                if (isHigh) {
                    // The bit is the channel's, shared by both limits: set at rest (the reading below
                    // the low limit, or already above this one), it cannot show this crossing.
                    const auto above = [high](int t) { return t > high; };
                    if (a.read(RegStatus1) & c.bit)
                        row.note = QStringLiteral("the status is already set at rest: no crossing to see");
                    else if (!tripper.cross(c, row, true, above, heat, 1, QStringLiteral("heating")))
                        row.note =
                            QStringLiteral("the heater did not take the reading above %1 °C").arg(high);
                    else if (!tripper.cross(c, row, false, above, cool, -1, QStringLiteral("cooling")))
                        row.note = QStringLiteral("the status did not clear while cooling");
                } else {
                    // The heaters only warm: a low limit is crossed upwards (clear) and back (set).
                    const auto below = [low](int t) { return t < low; };
                    if (!(a.read(RegStatus1) & c.bit))
                        row.note = QStringLiteral("the resting temperature is above the low limit: a heater "
                                                  "cannot take it below");
                    else if (!tripper.cross(c, row, false, below, heat, 1, QStringLiteral("heating")))
                        row.note = QStringLiteral("the heater did not take the reading up to %1 °C").arg(low);
                    else if (!tripper.cross(c, row, true, below, cool, -1, QStringLiteral("cooling")))
                        row.note = QStringLiteral("the status did not set again while cooling");
                }
                tripper.rampEachSample_ = false;
                a.setHeater(ch, 0);
                report.rows.push_back(row);
            });
        }

        const int notPresent = a.read(RegFansNotPresent);
        const int config2 = a.read(RegConfig2);
        const int gpio = a.read(RegGpioEnable);
        for (int f = 1; f <= 4; ++f) {
            const int minimum =
                TachCount(a.read(RegTachMin1Low + 2 * (f - 1)), a.read(RegTachMin1Low + 2 * (f - 1) + 1));
            const int maximum =
                TachCount(a.read(RegTachMax1Low + 2 * (f - 1)), a.read(RegTachMax1Low + 2 * (f - 1) + 1));
            if (minimum == NoMinimumCount && maximum == NoMaximumCount) continue;
            Channel c{QStringLiteral("Fan%1").arg(f), RegStatus2, RegMask2, 0x10 << (f - 1),
                      [&a, f] { return a.rpm(f); }};
            const bool usable = !(notPresent & (1 << (f - 1))) && !(config2 & (1 << (f - 1))) &&
                                !(gpio & GpioEnableBit(f - 1));
            for (const LimitKind kind : {LimitKind::FanMinimum, LimitKind::FanMaximum}) {
                const bool isMin = kind == LimitKind::FanMinimum;
                if ((isMin ? minimum == NoMinimumCount : maximum == NoMaximumCount)) continue;
                const int count = isMin ? minimum : maximum;
                sweeps.push_back([&, c, f, kind, isMin, count, usable] {
                    LimitTripRow row;
                    row.channel = c.name;
                    row.kind = kind;
                    row.limit = TachToRpm(count, tachClock);
                    row.unit = QStringLiteral("RPM");
                    row.masked = mask2 & c.bit;
                    if (row.masked) row.maskHonoured = true;
                    if (!usable) {
                        row.note =
                            QStringLiteral("not measured: no fan, its tach disabled or its pin a GPIO");
                        report.rows.push_back(row);
                        return;
                    }
                    const int configReg = RegPwmConfig12 + (f - 1) / 2;
                    // Manual control, and no full speed when the fan is judged failing: the
                    // sweep slows it below its minimum on purpose.
                    a.writeBits(configReg, f % 2 == 1 ? 0x82 : 0x41, 0);
                    const int dutyReg = RegCurrentDuty1 + f - 1;
                    // The duty moves in whole-percent steps, each held until the speed has
                    // settled; the way back starts where the way there ended.
                    int duty = isMin ? 100 : 0;
                    const auto stepper = [&a, dutyReg, &duty](int by) {
                        return [&a, dutyReg, &duty, by, started = false](double& setting) mutable {
                            if (started) duty += by;
                            started = true;
                            if (duty < 0 || duty > 100) return false;
                            setting = duty;
                            a.write(dutyReg, static_cast<int>(DutyByteFromPercent(duty)));
                            return true;
                        };
                    };
                    tripper.stallMs_ = o.fanSettleMs; // the fans are swept last
                    a.progress(
                        done,
                        QStringLiteral("%1: sweeping across its %2 limit").arg(c.name, LimitKindText(kind)));
                    const int limit = row.limit;
                    const auto beyond = [limit, isMin](int rpm) { return isMin ? rpm < limit : rpm > limit; };
                    const int towards = isMin ? -1 : 1;
                    if (!tripper.cross(c, row, true, beyond, stepper(towards), towards,
                                       isMin ? QStringLiteral("slowing") : QStringLiteral("speeding up")))
                        row.note = isMin ? QStringLiteral("the status did not set down to 0 %")
                                         : QStringLiteral("the status did not set up to 100 %");
                    else if (!tripper.cross(c, row, false, beyond, stepper(-towards), -towards,
                                            isMin ? QStringLiteral("speeding up")
                                                  : QStringLiteral("slowing")))
                        row.note = isMin ? QStringLiteral("the status did not clear up to 100 %")
                                         : QStringLiteral("the status did not clear down to 0 %");
                    report.rows.push_back(row);
                });
            }
        }
        if (sweeps.empty()) {
            report.reason = QStringLiteral("no channel has a limit set");
        }
        for (std::size_t i = 0; i < sweeps.size(); ++i) {
            done = static_cast<double>(i) / static_cast<double>(sweeps.size());
            a.progress(done, QStringLiteral("Sweeping"));
            sweeps[i]();
            if (!a.restore()) throw RunStopped{RunOutcome::LinkError};
        }
        for (const auto& [ch, rest] : resting) {
            a.progress(0.99, QStringLiteral("Temp%1: cooling down").arg(ch));
            CoolDown(a, RegTemperature1 + ch - 1, rest, 1000, o.timeoutMs);
        }
        a.progress(1.0, QStringLiteral("Done"));
    } catch (const RunStopped& stop) {
        report.outcome = stop.outcome;
    }
    return FinishRun(std::move(report), a);
}
