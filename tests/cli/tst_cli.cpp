// The command-line tool in-process on a simulated board, manual clock: output, status, files, the wire.
#include "base/Clock.h"
#include "board/sim/SimBoard.h"
#include "chip/RegisterTable.h"
#include "cli/Cli.h"
#include "cli/CliArgs.h"
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"
#include "support/Http.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QBuffer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

#include <sys/stat.h>

namespace {

// Command line, `input` as stdin, %file: status, both streams (%usage), requests after the chip's search.
struct Run {
    QStringList args;
    int status;
    QString out;
    QString err;
    QStringList wire;
    QByteArray input;
    SimOptions options;
};

// The tool over its own simulated board, keeping its chip between runs; a fresh journal each run.
struct Cli {
    explicit Cli(SimOptions options = {}) : board(clock, std::move(options)) {}

    int run(const QStringList& args, QByteArray input = {}) {
        out.clear();
        err.clear();
        board.clearJournal();
        QTextStream o(&out), e(&err);
        QBuffer in(&input);
        in.open(QIODevice::ReadOnly);
        output.clear();
        QBuffer bytesOut(&output);
        bytesOut.open(QIODevice::WriteOnly);
        const auto now = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
        const auto interrupted = [this] {
            if (whileWaiting) whileWaiting();
            return clock.nowMs() >= ctrlCAtMs;
        };
        CliEnvironment env{o, e, clock, "/opt/vortane", now, interrupted, &in, &board, &bytesOut};
        env.lockFolder = lockFolder.path();
        return RunCli(args, env);
    }
    std::int64_t ctrlCAtMs = std::numeric_limits<std::int64_t>::max(); // when the user presses Ctrl+C
    std::function<void()> whileWaiting; // called as the tool waits, as from another process
    QTemporaryDir lockFolder;

    QStringList outLines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
    // "222 46 64 1 1" per vendor request after the first Company ID read the chip answered (all: every one).
    QStringList commandTexts(bool all = false) const {
        QStringList list;
        bool found = all;
        for (const JournalEntry& e : board.journal()) {
            if (found && !e.firmware)
                list << QString::asprintf("%d %d %d %d %d", e.request, e.value, e.index, e.direction,
                                          e.length);
            found = found || (e.request == RegisterRequest && e.direction == 1 && e.index == 0x3E &&
                              e.status == 0 && e.data == QByteArray(1, char(CompanyCode)));
        }
        return list;
    }
    SimChip& chip() { return *board.chip(board.options().chipAddresses.front()); }

    ManualClock clock;
    SimBoard board;
    QString out;
    QString err;
    QByteArray output; // what went to standard output as bytes
};

// A batch for `watch`, its board, exit status, output and the time the run ends before.
using Watch = std::tuple<QByteArray, SimOptions, int, QString, int>;

// Some registers changed, then the chip saved to `file` with a comment.
void save(Cli& cli, const QString& file) {
    const QString batch = "write 0x40 0x05\nwrite 0x72 0x81\nwrite 0x7F 0x0A\nwrite AFC 3\nwrite 0x44 -5\n"
                          "save \"%1\" --comment \" bench 4 \"\n";
    QCOMPARE(cli.run({"batch"}, batch.arg(file).toUtf8()), 0);
}

} // namespace

Q_DECLARE_METATYPE(Run)

