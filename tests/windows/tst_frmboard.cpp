// Board windows: details (per backend), free-wheel test, heater levels, manual duty: a write per user change.
#include "board/Startup.h"
#include "monitoring/GeneralStuff.h"
#include "session/BoardOptions.h"
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmHeaters.h"
#include "windows/frmInfo.h"
#include "windows/frmMain.h"
#include "windows/frmManual.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QTest>

namespace {
// Caption, revision, 5 V, 12 V, address and the four fans, as "|"-separated text.
QString shown(const frmInfo& w) {
    QStringList out{w.cmdFreeWheel->text(), w.lblRevision->text(), w.lbl5V->text(), w.lbl12V->text(),
                    w.lblSMBusAddress->text()};
    for (const QLabel* l : w.lblFanPresent)
        out << l->text();
    return out.join(QLatin1Char('|'));
}
// The manual fan control window with PWM2 under automatic control, readings set but not yet read.
struct Manual {
    Manual() {
        f.t.usb().WriteRegister(0x2E, 0x68, 0x40); // BHV2: PWM2 automatic
        f.t.usb().RefreshControlFlags(0x69);
        r.FanSpeeds = {4800, 4000, 2000, 82};
        r.DutyCycles = {100, 90, 30, 0};
        w = &f.open();
        f.forget();
    }
    QString shown() const {
        return QStringList{w->lblPWM[1]->text(),           w->lblPWM[0]->text(),
                           w->lblTach[1]->text(),          w->lblTach[0]->text(),
                           w->sldManual->accessibleName(), QString::number(w->sldManual->unitValue())}
            .join(QLatin1Char('|'));
    }
    WindowFixture<frmManual> f;
    Readings& r = f.t.session->readings;
    frmManual* w = nullptr;
};
} // namespace

