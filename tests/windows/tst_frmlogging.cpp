// The data logging window inside the main window: what the log file holds after the user's
// clicks, what the user sees, and how a log ends when its file can no longer be written.
#include "board/Settings.h"
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmLogging.h"
#include "windows/frmMain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Fixture {
    explicit Fixture(SimOptions o = {})
        : t(std::move(o)), polling(*t.session), settings(dir.filePath(QStringLiteral("s.ini"))),
          main(*t.session, polling, settings) {
        t.connect();
    }
    frmLogging& open() { return *static_cast<frmLogging*>(main.openWindow(QStringLiteral("frmLogging"))); }
    // Starts or stops through the button, the dialog answering with the file.
    void click(const QString& file = {}) {
        if (!file.isEmpty()) t.prompts.fileNames << file;
        QTest::mouseClick(open().cmdLogData, Qt::LeftButton);
        QCoreApplication::processEvents();
    }
    void run(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 10, t.clock.advance(10))
            polling.Tick(t.clock.nowMs());
        QCoreApplication::processEvents();
    }
    QByteArray bytes(const QString& file) const {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    QString status() const { return main.sbPanels[0]->text(); }
    QTemporaryDir dir;
    SimSession t;
    PollingCycle polling;
    SettingsStore settings;
    frmMain main;
};

// Default channels (Temp1..4, Tach1, Tach2), readings held still.
QByteArray defaultLines(const QStringList& times) {
    QByteArray out("\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\xB0"
                   "C) ,Temp2(\xB0"
                   "C) ,Temp3(\xB0"
                   "C) ,Temp4(\xB0"
                   "C) ,Tach1(RPM) ,Tach2(RPM) ,\r\n");
    for (const QString& time : times)
        out += time.toLatin1() + ", 25, 26,-5, 0, 4800, 82,\r\n";
    return out;
}
} // namespace

class TestFrmLogging : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void startLinesStopAndRestart() {
        Fixture f;
        f.t.session->options.ReadingEnabled = false;
        f.t.session->readings.Temperatures = {25, 26, -5, 0};
        f.t.session->readings.FanSpeeds = {4800, 82};
        frmLogging& w = f.open();
        QCOMPARE(w.txtLogInt->text(), QStringLiteral("100"));
        QCOMPARE(w.cmdLogData->text(), QStringLiteral("Start Logging"));
        const QString file = f.dir.filePath(QStringLiteral("new.csv"));
        f.click(file);
        QCOMPARE(f.t.prompts.dialogFilters, QStringList{"Log Files (*.csv)|*.csv"});
        QCOMPARE(w.cmdLogData->text(), QStringLiteral("Click to stop logging..."));
        QCOMPARE(f.status(), QStringLiteral("Logging Enabled"));
        // Closed, the window leaves the log running; reopened, it offers to stop it.
        w.cmdClose->click();
        f.run(1000); // a line every 110 ms, the first at once
        const QStringList ten{"0", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9"};
        QCOMPARE(f.bytes(file), defaultLines(ten));
        QTRY_VERIFY(!f.main.findWindow(QStringLiteral("frmLogging")));
        QCOMPARE(f.open().cmdLogData->text(), QStringLiteral("Click to stop logging..."));
        f.click();
        QCOMPARE(f.status(), QStringLiteral("Ready"));
        QCOMPARE(f.open().cmdLogData->text(), QStringLiteral("Start Logging"));
        f.click(file);
        f.run(250); // the first line once more than the interval has passed since the last

        QCOMPARE(f.bytes(file), defaultLines(ten) + defaultLines({"0", ".1"}));
        QVERIFY(f.t.prompts.messages.isEmpty());
    }

    void chosenChannelsOnly() {
        SimOptions o;
        o.chip.noise = 0;
        o.chip.fanPresent = {true, false, true, true};
        Fixture f(o);
        frmLogging& w = f.open();
        w.cmdDeselectAll->click();
        w.chkLog[5]->click();
        w.chkLog[11]->click();
        f.run(400); // every group read once
        const QString file = f.dir.filePath(QStringLiteral("two.csv"));
        f.click(file);
        f.run(200);
        QCOMPARE(f.bytes(file), QByteArray("\r\nVORTANE Log File\r\n\r\nTime ,Tach2(RPM) ,PWM4(%) ,\r\n"
                                           "0, 82, 100,\r\n.1, 82, 100,\r\n"));
    }

    void refusedStarts_data() {
        QTest::addColumn<bool>("ticked");
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("no channel") << false << "100"
                                    << "a.csv"
                                    << "At least one item must be selected for logging";
        QTest::newRow("negative") << true << "-5"
                                  << "a.csv"
                                  << "Interval (ms) must be a number from 0 to 2147483647.";
        QTest::newRow("beyond 32 bits") << true << "3e9"
                                        << "a.csv"
                                        << "Interval (ms) must be a number from 0 to 2147483647.";
        QTest::newRow("no folder")
            << true << "100"
            << "none/a.csv"
            << "Logging not started: cannot write to DIR/none/a.csv (No such file or directory)";
        QTest::newRow("cancelled") << true << "100"
                                   << ""
                                   << "";
    }
    void refusedStarts() {
        QFETCH(bool, ticked);
        QFETCH(QString, interval);
        QFETCH(QString, file);
        QFETCH(QString, message);
        Fixture f;
        frmLogging& w = f.open();
        if (!ticked) w.cmdDeselectAll->click();
        w.txtLogInt->setText(interval);
        f.click(file.isEmpty() ? file : f.dir.filePath(file));
        QCOMPARE(f.t.prompts.messages.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty()) {
            QCOMPARE(f.t.prompts.messages[0].text, QString(message).replace("DIR", f.dir.path()));
            QCOMPARE(f.t.prompts.messages[0].icon, MessageIcon::Warning);
        }
        QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("a.csv"))));
        QCOMPARE(w.cmdLogData->text(), QStringLiteral("Start Logging"));
        QCOMPARE(f.t.session->options.LogInterval, 100);
        QVERIFY(!f.t.session->decl.LoggingActive);
    }

    // The folder of the log goes away under it: one message, the lines written stay whole.
    void unwritableLogStops() {
        Fixture f;
        f.t.session->options.ReadingEnabled = false;
        f.t.session->readings.Temperatures = {25, 26, -5, 0};
        f.t.session->readings.FanSpeeds = {4800, 82};
        QDir(f.dir.path()).mkdir(QStringLiteral("logs"));
        f.click(f.dir.filePath(QStringLiteral("logs/run.csv")));
        f.run(250);
        QVERIFY(QDir(f.dir.path()).rename(QStringLiteral("logs"), QStringLiteral("moved")));
        QFile blocker(f.dir.filePath(QStringLiteral("logs")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        f.run(500);
        QCOMPARE(f.t.prompts.messages.size(), 1);
        QCOMPARE(f.open().cmdLogData->text(), QStringLiteral("Start Logging"));
        QCOMPARE(f.status(), QStringLiteral("Ready"));
        QCOMPARE(f.bytes(f.dir.filePath(QStringLiteral("moved/run.csv"))), defaultLines({"0", ".1", ".2"}));
    }
};

QTEST_MAIN(TestFrmLogging)
#include "tst_frmlogging.moc"
