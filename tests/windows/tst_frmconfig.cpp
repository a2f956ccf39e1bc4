// General, GPIO and fan windows (all three open): shown, read, written, refused, levels, spinners, warnings.
#include "support/WindowFixture.h"
#include "windows/frmConfig.h"
#include "windows/frmFanConfig.h"
#include "windows/frmGPIO.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

namespace {
QString shown(const frmConfig& w) {
    return QString::asprintf("%d%d %s %d %s %s %d", w.chkMonitoring->isChecked(), w.chkTODIS->isChecked(),
                             qPrintable(w.cmbPin13->currentText()), w.chkPowerDown->isChecked(),
                             qPrintable(w.cmbGain->currentText()), qPrintable(w.cmbOffset->currentText()),
                             w.chkUseDefault->isChecked());
}
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

class TestFrmConfig : public QObject, WindowCase<frmConfig> {
    Q_OBJECT
    WindowCase<frmGPIO> gpio;
    WindowCase<frmFanConfig> fan;

    QList<int> registers(int first, int last) const {
        QList<int> held;
        for (int reg = first; reg <= last; ++reg)
            held << fan.f->t.chip().read(reg);
        return held;
    }

    // Every control changed by the user: gain 731 = 0xB6 << 2 | 3, offset 406 = 0x32 << 3 | 6.
    void editAll() {
        QTest::keyClick(w->chkMonitoring, Qt::Key_Space);
        QTest::keyClick(w->chkTODIS, Qt::Key_Space);
        QTest::keyClick(w->cmbPin13, Qt::Key_Down);
        retype(w->cmbGain->lineEdit(), QStringLiteral("731"));
        retype(w->cmbOffset->lineEdit(), QStringLiteral("406"));
        QTest::keyClick(w->chkUseDefault, Qt::Key_Space);
        f->forget();
    }

private Q_SLOTS:
    void init() {
        open({{0x40, 0x7C}, {0x74, 0x95}, {0x7A, 0x95}, {0x7B, 0x3F}, {0x7F, 0x05}});
        gpio.open({{0x7F, 0xC5}, {0x80, 0x96}});
        fan.open({{0x7C, 0x0B}}); // fan 2 in zone 11, the first the list cannot show
    }

    // Opening shows the chip's settings; Apply writes the edits in order, the other bits kept.
    void openingShowsTheSettingsAndApplyWritesTheEdits() {
        QCOMPARE(shown(*w), QStringLiteral("01 Full Speed Input 1 2 169 1"));
        editAll();
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE(f->journal(),
                 QStringList({readText(0x40), writeText(0x40, 0xF5), readText(0x74), writeText(0x74, 0x95),
                              writeText(0x79, 0xB6), readText(0x7A), writeText(0x7A, 0xD5), readText(0x7A),
                              writeText(0x7A, 0xF2), readText(0x7B), writeText(0x7B, 0xDF),
                              writeText(0x7E, 0xFF), readText(0x7F), writeText(0x7F, 0xC5), readText(0x7F)}));
    }

    // A refused gain or offset keeps the window open; the next OK closes it.
    void okAfterARefusedEntry() {
        for (auto [gain, offset] : {std::pair{"1024", "406"}, {"731", "512"}}) {
            retype(w->cmbGain->lineEdit(), QString::fromLatin1(gain));
            retype(w->cmbOffset->lineEdit(), QString::fromLatin1(offset));
            QTest::mouseClick(w->cmdOK, Qt::LeftButton);
            QVERIFY(w->isVisible() && !w->applyFailed());
        }
        QCOMPARE(f->t.prompts.messages.size(), 2);
        retype(w->cmbOffset->lineEdit(), QStringLiteral("405"));
        QTest::keyClick(w->cmbOffset, Qt::Key_Return);          // Enter, in an editable list too, is OK
        QVERIFY(!w->isVisible() && w->cmbOffset->count() == 4); // the typed number no item of the list
    }

