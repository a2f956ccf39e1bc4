// Command-line parsing; the real vortane-cli for what only a process shows: Ctrl+C, the boards main() builds.
#include "cli/CliArgs.h"
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

// Local address listening on TCP `port` per /proc/net/tcp ("0100007F": 127.0.0.1); empty if none on IPv4.
QByteArray listeningAddress(int port) {
    const QString suffix = QStringLiteral(":%1").arg(port, 4, 16, QLatin1Char('0')).toUpper();
    for (const QByteArray& line : fileBytes(QStringLiteral("/proc/net/tcp")).split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() > 3 && f[1].endsWith(suffix.toLatin1()) && f[3] == "0A") return f[1].left(8);
    }
    return {};
}

// Starts `serve`: the port its "serving" line names, 0 if it ended without one; said: its stderr until then.
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
                                 "file or directory (is the i2c-dev module loaded?"},
             {"i2c:/dev/null", "vortane-cli: /dev/null is not an I2C adapter: "}});
    }
    void absentHardwareIsNamed() {
        QProcess p;
        p.start(QStringLiteral(VORTANE_CLI_PATH), {"--board", QTest::currentDataTag(), "probe"});
        QCOMPARE(exitStatus(p), 1);
        const QByteArray err = p.readAllStandardError();
        QVERIFY2(err.startsWith(fetchRow<QByteArray>()), err.constData());
    }

    void withoutABoardTheSimulatedOneIsNamed() {
        QProcess p;
        p.start(QStringLiteral(VORTANE_CLI_PATH), {"probe"});
        QCOMPARE(exitStatus(p), 0);
        QVERIFY(p.readAllStandardOutput().startsWith("Board: Simulated board\nFound an VORTANE at 2Eh\n"));
        QProcess batch; // lines from standard input, as a pipe gives them
        batch.start(QStringLiteral(VORTANE_CLI_PATH), {"batch", "-"});
        batch.write("read 0x3E\nsave -\n"); // the text first, then the file's bytes
        batch.closeWriteChannel();
        QCOMPARE(exitStatus(batch), 0);
        QCOMPARE(batch.readAllStandardOutput().left(44),
                 QByteArray("0x3E 0x4B Company ID\nHeldrix Semiconductor\r\n"));
    }

    // Each connection waits about 2 s of real time for the board's enumeration, so both runs go in parallel.
    void ctrlCEndsTheTool() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        QProcess monitor;
        monitor.start(QStringLiteral(VORTANE_CLI_PATH),
                      {"--board", "sim", "monitor", "--interval", "50", "--csv", csv});
        // Ctrl+C once connecting started (handler in place) cancels the command; no writes: in-process test.
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

        QProcess bench; // a bench run's steps reach the terminal as they come, not when the run ends
        bench.setReadChannel(QProcess::StandardError);
        bench.start(QStringLiteral(VORTANE_CLI_PATH), {"--board", "sim", "--verbose", "calibrate-fan", "1"});
        QByteArray steps;
        while (!steps.contains("Output 1: full speed\n") && bench.waitForReadyRead(10000))
            steps += bench.readAllStandardError();
        ::kill(static_cast<pid_t>(bench.processId()), SIGINT);
        QVERIFY(steps.endsWith("Output 1: full speed\n") && exitStatus(bench) == 130);
    }

    // serve: 127.0.0.1 unless told, scrapable, one endpoint a board, others elsewhere, a port in use, Ctrl+C.
    void serveOnePerBoard() {
        QTemporaryDir locks;
        QProcess first;
        QByteArray said;
        const int port = startServing(first, {"--board", "sim", "serve"}, locks.path(), &said);
        if (port == 0 && said.contains("cannot listen on 127.0.0.1:9813"))
            QSKIP("port 9813 is taken on this machine");
        QCOMPARE(std::pair(port, listeningAddress(port)),
                 std::pair(9813, QByteArray("0100007F"))); // 127.0.0.1

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
        QVERIFY(scrape.contains("\nvortane_fan_speed_rpm{fan=\"1\"} ") &&
                scrape.contains("\nvortane_board_info{board=\"sim\",chip_address=\"0x2e\",serial=\"\","
                                "simulated=\"true\"} 1\n"));
        QVERIFY(httpGet(port, "/").startsWith("HTTP/1.0 404 Not Found\r\n"));
        const double readAt = sample(scrape, "vortane_last_reading_timestamp_seconds"); // wall clock, seconds
        QVERIFY(std::abs(readAt - QDateTime::currentSecsSinceEpoch()) < 600);

        // What a serve that must not start says: it never serves, and ends with status 1.
        const auto refused = [&locks](const QString& board, const char* listen) {
            QProcess p;
            QByteArray err;
            const int at =
                startServing(p, {"--board", board, "serve", "--listen", listen}, locks.path(), &err);
            return at == 0 && exitStatus(p) == 1 ? err : QByteArray("served, or no status 1");
        };
        const QByteArray busy = refused("sim", "127.0.0.1:0"); // held by a lock file in the runtime folder
        QVERIFY2(QFile::exists(locks.filePath("vortane-serve-sim.lock")) &&
                     busy.contains("vortane-cli: the board is busy: another vortane-cli serve (process " +
                                   QByteArray::number(first.processId()) + ")"),
                 busy.constData());
        const QByteArray inUse = refused("i2c:sim", "127.0.0.1:9813");
        QVERIFY2(inUse.startsWith("vortane-cli: cannot listen on 127.0.0.1:9813: the port is in use"),
                 inUse.constData());

        QProcess other;
        const int otherPort =
            startServing(other, {"--board", "usb:sim", "serve", "--listen", "127.0.0.1:0"}, locks.path());
        QVERIFY(otherPort != 0 && otherPort != port);
        QVERIFY(scraped(otherPort, "vortane_fan_speed_rpm{fan=\"1\"}")
                    .contains("vortane_board_info{board=\"USB 1-2\""));

        for (QProcess* p : {&first, &other}) {
            ::kill(static_cast<pid_t>(p->processId()), SIGINT);
            QCOMPARE(exitStatus(*p), 130);
        }
    }

    // Each text names its table index; 0x7F and 0x7B have a second entry, by name (refusals: command-errors).
    void registers() {
        QString e;
        for (const auto& [text, index] : {std::pair{"AFC", 99}, {"PEXIL Coef Select 2", 98}, {"0x7F", 95}})
            QCOMPARE(std::pair(ParseRegister(text, e).value_or(-1), e), std::pair(index, QString()));
    }

    // The checks of a command before it runs: data/command-errors.txt.
    void commandErrors_data() {
        QTest::addColumn<QString>("error");
        for (const QStringList& row : tableRows(VORTANE_TEST_DATA "/command-errors.txt"))
            QTest::newRow(qPrintable(row[0])) << row.value(1);
    }
    void commandErrors() {
        QFETCH(QString, error);
        const QString line = QString::fromUtf8(QTest::currentDataTag());
        const bool batch = !line.startsWith(QStringLiteral("vortane-cli "));
        Command c;
        QCOMPARE(ParseCommand(SplitBatchLine(batch ? line : line.mid(12)), batch, c), error);
    }

    void argumentsReachTheCommand() {
        Command c; // the tool's runs cover --count, --json and --csv
        const auto tool = [&c](const QStringList& args) { return ParseCommand(args, false, c); };
        const auto batch = [&c](const char* line) { return ParseCommand(SplitBatchLine(line), true, c); };
        QCOMPARE(tool({"monitor", "--interval=250", "--channels", "tach2, PWM4 Duty,Temp1"}), QString());
        LogSelectionArray channels{};
        channels[0] = channels[5] = channels[11] = true;
        QCOMPARE(std::pair(c.intervalMs, c.channels), std::pair(250, channels));

        QCOMPARE(batch(R"(save "my run.sav" --only-changed --comment "fan curve B")"), QString());
        QCOMPARE(std::tuple(c.file, c.onlyChanged, c.comment),
                 std::tuple(QString("my run.sav"), true, QString("fan curve B")));
        QCOMPARE(tool({"sleep", "10"}), QString("'sleep' is a batch command"));
        QCOMPARE(batch("calibrate-fan 4,2 --step 5 --nominal-rpm 3100 --report out --json"), QString());
        QCOMPARE(std::tuple(c.outputs, c.stepPercent, c.nominalRpm, c.reportFolder, c.json),
                 std::tuple(QList<int>{4, 2}, 5, std::optional<int>(3100), QString("out"), true));
        QCOMPARE(batch("check-curve 2 --heater 1 --tolerance 0.5"), QString());
        QCOMPARE(c.tolerance, 0.5);

        const auto served = [&c] { return std::pair(c.listen.text(), c.linkLossGraceS); };
        QCOMPARE(tool({"serve", "--listen=0.0.0.0:9100", "--exit-after-link-loss", "0"}), QString());
        QCOMPARE(served(), std::pair(QString("0.0.0.0:9100"), std::int64_t{0}));
        QCOMPARE(tool({"serve"}), QString()); // nothing kept from the command before
        QCOMPARE(served(), std::pair(QString("127.0.0.1:9813"), std::int64_t{60}));
        QCOMPARE(tool({"serve", "--exit-after-link-loss", "-1"}),
                 QString("--exit-after-link-loss must be a whole number from 0 to 86400, not '-1'"));
    }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
