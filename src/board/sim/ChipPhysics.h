#pragma once

#include "board/sim/ChipScenario.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The board around a simulated chip: ten temperature sensors, two heaters next to the first two
// of them, four fans on the PWM outputs, and whatever drives the GPIO pins from outside. It knows
// nothing of registers; the chip measures it and drives its fans.
class ChipPhysics {
public:
    static constexpr int SensorCount = 10;
    static constexpr int FanCount = 4;
    static constexpr int GpioCount = 4;
    using FanDrive = std::array<double, FanCount>; // each fan's PWM drive, 0..1

    explicit ChipPhysics(const ChipScenario& scenario);

    const ChipScenario& scenario() const { return scenario_; }
    void setScenario(const ChipScenario& scenario);
    // heater 1 or 2, level 0..100 %.
    void setHeaterLevel(int heater, int level);

    // Puts every fan at its steady speed for the drive, as on a board that has been running.
    void settleFans(const FanDrive& drive);
    // Moves the board on by dtS seconds with the drive held, to nowMs of chip time.
    void step(double dtS, const FanDrive& drive, std::int64_t nowMs);

    // Temperature at a sensor (0-based), noise included; the noise is a function of the chip's time,
    // which runs from 0 on.
    double sensorC(int sensor, std::int64_t nowMs) const;
    double fanRpm(int fan) const { return rpm_[static_cast<std::size_t>(fan)]; }
    // The count the chip's tach counter reads for a fan when it assumes `configuredPulses` per
    // revolution: TachClock * 60 / RPM scaled by configured/true pulses, 0xFFFF when (nearly) stopped.
    int tachCount(int fan, int configuredPulses, std::int64_t nowMs) const;
    // The level something outside the chip drives onto a GPIO pin (1..4): the scenario's.
    bool externalLevel(int pin) const;

private:
    double targetRpm(std::size_t fan, double drive) const;
    bool seized(std::size_t fan) const;
    double airflow() const;
    // Deterministic noise in [-1, 1) for a stream and a time slot.
    double noise(std::uint64_t stream, std::int64_t slot) const;
    static double decay(double dtS, double tauS, double& cachedDt, double& cachedFactor);

    ChipScenario scenario_;
    std::array<int, 2> heaterLevel_{};
    std::array<double, 2> heaterRiseC_{}; // how far sensors 1 and 2 are above their resting level
    std::array<double, FanCount> rpm_{};
    std::int64_t nowMs_{};
    double fanDt_ = -1, fanFactor_ = 0, heatDt_ = -1, heatFactor_{};
};
