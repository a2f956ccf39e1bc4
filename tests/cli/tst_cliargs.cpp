// How the tool reads its command lines: registers, commands and batch lines.
#include "cli/CliArgs.h"
#include "support/Rows.h"

#include <QTest>

class TestCliArgs : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each text names its table index; 0x7F and 0x7B have a second entry, by name.
    void registers_data() {
        addRows<std::pair<int, QString>>(
            {{"40h", {32, ""}},
             {"Configuration 1", {32, ""}},
             {"AFC", {99, ""}},
             {"PEXIL Coef Select 2", {98, ""}},
             {"0x7F", {95, ""}},
             {"configuration 1", {-1, "unknown register 'configuration 1' (names are case-sensitive)"}},
             {"0x10", {-1, "no register at address 0x10"}}});
    }
    void registers() {
        const auto& [index, error] = fetchRow<std::pair<int, QString>>();
        QString e;
        QCOMPARE(ParseRegister(QTest::currentDataTag(), e).value_or(-1), index);
        QCOMPARE(e, error);
    }

    // Batch lines at the edges of their ranges; in a batch "sleep" is allowed and "batch" is not.
    void commandErrors_data() {
        addRows<QString>(
            {{"read", "'read' needs at least one register"},
             {"write 0x40 256", "the value must be a whole number from -128 to 255, not '256'"},
             {"write 0x44 -129", "the value must be a whole number from -128 to 255, not '-129'"},
             {"write 0x40 1 --mask 0", "--mask must be a whole number from 1 to 255, not '0'"},
             {"write 0x3E 1", "register 0x3E (Company ID) is read-only"},
             {"monitor --interval 9", "--interval must be a whole number from 10 to 3600000, not '9'"},
             {"monitor --channels Temp5", "unknown channel 'Temp5' (Temp1..4, Tach1..4, PWM1..4)"},
             {"heater 3 10", "the heater must be a whole number from 1 to 2, not '3'"},
             {"batch x", "a batch cannot run another batch"},
             {"sleep -1", "the sleep must be a whole number from 0 to 86400000, not '-1'"},
             {"serve", "'serve' runs on its own, not in a batch"}});
    }
    void commandErrors() {
        Command c;
        QCOMPARE(ParseCommand(SplitBatchLine(QTest::currentDataTag()), true, c), fetchRow<QString>());
    }

    void argumentsReachTheCommand() {
        Command c;
        // The tool's runs cover --count, --json and --csv.
        QCOMPARE(
            ParseCommand({"monitor", "--interval=250", "--channels", "tach2, PWM4 Duty,Temp1"}, false, c),
            QString());
        QCOMPARE(c.intervalMs, 250);
        LogSelectionArray channels{};
        channels[0] = channels[5] = channels[11] = true;
        QCOMPARE(c.channels, channels);

        QCOMPARE(ParseCommand(SplitBatchLine(R"(save "my run.sav" --only-changed --comment "fan curve B")"),
                              true, c),
                 QString());
        QCOMPARE(std::tuple(c.file, c.onlyChanged, c.comment),
                 std::tuple(QString("my run.sav"), true, QString("fan curve B")));
        QCOMPARE(ParseCommand({"sleep", "10"}, false, c), QString("'sleep' is a batch command"));

        QCOMPARE(ParseCommand({"serve"}, false, c), QString());
        QCOMPARE(std::tuple(c.listen.text(), c.linkLossGraceS),
                 std::tuple(QString("127.0.0.1:9813"), std::int64_t{60}));
        QCOMPARE(ParseCommand({"serve", "--listen=0.0.0.0:9100", "--exit-after-link-loss", "0"}, false, c),
                 QString());
        QCOMPARE(std::tuple(c.listen.text(), c.linkLossGraceS),
                 std::tuple(QString("0.0.0.0:9100"), std::int64_t{0}));
        QCOMPARE(ParseCommand({"serve", "--exit-after-link-loss", "-1"}, false, c),
                 QString("--exit-after-link-loss must be a whole number from 0 to 86400, not '-1'"));
    }
};

QTEST_GUILESS_MAIN(TestCliArgs)
#include "tst_cliargs.moc"
