#pragma once

#include "board/sim/ChipPhysics.h"
#include "board/sim/ChipScenario.h"

#include <array>
#include <cstdint>
#include <deque>
#include <optional>

// A simulated VORTANE: its register file, starting at the reset defaults, and a time-stepped
// model of what the chip does between requests: it measures the board's temperatures and fan
// tachs, compares them with their limits, drives its four PWM outputs by hand or by its
// temperature curves, runs the free-wheel test and serves the GPIO pins. Everything moves only
// when the board advances it, so the same requests at the same times give the same bytes.
class SimChip {
public:
    explicit SimChip(const ChipScenario& scenario = {});

    // The model moves in fixed steps; of a long jump all but the last CatchUpMs is taken in
    // coarse steps so that hours cost little. Both are whole multiples of StepMs.
    static constexpr std::int64_t StepMs = 20;
    static constexpr std::int64_t CoarseStepMs = 1000;
    static constexpr std::int64_t CatchUpMs = 10LL * 60 * 1000;
    static_assert(CoarseStepMs % StepMs == 0 && CatchUpMs % StepMs == 0);

    // Moves the chip's model on to the given time (milliseconds of chip time). The first call
    // also takes the first readings.
    void advanceTo(std::int64_t chipTimeMs);

    int read(int reg) const;
    // A write from the SMBus; registers the chip sets itself ignore it.
    void write(std::uint8_t reg, std::uint8_t value); // wider numbers keep their low byte, as on the bus

    // The board's heaters, 0..100 %, warm the sensors next to them.
    void setHeaterLevel(int heater, int level);

    const ChipScenario& scenario() const { return board_.scenario(); }
    // Changes the board around the chip (ambient, which fans are plugged in, ...) from now on.
    void setScenario(const ChipScenario& scenario);

    // Speed a fan (0-based) really turns at, for tests and demonstrations.
    double fanRpm(int fan) const { return board_.fanRpm(fan); }
    // The electrical level on GPIO pin 1..4: what an enabled output drives (set is high when the
    // pin is active high, low when active low), else what the outside drives onto it.
    bool gpioPinHigh(int pin) const;

private:
    void step(std::int64_t dtMs);
    void measure(bool first = false);
    void updateStatus();
    void updateOutputs(double dtS);
    void updateGpio();
    void evaluate();
    ChipPhysics::FanDrive fanDrive() const;
    bool monitoring() const;

    ChipPhysics board_;
    std::array<std::uint8_t, 256> regs_{};
    std::uint8_t& regAt(int address) { return regs_[static_cast<std::size_t>(address)]; }
    std::uint8_t regAt(int address) const { return regs_[static_cast<std::size_t>(address)]; }
    std::array<std::uint8_t, 4> manualDuty_{}; // last duty written to each output's current-duty register
    std::array<double, 4> duty_{};             // duty each output drives, 0..255, before inversion
    std::array<bool, 4> curveOn_{};            // automatic output above its off threshold
    std::array<bool, 4> fanFailed_{};
    // Status bits as measured, oldest first, until the lag has passed.
    struct MeasuredStatus {
        std::int64_t atMs;
        int status1, status2;
    };
    std::deque<MeasuredStatus> statusHistory_;
    bool overTemperature_ = false;
    std::uint8_t gpioOut_{}; // levels written for output pins, laid out as in "GPIO Status"
    std::int64_t now_{};
    std::optional<std::int64_t> testEndsMs_; // end of a running free-wheel test
    bool started_ = false;
};
