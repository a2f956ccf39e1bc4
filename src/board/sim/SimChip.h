#pragma once

#include <array>
#include <cstdint>

// What a simulated board's chip is like: the scenario a demonstration or a test sets up.
struct ChipScenario {
    double ambientC = 25.0;
    std::array<bool, 4> fanPresent{true, true, true, false};
    std::array<int, 4> fanMaxRpm{4800, 4200, 3600, 3000};
    std::uint32_t seed = 1;
};

// A simulated VORTANE: its register file, starting at the reset defaults, advanced in time by
// the board before each request so that it can behave like the real chip between requests.
class SimChip {
public:
    explicit SimChip(const ChipScenario& scenario = {});

    // Moves the chip's model on to the given time (milliseconds of chip time).
    void advanceTo(std::int64_t chipTimeMs);

    int read(int reg) const;
    // A write from the SMBus; registers the chip sets itself ignore it.
    void write(int reg, int value);

    // The board's heaters, 0..100 %, warm the sensors next to them.
    void setHeaterLevel(int heater, int level);

    const ChipScenario& scenario() const { return scenario_; }

private:
    ChipScenario scenario_;
    std::array<std::uint8_t, 256> regs_{};
    std::array<int, 2> heaterLevel_{};
    std::int64_t now_ = 0;
};