class TestFrmBoard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Board revision (B: the free-wheel test), chip address, whether the status request fails, what shows.
    void detailsAsReported_data() {
        addRows<std::tuple<int, int, bool, QString>>(
            {{"revision A", {0, 0x2D, false, "Free Wheel Test|A|Yes|Yes|2Dh|Yes|No|Yes|No"}},
             {"unknown revision, no 12 V", {3, 0x2E, false, "Free Wheel Test||Yes|No|2Eh|Yes|No|Yes|No"}},
             {"revision D, no 5 V", {4, 0x2C, false, "Free Wheel Test|D|No|Yes|2Ch|Yes|No|Yes|No"}},
             {"status fails: not the buffer's old bytes",
              {1, 0x2E, true, "Free Wheel Test||||2Eh|Yes|No|Yes|No"}}});
    }
    void detailsAsReported() {
        const auto& [revision, address, statusFails, expected] =
            fetchRow<std::tuple<int, int, bool, QString>>();
        SimOptions o{.chipAddresses = {address}, .boardRevision = revision, .chip = {}};
        o.supply12V = revision != 3, o.supply5V = revision != 4;
        WindowFixture<frmInfo> f(std::move(o));
        f.t.chip().write(0x36, 0x0A);        // fans 2 and 4 absent
        f.t.usb().TransferBuffer.fill(0x0C); // would read as both supplies and revision D
        if (statusFails) f.t.failNextRequest();
        QCOMPARE(shown(f.open()), expected);
        QCOMPARE(f.journal(), (QStringList{"221 0 0 1 6", QStringLiteral("222 %1 54 1 1").arg(address)}));
    }

    // Each backend over its simulated bus, connected by the program: board named, revision, 5 V, 12 V.
    void windowsWorkOnTheBackend_data() {
        addRows<QStringList>(
            {{"usb:sim", {"Simulated USB board 2-7 (serial VT000001)", "B", "Yes", "Yes"}},
             {"i2c:sim", {"Simulated SMBus adapter, chip at 2Eh", "", "Unknown", "Unknown"}}});
    }
    void windowsWorkOnTheBackend() {
        BackendSession b;
        BoardOptions options;
        options.board = QString::fromLatin1(QTest::currentDataTag());
        options.usb.port = QStringLiteral("2-7"); // the simulated USB board is found at the port asked for
        options.report = [&b](const QString& t) { b.told << t; };
        QString error;
        auto backend = CreateBoard(options, b.clock, nullptr, error);
        QVERIFY2(backend, qPrintable(error));
        b.start(std::move(backend));
        PollingCycle polling(*b.session);
        QTemporaryDir dir;
        SettingsStore settings(dir.filePath("s.ini"));
        frmMain main(*b.session, polling, settings);
        RecordingSplash splash(b.clock);
        QVERIFY(main.Form_Load(splash));
        InitDefaults(*b.session), b.session->options.ReadingEnabled = false;
        frmInfo info(*b.session, polling);
        QCOMPARE((QStringList{main.lblBoard->text(), info.lblRevision->text(), info.lbl5V->text(),
                              info.lbl12V->text()}),
                 fetchRow<QStringList>());
        QVERIFY(b.ends.isEmpty() && b.told.isEmpty());
    }

    // "Checking" with a dot a second; a test running at closing is watched by the next window too. No fan 1.
    void freeWheelTest() {
        WindowFixture<frmInfo> f(
            {.chip = {.fanPresent = {false, true, true, true}, .freeWheelTestMs = 6000}});
        frmInfo& w = f.open();
        f.forget();
        QTest::mouseClick(w.cmdFreeWheel, Qt::LeftButton);
        QCOMPARE(f.journal(), (QStringList{"222 46 64 1 1", "222 46 832 0 0"}));
        QCOMPARE(shown(w), QStringLiteral("Checking|B|Yes|Yes|2Eh||||"));
        const auto tick = [&f](const frmInfo& window) { // a second on, then its caption
            f.polling.Tick(f.t.clock.nowMs());
            f.t.clock.advance(1001);
            return window.cmdFreeWheel->text();
        };
        QCOMPARE((QStringList{tick(w), tick(w), tick(w), tick(w), tick(w)}), // five seconds, in order
                 (QStringList{"Checking.", "Checking..", "Checking...", "Checking", "Checking."}));
        w.close();
        QVERIFY(f.t.session->decl.FreeWheelRunning && !f.t.session->decl.BoardInfoOpen);

        f.forget();
        f.t.chip().write(0x36, 0x05);
        frmInfo& again = f.open();
        QCOMPARE(shown(again), QStringLiteral("Free Wheel Test|B|Yes|Yes|2Eh|No|Yes|No|Yes"));
        const QString counting = tick(again);
        tick(again);
        QCOMPARE(counting + u'>' + shown(again),
                 QStringLiteral("Free Wheel Test.>Free Wheel Test|B|Yes|Yes|2Eh|No|Yes|Yes|Yes"));
        tick(again); // no poll once the test has ended
        QCOMPARE(f.journal(), (QStringList{"221 0 0 1 6", "222 46 54 1 1", "222 46 64 1 1", "222 46 64 1 1",
                                           "222 46 54 1 1"}));

        // A test started in this window counts its dots from none, and ends on the designed caption too.
        QTest::mouseClick(again.cmdFreeWheel, Qt::LeftButton);
        const QString started = again.cmdFreeWheel->text();
        QCOMPARE(started + u'>' + tick(again), QStringLiteral("Checking>Checking."));
        for (int s = 0; s < 6; ++s)
            tick(again);
        QCOMPARE(shown(again), QStringLiteral("Free Wheel Test|B|Yes|Yes|2Eh|No|Yes|Yes|Yes"));
    }

    // Level bytes 75 and 1 show 37.5 and 0.5, sending nothing; keys, drags go to whole levels; the sensors.
    void heaterLevelsAndTemperatures() {
        WindowFixture<frmHeaters> f({.heaterHalfSteps = true, .chip = {}});
        f.t.usb().SetHeater(1, 38); // reported as 75
        f.t.usb().SetHeater(2, 1);  // reported as 1: the least half step
        f.forget();
        frmHeaters& w = f.open();
        QCOMPARE(f.journal() << w.windowTitle() << w.lblLevel[0]->text() << w.lblLevel[1]->text(),
                 QStringList({"218 0 0 1 3", "Heater Control", "37.5", "0.5"}));
        QCOMPARE(w.sldHeater[1]->unitValue(), 0.5);

        f.forget();
        w.sldHeater[0]->setFocus();
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_PageDown, Qt::Key_End})
            QTest::keyClick(w.sldHeater[0], key);
        QTest::keyClick(w.sldHeater[1], Qt::Key_Left); // from 0.5 down to 0
        for (double value : {100.4, 1.5, 0.5})
            QAccessible::queryAccessibleInterface(w.sldHeater[1])->valueInterface()->setCurrentValue(value);
        QAccessibleInterface* second = QAccessible::queryAccessibleInterface(w.sldHeater[1]);
        using A = QAccessibleActionInterface; // a screen reader's steps: up twice, down once (a level of 1)
        for (const QString& action : {A::increaseAction(), A::increaseAction(), A::decreaseAction()})
            second->actionInterface()->doAction(action);
        for (int position : {7, 1}) // dragged to 3.5, then 0.5: the whole level towards the one it left
            w.sldHeater[1]->setSliderPosition(position);
        QCOMPARE(
            std::pair(f.journal(), second->valueInterface()->maximumValue().toDouble()),
            std::pair(QStringList{"218 1 38 0 1", "218 1 39 0 1", "218 1 29 0 1", "218 1 100 0 1",
                                  "218 2 0 0 1", "218 2 100 0 1", "218 2 2 0 1", "218 2 0 0 1", "218 2 1 0 1",
                                  "218 2 2 0 1", "218 2 1 0 1", "218 2 3 0 1", "218 2 1 0 1"},
                      100.0));
        QStringList shown{w.lblTemp[0]->text()}; // as opened, before the first temperature reading, after it
        f.t.session->readings.Temperatures = {54, -5};
        for (int read = 0; read < 2; ++read, markRead(f.t.session->readings)) {
            f.run(1000);
            shown << w.lblTemp[0]->text() + QStringLiteral(", ") + w.lblTemp[1]->text();
        }
        QCOMPARE(shown, QStringList({"Temp1 = ", "Temp1 = —°C, Temp2 = —°C", "Temp1 = 54°C, Temp2 = -5°C"}));
    }

    // The heater error: No keeps the window with its sliders unset, Yes ends the program.
    void heaterError() {
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            WindowFixture<frmHeaters> f;
            f.t.usb().TransferBuffer[1] = 80; // would read as 40
            f.t.failNextRequest();
            f.t.prompts.answers = {answer};
            QCOMPARE(f.open().sldHeater[1]->unitValue(), 0.0);
            QCOMPARE(f.t.session->decl.HeatersOpen, answer == MessageAnswer::No && f.t.programEnds.isEmpty());
        }
    }

    // A value set over assistive technology writes once; a reading from before the write does not undo it.
    void choosingAndSettingOverAssistiveTechnology() {
        Manual m;
        QCOMPARE(m.shown(), QStringLiteral("Fan1 PWM =|—%|Fan1 Tach =|— RPM|Fan1 PWM|0")); // nothing read yet
        markRead(m.r);
        m.w->cmbPWM_Click();
        QCOMPARE(m.shown(), QStringLiteral("Fan1 PWM =|100%|Fan1 Tach =|4800 RPM|Fan1 PWM|100"));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(m.w->cmbPWM)->child(0);
        list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::toggleAction()); // "PWM3"
        QCOMPARE(m.shown(), QStringLiteral("Fan3 PWM =|30%|Fan3 Tach =|2000 RPM|Fan3 PWM|30"));
        QVERIFY(!m.w->lblStatus->isVisible() && m.f.journal().isEmpty());

        QAccessible::queryAccessibleInterface(m.w->sldManual)->valueInterface()->setCurrentValue(70);
        QCOMPARE(m.f.journal(), QStringList{"222 46 45620 0 0"}); // 178 to 0x34
        m.f.polling.Tick(0);
        QCOMPARE(m.w->sldManual->unitValue(), 70.0); // the reading of 30 is from before the write
        ReadMeasurements(*m.f.t.session, DutyCycleGroup);
        m.r.DutyCycles[2] = 64; // the chip moved it afterwards
        m.f.polling.Tick(1001);
        QCOMPARE(m.w->sldManual->unitValue(), 64.0);

        m.w->cmdClose->click();
        QVERIFY(!m.f.t.session->decl.ManualOpen && m.f.t.session->decl.SelectedPwm == 2);
        m.w = &m.f.open();
        m.w->cmbPWM->showPopup(), QTest::keyClick(m.w->cmbPWM->view(), Qt::Key_Down); // an open list waits
        QCOMPARE(m.w->cmbPWM->currentText(), QStringLiteral("PWM1"));
    }

    // An automatic output is named in the warning, keys still write it; a held slider is not refreshed.
    void automaticOutputKeyboardAndHold() {
        Manual m;
        markRead(m.r);
        m.w->cmbPWM->setCurrentIndex(1);
        QVERIFY(m.w->lblStatus->isVisible() && m.w->lblStatus->text() == "Fan2 is not under manual control");
        m.w->sldManual->setFocus();
        QTest::keySequence(m.w->sldManual, QKeySequence("Left, PgDown"));
        QCOMPARE(m.f.writes(), (QStringList{"222 46 58163 0 0", "222 46 51507 0 0"})); // 227, 201 to 0x33

        m.w->sldManual->setSliderDown(true);
        m.r.DutyCycles[1] = 50;
        ++m.r.dutyCyclesReads;
        m.f.polling.Tick(0);
        QCOMPARE(std::pair(m.w->lblPWM[0]->text(), m.w->sldManual->unitValue()),
                 std::pair(QStringLiteral("50%"), 79.0));
        m.w->sldManual->setSliderDown(false);
        m.f.polling.Tick(1001);
        QCOMPARE(std::pair(m.w->sldManual->unitValue(), m.f.writes().size()), std::pair(50.0, qsizetype(2)));
    }
};

QTEST_MAIN(TestFrmBoard)
#include "tst_frmboard.moc"
