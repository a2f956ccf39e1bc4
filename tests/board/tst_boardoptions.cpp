// The board options of the command line: each one lands in its setting, malformed values are
// refused with a message naming the option, and the simulated board is built from them.
#include "base/Clock.h"
#include "board/BoardOptions.h"

#include <QTest>

namespace {

QString bits(const std::array<bool, 4>& b) {
    QString out;
    for (bool x : b)
        out += x ? QLatin1Char('1') : QLatin1Char('0');
    return out;
}

QString list(const auto& values) {
    QStringList out;
    for (auto v : values)
        out << QString::number(v);
    return out.join(QLatin1Char(','));
}

// Every setting the options can change, by name, as text.
QString field(const BoardOptions& o, const QString& name) {
    const SimOptions& s = o.sim;
    if (name == QLatin1String("board")) return o.board;
    if (name == QLatin1String("journal")) return o.journalFile;
    if (name == QLatin1String("settings")) return o.settingsFile;
    if (name == QLatin1String("chips")) return list(s.chipAddresses);
    if (name == QLatin1String("enableFailures")) return QString::number(s.enableSmbusFailures);
    if (name == QLatin1String("firmwareFails")) return QString::number(s.firmwareFails);
    if (name == QLatin1String("failRequest")) return QString::number(s.failRequestNumber);
    if (name == QLatin1String("linkLostAfter")) return QString::number(s.linkLostAfterMs);
    if (name == QLatin1String("failBlockReads")) return QString::number(s.failBlockReads);
    if (name == QLatin1String("revision")) return QString::number(s.boardRevision);
    if (name == QLatin1String("supply12V")) return QString::number(s.supply12V);
    if (name == QLatin1String("supply5V")) return QString::number(s.supply5V);
    if (name == QLatin1String("ambient")) return QString::number(s.chip.ambientC);
    if (name == QLatin1String("fans")) return bits(s.chip.fanPresent);
    if (name == QLatin1String("fanMaxRpm")) return list(s.chip.fanMaxRpm);
    if (name == QLatin1String("timeScale")) return QString::number(s.timeScale);
    return QStringLiteral("?");
}

const QStringList AllFields{
    QStringLiteral("board"),       QStringLiteral("journal"),        QStringLiteral("settings"),
    QStringLiteral("chips"),       QStringLiteral("enableFailures"), QStringLiteral("firmwareFails"),
    QStringLiteral("failRequest"), QStringLiteral("linkLostAfter"),  QStringLiteral("failBlockReads"),
    QStringLiteral("revision"),    QStringLiteral("supply12V"),      QStringLiteral("supply5V"),
    QStringLiteral("ambient"),     QStringLiteral("fans"),           QStringLiteral("fanMaxRpm"),
    QStringLiteral("timeScale")};

} // namespace

