// Automatic fan control in core: loading and applying the four outputs over the simulated board
// (asserted on the request journal), the register encodings and the geometry of the curve plot.
#include "monitoring/AutoControl.h"
#include "support/SimSession.h"

#include <QTest>

#include <limits>
#include <tuple>

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
        chip.write(0x7C, 0x35); // PWM1 Temp3, PWM2 Temp5
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
        QCOMPARE((QStringList{table[0].Zone, table[1].Zone, table[2].Zone, table[3].Zone}),
                 (QStringList{"Temp3", "Temp5", "Temp10", "Max Temp"}));
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

        // Per output its max duty, min duty and Tmin, then the BHV bits and the zone nibbles.
        QStringList expected;
        expected << write(0x38, 255) << write(0x6A, 76) << write(0x6E, 40) // 76.5 -> 76, 40.5 -> 40
                 << write(0x39, 0) << write(0x6B, 128) << write(0x6F, 42)  // 127.5 -> 128, 41.5 -> 42
                 << write(0x3A, 255) << write(0x6C, 0) << write(0x70, 255) // 120 %, 300 °C, -10 %
                 << write(0x3B, 230) << write(0x6D, 26) << write(0x71, 0)  // Tmin -10 -> 0
                 << read(0x68) << write(0x68, 0xBF) << read(0x68) // BHV1 set, BHV2 cleared, others kept
                 << read(0x69) << write(0x69, 0xD5) << read(0x69) // BHV3 and BHV4 set
                 << write(0x7C, 3 * 16 + NoZoneCode) << write(0x7D, 0 * 16 + 10);
        QCOMPARE(t.requestTexts(), expected);
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

    void numbersAtTheirLimits() {
        constexpr float largest = std::numeric_limits<float>::max();
        QCOMPARE(DutyRegisterValue(largest), std::numeric_limits<std::int32_t>::max());
        QCOMPARE(TminRegisterValue(largest), std::numeric_limits<std::int32_t>::max());
        QCOMPARE(SingleFromTyped(1e300), largest);
        QCOMPARE(SingleFromTyped(-1e300), -largest);
        QCOMPARE(ZoneCode(QStringLiteral("temp3")), NoZoneCode);
    }

    void curves() {
        const Curve c = CurveSegments({QStringLiteral("Max Temp"), 90, 50, 100, false, true});
        QCOMPARE(c[0], (CurveSegment{{0, 0}, {86, 0}}));
        QCOMPARE(c[1], (CurveSegment{{86, 0}, {86, 50}}));
        QCOMPARE(c[2], (CurveSegment{{86, 50}, {90, 50}}));
        QCOMPARE(c[3].from, (CurvePoint{90, 50}));
        QCOMPARE(c[3].to.duty, 100.0f);
        QVERIFY(std::abs(c[3].to.temperature - 104.925f) < 0.001f);
        QCOMPARE(c[4], (CurveSegment{c[3].to, {130, 100}}));
        QCOMPARE(c[5], (CurveSegment{{90, 0}, {90, 50}}));

        // Settings are drawn as they stand.
        const Curve flat = CurveSegments({QString(), 60, 70, 70, false, false});
        QCOMPARE(flat[3].from, flat[3].to); // zero-length ramp
        QCOMPARE(flat[4].from, (CurvePoint{60, 70}));
        const Curve backwards = CurveSegments({QString(), 60, 80, 40.8f, false, false});
        QVERIFY(std::abs(backwards[3].to.temperature - (60 - 39.2f / 3.35f)) < 0.001f);
        const Curve low = CurveSegments({QString(), 2, 50, 100, false, false});
        QCOMPARE(low[0].to.temperature, -2.0f);
    }

    void plotScaleMapsBothWays() {
        const PlotScale s{390, 290};
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
        AutoControlEntry e{QStringLiteral("Temp3"), 90, 50, 80, false, true};
        QCOMPARE(ControlPointTemperature(e, r), std::optional<float>(22));
        e.Zone = QStringLiteral("Max Temp");
        QCOMPARE(ControlPointTemperature(e, r), std::optional<float>(30));
        e.Zone.clear();
        QCOMPARE(ControlPointTemperature(e, r), std::nullopt);
        QCOMPARE(ControlPointDuty(e, 100), 80.0f);
        QCOMPARE(ControlPointDuty(e, 20), 20.0f); // not held at PWMmin
    }
};

QTEST_GUILESS_MAIN(TestAutoControl)
#include "tst_autocontrol.moc"