    // OK applies and closes; the next window shows the chip as applied, and its Cancel writes nothing.
    void okThenReopenAndCancel() {
        editAll();
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        QVERIFY(!w->isVisible()); // before the reopening replaces the window
        QCOMPARE(shown(f->open()), QStringLiteral("10 PEXIL Start Output 1 731 406 0"));
        f->forget();
        QTest::keyClick(f->w->cmbGain, Qt::Key_Escape); // Cancel
        QVERIFY(f->journal().isEmpty() && !f->w->isVisible());
    }

    // Unedited, Apply leaves the chip (0x7F's bit 6 too); "Use Default" clears the mask: 0x7E, 0x7F's 7..6.
    void useDefaultClearsTheMask() {
        open({{0x7E, 0x5A}, {0x7F, 0x45}});
        const QList<int> before = f->t.chipState();
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE(f->t.chipState(), before);
        // Ticked, then unticked after the clearing: every coefficient, not the mask loaded before.
        for (const int select : {0x00, 0xFF}) {
            QTest::keyClick(w->chkUseDefault, Qt::Key_Space);
            QTest::mouseClick(w->cmdApply, Qt::LeftButton);
            QCOMPARE((QList<int>{f->t.chip().read(0x7E), f->t.chip().read(0x7F)}),
                     (QList<int>{select, 0x05 | (select & 0xC0)}));
        }
    }

    // Opening shows each row; Cancel writes nothing.
    void openingShowsEachRowAndCancelWritesNothing() {
        QCOMPARE(rows(*gpio.w), QStringList({"0 Output Active Low Clear", "1 Input Active High [Disabled]",
                                             "0 Input Active High [Disabled]", "1 Output Active Low Clear"}));
        QTest::keySequence(gpio.w->chkEnable[0], QKeySequence("Space, Esc")); // an edit, then Cancel
        QVERIFY(!gpio.w->isVisible() && !gpio.f->t.session->decl.GpioOpen);
        QCOMPARE(gpio.f->t.requests().size(), 1);
    }

    // Unedited, Apply keeps both registers (bits 7..4 of 0x7F are not the window's); OK writes the edits.
    void uneditedApplyKeepsBothRegistersOkWritesTheEdits() {
        QTest::mouseClick(gpio.w->cmdApply, Qt::LeftButton);
        QVERIFY(gpio.f->t.chip().read(0x7F) == 0xC5 && gpio.f->t.chip().read(0x80) == 0x96);
        gpio.open({{0x7F, 0}, {0x80, 0}});
        QTest::keyClick(gpio.w->chkEnable[0], Qt::Key_Space);
        QTest::keyClick(gpio.w->chkEnable[2], Qt::Key_Space);
        choose(gpio.w->cmbPolarity[0], 1);
        choose(gpio.w->cmbDir[2], 1);
        QVERIFY(gpio.w->cmbStatus[2]->isVisible() && !gpio.w->lblValue[2]->isVisible());
        choose(gpio.w->cmbStatus[2], 1);
        gpio.f->forget();
        QTest::keyClick(gpio.w->cmbStatus[2], Qt::Key_Enter, Qt::KeypadModifier); // OK, from the keypad
        QCOMPARE(gpio.f->journal(), QStringList({"222 46 127 1 1", "222 46 2687 0 0", "222 46 127 1 1",
                                                 "222 46 18560 0 0", "222 46 129 1 1", "222 46 16513 0 0"}));
        QVERIFY(!gpio.w->isVisible() && gpio.f->t.usb().GpioEnabled(3) && !gpio.f->t.usb().GpioEnabled(2));
    }

