// The command-line tool run in-process over a simulated board with a manual clock: what it
// prints, its exit status, the files it writes and what goes over the wire.
#include "base/Clock.h"
#include "board/sim/SimBoard.h"
#include "cli/Cli.h"
#include "monitoring/Conversions.h"
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(SimOptions)

namespace {

QString text(const JournalEntry& e) {
    return QString::asprintf("%d %d %d %d %d", e.request, e.value, e.index, e.direction, e.length);
}

// The tool over its own simulated board, which keeps its chip between runs; each run starts a
// fresh journal.
struct Cli {
    explicit Cli(SimOptions options = {}) : board(clock, std::move(options)) {}

    int run(const QStringList& args, QByteArray input = {}) {
        out.clear();
        err.clear();
        board.clearJournal();
        QTextStream o(&out), e(&err);
        QBuffer in(&input);
        in.open(QIODevice::ReadOnly);
        const auto now = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
        const auto never = [] { return false; };
        CliEnvironment env{o, e, clock, "/opt/vortane", now, interrupted ? interrupted : never, &in, &board};
        return RunCli(args, env);
    }

    QStringList outLines() const { return out.split(u'\n', Qt::SkipEmptyParts); }
    // Vendor requests after the chip was found (the first read of "Company ID" that it answered),
    // or all of them.
    QList<JournalEntry> commandRequests(bool all = false) const {
        QList<JournalEntry> list;
        bool found = all;
        for (const JournalEntry& e : board.journal()) {
            if (found && !e.firmware) list << e;
            found = found || (e.request == RegisterRequest && e.direction == 1 && e.index == 0x3E &&
                              e.status == 0 && e.data == QByteArray(1, char(CompanyCode)));
        }
        return list;
    }
    QStringList commandTexts(bool all = false) const {
        QStringList list;
        for (const JournalEntry& e : commandRequests(all))
            list << text(e);
        return list;
    }
    QList<JournalEntry> requests(int request, int index) const {
        QList<JournalEntry> list;
        for (const JournalEntry& e : board.journal())
            if (e.request == request && e.index == index) list << e;
        return list;
    }
    SimChip& chip() { return *board.chip(board.options().chipAddresses.front()); }

