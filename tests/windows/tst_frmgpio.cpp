// The GPIO window: what opening reads and shows, the rows following their direction, the
// once-a-second input levels and what the buttons write.
#include "support/WindowFixture.h"
#include "windows/frmGPIO.h"

#include <QTest>

namespace {
// Per row: the enable box, direction, polarity, and the status list or [the value label] shown.
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
    if (index != list->currentIndex())
        QTest::keyClick(list, index > list->currentIndex() ? Qt::Key_Down : Qt::Key_Up);
}
} // namespace

class TestFrmGPIO : public QObject, WindowCase<frmGPIO> {
    Q_OBJECT

private Q_SLOTS:
    void init() { open({{0x7F, 0xC5}, {0x80, 0x96}}); }

    void openingReadsTheBlockAndShowsEachRow() {
        QCOMPARE(f->journal(), QStringList{"220 46 127 1 3"});
        QCOMPARE(rows(*w), QStringList({"0 Output Active Low Clear", "1 Input Active High [Disabled]",
                                        "0 Input Active High [Disabled]", "1 Output Active Low Clear"}));
    }

    void cancelWritesNothing() {
        QTest::keyClick(w->chkEnable[0], Qt::Key_Space);
        QTest::keyClick(w->chkEnable[0], Qt::Key_Escape); // Cancel
        QVERIFY(!w->isVisible() && !f->t.session->decl.GpioOpen);
        QCOMPARE(f->t.requests().size(), 1);
    }

    // Bits 7..4 of 0x7F are not the window's.
    void uneditedApplyKeepsBothRegisters() {
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE((QList<int>{f->t.chip().read(0x7F), f->t.chip().read(0x80)}), (QList<int>{0xC5, 0x96}));
    }

    void okWritesTheEditsAndCloses() {
        open({{0x7F, 0}, {0x80, 0}});
        QTest::keyClick(w->chkEnable[0], Qt::Key_Space);
        QTest::keyClick(w->chkEnable[2], Qt::Key_Space);
        choose(w->cmbPolarity[0], 1);
        choose(w->cmbDir[2], 1);
        QVERIFY(w->cmbStatus[2]->isVisible() && !w->lblValue[2]->isVisible());
        choose(w->cmbStatus[2], 1);
        f->forget();
        QTest::keyClick(w->cmbStatus[2], Qt::Key_Enter); // OK
        QCOMPARE(f->journal(), QStringList({"222 46 127 1 1", "222 46 2687 0 0", "222 46 127 1 1",
                                            "222 46 18560 0 0", "222 46 129 1 1", "222 46 16513 0 0"}));
        QVERIFY(!w->isVisible() && f->t.usb().GpioEnabled(3) && !f->t.usb().GpioEnabled(2));
    }

    // At most once a second, one read per enabled input, from the rows as shown, applied or not.
    void inputLevelsOncePerSecond() {
        // GPIO 1 active high, GPIO 2 and 4 outputs
        open({{0x7F, 0x0F}, {0x80, 0x62}}, {.chip = {.gpioInputHigh = {true, false, false, true}}});
        f->forget();
        f->polling.Tick(0);
        f->polling.Tick(990);
        QCOMPARE(f->journal(), QStringList(2, "222 46 129 1 1"));
        QCOMPARE((QStringList{w->lblValue[0]->text(), w->lblValue[2]->text()}), QStringList({"Set", "Set"}));
        QTest::keyClick(w->chkEnable[0], Qt::Key_Space);
        choose(w->cmbDir[1], 0);
        f->forget();
        f->polling.Tick(1010);
        QCOMPARE(rows(*w).mid(0, 2),
                 QStringList({"0 Input Active High [Disabled]", "1 Input Active Low [Clear]"}));
        QCOMPARE(f->journal(), QStringList(2, "222 46 129 1 1"));
        for (std::size_t i = 0; i < 4; ++i)
            choose(w->cmbDir[i], 1);
        f->forget();
        f->polling.Tick(2020);
        QVERIFY(f->t.requests().isEmpty());
    }
};

QTEST_MAIN(TestFrmGPIO)
#include "tst_frmgpio.moc"
