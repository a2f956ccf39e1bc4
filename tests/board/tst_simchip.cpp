// The simulated chip as the program sees it through its registers: readings that follow the
// board, fans that follow their outputs, automatic control along its curve, limits, the
// free-wheel test and the GPIO pins. Time is moved by hand, so every figure is exact.
#include "board/USBStuff.h"
#include "board/sim/SimChip.h"
#include "monitoring/Conversions.h"
#include "support/SimSession.h"

#include <QTest>

namespace {

// No noise: readings sit exactly at the model's values. Sensor n reads ambient plus its offset
// (sensor 1: +0, 2: +0.3, 3: +1.2, 4: +2.1, 5: +3.3, 6: -0.8, 7: +1.9, 8: +4.2, 9: +0.6, 10: +5.1).
ChipScenario quiet(double ambientC = 25.0) {
    ChipScenario s;
    s.ambientC = ambientC;
    s.noise = 0;
    return s;
}

int temperature(const SimChip& c, int sensor) {
    return TemperatureFromByte(c.read(0x1F + sensor));
}
int tach(const SimChip& c, int fan) {
    return TachCount(c.read(0x28 + 2 * fan), c.read(0x29 + 2 * fan));
}
int duty(const SimChip& c, int output) {
    return c.read(0x31 + output);
}

void setAmbient(SimChip& c, double ambientC) {
    ChipScenario s = c.scenario();
    s.ambientC = ambientC;
    c.setScenario(s);
}

// Output 1..4 under automatic control of `zone`, with its curve's Tmin, PWMmin and PWMmax.
void makeAutomatic(SimChip& c, int output, int zone, int tmin, int pwmMin, int pwmMax) {
    const int n = output - 1;
    const int config = 0x68 + n / 2;
    c.write(config, c.read(config) | (n % 2 == 0 ? 0x80 : 0x40));
    const int zones = 0x7C + n / 2;
    c.write(zones, n % 2 == 0 ? (c.read(zones) & 0x0F) | zone << 4 : (c.read(zones) & 0xF0) | zone);
    c.write(0x6E + n, tmin);
    c.write(0x6A + n, pwmMin);
    c.write(0x38 + n, pwmMax);
}

} // namespace

