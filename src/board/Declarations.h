#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// The program's shared state: plain records owned by the application's Session and handed to
// the windows by reference. Nothing here is global; each test builds a fresh set.

// Four flags numbered 1 to 4 as the chip numbers its PWM outputs and GPIO pins.
struct FlagsOneToFour {
    std::array<bool, 4> flags{};
    bool& operator()(int n) { return flags.at(static_cast<std::size_t>(n - 1)); }
    bool operator()(int n) const { return flags.at(static_cast<std::size_t>(n - 1)); }
};

// The latest readings, decoded; each group is replaced whole when it is read.
struct Readings {
    std::array<std::int16_t, 11> Temperatures{}; // 0..9 Temperature 1..10, 10 Max PEXIL Temperature, °C
    std::array<std::int32_t, 4> FanSpeeds{};     // RPM
    std::array<std::int32_t, 4> DutyCycles{};    // whole percent

    // Successful reads of each group. Until its first one a group holds the start-up zeros, which
    // no sensor ever reported; a failed read later keeps the last good values. The ten sensors
    // come in one block read and the maximum in a read of its own, so each has its count. The
    // duty cycles' count also lets a window tell a reading taken after its own write from one
    // taken before.
    std::uint64_t temperaturesReads{};
    std::uint64_t maxTemperatureReads{};
    std::uint64_t fanSpeedsReads{};
    std::uint64_t dutyCyclesReads{};

    // A reading as every surface shows it: none while its group has never been read.
    // i = 0..9 Temperature 1..10, 10 the maximum.
    std::optional<std::int32_t> temperature(std::size_t i) const {
        return present(Temperatures.at(i), i == 10 ? maxTemperatureReads : temperaturesReads);
    }
    std::optional<std::int32_t> fanSpeed(std::size_t k) const {
        return present(FanSpeeds.at(k), fanSpeedsReads);
    }
    std::optional<std::int32_t> dutyCycle(std::size_t k) const {
        return present(DutyCycles.at(k), dutyCyclesReads);
    }

private:
    static std::optional<std::int32_t> present(std::int32_t value, std::uint64_t reads) {
        return reads > 0 ? std::optional<std::int32_t>(value) : std::nullopt;
    }
};

// Options of the polling cycle; read on every tick, so changes take effect at once.
struct PollingOptions {
    std::int32_t ReadInterval{}; // ms
    std::int16_t GraphInterval{};
    std::int32_t LogInterval{};
    bool ReadingEnabled = false;
};

// Automatic fan-control settings of one PWM output.
struct AutoControlEntry {
    QString Zone; // "Max Temp", "Temp1" .. "Temp10"; empty for a zone code outside 0..10
    float Tmin{};
    float PWMmin{};
    float PWMmax{};
    bool AutoControl = false;
    bool ShowConPoint = false;
};

struct Declarations {
    std::int32_t TachClock{}; // Hz

    // Window-open flags: true from the end of a window's load to its unload.
    bool RegisterMapOpen = false;
    bool LimitsOpen = false;
    bool BoardInfoOpen = false;
    bool GpioOpen = false;
    bool FanConfigOpen = false;
    bool GraphOpen = false;
    bool HeatersOpen = false;
    bool ManualOpen = false;
    bool AutoControlOpen = false;

    bool FreeWheelRunning = false;

    // Data logging.
    bool LoggingActive = false;
    QString LogFileName;
    std::array<bool, 13> LogSelection{};
    std::int64_t LogSampleCount{}; // 64-bit: a log left running for months keeps counting

    // Automatic fan control.
    std::array<AutoControlEntry, 4> AutoControlTable{};
    // The start duty (%) of each output's fan as the latest calibration in this session found it,
    // for the automatic control window to offer as PWMmin; none before a calibration.
    std::array<std::optional<int>, 4> CalibratedStartDuty{};
    bool UpdateOnChange = false;

    std::int16_t SelectedPwm{}; // manual fan control's chosen output, outlives the window
    bool DisplayHelp = true;
};