class TestCli : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        qputenv("TZ", "CET-1"); // events give their offset from UTC
    }

    // The whole wire of a connection: only reads after the board's SMBus switch, never a write.
    void connectingSearchesOrConfirmsTheAddress() {
        Cli search({.chipAddresses = {0x2D}, .chip = {}});
        QCOMPARE(search.run({"probe"}), 0);
        QCOMPARE(search.out, "Board: Simulated board\nFound an VORTANE at 2Dh\n0x3D 0x62 Device ID\n"
                             "0x3E 0x4B Company ID\n0x3F 0x00 Revision\n");
        QCOMPARE(search.commandTexts(true), (QStringList{"221 48 51 0 0", "222 44 62 1 1", "222 45 62 1 1",
                                                         "222 45 61 1 1", "222 45 62 1 1", "222 45 63 1 1"}));
        // The board's enumeration wait stays; the pauses for reading the splash window go.
        const std::deque<JournalEntry>& all = search.board.journal();
        QVERIFY(all[0].firmware && all[1].timeMs >= 1700 && all[4].timeMs == all[3].timeMs);
        QCOMPARE(all[2].timeMs - all[1].timeMs, std::int64_t(201));

        Cli known({.chipAddresses = {0x2C, 0x2E}, .chip = {}});
        QCOMPARE(known.run({"--address", "0x2E", "read", "0x40"}), 0);
        QCOMPARE(known.commandTexts(true), (QStringList{"221 48 51 0 0", "222 46 62 1 1", "222 46 64 1 1"}));
        Cli ends({.chipAddresses = {0x08, 0x77}, .chip = {}}); // the ends of the range, and just past them
        QCOMPARE((QList<int>{ends.run({"--address", "8", "probe"}), ends.run({"--address", "77h", "probe"}),
                             ends.run({"--address", "7", "probe"}), ends.run({"--address", "78h", "probe"})}),
                 (QList<int>{0, 0, 2, 2}));
        Cli absent;
        QCOMPARE(absent.run({"--address=2Ch", "read", "0x40"}), 1);
        QCOMPARE(absent.err, "vortane-cli: no VORTANE answered: Company ID (3Eh) read FFh at 2Ch, where a "
                             "VORTANE reads 4Bh\nDevice not found - Check USNB connections\n");
        QCOMPARE(absent.commandTexts(true).back(), QStringLiteral("222 44 62 1 1"));
    }

    void commandsPrintAndSend_data() {
        QTest::addColumn<Run>("run");
        const auto add = [](const char* name, QStringList args, int status, QString out, QString err,
                            QStringList wire, QByteArray input = {}, SimOptions options = {}) {
            QTest::newRow(name) << Run{args, status, out, err, wire, input, options};
        };
        const QString mask81 = QStringLiteral("0x72 0x81 Interrupt Mask 1: OOL R1T\n");
        const QString config1 = QStringLiteral("0x40 0x01 Configuration 1: STRT\n");

        add("read by number and name", {"read", "0x72", "Interrupt Mask 1", "114", "72h", "72H", "AFC"}, 0,
            mask81.repeated(5) + "0x7B 0x00 AFC\n", "", QStringList(5, "222 46 114 1 1") << "222 46 123 1 1");
        add("write, then read", {"batch"}, 0, "0x40 0x00 Configuration 1\n" + config1 + config1, "",
            {"222 46 64 0 0", "222 46 64 1 1", "222 46 320 0 0", "222 46 64 1 1", "222 46 64 1 1"},
            "write 0x40 0\nwrite 0x40 0x01\nread 0x40\n");
        // Bits under the mask are set and cleared from the value; the others keep what the chip held.
        add("masked write", {"write", "Interrupt Mask 1", "0x02", "--mask", "0x86"}, 0,
            "0x72 0x03 Interrupt Mask 1: R2T R1T\n", "",
            {"222 46 114 1 1", "222 46 882 0 0", "222 46 114 1 1"});
        add("heater", {"heater", "2", "100"}, 0, "Heater2 PWM: 100\n", "", {"218 2 100 0 1", "218 0 0 1 3"});
        // A board that counts its heaters in half steps reports 38 as 37.5: printed as it reads.
        add("heater in half steps", {"heater", "1", "38"}, 0, "Heater1 PWM: 37.5\n", "",
            {"218 1 38 0 1", "218 0 0 1 3"}, {}, {.heaterHalfSteps = true, .chip = {}});
        add("heater fails: no one to answer, so the tool ends", {"heater", "2", "100"}, 1, "",
            "Error in Heater Module -  Do you wish to close the application?\n", {"218 2 100 0 1"}, {},
            {.failRequestNumber = 5, .chip = {}});
        add("board C without 5 V", {"board"}, 0,
            "Board Revision: C\n5V Present: No\n12V Present: Yes\nDevice Address: 2Eh\nFan1 Present: No\n"
            "Fan2 Present: Yes\nFan3 Present: Yes\nFan4 Present: No\n",
            "", {"221 0 0 1 6", "222 46 54 1 1"}, {}, {.boardRevision = 2, .supply5V = false, .chip = {}});
        add("board status fails", {"board"}, 1, "",
            "vortane-cli: the board status request failed; revision and supplies are unknown\n",
            {"221 0 0 1 6"}, {}, {.failRequestNumber = 5, .chip = {}});
        add("help after a command", {"write", "-h"}, 0, CliUsage(), "", {}); // before connecting, as --help
        add("no value", {"--address"}, 2, "", "vortane-cli: option --address needs a value%usage", {});
        add("reserved address", {"--address", "0x78", "probe"}, 2, "",
            "vortane-cli: invalid SMBus address '0x78' (0x08 to 0x77)%usage", {});
        add("comment a .sav cannot hold", {"save", "%file", "--comment", "fan \u03A9 \U0001F600"}, 2, "",
            "vortane-cli: the comment holds \"\u03A9\" (U+03A9), which a .sav file cannot hold%usage", {});

        // The free-wheel test: TEST set, and after it the chip names the fan that did not turn.
        add("free-wheel batch", {"batch", "-"}, 0,
            "0x40 0x03 Configuration 1: TEST STRT\n" + config1 + "0x36 0x08 Fans Not Present: Fan4\n", "",
            {"222 46 64 1 1", "222 46 832 0 0", "222 46 64 1 1", "222 46 64 1 1", "222 46 54 1 1"},
            "# fans 1 to 3 turn\nwrite \"Configuration 1\" 0x02 --mask 0x02\r\n\n  sleep 3000\nread 0x40 "
            "0x36\n");
        add("batch checked before it runs", {"batch"}, 2, "", "stdin:2: unknown command 'reed'\n", {},
            "write 0x72 0x81\nreed 0x40\n");
        add("batch stops at a failing line", {"batch", "%file"}, 1, mask81,
            "%file:2: cannot read /nonexistent-dir/x.sav: No such file or directory\n",
            {"222 46 -32398 0 0", "222 46 114 1 1"}, // -127 as a signed byte: 0x81, no "(wrote ..)"
            "write 0x72 -127\nrecall /nonexistent-dir/x.sav\nwrite 0x73 1\n");

        const QByteArray good =
            BuildConfigFile({{*FindRegisterByAddress(0x40), 5}, {*FindRegisterByAddress(0x72), 0x81}}, false,
                            {}, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        add("recall --dry-run", {"recall", "%file", "--dry-run"}, 0,
            "0x40 0x05 Configuration 1: FSPD STRT\n" + mask81 + "2 registers would be written from %file\n",
            "", {}, good);
        add("truncated file", {"recall", "%file"}, 1, "",
            "vortane-cli: %file:11: the file ends inside the register line; nothing was written\n", {},
            good.left(good.indexOf("0x72") + 6));
    }
    void commandsPrintAndSend() {
        QFETCH(Run, run);
        auto& [args, status, out, err, wire, input, options] = run;
        QTemporaryDir dir;
        const QString name = dir.filePath("f.txt");
        QVERIFY(writeFile(name, input));
        Cli t(options);
        t.chip().write(0x72, 0x81);
        t.chip().write(0x36, 0x09);
        QCOMPARE(t.run(args.replaceInStrings("%file", name), input), status);
        QCOMPARE(t.out, out.replace("%file", name));
        QCOMPARE(t.err,
                 err.replace("%file", name)
                     .replace("%usage", "\nUsage: vortane-cli [options] COMMAND [arguments] (see --help)\n"));
        QCOMPARE(t.commandTexts(), wire);
        if (wire.isEmpty()) QVERIFY(t.board.journal().empty());
    }

    // Reading, bench and file commands as text and JSON: data/transcript-batch.txt run, data/transcript.txt
    // what it prints (VORTANE_UPDATE_TRANSCRIPT=1 rewrites it).
    void transcriptWhole() {
        Cli t({.chip = {.fanPulsesPerRev = {2, 3, 2, 2}, .noise = 0}});
        const QByteArray batch = fileBytes(QStringLiteral(VORTANE_TEST_DATA "/transcript-batch.txt"));
        QCOMPARE(t.run({"--verbose", "batch"}, batch), 0); // each step said on standard error
        const QByteArray got = t.out.toUtf8() + t.output + "--- standard error\n" + t.err.toUtf8();
        const QString file = QStringLiteral(VORTANE_TEST_DATA "/transcript.txt");
        if (qEnvironmentVariableIntValue("VORTANE_UPDATE_TRANSCRIPT") == 1) QVERIFY(writeFile(file, got));
        if (fileBytes(file) != got) { // a failing run leaves its own as build/tests/transcript.txt
            QVERIFY(writeFile(QStringLiteral("transcript.txt"), got));
            QFAIL("the transcript differs from data/transcript.txt");
        }
    }

    // Each register read once (what it shows: the transcript).
    void dumpReadsEveryRegisterOnce() {
        Cli t;
        QCOMPARE(t.run({"dump", "--json"}), 0);
        QCOMPARE(t.commandTexts().size(), 100);
    }

    void ctrlCWhileConnectingWritesNothing_data() {
        addRows<QStringList>({{"recall", {"recall", "%file"}}, {"batch", {"batch"}}});
    }
    void ctrlCWhileConnectingWritesNothing() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.sav");
        QVERIFY(writeFile(file, "{\r\n0x40\t0x5\r\n}\r\n"));
        Cli t;
        t.ctrlCAtMs = 1000; // during the board's enumeration wait
        QStringList args = fetchRow<QStringList>();
        QCOMPARE(t.run(args.replaceInStrings("%file", file), "write 0x40 0x03\nwrite 0x72 1\n"), 130);
        QVERIFY(t.err.contains("interrupted while connecting; nothing was written"));
        for (const JournalEntry& e : t.board.journal())
            QVERIFY(e.firmware || e.direction == 1 || e.request != RegisterRequest);
        QVERIFY(t.clock.nowMs() < 1500);
    }

    void ctrlCInABatchStopsBeforeTheNextLine() {
        Cli t;
        t.ctrlCAtMs = 3000; // connected by then, during the sleep
        QCOMPARE(t.run({"batch"}, "sleep 5000\nwrite 0x40 0x03\n"), 130);
        QCOMPARE(t.err, QStringLiteral("stdin:2: interrupted; the batch stopped before this line\n"));
        QCOMPARE(t.commandTexts().filter(QStringLiteral(" 0 0")), QStringList()); // nothing written
    }

    // Sample n at n x 250 ms however slow the reads; request 5 fails: ten "-", the max, read alone, does not.
    void monitorPrintsATableAtTheInterval() {
        Cli t({.failRequestNumber = 5, .requestMs = 4, .chip = {}});
        QCOMPARE(t.run({"monitor", "--count", "3", "--interval", "250"}), 0);
        const QStringList table = t.outLines();
        QCOMPARE(table.size(), 5); // under the column names and units (their text: the transcript)
        QCOMPARE(table[2], QStringLiteral("   0.000") + QStringLiteral("     -").repeated(10) +
                               QStringLiteral("    30     4787     4205     3592       82") +
                               QStringLiteral("   100").repeated(4));
        QVERIFY(table[3].startsWith(QStringLiteral("   0.250    25 ")));
        QList<std::int64_t> sampledAt;
        for (const JournalEntry& e : t.board.journal())
            if (e.request == BlockReadRequest && e.index == 0x20) sampledAt << e.timeMs;
        QCOMPARE(sampledAt, (QList<std::int64_t>{1955, 2205, 2455})); // after the connection's 4 ms requests
    }

    // The log goes on after an earlier run whose request 5 (a temperature block) failed: null, empty field.
    void monitorPrintsJsonAndAppendsToTheLog() {
        Cli t({.failRequestNumber = 5, .chip = {}});
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv"), earlier = dir.filePath("earlier.csv");
        QCOMPARE(t.run({"monitor", "--count", "2", "--interval", "250", "--json", "--csv", earlier,
                        "--channels", "Temp1,Temp4,Tach1,PWM4"}),
                 0); // the readings below follow it
        QCOMPARE(
            t.outLines().value(0),
            R"({"board":"Simulated board","dutyCycles":[100,100,100,100],"fanSpeeds":[4787,4205,3592,82],)"
            R"("maxTemperature":30,"sample":0,"temperatures":[null,null,null,null,null,null,null,null,null,null],)"
            R"("time":0})");
        QVERIFY(fileBytes(earlier).endsWith(" ,\r\n0,,, 4787, 100,\r\n.25, 25, 27, 4795, 100,\r\n"));
        QVERIFY(writeFile(csv, "earlier\r\n"));
        QCOMPARE(t.run({"monitor", "--count", "2", "--interval", "100", "--json", "--csv", csv}), 0);
        const QString sample =
            R"({"board":"Simulated board","dutyCycles":[100,100,100,100],"fanSpeeds":[4791,4205,3590,82],)"
            R"("maxTemperature":30,"sample":%1,"temperatures":[25,25,26,27,29,24,27,29,25,30],)"
            R"("time":%2})";
        QCOMPARE(t.outLines(), (QStringList{sample.arg(0).arg(0), sample.arg(1).arg(0.1)}));
        // \260: 0xB0, the degree sign in Windows-1252.
        const QByteArray readings = ", 25, 25, 26, 27, 4791, 4205, 3590, 82, 100, 100, 100, 100,\r\n";
        QCOMPARE(fileBytes(csv),
                 "earlier\r\n\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\260C) ,Temp2(\260C) ,"
                 "Temp3(\260C) ,Temp4(\260C) ,Tach1(RPM) ,Tach2(RPM) ,Tach3(RPM) ,Tach4(RPM) ,"
                 "PWM1(%) ,PWM2(%) ,PWM3(%) ,PWM4(%) ,\r\n0" +
                     readings + ".1" + readings);
    }

    void aLostLinkEndsTheMonitor() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("lost.csv");
        Cli lost({.linkLostAfterMs = 2500, .chip = {}});
        QCOMPARE(lost.run({"monitor", "--interval", "100", "--csv", csv}), 1);
        QCOMPARE(lost.err, QStringLiteral("Communications Interrupted - Check USB connections\n"));
        const int rows = static_cast<int>(lost.outLines().size()) - 2;
        QVERIFY(rows > 3);
        // Every sample shown was logged; the one cut short was neither, and nothing follows it.
        QCOMPARE(static_cast<int>(fileBytes(csv).count("\r\n")), 4 + rows);
        QCOMPARE(lost.commandTexts(true).back(), QStringLiteral("222 46 120 1 1"));
        QVERIFY(lost.board.journal().back().status != 0);
    }

    // Soak tests wait on it: events as they come; 3 at the first alarm (earlier in a batch too), 0 timed out.
    void watchPrintsEventsAsTheyHappen_data() {
        const QString at = "2024-03-05T14:07:09.000+01:00 ", set20 = "0x45 0x14 Temperature1 High Limit\n";
        const QString json = R"({"channel":"Temp 1","event":"alarm %1","limit":%2,"logTime":null,)"
                             R"("time":"2024-03-05T14:07:09.000+01:00","unit":"°C","value":25})";
        const SimOptions none;
        addRows<Watch>(
            {{"limit below the ambient",
              Watch{"write 0x45 20\nwatch --until-alarm --timeout 30\n", none, 3,
                    set20 + at + "alarm raised: Temp 1 = 25°C (limit 20°C)\n", 2000}},
             {"json, still active, cleared",
              Watch{"write 0x45 20\nwatch --json --timeout 1\nwrite 0x45 127\nwatch --json --timeout 2\n",
                    none, 0,
                    set20 + json.arg("raised").arg(20) + "\n0x45 0x7F Temperature1 High Limit\n" +
                        json.arg("raised").arg(20) + '\n' + json.arg("cleared").arg(127) + '\n',
                    5000}},
             {"fan 2 seizes, fan 4 absent",
              Watch{"watch --until-alarm --timeout 15\n",
                    SimOptions{.chip = {.fanSeizesAtMs = {-1, 8000, -1, -1}}}, 3,
                    at + "alarm raised: Fan 2 stall = 100% (limit 30%)\n", 12000}},
             {"nothing until the timeout", Watch{"watch --until-alarm --timeout 5\n", none, 0, "", 7000}}});
    }
    void watchPrintsEventsAsTheyHappen() {
        const auto& [batch, options, status, out, endsBeforeMs] = fetchRow<Watch>();
        Cli t(options);
        QCOMPARE(t.run({"batch"}, batch), status);
        QCOMPARE(t.out, out);
        QVERIFY(t.clock.nowMs() < endsBeforeMs && t.clock.nowMs() > endsBeforeMs - 1000);
        if (batch.count('\n') > 1) return;
        Cli alone(options); // the one line as the tool's own command, not in a batch
        QCOMPARE(alone.run(SplitBatchLine(QString::fromUtf8(batch.trimmed()))), status);
    }

    // One event file per run, writes before the monitor included; the link error ending the tool last, whole.
    void eventFileOfARun() {
        QTemporaryDir dir;
        const QString file = dir.filePath("run.events.csv");
        QVERIFY(writeFile(file, {})); // there but empty: the header comes first
        Cli t({.linkLostAfterMs = 5000, .chip = {}});
        const QString batch = "write 0x45 20\nmonitor --count 2 --interval 500 --events %1\nwrite 0x45 127\n"
                              "monitor --interval 500 --events %1\n";
        QCOMPARE(t.run({"batch"}, batch.arg(file).toUtf8()), 1);
        QCOMPARE(fileBytes(file), fileBytes(VORTANE_TEST_DATA "/events-batch.csv"));
        QCOMPARE(t.run({"batch"}, "monitor --count 1 --events a.csv\nwatch --events b.csv\n"), 2);
        QCOMPARE(t.err, QStringLiteral("stdin:2: a run writes one event file, and a.csv comes first\n"));
        Cli u; // a folder for the event file: each run stops at the first alarm it cannot write
        u.run({"write", "0x45", "20"});
        QCOMPARE(u.run({"monitor", "--events", dir.path()}), 1);
        QCOMPARE(std::pair(u.outLines().size(), u.err),
                 std::pair(qsizetype(2),
                           "vortane-cli: cannot write to " + dir.path() + ": Is a directory\n")); // no row
        u.ctrlCAtMs = u.clock.nowMs() + 600000; // else Ctrl+C, 10 minutes on
        for (const QStringList& run : {QStringList{"watch"}, {"serve", "--listen", "127.0.0.1:0"}})
            QVERIFY(u.run(run + QStringList{"--events", dir.path()}) == 1 && u.err.endsWith("directory\n"));
    }

    // serve: alarms to the event file as monitor does; a lost link: the grace, then status 1; Ctrl+C: 130.
    void serveEndsAfterTheGraceOrAtCtrlC() {
        QTemporaryDir dir;
        const QString file = dir.filePath("serve.events.csv");
        Cli t({.linkLostAfterMs = 5000, .chip = {}});
        QCOMPARE(t.run({"write", "0x45", "20"}), 0);
        static const QRegularExpression serving(
            "^vortane-cli: serving http://127\\.0\\.0\\.1:([1-9][0-9]*)/metrics "
            "for Simulated board \\(Ctrl\\+C ends\\)\n");
        QByteArray graceScrape; // failed requests are counted before the grace: the temperatures, Max Temp
        t.whileWaiting = [&] {
            if (graceScrape.isEmpty() && t.err.contains("lost"))
                graceScrape = httpGet(serving.match(t.err).captured(1).toInt(), "/metrics");
        };
        QCOMPARE(t.run({"serve", "--listen", "127.0.0.1:0", "--events", file, "--exit-after-link-loss", "7"}),
                 1);
        QCOMPARE(sample(graceScrape, "vortane_request_failures_total"), 2.0);
        QVERIFY2(t.err.contains(serving), qPrintable(t.err));
        QCOMPARE(
            t.err.section(u'\n', 1),
            "Communications Interrupted - Check USB connections\n"
            "vortane-cli: the link to the board is lost; serving vortane_link_up 0 for 7 s, then ending\n");
        const std::int64_t lostAt = t.board.journal().back().timeMs;
        QCOMPARE(t.board.journal().back().status, std::int16_t(1)); // the simulated board fails with 1
        QCOMPARE(t.clock.nowMs() - lostAt, std::int64_t(7000));     // the grace, to the millisecond
        const QString at = "2024-03-05T14:07:09.000+01:00,";
        QCOMPARE(QString::fromUtf8(fileBytes(file)),
                 "Time,Log time (s),Event,Channel,Value,Limit or old value\r\n" + at +
                     ",alarm raised,Temp 1,25,20\r\n" + at +
                     ",link error,Communications Interrupted - Check USB connections,3,\r\n");

        Cli stopped;
        stopped.ctrlCAtMs = 6000;
        QCOMPARE(stopped.run({"serve", "--listen", "127.0.0.1:0"}), 130);
        QVERIFY(stopped.err.endsWith("\nvortane-cli: interrupted; the endpoint is closed\n"));
        // It read the whole time: the last temperatures came within a read interval's round.
        QVERIFY(stopped.board.journal().back().timeMs > 5600);
    }

    // "-" writes the same bytes to stdout; a non-regular file is refused before the chip is read; FIFOs stay.
    void saveWritesEveryRegisterWithItsComment() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.sav");
        Cli a;
        save(a, file);
        QCOMPARE(a.outLines().back(), QStringLiteral("Saved 75 registers to %1").arg(file));
        QVERIFY(fileBytes(file).contains("\r\nSaved: 3/5/24 at 2:07 PM\r\n\r\nComment : bench 4\r\n"));
        QCOMPARE(a.run({"save", "-", "--comment", " bench 4 "}), 0);
        QCOMPARE(a.output, fileBytes(file));
        QCOMPARE(a.out + a.err, QStringLiteral("Saved 75 registers to standard output\n"));

        const QString fifo = dir.filePath("pipe.sav"), link = dir.filePath("link.sav");
        QVERIFY(mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 && QFile::link("gone.sav", link));
        Cli b;
        QCOMPARE(b.run({"save", dir.filePath("no/bench.sav")}), 1);
        QCOMPARE(b.err, "vortane-cli: cannot write " + dir.filePath("no/bench.sav") +
                            ": No such file or directory\n");
        for (const QString& odd : {fifo, link}) { // a pipe; a link to nothing
            QCOMPARE(b.run({"save", odd}), 1);
            QCOMPARE(b.err, "vortane-cli: cannot write " + odd + ": it is not a regular file\n");
        }
        QVERIFY(b.board.journal().empty() && QFileInfo(fifo).exists() && !QFileInfo(fifo).isFile() &&
                !QFileInfo::exists(dir.filePath("gone.sav")));
    }

    // 75 writes in file order (71 before the last four), 0x7F, 0x7B twice by both names; the chip as saved.
    void recallWritesASavedFileInFileOrder() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.sav");
        Cli a, b;
        save(a, file);
        QCOMPARE(b.run({"recall", file}), 0);
        QCOMPARE(b.out, QStringLiteral("Recalled 75 registers from %1\n").arg(file));
        const QStringList writes = b.commandTexts().filter(QRegularExpression(" 0 0$"));
        QCOMPARE(writes.first(), QStringLiteral("222 46 %1 0 0").arg(0xFF * 256 + 0x32));
        QCOMPARE(writes.mid(71),
                 (QStringList{"222 46 2687 0 0", "222 46 128 0 0", "222 46 2687 0 0", "222 46 891 0 0"}));
        for (int address : {0x40, 0x72, 0x7F, 0x7B, 0x44, 0x43, 0x6A})
            QCOMPARE(b.chip().read(address), a.chip().read(address));
        QCOMPARE(b.chip().read(0x44), 0xFB);
        // 1 MiB is read whole, to its last line (and is no saved configuration); a byte more is refused.
        for (const auto& [size, error] :
             {std::pair{1 << 20, ":1048576: no \"{\" starts the register list; nothing was written\n"},
              {(1 << 20) + 1, " is too large (more than 1048576 bytes)\n"}}) {
            QVERIFY(writeFile(file, QByteArray(size, '\n')));
            QCOMPARE(b.run({"recall", file}), 1);
            QCOMPARE(b.err, "vortane-cli: " + file + error);
        }
    }

    // Bench commands' statuses, output, the chip after; a batch's dump is the same before and after a run.
    void benchCommands() {
        SimOptions quiet{.chip = {.fanPulsesPerRev = {2, 3, 2, 2}, .noise = 0}};
        Cli a(quiet);
        a.chip().write(0x43, 0x08); // fan 2 set for 3 pulses per revolution
        QTemporaryDir reports;
        const QByteArray batch = "dump\ncalibrate-fan 2 --step 20\nsleep 4000\ndump\nwrite 0x47 31\ndump\n"
                                 "check-limits --report " +
                                 reports.path().toUtf8() + "\nsleep 4000\ndump\n";
        QCOMPARE(a.run({"batch"}, batch), 0);
        const QStringList blocks = a.out.split(QStringLiteral("Chip restored.\n"));
        QCOMPARE(blocks.size(), 3);
        const auto dumpOf = [](const QString& text, bool first) {
            const QStringList dump = text.split(u'\n').filter(QRegularExpression(QStringLiteral("^0x")));
            return first ? dump.mid(0, RegisterCount) : dump.mid(dump.size() - RegisterCount);
        };
        QCOMPARE(dumpOf(blocks[1], true), dumpOf(blocks[0], true));
        QCOMPARE(dumpOf(blocks[2], false), dumpOf(blocks[1], false));
        QCOMPARE(a.outLines().filter(QRegularExpression(QStringLiteral("^Report"))),
                 QStringList{"Report: " + reports.filePath("report.html")});

        SimOptions offset = quiet;
        offset.chip.autoOffsetC = 6;
        Cli c(offset);
        QCOMPARE(c.run({"check-curve", "1", "--heater", "1", "--tolerance", "4.5"}), 3);
        QCOMPARE(c.err,
                 "vortane-cli: the curve check failed: largest deviation 54.0 points, tolerance 4.5\n");

        Cli d; // Ctrl+C ten seconds into a calibration: status 130, and the chip as it was
        const int before = d.chip().read(0x68);
        d.ctrlCAtMs = d.clock.nowMs() + 10000;
        QCOMPARE(d.run({"--verbose", "calibrate-fan", "1"}), 130); // each step said once
        QCOMPARE(d.err,
                 "Downloading Firmware...\nFirmware download succesful\nEnumerating...\nConnecting...\n"
                 "Searching for VORTANE on USB...\nFound an VORTANE at 2Eh\nOutput 1: full speed\n"
                 "Output 1: stepping down\nvortane-cli: interrupted; every register and heater the "
                 "run changed has been put back\n");
        QCOMPARE(std::pair(d.chip().read(0x32), d.chip().read(0x68)), std::pair(0xFF, before));

        Cli e;
        e.chip().write(0x40, 0x05);
        QCOMPARE(e.run({"check-limits"}), 1);
        QCOMPARE(e.err, "vortane-cli: limit trip points refused: every output is forced to full speed (FSPD "
                        "set); nothing was changed\n");
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
