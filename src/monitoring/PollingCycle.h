#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class Session;

// The tasks of the polling cycle, in the order every tick walks them.
enum class PollTask : int {
    Read = 0,      // one measurement group every ReadInterval
    RegisterMap,   // the register map's continuous read, once a second
    Limits,        // interrupt status and live values
    BoardInfo,     // the free-wheel test poll
    Gpio,          // GPIO status
    FanConfig,     // the fan configuration's GPIO labels
    Graph,         // every GraphInterval
    Heaters,       // heater temperatures
    Manual,        // manual control refresh
    AutoControl,   // control points of the curve plot
    Logging,       // one log line every LogInterval
};
inline constexpr int PollTaskCount = 11;

// The program's main loop, driven by the main window's 10 ms timer. Each task has a condition
// (reading on, a window open, logging on) and an interval, and runs when more than its interval
// has passed since it last ran. Windows register their refresh when they load; the condition is
// the window's open flag in the shared state.
class PollingCycle {
public:
    explicit PollingCycle(Session& session);

    // One tick at the given time (ms on the session's clock).
    void Tick(std::int64_t nowMs);

    void setRefresh(PollTask task, std::function<void()> action);
    void clearRefresh(PollTask task);

    // The register map's "Continuous Read" box: its task runs, and counts as run, only while ticked.
    std::function<bool()> continuousReadTicked;
    // Called when a log line cannot be written; logging has been stopped then.
    std::function<void(const QString& fileName)> onLogWriteFailed;

    int ReadGroup = 0;
    std::array<std::optional<std::int64_t>, PollTaskCount> lastRun{};

private:
    bool condition(PollTask task) const;
    std::int64_t interval(PollTask task) const;
    bool run(PollTask task); // false when the task did not count as run
    void writeLogLine();

    Session& s_;
    std::array<std::function<void()>, PollTaskCount> refresh_{};
};