    // At most once a second, one read per enabled input, from the rows as shown, applied or not.
    void inputLevelsOncePerSecond() {
        // GPIO 1 active high, GPIO 2 and 4 outputs
        gpio.open({{0x7F, 0x0F}, {0x80, 0x62}}, {.chip = {.gpioInputHigh = {true, false, false, true}}});
        gpio.f->forget();
        gpio.f->polling.Tick(0);
        gpio.f->polling.Tick(990);
        QCOMPARE(gpio.f->journal() << gpio.w->lblValue[0]->text() << gpio.w->lblValue[2]->text(),
                 QStringList({"222 46 129 1 1", "222 46 129 1 1", "Set", "Set"}));
        QTest::keyClick(gpio.w->chkEnable[0], Qt::Key_Space);
        choose(gpio.w->cmbDir[1], 0);
        gpio.f->forget();
        gpio.f->polling.Tick(1010);
        QCOMPARE(rows(*gpio.w).mid(0, 2),
                 QStringList({"0 Input Active High [Disabled]", "1 Input Active Low [Clear]"}));
        QCOMPARE(gpio.f->journal(), QStringList(2, "222 46 129 1 1"));
        for (std::size_t i = 0; i < 4; ++i)
            choose(gpio.w->cmbDir[i], 1);
        gpio.f->forget();
        gpio.f->polling.Tick(2020);
        QVERIFY(gpio.f->t.requests().isEmpty());
    }

    // The warnings follow the transport's cached enable flags once a second, without a request.
    void gpioWarningsFollowTheEnableFlags() {
        fan.w->SSTab1->setCurrentIndex(2);
        fan.f->t.usb().WriteRegister(0x2E, 0x7F, 0x05); // GPIO 2 and 4 enabled, as the register map would
        fan.f->polling.Tick(0);
        const auto& l = fan.w->lblPWMGPIO;
        QCOMPARE((QList<bool>{l[0]->isHidden(), l[1]->isVisible(), l[2]->isHidden(), l[3]->isHidden()}),
                 (QList<bool>{true, true, true, false}));
        fan.f->t.usb().WriteRegister(0x2E, 0x7F, 0x0B); // all but GPIO 2
        fan.f->forget();
        fan.f->polling.Tick(1001);
        QVERIFY(fan.w->lblPWMGPIO[1]->isHidden() && fan.f->t.requests().isEmpty());
    }

    // Spinner k of UpDown(4n+1..4n+4) (fan n's max and min duty, max and min tach) clicked k times, min
    // tach up, the others down (">5400000" from its range's top, 20000); no other box moves.
    void spinnersStepTheirBox_data() {
        QTest::addColumn<int>("k");
        for (int k = 1; k <= 16; ++k)
            QTest::newRow(qPrintable(QStringLiteral("UpDown%1").arg(k))) << k;
    }
    void spinnersStepTheirBox() {
        QFETCH(int, k);
        const QStringList stepped{"99", "48", "19850", "250", "95", "44", "19650", "450",
                                  "91", "40", "19450", "650", "87", "36", "19250", "850"};
        const auto* spinner = fan.w->findChild<UpDown*>(QStringLiteral("UpDown%1").arg(k)); // by its name
        QVERIFY(spinner);
        fan.w->SSTab1->setCurrentIndex((k + 3) / 4);
        for (int click = 0; click < k; ++click)
            QTest::mouseClick((k - 1) % 4 < 3 ? spinner->downButton : spinner->upButton, Qt::LeftButton);
        QStringList texts,
            expected = QStringLiteral("100 50 >5400000 82 ").repeated(4).split(u' ', Qt::SkipEmptyParts);
        expected[k - 1] = stepped[k - 1];
        for (std::size_t n = 0; n < 4; ++n)
            for (QLineEdit* b :
                 {fan.w->txtMaxDuty[n], fan.w->txtMinDuty[n], fan.w->txtMaxTach[n], fan.w->txtMinTach[n]})
                texts << b->text();
        QCOMPARE(texts, expected);
    }

