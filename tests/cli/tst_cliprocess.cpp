// The real vortane-cli executable, for what only a process shows: exit statuses, the streams, a
// log file read back as CSV, and Ctrl+C. Each connection waits for the simulated board's
// enumeration on the real clock (about two seconds), so the runs that connect go in parallel.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

namespace {

// The exit status once the tool has ended by itself; -1 if it crashed or hung.
int exitStatus(QProcess& p) {
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

QByteArray readFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestCliProcess : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void badArgumentsAndABrokenFileExitEarly() {
        QProcess bad;
        bad.start(QStringLiteral(VORTANE_CLI_PATH), {"write", "0x40"});
        QCOMPARE(exitStatus(bad), 2);
        QCOMPARE(bad.readAllStandardOutput(), QByteArray());
        QVERIFY(bad.readAllStandardError().startsWith(
            "vortane-cli: 'write' needs more arguments\n\nUsage: vortane-cli"));

        QTemporaryDir dir;
        const QString cut = dir.filePath("cut.sav");
        QFile f(cut);
        QVERIFY(f.open(QIODevice::WriteOnly) &&
                f.write("{\r\n0x40\t0x5\t // Configuration 1\r\n0x72\t0") > 0 && f.flush());
        const QString journal = dir.filePath("journal.txt");
        QProcess recall;
        recall.start(QStringLiteral(VORTANE_CLI_PATH), {"--journal", journal, "recall", cut});
        QCOMPARE(exitStatus(recall), 1);
        QCOMPARE(recall.readAllStandardError(),
                 "vortane-cli: " + cut.toLocal8Bit() +
                     ":3: the file ends inside the register line; nothing was written\n");
        QVERIFY(!readFile(journal).contains("VendorIORequest"));

        // Hardware that is not there: what was looked for, and what to do.
        for (const auto& [board, says] :
             {std::pair{"usb", "vortane-cli: no evaluation board found: looked for USB 04B4:8613"},
              std::pair{"i2c:/dev/i2c-99",
                        "vortane-cli: cannot open the SMBus adapter /dev/i2c-99: No such file or "
                        "directory (is the i2c-dev module loaded?"}}) {
            QProcess p;
            p.start(QStringLiteral(VORTANE_CLI_PATH), {"--board", board, "probe"});
            QCOMPARE(exitStatus(p), 1);
            const QByteArray err = p.readAllStandardError();
            QVERIFY2(err.startsWith(says), err.constData());
        }
    }

    void ctrlCAndALostLinkEndTheTool() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        QProcess monitor;
        monitor.start(QStringLiteral(VORTANE_CLI_PATH), {"monitor", "--interval", "50", "--csv", csv});
        QProcess lost;
        lost.start(QStringLiteral(VORTANE_CLI_PATH),
                   {"--sim-link-lost-after", "3000", "monitor", "--interval", "100"});
        // Ctrl+C during the connection (once it has started, so the tool's handler is in place):
        // the write never goes out.
        const QString earlyJournal = dir.filePath("early.txt");
        QProcess early;
        early.setReadChannel(QProcess::StandardError);
        early.start(QStringLiteral(VORTANE_CLI_PATH), {"--verbose", "--journal", earlyJournal, "write", "0x40", "0x03"});
        QByteArray progress;
        while (!progress.contains("Enumerating...") && early.waitForReadyRead(10000))
            progress += early.readAllStandardError();
        ::kill(static_cast<pid_t>(early.processId()), SIGINT);

        QByteArray out;
        while (out.count('\n') < 2 + 4 && monitor.waitForReadyRead(10000))
            out += monitor.readAllStandardOutput();
        QCOMPARE(out.count('\n'), 2 + 4);
        ::kill(static_cast<pid_t>(monitor.processId()), SIGINT);
        QCOMPARE(exitStatus(monitor), 0);
        out += monitor.readAllStandardOutput();
        // Every sample shown was logged, the one running when Ctrl+C came included. Read as a CSV
        // reader would: Windows-1252 (0xB0 is the same character in Latin-1), CR LF records, no quoting.
        const QStringList records =
            QString::fromLatin1(readFile(csv)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(records.size(), out.count('\n'));
        QCOMPARE(records[0], QStringLiteral("VORTANE Log File"));
        QVERIFY(records[1].startsWith(QString::fromUtf8("Time ,Temp1(°C) ,")) &&
                records[1].count(u',') == 13);
        for (qsizetype n = 2; n < records.size(); ++n) {
            const QString time = n == 2 ? QStringLiteral("0") : QString::number(0.05 * double(n - 2)).mid(1);
            QVERIFY2(QRegularExpression("^" + QRegularExpression::escape(time) + "(, ?-?\\d+){12},$")
                         .match(records[n])
                         .hasMatch(),
                     qPrintable(records[n]));
        }

        QCOMPARE(exitStatus(lost), 1);
        QCOMPARE(exitStatus(early), 130);
        QVERIFY((progress + early.readAllStandardError()).contains("interrupted while connecting"));
        const QByteArray requests = readFile(earlyJournal);
        QVERIFY(!QRegularExpression("VendorIORequest 222 \\d+ -?\\d+ 0 ").match(QString::fromLatin1(requests)).hasMatch());
        QCOMPARE(lost.readAllStandardError(),
                 QByteArray("Communications Interrupted - Check USB connections\n"));
        QVERIFY(lost.readAllStandardOutput().count('\n') >= 2 + 1);
    }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
