// The data logging window: the log file's bytes after the user's clicks, what the user sees, and
// how a log ends when its file can no longer be written.
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmLogging.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

namespace {
const QByteArray
    DefaultHeader("Temp1(\260C) ,Temp2(\260C) ,Temp3(\260C) ,Temp4(\260C) ,Tach1(RPM) ,Tach2(RPM) ,");

QByteArray block(const QByteArray& header, const QByteArray& values, qsizetype lines) {
    const QList<QByteArray> times{"0", ".1", ".2", ".3", ".4", ".5", ".6", ".7", ".8", ".9"};
    QByteArray out = "\r\nVORTANE Log File\r\n\r\nTime ," + header + "\r\n";
    for (const QByteArray& time : times.mid(0, lines))
        out += time + values + "\r\n";
    return out;
}

struct Fixture {
    Fixture() {
        t.connect();
        t.session->options.ReadingEnabled = false; // readings held still
        t.session->readings.Temperatures = {25, 26, -5, 0};
        t.session->readings.FanSpeeds = {4800, 82};
        w.emplace(*t.session, polling);
    }
    // The button, with the file the dialog answers.
    void click(const QString& file = {}) {
        if (!file.isEmpty()) t.prompts.fileNames << dir.filePath(file);
        QTest::mouseClick(w->cmdLogData, Qt::LeftButton);
    }
    void run(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 10, t.clock.advance(10))
            polling.Tick(t.clock.nowMs());
    }
    QByteArray bytes(const QString& file) const {
        QFile f(dir.filePath(file));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QTemporaryDir dir;
    SimSession t;
    PollingCycle polling{*t.session};
    std::optional<frmLogging> w;
};
} // namespace

class TestFrmLogging : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // Two starts on one file give two blocks, each with its channels and its time from 0; the log
    // runs on with the window closed.
    void startStopAndStartAgain() {
        Fixture f;
        f.click(QStringLiteral("new.csv"));
        QCOMPARE(f.t.prompts.dialogFilters, QStringList{"Log Files (*.csv)|*.csv"});
        QCOMPARE(f.t.session->statusText(), QStringLiteral("Logging Enabled"));
        f.w->cmdClose->click();
        f.run(1000); // a line on the first tick, then every 110 ms
        const QByteArray first = block(DefaultHeader, ", 25, 26,-5, 0, 4800, 82,", 10);
        QCOMPARE(f.bytes(QStringLiteral("new.csv")), first);
        f.w.emplace(*f.t.session, f.polling);
        QCOMPARE(f.w->cmdLogData->text(), QStringLiteral("Click to stop logging..."));
        f.click();
        QCOMPARE(f.w->cmdLogData->text(), QStringLiteral("Start Logging"));
        QCOMPARE(f.t.session->statusText(), QStringLiteral("Ready"));

        f.w->cmdDeselectAll->click();
        f.w->chkLog[5]->click();
        f.w->chkLog[11]->click();
        f.click(QStringLiteral("new.csv"));
        f.run(250);
        QCOMPARE(f.bytes(QStringLiteral("new.csv")), first + block("Tach2(RPM) ,PWM4(%) ,", ", 82, 0,", 2));
    }

    // Refused starts leave no file and the log stopped.
    void refusedStarts_data() {
        QTest::addColumn<QString>("interval");
        QTest::addColumn<QString>("message");
        QTest::newRow("no channel") << "100"
                                    << "At least one item must be selected for logging";
        QTest::newRow("negative") << "-5"
                                  << "Interval (ms) must be a number from 0 to 2147483647.";
        QTest::newRow("no folder") << "100"
                                   << "Logging not started: cannot write to FILE (No such file or directory)";
    }
    void refusedStarts() {
        QFETCH(QString, interval);
        QFETCH(QString, message);
        Fixture f;
        if (message.startsWith(u'A')) f.w->cmdDeselectAll->click();
        f.w->txtLogInt->setText(interval);
        const QString file =
            message.contains(QStringLiteral("FILE")) ? QStringLiteral("no/a.csv") : QStringLiteral("a.csv");
        f.click(file);
        QCOMPARE(f.t.prompts.messages.value(0).text,
                 message.replace(QStringLiteral("FILE"), f.dir.filePath(file)));
        QCOMPARE(f.t.prompts.messages[0].icon, MessageIcon::Warning);
        QVERIFY(!QFile::exists(f.dir.filePath(file)) && !f.t.session->decl.LoggingActive);
        QCOMPARE(f.t.session->options.LogInterval, 100);
    }

    // A log line that cannot be written stops the log: the button offers a new start at once.
    void unwritableLogStops() {
        Fixture f;
        f.click(QStringLiteral("run.csv"));
        f.t.session->decl.LogFileName = f.dir.filePath(QStringLiteral("gone/run.csv"));
        f.run(10);
        QCOMPARE(f.w->cmdLogData->text(), QStringLiteral("Start Logging"));
        QVERIFY(f.t.prompts.messages.isEmpty()); // the main window gives the one message
    }
};

QTEST_MAIN(TestFrmLogging)
#include "tst_frmlogging.moc"
