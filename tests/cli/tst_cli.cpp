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
    return QStringLiteral("%1 %2 %3 %4 %5")
        .arg(e.request)
        .arg(e.value)
        .arg(e.index)
        .arg(e.direction)
        .arg(e.length);
}

// A board in front of the simulated one whose register 0x72 has a bit 0 that never sets.
class StuckBitBoard final : public USBFunctions {
  public:
    explicit StuckBitBoard(SimBoard& inner) : inner_(inner) {}
    std::int16_t LoadFirmWare(const std::uint8_t* path) override { return inner_.LoadFirmWare(path); }
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length, std::uint8_t* buffer) override {
        if (request == RegisterRequest && direction == 0 && (index & 0xFF) == 0x72) index &= ~0x100;
        return inner_.VendorIORequest(request, value, index, direction, length, buffer);
    }

  private:
    SimBoard& inner_;
};

// The tool over its own simulated board, which lives on between runs.
struct Cli {
    explicit Cli(SimOptions options = {}) : board(clock, std::move(options)) {}

    int run(const QStringList& args, const QByteArray& input = {}) {
        out.clear();
        err.clear();
        int status = 0;
        {
            QTextStream o(&out);
            QTextStream e(&err);
            QBuffer in;
            in.setData(input);
            in.open(QIODevice::ReadOnly);
            CliEnvironment env{o, e, clock, QStringLiteral("/opt/vortane")};
            env.now = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
            if (interrupted) env.interrupted = interrupted;
            env.input = &in;
            env.board = front ? front : &board;
            status = RunCli(args, env);
        }
        return status;
    }

    QStringList outLines() const { return out.split(u'\n', Qt::SkipEmptyParts); }

    // Vendor requests after the chip was found (the first "Company ID" read that answered it).
    QList<JournalEntry> commandRequests() const {
        QList<JournalEntry> list;
        bool found = false;
        for (const JournalEntry& e : board.journal()) {
            if (e.firmware) continue;
            if (found) list << e;
            if (e.request == RegisterRequest && e.direction == 1 && e.index == 0x3E && e.status == 0 &&
                e.data == QByteArray(1, char(CompanyCode)))
                found = true;
        }
        return list;
    }
    QStringList commandTexts() const {
        QStringList list;
        for (const JournalEntry& e : commandRequests())
            list << text(e);
        return list;
    }
    // Register writes anywhere in the journal: (register, value) pairs.
    QList<std::pair<int, int>> writes() const {
        QList<std::pair<int, int>> list;
        for (const JournalEntry& e : board.journal())
            if (!e.firmware && e.request == RegisterRequest && e.direction == 0)
                list.append({e.index & 0xFF, (e.index >> 8) & 0xFF});
        return list;
    }
    int firmwareLoads() const {
        return static_cast<int>(std::count_if(board.journal().begin(), board.journal().end(),
                                              [](const JournalEntry& e) { return e.firmware; }));
    }
    QList<JournalEntry> blockReads(int first) const {
        QList<JournalEntry> list;
        for (const JournalEntry& e : board.journal())
            if (e.request == BlockReadRequest && e.index == first) list << e;
        return list;
    }
    SimChip& chip() { return *board.chip(board.options().chipAddresses.front()); }

    ManualClock clock;
    SimBoard board;
    USBFunctions* front = nullptr;
    std::function<bool()> interrupted;
    QString out;
    QString err;
};

SimOptions withChipsAt(std::vector<int> addresses) {
    SimOptions o;
    o.chipAddresses = std::move(addresses);
    return o;
}

QByteArray readFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

int indexOf(int address) {
    return *FindRegisterByAddress(address);
}

const char FullLogHeader[] = "Time ,Temp1(\xB0"
                             "C) ,Temp2(\xB0"
                             "C) ,Temp3(\xB0"
                             "C) ,Temp4(\xB0"
                             "C) ,Tach1(RPM) ,Tach2(RPM) ,Tach3(RPM) ,Tach4(RPM) ,"
                             "PWM1(%) ,PWM2(%) ,PWM3(%) ,PWM4(%) ,";

