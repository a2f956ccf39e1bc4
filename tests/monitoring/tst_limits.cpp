// Limits and interrupts in core: the limit reads and writes on the wire (request journal and the
// chip's registers), the RPM-to-count rule, and the row layout of the interrupt registers.
#include "monitoring/Limits.h"
#include "support/SimSession.h"

#include <QTest>

namespace {
QString write(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}
QString read(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}
InterruptRowStates rows(std::initializer_list<int> ticked) {
    InterruptRowStates r{};
    for (int k : ticked)
        r[static_cast<std::size_t>(k)] = true;
    return r;
}
} // namespace

class TestLimits : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void temperatureLimits() {
        SimSession t;
        t.connect();
        t.chip().write(0x49, 0x7F);
        QCOMPARE(ReadTemperatureLimits(*t.session, 3), (std::optional<TemperatureLimits>{{-127, 127}}));
        // Negative limits go out as negative values; halves round to even; the byte range holds.
        WriteTemperatureLimits(*t.session, 10, -10.5, 300);
        WriteTemperatureLimits(*t.session, 1, 2.5, -1e9);
        QCOMPARE(t.requestTexts(), QStringList({read(0x48), read(0x49), write(0x56, -10), write(0x57, 127),
                                                write(0x44, 2), write(0x45, -128)}));
        QCOMPARE(t.chip().read(0x56), 0xF6);
        QCOMPARE(t.chip().read(0x45), 0x80);
    }

    void tachLimitCount_data() {
        QTest::addColumn<double>("rpm");
        QTest::addColumn<int>("count");
        QTest::newRow("no speed") << 0.0 << 0xFFFF;
        QTest::newRow("negative") << -5.0 << 0xFFFF;
        QTest::newRow("below the slowest count") << 60.0 << 0xFFFF;
        QTest::newRow("just below") << 82.39 << 0xFFFF;
        QTest::newRow("just above") << 82.41 << 65526;
        QTest::newRow("1000") << 1000.0 << 5400;
        QTest::newRow("half to even") << 3456.0 << 1562; // 1562.5
    }
    void tachLimitCount() {
        QFETCH(double, rpm);
        QFETCH(int, count);
        QCOMPARE(TachLimitCount(rpm), count);
    }

    // Fan 2 reads high before low; a moved minimum keeps the maximum's "none" (0) exactly.
    void tachLimits() {
        SimSession t;
        t.connect();
        t.chip().write(0x63, 0x0A);
        t.chip().write(0x62, 0x8C);
        QCOMPARE(ReadTachLimits(*t.session, 2), (std::optional<TachLimits>{{0xFFFF, 2700}}));
        QCOMPARE(MovedTachLimit({0xFFFF, 0}, TachLimit::Minimum, 1000), (TachLimits{5400, 0}));
        WriteTachLimits(*t.session, 4, MovedTachLimit({0xFFFF, 0}, TachLimit::Minimum, 1000));
        QCOMPARE(t.requestTexts(),
                 QStringList({read(0x5B), read(0x5A), read(0x63), read(0x62), write(0x5E, 0x18),
                              write(0x5F, 0x15), write(0x66, 0), write(0x67, 0)}));

        t.board->clearJournal(); // a link error stops the writes there
        t.board->options().failRequestNumber = t.board->requestCount() + 2;
        WriteTachLimits(*t.session, 1, {1, 2});
        QCOMPARE(t.requests().size(), 2);
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
    }

    void interruptRows_data() {
        QTest::addColumn<InterruptRowStates>("masked");
        QTest::addColumn<int>("ool");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("none") << rows({}) << 0 << 0 << 0;
        QTest::newRow("Temp 1, Temp 7") << rows({0, 6}) << 0 << 0x41 << 0;
        QTest::newRow("Temp 8, 9, 10") << rows({7, 8, 9}) << 0 << 0 << 0x07;
        QTest::newRow("Fan 1, Fan 3") << rows({10, 12}) << 0 << 0 << 0x50;
        QTest::newRow("Fan 4, NORM") << rows({13, 14}) << 0 << 0 << 0x88;
        QTest::newRow("every row") << rows({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}) << 0 << 0x7F
                                   << 0xFF;
        QTest::newRow("OOL kept, nothing else") << rows({}) << 0xFF << 0x80 << 0;
    }
    void interruptRows() {
        QFETCH(InterruptRowStates, masked);
        QFETCH(int, ool);
        QFETCH(int, first);
        QFETCH(int, second);
        QCOMPARE(InterruptMaskBytes(masked, ool), (std::array<int, 2>{first, second}));
        QCOMPARE(InterruptRowsFromBytes(first, second), masked);
    }

    void interruptRegisters() {
        SimSession t;
        t.connect();
        t.chip().write(0x72, 0x81);
        t.chip().write(0x73, 0x40);
        const auto masks = ReadInterruptMasks(*t.session);
        QVERIFY(masks);
        QCOMPARE(masks->rows, rows({0, 12}));
        WriteInterruptMasks(*t.session, rows({14}), masks->oolMask);
        QCOMPARE(t.requestTexts(), QStringList({"220 46 114 1 2", write(0x72, 0x80), write(0x73, 0x08)}));
        QCOMPARE((QStringList{InterruptRowCaption(9), InterruptRowCaption(10), InterruptRowCaption(14)}),
                 (QStringList{"Temp 10", "Fan 1", "NORM"}));

        // Masks filled from stale bytes would be written back by Apply: a failed read ends the program.
        t.board->options().failBlockReads = true;
        QVERIFY(!ReadInterruptMasks(*t.session));
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
    }

    void gaugeCaptions() {
        QCOMPARE((QStringList{TemperatureGaugeCaption(25), TemperatureGaugeCaption(0),
                              TemperatureGaugeCaption(-5), FanGaugeCaption(2400)}),
                 (QStringList{" 25°C", " 0°C", "-5°C", " 2400 RPM"}));
    }
};

QTEST_MAIN(TestLimits)
#include "tst_limits.moc"
