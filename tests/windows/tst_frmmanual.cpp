// The manual fan control window over the simulated board: one write of the chosen output's duty
// per user change (keyboard, assistive technology), none for a selection or a refresh.
#include "monitoring/GeneralStuff.h"
#include "support/WindowFixture.h"
#include "windows/frmManual.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QTest>

class TestFrmManual : public QObject {
    Q_OBJECT

    QString shown() const {
        return QStringList{w->lblPWM[1]->text(),           w->lblPWM[0]->text(),
                           w->lblTach[1]->text(),          w->lblTach[0]->text(),
                           w->sldManual->accessibleName(), QString::number(w->sldManual->unitValue())}
            .join(QLatin1Char('|'));
    }
    std::unique_ptr<WindowFixture<frmManual>> f;
    frmManual* w = nullptr;
    Readings* r = nullptr;

private Q_SLOTS:
    void init() {
        f = std::make_unique<WindowFixture<frmManual>>();
        f->t.usb().WriteRegister(0x2E, 0x68, 0x40); // BHV2: PWM2 automatic
        f->t.usb().RefreshControlFlags(0x69);
        r = &f->t.session->readings;
        r->FanSpeeds = {4800, 4000, 2000, 82};
        r->DutyCycles = {100, 90, 30, 0};
        w = &f->open();
        f->forget();
    }

    // A value set over assistive technology writes once; the refresh does not snap it back to a
    // reading taken before the write.
    void choosingAndSettingOverAssistiveTechnology() {
        QCOMPARE(w->windowTitle(), QStringLiteral("Manual Fan Control"));
        QCOMPARE(shown(), QStringLiteral("Fan1 PWM =|—%|Fan1 Tach =|— RPM|Fan1 PWM|0")); // nothing read yet
        markRead(*r);
        w->cmbPWM_Click();
        QCOMPARE(shown(), QStringLiteral("Fan1 PWM =|100%|Fan1 Tach =|4800 RPM|Fan1 PWM|100"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w->cmbPWM)->child(0);
        list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction()); // "PWM3"
        QCOMPARE(shown(), QStringLiteral("Fan3 PWM =|30%|Fan3 Tach =|2000 RPM|Fan3 PWM|30"));
        QVERIFY(!w->lblStatus->isVisible());
        QCOMPARE(f->journal(), QStringList());

        QAccessible::queryAccessibleInterface(w->sldManual)->valueInterface()->setCurrentValue(70);
        QCOMPARE(f->journal(), QStringList{"222 46 45620 0 0"}); // 178 to 0x34
        f->polling.Tick(0);
        QCOMPARE(w->sldManual->unitValue(), 70.0); // the reading of 30 is from before the write
        ReadMeasurements(*f->t.session, DutyCycleGroup);
        r->DutyCycles[2] = 64; // the chip moved it afterwards
        f->polling.Tick(1001);
        QCOMPARE(w->sldManual->unitValue(), 64.0);

        w->cmdClose->click();
        QVERIFY(!f->t.session->decl.ManualOpen);
        QCOMPARE(f->t.session->decl.SelectedPwm, 2);
        w = &f->open();
        QCOMPARE(w->cmbPWM->currentText(), QStringLiteral("PWM1"));
    }

    // An output under automatic control is named in the warning and the keyboard still writes
    // its register; a held slider is not moved by the refresh.
    void automaticOutputKeyboardAndHold() {
        markRead(*r);
        w->cmbPWM->setCurrentIndex(1);
        QVERIFY(w->lblStatus->isVisible());
        QCOMPARE(w->lblStatus->text(), QStringLiteral("Fan2 is not under manual control"));
        w->sldManual->setFocus();
        QTest::keyClick(w->sldManual, Qt::Key_Left);
        QTest::keyClick(w->sldManual, Qt::Key_PageDown);
        QCOMPARE(f->writes(), (QStringList{"222 46 58163 0 0", "222 46 51507 0 0"})); // 227, 201 to 0x33

        w->sldManual->setSliderDown(true);
        r->DutyCycles[1] = 50;
        ++r->dutyCyclesReads;
        f->polling.Tick(0);
        QCOMPARE(w->lblPWM[0]->text(), QStringLiteral("50%"));
        QCOMPARE(w->sldManual->unitValue(), 79.0);
        w->sldManual->setSliderDown(false);
        f->polling.Tick(1001);
        QCOMPARE(w->sldManual->unitValue(), 50.0);
        QCOMPARE(f->writes().size(), 2);
    }
};

QTEST_MAIN(TestFrmManual)
#include "tst_frmmanual.moc"
