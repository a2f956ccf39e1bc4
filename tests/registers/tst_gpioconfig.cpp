// The GPIO pins in core: the bit layout of the three registers, an apply on the wire, and the
// once-a-second value texts with the reads they cost.
#include "registers/GpioConfig.h"
#include "support/SimSession.h"

#include <QTest>

namespace {
QString write(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}
QString read(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}
} // namespace

class TestGpioConfig : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // GPIO 1 is the high bit of each field in 0x7F and 0x80, the low bit in 0x81.
    void bitLayout() {
        const GpioPins pins = DecodeGpio(0xC5, 0x96, 0x30);
        QString shown; // enabled, output, active high, set per pin
        for (const GpioPin& p : pins)
            shown += QStringLiteral("%1%2%3%4 ").arg(p.enabled).arg(p.output).arg(p.activeHigh).arg(p.set);
        QCOMPARE(shown, QStringLiteral("0101 1011 0010 1100 "));
        QCOMPARE(GpioEnableValue(0xC5, pins), 0xC5);
        QCOMPARE(GpioEnableValue(0x3A, GpioPins{}), 0x30);
        QCOMPARE(GpioConfigValue(pins), 0x96);
        QCOMPARE(GpioStatusValue(0xCF, pins), 0x3F);
    }

    // GPIO 1 an active-high input, GPIO 3 an output set; both enabled.
    void applyWritesTheThreeRegisters() {
        SimSession t;
        t.connect();
        GpioPins pins{};
        pins[0] = {true, false, true, false};
        pins[2] = {true, true, false, true};
        ApplyGpio(*t.session, pins);
        QCOMPARE(t.requestTexts(), QStringList({read(0x7F), write(0x7F, 0x0A), read(0x7F), write(0x80, 0x48),
                                                read(0x81), write(0x81, 0x40)}));
        QVERIFY(t.usb().GpioEnabled(1) && !t.usb().GpioEnabled(2) && t.usb().GpioEnabled(3));
        QCOMPARE(t.chip().read(0x81), 0x40);
        QVERIFY(!t.chip().gpioPinHigh(3)); // set, active low
    }

    void valueTextsReadOncePerEnabledInput() {
        SimOptions o;
        o.chip.gpioInputHigh = {true, true, false, false};
        SimSession t(o);
        t.connect();
        t.chip().write(0x7F, 0x0D); // GPIO 3 disabled
        t.chip().write(0x80, 0x42); // GPIO 1 active high, GPIO 4 an output
        t.board->clearJournal();
        const auto texts = GpioValueTexts(*t.session, DecodeGpio(0x0D, 0x42, 0));
        QCOMPARE(texts[0], std::optional<QString>("Set"));
        QCOMPARE(texts[1], std::optional<QString>("Clear")); // high is clear when active low
        QCOMPARE(texts[2], std::optional<QString>("Disabled"));
        QVERIFY(!texts[3]);
        QCOMPARE(t.requestTexts(), QStringList({read(0x81), read(0x81)}));

        t.board->clearJournal();
        const auto none = GpioValueTexts(*t.session, DecodeGpio(0x0F, 0xAA, 0));
        QVERIFY(!none[0] && !none[1] && !none[2] && !none[3]);
        QVERIFY(t.requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestGpioConfig)
#include "tst_gpioconfig.moc"
