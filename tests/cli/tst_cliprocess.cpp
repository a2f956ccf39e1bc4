// The real vortane-cli executable, for what only a process shows: the Ctrl+C handler and the
// boards that main() builds from --board. What the tool prints and sends is tested in-process.
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

namespace {

// The exit status once the tool has ended by itself; -1 if it crashed or hung.
int exitStatus(QProcess& p) {
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

} // namespace

class TestCliProcess : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Hardware that is not there: what was looked for, and what to do.
    void absentHardwareIsNamed_data() {
        addRows<QByteArray>(
            {{"usb", "vortane-cli: no evaluation board found: looked for USB 04B4:8613"},
             {"i2c:/dev/i2c-99", "vortane-cli: cannot open the SMBus adapter /dev/i2c-99: No such "
                                 "file or directory (is the i2c-dev module loaded?"}});
    }
    void absentHardwareIsNamed() {
        QProcess p;
        p.start(QStringLiteral(VORTANE_CLI_PATH), {"--board", QTest::currentDataTag(), "probe"});
        QCOMPARE(exitStatus(p), 1);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.startsWith(fetchRow<QByteArray>()), err.constData());
    }

    // Without a board on USB the default is the simulated board, and probe names it first.
    void withoutABoardTheSimulatedOneIsNamed() {
        QProcess p;
        p.start(QStringLiteral(VORTANE_CLI_PATH), {"probe"});
        QCOMPARE(exitStatus(p), 0);
        QVERIFY(p.readAllStandardOutput().startsWith("Board: Simulated board\nFound an VORTANE at 2Eh\n"));
    }

    // Each connection waits for the board's enumeration on the real clock (about two seconds),
    // so both runs go in parallel.
    void ctrlCEndsTheTool() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        QProcess monitor;
        monitor.start(QStringLiteral(VORTANE_CLI_PATH),
                      {"--board", "sim", "monitor", "--interval", "50", "--csv", csv});
        // Ctrl+C during the connection (once it has started, so the handler is in place) cancels
        // the command; that nothing is written then is tested in-process.
        QProcess early;
        early.setReadChannel(QProcess::StandardError);
        early.start(QStringLiteral(VORTANE_CLI_PATH),
                    {"--board", "sim", "--verbose", "write", "0x40", "0x03"});
        QByteArray progress;
        while (!progress.contains("Enumerating...") && early.waitForReadyRead(10000))
            progress += early.readAllStandardError();
        ::kill(static_cast<pid_t>(early.processId()), SIGINT);

        // In a monitor, the sample running when Ctrl+C came is shown and logged, then it ends.
        QByteArray out;
        while (out.count('\n') < 2 + 4 && monitor.waitForReadyRead(10000))
            out += monitor.readAllStandardOutput();
        QCOMPARE(out.count('\n'), 2 + 4);
        ::kill(static_cast<pid_t>(monitor.processId()), SIGINT);
        QCOMPARE(exitStatus(monitor), 0);
        out += monitor.readAllStandardOutput();
        const QStringList records =
            QString::fromLatin1(fileBytes(csv)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(records.size(), out.count('\n')); // the title and the header, then the samples

        QCOMPARE(exitStatus(early), 130);
    }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
