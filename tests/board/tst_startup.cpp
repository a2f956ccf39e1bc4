// The connection sequence and the program's defaults, over the simulated board.
#include "board/Startup.h"
#include "registers/RegMapStuff.h"
#include "support/RecordingSplash.h"
#include "support/SimSession.h"

#include <QTest>

namespace {

struct Start {
    explicit Start(SimOptions o = {}) : t(std::move(o)), splash(t.clock) {}
    bool run() {
        return RunConnectionSequence(*t.session, splash, [this](const QString& s) { status = s; });
    }
    SimSession t;
    RecordingSplash splash;
    QString status;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultStartFindsTheChipAndTalksInOrder() {
        Start s;
        QVERIFY(s.run());
        InitDefaults(*s.t.session);
        QCOMPARE(s.t.usb().DeviceAddress, 0x2E);
        const auto& journal = s.t.board->journal();
        QVERIFY(journal.front().firmware);
        QCOMPARE(journal.front().firmwarePath, QStringLiteral("/opt/vortane/HELDRIXFW.Hex"));
        QCOMPARE(s.t.requestTexts(), (QStringList{
                                         QStringLiteral("221 48 51 0 0"),
                                         QStringLiteral("222 44 62 1 1"),
                                         QStringLiteral("222 45 62 1 1"),
                                         QStringLiteral("222 46 62 1 1"),
                                         QStringLiteral("222 46 104 1 1"),
                                         QStringLiteral("222 46 105 1 1"),
                                         QStringLiteral("222 46 127 1 1"),
                                         QStringLiteral("222 46 64 1 1"),
                                         QStringLiteral("222 46 %1 0 0").arg(0x03 * 256 + 0x40),
                                     }));
        QCOMPARE(s.status, QStringLiteral("Firmware download succesful"));
        QCOMPARE(s.splash.texts, (QStringList{QStringLiteral("Downloading Firmware..."), QStringLiteral("Enumerating..."),
                                              QStringLiteral("Connecting..."),
                                              QStringLiteral("Searching for VORTANE on USB..."),
                                              QStringLiteral("Found an VORTANE at 2Eh")}));
        QVERIFY(s.splash.visible);
        QCOMPARE(s.splash.widths.back(), 100.0f * 60);
        QCOMPARE(s.splash.eventPasses, 1);
        // The splash window stays readable: a second before the search, two after "Found".
        const std::int64_t firstProbe = journal[2].timeMs;
        QVERIFY(firstProbe - s.splash.textTimes[3] > 1000 && firstProbe - s.splash.textTimes[3] <= 1002);
        QVERIFY(journal[5].timeMs - s.splash.textTimes[4] > 2000); // InitDefaults' first read
    }

    void enumerationWaitsThirtyFourStepsOfFiftyMilliseconds() {
        Start s;
        QVERIFY(s.run());
        // Between "Enumerating..." and "Connecting...": 34 half-unit steps of more than 50 ms each.
        const auto enumerating = s.splash.textTimes[2] - s.splash.textTimes[1];
        QVERIFY2(enumerating >= 34 * 50 && enumerating <= 34 * 52, qPrintable(QString::number(enumerating)));
        int steps = 0;
        for (float w : s.splash.widths)
            if (w > 33 * 60 && w <= 50 * 60) ++steps;
        QCOMPARE(steps, 34);
    }

    void narrowProgressLabelGivesAnEmptyBarAndOneEnumerationStep() {
        Start s;
        s.splash.designWidth = 99;
        QVERIFY(s.run());
        const auto enumerating = s.splash.textTimes[2] - s.splash.textTimes[1];
        QVERIFY(enumerating > 50 && enumerating < 100);
        for (float w : s.splash.widths) QCOMPARE(w, 0.0f);
    }

    void firstChipOfSeveralWins() {
        SimOptions o;
        o.chipAddresses = {0x2E, 0x2C};
        Start s(o);
        QVERIFY(s.run());
        QCOMPARE(s.t.usb().DeviceAddress, 0x2C);
        QCOMPARE(s.splash.texts.back(), QStringLiteral("Found an VORTANE at 2Ch"));
        QCOMPARE(s.t.requestTexts().mid(1), QStringList{QStringLiteral("222 44 62 1 1")});
    }

