// The simulated chip as the program sees it through its registers: readings that follow the
// board, fans that follow their outputs, automatic control along its curve, limits, the
// free-wheel test and the GPIO pins. Time is moved by hand, so every figure is exact.
#include "board/USBStuff.h"
#include "board/sim/SimChip.h"
#include "monitoring/Conversions.h"
#include "support/SimSession.h"

#include <QTest>

#include <set>

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
    // Temperatures ----------------------------------------------------------------------------

    void freshChipReadsTheAmbientAsSignedBytes_data() {
        QTest::addColumn<double>("ambient");
        QTest::addColumn<QList<int>>("expected"); // sensors 1..10
        QTest::newRow("25") << 25.0 << QList<int>{25, 25, 26, 27, 28, 24, 27, 29, 26, 30};
        QTest::newRow("-10") << -10.0 << QList<int>{-10, -10, -9, -8, -7, -11, -8, -6, -9, -5};
        QTest::newRow("124") << 124.0 << QList<int>{124, 124, 125, 126, 127, 123, 126, 127, 125, 127};
    }
    void freshChipReadsTheAmbientAsSignedBytes() {
        QFETCH(double, ambient);
        QFETCH(QList<int>, expected);
        SimChip c(quiet(ambient));
        c.advanceTo(0);
        for (int s = 1; s <= 10; ++s)
            QCOMPARE(temperature(c, s), expected[s - 1]);
        QCOMPARE(c.read(0x78), TemperatureToByte(*std::max_element(expected.begin(), expected.end())));
        if (ambient < 0) QCOMPARE(c.read(0x20), 0xF6);
    }

    void noiseStaysSmallAndMovesTheReadings() {
        SimChip c; // default noise
        std::set<int> seen;
        for (std::int64_t t = 0; t <= 60000; t += 100) {
            c.advanceTo(t);
            for (int s = 1; s <= 10; ++s) {
                const int expected[] = {25, 25, 26, 27, 28, 24, 27, 29, 26, 30};
                QVERIFY(std::abs(temperature(c, s) - expected[s - 1]) <= 1);
            }
            seen.insert(temperature(c, 2) * 1000 + tach(c, 1) % 1000);
        }
        QVERIFY(seen.size() > 10);
    }

    void heaterWarmsItsSensorWithinSecondsAndSettles() {
        SimSession t;
        t.connect();
        const int before1 = t.usb().ReadRegister(0x2E, 0x20);
        const int before2 = t.usb().ReadRegister(0x2E, 0x21);
        std::int32_t level = 100;
        t.usb().SetHeater(1, level);
        t.clock.advance(3000);
        QVERIFY(TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20)) >= before1 + 2);

        t.clock.advance(180000);
        const int settled = TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20));
        QVERIFY2(settled >= before1 + 20 && settled <= before1 + 45, qPrintable(QString::number(settled)));
        t.clock.advance(60000);
        QVERIFY(std::abs(TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20)) - settled) <= 1);
        QVERIFY(std::abs(TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x21)) - before2) <= 1);
        QCOMPARE(t.usb().ReadRegister(0x2E, 0x78), t.usb().ReadRegister(0x2E, 0x20)); // now the highest

        level = 0;
        t.usb().SetHeater(1, level);
        t.clock.advance(240000);
        QVERIFY(std::abs(TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20)) - before1) <= 1);
    }

    void heaterTwoWarmsTemperatureTwoAndAirflowCools() {
        SimChip fansOn(quiet()), fansOff(quiet());
        for (int out = 1; out <= 4; ++out)
            fansOff.write(0x31 + out, 0);
        for (SimChip* c : {&fansOn, &fansOff}) {
            c->advanceTo(0);
            c->setHeaterLevel(2, 100);
            c->advanceTo(300000);
            QCOMPARE(temperature(*c, 1), 25);
        }
        QCOMPARE(temperature(fansOff, 2), 70); // 25.3 + 45 in still air
        QVERIFY(temperature(fansOn, 2) >= 45 && temperature(fansOn, 2) <= temperature(fansOff, 2) - 10);
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
        ChipScenario s; // with noise
        SimChip stepped(s), jumped(s), other(s);
        s.seed = 2;
        other.setScenario(s);
        for (SimChip* c : {&stepped, &jumped, &other}) {
            c->write(0x68, 0x80);
            c->setHeaterLevel(1, 70);
        }
        for (std::int64_t t = 0; t <= 95000; t += 10)
            stepped.advanceTo(t);
        jumped.advanceTo(0);
        jumped.advanceTo(95000);
        other.advanceTo(95000);
        for (int reg = 0x20; reg <= 0x81; ++reg)
            QCOMPARE(stepped.read(reg), jumped.read(reg));
        bool differs = false;
        for (int reg = 0x20; reg <= 0x31; ++reg)
            differs = differs || stepped.read(reg) != other.read(reg);
        QVERIFY(differs); // another seed, other noise
    }

    void longJumpsAgreeWithFineSteps() {
        SimChip fine(quiet()), coarse(quiet());
        for (SimChip* c : {&fine, &coarse}) {
            c->advanceTo(0);
            c->setHeaterLevel(1, 100);
        }
        fine.advanceTo(SimChip::CatchUpMs);
        coarse.advanceTo(24 * 3600 * 1000LL);
        for (int reg = 0x20; reg <= 0x81; ++reg)
            if (reg != 0x2A && reg != 0x2B) QCOMPARE(fine.read(reg), coarse.read(reg));
    }

    // Fans -------------------------------------------------------------------------------------

    void tachFollowsManualDuty_data() {
        QTest::addColumn<int>("dutyByte");
        QTest::addColumn<int>("rpm"); // 0: stopped
        QTest::newRow("full") << 255 << 4800;
        QTest::newRow("half") << 128 << 2409;
        QTest::newRow("quarter") << 64 << 1205;
        QTest::newRow("lowest running") << 39 << 734;
        QTest::newRow("stalls") << 38 << 0;
        QTest::newRow("off") << 0 << 0;
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
        if (dutyByte < 255) QVERIFY(TachToRpm(tach(c, 1)) > rpm + 500); // still coasting down
        c.advanceTo(2500);
        if (rpm == 0)
            QCOMPARE(tach(c, 1), 0xFFFF);
        else
            QVERIFY2(std::abs(TachToRpm(tach(c, 1)) - rpm) <= rpm / 100,
                     qPrintable(QString::number(tach(c, 1))));
        QCOMPARE(duty(c, 1), dutyByte);
        QCOMPARE(tach(c, 2), 1286); // the others run on at full speed
        QCOMPARE(tach(c, 4), 0xFFFF);
        QCOMPARE(c.read(0x30), 0xFF);
    }

    void tachCountScalesWithConfiguredPulses_data() {
        QTest::addColumn<int>("truePulses");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("countAsTwo");
        QTest::newRow("2 as 1") << 2 << 0 << 563 << 1125;
        QTest::newRow("2 as 2") << 2 << 1 << 1125 << 1125;
        QTest::newRow("2 as 3") << 2 << 2 << 1688 << 1125;
        QTest::newRow("2 as 4") << 2 << 3 << 2250 << 1125;
        QTest::newRow("1 as 2") << 1 << 1 << 2250 << 2250;
        QTest::newRow("4 as 4") << 4 << 3 << 1125 << 563;
    }
    void tachCountScalesWithConfiguredPulses() {
        QFETCH(int, truePulses);
        QFETCH(int, code);
        QFETCH(int, count);
        QFETCH(int, countAsTwo);
        ChipScenario s = quiet();
        s.fanPulsesPerRev = {truePulses, truePulses, truePulses, truePulses};
        SimChip c(s);
        c.write(0x43, 0x54 | code); // fan 1 as asked, the others at two pulses
        c.advanceTo(0);
        QCOMPARE(tach(c, 1), count);
        c.write(0x43, 0x55);
        c.advanceTo(100);
        QCOMPARE(tach(c, 1), countAsTwo);
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

    void invertedOutputDrivesTheFanTheOtherWay() {
        SimChip c(quiet());
        c.advanceTo(0);
        c.write(0x68, 0x20); // INV1
        c.advanceTo(3000);
        QCOMPARE(duty(c, 1), 0xFF);
        QCOMPARE(tach(c, 1), 0xFFFF);
        c.write(0x32, 0x40); // 25 %: the fan sees 75 %
        c.advanceTo(6000);
        QVERIFY(std::abs(TachToRpm(tach(c, 1)) - 3595) <= 36);
    }

    // Automatic control ------------------------------------------------------------------------

    void automaticOutputFollowsItsCurveUpToPwmMax_data() {
        QTest::addColumn<double>("ambient");
        QTest::addColumn<int>("expected");
        QTest::newRow("well below") << 20.0 << 0;
        QTest::newRow("just below, off") << 29.0 << 0;
        QTest::newRow("at Tmin") << 30.0 << 64;
        QTest::newRow("+2") << 32.0 << 81;
        QTest::newRow("+10") << 40.0 << 149;
        QTest::newRow("+15 capped") << 45.0 << 192;
        QTest::newRow("far above") << 80.0 << 192;
    }
    void automaticOutputFollowsItsCurveUpToPwmMax() {
        QFETCH(double, ambient);
        QFETCH(int, expected);
        SimChip c(quiet(ambient));
        makeAutomatic(c, 1, 1, 30, 64, 192);
        c.write(0x32, 0x11); // by hand only
        c.advanceTo(3000);
        QCOMPARE(duty(c, 1), expected);
        QCOMPARE(duty(c, 2), 0xFF); // still by hand
        if (expected == 0)
            QCOMPARE(tach(c, 1), 0xFFFF);
        else
            QVERIFY(std::abs(TachToRpm(tach(c, 1)) - 4800 * expected / 255) <= 48);
    }

    void eachOutputReadsItsZone_data() {
        QTest::addColumn<int>("zone");
        QTest::addColumn<int>("expected"); // 8.5425 per degree above 20
        QTest::newRow("0 highest") << 0 << 85;
        QTest::newRow("1") << 1 << 43;
        QTest::newRow("2") << 2 << 43;
        QTest::newRow("3") << 3 << 51;
        QTest::newRow("4") << 4 << 60;
        QTest::newRow("5") << 5 << 68;
        QTest::newRow("6") << 6 << 34;
        QTest::newRow("7") << 7 << 60;
        QTest::newRow("8") << 8 << 77;
        QTest::newRow("9") << 9 << 51;
        QTest::newRow("10") << 10 << 85;
        QTest::newRow("11 none") << 11 << 255;
        QTest::newRow("15 none") << 15 << 255;
    }
    void eachOutputReadsItsZone() {
        QFETCH(int, zone);
        QFETCH(int, expected);
        SimChip c(quiet());
        for (int out = 1; out <= 4; ++out)
            makeAutomatic(c, out, zone, 20, 0, 255);
        c.advanceTo(1000);
        for (int out = 1; out <= 4; ++out)
            QCOMPARE(duty(c, out), expected);
    }

    void outputsReadTheirOwnZoneNibbles() {
        SimChip c(quiet());
        makeAutomatic(c, 1, 10, 20, 0, 255);
        makeAutomatic(c, 2, 6, 20, 0, 255);
        makeAutomatic(c, 3, 1, 20, 0, 255);
        makeAutomatic(c, 4, 15, 20, 0, 255);
        QCOMPARE(c.read(0x7C), 0xA6);
        QCOMPARE(c.read(0x7D), 0x1F);
        c.advanceTo(1000);
        QCOMPARE(duty(c, 1), 85);
        QCOMPARE(duty(c, 2), 34);
        QCOMPARE(duty(c, 3), 43);
        QCOMPARE(duty(c, 4), 255);
    }

    void curveTurnsOffOnlyBelowTminLessFour() {
        SimChip c(quiet());
        makeAutomatic(c, 1, 1, 30, 64, 255);
        const QList<QPair<double, int>> path{{25, 0},  {29, 0}, {30, 64}, {31, 73}, {28, 64},
                                             {26, 64}, {25, 0}, {29, 0},  {30, 64}};
        std::int64_t t = 0;
        for (const auto& [ambient, expected] : path) {
            setAmbient(c, ambient);
            c.advanceTo(t += 1000);
            QVERIFY2(duty(c, 1) == expected,
                     qPrintable(QStringLiteral("%1 C: %2").arg(ambient).arg(duty(c, 1))));
        }
    }

    void smoothingRespectsTheRampRate_data() {
        QTest::addColumn<int>("output");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("fullScaleMs");
        const int times[] = {35000, 17600, 11800, 7000, 4400, 3000, 1600, 800};
        for (int code = 0; code < 8; ++code) {
            QTest::addRow("PWM1 code %d", code) << 1 << code << times[code];
            QTest::addRow("PWM4 code %d", code) << 4 << code << times[code];
        }
        QTest::addRow("PWM2 code 3") << 2 << 3 << 7000;
        QTest::addRow("PWM3 code 6") << 3 << 6 << 1600;
    }
    void smoothingRespectsTheRampRate() {
        QFETCH(int, output);
        QFETCH(int, code);
        QFETCH(int, fullScaleMs);
        const int n = output - 1;
        SimChip c(quiet());
        c.advanceTo(0);
        const int acoustics = 0x75 + n / 2;
        c.write(acoustics, n % 2 == 0 ? (0x08 | code) << 4 : 0x08 | code);
        makeAutomatic(c, output, 1, 30, 255, 255); // 25 C: off, so from 255 down to 0
        QCOMPARE(duty(c, output), 255);
        c.advanceTo(fullScaleMs / 2);
        QVERIFY2(std::abs(duty(c, output) - 128) <= 2, qPrintable(QString::number(duty(c, output))));
        c.advanceTo(fullScaleMs * 19 / 20);
        QVERIFY(duty(c, output) > 0);
        c.advanceTo(fullScaleMs + SimChip::StepMs);
        QCOMPARE(duty(c, output), 0);

        setAmbient(c, 40); // and back up to 255
        const std::int64_t start = fullScaleMs + SimChip::StepMs;
        c.advanceTo(start + fullScaleMs / 2);
        QVERIFY(std::abs(duty(c, output) - 128) <= 2);
        c.advanceTo(start + fullScaleMs + SimChip::StepMs);
        QCOMPARE(duty(c, output), 255);
    }

    // Full speed -------------------------------------------------------------------------------

    void fullSpeedBitDrivesEveryOutput() {
        SimChip c(quiet());
        c.advanceTo(0);
        for (int out = 1; out <= 4; ++out)
            c.write(0x31 + out, 0x40);
        c.write(0x40, 0x05);
        for (int out = 1; out <= 4; ++out)
            QCOMPARE(duty(c, out), 0xFF);
        c.write(0x40, 0x01);
        for (int out = 1; out <= 4; ++out)
            QCOMPARE(duty(c, out), 0x40);
    }

    void overTemperatureDrivesOnlyOutputsThatAskForIt() {
        SimChip c(quiet());
        c.advanceTo(0);
        for (int out = 1; out <= 4; ++out)
            c.write(0x31 + out, 0x40);
        c.write(0x69, 0x04); // OTV4
        c.write(0x45, 24);   // Temperature 1 (25) above its high limit
        c.advanceTo(100);
        QCOMPARE(duty(c, 1), 0x40);
        QCOMPARE(duty(c, 4), 0xFF);
        QCOMPARE(c.read(0x41), 0x81); // R1T, and OOL for the NRM below
        QCOMPARE(c.read(0x42), 0x08);
        c.write(0x45, 25); // equal is not above
        QCOMPARE(duty(c, 4), 0x40);
        QCOMPARE(c.read(0x41), 0x00);
        QCOMPARE(c.read(0x42), 0x00);
    }

    void failingFanDrivesEveryOutputWhenAskedTo() {
        SimChip c(quiet());
        c.advanceTo(0);
        for (int out = 1; out <= 4; ++out)
            c.write(0x31 + out, 0x80);
        c.write(0x59, 0x09); // fan 1 counts 2241, its minimum speed now counts 0x09FF
        c.write(0x5B, 0x0B); // fan 2 counts 2562, its minimum speed now counts 0x0BFF
        c.write(0x68, 0x02); // FL1
        c.advanceTo(3000);
        QCOMPARE(c.read(0x42), 0x00);

        auto unplug = [&c](std::size_t fan) {
            ChipScenario s = c.scenario();
            s.fanPresent[fan] = false;
            c.setScenario(s);
        };
        unplug(1); // fan 2 fails: only its status bit, FL2 is clear
        c.advanceTo(6000);
        QCOMPARE(tach(c, 2), 0xFFFF);
        QCOMPARE(c.read(0x42), 0x20);
        for (int out = 1; out <= 4; ++out)
            QCOMPARE(duty(c, out), 0x80);

        unplug(0);
        c.advanceTo(9000);
        QCOMPARE(c.read(0x42), 0x30 | 0x08);
        QCOMPARE(c.read(0x41), 0x80);
        for (int out = 1; out <= 4; ++out)
            QCOMPARE(duty(c, out), 0xFF);
        QVERIFY(tach(c, 3) < 1600); // fan 3 spun up
    }

    // Limits -----------------------------------------------------------------------------------

    void temperatureOutsideItsLimitsSetsItsStatusBit_data() {
        QTest::addColumn<int>("sensor");
        QTest::addColumn<int>("statusReg");
        QTest::addColumn<int>("bit");
        QTest::newRow("1") << 1 << 0x41 << 0x01;
        QTest::newRow("4") << 4 << 0x41 << 0x08;
        QTest::newRow("7") << 7 << 0x41 << 0x40;
        QTest::newRow("8") << 8 << 0x42 << 0x01;
        QTest::newRow("9") << 9 << 0x42 << 0x02;
        QTest::newRow("10") << 10 << 0x42 << 0x04;
    }
    void temperatureOutsideItsLimitsSetsItsStatusBit() {
        QFETCH(int, sensor);
        QFETCH(int, statusReg);
        QFETCH(int, bit);
        SimChip c(quiet(-20));
        c.write(0x72, 0xFF); // masks hide nothing
        c.write(0x73, 0xFF);
        c.advanceTo(0);
        const int reading = temperature(c, sensor);
        const int low = 0x44 + 2 * (sensor - 1), high = low + 1;
        const int ool = statusReg == 0x42 ? 0x80 : 0;
        c.write(high, TemperatureToByte(reading)); // at the limit: fine
        c.write(low, TemperatureToByte(reading));
        c.advanceTo(100);
        QCOMPARE(c.read(0x41) | c.read(0x42), 0);
        c.write(high, TemperatureToByte(reading - 1));
        c.advanceTo(200);
        QCOMPARE(c.read(statusReg), bit);
        QCOMPARE(c.read(0x41) & 0x80, ool);
        c.write(high, TemperatureToByte(reading));
        c.advanceTo(300);
        QCOMPARE(c.read(statusReg), 0);
        c.write(low, TemperatureToByte(reading + 1));
        c.advanceTo(400);
        QCOMPARE(c.read(statusReg), bit);
    }

    void heatedSensorRaisesAndClearsItsAlarm() {
        SimSession t;
        t.connect();
        std::int32_t v = 40;
        t.usb().WriteRegister(0x2E, 0x45, v);
        std::int32_t level = 100;
        t.usb().SetHeater(1, level);
        t.clock.advance(90000);
        QCOMPARE(t.usb().ReadRegister(0x2E, 0x41) & 0x01, 0x01);
        level = 0;
        t.usb().SetHeater(1, level);
        t.clock.advance(180000);
        QCOMPARE(t.usb().ReadRegister(0x2E, 0x41), 0x00);
    }

    void fanLimitsJudgeCountsNotSpeeds_data() {
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("status2");
        QTest::newRow("defaults") << 0x58 << 0xFFFF << 0x00;
        QTest::newRow("min at the count") << 0x58 << 1125 << 0x00;
        QTest::newRow("min below the count: too slow") << 0x58 << 1124 << 0x10;
        QTest::newRow("max above the count: too fast") << 0x60 << 1126 << 0x10;
        QTest::newRow("max at the count") << 0x60 << 1125 << 0x00;
        QTest::newRow("absent fan, min 0xFFFF") << 0x5E << 0xFFFF << 0x00;
        QTest::newRow("absent fan, min 0xFFFE") << 0x5E << 0xFFFE << 0x80;
        QTest::newRow("absent fan, max 0xFFFF") << 0x66 << 0xFFFF << 0x00;
    }
    void fanLimitsJudgeCountsNotSpeeds() {
        QFETCH(int, reg);
        QFETCH(int, limit);
        QFETCH(int, status2);
        SimChip c(quiet());
        c.write(reg, limit & 0xFF);
        c.write(reg + 1, limit >> 8);
        c.advanceTo(1000);
        QCOMPARE(c.read(0x42), status2);
        QCOMPARE(c.read(0x41), status2 ? 0x80 : 0x00);
    }

    // Free-wheel test --------------------------------------------------------------------------

    void freeWheelTestFindsTheAbsentFans_data() {
        QTest::addColumn<QList<bool>>("present");
        QTest::addColumn<int>("notPresent");
        QTest::newRow("default") << QList<bool>{true, true, true, false} << 0x08;
        QTest::newRow("1 and 3") << QList<bool>{true, false, true, false} << 0x0A;
        QTest::newRow("all") << QList<bool>{true, true, true, true} << 0x00;
        QTest::newRow("none") << QList<bool>{false, false, false, false} << 0x0F;
    }
    void freeWheelTestFindsTheAbsentFans() {
        QFETCH(QList<bool>, present);
        QFETCH(int, notPresent);
        ChipScenario s = quiet();
        for (int f = 0; f < 4; ++f)
            s.fanPresent[static_cast<std::size_t>(f)] = present[f];
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
        c.advanceTo(4980);
        QCOMPARE(c.read(0x40), 0x03);
        c.advanceTo(5000);
        QCOMPARE(c.read(0x40), 0x01);
        QCOMPARE(c.read(0x36), notPresent);
        QCOMPARE(duty(c, 1), 0x00);
        if (!present[3]) QCOMPARE(tach(c, 4), 0xFFFF);
    }

    // GPIO -------------------------------------------------------------------------------------

    void gpioOutputsReadBackWhatWasWritten() {
        SimChip c(quiet());
        c.advanceTo(0);
        c.write(0x7F, 0x0F);
        c.write(0x80, 0xAA); // all outputs
        c.write(0x81, 0x5F);
        QCOMPARE(c.read(0x81), 0x50);
        c.advanceTo(60000);
        QCOMPARE(c.read(0x81), 0x50);
        c.write(0x81, 0xA0);
        QCOMPARE(c.read(0x81), 0xA0);
        c.write(0x7F, 0x08); // only GPIO1 a GPIO; the rest read 0
        QCOMPARE(c.read(0x81), 0x00);
        c.write(0x81, 0xF0);
        QCOMPARE(c.read(0x81), 0x10);
    }

    void gpioInputsFollowTheOutsideNowAndThen() {
        SimChip plain(quiet()), inverted(quiet()), disabled(quiet());
        for (SimChip* c : {&plain, &inverted})
            c->write(0x7F, 0x0F);
        inverted.write(0x80, 0x55); // inputs, polarity inverted
        plain.write(0x81, 0xF0);    // no effect on inputs
        std::array<int, 4> changes{};
        int last = -1;
        for (std::int64_t t = 0; t <= 120000; t += 100) {
            for (SimChip* c : {&plain, &inverted, &disabled})
                c->advanceTo(t);
            const int now = plain.read(0x81);
            QCOMPARE(now & 0x0F, 0);
            QCOMPARE(inverted.read(0x81), now ^ 0xF0);
            QCOMPARE(disabled.read(0x81), 0);
            if (last >= 0)
                for (int pin = 0; pin < 4; ++pin)
                    changes[static_cast<std::size_t>(pin)] += ((now ^ last) >> (4 + pin)) & 1;
            last = now;
        }
        for (int n : changes)
            QVERIFY2(n >= 2 && n <= 20, qPrintable(QString::number(n)));
    }

    // Manual duty --------------------------------------------------------------------------------

    void writtenDutyReturnsWhenTheOutputComesBackToManual() {
        SimChip c(quiet());
        c.advanceTo(0);
        makeAutomatic(c, 2, 1, 30, 64, 255); // 25 C: off
        c.write(0x33, 0x99);
        QCOMPARE(duty(c, 2), 0x00);
        c.write(0x68, 0x00);
        QCOMPARE(duty(c, 2), 0x99);
    }

    // Over the board ---------------------------------------------------------------------------

    void boardPassesScenarioAndTimeScaleToTheChip() {
        SimOptions o;
        o.chip.ambientC = 40;
        o.chip.fanPresent = {false, true, true, true};
        o.chip.fanMaxRpm = {1000, 2000, 2700, 5400};
        o.timeScale = 10;
        SimSession t(o);
        t.connect();
        QVERIFY(std::abs(TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20)) - 40) <= 1);
        t.usb().ReadBlock(0x2A, 8);
        const auto& b = t.usb().TransferBuffer;
        QCOMPARE(TachCount(b[0], b[1]), 0xFFFF);
        QVERIFY(std::abs(TachCount(b[2], b[3]) - 2700) <= 10);
        QVERIFY(std::abs(TachCount(b[4], b[5]) - 2000) <= 8);
        QVERIFY(std::abs(TachCount(b[6], b[7]) - 1000) <= 4);

        const int before = TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20));
        std::int32_t level = 100;
        t.usb().SetHeater(1, level);
        t.clock.advance(3000); // 30 s of chip time
        QVERIFY(TemperatureFromByte(t.usb().ReadRegister(0x2E, 0x20)) >= before + 15);
    }
};

QTEST_GUILESS_MAIN(TestSimChip)
#include "tst_simchip.moc"
