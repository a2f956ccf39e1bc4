// The windows that write files: software options, data logging, save/recall.
#include "board/Startup.h"
#include "session/AlarmOptions.h"
#include "support/FileSizeLimit.h"
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmLogging.h"
#include "windows/frmSWOptions.h"
#include "windows/frmSave.h"

#include <QFile>
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

struct LogFixture : WindowFixture<frmLogging> {
    LogFixture() {
        t.session->readings.Temperatures = {25, 26, -5, 0};
        t.session->readings.FanSpeeds = {4800, 82};
        markRead(t.session->readings);
        open();
    }
    void click(const QString& file = {}) {
        if (!file.isEmpty()) t.prompts.fileNames << dir.filePath(file);
        QTest::mouseClick(w->cmdLogData, Qt::LeftButton);
    }
};

QByteArray block(const QByteArray& header, const QByteArray& values, qsizetype lines) {
    const QList<QByteArray> times{"0", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9"};
    QByteArray out = "\r\nVORTANE Log File\r\n\r\nTime ," + header + "\r\n";
    for (const QByteArray& time : times.mid(0, lines))
        out += time + values + "\r\n";
    return out;
}

struct SaveFixture : WindowFixture<frmSave> {
    explicit SaveFixture(SimOptions o = {}) : WindowFixture<frmSave>(std::move(o)) {
        InitDefaults(*t.session); // readings on; its free-wheel test sets one bit, as at start-up
        forget();
        // Timers fire under a real dialog; while the cycle is held they read nothing.
        t.prompts.whileDialogOpen = [this] { polling.Tick(t.clock.nowMs() + 5000); };
        open();
    }
    QString file(const QString& name, const QByteArray& content = {}) {
        if (!content.isEmpty()) writeFile(dir.filePath(name), content);
        return t.prompts.fileNames.emplaceBack(dir.filePath(name));
    }
    // The polling cycle's reads: a save or recall makes no block read.
    qsizetype blockReads() const { return journal().filter(QRegularExpression("^220 ")).size(); }
};
} // namespace

