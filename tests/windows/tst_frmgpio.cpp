// The GPIO window over the simulated board: what opening reads and shows, the rows following
// their direction, the once-a-second input levels and what the buttons write.
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmGPIO.h"

#include <QTest>

#include <memory>

namespace {
struct Fixture {
    explicit Fixture(SimOptions o = {}) : t(std::move(o)) {
        t.connect();
        t.session->options.ReadingEnabled = false;
    }
    frmGPIO& open() {
        w = std::make_unique<frmGPIO>(*t.session, polling);
        w->show();
        return *w;
    }
    SimSession t;
    PollingCycle polling{*t.session};
    std::unique_ptr<frmGPIO> w;
};

// Per row: the enable box, direction, polarity, and the status list or the value label shown.
QStringList rows(const frmGPIO& w) {
    QStringList out;
    for (std::size_t i = 0; i < 4; ++i)
        out << QStringLiteral("%1 %2 %3 %4")
                   .arg(w.chkEnable[i]->isChecked())
                   .arg(w.cmbDir[i]->currentText(), w.cmbPolarity[i]->currentText(),
                        w.cmbStatus[i]->isVisible() ? w.cmbStatus[i]->currentText()
                                                    : QStringLiteral("[%1]").arg(w.lblValue[i]->text()));
    return out;
}

void choose(QComboBox* list, int index) {
    list->setFocus();
    QTest::keyClick(list, index > list->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
}
} // namespace

class TestFrmGPIO : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void openingShowsTheChipAndAnUneditedApplyWritesItBack() {
        Fixture f;
        f.t.chip().write(0x7F, 0xC5);
        f.t.chip().write(0x80, 0x96);
        f.t.chip().write(0x81, 0x80); // output GPIO 4 set
        f.t.board->clearJournal();
        frmGPIO& w = f.open();
        QCOMPARE(f.t.requestTexts(), QStringList{"220 46 127 1 3"});
        QCOMPARE(w.windowTitle(), QStringLiteral("GPIO"));
        QCOMPARE(rows(w), QStringList({"0 Output Active Low Clear", "1 Input Active High [Disabled]",
                                       "0 Input Active High [Disabled]", "1 Output Active Low Set"}));
        QVERIFY(f.t.session->decl.GpioOpen);

        f.t.board->clearJournal();
        QTest::mouseClick(w.cmdApply, Qt::LeftButton);
        const QStringList sent = f.t.requestTexts();
        QCOMPARE(sent.size(), 6);
        QCOMPARE(sent[1], QStringLiteral("222 46 %1 0 0").arg(0xC5 * 256 + 0x7F));
        QCOMPARE(sent[3], QStringLiteral("222 46 %1 0 0").arg(0x96 * 256 + 0x80));
        QCOMPARE(sent[5], QStringLiteral("222 46 %1 0 0").arg(0x80 * 256 + 0x81));
        QVERIFY(w.isVisible());
    }

    // GPIO 1 and 3 enabled, GPIO 1 active high, GPIO 3 an output set; then OK.
    void editsWriteOnOkAndCancelWritesNothing() {
        Fixture f;
        frmGPIO& w = f.open();
        QTest::keyClick(w.chkEnable[0], Qt::Key_Space);
        QTest::keyClick(w.chkEnable[2], Qt::Key_Space);
        choose(w.cmbPolarity[0], 1);
        choose(w.cmbDir[2], 1);
        QVERIFY(w.cmbStatus[2]->isVisible() && !w.lblValue[2]->isVisible());
        choose(w.cmbStatus[2], 1);
        f.t.board->clearJournal();
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        QCOMPARE(f.t.requestTexts(), QStringList({"222 46 127 1 1", "222 46 2687 0 0", "222 46 127 1 1",
                                                  "222 46 18560 0 0", "222 46 129 1 1", "222 46 16513 0 0"}));
        QVERIFY(!w.isVisible() && !f.t.session->decl.GpioOpen);
        QVERIFY(f.t.usb().GpioEnabled(1) && f.t.usb().GpioEnabled(3) && !f.t.usb().GpioEnabled(2));

        frmGPIO& again = f.open();
        QCOMPARE(rows(again)[2], QStringLiteral("1 Output Active Low Set"));
        QTest::keyClick(again.chkEnable[0], Qt::Key_Space);
        choose(again.cmbDir[1], 1);
        f.t.board->clearJournal();
        QTest::mouseClick(again.cmdCancel, Qt::LeftButton);
        QVERIFY(!again.isVisible() && f.t.requests().isEmpty());
    }

    // Each second one read per enabled input, from the rows as shown, applied or not.
    void inputLevelsOncePerSecond() {
        SimOptions o;
        o.chip.gpioInputHigh = {true, false, false, true};
        Fixture f(o);
        f.t.chip().write(0x7F, 0x0F);
        f.t.chip().write(0x80, 0x62); // GPIO 1 active high, GPIO 2 and 4 outputs
        frmGPIO& w = f.open();
        f.t.board->clearJournal();
        f.polling.Tick(0);
        f.polling.Tick(1000);
        QCOMPARE(f.t.requestTexts(), QStringList({"222 46 129 1 1", "222 46 129 1 1"}));
        QCOMPARE(w.lblValue[0]->text(), QStringLiteral("Set"));
        QCOMPARE(w.lblValue[2]->text(), QStringLiteral("Set")); // low and active low

        QTest::keyClick(w.chkEnable[0], Qt::Key_Space);
        choose(w.cmbDir[1], 0);
        f.polling.Tick(1001);
        QCOMPARE(w.lblValue[0]->text(), QStringLiteral("Disabled"));
        QCOMPARE(w.lblValue[1]->text(), QStringLiteral("Clear")); // the chip still drives it as an output
        QCOMPARE(f.t.requests().size(), 4);

        for (std::size_t i = 0; i < 4; ++i)
            w.cmbDir[i]->setCurrentIndex(1);
        f.t.board->clearJournal();
        f.polling.Tick(2002);
        QVERIFY(f.t.requests().isEmpty());
        QCOMPARE(f.t.chip().read(0x80), 0x62); // nothing was applied
    }
};

QTEST_MAIN(TestFrmGPIO)
#include "tst_frmgpio.moc"
