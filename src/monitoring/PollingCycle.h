#pragma once

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

class Session;

// The tasks of the polling cycle, in the order every tick walks them.
enum class PollTask : int {
    Read = 0,    // one measurement group every ReadInterval
    RegisterMap, // the register map's continuous read, once a second
    Limits,      // interrupt status and live values
    BoardInfo,   // the free-wheel test poll
    Gpio,        // GPIO status
    FanConfig,   // the fan configuration's GPIO labels
    Graph,       // every GraphInterval
    Heaters,     // heater temperatures
    Manual,      // manual control refresh
    AutoControl, // control points of the curve plot
    Logging,     // one log line every LogInterval
    Alarms,      // limits, interrupt status and fan stalls, once a second while watched
};
inline constexpr int PollTaskCount = 12;

// The program's main loop, driven by the main window's 10 ms timer. Each task has a condition
// (reading on, a window open, logging on) and an interval, and runs on the first tick at which at
// least its interval has passed since it last ran: an interval that is a multiple of the tick is
// kept exactly (100 ms runs every 100 ms), any other is rounded up to the tick (105 ms: 110 ms).
// Windows register their refresh when they load; the condition is the window's open flag in the
// shared state.
class PollingCycle : public QObject {
    Q_OBJECT
public:
    explicit PollingCycle(Session& session);

    // Ticks fall on a 10 ms grid anchored at the first tick. A call walks the grid tick at or just
    // before nowMs (ms on the session's clock), once: a timer that wakes a few milliseconds late
    // still runs the tick it was set for, and its tasks count from that tick, so lateness does not
    // add up from one run to the next. Does nothing while the cycle is paused or the link is held
    // by a link error.
    static constexpr std::int64_t TickMs = 10;
    void Tick(std::int64_t nowMs);

    // The timer need not wake on the ticks in between: nextDueMs gives the first grid tick not yet
    // walked at which any task can run, as the state stands (open windows, intervals, logging, the
    // continuous-read box), or nothing when none can run until that state changes. It is the tick
    // at or before nowMs when a task is already due there: tick at once. Ask again after every
    // change.
    std::optional<std::int64_t> nextDueMs(std::int64_t nowMs) const;

    // Holds the cycle still for as long as it lives, for work that talks to the chip outside the
    // tick (a save or recall of the configuration): no task runs, and no request of the cycle
    // comes between the work's own. Released however the scope is left.
    class Pause {
    public:
        explicit Pause(PollingCycle& cycle) : cycle_(cycle) { ++cycle_.pauses_; }
        ~Pause() { --cycle_.pauses_; }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        PollingCycle& cycle_;
    };
    bool paused() const { return pauses_ > 0; }

    void setRefresh(PollTask task, std::function<void()> action);
    void clearRefresh(PollTask task);
    // The register map's "Continuous Read" box: its task runs, and counts as run, only while
    // `ticked` answers true; without one it never runs.
    void setContinuousReadTicked(std::function<bool()> ticked);

    int ReadGroup{};
    std::array<std::optional<std::int64_t>, PollTaskCount> lastRun{};

Q_SIGNALS:
    // A log line could not be written (the reason as the system gives it, or "the file no longer
    // exists"): logging has stopped and the status text reads "Ready". Sent once the tick has
    // finished its tasks, so a listener may show a message.
    void loggingStopped(const QString& fileName, const QString& reason);
    // A tick has walked its tasks without a link error: the readings are as fresh as they get.
    void ticked();

private:
    bool condition(PollTask task) const;
    bool continuousReadOn() const;
    std::int64_t interval(PollTask task) const;
    bool run(PollTask task); // false when the task did not count as run
    void writeLogLine();

    Session& s_;
    std::array<std::function<void()>, PollTaskCount> refresh_{};
    std::function<bool()> continuousReadTicked_;
    int pauses_{};
    std::int64_t gridTick(std::int64_t ms) const; // the grid tick at or before ms

    std::optional<std::int64_t> gridOrigin_; // the time of the first tick
    std::optional<std::int64_t> lastTick_;   // the last grid tick walked
    // Set by a failed log line (the file and why), reported at the end of the tick.
    std::optional<std::pair<QString, QString>> logFailure_;
};
