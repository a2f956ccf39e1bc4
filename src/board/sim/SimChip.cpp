#include "board/sim/SimChip.h"

#include "chip/RegisterTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

enum : int {
    RegTemperature1 = 0x20,
    RegTach1Low = 0x2A,
    RegCurrentDuty1 = 0x32,
    RegFansNotPresent = 0x36,
    RegMaxDuty1 = 0x38,
    RegConfig1 = 0x40,
    RegStatus1 = 0x41,
    RegStatus2 = 0x42,
    RegPulsesPerRev = 0x43,
    RegTempLowLimit1 = 0x44,
    RegTempHighLimit1 = 0x45,
    RegTachMin1Low = 0x58,
    RegTachMax1Low = 0x60,
    RegPwmConfig12 = 0x68,
    RegMinDuty1 = 0x6A,
    RegTmin1 = 0x6E,
    RegConfig2 = 0x74,
    RegAcoustics12 = 0x75,
    RegMaxTemperature = 0x78,
    RegZoneSelect12 = 0x7C,
    RegGpioEnable = 0x7F,
    RegGpioConfig = 0x80,
    RegGpioStatus = 0x81,
};

constexpr int Strt = 0x01, Test = 0x02, Fspd = 0x04; // "Configuration 1"
constexpr int Shdn = 0x80;                           // "Configuration 2"

// Above Tmin the automatic duty rises 3.35 % of full scale per degree.
constexpr double CurveSlopePerC = 0.0335 * 255.0;
constexpr int CurveHysteresisC = 4;
// Seconds the acoustic smoothing takes for a change over the full scale, by ramp rate code.
constexpr std::array<double, 8> RampFullScaleS{35.0, 17.6, 11.8, 7.0, 4.4, 3.0, 1.6, 0.8};
// A fan that has stopped turning at the end of the free-wheel test is reported as not present.
constexpr double PresentRpm = 100.0;

int signedByte(int b) {
    return b >= 0x80 ? b - 0x100 : b;
}

// Output n (0-based) shares a register with its neighbour: the odd one uses the lower bit of
// each pair or the lower nibble.
int pairRegister(int base, int n) {
    return base + n / 2;
}
bool pairBit(int reg, int n, int evenBit, int oddBit) {
    return (reg & (n % 2 == 0 ? evenBit : oddBit)) != 0;
}
int pairNibble(int reg, int n) {
    return n % 2 == 0 ? (reg >> 4) & 0x0F : reg & 0x0F;
}

} // namespace

SimChip::SimChip(const ChipScenario& scenario) : board_(scenario) {
    for (const RegisterEntry& e : BuildRegisterTable())
        regAt(e.Address) = static_cast<std::uint8_t>(e.Default);
    for (std::size_t n = 0; n < 4; ++n) {
        manualDuty_[n] = regs_[RegCurrentDuty1 + n];
        duty_[n] = manualDuty_[n];
    }
}

void SimChip::setScenario(const ChipScenario& scenario) {
    board_.setScenario(scenario);
}

void SimChip::setHeaterLevel(int heater, int level) {
    board_.setHeaterLevel(heater, level);
}

int SimChip::read(int reg) const {
    return regAt(reg & 0xFF);
}

void SimChip::write(std::uint8_t reg, std::uint8_t value) {
    if (reg >= RegCurrentDuty1 && reg < RegCurrentDuty1 + 4) {
        // Kept even while the output runs automatically: it is the duty it returns to by hand.
        manualDuty_[static_cast<std::size_t>(reg - RegCurrentDuty1)] = value;
    } else if (reg == RegConfig1) {
        // TEST belongs to the chip while a test runs; setting it starts one.
        if ((value & Test) && !testEndsMs_) {
            const std::int64_t duration = board_.scenario().freeWheelTestMs;
            testEndsMs_ = duration < 0 ? std::numeric_limits<std::int64_t>::max() : now_ + duration;
        }
        regs_[RegConfig1] = static_cast<std::uint8_t>((value & ~Test) | (testEndsMs_ ? Test : 0));
    } else if (reg == RegGpioStatus) {
        // Read-only for the register map, yet the levels of output pins are set here.
        gpioOut_ = static_cast<std::uint8_t>(value & 0xF0);
    } else {
        const auto entry = FindRegisterByAddress(reg);
        if (!entry || RegisterAt(*entry).ReadOnly) return;
        regAt(reg) = value;
    }
    evaluate();
}

void SimChip::advanceTo(std::int64_t chipTimeMs) {
    if (!started_) {
        started_ = true;
        board_.settleFans(fanDrive());
        measure(true);
        evaluate();
    }
    while (chipTimeMs - now_ > CatchUpMs)
        step(CoarseStepMs);
    while (chipTimeMs - now_ >= StepMs)
        step(StepMs);
}

