// The limits and interrupts window over the simulated board: what goes over the wire when it
// opens, refreshes, a channel is chosen, a pointer moves and Apply is pressed, and what the lamps
// and gauges show. The encodings themselves are tested in core.
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmLimits.h"

#include <QAccessible>
#include <QTest>

#include <memory>

namespace {
QString write(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}
QString read(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}

struct Fixture {
    Fixture() {
        t.connect();
        t.session->options.ReadingEnabled = false;
    }
    frmLimits& open() {
        w = std::make_unique<frmLimits>(*t.session, polling);
        w->show();
        return *w;
    }
    // Moves the clock on in polling ticks; the test's check runs after each.
    template <typename Check> void run(std::int64_t ms, Check check) {
        for (std::int64_t end = t.clock.nowMs() + ms; t.clock.nowMs() < end;) {
            t.clock.advance(100);
            polling.Tick(t.clock.nowMs());
            check();
        }
    }
    SimSession t;
    PollingCycle polling{*t.session};
    std::unique_ptr<frmLimits> w;
};

QAccessibleValueInterface* pointerValue(Gauge* g, int pointer) {
    return QAccessible::queryAccessibleInterface(g)->child(pointer - 2)->valueInterface();
}
} // namespace

class TestFrmLimits : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void openingRefreshAndClosing() {
        Fixture f;
        f.t.chip().write(0x72, 0x85);
        f.t.chip().write(0x73, 0x48);
        frmLimits& w = f.open();
        QCOMPARE(f.t.requestTexts(), QStringList({read(0x44), read(0x45), read(0x59), read(0x58), read(0x61),
                                                  read(0x60), "220 46 114 1 2"}));
        for (int k = 0; k < InterruptRows; ++k)
            QCOMPARE(w.chkMask[static_cast<std::size_t>(k)]->isChecked(),
                     k == 0 || k == 2 || k == 12 || k == 14);
        QCOMPARE((QList<double>{w.ggeTemp->pointer(2), w.ggeTemp->pointer(3), w.ggeFan->pointer(2),
                                w.ggeFan->pointer(3)}),
                 (QList<double>{-127, 127, 82, 5400000}));
        QCOMPARE((QStringList{w.windowTitle(), w.cmdApply->text(), w.ggeFan->toolTip(),
                              w.tglAlert[14]->toolTip()}),
                 (QStringList{"Limits and Interrupts", "Apply ", "Drag the sliders to change the limits",
                              "Interrupt Status: Green=OK, Red=Bad, Invisible=Disabled"}));

        // Once a second: one status read, and the needles follow the readings.
        f.t.board->clearJournal();
        f.t.session->readings.Temperatures = {31, 0, -5};
        f.t.session->readings.FanSpeeds = {2400, 1800};
        f.run(3000, [] {});
        QCOMPARE(f.t.requestTexts(), QStringList(3, "220 46 65 1 2"));
        QCOMPARE((QStringList{w.ggeTemp->caption(), w.ggeFan->caption()}),
                 (QStringList{" 31°C", " 2400 RPM"}));
        QCOMPARE(w.ggeFan->needle(), 2400);
        w.cmbTemp->setCurrentIndex(2);
        w.cmbFan->setCurrentIndex(1);
        f.run(1000, [] {});
        QCOMPARE((QStringList{w.ggeTemp->caption(), w.ggeFan->caption()}),
                 (QStringList{"-5°C", " 1800 RPM"}));