    ManualClock clock;
    SimBoard board;
    std::function<bool()> interrupted;
    QString out;
    QString err;
};

QByteArray readFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int indexOf(int address) {
    return *FindRegisterByAddress(address);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void connectingSearchesOrConfirmsTheAddress() {
        SimOptions o;
        o.chipAddresses = {0x2D};
        Cli search(o);
        QCOMPARE(search.run({"probe"}), 0);
        QCOMPARE(search.out,
                 QStringLiteral("Found an VORTANE at 2Dh\n0x3D 0x62 Device ID\n0x3E 0x4B Company ID\n"
                                "0x3F 0x00 Revision\n"));
        QCOMPARE(search.commandTexts(true), (QStringList{"221 48 51 0 0", "222 44 62 1 1", "222 45 62 1 1",
                                                         "222 45 61 1 1", "222 45 62 1 1", "222 45 63 1 1"}));
        // The board's enumeration wait stays; the pauses for reading the splash window go.
        const std::deque<JournalEntry>& all = search.board.journal();
        QVERIFY(all[0].firmware && all[1].timeMs >= 1700);
        QCOMPARE(all[2].timeMs - all[1].timeMs, std::int64_t(201));
        QCOMPARE(all[4].timeMs, all[3].timeMs);

        o.chipAddresses = {0x2C, 0x2E};
        Cli known(o);
        QCOMPARE(known.run({"--address", "0x2E", "read", "0x40"}), 0);
        QCOMPARE(known.commandTexts(true), (QStringList{"221 48 51 0 0", "222 46 62 1 1", "222 46 64 1 1"}));
        Cli absent;
        QCOMPARE(absent.run({"--address=2Ch", "read", "0x40"}), 1);
        QCOMPARE(absent.err, QStringLiteral("Device not found - Check USNB connections\n"));
        QCOMPARE(absent.out, QString());
        QCOMPARE(absent.commandTexts(true).back(), QStringLiteral("222 44 62 1 1"));

        for (const auto& [options, message] :
             {std::pair{SimOptions{.firmwareFails = true, .chip = {}}, "Firmware failed to download"},
              std::pair{SimOptions{.chipAddresses = {}, .chip = {}}, "Initial Connection Failed"}}) {
            Cli t(options);
            QCOMPARE(t.run({"read", "0x40"}), 1);
            QCOMPARE(t.err, message + QStringLiteral(" - Check USB connections\n"));
            QCOMPARE(t.out, QString());
        }
    }

    void commandsThatOnlyLookNeverWrite() {
        QTemporaryDir dir;
        for (const QStringList& args : {QStringList{"probe"}, QStringList{"read", "0x40", "AFC"},
                                        QStringList{"dump", "--json"}, QStringList{"monitor", "--count", "2"},
                                        QStringList{"board"}, QStringList{"save", dir.filePath("x.sav")}}) {
            Cli t;
            QCOMPARE(t.run(args), 0);
            QVERIFY(!t.commandRequests().isEmpty());
            for (const JournalEntry& e : t.board.journal())
                QVERIFY2(e.firmware || e.direction == 1 || e.request == BoardRequest, qPrintable(text(e)));
        }
    }

    // A command line, with `input` as standard input and as the file %file: exit status, both
    // streams and the requests after the chip was found. No requests: the board is never touched.
    void commandsPrintAndSend_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<SimOptions>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err"); // %usage: a blank line and the usage text
        QTest::addColumn<QStringList>("wire");
        const auto add = [](const char* name, QStringList args, int status, QString out, QString err,
                            QStringList wire, QByteArray input = {}, SimOptions options = {}) {
            QTest::newRow(name) << args << input << options << status << out << err << wire;
        };
        const QString mask81 = QStringLiteral("0x72 0x81 Interrupt Mask 1: OOL R1T\n");
        const QString config1 = QStringLiteral("0x40 0x01 Configuration 1: STRT\n");
        const QString fans = QStringLiteral("Device Address: 2Eh\nFan1 Present: No\nFan2 Present: Yes\n"
                                            "Fan3 Present: Yes\nFan4 Present: No\n");

        add("read by number and name", {"read", "0x72", "Interrupt Mask 1", "114", "72h", "AFC"}, 0,
            mask81.repeated(4) + "0x7B 0x00 AFC\n", "",
            {"222 46 114 1 1", "222 46 114 1 1", "222 46 114 1 1", "222 46 114 1 1", "222 46 123 1 1"});
        add("write, then read", {"batch"}, 0, "0x40 0x00 Configuration 1\n" + config1 + config1, "",
            {"222 46 64 0 0", "222 46 64 1 1", "222 46 320 0 0", "222 46 64 1 1", "222 46 64 1 1"},
            "write 0x40 0\nwrite 0x40 0x01\nread 0x40\n");
        add("masked write", {"write", "Interrupt Mask 1", "0xFF", "--mask", "0x06"}, 0,
            "0x72 0x87 Interrupt Mask 1: OOL R3T R2T R1T\n", "",
            {"222 46 114 1 1", "222 46 34674 0 0", "222 46 114 1 1"});
        add("heater", {"heater", "2", "40"}, 0, "Heater2 PWM: 40\n", "", {"218 2 40 0 1", "218 0 0 1 3"});
        add("board C without 5 V", {"board"}, 0,
            "Board Revision: C\n5V Present: No\n12V Present: Yes\n" + fans, "",
            {"221 0 0 1 6", "222 46 54 1 1"}, {}, {.boardRevision = 2, .supply5V = false, .chip = {}});

        add("no command", {}, 2, "", "vortane-cli: no command given%usage", {});
        add("read-only register", {"write", "0x3E", "1"}, 2, "",
            "vortane-cli: register 0x3E (Company ID) is read-only%usage", {});
        add("bad address", {"--address", "0x80", "probe"}, 2, "",
            "vortane-cli: invalid SMBus address '0x80'%usage", {});

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
            {"222 46 33138 0 0", "222 46 114 1 1"},
            "write 0x72 0x81\nrecall /nonexistent-dir/x.sav\nwrite 0x73 1\n");
        add("batch stops when the link fails", {"batch"}, 1, config1,
            "Communications Interrupted - Check USB connections\nstdin:3: the batch stopped here\n",
            {"222 46 64 1 1", "222 46 64 1 1"}, "read 0x40\nsleep 4000\nread 0x40\nwrite 0x72 1\n",
            {.linkLostAfterMs = 5000, .chip = {}});

