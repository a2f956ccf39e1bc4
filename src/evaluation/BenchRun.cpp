#include "evaluation/BenchRun.h"

#include "base/Clock.h"
#include "evaluation/BenchRegisters.h"
#include "monitoring/Conversions.h"
#include "session/Session.h"

#include <algorithm>
#include <deque>

namespace {
using namespace BenchRegisters;
constexpr int NoTachEdge = 0xFFFF;
} // namespace

QString RunOutcomeText(RunOutcome outcome) {
    switch (outcome) {
    case RunOutcome::Finished:
        return QStringLiteral("finished");
    case RunOutcome::Cancelled:
        return QStringLiteral("cancelled");
    case RunOutcome::Refused:
        return QStringLiteral("refused");
    case RunOutcome::LinkError:
        return QStringLiteral("link error");
    }
    return {};
}

BenchAccess::BenchAccess(Session& session, RunControl& control)
    : s_(session), control_(control), startMs_(session.clock.nowMs()) {}

BenchAccess::~BenchAccess() {
    try {
        restore();
    } catch (...) {
        // A link that ended while restoring has said so through its own message already.
    }
}

void BenchAccess::checkLink() {
    if (s_.usb.linkHeld()) throw RunStopped{RunOutcome::LinkError};
}

int BenchAccess::read(int reg) {
    checkLink();
    const int v = s_.usb.ReadRegister(s_.usb.DeviceAddress, reg);
    checkLink();
    return v;
}

void BenchAccess::write(int reg, int value) {
    checkLink();
    if (!saved_.count(reg)) {
        saved_[reg] = read(reg);
        order_.push_back(reg);
    }
    restored_ = false;
    s_.usb.WriteRegister(s_.usb.DeviceAddress, reg, value);
    checkLink();
}

void BenchAccess::writeBits(int reg, int mask, int bits) {
    const int now = read(reg);
    write(reg, (now & ~mask) | (bits & mask));
}

void BenchAccess::setHeater(int heater, int level) {
    checkLink();
    if (!savedHeaters_.count(heater)) {
        s_.usb.ReadHeaterLevels();
        checkLink();
        // The board reports twice the level; a board counting in half steps reports one less.
        savedHeaters_[heater] = (s_.usb.TransferBuffer[static_cast<std::size_t>(heater - 1)] + 1) / 2;
        order_.push_back(-heater);
    }
    restored_ = false;
    s_.usb.SetHeater(heater, level);
    checkLink();
}

bool BenchAccess::restore() {
    if (restored_) return true;
    restored_ = true;
    for (auto it = order_.rbegin(); it != order_.rend(); ++it) {
        if (s_.usb.linkHeld()) return false;
        if (*it < 0)
            s_.usb.SetHeater(-*it, savedHeaters_[-*it]);
        else
            s_.usb.WriteRegister(s_.usb.DeviceAddress, *it, saved_[*it]);
    }
    return !s_.usb.linkHeld();
}

int BenchAccess::tachCount(int fan) {
    const int low = read(RegTach1Low + 2 * (fan - 1));
    const int high = read(RegTach1Low + 2 * (fan - 1) + 1);
    return TachCount(low, high);
}

int BenchAccess::rpmFromCount(int count) const {
    if (count >= NoTachEdge) return 0;
    return TachToRpm(count, s_.decl.TachClock > 0 ? s_.decl.TachClock : DefaultTachClock);
}

int BenchAccess::temperature(int reg) {
    return TemperatureFromByte(read(reg));
}

int BenchAccess::dutyPercent(int output) {
    return DutyPercentFromByte(read(RegCurrentDuty1 + output - 1));
}

void BenchAccess::pause() {
    pauseMs(control_.sampleMs);
}

void BenchAccess::pauseMs(std::int64_t ms) {
    if (control_.cancelled && control_.cancelled()) throw RunStopped{RunOutcome::Cancelled};
    s_.clock.sleepMs(ms);
    if (control_.cancelled && control_.cancelled()) throw RunStopped{RunOutcome::Cancelled};
}

std::int64_t BenchAccess::elapsedMs() const {
    return s_.clock.nowMs() - startMs_;
}

void BenchAccess::record(BenchSample sample) {
    sample.ms = elapsedMs();
    sample.wall = control_.now ? control_.now() : QDateTime::currentDateTime();
    samples_.push_back(sample);
    if (control_.sample) control_.sample(samples_.back());
}

void BenchAccess::progress(double fraction, const QString& what) {
    if (control_.progress) control_.progress(std::clamp(fraction, 0.0, 1.0), what);
}

Settled WaitSettled(BenchAccess& access, const std::function<int()>& read, double relative,
                    std::int64_t timeoutMs, const std::function<void(int)>& onReading) {
    std::deque<int> last;
    const std::int64_t until = access.elapsedMs() + timeoutMs;
    for (;;) {
        access.pause();
        const int v = read();
        if (onReading) onReading(v);
        last.push_back(v);
        if (last.size() > 3) last.pop_front();
        if (last.size() == 3) {
            const auto [lo, hi] = std::minmax_element(last.begin(), last.end());
            if (*hi - *lo <= relative * std::max(std::abs(*hi), 1)) return {v, true};
        }
        if (access.elapsedMs() >= until) return {v, false};
    }
}

void CoolDown(BenchAccess& access, int reg, int restingReading, std::int64_t everyMs, std::int64_t timeoutMs,
              const std::function<void(int)>& onReading) {
    const std::int64_t until = access.elapsedMs() + timeoutMs;
    try {
        while (access.elapsedMs() < until) {
            access.pauseMs(everyMs);
            const int t = access.temperature(reg);
            if (onReading) onReading(t);
            if (t <= restingReading) return;
        }
    } catch (const RunStopped& stop) {
        if (stop.outcome != RunOutcome::Cancelled) throw;
    }
}
