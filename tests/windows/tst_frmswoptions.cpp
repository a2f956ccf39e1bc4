// The software options window: which typed intervals are applied and which are refused. What the
// applied options do to the polling cycle and a running log is tested with the cycle.
#include "session/AlarmOptions.h"
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmSWOptions.h"

#include <QTest>

namespace {
struct Fixture : WindowFixture<frmSWOptions> {
    explicit Fixture(const AlarmOptions& alarms = {}) {
        t.session->options.ReadingEnabled = true; // the program's defaults, before the window loads them
        t.session->alarmOptions = alarms;
        w = std::make_unique<frmSWOptions>(*t.session, polling, settings);
        w->show();
    }
    SettingsStore settings{dir.filePath(QStringLiteral("settings.ini"))};
    QList<int> options() const {
        const PollingOptions& o = t.session->options;
        return {o.ReadingEnabled, o.ReadInterval, o.GraphInterval, o.LogInterval};
    }
};
} // namespace

class TestFrmSWOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A value its variable cannot hold refuses the whole Apply, the other boxes included.
    void aValueTooLargeForItsVariable_data() {
        const QString any32 = QStringLiteral(" must be a number from 0 to 2147483647.");
        addRows<std::pair<QString, QString>>(
            {{"txtGraphing", {"40000", "Graphing Interval (ms) must be a number from 0 to 32767."}},
             {"txtReadInt", {"-20", "Reading Interval (ms)" + any32}},
             {"txtLogging", {"3e9", "Logging Interval (ms)" + any32}}});
    }
    void aValueTooLargeForItsVariable() {
        const auto& [text, message] = fetchRow<std::pair<QString, QString>>();
        Fixture f;
        f.w->chkMonitoring->click();
        f.w->findChild<QLineEdit*>(QTest::currentDataTag())->setText(text);
        f.w->cmdApply->click();
        QCOMPARE(f.t.prompts.messages.value(0).text, message);
        QCOMPARE(f.options(), (QList<int>{true, 100, 50, 100}));
    }

    // Text without a number is 0; values typed but not applied go with Close.
    void applyThenClose() {
        Fixture f;
        QCOMPARE((QStringList{f.w->txtReadInt->text(), f.w->txtGraphing->text(), f.w->txtLogging->text()}),
                 (QStringList{"100", "50", "100"}));
        f.w->chkMonitoring->click();
        f.w->txtLogging->clear();
        f.w->txtGraphing->setText(QStringLiteral("32767"));
        f.w->cmdApply->click();
        f.w->txtReadInt->setText(QStringLiteral("500"));
        f.w->cmdCancel->click();
        QCOMPARE(f.options(), (QList<int>{false, 100, 32767, 0}));
    }

    // The Alarms page applies with the other page, or neither applies; what it applies is in the
    // session at once and in the store for the next run.
    void alarmsPage() {
        Fixture f;
        frmSWOptions& w = *f.w;
        QVERIFY(w.chkAlarmWindow->isChecked() && !w.chkAlarmSound->isChecked() &&
                !w.txtSoundFile->isEnabled() && !w.txtProgram->isEnabled());
        w.chkAlarmCommand->click();
        w.txtReadInt->setText(QStringLiteral("250"));
        w.cmdApply->click();
        QCOMPARE(f.t.prompts.messages.value(0).text,
                 QStringLiteral("Choose the program to run on an alarm."));
        QCOMPARE(f.options(), (QList<int>{true, 100, 50, 100}));
        QCOMPARE(f.t.session->alarmOptions, AlarmOptions{});

        retype(w.txtProgram, QStringLiteral("sh"));
        w.txtArguments->setPlainText(QStringLiteral("-c\necho \"$VORTANE_CHANNEL\" > /tmp/x\n\n"));
        w.chkAlarmNotify->click();
        w.chkAlarmSound->click();
        w.cmdApply->click();
        QCOMPARE(f.options(), (QList<int>{true, 250, 50, 100}));
        AlarmOptions applied;
        applied.notification = false;
        applied.sound = true;
        applied.command = true;
        applied.program = QStringLiteral("sh");
        applied.arguments = QStringList{"-c", "echo \"$VORTANE_CHANNEL\" > /tmp/x"};
        QCOMPARE(f.t.session->alarmOptions, applied);
        QCOMPARE(LoadAlarmOptions(SettingsStore(f.dir.filePath(QStringLiteral("settings.ini")))), applied);
    }

    // The Alarms page opens on what the session holds, each control from its own field, and an
    // Apply with nothing edited keeps every field.
    void alarmsPageOpensOnWhatIsHeld() {
        AlarmOptions held;
        held.mainWindow = false;
        held.sound = true;
        held.soundFile = QStringLiteral("/srv/bell.wav");
        held.command = true;
        held.program = QStringLiteral("/usr/bin/logger");
        held.arguments = QStringList{"-t", "bench 3"};
        Fixture f(held);
        frmSWOptions& w = *f.w;
        const QList<bool> ticks{w.chkAlarmWatch->isChecked(), w.chkAlarmWindow->isChecked(),
                                w.chkAlarmNotify->isChecked(), w.chkAlarmSound->isChecked(),
                                w.chkAlarmCommand->isChecked()};
        QCOMPARE(ticks, (QList<bool>{true, false, true, true, true}));
        QCOMPARE((QStringList{w.txtSoundFile->text(), w.txtProgram->text(), w.txtArguments->toPlainText()}),
                 (QStringList{"/srv/bell.wav", "/usr/bin/logger", "-t\nbench 3"}));
        w.cmdApply->click();
        QCOMPARE(f.t.session->alarmOptions, held);
    }
};

QTEST_MAIN(TestFrmSWOptions)
#include "tst_frmswoptions.moc"