class TestSimChip : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void heaterWarmsTemperatureOneWithALagAndTripsItsLimit() {
        SimSession t;
        t.connect();
        auto reading = [&t](int reg) { return TemperatureFromByte(t.usb().ReadRegister(0x2E, reg)); };
        const int before1 = reading(0x20), before2 = reading(0x21);
        std::int32_t highLimit = 40;
        t.usb().WriteRegister(0x2E, 0x45, highLimit);
        std::int32_t level = 100;
        t.usb().SetHeater(1, level);
        t.clock.advance(3000);
        const int early = reading(0x20);
        QVERIFY(early >= before1 + 2);
        t.clock.advance(180000);
        const int settled = reading(0x20);
        QVERIFY2(settled >= before1 + 20 && settled <= before1 + 45, qPrintable(QString::number(settled)));
        QVERIFY(early <= settled - 10); // a lag, not a step
        t.clock.advance(60000);
        QVERIFY(std::abs(reading(0x20) - settled) <= 1);
        QVERIFY(std::abs(reading(0x21) - before2) <= 1);
        QCOMPARE(t.usb().ReadRegister(0x2E, 0x41), 0x01); // R1T alone: OOL is for status 2
    }

    void monitoringOffOrPowerDownFreezesReadings_data() {
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("stopped");
        QTest::addColumn<int>("running");
        QTest::newRow("STRT clear") << 0x40 << 0x00 << 0x01;
        QTest::newRow("SHDN") << 0x74 << 0x80 << 0x00;
    }
    void monitoringOffOrPowerDownFreezesReadings() {
        QFETCH(int, reg);
        QFETCH(int, stopped);
        QFETCH(int, running);
        SimChip c(quiet());
        c.advanceTo(0);
        c.write(reg, stopped);
        c.setHeaterLevel(1, 100);
        c.write(0x32, 0x80);
        c.advanceTo(60000);
        QCOMPARE(temperature(c, 1), 25);
        QCOMPARE(tach(c, 1), 1125);
        c.write(reg, running);
        c.advanceTo(61000);
        QVERIFY(temperature(c, 1) > 40);
        QVERIFY(std::abs(tach(c, 1) - 2241) <= 3); // half speed
    }

    void sameInputsGiveTheSameBytesHoweverTimeIsCut() {
        SimChip stepped, jumped; // with noise
        for (SimChip* c : {&stepped, &jumped}) {
            c->write(0x68, 0x80);
            c->setHeaterLevel(1, 70);
        }
        for (std::int64_t t = 0; t <= 95000; t += 10)
            stepped.advanceTo(t);
        jumped.advanceTo(0);
        jumped.advanceTo(95000);
        for (int reg = 0x20; reg <= 0x81; ++reg)
            QCOMPARE(stepped.read(reg), jumped.read(reg));
    }

    void tachFollowsManualDuty_data() {
        QTest::addColumn<int>("dutyByte");
        QTest::addColumn<int>("rpm"); // 0: stopped
        QTest::newRow("half") << 128 << 2409;
        QTest::newRow("lowest running") << 39 << 734;
        QTest::newRow("stalls") << 38 << 0;
    }
    void tachFollowsManualDuty() {
        QFETCH(int, dutyByte);
        QFETCH(int, rpm);
        SimChip c(quiet());
        c.advanceTo(0);
        QCOMPARE(tach(c, 1), 1125); // 5,400,000 / 4800
        c.write(0x32, dutyByte);
        QCOMPARE(duty(c, 1), dutyByte);
        c.advanceTo(100);
        QVERIFY(TachToRpm(tach(c, 1)) > rpm + 500); // still coasting down
        c.advanceTo(2500);
        if (rpm == 0)
            QCOMPARE(tach(c, 1), 0xFFFF);
        else
            QVERIFY2(std::abs(TachToRpm(tach(c, 1)) - rpm) <= rpm / 100,
                     qPrintable(QString::number(tach(c, 1))));
        QCOMPARE(duty(c, 1), dutyByte);
        QCOMPARE(tach(c, 2), 1286); // the others run on at full speed
        QCOMPARE(tach(c, 4), 0xFFFF);
    }

    void tachCountScalesWithConfiguredPulses_data() {
        QTest::addColumn<int>("truePulses");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("count");
        QTest::newRow("2 as 1") << 2 << 0 << 563;
        QTest::newRow("2 as 4") << 2 << 3 << 2250;
        QTest::newRow("1 as 2") << 1 << 1 << 2250;
        QTest::newRow("4 as 4") << 4 << 3 << 1125;
    }
    void tachCountScalesWithConfiguredPulses() {
        QFETCH(int, truePulses);
        QFETCH(int, code);
        QFETCH(int, count);
        ChipScenario s = quiet();
        s.fanPulsesPerRev = {truePulses, truePulses, truePulses, truePulses};
        SimChip c(s);
        c.write(0x43, 0x54 | code); // fan 1 as asked, the others at two pulses
        c.advanceTo(0);
        QCOMPARE(tach(c, 1), count);
    }

    void tachDisableStopsTheCount() {
        SimChip c(quiet());
        c.advanceTo(0);
        c.write(0x74, 0x01); // T1DIS
        c.write(0x58, 0x00); // fan 1 minimum: count 0xFF00, then 0
        c.write(0x59, 0x00);
        c.write(0x32, 0x80);
        c.write(0x33, 0x80);
        c.advanceTo(3000);
        QCOMPARE(tach(c, 1), 1125);
        QVERIFY(tach(c, 2) > 2000);
        QCOMPARE(c.read(0x42), 0x00); // a disabled tach raises no alarm
    }

    void automaticOutputFollowsItsCurveWithHysteresis() {
        SimChip c(quiet());
        makeAutomatic(c, 1, 1, 30, 64, 192);
        c.write(0x32, 0x11); // by hand only
        // On from Tmin at PWMmin, 8.5425 per degree up to PWMmax; once on, off only below Tmin - 4.
        const QList<QPair<double, int>> path{{25, 0},   {29, 0},  {30, 64}, {31, 73}, {40, 149}, {45, 192},
                                             {80, 192}, {26, 64}, {25, 0},  {29, 0},  {30, 64}};
        std::int64_t t = 0;
        for (const auto& [ambient, expected] : path) {
            setAmbient(c, ambient);
            c.advanceTo(t += 1000);
            QVERIFY2(duty(c, 1) == expected,
                     qPrintable(QStringLiteral("%1 C: %2").arg(ambient).arg(duty(c, 1))));
        }
        QCOMPARE(duty(c, 2), 0xFF); // still by hand
        c.advanceTo(t + 3000);
        QVERIFY(std::abs(TachToRpm(tach(c, 1)) - 4800 * 64 / 255) <= 48);
    }

    void outputsReadTheirOwnZones() {
        SimChip c(quiet());
        makeAutomatic(c, 1, 0, 20, 0, 255); // the highest reading: sensor 10
        makeAutomatic(c, 2, 6, 20, 0, 255);
        makeAutomatic(c, 3, 3, 20, 0, 255);
        makeAutomatic(c, 4, 15, 20, 0, 255); // no sensor: full speed
        QCOMPARE(c.read(0x7C), 0x06);
        QCOMPARE(c.read(0x7D), 0x3F);
        c.advanceTo(1000);
        QCOMPARE(duty(c, 1), 85);
        QCOMPARE(duty(c, 2), 34);
        QCOMPARE(duty(c, 3), 51);
        QCOMPARE(duty(c, 4), 255);
    }

    void smoothingRespectsTheRampRate_data() {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("fullScaleMs");
        QTest::newRow("PWM1 slowest") << 1 << 0 << 35000;
        QTest::newRow("PWM1 fastest") << 1 << 7 << 800;
        QTest::newRow("PWM2 code 3") << 2 << 3 << 7000;
        QTest::newRow("PWM3 code 6") << 3 << 6 << 1600;
        QTest::newRow("PWM4 code 4") << 4 << 4 << 4400;
    }
    void smoothingRespectsTheRampRate() {
        QFETCH(int, output);
        QFETCH(int, code);
        QFETCH(int, fullScaleMs);
        const int n = output - 1;
        SimChip c(quiet());
        c.advanceTo(0);
        c.write(0x75 + n / 2, n % 2 == 0 ? (0x08 | code) << 4 : 0x08 | code);
        makeAutomatic(c, output, 1, 30, 255, 255); // 25 C: off, so from 255 down to 0
        QCOMPARE(duty(c, output), 255);
        c.advanceTo(fullScaleMs / 2);
        QVERIFY2(std::abs(duty(c, output) - 128) <= 2, qPrintable(QString::number(duty(c, output))));
        c.advanceTo(fullScaleMs + SimChip::StepMs);
        QCOMPARE(duty(c, output), 0);

        setAmbient(c, 40); // and back up to 255
        const std::int64_t start = fullScaleMs + SimChip::StepMs;
        c.advanceTo(start + fullScaleMs / 2);
        QVERIFY(std::abs(duty(c, output) - 128) <= 2);
        c.advanceTo(start + fullScaleMs + SimChip::StepMs);
        QCOMPARE(duty(c, output), 255);
    }

    void fullSpeedOverTemperatureAndInversion() {
        SimChip c(quiet());
        c.advanceTo(0);
        for (int out = 1; out <= 4; ++out)
            c.write(0x31 + out, 0x40);
        c.write(0x40, 0x05); // FSPD: every output at full speed
        for (int out = 1; out <= 4; ++out)
            QCOMPARE(duty(c, out), 0xFF);
        c.write(0x40, 0x01);
        c.write(0x69, 0x04); // OTV4: only output 4 goes to full speed when too hot
        c.write(0x45, 24);   // Temperature 1 (25) above its high limit
        QCOMPARE(duty(c, 1), 0x40);
        QCOMPARE(duty(c, 4), 0xFF);
        QCOMPARE(c.read(0x42), 0x08); // NRM
        c.write(0x68, 0x20);          // INV1: 25 % written, the fan sees 75 %
        c.advanceTo(3000);
        QVERIFY(std::abs(TachToRpm(tach(c, 1)) - 3595) <= 36);
    }

    void temperatureAboveItsHighLimitSetsItsStatusBit() {
        SimChip c(quiet(-20));
        c.write(0x72, 0xFF); // masks hide nothing
        c.write(0x73, 0xFF);
        c.advanceTo(0);
        // Sensor 7 is the last in status 1, sensor 8 the first in status 2.
        auto setHighLimits = [&c](int belowReading) {
            for (int sensor : {7, 8})
                c.write(0x45 + 2 * (sensor - 1), TemperatureToByte(temperature(c, sensor) - belowReading));
        };
        setHighLimits(0); // at the limit: fine
        c.advanceTo(100);
        QCOMPARE(c.read(0x41) | c.read(0x42), 0);
        setHighLimits(1);
        c.advanceTo(200);
        QCOMPARE(c.read(0x41), 0x40 | 0x80); // R7T, and OOL: something in status 2
        QCOMPARE(c.read(0x42), 0x01);        // R8T
        setHighLimits(0);
        c.advanceTo(300);
        QCOMPARE(c.read(0x41) | c.read(0x42), 0);
    }

    void freeWheelTestFindsTheAbsentFans() {
        ChipScenario s = quiet();
        s.fanPresent = {true, false, true, false};
        SimChip c(s);
        c.advanceTo(0);
        for (int out = 1; out <= 4; ++out)
            c.write(0x31 + out, 0); // stopped fans are still there
        c.advanceTo(3000);
        QCOMPARE(c.read(0x36), 0x00);
        c.write(0x40, c.read(0x40) | 0x02);
        QCOMPARE(c.read(0x40), 0x03);
        c.advanceTo(4000);
        c.write(0x40, 0x01); // the bit stays the chip's until the test ends
        QCOMPARE(c.read(0x40), 0x03);
        QCOMPARE(duty(c, 1), 0xFF);
        QVERIFY(tach(c, 1) < 2000); // driven at full speed, yet the absent fan reads no count
        QCOMPARE(tach(c, 2), 0xFFFF);
        c.advanceTo(4980);
        QCOMPARE(c.read(0x40), 0x03);
        c.advanceTo(5000);
        QCOMPARE(c.read(0x40), 0x01);
        QCOMPARE(c.read(0x36), 0x0A);
        QCOMPARE(duty(c, 1), 0x00);
    }

    void gpioOutputsReadBackAndInputsFollowTheOutside() {
        SimChip c(quiet());
        c.write(0x7F, 0x0F);
        c.write(0x80, 0xAA); // all outputs
        c.write(0x81, 0x5F); // the low nibble is no pin
        c.advanceTo(60000);
        QCOMPARE(c.read(0x81), 0x50);
        c.write(0x81, 0xA0);
        c.write(0x7F, 0x08); // only GPIO1 a GPIO; the rest read 0
        QCOMPARE(c.read(0x81), 0x00);
        c.write(0x81, 0xF0);
        QCOMPARE(c.read(0x81), 0x10);

        SimChip plain(quiet()), inverted(quiet());
        for (SimChip* in : {&plain, &inverted})
            in->write(0x7F, 0x0F);
        inverted.write(0x80, 0x55); // inputs, polarity inverted
        plain.write(0x81, 0xF0);    // no effect on inputs
        std::array<int, 4> changes{};
        for (std::int64_t t = 0, last = -1; t <= 120000; t += 100) {
            plain.advanceTo(t);
            inverted.advanceTo(t);
            const int now = plain.read(0x81);
            QCOMPARE(inverted.read(0x81), now ^ 0xF0);
            for (int pin = 0; pin < 4 && last >= 0; ++pin)
                changes[static_cast<std::size_t>(pin)] += ((now ^ last) >> (4 + pin)) & 1;
            last = now;
        }
        for (int n : changes)
            QVERIFY2(n >= 2 && n <= 20, qPrintable(QString::number(n)));
    }

    void boardPassesScenarioAndTimeScaleToTheChip() {
        SimOptions o;
        o.chip = quiet(-10);
        o.chip.fanPresent = {false, true, true, true};
        o.chip.fanMaxRpm = {1000, 2000, 2700, 5400};
        o.timeScale = 10;
        SimSession t(o);
        t.connect();
        QCOMPARE(t.usb().ReadRegister(0x2E, 0x20), 0xF6);                  // a signed byte
        QCOMPARE(t.usb().ReadRegister(0x2E, 0x78), TemperatureToByte(-5)); // the highest: sensor 10
        t.usb().ReadBlock(0x2A, 8);
        const auto& b = t.usb().TransferBuffer;
        QCOMPARE(TachCount(b[0], b[1]), 0xFFFF);
        QCOMPARE(TachCount(b[6], b[7]), 1000);

        std::int32_t level = 100;
        t.usb().SetHeater(1, level);
        t.clock.advance(3000); // 30 s of chip time
        QVERIFY(TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20)) >= 5);
    }
};

QTEST_GUILESS_MAIN(TestSimChip)
#include "tst_simchip.moc"