void SimChip::step(std::int64_t dtMs) {
    now_ += dtMs;
    const double dtS = static_cast<double>(dtMs) / 1000.0;
    board_.step(dtS, fanDrive(), now_);
    if (testEndsMs_ && now_ >= *testEndsMs_) {
        int absent = 0;
        for (int f = 0; f < 4; ++f)
            if (board_.fanRpm(f) < PresentRpm) absent |= 1 << f;
        regs_[RegFansNotPresent] = static_cast<std::uint8_t>(absent);
        regs_[RegConfig1] &= static_cast<std::uint8_t>(~Test);
        testEndsMs_.reset();
    }
    measure();
    updateStatus();
    updateOutputs(dtS);
    updateGpio();
}

void SimChip::evaluate() {
    updateStatus();
    updateOutputs(0.0);
    updateGpio();
}

bool SimChip::monitoring() const {
    return (regs_[RegConfig1] & Strt) && !(regs_[RegConfig2] & Shdn);
}

ChipPhysics::FanDrive SimChip::fanDrive() const {
    ChipPhysics::FanDrive drive{};
    for (int n = 0; n < 4; ++n) {
        double d = regAt(RegCurrentDuty1 + n) / 255.0;
        if (pairBit(regAt(pairRegister(RegPwmConfig12, n)), n, 0x20, 0x10)) d = 1.0 - d;
        // A PWM pin taken as a GPIO pin no longer carries the PWM: its fan gets no drive.
        if (regs_[RegGpioEnable] & (0x08 >> n)) d = 0.0;
        drive[static_cast<std::size_t>(n)] = d;
    }
    return drive;
}

// Monitoring off or power-down leaves the last readings in place.
void SimChip::measure(bool first) {
    if (!first && !monitoring()) return;
    int highest = -128;
    for (int s = 0; s < ChipPhysics::SensorCount; ++s) {
        const int t = static_cast<int>(std::clamp(std::lround(board_.sensorC(s, now_)), -128L, 127L));
        regAt(RegTemperature1 + s) = static_cast<std::uint8_t>(t & 0xFF);
        highest = std::max(highest, t);
    }
    regs_[RegMaxTemperature] = static_cast<std::uint8_t>(highest & 0xFF);
    for (int f = 0; f < ChipPhysics::FanCount; ++f) {
        if (regs_[RegConfig2] & (1 << f)) continue; // TnDIS: the counter stands still
        const int pulses = ((regs_[RegPulsesPerRev] >> (2 * f)) & 0x03) + 1;
        const int count = board_.tachCount(f, pulses, now_);
        if (!first && count == 0xFFFF && board_.scenario().tachHolds[static_cast<std::size_t>(f)]) continue;
        regAt(RegTach1Low + 2 * f) = static_cast<std::uint8_t>(count & 0xFF);
        regAt(RegTach1Low + 2 * f + 1) = static_cast<std::uint8_t>(count >> 8);
    }
}

// Status bits follow their conditions: set while a condition holds, clear when it has gone.
// The masks only gate the interrupt pin, which is not modelled; they never hide a status bit.
void SimChip::updateStatus() {
    int status1 = 0;
    int status2 = 0;
    overTemperature_ = false;
    for (int s = 0; s < ChipPhysics::SensorCount; ++s) {
        const int t = signedByte(regAt(RegTemperature1 + s));
        const int low = signedByte(regAt(RegTempLowLimit1 + 2 * s));
        const int high = signedByte(regAt(RegTempHighLimit1 + 2 * s));
        overTemperature_ = overTemperature_ || t > high;
        if (t < low || t > high) {
            if (s < 7)
                status1 |= 1 << s;
            else
                status2 |= 1 << (s - 7);
        }
    }
    // A count above the minimum-speed limit's count is too slow (equal is not); a count below the
    // maximum limit's count is too fast, where a maximum of 0 means no maximum at all. So the
    // default limits (0xFFFF, 0) never fire, even for an absent fan reading 0xFFFF.
    for (std::size_t i = 0; i < fanFailed_.size(); ++i) {
        fanFailed_[i] = false;
        if (regs_[RegConfig2] & (1 << i)) continue; // a disabled tach is not judged
        const int count = regs_[i * 2 + RegTach1Low] | regs_[i * 2 + RegTach1Low + 1] << 8;
        const int minimum = regs_[i * 2 + RegTachMin1Low] | regs_[i * 2 + RegTachMin1Low + 1] << 8;
        const int maximum = regs_[i * 2 + RegTachMax1Low] | regs_[i * 2 + RegTachMax1Low + 1] << 8;
        fanFailed_[i] = count > minimum;
        if (fanFailed_[i] || (maximum != 0 && count < maximum)) status2 |= 0x10 << i;
    }
    // NRM: the chip has left normal operation, i.e. a fan-fail or over-temperature condition is
    // holding at least one output at full speed.
    for (int n = 0; n < 4; ++n) {
        const int config = regAt(pairRegister(RegPwmConfig12, n));
        const bool failForced = pairBit(config, n, 0x02, 0x01) && fanFailed_[static_cast<std::size_t>(n)];
        const bool heatForced = pairBit(config, n, 0x08, 0x04) && overTemperature_;
        if (failForced || heatForced) status2 |= 0x08;
    }
    if (status2) status1 |= 0x80; // OOL
    const std::int64_t lag = board_.scenario().statusLagMs;
    if (lag == 0) { // as a chip does: the status of this measurement
        regs_[RegStatus1] = static_cast<std::uint8_t>(status1);
        regs_[RegStatus2] = static_cast<std::uint8_t>(status2);
        return;
    }
    // What the registers show is the newest status at least the lag old.
    statusHistory_.push_back({now_, status1, status2});
    const std::int64_t shownAt = now_ - lag;
    while (statusHistory_.size() > 1 && statusHistory_[1].atMs <= shownAt)
        statusHistory_.pop_front();
    const MeasuredStatus& shown = statusHistory_.front();
    if (shown.atMs > shownAt) return; // nothing measured that long ago yet
    regs_[RegStatus1] = static_cast<std::uint8_t>(shown.status1);
    regs_[RegStatus2] = static_cast<std::uint8_t>(shown.status2);
}

