// How the tool reads its command lines: numbers, registers, commands and batch lines.
#include "cli/CliArgs.h"
#include "registers/RegMapStuff.h"

#include <QTest>

class TestCliArgs : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void integers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<qint64>("value");
        QTest::newRow("0x hex") << "0x2C" << true << qint64(44);
        QTest::newRow("0X hex, lower digits") << "0X2c" << true << qint64(44);
        QTest::newRow("h suffix") << "2Ch" << true << qint64(44);
        QTest::newRow("H suffix") << "7FH" << true << qint64(127);
        QTest::newRow("decimal") << "44" << true << qint64(44);
        QTest::newRow("negative") << "-5" << true << qint64(-5);
        QTest::newRow("plus") << "+7" << true << qint64(7);
        QTest::newRow("blanks around") << " 12 " << true << qint64(12);
        QTest::newRow("empty") << "" << false << qint64(0);
        QTest::newRow("prefix only") << "0x" << false << qint64(0);
        QTest::newRow("suffix only") << "h" << false << qint64(0);
        QTest::newRow("signed hex") << "0x-5" << false << qint64(0);
        QTest::newRow("trailing letters") << "12x" << false << qint64(0);
        QTest::newRow("fraction") << "1.5" << false << qint64(0);
        QTest::newRow("exponent") << "1e3" << false << qint64(0);
        QTest::newRow("bad hex digit") << "0x1G" << false << qint64(0);
        QTest::newRow("double sign") << "--5" << false << qint64(0);
        QTest::newRow("other script digits") << QString::fromUtf8("\u0663") << false << qint64(0);
        QTest::newRow("too large") << "0xFFFFFFFFFFFFFFFFFF" << false << qint64(0);
    }
    void integers() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(qint64, value);
        const auto parsed = ParseInteger(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid) QCOMPARE(*parsed, value);
    }

    void registers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index"); // -1: refused
        QTest::addColumn<QString>("error");
        QTest::newRow("0x address") << "0x40" << 32 << "";
        QTest::newRow("decimal address") << "64" << 32 << "";
        QTest::newRow("h address") << "40h" << 32 << "";
        QTest::newRow("name") << "Configuration 1" << 32 << "";
        QTest::newRow("second name of 0x7B") << "AFC" << 99 << "";
        QTest::newRow("second name of 0x7F") << "PEXIL Coef Select 2" << 98 << "";
        QTest::newRow("0x7F by address is its first name") << "0x7F" << 95 << "";
        QTest::newRow("names are case-sensitive")
            << "configuration 1" << -1 << "unknown register 'configuration 1' (names are case-sensitive)";
        QTest::newRow("below the map") << "0x10" << -1 << "no register at address 0x10";
        QTest::newRow("beyond a byte") << "0x140" << -1 << "no register at address 0x140";
        QTest::newRow("negative") << "-1" << -1 << "no register at address -1";
        QTest::newRow("empty") << "" << -1 << "unknown register '' (names are case-sensitive)";
    }
    void registers() {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(QString, error);
        QString e;
        const auto parsed = ParseRegister(text, e);
        QCOMPARE(parsed.value_or(-1), index);
        QCOMPARE(e, error);
    }

    void commandErrors_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("inBatch");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown") << "frobnicate" << false << "unknown command 'frobnicate'";
        QTest::newRow("read without register") << "read" << false << "'read' needs at least one register";
        QTest::newRow("read of nothing") << "read 0x40 0x13" << false << "no register at address 0x13";
        QTest::newRow("write without value") << "write 0x40" << false << "'write' needs more arguments";
        QTest::newRow("write with extra")
            << "write 0x40 1 2" << false << "'write' does not take the argument '2'";
        QTest::newRow("value too large")
            << "write 0x40 256" << false << "the value must be a whole number from -128 to 255, not '256'";
        QTest::newRow("value too small")
            << "write 0x44 -129" << false << "the value must be a whole number from -128 to 255, not '-129'";
        QTest::newRow("read-only register")
            << "write 0x3E 1" << false << "register 0x3E (Company ID) is read-only";
        QTest::newRow("empty mask") << "write 0x40 1 --mask 0" << false
                                    << "--mask must be a whole number from 1 to 255, not '0'";
        QTest::newRow("mask without value")
            << "write 0x40 1 --mask" << false << "option --mask needs a value";
        QTest::newRow("option of another command")
            << "dump --csv x" << false << "'dump' does not know the option --csv";
        QTest::newRow("interval too short")
            << "monitor --interval 5" << false
            << "--interval must be a whole number from 10 to 3600000, not '5'";
        QTest::newRow("no samples") << "monitor --count 0" << false
                                    << "--count must be a whole number from 1 to 1000000000, not '0'";
        QTest::newRow("unknown channel")
            << "monitor --channels Temp5" << false << "unknown channel 'Temp5' (Temp1..4, Tach1..4, PWM1..4)";
        QTest::newRow("csv without name") << "monitor --csv=" << false << "--csv needs a file name";
        QTest::newRow("third heater")
            << "heater 3 10" << false << "the heater must be a whole number from 1 to 2, not '3'";
        QTest::newRow("heater too hot")
            << "heater 1 101" << false << "the heater level must be a whole number from 0 to 100, not '101'";
        QTest::newRow("save without file") << "save" << false << "'save' needs more arguments";
        QTest::newRow("recall of two files")
            << "recall a b" << false << "'recall' does not take the argument 'b'";
        QTest::newRow("sleep outside a batch") << "sleep 10" << false << "'sleep' is a batch command";
        QTest::newRow("batch in a batch") << "batch x" << true << "a batch cannot run another batch";
        QTest::newRow("negative sleep")
            << "sleep -1" << true << "the sleep must be a whole number from 0 to 86400000, not '-1'";
    }
    void commandErrors() {
        QFETCH(QString, line);
        QFETCH(bool, inBatch);
        QFETCH(QString, error);
        Command c;
        QCOMPARE(ParseCommand(SplitBatchLine(line), inBatch, c), error);
    }

    void writeArguments() {
        Command c;
        QCOMPARE(ParseCommand({"write", "Configuration 1", "0xFF", "--mask", "0x02"}, false, c), QString());
        QCOMPARE(c.kind, CommandKind::Write);
        QCOMPARE(c.registers, QList<int>{32});
        QCOMPARE(c.value, 0xFF);
        QCOMPARE(c.mask.value_or(-1), 2);
        QCOMPARE(ParseCommand({"write", "0x44", "-5"}, false, c), QString());
        QCOMPARE(c.value, -5);
        QVERIFY(!c.mask);
    }

    void monitorArguments() {
        Command c;
        QCOMPARE(ParseCommand({"monitor"}, false, c), QString());
        QCOMPARE(c.intervalMs, 1000);
        QCOMPARE(c.count, qint64(0));
        QVERIFY(!c.json);
        QVERIFY(c.csvFile.isEmpty());
        QCOMPARE(std::count(c.channels.begin(), c.channels.end(), true), 12);
        QVERIFY(!c.channels[12]);

        QCOMPARE(ParseCommand({"monitor", "--interval=250", "--count", "7", "--csv", "a.csv", "--json",
                               "--channels", "tach2, PWM4 Duty,Temp1"},
                              false, c),
                 QString());
        QCOMPARE(c.intervalMs, 250);
        QCOMPARE(c.count, qint64(7));
        QVERIFY(c.json);
        QCOMPARE(c.csvFile, QStringLiteral("a.csv"));
        LogSelectionArray expected{};
        expected[0] = expected[5] = expected[11] = true;
        QCOMPARE(c.channels, expected);
    }

    void fileArguments() {
        Command c;
        QCOMPARE(ParseCommand(SplitBatchLine(R"(save "my run.sav" --only-changed --comment "fan curve B")"),
                              true, c),
                 QString());
        QCOMPARE(c.file, QStringLiteral("my run.sav"));
        QVERIFY(c.onlyChanged);
        QCOMPARE(c.comment, QStringLiteral("fan curve B"));
        QCOMPARE(ParseCommand({"recall", "x.sav", "--dry-run"}, false, c), QString());
        QVERIFY(c.dryRun);
        QCOMPARE(ParseCommand({"batch"}, false, c), QString());
        QVERIFY(c.file.isEmpty());
        QCOMPARE(ParseCommand({"batch", "-"}, false, c), QString());
        QCOMPARE(c.file, QStringLiteral("-"));
    }

    void batchLinesSplitAtBlanksOutsideQuotes() {
        QCOMPARE(SplitBatchLine(R"(write "Configuration 1"   0x02 --mask 0x02)"),
                 (QStringList{"write", "Configuration 1", "0x02", "--mask", "0x02"}));
        QCOMPARE(SplitBatchLine(QStringLiteral("\tread 0x40\t0x36 ")), (QStringList{"read", "0x40", "0x36"}));
    }
};

QTEST_GUILESS_MAIN(TestCliArgs)
#include "tst_cliargs.moc"