        QTest::mouseClick(w.cmdClose, Qt::LeftButton);
        QVERIFY(!f.t.session->decl.LimitsOpen);
        f.t.board->clearJournal();
        f.run(3000, [] {});
        QVERIFY(f.t.requestTexts().isEmpty());
    }

    // Choosing reads the channel's limits; each keyboard step writes the pair; a moved fan
    // minimum writes its pair and the maximum pair back as it was.
    void pointersWriteTheChosenChannel() {
        Fixture f;
        frmLimits& w = f.open();
        f.t.board->clearJournal();
        w.cmbTemp->setCurrentIndex(2);
        w.cmbFan->setCurrentIndex(1);
        QCOMPARE(f.t.requestTexts(),
                 QStringList({read(0x48), read(0x49), read(0x5B), read(0x5A), read(0x63), read(0x62)}));

        f.t.board->clearJournal();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.cmbTemp->setFocus();
        QTest::keyClick(w.cmbTemp, Qt::Key_Tab);
        QTest::keyClick(w.ggeTemp, Qt::Key_Tab);
        QTest::keyClick(w.ggeTemp, Qt::Key_Down);
        QTest::keyClick(w.ggeTemp, Qt::Key_PageDown);
        QTest::keyClick(w.ggeTemp, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), w.cmbFan);
        QCOMPARE(f.t.requestTexts(),
                 QStringList({write(0x48, -127), write(0x49, 126), write(0x48, -127), write(0x49, 116)}));

        w.cmbFan->setCurrentIndex(3);
        w.ggeFan->setPointer(Gauge::HighPointer, 3000); // from code: nothing written
        f.t.board->clearJournal();
        pointerValue(w.ggeFan, Gauge::LowPointer)->setCurrentValue(1000);
        QCOMPARE(f.t.requestTexts(),
                 QStringList({write(0x5E, 0x18), write(0x5F, 0x15), write(0x66, 0), write(0x67, 0)}));
        // The absent fan 4 is now too slow.
        f.run(1000, [] {});
        QVERIFY(w.tglAlert[13]->isOn());
        QCOMPARE(QAccessible::queryAccessibleInterface(w.tglAlert[13])->text(QAccessible::Value),
                 QStringLiteral("Alarm"));
    }

    // A heater drives Temperature 1 over a lowered high limit; the lamp follows within two
    // seconds both ways, and keeps its state while status reads fail.
    void lampFollowsAHeatedSensor() {
        Fixture f;
        f.t.session->options.ReadingEnabled = true;
        f.t.session->options.ReadInterval = 100;
        frmLimits& w = f.open();
        pointerValue(w.ggeTemp, Gauge::HighPointer)->setCurrentValue(32);
        Lamp* lamp = w.tglAlert[0];
        std::int64_t over = -1, lit = -1;
        f.t.usb().SetHeater(1, 100);
        f.run(60000, [&] {
            if (over < 0 && f.t.chip().read(0x20) > 32) over = f.t.clock.nowMs();
            if (lit < 0 && lamp->isOn()) lit = f.t.clock.nowMs();
        });
        QVERIFY(over > 0 && lit >= over && lit - over <= 2000);

        f.t.board->options().failBlockReads = true;
        f.t.usb().TransferBuffer.fill(0);
        f.run(2000, [] {});
        QVERIFY(lamp->isOn());
        f.t.board->options().failBlockReads = false;

        std::int64_t under = -1, out = -1;
        f.t.usb().SetHeater(1, 0);
        f.run(120000, [&] {
            if (under < 0 && f.t.chip().read(0x20) <= 32) under = f.t.clock.nowMs();
            if (under >= 0 && out < 0 && !lamp->isOn()) out = f.t.clock.nowMs();
        });
        QVERIFY(under > 0 && out >= under && out - under <= 2000);
    }

    void applyBuildsBothMasks_data() {
        QTest::addColumn<int>("chipFirst");
        QTest::addColumn<int>("chipSecond");
        QTest::addColumn<QList<int>>("clicked");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::newRow("nothing edited") << 0xC1 << 0x3C << QList<int>{} << 0xC1 << 0x3C;
        QTest::newRow("Fan 3") << 0 << 0 << QList<int>{12} << 0 << 0x40;
        QTest::newRow("cleared again") << 0x01 << 0x08 << QList<int>{0, 14} << 0 << 0;
    }
    void applyBuildsBothMasks() {
        QFETCH(int, chipFirst);
        QFETCH(int, chipSecond);
        QFETCH(QList<int>, clicked);
        QFETCH(int, first);
        QFETCH(int, second);
        Fixture f;
        f.t.chip().write(0x72, chipFirst);
        f.t.chip().write(0x73, chipSecond);
        frmLimits& w = f.open();
        for (int k : clicked)
            QTest::mouseClick(w.chkMask[static_cast<std::size_t>(k)], Qt::LeftButton);
        QVERIFY(f.t.requestTexts().size() == 7); // ticking writes nothing
        QTest::mouseClick(w.cmdApply, Qt::LeftButton);
        QCOMPARE(f.t.requestTexts().mid(7), QStringList({write(0x72, first), write(0x73, second)}));
        QVERIFY(w.isVisible());
    }
};

QTEST_MAIN(TestFrmLimits)
#include "tst_frmlimits.moc"