    // Unedited, everything goes back as loaded; then the edits, a tab reached by Ctrl+Tab in an MDI area.
    void applyWritesBackWhatWasLoadedThenTheEdits() {
        QMdiArea area; // its key filter first, as in the program
        fan.open({{0x38, 76},   {0x39, 77},   {0x3B, 0},    {0x40, 0xDD}, {0x43, 0xE4}, {0x58, 0x8C},
                  {0x59, 0x0A}, {0x5A, 0x41}, {0x5B, 0x9C}, {0x62, 0x09}, {0x63, 0x07}, {0x68, 0xD8},
                  {0x69, 0x29}, {0x6A, 2},    {0x6B, 1},    {0x74, 0xE5}, {0x75, 0x8B}, {0x76, 0x70},
                  {0x7B, 0xFD}, {0x7C, 0x52}, {0x7D, 0xA1}});
        area.addSubWindow(fan.f->w.release());
        area.show();
        QVERIFY(QTest::qWaitForWindowActive(&area)); // keys go to the active window
        const QList<int> loaded = registers(0x38, 0x7D), state = fan.f->t.chipState();
        QTest::mouseClick(fan.w->cmdApply, Qt::LeftButton);
        // A PWM frequency that needs all three of its bits shown as read.
        QCOMPARE(std::pair(fan.f->t.chipState(), fan.w->cmbFreq->currentIndex()), std::pair(state, 6));
        fan.w->cmbFreq->setFocus();
        QTest::keySequence(fan.w->cmbFreq, QKeySequence("Ctrl+Tab, Ctrl+Tab, Ctrl+Shift+Backtab, Ctrl+Tab"));
        QCOMPARE(fan.w->SSTab1->currentIndex(), 2);
        retype(fan.w->txtMinTach[1], QStringLiteral("3000"));
        fan.w->cmbControlType[1]->setCurrentIndex(0);
        fan.w->cmbZone[2]->setCurrentIndex(3); // fan 3 follows Temp3
        fan.w->SSTab1->setCurrentIndex(0);
        fan.w->chkFanFail[3]->setFocus();
        QTest::keyClick(fan.w->chkFanFail[3], Qt::Key_Space);
        fan.w->cmbFreq->setCurrentIndex(5);
        // Every other control, each to a field of its own.
        for (QCheckBox* box :
             {fan.w->chkFanOVT[3], fan.w->chkInvert[0], fan.w->chkInvert[2], fan.w->chkEnhance[1],
              fan.w->chkHighFreq, fan.w->chkFastTach, fan.w->chkFullSpeed, fan.w->chkDisableTach[2]})
            box->click();
        for (auto [box, index] :
             {std::pair{fan.w->cmbRampRate[2], 5}, {fan.w->cmbSpinUp, 3}, {fan.w->cmbPulses[1], 2}})
            box->setCurrentIndex(index);
        for (auto [box, text] : {std::pair{fan.w->txtMaxDuty[2], "40"},
                                 {fan.w->txtMinDuty[3], "20"},
                                 {fan.w->txtMaxTach[0], "5000"},
                                 {fan.w->txtMaxTach[3], "0"}}) // no speed: the slowest count
            retype(box, text);
        QTest::mouseClick(fan.w->cmdApply, Qt::LeftButton);
        const std::pair<int, int> edits[] = {
            {0x3A, 0x66}, {0x40, 0xB9}, {0x43, 0xE8}, {0x5A, 0x08}, {0x5B, 0x07}, {0x60, 0x38},
            {0x61, 0x04}, {0x66, 0xFF}, {0x67, 0xFF}, {0x68, 0xB8}, {0x69, 0x0C}, {0x6D, 0x33},
            {0x74, 0xD1}, {0x75, 0x83}, {0x76, 0x50}, {0x7B, 0xFB}, {0x7D, 0x31}};
        QList<int> edited = loaded; // and no other register
        for (auto [reg, value] : edits)
            edited[reg - 0x38] = value;
        QCOMPARE(std::pair(registers(0x38, 0x7D), fan.w->isVisible()), std::pair(edited, true));
    }

    // Cancel (Escape) and the frame's close box write nothing; OK (Enter) writes every register, closes.
    void cancelCloseAndOk() {
        fan.w->txtMinTach[0]->setText(QStringLiteral("1000"));
        QTest::keyClick(fan.w->txtMinTach[0], Qt::Key_Escape);
        QVERIFY(!fan.w->isVisible() && !fan.f->t.session->decl.FanConfigOpen);
        fan.f->open().close();
        QCOMPARE(fan.f->writes().size(), 0);
        QTest::keyClick(fan.f->open().txtMinTach[0], Qt::Key_Return);
        QVERIFY(fan.f->writes().size() == 34 && !fan.f->w->isVisible());
    }
};

QTEST_MAIN(TestFrmConfig)
#include "tst_frmconfig.moc"