class TestFileWindows : public QObject {
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
        QCOMPARE(std::pair(f.t.prompts.messages.value(0).text, f.options()),
                 std::pair(message, QList<int>{true, 100, 50, 100}));
    }

    // Text without a number is 0; values typed but not applied go with Close.
    void applyThenClose() {
        Fixture f;
        f.w->chkMonitoring->click();
        f.w->txtLogging->clear();
        f.w->txtGraphing->setText(QStringLiteral("32767"));
        f.w->cmdApply->click();
        f.w->txtReadInt->setText(QStringLiteral("500"));
        f.w->cmdCancel->click();
        QCOMPARE(f.options(), (QList<int>{false, 100, 32767, 0}));
    }

    // The arrows step the intervals by 10 ms, down to 10 (reading, graphing) and 50 (logging).
    void arrowsStepByTen() {
        Fixture f;
        f.w->txtGraphing->setText(QStringLiteral("35"));
        f.w->txtLogging->setText(QStringLiteral("65"));
        QTest::mouseClick(f.w->UpDown1->upButton, Qt::LeftButton); // the arrow clicked; the others keyed
        for (QLineEdit* box : {f.w->txtGraphing, f.w->txtGraphing, f.w->txtGraphing, f.w->txtGraphing,
                               f.w->txtLogging, f.w->txtLogging, f.w->txtLogging})
            QTest::keyClick(box, Qt::Key_Down);
        QCOMPARE((QStringList{f.w->txtReadInt->text(), f.w->txtGraphing->text(), f.w->txtLogging->text()}),
                 (QStringList{"110", "10", "50"}));
    }

    // The Alarms page applies with the other page or neither does; what it applies reaches session and store.
    void alarmsPage() {
        Fixture f;
        frmSWOptions& w = *f.w;
        w.chkAlarmCommand->click();
        w.txtReadInt->setText(QStringLiteral("250"));
        w.cmdApply->click();
        QCOMPARE(std::tuple(f.t.prompts.messages.value(0).text, f.options(), f.t.session->alarmOptions,
                            LoadAlarmOptions(f.settings)), // nothing stored: no arguments, not one empty one
                 std::tuple(QStringLiteral("Choose the program to run on an alarm."),
                            QList<int>{true, 100, 50, 100}, AlarmOptions{}, AlarmOptions{}));

        retype(w.txtProgram, QStringLiteral(" sh ")); // names taken without the blanks around them
        w.txtArguments->setPlainText(QStringLiteral("-c\necho \"$VORTANE_CHANNEL\" > /tmp/x\n\n"));
        for (QCheckBox* box : {w.chkAlarmSound, w.chkAlarmWindow, w.chkAlarmNotify, w.chkAlarmWatch})
            box->click();
        QVERIFY(!w.chkAlarmWindow->isEnabled()); // not watching: what an alarm would do is greyed
        const QString bell = f.dir.filePath(QStringLiteral("bell.wav"));
        writeFile(bell, "RIFF"), w.txtSoundFile->setText(' ' + bell + ' ');
        w.cmdApply->click();
        QCOMPARE(f.options(), (QList<int>{true, 250, 50, 100}));
        // No watch, main window or notification; the sound, the command and its arguments.
        const AlarmOptions applied{false, false, false, true,
                                   bell,  true,  "sh",  {"-c", "echo \"$VORTANE_CHANNEL\" > /tmp/x"}};
        QCOMPARE(f.t.session->alarmOptions, applied);
        QCOMPARE(LoadAlarmOptions(SettingsStore(f.dir.filePath(QStringLiteral("settings.ini")))), applied);
    }

    // The Alarms page opens on the session's fields, each in its own control; an unedited Apply keeps them.
    void alarmsPageOpensOnWhatIsHeld() {
        const AlarmOptions held{
            true, false, true, true, "/srv/bell.wav", true, "/usr/bin/logger", {"-t", "bench 3"}};
        Fixture f(held);
        frmSWOptions& w = *f.w;
        QString boxes;
        for (const QCheckBox* box :
             {w.chkAlarmWatch, w.chkAlarmWindow, w.chkAlarmNotify, w.chkAlarmSound, w.chkAlarmCommand})
            boxes += QString::number(box->isChecked());
        QCOMPARE(
            (QStringList{boxes, w.txtSoundFile->text(), w.txtProgram->text(), w.txtArguments->toPlainText()}),
            (QStringList{"10111", "/srv/bell.wav", "/usr/bin/logger", "-t\nbench 3"}));
        w.cmdApply->click();
        QCOMPARE(f.t.session->alarmOptions, held);
        f.t.prompts.fileNames << "/usr/bin/wall"; // a program browsed to; the sound file's browse cancelled
        w.cmdProgram->click(), w.cmdSoundFile->click();
        QCOMPARE(
            w.txtProgram->text() + ' ' + w.txtSoundFile->text() + ' ' + f.t.prompts.dialogFilters.join(' '),
            "/usr/bin/wall /srv/bell.wav All Files (*)|* Sound Files (*.wav *.ogg *.oga)|*.wav;*.ogg;*.oga");
        w.chkAlarmSound->click(); // the sound file's controls go with it, the command's stay
        QVERIFY(!w.txtSoundFile->isEnabled() && !w.cmdSoundFile->isEnabled() && w.txtProgram->isEnabled());
    }

    // Two starts, one file: two blocks each from 0 s; the log runs with the window closed, stops on failure.
    void startStopAndStartAgain() {
        LogFixture f;
        f.click(QStringLiteral("new.csv"));
        QCOMPARE(f.t.prompts.dialogFilters << f.t.session->statusText() << f.w->cmdLogData->text(),
                 (QStringList{"Log Files (*.csv)|*.csv", "Logging Enabled", "Click to stop logging..."}));
        f.w->cmdClose->click();
        f.run(1000); // a line on the first tick, then every 100 ms
        const QByteArray first =
            block("Temp1(\260C) ,Temp2(\260C) ,Temp3(\260C) ,Temp4(\260C) ,Tach1(RPM) ,Tach2(RPM) ,",
                  ", 25, 26,-5, 0, 4800, 82,", 10);
        QCOMPARE(f.bytes(QStringLiteral("new.csv")), first);
        const QString running = f.open().cmdLogData->text();
        f.click();
        QCOMPARE((QStringList{running, f.w->cmdLogData->text(), f.t.session->statusText()}),
                 (QStringList{"Click to stop logging...", "Start Logging", "Ready"}));

        f.w->cmdSelectAll->click(); // every channel, then none and two
        QVERIFY(std::ranges::all_of(f.w->chkLog, &QCheckBox::isChecked));
        f.w->cmdDeselectAll->click();
        f.w->chkLog[5]->click();
        f.w->chkLog[11]->click();
        f.click(QStringLiteral("new.csv"));
        f.run(250);
        QCOMPARE(f.bytes(QStringLiteral("new.csv")), first + block("Tach2(RPM) ,PWM4(%) ,", ", 82, 0,", 3));
        f.t.session->decl.LogFileName = f.dir.filePath(QStringLiteral("gone/new.csv"));
        f.run(200);
        QCOMPARE(f.w->cmdLogData->text(), QStringLiteral("Start Logging"));
        QVERIFY(f.t.prompts.messages.isEmpty()); // the main window gives the one message
    }

    // A link error under the file dialog unloads the window: the start ends there, nothing touches it.
    void unloadedUnderTheDialog() {
        LogFixture f;
        f.t.prompts.whileDialogOpen = [&f] {
            f.t.failNextRequest(), f.t.session->usb.ReadRegister(0x2E, 0x40), f.w.reset();
        };
        f.click(QStringLiteral("new.csv"));
        QVERIFY(!f.w && !f.t.session->decl.LoggingActive && f.t.programEnds.size() == 1);
    }

    // The log's own interval is shown; a refused start leaves no file, the log stopped, the interval kept.
    void refusedStarts() {
        const std::array<std::array<QString, 3>, 3> refused{
            {{"100", "a.csv", "At least one item must be selected for logging"},
             {"-5", "a.csv", "Interval (ms) must be a number from 0 to 2147483647."},
             {"100", "no/a.csv", "Logging not started: cannot write to %1 (No such file or directory)"}}};
        for (const auto& [interval, file, message] : refused) {
            LogFixture f;
            f.t.session->options.LogInterval = 250;
            f.open();
            QCOMPARE(f.w->txtLogInt->text(), QStringLiteral("250"));
            if (message.startsWith(u'A')) f.w->cmdDeselectAll->click();
            f.w->txtLogInt->setText(interval);
            f.click(file);
            const ScriptedPrompts::Shown shown = f.t.prompts.messages.value(0);
            QCOMPARE(
                std::tuple(shown.text, shown.icon, f.t.session->options.LogInterval),
                std::tuple(QString(message).replace("%1", f.dir.filePath(file)), MessageIcon::Warning, 250));
            QVERIFY(!QFile::exists(f.dir.filePath(file)) && !f.t.session->decl.LoggingActive);
        }
    }

    void saveChangedOrAllRegisters() {
        SaveFixture f;
        f.w->chkNotDefaults->click();
        QTest::keyClicks(f.w->txtComment, QStringLiteral("  bench A "));
        f.file(QStringLiteral("changed"));
        f.w->cmdsave->click();
        QStringList lines =
            QString::fromLatin1(f.bytes(QStringLiteral("changed.sav"))).split(QStringLiteral("\r\n"));
        lines[3].truncate(7); // the time of the save
        QCOMPARE(lines, (QStringList{"Heldrix Semiconductor", "VORTANE Evaluation Software", "",
                                     "Saved: ", "", "Comment : bench A", "", "Address\tData\tRegister", "{",
                                     "0x40\t0x3\t // Configuration 1", "}", ""}));
        QCOMPARE(f.t.prompts.dialogFilters, QStringList{"Text Files (*.sav)|*.sav"});
        QCOMPARE(f.t.requests().size(), 75);

        f.w->chkNotDefaults->click();
        f.file(QStringLiteral("all.")); // a name ending in a dot takes "sav" only
        f.w->cmdsave->click();
        QCOMPARE(QString::fromLatin1(f.bytes(QStringLiteral("all.sav"))).count(u"\r\n0x"), 75);
        QCOMPARE(f.blockReads(), 0);
        f.polling.Tick(f.t.clock.nowMs() + 10000);
        QCOMPARE(f.blockReads(), 1);
    }

    // Cut short or oversized: nothing written; hand-written, with "{" in its comment: written in file order.
    void recall() {
        const auto recalls = [](const QByteArray& content, const QStringList& writes, const QString& shown) {
            SaveFixture f;
            const QString name = f.file(QStringLiteral("r.sav"), content);
            f.w->cmdRecall->click();
            QCOMPARE(f.writes(), writes);
            QCOMPARE(writes.isEmpty() ? f.t.prompts.messages.value(0).text : f.t.session->statusText(),
                     shown.arg(name));
        };
        const QByteArray head("Heldrix\r\nComment : a { b\r\nAddress\tData\tRegister\r\n{\r\n");
        recalls(head + "0x40\t0x1\t // Configuration 1\r\n0x4", {},
                "Nothing was recalled: %1, line 6: the file ends inside the register line.");
        recalls(head + "0x7F\t0x0\t // GPIO Enable\r\n0x40 0x1\r\n0x7F\t0xA\r\n}\r\n",
                {"222 46 127 0 0", "222 46 320 0 0", "222 46 2687 0 0"}, "Recalled 3 registers from %1");
        // A megabyte is the most a saved configuration may hold: blank lines fill one to the byte.
        const auto filled = [&head](qsizetype size) {
            const QByteArray line = head + "0x40\t0x1\r\n", end = "}\r\n";
            return line + QByteArray(size - line.size() - end.size(), '\n') + end;
        };
        recalls(filled(1 << 20), {"222 46 320 0 0"}, "Recalled 1 registers from %1");
        recalls(filled((1 << 20) + 1), {},
                "Nothing was recalled: cannot read %1 (the file is too large to be a saved configuration).");
    }

    // An unsavable comment: refused before reading; a failed save keeps the old file, says so; polling again.
    void failedSaves() {
        SaveFixture f;
        f.w->txtComment->setText(QStringLiteral("fan \u03A9"));
        f.w->cmdsave->click();
        QCOMPARE(f.t.prompts.messages.takeFirst().text,
                 QStringLiteral("Configuration not saved: the comment holds \"\u03A9\" (U+03A9), which a "
                                ".sav file cannot hold."));
        QVERIFY(f.t.requests().isEmpty() && f.t.prompts.dialogFilters.isEmpty());
        f.w->txtComment->clear();
        const QString name = f.file(QStringLiteral("keep.sav"), "old\r\n");
        {
            FileSizeLimit full(100);
            f.w->cmdsave->click();
        }
        QCOMPARE(f.bytes(QStringLiteral("keep.sav")), QByteArray("old\r\n"));
        QCOMPARE(f.t.prompts.messages.value(0).text,
                 QStringLiteral("Configuration not saved: cannot write to %1 (File too large)").arg(name));
        f.polling.Tick(f.t.clock.nowMs() + 10000);
        QCOMPARE(f.blockReads(), 1);

        SaveFixture lost({.failRequestNumber = 20, .chip = {}}); // among the save's reads: no file dialog
        lost.w->cmdsave->click();
        QVERIFY(lost.t.programEnds == QList<int>{3} && !lost.polling.paused() &&
                lost.t.prompts.dialogFilters.isEmpty());
        SaveFixture cut; // a link lost at a recall's first write: no recall recorded, none said
        cut.file(QStringLiteral("r.sav"), "{\r\n0x40 0x1\r\n0x7F 0xA\r\n}\r\n");
        cut.t.prompts.whileDialogOpen = [&cut] { cut.t.failNextRequest(); };
        cut.w->cmdRecall->click();
        QVERIFY(cut.t.programEnds == QList<int>{3} && cut.t.session->statusText().isEmpty());
        QCOMPARE(cut.t.session->events.recent().back().kind, EventKind::LinkError);
        SaveFixture under; // a link lost under the recall's dialog: the file is not even read
        under.t.prompts.whileDialogOpen = [&t = under.t] {
            t.failNextRequest(), t.usb().ReadRegister(0x2E, 0x40);
        };
        under.file(QStringLiteral("bad.sav"), "not a configuration"), under.w->cmdRecall->click();
        QVERIFY(under.t.programEnds == QList<int>{3} && under.t.prompts.messages.size() == 1);
    }
};

QTEST_MAIN(TestFileWindows)
#include "tst_filewindows.moc"
