#include "board/sim/ChipPhysics.h"

#include <algorithm>
#include <cmath>

namespace {

// Where each sensor sits relative to the ambient air: the remote sensors are spread over the
// board, some near warmer parts.
constexpr std::array<double, ChipPhysics::SensorCount> SensorOffsetC{0.0,  0.3, 1.2, 2.1, 3.3,
                                                                     -0.8, 1.9, 4.2, 0.6, 5.1};
constexpr double SensorNoiseC = 0.5;        // peak, times the scenario's noise factor
constexpr std::int64_t SensorNoiseMs = 500; // the noise holds for one conversion period
constexpr double TachJitter = 0.003;        // fraction of the count, peak
constexpr std::int64_t TachJitterMs = 250;

// A heater at full power lifts its sensor by this much in still air; a board with every fan at
// full speed loses about a third of that. The lag is that of the sensor on its copper pad.
constexpr double FullHeatRiseC = 45.0;
constexpr double AirflowCooling = 0.35;
constexpr double HeatTauS = 20.0;

// Fans follow their drive within about a second. Between the stop duty and full drive their speed
// rises along a curve, steep at first and flattening towards full speed, from about a third of full
// speed just above the stop duty: a fan's speed is not proportional to its duty.
constexpr double FanTauS = 0.3;
constexpr double StoppedRpm = 1.0;
constexpr double LowestTurningShare = 0.3;

double speedShare(double drive, double stopDuty) {
    const double x = std::clamp((drive - stopDuty) / std::max(1.0 - stopDuty, 0.01), 0.0, 1.0);
    return LowestTurningShare + (1.0 - LowestTurningShare) * (1.0 - (1.0 - x) * (1.0 - x));
}

constexpr double TachClockTimes60 = 90000.0 * 60.0;

std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

} // namespace

ChipPhysics::ChipPhysics(const ChipScenario& scenario) : scenario_(scenario) {}

void ChipPhysics::setScenario(const ChipScenario& scenario) {
    scenario_ = scenario;
}

void ChipPhysics::setHeaterLevel(int heater, int level) {
    if (heater == 1 || heater == 2)
        heaterLevel_[static_cast<std::size_t>(heater - 1)] = std::clamp(level, 0, 100);
}

bool ChipPhysics::seized(std::size_t fan) const {
    const std::int64_t at = scenario_.fanSeizesAtMs[fan];
    return at != NeverSeizes && nowMs_ >= at;
}

double ChipPhysics::targetRpm(std::size_t fan, double drive) const {
    if (!scenario_.fanPresent[fan] || seized(fan)) return 0.0;
    // The thresholds are whole percent of the drive, as the duty registers set it.
    const long percent = std::lround(drive * 100.0);
    const int start = scenario_.fanStartDuty[fan];
    const int stop = std::min(scenario_.fanStopDuty[fan], start);
    // Whether the rotor turns depends on where it is: a stopped one needs the start duty to break
    // away, a turning one keeps going down to the stop duty.
    const bool turning = rpm_[fan] >= StoppedRpm;
    if (percent < stop || (!turning && percent < start)) return scenario_.fanMinRpm[fan];
    const double rpm = scenario_.fanMaxRpm[fan] * speedShare(std::min(drive, 1.0), stop / 100.0);
    return std::max(rpm, double(scenario_.fanMinRpm[fan]));
}

double ChipPhysics::airflow() const {
    double sum = 0;
    for (std::size_t i = 0; i < rpm_.size(); ++i)
        if (scenario_.fanPresent[i]) sum += rpm_[i] / std::max(scenario_.fanMaxRpm[i], 1);
    return std::clamp(sum / FanCount, 0.0, 1.0);
}

void ChipPhysics::settleFans(const FanDrive& drive) {
    // As on a board that has been running: whatever turns was started at full drive.
    for (std::size_t f = 0; f < rpm_.size(); ++f)
        rpm_[f] = targetRpm(f, 1.0);
    for (std::size_t f = 0; f < rpm_.size(); ++f)
        rpm_[f] = targetRpm(f, drive[f]);
}

double ChipPhysics::decay(double dtS, double tauS, double& cachedDt, double& cachedFactor) {
    if (dtS != cachedDt) {
        cachedDt = dtS;
        cachedFactor = std::exp(-dtS / tauS);
    }
    return cachedFactor;
}

void ChipPhysics::step(double dtS, const FanDrive& drive, std::int64_t nowMs) {
    nowMs_ = nowMs;
    // First-order lags in closed form, so that a long step stays stable.
    const double fanKeep = decay(dtS, FanTauS, fanDt_, fanFactor_);
    for (std::size_t i = 0; i < rpm_.size(); ++i) {
        const double target = targetRpm(i, drive[i]);
        // A seized bearing stops the rotor at once; a fan losing its drive coasts down.
        rpm_[i] = seized(i) ? 0.0 : target + (rpm_[i] - target) * fanKeep;
        if (target == 0.0 && rpm_[i] < StoppedRpm) rpm_[i] = 0.0;
    }
    const double heatKeep = decay(dtS, HeatTauS, heatDt_, heatFactor_);
    const double cooling = 1.0 - AirflowCooling * airflow();
    for (std::size_t h = 0; h < 2; ++h) {
        const double target = FullHeatRiseC * heaterLevel_[h] / 100.0 * cooling;
        heaterRiseC_[h] = target + (heaterRiseC_[h] - target) * heatKeep;
    }
}

double ChipPhysics::noise(std::uint64_t stream, std::int64_t slot) const {
    const std::uint64_t h =
        mix(mix(scenario_.seed * 0x100000001B3ull + stream) ^ static_cast<std::uint64_t>(slot));
    return static_cast<double>(h >> 11) * 0x1.0p-52 - 1.0;
}

double ChipPhysics::sensorC(int sensor, std::int64_t nowMs) const {
    const auto s = static_cast<std::size_t>(sensor);
    double t = scenario_.ambientC + SensorOffsetC[s];
    if (s < 2) t += heaterRiseC_[s];
    if (scenario_.noise != 0.0) t += scenario_.noise * SensorNoiseC * noise(s, nowMs / SensorNoiseMs);
    return t;
}

int ChipPhysics::tachCount(int fan, int configuredPulses, std::int64_t nowMs) const {
    const auto f = static_cast<std::size_t>(fan);
    if (rpm_[f] < StoppedRpm) return 0xFFFF;
    // The counter times `configuredPulses` tach edges and takes that as one revolution.
    double count = TachClockTimes60 / rpm_[f] * configuredPulses / std::max(scenario_.fanPulsesPerRev[f], 1);
    if (scenario_.noise != 0.0)
        count *= 1.0 + scenario_.noise * TachJitter * noise(16 + f, nowMs / TachJitterMs);
    return static_cast<int>(std::clamp(std::lround(count), 1L, 0xFFFFL));
}

bool ChipPhysics::externalLevel(int pin) const {
    return pin >= 1 && pin <= GpioCount && scenario_.gpioInputHigh[static_cast<std::size_t>(pin - 1)];
}
