#include "monitoring/PollingCycle.h"

#include "monitoring/DataLog.h"
#include "monitoring/GeneralStuff.h"
#include "monitoring/LoggingControl.h"
#include "session/Session.h"

#include <algorithm>
#include <utility>

namespace {
std::size_t slot(PollTask task) {
    return static_cast<std::size_t>(task);
}
} // namespace

PollingCycle::PollingCycle(Session& session) : s_(session) {}

void PollingCycle::setRefresh(PollTask task, std::function<void()> action) {
    refresh_[slot(task)] = std::move(action);
}

void PollingCycle::clearRefresh(PollTask task) {
    refresh_[slot(task)] = nullptr;
}

void PollingCycle::setContinuousReadTicked(std::function<bool()> ticked) {
    continuousReadTicked_ = std::move(ticked);
}

bool PollingCycle::continuousReadOn() const {
    return continuousReadTicked_ && continuousReadTicked_();
}

bool PollingCycle::condition(PollTask task) const {
    const Declarations& d = s_.decl;
    switch (task) {
    case PollTask::Read:
        return s_.options.ReadingEnabled;
    case PollTask::RegisterMap:
        return d.RegisterMapOpen;
    case PollTask::Limits:
        return d.LimitsOpen;
    case PollTask::BoardInfo:
        return d.BoardInfoOpen;
    case PollTask::Gpio:
        return d.GpioOpen;
    case PollTask::FanConfig:
        return d.FanConfigOpen;
    case PollTask::Graph:
        return d.GraphOpen;
    case PollTask::Heaters:
        return d.HeatersOpen;
    case PollTask::Manual:
        return d.ManualOpen;
    case PollTask::AutoControl:
        return d.AutoControlOpen;
    case PollTask::Logging:
        return d.LoggingActive;
    case PollTask::Alarms:
        return s_.options.ReadingEnabled && s_.alarmOptions.watch && refresh_[slot(PollTask::Alarms)];
    }
    return false;
}

std::int64_t PollingCycle::interval(PollTask task) const {
    switch (task) {
    case PollTask::Read:
        return s_.options.ReadInterval;
    case PollTask::Graph:
        return s_.options.GraphInterval;
    case PollTask::Logging:
        return s_.options.LogInterval;
    default:
        return 1000;
    }
}

bool PollingCycle::run(PollTask task) {
    const auto& action = refresh_[slot(task)];
    switch (task) {
    case PollTask::Read:
        ReadMeasurements(s_, ReadGroup + 1);
        ReadGroup = (ReadGroup + 1) % 3;
        return true;
    case PollTask::RegisterMap:
        // Nothing runs while "Continuous Read" is clear, and the task's time stays where it was.
        if (!continuousReadOn()) return false;
        if (action) action();
        return true;
    case PollTask::BoardInfo:
        if (s_.decl.FreeWheelRunning && action) action();
        return true;
    case PollTask::Logging:
        writeLogLine();
        return true;
    default:
        if (action) action();
        return true;
    }
}

void PollingCycle::writeLogLine() {
    Declarations& d = s_.decl;
    const QString line = LogLine(d.LogSampleCount, s_.options.LogInterval, s_.readings, d.LogSelection);
    QString reason;
    if (!AppendToFile(d.LogFileName, LogLineBytes(line), &reason, AppendTo::ExistingFile)) {
        // A log that cannot be written any more is stopped rather than silently losing lines.
        StopLogging(s_);
        logFailure_ = {d.LogFileName, reason};
        return;
    }
    d.LogSampleCount += 1;
}

std::int64_t PollingCycle::gridTick(std::int64_t ms) const {
    // The clock is steady: no time asked about comes before the first tick.
    return ms - (ms - gridOrigin_.value_or(ms)) % TickMs;
}

std::optional<std::int64_t> PollingCycle::nextDueMs(std::int64_t nowMs) const {
    if (paused() || s_.usb.linkHeld()) return std::nullopt;
    // The first tick that can still be walked: the one at or before now, unless it has been.
    std::int64_t first = gridTick(nowMs);
    if (lastTick_ && first <= *lastTick_) first = *lastTick_ + TickMs;
    std::optional<std::int64_t> earliest;
    for (std::size_t t = 0; t < lastRun.size(); ++t) {
        const auto task = static_cast<PollTask>(t);
        if (!condition(task)) continue;
        if (task == PollTask::RegisterMap && !continuousReadOn()) continue;
        const auto& last = lastRun[t];
        const std::int64_t due = last ? std::max(first, *last + interval(task)) : first;
        if (!earliest || due < *earliest) earliest = due;
    }
    if (!earliest || !gridOrigin_) return earliest;
    // Up to the next grid tick.
    const std::int64_t past = *earliest - gridTick(*earliest);
    return past == 0 ? *earliest : gridTick(*earliest) + TickMs;
}

void PollingCycle::Tick(std::int64_t nowMs) {
    if (!gridOrigin_) gridOrigin_ = nowMs;
    if (paused() || s_.usb.linkHeld()) return;
    const std::int64_t tick = gridTick(nowMs);
    if (lastTick_ && tick <= *lastTick_) return;
    lastTick_ = tick;
    for (std::size_t t = 0; t < lastRun.size(); ++t) {
        const auto task = static_cast<PollTask>(t);
        if (!condition(task)) continue;
        auto& last = lastRun[t];
        if (last && tick - *last < interval(task)) continue;
        if (run(task)) last = tick;
        // A link error during a task ends the program; nothing further runs in this tick.
        if (s_.usb.linkHeld()) return;
    }
    if (logFailure_) {
        const auto [fileName, reason] = *std::exchange(logFailure_, std::nullopt);
        Q_EMIT loggingStopped(fileName, reason);
    }
    Q_EMIT ticked();
}