QString logValue(int v) {
    return v < 0 ? QString::number(v) : u' ' + QString::number(v);
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // Connection

    void probeShowsTheChipAndItsIdentification() {
        Cli t;
        QCOMPARE(t.run({"probe"}), 0);
        QCOMPARE(t.out, QStringLiteral("Found an VORTANE at 2Eh\n0x3D 0x62 Device ID\n0x3E 0x4B Company ID\n"
                                       "0x3F 0x00 Revision\n"));
        QCOMPARE(t.err, QString());
    }

    void connectionSearchesWithoutTheSplashPauses() {
        Cli t(withChipsAt({0x2D}));
        QCOMPARE(t.run({"probe"}), 0);
        QVERIFY(t.out.startsWith(QStringLiteral("Found an VORTANE at 2Dh\n")));
        QList<JournalEntry> all;
        for (const JournalEntry& e : t.board.journal())
            all << e;
        QVERIFY(all[0].firmware);
        QStringList texts;
        for (int i = 1; i < all.size(); ++i)
            texts << text(all[i]);
        QCOMPARE(texts, (QStringList{"221 48 51 0 0", "222 44 62 1 1", "222 45 62 1 1", "222 45 61 1 1",
                                     "222 45 62 1 1", "222 45 63 1 1"}));
        // The board's enumeration wait stays; the pauses for reading the splash window go.
        QVERIFY(all[1].timeMs >= 1700);
        QCOMPARE(all[2].timeMs - all[1].timeMs, std::int64_t(201));
        QCOMPARE(all[4].timeMs, all[3].timeMs);
    }

    void knownAddressSkipsTheSearch() {
        Cli t(withChipsAt({0x2C, 0x2E}));
        QCOMPARE(t.run({"--address", "0x2E", "read", "0x40"}), 0);
        QStringList texts;
        for (const JournalEntry& e : t.board.journal())
            if (!e.firmware) texts << text(e);
        QCOMPARE(texts, (QStringList{"221 48 51 0 0", "222 46 62 1 1", "222 46 64 1 1"}));
    }

    void knownAddressWithoutAChipIsNotFound() {
        Cli t;
        QCOMPARE(t.run({"--address=2Ch", "read", "0x40"}), 1);
        QCOMPARE(t.err, QStringLiteral("Device not found - Check USNB connections\n"));
        QCOMPARE(t.out, QString());
        QCOMPARE(text(t.board.journal().back()), QStringLiteral("222 44 62 1 1"));
    }

    void linkErrorsWhileConnecting_data() {
        QTest::addColumn<SimOptions>("options");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        SimOptions o;
        o.firmwareFails = true;
        QTest::newRow("firmware") << o << 1 << "Firmware failed to download - Check USB connections\n";
        o = {};
        o.chipAddresses.clear();
        QTest::newRow("no chip") << o << 1 << "Initial Connection Failed - Check USB connections\n";
        o = {};
        o.enableSmbusFailures = 20;
        QTest::newRow("20 failed enables") << o << 1 << "Initial Connection Failed - Check USB connections\n";
        o.enableSmbusFailures = 19;
        QTest::newRow("19 failed enables") << o << 0 << "";
    }
    void linkErrorsWhileConnecting() {
        QFETCH(SimOptions, options);
        QFETCH(int, status);
        QFETCH(QString, message);
        Cli t(options);
        QCOMPARE(t.run({"read", "0x40"}), status);
        QCOMPARE(t.err, message);
        QCOMPARE(t.out.isEmpty(), status != 0);
    }

    // Reading leaves the chip alone

    void readDumpAndMonitorNeverWrite_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("probe") << QStringList{"probe"};
        QTest::newRow("read") << QStringList{"read", "0x40", "AFC", "0x36"};
        QTest::newRow("dump") << QStringList{"dump"};
        QTest::newRow("dump --json") << QStringList{"dump", "--json"};
        QTest::newRow("monitor") << QStringList{"monitor", "--count", "3", "--interval", "100"};
        QTest::newRow("board") << QStringList{"board"};
        QTest::newRow("save") << QStringList{"save", QDir::temp().filePath("vortane-cli-never-writes.sav")};
    }
    void readDumpAndMonitorNeverWrite() {
        QFETCH(QStringList, args);
        Cli t;
        QCOMPARE(t.run(args), 0);
        QVERIFY(!t.commandRequests().isEmpty());
        for (const JournalEntry& e : t.board.journal()) {
            if (e.firmware) continue;
            QVERIFY2(e.direction == 1 || e.request == BoardRequest, qPrintable(text(e)));
        }
        QFile::remove(QDir::temp().filePath("vortane-cli-never-writes.sav"));
    }

    // read and write

    void readShowsAddressValueNameAndFlags() {
        Cli t;
        t.chip().write(0x72, 0x81);
        t.chip().write(0x44, 0xF6);
        QCOMPARE(t.run({"read", "0x72", "Interrupt Mask 1", "114", "72h", "0x44", "0x74"}), 0);
        const QString mask = QStringLiteral("0x72 0x81 Interrupt Mask 1: OOL R1T\n");
        QCOMPARE(t.out,
                 mask + mask + mask + mask + "0x44 0xF6 Temperature1 Low Limit\n0x74 0x00 Configuration 2\n");
        QCOMPARE(t.commandTexts(), (QStringList{"222 46 114 1 1", "222 46 114 1 1", "222 46 114 1 1",
                                                "222 46 114 1 1", "222 46 68 1 1", "222 46 116 1 1"}));
    }

    void readingsAreDecodedWithTheirUnits() {
        Cli t;
        QCOMPARE(t.run({"read", "Temperature 1", "0x78", "0x33"}), 0);
        const QList<JournalEntry> reads = t.commandRequests();
        QCOMPARE(reads.size(), 3);
        const auto byteOf = [&](int k) { return static_cast<std::uint8_t>(reads[k].data.at(0)); };
        const auto hex = [](int v) { return QString::number(v, 16).toUpper().rightJustified(2, u'0'); };
        QCOMPARE(t.outLines(), (QStringList{QStringLiteral("0x20 0x%1 Temperature 1: %2 °C")
                                                .arg(hex(byteOf(0)))
                                                .arg(TemperatureFromByte(byteOf(0))),
                                            QStringLiteral("0x78 0x%1 Max PEXIL Temperature: %2 °C")
                                                .arg(hex(byteOf(1)))
                                                .arg(TemperatureFromByte(byteOf(1))),
                                            QStringLiteral("0x33 0x%1 PWM2 Current Duty Cycle: %2 %")
                                                .arg(hex(byteOf(2)))
                                                .arg(DutyPercentFromByte(byteOf(2)))}));
    }

    void writeThenReadAgree() {
        Cli t;
        QCOMPARE(t.run({"write", "0x40", "0x01"}), 0);
        QCOMPARE(t.out, QStringLiteral("0x40 0x01 Configuration 1: STRT\n"));
        QCOMPARE(t.commandTexts(), (QStringList{"222 46 320 0 0", "222 46 64 1 1"}));
        QCOMPARE(t.run({"read", "0x40"}), 0);
        QCOMPARE(t.out, QStringLiteral("0x40 0x01 Configuration 1: STRT\n"));
    }

    void writeOfANegativeValueGivesItsSignedByte() {
        Cli t;
        QCOMPARE(t.run({"write", "Temperature1 Low Limit", "-5"}), 0);
        QCOMPARE(t.chip().read(0x44), 0xFB);
        QCOMPARE(t.out, QStringLiteral("0x44 0xFB Temperature1 Low Limit\n"));
    }

    void maskedWriteChangesOnlyTheMaskedBits() {
        Cli t;
        t.chip().write(0x72, 0x81);
        QCOMPARE(t.run({"write", "Interrupt Mask 1", "0xFF", "--mask", "0x06"}), 0);
        QCOMPARE(t.commandTexts(),
                 (QStringList{"222 46 114 1 1", QString("222 46 %1 0 0").arg(0x87 * 256 + 0x72),
                              "222 46 114 1 1"}));
        QCOMPARE(t.out, QStringLiteral("0x72 0x87 Interrupt Mask 1: OOL R3T R2T R1T\n"));
    }

    void writeReportsWhatTheChipHolds() {
        Cli t;
        StuckBitBoard stuck(t.board);
        t.front = &stuck;
        QCOMPARE(t.run({"write", "0x72", "0x81"}), 0);
        QCOMPARE(t.out, QStringLiteral("0x72 0x80 Interrupt Mask 1: OOL (wrote 0x81)\n"));
    }

    // Arguments

    void badArgumentsPrintUsageAndTouchNothing_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        QTest::newRow("nothing") << QStringList{} << "no command given";
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << "unknown command 'frobnicate'";
        QTest::newRow("no such register") << QStringList{"read", "0x10"} << "no register at address 0x10";
        QTest::newRow("read-only") << QStringList{"write", "0x3E", "1"}
                                   << "register 0x3E (Company ID) is read-only";
        QTest::newRow("address out of range")
            << QStringList{"--address", "0x80", "probe"} << "invalid SMBus address '0x80'";
        QTest::newRow("address missing")
            << QStringList{"probe", "--address"} << "option --address needs a value";
        QTest::newRow("board option")
            << QStringList{"--sim-fans", "9", "probe"} << "invalid value for --sim-fans: 9";
        QTest::newRow("sleep") << QStringList{"sleep", "100"} << "'sleep' is a batch command";
    }
    void badArgumentsPrintUsageAndTouchNothing() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        Cli t;
        QCOMPARE(t.run(args), 2);
        QVERIFY2(t.err.startsWith(QStringLiteral("vortane-cli: ") + error + "\n\nUsage: vortane-cli "),
                 qPrintable(t.err.left(200)));
        QCOMPARE(t.out, QString());
        QVERIFY(t.board.journal().empty());
    }

    void helpNamesEveryCommand() {
        Cli t;
        QCOMPARE(t.run({"read", "--help"}), 0);
        QVERIFY(t.out.startsWith(QStringLiteral("Usage: vortane-cli [options] COMMAND [arguments]\n")));
        for (const char* word :
             {"probe", "read REG", "write REG VALUE [--mask M]", "dump [--json]", "monitor [",
              "heater N LEVEL", "board", "save FILE", "recall FILE [--dry-run]", "batch [FILE|-]", "sleep MS",
              "--address", "--sim-link-lost-after", "Exit status", "Examples"})
            QVERIFY2(t.out.contains(QLatin1String(word)), word);
        QCOMPARE(t.err, QString());
        QVERIFY(t.board.journal().empty());
    }

    // dump

    void dumpListsEveryEntryWithDefaultsWhereTheyDiffer() {
        Cli t;
        t.chip().write(0x72, 0x81);
        QCOMPARE(t.run({"dump"}), 0);
        const QStringList lines = t.outLines();
        QCOMPARE(lines.size(), 100);
        QCOMPARE(lines[indexOf(0x72)], QStringLiteral("0x72 0x81 Interrupt Mask 1: OOL R1T  (default 0x00)"));
        QCOMPARE(lines[indexOf(0x43)], QStringLiteral("0x43 0x55 Fan Pulses/Rev"));
        QCOMPARE(lines[indexOf(0x3E)], QStringLiteral("0x3E 0x4B Company ID"));
        QCOMPARE(lines[98], QStringLiteral("0x7F 0x00 PEXIL Coef Select 2"));
        QCOMPARE(lines[99], QStringLiteral("0x7B 0x00 AFC"));
        QStringList reads;
        for (const RegisterEntry& e : BuildRegisterTable())
            reads << QStringLiteral("222 46 %1 1 1").arg(e.Address);
        QCOMPARE(t.commandTexts(), reads);
    }

    void dumpJsonHasStableKeysAndDecodedReadings() {
        Cli t;
        t.chip().write(0x72, 0x81);
        QCOMPARE(t.run({"dump", "--json"}), 0);
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(t.out.toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.object().value("deviceAddress").toInt(), 0x2E);
        const QJsonArray registers = doc.object().value("registers").toArray();
        QCOMPARE(registers.size(), 100);
        const QList<JournalEntry> reads = t.commandRequests();
        const QStringList keys{"address", "default", "name", "readOnly", "value"};
        const QStringList readingKeys{"address", "decoded", "default", "name", "readOnly", "value"};
        for (int i = 0; i < 100; ++i) {
            const RegisterEntry& e = BuildRegisterTable()[static_cast<std::size_t>(i)];
            const QJsonObject o = registers[i].toObject();
            const int value = static_cast<std::uint8_t>(reads[i].data.at(0));
            QCOMPARE(o.value("address").toInt(), e.Address);
            QCOMPARE(o.value("name").toString(), RegisterName(e));
            QCOMPARE(o.value("value").toInt(), value);
            QCOMPARE(o.value("default").toInt(), int(e.Default));
            QCOMPARE(o.value("readOnly").toBool(), e.ReadOnly);
            const bool reading = (e.Address >= 0x20 && e.Address <= 0x35) || e.Address == 0x78;
            QCOMPARE(o.keys(), reading ? readingKeys : keys);
            if (!reading) continue;
            const QJsonObject decoded = o.value("decoded").toObject();
            if (e.Address <= 0x29 || e.Address == 0x78) {
                QCOMPARE(decoded.value("unit").toString(), QStringLiteral("°C"));
                QCOMPARE(decoded.value("value").toInt(), TemperatureFromByte(value));
            } else if (e.Address <= 0x31) {
                QCOMPARE(decoded.value("unit").toString(), QStringLiteral("RPM"));
                const int low = e.Address % 2 == 0 ? i : i - 1;
                const int count = TachCount(registers[low].toObject().value("value").toInt(),
                                            registers[low + 1].toObject().value("value").toInt());
                QCOMPARE(decoded.value("value").toInt(), TachToRpm(count));
            } else {
                QCOMPARE(decoded.value("unit").toString(), QStringLiteral("%"));
                QCOMPARE(decoded.value("value").toInt(), DutyPercentFromByte(value));
            }
        }
        QCOMPARE(registers[indexOf(0x72)].toObject().value("value").toInt(), 0x81);
        QCOMPARE(registers[98].toObject().value("name").toString(), QStringLiteral("PEXIL Coef Select 2"));
    }

    // monitor

    void monitorPrintsATableAtTheInterval() {
        Cli t;
        QCOMPARE(t.run({"monitor", "--count", "3", "--interval", "250"}), 0);
        const QStringList lines = t.outLines();
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0],
                 QStringLiteral("    Time    T1    T2    T3    T4    T5    T6    T7    T8    T9   T10  Tmax"
                                "     Fan1     Fan2     Fan3     Fan4  PWM1  PWM2  PWM3  PWM4"));
        QVERIFY(lines[1].startsWith(QStringLiteral("     (s)  (°C)")));
        QVERIFY(lines[2].startsWith(QStringLiteral("   0.000 ")));
        QVERIFY(lines[3].startsWith(QStringLiteral("   0.250 ")));
        QVERIFY(lines[4].startsWith(QStringLiteral("   0.500 ")));
        for (int i = 2; i < 5; ++i)
            QCOMPARE(lines[i].split(u' ', Qt::SkipEmptyParts).size(), 20);
        // One sample: the three measurement groups, as the polling cycle reads them.
        QCOMPARE(t.commandTexts().mid(0, 4),
                 (QStringList{"220 46 32 1 10", "222 46 120 1 1", "220 46 42 1 8", "220 46 50 1 4"}));
        const QList<JournalEntry> temperatures = t.blockReads(0x20);
        QCOMPARE(temperatures.size(), 3);
        QCOMPARE(temperatures[1].timeMs - temperatures[0].timeMs, std::int64_t(250));
        QCOMPARE(temperatures[2].timeMs - temperatures[0].timeMs, std::int64_t(500));
    }

    void monitorJsonAndCsvCarryTheReadings() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        QVERIFY(writeFile(csv, "earlier\r\n"));
        Cli t;
        QCOMPARE(t.run({"monitor", "--count", "3", "--interval", "100", "--json", "--csv", csv}), 0);
        const QStringList lines = t.outLines();
        QCOMPARE(lines.size(), 3);
        const QList<JournalEntry> temperatureReads = t.blockReads(0x20);
        const QList<JournalEntry> tachReads = t.blockReads(0x2A);
        const QList<JournalEntry> dutyReads = t.blockReads(0x32);
        QByteArray expected = QByteArray("earlier\r\n\r\nVORTANE Log File\r\n\r\n") + FullLogHeader + "\r\n";
        for (int n = 0; n < 3; ++n) {
            QJsonParseError error{};
            const QJsonObject o = QJsonDocument::fromJson(lines[n].toUtf8(), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(o.keys(), (QStringList{"dutyCycles", "fanSpeeds", "maxTemperature", "sample",
                                            "temperatures", "time"}));
            QCOMPARE(o.value("sample").toInt(), n);
            QCOMPARE(o.value("time").toDouble(), n * 0.1);
            const QByteArray t10 = temperatureReads[n].data;
            const QByteArray tach = tachReads[n].data;
            const QByteArray duty = dutyReads[n].data;
            QCOMPARE(o.value("temperatures").toArray().size(), 10);
            for (int i = 0; i < 10; ++i)
                QCOMPARE(o.value("temperatures").toArray()[i].toInt(),
                         TemperatureFromByte(std::uint8_t(t10[i])));
            QString line = n == 0 ? QStringLiteral("0,") : QStringLiteral(".%1,").arg(n);
            for (int i = 0; i < 4; ++i)
                line += logValue(TemperatureFromByte(std::uint8_t(t10[i]))) + u',';
            for (int k = 0; k < 4; ++k) {
                const int rpm =
                    TachToRpm(TachCount(std::uint8_t(tach[2 * k]), std::uint8_t(tach[2 * k + 1])));
                QCOMPARE(o.value("fanSpeeds").toArray()[k].toInt(), rpm);
                line += logValue(rpm) + u',';
            }
            for (int k = 0; k < 4; ++k) {
                const int percent = DutyPercentFromByte(std::uint8_t(duty[k]));
                QCOMPARE(o.value("dutyCycles").toArray()[k].toInt(), percent);
                line += logValue(percent) + u',';
            }
            expected += line.toLatin1() + "\r\n";
        }
        QCOMPARE(readFile(csv), expected);
    }

    void monitorCsvWithChosenChannels() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        Cli t;
        QCOMPARE(
            t.run({"monitor", "--count", "2", "--interval", "333", "--csv", csv, "--channels", "Tach2,PWM4"}),
            0);
        const QList<QByteArray> lines = readFile(csv).split('\n');
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[3], QByteArray("Time ,Tach2(RPM) ,PWM4(%) ,\r"));
        QVERIFY(lines[4].startsWith("0, ") && lines[4].count(',') == 3);
        QVERIFY(lines[5].startsWith(".333, ") && lines[5].count(',') == 3);
        QCOMPARE(lines[6], QByteArray());
    }

    void monitorStopsWhenInterrupted() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        Cli t;
        t.interrupted = [&t] { return t.blockReads(0x20).size() >= 4; };
        QCOMPARE(t.run({"monitor", "--interval", "1000", "--csv", csv}), 0);
        QCOMPARE(t.outLines().size(), 2 + 4);
        QCOMPARE(readFile(csv).count("\r\n"), 4 + 4);
        QCOMPARE(t.err, QString());
    }

    void lostLinkEndsMonitorWithTheMessage() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        SimOptions options;
        options.linkLostAfterMs = 2500;
        Cli t(options);
        QCOMPARE(t.run({"monitor", "--interval", "100", "--csv", csv}), 1);
        QCOMPARE(t.err, QStringLiteral("Communications Interrupted - Check USB connections\n"));
        const int rows = static_cast<int>(t.outLines().size()) - 2;
        QVERIFY(rows > 3);
        // Every sample shown was logged; the one cut short was neither.
        QCOMPARE(static_cast<int>(readFile(csv).count("\r\n")), 4 + rows);
        // Nothing more goes to the board once the link has failed.
        const JournalEntry last = t.board.journal().back();
        QCOMPARE(text(last), QStringLiteral("222 46 120 1 1"));
        QVERIFY(last.status != 0);
    }

    void unwritableCsvFails() {
        Cli t;
        QCOMPARE(t.run({"monitor", "--count", "1", "--csv", "/nonexistent-dir/run.csv"}), 1);
        QCOMPARE(t.err, QStringLiteral("vortane-cli: cannot write to /nonexistent-dir/run.csv\n"));
        QVERIFY(t.blockReads(0x20).isEmpty());
    }

    // heater and board

    void heaterSetsTheLevelAndReportsIt() {
        Cli t;
        QCOMPARE(t.run({"heater", "2", "40"}), 0);
        QCOMPARE(t.commandTexts(), (QStringList{"218 2 40 0 1", "218 0 0 1 3"}));
        QCOMPARE(t.out, QStringLiteral("Heater2 PWM: 40\n"));
        QCOMPARE(t.board.heaterLevel(2), 40);
    }

    void boardShowsRevisionAndSupplies_data() {
        QTest::addColumn<int>("revision");
        QTest::addColumn<bool>("has5V");
        QTest::addColumn<bool>("has12V");
        QTest::addColumn<QString>("head");
        QTest::newRow("B, both") << 1 << true << true
                                 << "Board Revision: B\n5V Present: Yes\n12V Present: Yes\n";
        QTest::newRow("C, no 5 V") << 2 << false << true
                                   << "Board Revision: C\n5V Present: No\n12V Present: Yes\n";
        QTest::newRow("D, no 12 V") << 4 << true << false
                                    << "Board Revision: D\n5V Present: Yes\n12V Present: No\n";
        QTest::newRow("unknown") << 3 << true << true
                                 << "Board Revision: unknown (3)\n5V Present: Yes\n12V Present: Yes\n";
    }
    void boardShowsRevisionAndSupplies() {
        QFETCH(int, revision);
        QFETCH(bool, has5V);
        QFETCH(bool, has12V);
        QFETCH(QString, head);
        SimOptions o;
        o.boardRevision = revision;
        o.supply5V = has5V;
        o.supply12V = has12V;
        Cli t(o);
        t.chip().write(0x36, 0x09);
        QCOMPARE(t.run({"board"}), 0);
        QCOMPARE(t.out, head + "Device Address: 2Eh\nFan1 Present: No\nFan2 Present: Yes\nFan3 Present: Yes\n"
                               "Fan4 Present: No\n");
        QCOMPARE(t.commandTexts(), (QStringList{"221 0 0 1 6", "222 46 54 1 1"}));
    }

    // save and recall

    void saveWritesTheConfigurationFile() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.sav");
        Cli t;
        t.chip().write(0x72, 0x81);
        t.chip().write(0x7F, 0x0A);
        QCOMPARE(t.run({"save", file, "--comment", " bench 4 "}), 0);
        QCOMPARE(t.out, QStringLiteral("Saved 75 registers to %1\n").arg(file));
        const QByteArray bytes = readFile(file);
        QVERIFY(bytes.startsWith("Heldrix Semiconductor\r\nVORTANE Evaluation Software\r\n\r\n"
                                 "Saved: 3/5/24 at 2:07 PM\r\n\r\nComment : bench 4\r\n\r\n"
                                 "Address\tData\tRegister\r\n{\r\n0x32\t0x"));
        QVERIFY(bytes.contains("\r\n0x72\t0x81\t // Interrupt Mask 1\r\n"));
        QVERIFY(bytes.contains("\r\n0x7F\t0xA\t // GPIO Enable\r\n"));
        QVERIFY(bytes.endsWith("\r\n0x7F\t0xA\t // PEXIL Coef Select 2\r\n0x7B\t0x0\t // AFC\r\n}\r\n"));
        QCOMPARE(bytes.count("\r\n"), 85);
        // Each register read at its own turn: 0x7F and 0x7B twice.
        QStringList reads;
        for (int index : ConfigRegisterIndices())
            reads << QStringLiteral("222 46 %1 1 1")
                         .arg(BuildRegisterTable()[static_cast<std::size_t>(index)].Address);
        QCOMPARE(t.commandTexts(), reads);
    }

    void saveOnlyChangedLeavesDefaultsOut() {
        QTemporaryDir dir;
        const QString file = dir.filePath("changed.sav");
        Cli t;
        t.chip().write(0x72, 0x81);
        QCOMPARE(t.run({"save", file, "--only-changed"}), 0);
        const QByteArray bytes = readFile(file);
        const QByteArray list = bytes.mid(bytes.indexOf("{\r\n") + 3);
        QVERIFY(list.contains("0x72\t0x81\t // Interrupt Mask 1\r\n"));
        QVERIFY(!list.contains("0x40\t"));
        const qsizetype registerLines = list.count("\r\n") - 1;
        QCOMPARE(t.out, QStringLiteral("Saved %1 registers to %2\n").arg(registerLines).arg(file));
    }

    void saveToAnUnwritablePlaceFails() {
        Cli t;
        QCOMPARE(t.run({"save", "/nonexistent-dir/x.sav"}), 1);
        QVERIFY(t.err.startsWith(QStringLiteral("vortane-cli: cannot write /nonexistent-dir/x.sav: ")));
        QCOMPARE(t.out, QString());
    }

    void saveAndRecallRoundTrip() {
        QTemporaryDir dir;
        const QString file = dir.filePath("bench.sav");
        Cli a;
        const QByteArray script =
            QStringLiteral("write 0x40 0x05\nwrite 0x72 0x81\nwrite 0x7F 0x0A\nwrite AFC 3\n"
                           "write 0x44 -5\nsave \"%1\"\n")
                .arg(file)
                .toUtf8();
        QCOMPARE(a.run({"batch"}, script), 0);
        const ConfigParse saved = ParseConfigFile(readFile(file));
        QVERIFY(saved.ok());
        QCOMPARE(saved.writes.size(), 75);

        Cli b;
        QCOMPARE(b.run({"recall", file}), 0);
        QCOMPARE(b.out, QStringLiteral("Recalled 75 registers from %1\n").arg(file));
        const QList<std::pair<int, int>> writes = b.writes();
        QCOMPARE(writes.size(), 75);
        for (int k = 0; k < 75; ++k) {
            QCOMPARE(writes[k].first, saved.writes[k].address);
            QCOMPARE(writes[k].second, saved.writes[k].value);
        }
        for (int address : {0x40, 0x72, 0x7F, 0x7B, 0x44, 0x43, 0x6A})
            QCOMPARE(b.chip().read(address), a.chip().read(address));
        QCOMPARE(b.chip().read(0x7B), 3);
        QCOMPARE(b.chip().read(0x44), 0xFB);
    }

    void recallRefusesBrokenFilesWhole_data() {
        QTest::addColumn<QByteArray>("bytes"); // empty: no file at all
        QTest::addColumn<QString>("error");    // after "vortane-cli: <file>"
        const QByteArray good = BuildConfigFile({{indexOf(0x40), 5}, {indexOf(0x72), 0x81}}, false, {},
                                                QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        QTest::newRow("truncated") << good.left(good.indexOf("0x72") + 6)
                                   << ":11: the file ends inside the register line";
        QTest::newRow("without its brace")
            << good.left(good.indexOf("}")) << ":11: the file ends before its closing \"}\"";
        QTest::newRow("no list") << QByteArray("VORTANE\r\n") << ":1: no \"{\" starts the register list";
        QTest::newRow("no such register")
            << QByteArray("{\r\n0x40\t0x5\t\r\n0x10\t0x1\t\r\n}\r\n") << ":3: no register at address 0x10";
        QTest::newRow("missing file") << QByteArray() << "";
    }
    void recallRefusesBrokenFilesWhole() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QTemporaryDir dir;
        const QString file = dir.filePath("broken.sav");
        if (!bytes.isEmpty()) QVERIFY(writeFile(file, bytes));
        Cli t;
        QCOMPARE(t.run({"recall", file}), 1);
        if (bytes.isEmpty())
            QVERIFY(t.err.startsWith(QStringLiteral("vortane-cli: cannot read %1: ").arg(file)));
        else
            QCOMPARE(t.err, QStringLiteral("vortane-cli: ") + file + error + "; nothing was written\n");
        QCOMPARE(t.out, QString());
        QVERIFY(t.writes().isEmpty());
        QCOMPARE(t.firmwareLoads(), 0);
    }

    void recallDryRunListsTheWritesWithoutConnecting() {
        QTemporaryDir dir;
        const QString file = dir.filePath("two.sav");
        QVERIFY(writeFile(file, "{\r\n0x40\t0x5\t // Configuration 1\r\n0x7B\t0x3\t // AFC\r\n}\r\n"));
        Cli t;
        QCOMPARE(t.run({"recall", file, "--dry-run"}), 0);
        QCOMPARE(t.out, QStringLiteral(
                            "0x40 0x05 Configuration 1: FSPD STRT\n0x7B 0x03 PEXIL Coef Option 3: AFC1 AFC0\n"
                            "2 registers would be written from %1\n")
                            .arg(file));
        QVERIFY(t.board.journal().empty());
    }

    // batch

    void batchRunsOnOneConnection() {
        Cli t;
        QCOMPARE(t.run({"batch", "-"},
                       "# set the mask, then look\nwrite 0x72 0x81\n\n  read 0x72\r\nsleep 3000\n"
                       "read \"Interrupt Mask 1\"\n"),
                 0);
        QCOMPARE(t.out,
                 QStringLiteral("0x72 0x81 Interrupt Mask 1: OOL R1T\n0x72 0x81 Interrupt Mask 1: OOL R1T\n"
                                "0x72 0x81 Interrupt Mask 1: OOL R1T\n"));
        QCOMPARE(t.firmwareLoads(), 1);
        const QList<JournalEntry> requests = t.commandRequests(); // write, read back, read, read
        QCOMPARE(requests.size(), 4);
        QCOMPARE(requests[3].timeMs - requests[2].timeMs, std::int64_t(3000));
    }

    void batchFreeWheelTestShowsTheAbsentFan() {
        Cli t; // fans 1 to 3 connected, fan 4 absent
        QCOMPARE(t.run({"batch"}, "write 0x40 0x02 --mask 0x02\nsleep 3000\nread 0x40 0x36\n"), 0);
        const QStringList lines = t.outLines();
        QCOMPARE(lines.size(), 3);
        QCOMPARE(t.writes(), (QList<std::pair<int, int>>{{0x40, 0x03}}));
        const int configuration = lines[1].section(u' ', 1, 1).mid(2).toInt(nullptr, 16);
        if (configuration & 0x02)
            QSKIP("the simulated chip does not run the free-wheel test: TEST never clears");
        QCOMPARE(lines[2], QStringLiteral("0x36 0x08 Fans Not Present: Fan4"));
    }

    void batchChecksEveryLineBeforeRunningAny() {
        Cli t;
        QCOMPARE(t.run({"batch"}, "write 0x72 0x81\nread 0x40\nreed 0x40\n"), 2);
        QCOMPARE(t.err, QStringLiteral("stdin:3: unknown command 'reed'\n"));
        QCOMPARE(t.out, QString());
        QVERIFY(t.board.journal().empty());
    }

    void batchStopsAtTheFirstFailingLine() {
        QTemporaryDir dir;
        const QString script = dir.filePath("run.txt");
        QVERIFY(writeFile(script, QStringLiteral("write 0x72 0x81\nrecall %1\nwrite 0x73 0x01\n")
                                      .arg(dir.filePath("missing.sav"))
                                      .toUtf8()));
        Cli t;
        QCOMPARE(t.run({"batch", script}), 1);
        QVERIFY2(t.err.startsWith(
                     QStringLiteral("%1:2: cannot read %2: ").arg(script, dir.filePath("missing.sav"))),
                 qPrintable(t.err));
        QCOMPARE(t.writes(), (QList<std::pair<int, int>>{{0x72, 0x81}}));
    }

    void batchLinkErrorStopsWithItsLine() {
        SimOptions o;
        o.linkLostAfterMs = 5000;
        Cli t(o);
        QCOMPARE(t.run({"batch"}, "read 0x40\nsleep 4000\nread 0x40\nwrite 0x72 1\n"), 1);
        QCOMPARE(
            t.err,
            QStringLiteral(
                "Communications Interrupted - Check USB connections\nstdin:3: the batch stopped here\n"));
        QCOMPARE(t.outLines().size(), 1);
        QVERIFY(t.writes().isEmpty());
    }

    void batchInterruptedBetweenLines() {
        Cli t;
        t.interrupted = [&t] { return !t.commandRequests().isEmpty(); };
        QCOMPARE(t.run({"batch"}, "read 0x40\nsleep 1000\nread 0x40\n"), 130);
        QCOMPARE(t.err, QStringLiteral("stdin:2: interrupted; the batch stopped before this line\n"));
        QCOMPARE(t.outLines().size(), 1);
    }

    void batchFileMustBeReadable() {
        Cli t;
        QCOMPARE(t.run({"batch", "/nonexistent-dir/run.txt"}), 1);
        QVERIFY(t.err.startsWith(QStringLiteral("vortane-cli: cannot read /nonexistent-dir/run.txt: ")));
        QVERIFY(t.board.journal().empty());
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
