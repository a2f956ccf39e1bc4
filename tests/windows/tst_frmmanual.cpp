// The manual fan control window over the simulated board: one write of the chosen output's duty
// per user change (keyboard, assistive technology), none for a selection or a refresh.
#include "monitoring/GeneralStuff.h"
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmManual.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QRegularExpression>
#include <QTest>

#include <memory>

class TestFrmManual : public QObject {
    Q_OBJECT

    QStringList writes() const {
        return t->requestTexts().filter(QRegularExpression(QStringLiteral("^222 .* 0 0$")));
    }
    QString shown() const {
        return QStringList{w->lblPWM[1]->text(),           w->lblPWM[0]->text(),
                           w->lblTach[1]->text(),          w->lblTach[0]->text(),
                           w->sldManual->accessibleName(), QString::number(w->sldManual->unitValue())}
            .join(QLatin1Char('|'));
    }
    std::unique_ptr<SimSession> t;
    std::unique_ptr<PollingCycle> polling;
    std::unique_ptr<frmManual> w;
    Readings* r = nullptr;

  private Q_SLOTS:
    void init() {
        t = std::make_unique<SimSession>();
        t->connect();
        t->session->options.ReadingEnabled = false; // the readings are set by the tests
        t->usb().WriteRegister(0x2E, 0x68, 0x40);   // BHV2: PWM2 automatic
        t->usb().RefreshControlFlags(0x69);
        r = &t->session->readings;
        r->FanSpeeds = {4800, 4000, 2000, 82};
        r->DutyCycles = {100, 90, 30, 0};
        polling = std::make_unique<PollingCycle>(*t->session);
        w = std::make_unique<frmManual>(*t->session, *polling);
        w->show();
        t->board->clearJournal();
    }

    // A value set over assistive technology writes once; the refresh does not snap it back to a
    // reading taken before the write.
    void choosingAndSettingOverAssistiveTechnology() {
        QCOMPARE(w->windowTitle(), QStringLiteral("Manual Fan Control"));
        QCOMPARE(shown(), QStringLiteral("Fan1 PWM =|100%|Fan1 Tach =|4800 RPM|Fan1 PWM|100"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w->cmbPWM)->child(0);
        list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction()); // "PWM3"
        QCOMPARE(shown(), QStringLiteral("Fan3 PWM =|30%|Fan3 Tach =|2000 RPM|Fan3 PWM|30"));
        QVERIFY(!w->lblStatus->isVisible());
        QCOMPARE(t->requestTexts(), QStringList());

        QAccessible::queryAccessibleInterface(w->sldManual)->valueInterface()->setCurrentValue(70);
        QCOMPARE(t->requestTexts(), QStringList{"222 46 45620 0 0"}); // 178 to 0x34
        polling->Tick(0);
        QCOMPARE(w->sldManual->unitValue(), 70.0); // the reading of 30 is from before the write
        ReadMeasurements(*t->session, DutyCycleGroup);
        r->DutyCycles[2] = 64; // the chip moved it afterwards
        polling->Tick(1001);
        QCOMPARE(w->sldManual->unitValue(), 64.0);
        QCOMPARE(writes(), QStringList{"222 46 45620 0 0"});

        w->cmdClose->click();
        QVERIFY(!t->session->decl.ManualOpen);
        QCOMPARE(t->session->decl.SelectedPwm, 2);
        w = std::make_unique<frmManual>(*t->session, *polling);
        QCOMPARE(w->cmbPWM->currentText(), QStringLiteral("PWM1"));
    }

    // An output under automatic control is named in the warning and the keyboard still writes
    // its register; a held slider is not moved by the refresh.
    void automaticOutputKeyboardAndHold() {
        w->cmbPWM->setCurrentIndex(1);
        QVERIFY(w->lblStatus->isVisible());
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Fan2 is not under manual control"));
        w->sldManual->setFocus();
        QTest::keyClick(w->sldManual, Qt::Key_Left);
        QTest::keyClick(w->sldManual, Qt::Key_PageDown);
        QCOMPARE(writes(), (QStringList{"222 46 58163 0 0", "222 46 51507 0 0"})); // 227, 201 to 0x33

        w->sldManual->setSliderDown(true);
        r->DutyCycles[1] = 50;
        ++r->dutyCyclesReads;
        polling->Tick(0);
        QCOMPARE(w->lblPWM[0]->text(), QStringLiteral("50%"));
        QCOMPARE(w->sldManual->unitValue(), 79.0);
        w->sldManual->setSliderDown(false);
        polling->Tick(1001);
        QCOMPARE(w->sldManual->unitValue(), 50.0);
        QCOMPARE(writes().size(), 2);
    }
};

QTEST_MAIN(TestFrmManual)
#include "tst_frmmanual.moc"
