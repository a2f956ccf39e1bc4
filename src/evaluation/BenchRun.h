#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

class Session;

// What the three bench runs (fan calibration, curve check, limit trip points) share: how they
// talk to the chip, how they report progress and samples, how they are cancelled, and how they
// put back everything they changed.

enum class RunOutcome {
    Finished,  // the measurement is complete (a check may still have failed its tolerance)
    Cancelled, // the user stopped it; the chip has been restored
    Refused,   // the chip is not in a state the run can measure; nothing was changed
    LinkError, // the board stopped answering; nothing more could be sent
};
QString RunOutcomeText(RunOutcome outcome);

// One raw sample, one CSV row of the report.
struct BenchSample {
    std::int64_t ms{}; // the session clock, from the run's start
    QDateTime wall;
    QString phase;    // "down", "stop search", "heater 40 %", ...
    int channel{};    // the output, heater or channel measured
    double setting{}; // the duty (%) or heater level (%) applied
    std::optional<int> temperature;
    std::optional<int> rpm; // 0 for a stopped fan
    std::optional<int> duty;
    std::optional<bool> status; // the channel's interrupt-status bit
};

// How a run reports and is stopped. All optional.
struct RunControl {
    // Fraction 0..1 done and what the run is doing now.
    std::function<void(double, const QString&)> progress;
    // Every sample as it is taken (the live chart).
    std::function<void(const BenchSample&)> sample;
    // Asked between samples; true ends the run (restoring the chip).
    std::function<bool()> cancelled;
    // Wall-clock time for the CSV; the system's by default.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // Between two readings the run sleeps on the session clock for this long.
    std::int64_t sampleMs = 250;
};

// Thrown inside a run when it must end early; the run's body turns it into its outcome.
struct RunStopped {
    RunOutcome outcome;
};

// A run's access to the chip and its record of what it changed. The first write of a register
// or heater keeps the value it held; restore() writes every kept value back, the latest-touched
// first, so a duty goes back while its output is still under manual control and the output then
// returns to its own mode. The destructor restores whatever was not restored yet, so every way
// out of a run (finished, cancelled, refused, an exception) puts the chip back; after a link
// error nothing can reach the chip and nothing is tried.
class BenchAccess {
public:
    BenchAccess(Session& session, RunControl& control);
    ~BenchAccess();
    BenchAccess(const BenchAccess&) = delete;
    BenchAccess& operator=(const BenchAccess&) = delete;

    Session& session() { return s_; }
    // Reads a register; throws RunStopped{LinkError} when the link failed.
    int read(int reg);
    // Writes a register, keeping its value first.
    void write(int reg, int value);
    // Changes only the bits of mask (read-modify-write), keeping the register first.
    void writeBits(int reg, int mask, int bits);
    // Drives heater 1 or 2, keeping its level first.
    void setHeater(int heater, int level);
    // Puts everything back. True when there was nothing to restore or it all went out.
    bool restore();
    bool changedAnything() const { return !order_.empty(); }

    // The fan's tach count as the chip reads it; 0xFFFF when no tach edge came.
    int tachCount(int fan);
    // The speed a count stands for, in RPM; 0 for 0xFFFF (stopped).
    int rpmFromCount(int count) const;
    int rpm(int fan) { return rpmFromCount(tachCount(fan)); }
    int temperature(int reg);
    int dutyPercent(int output);

    // Sleeps one sample period, asking the control whether to stop first; throws RunStopped.
    void pause();
    void pauseMs(std::int64_t ms);
    std::int64_t elapsedMs() const;
    void record(BenchSample sample);
    void progress(double fraction, const QString& what);
    const std::vector<BenchSample>& samples() const { return samples_; }

private:
    void checkLink();
    Session& s_;
    RunControl& control_;
    std::int64_t startMs_;
    std::map<int, int> saved_;
    std::vector<int> order_;           // registers by first touch; heaters as -1, -2
    std::map<int, int> savedHeaters_;  // heater -> level
    std::vector<BenchSample> samples_; // bounded by the run's own length
    bool restored_ = false;
};

// How every run ends, however it ended: the samples it took, and the chip put back.
template <class Report> Report FinishRun(Report report, BenchAccess& access) {
    report.samples = access.samples();
    report.restored = access.restore();
    return report;
}

// Waits until the value read by `read` has settled: the last three readings, a sample period
// apart, within `relative` of each other (both zero counts as settled). Gives the last reading
// and whether it settled before `timeoutMs` ran out (a timeout is reported, not waited out).
struct Settled {
    int value{};
    bool settled = false;
};
Settled WaitSettled(BenchAccess& access, const std::function<int()>& read, double relative,
                    std::int64_t timeoutMs, const std::function<void(int)>& onReading = {});

// After a heater has been put back: waits, reading every `everyMs`, until the sensor at `reg` reads
// no more than it did at rest, so that the chip is handed back as it was found, readings included.
// A cancel ends the wait early (the chip is restored already); so does `timeoutMs`.
void CoolDown(BenchAccess& access, int reg, int restingReading, std::int64_t everyMs, std::int64_t timeoutMs,
              const std::function<void(int)>& onReading = {});
