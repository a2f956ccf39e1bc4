// Automatic fan control in core: loading and applying the four outputs over the simulated
// board (asserted on the request journal and the chip's registers), the register encodings and
// the geometry of the curve plot.
#include "monitoring/AutoControl.h"
#include "support/SimSession.h"

#include <QTest>

#include <limits>

namespace {
QString write(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}
QString read(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}
} // namespace

class TestAutoControl : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void loadingAtResetValuesReadsFourBlocksAndKeepsShowConPoint() {
        SimSession t;
        t.connect();
        t.session->decl.AutoControlTable[2].ShowConPoint = true;
        t.session->decl.AutoControlTable[0].ShowConPoint = false;
        LoadAutoControl(*t.session);
        QCOMPARE(t.requestTexts(),
                 (QStringList{QStringLiteral("220 46 56 1 4"), QStringLiteral("220 46 106 1 8"),
                              QStringLiteral("220 46 104 1 2"), QStringLiteral("220 46 124 1 2")}));
        const std::array<bool, 4> shown{false, true, true, false};
        for (std::size_t n = 0; n < 4; ++n) {
            const AutoControlEntry& e = t.session->decl.AutoControlTable[n];
            QCOMPARE(e.PWMmax, 100.0f);
            QCOMPARE(e.PWMmin, 50.0f);
            QCOMPARE(e.Tmin, 90.0f);
            QCOMPARE(e.Zone, QStringLiteral("Max Temp"));
            QCOMPARE(e.AutoControl, false);
            QCOMPARE(e.ShowConPoint, shown[n]);
        }
    }

    void loadingDecodesEveryField() {
        SimSession t;
        t.connect();
        SimChip& chip = t.chip();
        chip.write(0x38, 76); // 30 %
        chip.write(0x39, 0);
        chip.write(0x6B, 2);   // 1 %
        chip.write(0x71, 200); // Tmin is unsigned
        chip.write(0x68, 0x80 | 0x3F);
        chip.write(0x69, 0x40);
        chip.write(0x7C, 0x3C); // PWM1 Temp3, PWM2 code 12
        chip.write(0x7D, 0xA0); // PWM3 Temp10, PWM4 Max Temp
        LoadAutoControl(*t.session);
        const auto& table = t.session->decl.AutoControlTable;
        QCOMPARE(table[0].PWMmax, 30.0f);
        QCOMPARE(table[1].PWMmax, 0.0f);
        QCOMPARE(table[1].PWMmin, 1.0f);
        QCOMPARE(table[3].Tmin, 200.0f);
        QCOMPARE((std::array<bool, 4>{table[0].AutoControl, table[1].AutoControl, table[2].AutoControl,
                                      table[3].AutoControl}),
                 (std::array<bool, 4>{true, false, false, true}));
        QCOMPARE(table[0].Zone, QStringLiteral("Temp3"));
        QCOMPARE(table[1].Zone, QString());
        QCOMPARE(table[2].Zone, QStringLiteral("Temp10"));
        QCOMPARE(table[3].Zone, QStringLiteral("Max Temp"));
    }

    void failedBlockReadsDecodeTheStaleBuffer() {
        SimOptions options;
        options.failBlockReads = true;
        SimSession t(options);
        t.connect();
        t.usb().TransferBuffer.fill(0xFF);
        LoadAutoControl(*t.session);
        const AutoControlEntry& e = t.session->decl.AutoControlTable[3];
        QCOMPARE(e.PWMmin, 100.0f);
        QCOMPARE(e.Tmin, 255.0f);
        QVERIFY(e.AutoControl);
        QCOMPARE(e.Zone, QString()); // code 15
        QVERIFY(t.programEnds.isEmpty());
    }

    void applyWritesAllOutputsInOrder() {
        SimSession t;
        t.connect();
        t.chip().write(0x68, 0x7F);
        t.chip().write(0x69, 0x15);
        auto& table = t.session->decl.AutoControlTable;
        table[0] = {QStringLiteral("Temp3"), 40.5f, 30, 100, true, true};
        table[1] = {QString(), 41.5f, 50, 0, false, true};
        table[2] = {QStringLiteral("Max Temp"), 300, -10, 120, true, false};
        table[3] = {QStringLiteral("Temp10"), -10, 10, 90, true, false};
        t.session->decl.UpdateOnChange = true;
        ApplyAutoControl(*t.session, false);

        const QStringList expected{write(0x38, 255),
                                   write(0x6A, 76),
                                   write(0x6E, 40), // 40.5 -> 40
                                   write(0x39, 0),
                                   write(0x6B, 128),
                                   write(0x6F, 42), // 41.5 -> 42
                                   write(0x3A, 255),
                                   write(0x6C, 0),
                                   write(0x70, 255), // 120 % and 300 °C lowered; -10 % -> 0
                                   write(0x3B, 230),
                                   write(0x6D, 26),
                                   write(0x71, 0), // Tmin -10 -> 0
                                   read(0x68),
                                   write(0x68, 0xBF),
                                   read(0x68), // BHV1 set, BHV2 cleared, others kept
                                   read(0x69),
                                   write(0x69, 0xD5),
                                   read(0x69),
                                   write(0x7C, 3 * 16 + NoZoneCode),
                                   write(0x7D, 0 * 16 + 10)};
        QCOMPARE(t.requestTexts(), expected);
        QCOMPARE(t.chip().read(0x6C), 0);
        QCOMPARE(t.usb().ManualControl(1), false);
        QCOMPARE(t.usb().ManualControl(2), true);
        QCOMPARE(t.usb().ManualControl(4), false);
        QCOMPARE(t.session->decl.UpdateOnChange, false);
    }

    void applyStopsAtALinkError() {
        SimSession t;
        t.connect();
        t.session->decl.UpdateOnChange = false;
        t.board->options().failRequestNumber = t.board->requestCount() + 5;
        ApplyAutoControl(*t.session, true);
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
        QCOMPARE(t.requests().size(), 5);
        QCOMPARE(t.session->decl.UpdateOnChange, false);
    }

    void encodings_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<int>("dutyByte");
        QTest::addColumn<int>("tminByte");
        QTest::newRow("0") << 0.0f << 0 << 0;
        QTest::newRow("10") << 10.0f << 26 << 10;
        QTest::newRow("30 (76.5)") << 30.0f << 76 << 30;
        QTest::newRow("50 (127.5)") << 50.0f << 128 << 50;
        QTest::newRow("90") << 90.0f << 230 << 90;
        QTest::newRow("100") << 100.0f << 255 << 100;
        QTest::newRow("40.5") << 40.5f << 103 << 40;
        QTest::newRow("41.5") << 41.5f << 106 << 42;
        QTest::newRow("above range") << 120.0f << 306 << 120;
        QTest::newRow("-10") << -10.0f << 0 << 0;
        QTest::newRow("-0.4") << -0.4f << 0 << 0;
        QTest::newRow("largest single")
            << std::numeric_limits<float>::max() << std::numeric_limits<std::int32_t>::max()
            << std::numeric_limits<std::int32_t>::max();
    }
    void encodings() {
        QFETCH(float, value);
        QFETCH(int, dutyByte);
        QFETCH(int, tminByte);
        QCOMPARE(DutyRegisterValue(value), dutyByte);
        QCOMPARE(TminRegisterValue(value), tminByte);
    }

    void decodingsAndTypedNumbers() {
        QCOMPARE(DutyFromRegister(76), 30.0f);
        QCOMPARE(DutyFromRegister(128), 50.0f);
        QCOMPARE(DutyFromRegister(255), 100.0f);
        QCOMPARE(SingleFromTyped(1e300), std::numeric_limits<float>::max());
        QCOMPARE(SingleFromTyped(-1e300), -std::numeric_limits<float>::max());
        QCOMPARE(SingleFromTyped(33.5), 33.5f);
    }

    void zoneCodes() {
        QCOMPARE(ZoneNames().size(), ZoneCount);
        QCOMPARE(ZoneCode(QStringLiteral("Max Temp")), 0);
        QCOMPARE(ZoneCode(QStringLiteral("Temp1")), 1);
        QCOMPARE(ZoneCode(QStringLiteral("Temp10")), 10);
        QCOMPARE(ZoneCode(QString()), NoZoneCode);
        QCOMPARE(ZoneCode(QStringLiteral("temp3")), NoZoneCode);
        QCOMPARE(ZoneName(10), QStringLiteral("Temp10"));
        QCOMPARE(ZoneName(11), QString());
        QCOMPARE(ZoneName(15), QString());
    }

    void spinnerSteps_data() {
        QTest::addColumn<double>("current");
        QTest::addColumn<int>("steps");
        QTest::addColumn<double>("next");
        QTest::newRow("up") << 40.0 << 1 << 41.0;
        QTest::newRow("down") << 40.0 << -1 << 39.0;
        QTest::newRow("fraction up") << 40.5 << 1 << 41.0;
        QTest::newRow("fraction down") << 40.5 << -1 << 40.0;
        QTest::newRow("at top") << 150.0 << 1 << 150.0;
        QTest::newRow("at bottom") << 0.0 << -1 << 0.0;
        QTest::newRow("above range") << 200.0 << 1 << 150.0;
        QTest::newRow("below range") << -5.0 << -1 << 0.0;
    }
    void spinnerSteps() {
        QFETCH(double, current);
        QFETCH(int, steps);
        QFETCH(double, next);
        QCOMPARE(SpinnerStep(current, steps, 0, 150), next);
    }

    void curveOfResetSettings() {
        const Curve c = CurveSegments({QStringLiteral("Max Temp"), 90, 50, 100, false, true});
        QCOMPARE(c[0], (CurveSegment{{0, 0}, {86, 0}}));
        QCOMPARE(c[1], (CurveSegment{{86, 0}, {86, 50}}));
        QCOMPARE(c[2], (CurveSegment{{86, 50}, {90, 50}}));
        QCOMPARE(c[3].from, (CurvePoint{90, 50}));
        QCOMPARE(c[3].to.duty, 100.0f);
        QVERIFY(std::abs(c[3].to.temperature - 104.925f) < 0.001f);
        QCOMPARE(c[4], (CurveSegment{c[3].to, {130, 100}}));
        QCOMPARE(c[5], (CurveSegment{{90, 0}, {90, 50}}));
    }

    void curvesTakeSettingsAsTheyStand() {
        const Curve flat = CurveSegments({QString(), 60, 70, 70, false, false});
        QCOMPARE(flat[3].from, flat[3].to); // zero-length ramp
        QCOMPARE(flat[4].from, (CurvePoint{60, 70}));

        const Curve backwards = CurveSegments({QString(), 60, 80, 40.8f, false, false});
        QVERIFY(backwards[3].to.temperature < 60);
        QVERIFY(std::abs(backwards[3].to.temperature - (60 - 39.2f / 3.35f)) < 0.001f);

        const Curve low = CurveSegments({QString(), 2, 50, 100, false, false});
        QCOMPARE(low[0].to.temperature, -2.0f);
        QCOMPARE(low[2].from.temperature, -2.0f);
    }

    void plotScaleMapsBothWays() {
        const PlotScale s{390, 290};
        QCOMPARE(s.T2X(0), 0.0f);
        QCOMPARE(s.T2X(130), 390.0f);
        QCOMPARE(s.T2X(10), 30.0f);
        QCOMPARE(s.P2Y(0), 290.0f);
        QCOMPARE(s.P2Y(110), 0.0f);
        QCOMPARE(s.P2Y(55), 145.0f);
        QCOMPARE(s.X2T(195), 65.0f);
        QCOMPARE(s.Y2P(145), 55.0f);
        QVERIFY(s.P2Y(120) < 0); // beyond the axis: outside the area, not clipped
    }

    void controlPointFollowsZoneAndCapsDuty() {
        Readings r;
        for (std::size_t i = 0; i < r.Temperatures.size(); ++i)
            r.Temperatures[i] = static_cast<std::int16_t>(20 + i);
        r.Temperatures[9] = 99;
        r.Temperatures[10] = 88;
        AutoControlEntry e{QStringLiteral("Temp3"), 90, 50, 80, false, true};
        QCOMPARE(ControlPointTemperature(e, r), std::optional<float>(22));
        e.Zone = QStringLiteral("Max Temp");
        QCOMPARE(ControlPointTemperature(e, r), std::optional<float>(88));
        e.Zone.clear();
        QCOMPARE(ControlPointTemperature(e, r), std::nullopt);
        QCOMPARE(ControlPointDuty(e, 100), 80.0f);
        QCOMPARE(ControlPointDuty(e, 20), 20.0f); // not held at PWMmin
    }
};

QTEST_GUILESS_MAIN(TestAutoControl)
#include "tst_autocontrol.moc"
