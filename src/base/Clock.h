#pragma once

#include <algorithm>
#include <cstdint>

// Steady time in milliseconds and a way to wait on it. Production uses SystemClock; tests and
// the benchmarks use ManualClock, whose sleep simply moves time on, so that waits are instant
// and everything that reads time (polling, delays, the simulated chip) is deterministic.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t nowMs() = 0;
    virtual void sleepMs(std::int64_t ms) = 0;
    // Returns once more than `milliseconds` have passed. On the millisecond count of nowMs()
    // that costs up to two milliseconds more than asked; a clock with a finer count does better.
    virtual void waitMoreThan(float milliseconds);
};

class SystemClock final : public Clock {
public:
    SystemClock();
    std::int64_t nowMs() override;
    void sleepMs(std::int64_t ms) override;
    // To the microsecond: the connection sequence waits some forty times, and a millisecond lost
    // on each would show in the start-up time.
    void waitMoreThan(float milliseconds) override;

private:
    std::int64_t origin_;
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(std::int64_t start = 0) : now_(start) {}
    std::int64_t nowMs() override { return now_; }
    void sleepMs(std::int64_t ms) override { now_ += std::max<std::int64_t>(ms, 0); }
    void advance(std::int64_t ms) { now_ += ms; }
    void set(std::int64_t ms) { now_ = ms; }

private:
    std::int64_t now_;
};

// Returns once more than `milliseconds` have passed on the clock. It sleeps rather than spins
// and does not process events: nothing else runs on the user-interface thread meanwhile.
void Delay(Clock& clock, float milliseconds);