void SimChip::updateOutputs(double dtS) {
    bool anyFanFailForcing = false;
    for (int n = 0; n < 4; ++n) {
        const int config = regAt(pairRegister(RegPwmConfig12, n));
        anyFanFailForcing =
            anyFanFailForcing || (pairBit(config, n, 0x02, 0x01) && fanFailed_[static_cast<std::size_t>(n)]);
    }
    const bool fullSpeed = (regs_[RegConfig1] & Fspd) || testEndsMs_ || anyFanFailForcing;

    for (int n = 0; n < 4; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const int config = regAt(pairRegister(RegPwmConfig12, n));
        const bool automatic = pairBit(config, n, 0x80, 0x40);
        if (!automatic) {
            duty_[i] = manualDuty_[i];
        } else {
            const int zone = pairNibble(regAt(pairRegister(RegZoneSelect12, n)), n);
            double target = 255.0;
            // Zones 11..15 name no sensor; the chip then errs on the safe side and runs the fan
            // at full speed.
            if (zone <= 10) {
                const int zoneReg = zone == 0 ? int(RegMaxTemperature) : RegTemperature1 + zone - 1;
                // A faulty part's loop may see its temperatures higher than they read.
                const int t =
                    signedByte(regAt(zoneReg)) + static_cast<int>(std::lround(board_.scenario().autoOffsetC));
                const int tmin = regs_[i + RegTmin1];
                const int pwmMin = regs_[i + RegMinDuty1];
                const int pwmMax = regs_[i + RegMaxDuty1];
                // On at Tmin, off again only below Tmin - 4, so the fan does not hunt.
                if (t >= tmin)
                    curveOn_[i] = true;
                else if (t < tmin - CurveHysteresisC)
                    curveOn_[i] = false;
                target = curveOn_[i]
                             ? std::min(pwmMin + CurveSlopePerC * std::max(t - tmin, 0), double(pwmMax))
                             : 0.0;
            }
            const int acoustics = regAt(pairRegister(RegAcoustics12, n));
            if (pairBit(acoustics, n, 0x80, 0x08)) {
                const int code = pairNibble(acoustics, n) & 0x07;
                const double maxChange = 255.0 * dtS / RampFullScaleS[static_cast<std::size_t>(code)];
                duty_[i] = std::clamp(target, duty_[i] - maxChange, duty_[i] + maxChange);
            } else {
                duty_[i] = target;
            }
        }
        // Full speed wins over both modes; from there the smoothing brings the duty back down.
        if (fullSpeed || (pairBit(config, n, 0x08, 0x04) && overTemperature_)) duty_[i] = 255.0;
        regs_[i + RegCurrentDuty1] = static_cast<std::uint8_t>(std::lround(duty_[i]));
    }
}

void SimChip::updateGpio() {
    const int enable = regs_[RegGpioEnable];
    const int config = regs_[RegGpioConfig];
    int status = 0;
    for (int pin = 1; pin <= 4; ++pin) {
        if (!(enable & (1 << (4 - pin)))) continue; // not a GPIO: the pin serves its other function
        const bool output = config & (1 << (7 - 2 * (pin - 1)));
        const bool activeHigh = config & (1 << (6 - 2 * (pin - 1)));
        const int bit = 1 << (3 + pin);
        // An output reads back the level it drives, which is what was written; an input reads
        // set when the outside drives its active level (high for active high).
        const bool set = output ? (gpioOut_ & bit) != 0 : board_.externalLevel(pin) == activeHigh;
        if (set) status |= bit;
    }
    regs_[RegGpioStatus] = static_cast<std::uint8_t>(status);
}

bool SimChip::gpioPinHigh(int pin) const {
    const int n = pin - 1;
    const bool enabled = regs_[RegGpioEnable] & (1 << (3 - n));
    const bool output = regs_[RegGpioConfig] & (1 << (7 - 2 * n));
    if (!enabled || !output) return board_.externalLevel(pin);
    const bool activeHigh = regs_[RegGpioConfig] & (1 << (6 - 2 * n));
    return ((gpioOut_ & (1 << (4 + n))) != 0) == activeHigh;
}