class TestBoardOptions : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void noOptionsGiveTheDefaults() {
        BoardOptions o;
        QStringList rest;
        QString error;
        QVERIFY(ParseBoardOptions({}, o, rest, error));
        QCOMPARE(field(o, QStringLiteral("board")), QStringLiteral("sim"));
        QCOMPARE(field(o, QStringLiteral("chips")), QStringLiteral("46"));
        QCOMPARE(field(o, QStringLiteral("revision")), QStringLiteral("1"));
        QCOMPARE(field(o, QStringLiteral("ambient")), QStringLiteral("25"));
        QCOMPARE(field(o, QStringLiteral("fans")), QStringLiteral("1110"));
        QCOMPARE(field(o, QStringLiteral("fanMaxRpm")), QStringLiteral("4800,4200,3600,3000"));
        QCOMPARE(field(o, QStringLiteral("timeScale")), QStringLiteral("1"));
        QCOMPARE(field(o, QStringLiteral("linkLostAfter")), QStringLiteral("-1"));
        QVERIFY(rest.isEmpty());
    }

    void eachOptionSetsOnlyItsSetting_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("value");
        auto row = [](const char* tag, QStringList args, const char* name, const char* value) {
            QTest::newRow(tag) << args << QString::fromLatin1(name) << QString::fromLatin1(value);
        };
        row("board", {"--board", "sim"}, "board", "sim");
        row("board inline", {"--board=sim"}, "board", "sim");
        row("journal", {"--journal", "/tmp/j.txt"}, "journal", "/tmp/j.txt");
        row("settings inline", {"--settings=/tmp/s.ini"}, "settings", "/tmp/s.ini");
        row("chips", {"--sim-chips", "2C,0x2E"}, "chips", "44,46");
        row("chips one", {"--sim-chips=7f"}, "chips", "127");
        row("no chip", {"--sim-no-chip"}, "chips", "");
        row("enable failures", {"--sim-enable-failures", "3"}, "enableFailures", "3");
        row("firmware fails", {"--sim-firmware-fails"}, "firmwareFails", "1");
        row("fail request", {"--sim-fail-request", "12"}, "failRequest", "12");
        row("fail request hex", {"--sim-fail-request=0x10"}, "failRequest", "16");
        row("fail request leading zero", {"--sim-fail-request=010"}, "failRequest", "10");
        row("link lost", {"--sim-link-lost-after", "0"}, "linkLostAfter", "0");
        row("block reads", {"--sim-fail-block-reads"}, "failBlockReads", "1");
        row("revision A", {"--sim-revision", "A"}, "revision", "0");
        row("revision c", {"--sim-revision", "c"}, "revision", "2");
        row("revision D", {"--sim-revision", "D"}, "revision", "4");
        row("no 12 V", {"--sim-no-12v"}, "supply12V", "0");
        row("no 5 V", {"--sim-no-5v"}, "supply5V", "0");
        row("ambient", {"--sim-ambient", "-12.5"}, "ambient", "-12.5");
        row("ambient lowest", {"--sim-ambient=-40"}, "ambient", "-40");
        row("ambient highest", {"--sim-ambient", "100"}, "ambient", "100");
        row("ambient blanks", {"--sim-ambient", " 30 "}, "ambient", "30");
        row("fans", {"--sim-fans", "1,2,3,4"}, "fans", "1111");
        row("fan 4 only", {"--sim-fans", "4"}, "fans", "0001");
        row("fans blanks", {"--sim-fans", " 2 , 3 "}, "fans", "0110");
        row("no fans", {"--sim-fans="}, "fans", "0000");
        row("last wins", {"--sim-fans", "1", "--sim-fans", "2"}, "fans", "0100");
        row("max rpm", {"--sim-fan-max-rpm", "100,2000, 3000,50000"}, "fanMaxRpm", "100,2000,3000,50000");
        row("time scale", {"--sim-time-scale", "0.5"}, "timeScale", "0.5");
        row("time scale highest", {"--sim-time-scale=1e3"}, "timeScale", "1000");
    }
    void eachOptionSetsOnlyItsSetting() {
        QFETCH(QStringList, args);
        QFETCH(QString, name);
        QFETCH(QString, value);
        BoardOptions o;
        const BoardOptions defaults;
        QStringList rest;
        QString error;
        QVERIFY2(ParseBoardOptions(args, o, rest, error), qPrintable(error));
        QCOMPARE(field(o, name), value);
        for (const QString& other : AllFields)
            if (other != name) QCOMPARE(field(o, other), field(defaults, other));
        QVERIFY(rest.isEmpty());
    }

    void malformedValuesAreRefused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error");
        auto bad = [](const char* tag, QStringList args, const char* option, const char* value) {
            QTest::newRow(tag) << args
                               << QStringLiteral("invalid value for %1: %2")
                                      .arg(QString::fromLatin1(option), QString::fromLatin1(value));
        };
        auto missing =
            [](const char* option) {
                QTest::newRow(option)
                    << QStringList{QString::fromLatin1(option)}
                    << QStringLiteral("option %1 needs a value").arg(QString::fromLatin1(option));
            };
        for (const char* o : {"--board", "--journal", "--settings", "--sim-chips", "--sim-enable-failures",
                              "--sim-fail-request", "--sim-link-lost-after", "--sim-revision",
                              "--sim-ambient", "--sim-fans", "--sim-fan-max-rpm", "--sim-time-scale"})
            missing(o);
        bad("chips out of range", {"--sim-chips", "80"}, "--sim-chips", "80");
        bad("chips not hex", {"--sim-chips", "2G"}, "--sim-chips", "2G");
        bad("chips bare prefix", {"--sim-chips=0x"}, "--sim-chips", "0x");
        bad("enable failures negative", {"--sim-enable-failures", "-1"}, "--sim-enable-failures", "-1");
        bad("enable failures too many", {"--sim-enable-failures", "1001"}, "--sim-enable-failures", "1001");
        bad("fail request 0", {"--sim-fail-request", "0"}, "--sim-fail-request", "0");
        bad("fail request text", {"--sim-fail-request", "x"}, "--sim-fail-request", "x");
        bad("link lost negative", {"--sim-link-lost-after", "-5"}, "--sim-link-lost-after", "-5");
        QTest::newRow("unknown board") << QStringList{"--board", "usb"}
                                       << QStringLiteral("unknown board 'usb' (available: sim)");
        bad("revision E", {"--sim-revision", "E"}, "--sim-revision", "E");
        bad("revision two letters", {"--sim-revision", "AB"}, "--sim-revision", "AB");
        bad("ambient text", {"--sim-ambient", "warm"}, "--sim-ambient", "warm");
        bad("ambient with unit", {"--sim-ambient", "25C"}, "--sim-ambient", "25C");
        bad("ambient too cold", {"--sim-ambient", "-41"}, "--sim-ambient", "-41");
        bad("ambient too hot", {"--sim-ambient", "100.5"}, "--sim-ambient", "100.5");
        bad("ambient empty", {"--sim-ambient="}, "--sim-ambient", "");
        bad("fan 5", {"--sim-fans", "1,5"}, "--sim-fans", "1,5");
        bad("fan 0", {"--sim-fans", "0"}, "--sim-fans", "0");
        bad("fan text", {"--sim-fans", "one"}, "--sim-fans", "one");
        bad("three speeds", {"--sim-fan-max-rpm", "1000,2000,3000"}, "--sim-fan-max-rpm", "1000,2000,3000");
        bad("five speeds", {"--sim-fan-max-rpm", "1,2,3,4,5"}, "--sim-fan-max-rpm", "1,2,3,4,5");
        bad("speed too low", {"--sim-fan-max-rpm", "99,2000,3000,4000"}, "--sim-fan-max-rpm",
            "99,2000,3000,4000");
        bad("speed too high", {"--sim-fan-max-rpm", "1000,2000,3000,50001"}, "--sim-fan-max-rpm",
            "1000,2000,3000,50001");
        bad("speed empty", {"--sim-fan-max-rpm", "1000,,3000,4000"}, "--sim-fan-max-rpm", "1000,,3000,4000");
        bad("time scale 0", {"--sim-time-scale", "0"}, "--sim-time-scale", "0");
        bad("time scale negative", {"--sim-time-scale", "-2"}, "--sim-time-scale", "-2");
        bad("time scale too fast", {"--sim-time-scale", "1001"}, "--sim-time-scale", "1001");
        bad("time scale text", {"--sim-time-scale", "fast"}, "--sim-time-scale", "fast");
    }
    void malformedValuesAreRefused() {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        BoardOptions o;
        QStringList rest;
        QString message;
        QVERIFY(!ParseBoardOptions(args, o, rest, message));
        QCOMPARE(message, error);
    }

    void otherArgumentsAreLeftInOrder() {
        BoardOptions o;
        QStringList rest;
        QString error;
        QVERIFY(ParseBoardOptions({"-x", "--sim-fans", "1", "file.sav", "--other=3", "--sim-no-5v", "--"}, o,
                                  rest, error));
        QCOMPARE(rest, (QStringList{"-x", "file.sav", "--other=3", "--"}));
        QCOMPARE(field(o, QStringLiteral("fans")), QStringLiteral("1000"));
        QCOMPARE(field(o, QStringLiteral("supply5V")), QStringLiteral("0"));
    }

    void theSimulatedBoardIsBuiltFromTheOptions() {
        BoardOptions o;
        QStringList rest;
        QString error;
        QVERIFY(ParseBoardOptions({"--sim-chips", "2C,2F", "--sim-fans", "2,4", "--sim-ambient", "33.5",
                                   "--sim-fan-max-rpm", "1000,2000,3000,4000", "--sim-time-scale", "5"},
                                  o, rest, error));
        ManualClock clock;
        SimBoard* sim = nullptr;
        const auto board = CreateBoard(o, clock, &sim, error);
        QVERIFY(board);
        QCOMPARE(static_cast<USBFunctions*>(sim), board.get());
        QCOMPARE(sim->options().timeScale, 5.0);
        QVERIFY(sim->chip(0x2E) == nullptr);
        for (int address : {0x2C, 0x2F}) {
            SimChip* chip = sim->chip(address);
            QVERIFY(chip);
            QCOMPARE(chip->scenario().ambientC, 33.5);
            QCOMPARE(bits(chip->scenario().fanPresent), QStringLiteral("0101"));
            QCOMPARE(list(chip->scenario().fanMaxRpm), QStringLiteral("1000,2000,3000,4000"));
        }
    }

    void unknownBoardOrUnwritableJournalIsAnError() {
        ManualClock clock;
        SimBoard earlier(clock);
        SimBoard* sim = &earlier;
        QString error;
        BoardOptions o;
        o.board = QStringLiteral("usb");
        QVERIFY(!CreateBoard(o, clock, &sim, error));
        QCOMPARE(error, QStringLiteral("unknown board 'usb' (available: sim)"));
        QVERIFY(sim == nullptr);

        o.board = QStringLiteral("sim");
        o.journalFile = QStringLiteral("/nonexistent-dir/journal.txt");
        QVERIFY(!CreateBoard(o, clock, &sim, error));
        QCOMPARE(error, QStringLiteral("cannot write the journal file /nonexistent-dir/journal.txt"));
        QVERIFY(sim == nullptr);
    }
};

QTEST_GUILESS_MAIN(TestBoardOptions)
#include "tst_boardoptions.moc"
