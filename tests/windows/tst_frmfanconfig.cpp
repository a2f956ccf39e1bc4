// The fan configuration window: what it shows, reads and writes, its spinners and its GPIO
// warnings. The encodings and the order of an apply are tested in core.
#include "support/WindowFixture.h"
#include "windows/frmFanConfig.h"

#include <QAccessible>
#include <QMdiArea>
#include <QTest>

class TestFrmFanConfig : public QObject, WindowCase<frmFanConfig> {
    Q_OBJECT

    void openEdited() {
        open({{0x38, 76},   {0x39, 77},   {0x3B, 0},    {0x40, 0xDD}, {0x43, 0xE4}, {0x58, 0x8C},
              {0x59, 0x0A}, {0x5A, 0x41}, {0x5B, 0x9C}, {0x62, 0x09}, {0x63, 0x07}, {0x68, 0xD8},
              {0x69, 0x29}, {0x6A, 2},    {0x6B, 1},    {0x74, 0xB5}, {0x75, 0x8B}, {0x76, 0x70},
              {0x7B, 0xFD}, {0x7C, 0x52}, {0x7D, 0xA1}});
    }
    QList<int> registers(int first, int last) const {
        QList<int> held;
        for (int reg = first; reg <= last; ++reg)
            held << f->t.chip().read(reg);
        return held;
    }

private Q_SLOTS:
    void init() { open({{0x7C, 0x0C}}); } // fan 2 in zone 12, which the list cannot show

    void openingReadsInBlocksAndShowsTheChipsSettings() {
        QCOMPARE(f->journal(), QStringList({"220 46 56 1 4", "220 46 64 1 4", "220 46 88 1 22",
                                            "220 46 116 1 3", "220 46 123 1 3"}));
        QCOMPARE((QStringList{w->txtMinTach[1]->text(), w->txtMaxTach[1]->text(), w->txtMaxDuty[1]->text(),
                              w->cmbZone[0]->currentText(), w->cmbZone[1]->currentText(),
                              w->cmbPulses[1]->currentText()}),
                 (QStringList{"82", ">5400000", "100", "Max Temp Reg", "", "2"}));
        // Captions with their doubled blanks; boxes named by their labels.
        QCOMPARE((QStringList{w->SSTab1->tabText(0), w->SSTab1->tabText(4), w->fraAllFans->title(),
                              w->cmbFreq->itemText(0), w->chkEnhance[3]->text(), w->lblPWMGPIO[1]->text()}),
                 (QStringList{"All Fans", "Fan4", "Settings  for All Fans", "11.0Hz(LF) -   1.4kHz(HF)",
                              "Enable Enhanced  Acoustics", "Pin5 is configured as GPIO 2"}));
        QCOMPARE(QAccessible::queryAccessibleInterface(w->txtMinTach[1])->text(QAccessible::Name),
                 QStringLiteral("Min Tach Limit  (RPM)"));
    }

    // The warnings follow the transport's cached enable flags once a second, without a request.
    void gpioWarningsFollowTheEnableFlags() {
        w->SSTab1->setCurrentIndex(2);
        f->t.usb().WriteRegister(0x2E, 0x7F, 0x04); // GPIO 2 enabled, as the register map would
        f->polling.Tick(0);
        QVERIFY(w->lblPWMGPIO[1]->isVisible() && w->lblPWMGPIO[0]->isHidden() &&
                w->lblPWMGPIO[2]->isHidden());
        f->t.usb().WriteRegister(0x2E, 0x7F, 0x00);
        f->forget();
        f->polling.Tick(1001);
        QVERIFY(w->lblPWMGPIO[1]->isHidden());
        QCOMPARE(f->t.requests().size(), 0);
    }

    // UpDown(4n+1) .. (4n+4) step fan n's max duty, min duty, max tach and min tach: spinner k
    // clicked k times, min tach up and the others down (max tach from ">5400000", beyond its range
    // of 0 to 20000: from the range's top); no other box moves.
    void spinnersStepTheirBox_data() {
        QTest::addColumn<int>("k");
        for (int k = 1; k <= 16; ++k)
            QTest::newRow(qPrintable(QStringLiteral("UpDown%1").arg(k))) << k;
    }
    void spinnersStepTheirBox() {
        QFETCH(int, k);
        const QStringList stepped{"99", "48", "19850", "250", "95", "44", "19650", "450",
                                  "91", "40", "19450", "650", "87", "36", "19250", "850"};
        auto* spinner = w->findChild<UpDown*>(QStringLiteral("UpDown%1").arg(k));
        w->SSTab1->setCurrentIndex((k + 3) / 4);
        for (int click = 0; click < k; ++click)
            QTest::mouseClick((k - 1) % 4 < 3 ? spinner->downButton : spinner->upButton, Qt::LeftButton);
        QStringList texts,
            expected = QStringLiteral("100 50 >5400000 82 ").repeated(4).split(u' ', Qt::SkipEmptyParts);
        expected[k - 1] = stepped[k - 1];
        for (std::size_t n = 0; n < 4; ++n)
            for (QLineEdit* b : {w->txtMaxDuty[n], w->txtMinDuty[n], w->txtMaxTach[n], w->txtMinTach[n]})
                texts << b->text();
        QCOMPARE(texts, expected);
    }

    // Unedited, every control goes back where it came from; then the edits, a fan's tab reached with
    // Ctrl+Tab in an MDI area (as in the main window, whose area takes the keys for cycling windows).
    void applyWritesBackWhatWasLoadedThenTheEdits() {
        QMdiArea area; // its key filter first, as in the program
        openEdited();
        area.addSubWindow(f->w.release());
        area.show();
        QVERIFY(QTest::qWaitForWindowActive(&area)); // keys go to the active window
        const QList<int> loaded = registers(0x38, 0x7D);
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE(registers(0x38, 0x7D), loaded);
        w->cmbFreq->setFocus();
        QTest::keyClick(w->cmbFreq, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(w->cmbFreq, Qt::Key_Tab, Qt::ControlModifier);
        QTest::keyClick(w->cmbFreq, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier); // one back
        QTest::keyClick(w->cmbFreq, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(w->SSTab1->currentIndex(), 2);
        retype(w->txtMinTach[1], QStringLiteral("3000"));
        w->cmbControlType[1]->setCurrentIndex(0);
        w->SSTab1->setCurrentIndex(0);
        w->chkFanFail[3]->setFocus();
        QTest::keyClick(w->chkFanFail[3], Qt::Key_Space);
        w->cmbFreq->setCurrentIndex(5);
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE(registers(0x5A, 0x5B) + registers(0x68, 0x69) + registers(0x74, 0x74),
                 (QList<int>{0x08, 0x07, 0x98, 0x28, 0xD5}));
        QVERIFY(w->isVisible());
    }

    // Cancel (Escape) and the frame's close box write nothing; OK (Enter) writes every register and
    // closes.
    void cancelCloseAndOk() {
        w->txtMinTach[0]->setText(QStringLiteral("1000"));
        QTest::keyClick(w->txtMinTach[0], Qt::Key_Escape);
        QVERIFY(!w->isVisible() && !f->t.session->decl.FanConfigOpen);
        f->open().close();
        QCOMPARE(f->writes().size(), 0);
        QTest::keyClick(f->open().txtMinTach[0], Qt::Key_Return);
        QCOMPARE(f->writes().size(), 34);
        QVERIFY(!f->w->isVisible());
    }
};

QTEST_MAIN(TestFrmFanConfig)
#include "tst_frmfanconfig.moc"
