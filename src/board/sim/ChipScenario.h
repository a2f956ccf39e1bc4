#pragma once

#include <array>
#include <cstdint>

// What a simulated board's chip is like: the scenario a demonstration or a test sets up.
struct ChipScenario {
    double ambientC = 25.0;
    std::array<bool, 4> fanPresent{true, true, true, false};
    std::array<int, 4> fanMaxRpm{4800, 4200, 3600, 3000};
    // Tach pulses each fan really gives per revolution; most fans give two.
    std::array<int, 4> fanPulsesPerRev{2, 2, 2, 2};
    // The level driven onto each GPIO pin from outside (true: high); the chip sees it on a pin
    // that is an input. An open pin reads low.
    std::array<bool, 4> gpioInputHigh{};
    // Scales the sensor noise and the tach jitter; 0 gives exact, steady readings.
    double noise = 1.0;
    std::uint32_t seed = 1;
    // How long the free-wheel test keeps TEST set, in ms of chip time; FreeWheelNever: for ever,
    // as a chip whose test hangs.
    std::int64_t freeWheelTestMs = 2000;
    // When each fan seizes, in ms of chip time: from then on it does not turn, whatever drives it;
    // NeverSeizes: it keeps turning.
    std::array<std::int64_t, 4> fanSeizesAtMs{-1, -1, -1, -1};
    // A stopped fan starts only at or above its start duty (percent); a turning one keeps turning
    // down to its stop duty, below which it runs down. Stop below start: the motor needs more
    // torque to break away than to keep going.
    std::array<int, 4> fanStartDuty{30, 26, 34, 28};
    std::array<int, 4> fanStopDuty{18, 15, 22, 17};
    // A fan that never stops: at any drive below its stop duty it keeps this speed (RPM). 0: it
    // stops as a fan should.
    std::array<int, 4> fanMinRpm{0, 0, 0, 0};
    // Tachs whose reading holds its last count when the fan stops, as on a chip that only
    // updates the counter when a measurement completes: a stopped fan goes on reading the speed it
    // last had, to the bit. false: the counter reads 0xFFFF (no edge) as it should.
    std::array<bool, 4> tachHolds{};
    // The status bits show each condition this long after it began or ended, as a chip that
    // waits for several readings beyond a limit before it flags one. 0: at the next measurement.
    std::int64_t statusLagMs{};
    // The chip's automatic loop acts as if its temperatures read this much higher (a faulty part).
    double autoOffsetC{};
};
inline constexpr std::int64_t NeverSeizes = -1;
inline constexpr std::int64_t FreeWheelNever = -1;