        const QByteArray good = BuildConfigFile({{indexOf(0x40), 5}, {indexOf(0x72), 0x81}}, false, {},
                                                QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        add("recall --dry-run", {"recall", "%file", "--dry-run"}, 0,
            "0x40 0x05 Configuration 1: FSPD STRT\n0x72 0x81 Interrupt Mask 1: OOL R1T\n"
            "2 registers would be written from %file\n",
            "", {}, good);
        add("truncated file", {"recall", "%file"}, 1, "",
            "vortane-cli: %file:11: the file ends inside the register line; nothing was written\n", {},
            good.left(good.indexOf("0x72") + 6));
        add("no such register", {"recall", "%file"}, 1, "",
            "vortane-cli: %file:3: no register at address 0x10; nothing was written\n", {},
            "{\r\n0x40\t0x5\t\r\n0x10\t0x1\t\r\n}\r\n");
    }
    void commandsPrintAndSend() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, input);
        QFETCH(SimOptions, options);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QStringList, wire);
        QTemporaryDir dir;
        const QString name = dir.filePath("f.txt");
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(input) == input.size() && f.flush());
        Cli t(options);
        t.chip().write(0x72, 0x81);
        t.chip().write(0x36, 0x09);
        QCOMPARE(t.run(args.replaceInStrings("%file", name), input), status);
        QCOMPARE(t.out, out.replace("%file", name));
        QCOMPARE(t.err, err.replace("%file", name).replace("%usage", "\n\n" + CliUsage()));
        QCOMPARE(t.commandTexts(), wire);
        if (wire.isEmpty()) QVERIFY(t.board.journal().empty());
    }

    void dumpListsAllHundredEntries() {
        Cli t;
        t.chip().write(0x72, 0x81);
        QCOMPARE(t.run({"dump"}), 0);
        QCOMPARE(t.outLines().size(), 100);
        QCOMPARE(t.outLines()[indexOf(0x72)],
                 QStringLiteral("0x72 0x81 Interrupt Mask 1: OOL R1T  (default 0x00)"));

        QCOMPARE(t.run({"dump", "--json"}), 0);
        QJsonParseError error{};
        const QJsonObject root = QJsonDocument::fromJson(t.out.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(root.value("deviceAddress"), QJsonValue(0x2E));
        const QJsonArray registers = root.value("registers").toArray();
        const QList<JournalEntry> reads = t.commandRequests();
        QCOMPARE(registers.size(), 100);
        QCOMPARE(reads.size(), 100);
        for (int i = 0; i < 100; ++i) {
            const RegisterEntry& e = BuildRegisterTable()[static_cast<std::size_t>(i)];
            const QJsonObject o = registers[i].toObject();
            QCOMPARE(o.contains("decoded"), (e.Address >= 0x20 && e.Address <= 0x35) || e.Address == 0x78);
            QJsonObject expected{{"address", e.Address},
                                 {"name", RegisterName(e)},
                                 {"value", std::uint8_t(reads[i].data.at(0))},
                                 {"default", e.Default},
                                 {"readOnly", e.ReadOnly}};
            if (o.contains("decoded")) expected.insert("decoded", o.value("decoded"));
            QCOMPARE(o, expected);
        }
        const auto value = [&](int address) { return std::uint8_t(reads[indexOf(address)].data.at(0)); };
        // Both bytes of a tach pair decode to the fan's speed.
        const int rpm = TachToRpm(TachCount(value(0x2C), value(0x2D)));
        for (const auto& [address, shown, unit] :
             {std::tuple{0x20, TemperatureFromByte(value(0x20)), "°C"}, std::tuple{0x2C, rpm, "RPM"},
              std::tuple{0x2D, rpm, "RPM"}, std::tuple{0x35, DutyPercentFromByte(value(0x35)), "%"}})
            QCOMPARE(registers[indexOf(address)].toObject().value("decoded").toObject(),
                     (QJsonObject{{"value", shown}, {"unit", QString::fromUtf8(unit)}}));
    }

    void monitorTableJsonAndCsv() {
        Cli t;
        QCOMPARE(t.run({"monitor", "--count", "2", "--interval", "250"}), 0);
        const QStringList table = t.outLines();
        QCOMPARE(table.size(), 4);
        QCOMPARE(table[0],
                 QStringLiteral("    Time    T1    T2    T3    T4    T5    T6    T7    T8    T9   T10  Tmax"
                                "     Fan1     Fan2     Fan3     Fan4  PWM1  PWM2  PWM3  PWM4"));
        QVERIFY(table[1].startsWith(QStringLiteral("     (s)  (°C)")));
        QVERIFY(table[3].startsWith(QStringLiteral("   0.250 ")));
        QCOMPARE(table[3].split(u' ', Qt::SkipEmptyParts).size(), 20);
        const QList<JournalEntry> first = t.requests(BlockReadRequest, 0x20);
        QCOMPARE(first[1].timeMs - first[0].timeMs, std::int64_t(250));

        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        QFile earlier(csv);
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier\r\n") == 9);
        earlier.close();
        QCOMPARE(t.run({"monitor", "--count", "2", "--interval", "100", "--json", "--csv", csv}), 0);
        // \260: 0xB0, the degree sign in Windows-1252.
        QByteArray log =
            "earlier\r\n\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\260C) ,Temp2(\260C) ,Temp3(\260C) ,"
            "Temp4(\260C) ,Tach1(RPM) ,Tach2(RPM) ,Tach3(RPM) ,Tach4(RPM) ,PWM1(%) ,PWM2(%) ,PWM3(%) ,"
            "PWM4(%) ,\r\n";
        QCOMPARE(t.outLines().size(), 2);
        for (int n = 0; n < 2; ++n) {
            // The sample's bytes as the board gave them, decoded.
            const QByteArray temps = t.requests(BlockReadRequest, 0x20)[n].data;
            const QByteArray tach = t.requests(BlockReadRequest, 0x2A)[n].data;
            const QByteArray duty = t.requests(BlockReadRequest, 0x32)[n].data;
            QJsonArray celsius, rpm, percent;
            for (int k = 0; k < 10; ++k)
                celsius.append(TemperatureFromByte(std::uint8_t(temps[k])));
            for (int k = 0; k < 4; ++k)
                rpm.append(TachToRpm(TachCount(std::uint8_t(tach[2 * k]), std::uint8_t(tach[2 * k + 1]))));
            for (int k = 0; k < 4; ++k)
                percent.append(DutyPercentFromByte(std::uint8_t(duty[k])));
            const int max =
                TemperatureFromByte(std::uint8_t(t.requests(RegisterRequest, 0x78)[n].data.at(0)));
            QCOMPARE(QJsonDocument::fromJson(t.outLines()[n].toUtf8()).object(),
                     (QJsonObject{{"sample", n},
                                  {"time", n * 0.1},
                                  {"temperatures", celsius},
                                  {"maxTemperature", max},
                                  {"fanSpeeds", rpm},
                                  {"dutyCycles", percent}}));
            log += n == 0 ? "0," : ".1,";
            for (const QJsonArray& a : {celsius, rpm, percent})
                for (int k = 0; k < 4; ++k)
                    log += (a[k].toInt() < 0 ? "" : " ") + QByteArray::number(a[k].toInt()) + ',';
            log += "\r\n";
        }
        QCOMPARE(readFile(csv), log);
    }

    void ctrlCAndALostLinkEndTheRun() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        Cli stopped;
        stopped.interrupted = [&stopped] { return stopped.requests(BlockReadRequest, 0x20).size() >= 4; };
        QCOMPARE(stopped.run({"monitor", "--interval", "1000", "--csv", csv}), 0);
        QCOMPARE(stopped.outLines().size(), 2 + 4);
        QCOMPARE(readFile(csv).count("\r\n"), 4 + 4);
        QCOMPARE(stopped.err, QString());

        Cli batch;
        batch.interrupted = [&batch] { return !batch.commandRequests().isEmpty(); };
        QCOMPARE(batch.run({"batch"}, "read 0x40\nsleep 1000\nwrite 0x72 1\n"), 130);
        QCOMPARE(batch.err, QStringLiteral("stdin:2: interrupted; the batch stopped before this line\n"));
        QCOMPARE(batch.commandTexts(), QStringList{"222 46 64 1 1"});

        Cli lost({.linkLostAfterMs = 2500, .chip = {}});
        const QString lostCsv = dir.filePath("lost.csv");
        QCOMPARE(lost.run({"monitor", "--interval", "100", "--csv", lostCsv}), 1);
        QCOMPARE(lost.err, QStringLiteral("Communications Interrupted - Check USB connections\n"));
        const int rows = static_cast<int>(lost.outLines().size()) - 2;
        QVERIFY(rows > 3);
        // Every sample shown was logged; the one cut short was neither, and nothing follows it.
        QCOMPARE(static_cast<int>(readFile(lostCsv).count("\r\n")), 4 + rows);
        QCOMPARE(lost.commandTexts(true).back(), QStringLiteral("222 46 120 1 1"));
        QVERIFY(lost.board.journal().back().status != 0);
    }

    void saveAndRecallRoundTrip() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.sav");
        Cli a;
        QCOMPARE(
            a.run({"batch"}, QStringLiteral("write 0x40 0x05\nwrite 0x72 0x81\nwrite 0x7F 0x0A\nwrite AFC 3\n"
                                            "write 0x44 -5\nsave \"%1\" --comment \" bench 4 \"\n")
                                 .arg(file)
                                 .toUtf8()),
            0);
        QCOMPARE(a.outLines().back(), QStringLiteral("Saved 75 registers to %1").arg(file));
        const QByteArray bytes = readFile(file);
        QVERIFY(bytes.startsWith("Heldrix Semiconductor\r\nVORTANE Evaluation Software\r\n\r\n"
                                 "Saved: 3/5/24 at 2:07 PM\r\n\r\nComment : bench 4\r\n\r\n"
                                 "Address\tData\tRegister\r\n{\r\n0x32\t0x"));
        QVERIFY(bytes.contains("\r\n0x72\t0x81\t // Interrupt Mask 1\r\n"));
        QVERIFY(bytes.endsWith("\r\n0x7F\t0xA\t // PEXIL Coef Select 2\r\n0x7B\t0x3\t // AFC\r\n}\r\n"));
        QCOMPARE(bytes.count("\r\n"), 85);
        // Each register read at its own turn: 0x7F and 0x7B twice.
        QStringList reads;
        for (int index : ConfigRegisterIndices())
            reads << QStringLiteral("222 46 %1 1 1")
                         .arg(BuildRegisterTable()[static_cast<std::size_t>(index)].Address);
        QCOMPARE(a.commandTexts().mid(a.commandTexts().size() - 75), reads);

        Cli b;
        QCOMPARE(b.run({"recall", file}), 0);
        QCOMPARE(b.out, QStringLiteral("Recalled 75 registers from %1\n").arg(file));
        QStringList writes;
        for (const ConfigWrite& w : ParseConfigFile(bytes).writes)
            writes << QString::asprintf("222 46 %d 0 0", w.value * 256 + w.address);
        QCOMPARE(b.commandTexts().filter(QStringLiteral(" 0 0")), writes); // direction 0, length 0
        for (int address : {0x40, 0x72, 0x7F, 0x7B, 0x44, 0x43, 0x6A})
            QCOMPARE(b.chip().read(address), a.chip().read(address));
        QCOMPARE(b.chip().read(0x44), 0xFB);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