    void smbusEnableIsRetried_data() {
        QTest::addColumn<int>("failures");
        QTest::newRow("twice") << 2;
        QTest::newRow("nineteen times") << 19;
    }
    void smbusEnableIsRetried() {
        QFETCH(int, failures);
        SimOptions o;
        o.enableSmbusFailures = failures;
        Start s(o);
        QVERIFY(s.run());
        QCOMPARE(s.t.requestTexts().count(QStringLiteral("221 48 51 0 0")), failures + 1);
        QCOMPARE(s.splash.eventPasses, failures + 1);
        const auto connecting = s.splash.textTimes[3] - s.splash.textTimes[2];
        QVERIFY(connecting >= (failures + 1) * 200 && connecting <= (failures + 1) * 202);
        QVERIFY(s.t.prompts.messages.isEmpty());
    }

    void failuresEndTheProgramWithTheirMessage_data() {
        QTest::addColumn<int>("what");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("enable fails 20 times") << 0 << 2 << QStringLiteral("Initial Connection Failed - Check USB connections");
        QTest::newRow("no chip") << 1 << 2 << QStringLiteral("Initial Connection Failed - Check USB connections");
        QTest::newRow("firmware") << 2 << 0 << QStringLiteral("Firmware failed to download - Check USB connections");
        QTest::newRow("probe read") << 3 << 3 << QStringLiteral("Communications Interrupted - Check USB connections");
    }
    void failuresEndTheProgramWithTheirMessage() {
        QFETCH(int, what);
        QFETCH(int, code);
        QFETCH(QString, message);
        SimOptions o;
        if (what == 0) o.enableSmbusFailures = 20;
        if (what == 1) o.chipAddresses.clear();
        if (what == 2) o.firmwareFails = true;
        if (what == 3) o.failRequestNumber = 2; // the first probe read
        Start s(o);
        QVERIFY(!s.run());
        QCOMPARE(s.t.programEnds, QList<int>{code});
        QCOMPARE(s.t.prompts.messages.size(), 1);
        QCOMPARE(s.t.prompts.messages[0].text, message);
        QCOMPARE(s.t.prompts.messages[0].icon, MessageIcon::Critical);
        const auto requests = s.t.board->journal().size();
        QVERIFY(s.t.usb().linkClosed());
        s.t.usb().ReadRegister(0x2E, 0x40);
        QCOMPARE(s.t.board->journal().size(), requests);
        if (what == 0) QCOMPARE(s.t.requestTexts().size(), 20);
        if (what == 2) QVERIFY(s.status.isEmpty());
    }

    void defaultsAreSet() {
        SimSession t;
        t.connect();
        InitDefaults(*t.session);
        const Session& s = *t.session;
        QCOMPARE(s.options.LogInterval, 100);
        QCOMPARE(s.options.ReadInterval, 100);
        QCOMPARE(s.options.GraphInterval, std::int16_t(50));
        QVERIFY(s.options.ReadingEnabled);
        QCOMPARE(s.decl.TachClock, 90000);
        QVERIFY(s.decl.UpdateOnChange);
        QVERIFY(s.decl.AutoControlTable[0].ShowConPoint && s.decl.AutoControlTable[1].ShowConPoint);
        QVERIFY(!s.decl.AutoControlTable[2].ShowConPoint && !s.decl.AutoControlTable[3].ShowConPoint);
        for (int k = 0; k < 13; ++k) QCOMPARE(s.decl.LogSelection[std::size_t(k)], k <= 5);
        for (int n = 1; n <= 4; ++n) {
            QVERIFY(s.usb.ManualControl(n)); // reset: every BHV bit clear
            QVERIFY(!s.usb.GpioEnabled(n));
        }
    }

    void delayWaitsMoreThanItsTime() {
        ManualClock clock(1000);
        Delay(clock, 50);
        QVERIFY(clock.nowMs() - 1000 > 50);
        QVERIFY(clock.nowMs() - 1000 <= 52);
        Delay(clock, 0.5f);
        QCOMPARE(clock.nowMs(), 1052);
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
