// The real vortane-cli executable, for what only a process shows: the Ctrl+C handler and the
// boards that main() builds from --board. What the tool prints and sends is tested in-process.
#include "support/Http.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

namespace {

// The exit status once the tool has ended by itself; -1 if it crashed or hung.
int exitStatus(QProcess& p) {
    const bool ended = p.state() == QProcess::NotRunning || p.waitForFinished(20000);
    return ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The local address of the TCP socket listening on the port, as the kernel lists it in
// /proc/net/tcp ("0100007F" is 127.0.0.1); empty when none listens there over IPv4.
QByteArray listeningAddress(int port) {
    const QString suffix = QStringLiteral(":%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    for (const QByteArray& line : fileBytes(QStringLiteral("/proc/net/tcp")).split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && f[1].endsWith(suffix.toLatin1()) && f[3] == "0A") return f[1].left(8);
    }
    return {};
}

// Starts `serve`; gives the port from the line that says where it serves, or 0 when it ended
// without one. err: what it wrote to standard error until then.
int startServing(QProcess& p, const QStringList& args, const QString& lockFolder,
                 QByteArray* said = nullptr) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", lockFolder);
    p.setProcessEnvironment(env);
    p.setReadChannel(QProcess::StandardError);
    p.start(QStringLiteral(VORTANE_CLI_PATH), args);
    QByteArray ignored;
    QByteArray& err = said ? *said : ignored;
    static const QRegularExpression serving("serving http://[0-9.]+:([0-9]+)/metrics");
    while (p.waitForReadyRead(15000)) {
        err += p.readAllStandardError();
        if (const auto m = serving.match(QString::fromUtf8(err)); m.hasMatch()) return m.captured(1).toInt();
    }
    err += p.readAllStandardError();
    return 0;
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

    // serve on its own: 127.0.0.1 only unless told, metrics a scraper can read, a second endpoint
    // on the same board refused as busy, another board beside it on another port, a port in use
    // refused with a message, and Ctrl+C.
    void serveOnePerBoard() {
        QTemporaryDir locks;
        QProcess first;
        QByteArray said;
        const int port = startServing(first, {"--board", "sim", "serve"}, locks.path(), &said);
        if (port == 0 && said.contains("cannot listen on 127.0.0.1:9813"))
            QSKIP("port 9813 is taken on this machine");
        QCOMPARE(port, 9813);
        QCOMPARE(listeningAddress(port), QByteArray("0100007F"));

        // A scrape once the first readings are in: the process answers before its board does.
        const auto scraped = [](int at, const char* awaited) {
            QByteArray scrape;
            for (int tries = 0; tries < 100 && !scrape.contains(awaited); ++tries) {
                QTest::qWait(100);
                scrape = httpGet(at, "/metrics");
            }
            return scrape;
        };
        const QByteArray scrape = scraped(port, "vortane_fan_speed_rpm{fan=\"1\"}");
        QVERIFY2(scrape.startsWith("HTTP/1.1 200 OK\r\n"), scrape.constData());
        QVERIFY(scrape.contains(
            "\nvortane_board_info{board=\"sim\",chip_address=\"0x2e\",serial=\"\",simulated=\"true\"} 1\n"));
        QVERIFY(httpGet(port, "/").startsWith("HTTP/1.0 404 Not Found\r\n"));

        QProcess busy;
        said.clear();
        QCOMPARE(
            startServing(busy, {"--board", "sim", "serve", "--listen", "127.0.0.1:0"}, locks.path(), &said),
            0);
        QCOMPARE(exitStatus(busy), 1);
        QVERIFY2(said.contains(
                     QStringLiteral("vortane-cli: the board is busy: another vortane-cli serve (process %1)")
                         .arg(first.processId())
                         .toUtf8()),
                 said.constData());

        QProcess samePort;
        said.clear();
        QCOMPARE(startServing(samePort, {"--board", "i2c:sim", "serve", "--listen", "127.0.0.1:9813"},
                              locks.path(), &said),
                 0);
        QCOMPARE(exitStatus(samePort), 1);
        QVERIFY2(said.startsWith("vortane-cli: cannot listen on 127.0.0.1:9813: the port is in use"),
                 said.constData());

        QProcess other;
        const int otherPort =
            startServing(other, {"--board", "i2c:sim", "serve", "--listen", "127.0.0.1:0"}, locks.path());
        QVERIFY(otherPort != 0 && otherPort != port);
        QVERIFY(scraped(otherPort, "vortane_fan_speed_rpm{fan=\"1\"}")
                    .contains("vortane_board_info{board=\"SMBus"));

        for (QProcess* p : {&first, &other}) {
            ::kill(static_cast<pid_t>(p->processId()), SIGINT);
            QCOMPARE(exitStatus(*p), 130);
        }
    }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
