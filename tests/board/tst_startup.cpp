// The connection sequence and the program's defaults, over the simulated board.
#include "board/Startup.h"
#include "support/RecordingSplash.h"
#include "support/SimSession.h"

#include <QTest>

#include <chrono>

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

const QString InitialConnectionMessage = QStringLiteral("Initial Connection Failed - Check USB connections");

} // namespace

Q_DECLARE_METATYPE(SimOptions)

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startFindsTheFirstChipAndTalksInOrder() {
        Start s({.chipAddresses = {0x2E, 0x2D}, .chip = {}});
        QVERIFY(s.run());
        InitDefaults(*s.t.session);
        const auto& journal = s.t.board->journal();
        QCOMPARE(journal.front().firmwarePath, QStringLiteral("/opt/vortane/HELDRIXFW.Hex"));
        // The flag caches are read from the chip, then the free-wheel test is started.
        QCOMPARE(s.t.requestTexts(),
                 (QStringList{"221 48 51 0 0", "222 44 62 1 1", "222 45 62 1 1", "222 45 104 1 1",
                              "222 45 105 1 1", "222 45 127 1 1", "222 45 64 1 1", "222 45 832 0 0"}));
        QCOMPARE(s.status, QStringLiteral("Firmware download succesful"));
        QCOMPARE(s.splash.texts, (QStringList{"Downloading Firmware...", "Enumerating...", "Connecting...",
                                              "Searching for VORTANE on USB...", "Found an VORTANE at 2Dh"}));
        QVERIFY(s.splash.visible && s.splash.widths.back() == 100.0f * 60);
        // The board's enumeration wait: 34 steps of just over 50 ms.
        const auto enumerating = s.splash.textTimes[2] - s.splash.textTimes[1];
        QVERIFY2(enumerating >= 34 * 50 && enumerating <= 34 * 52, qPrintable(QString::number(enumerating)));
        // The splash window stays readable: a second before the search, two after "Found".
        const std::int64_t firstProbe = journal[2].timeMs;
        QVERIFY(firstProbe - s.splash.textTimes[3] > 1000 && firstProbe - s.splash.textTimes[3] <= 1002);
        QVERIFY(journal[4].timeMs - s.splash.textTimes[4] > 2000); // InitDefaults' first read
        // Defaults that no window shows before the user changes them.
        const Declarations& d = s.t.session->decl;
        QCOMPARE((QList<int>{d.TachClock, d.UpdateOnChange, d.AutoControlTable[0].ShowConPoint,
                             d.AutoControlTable[1].ShowConPoint, d.AutoControlTable[2].ShowConPoint,
                             d.AutoControlTable[3].ShowConPoint, d.LogSelection[5], d.LogSelection[6]}),
                 (QList<int>{90000, true, true, true, false, false, true, false}));
    }

    // The SMBus enable is tried up to 20 times, 200 ms apart, letting the splash window repaint.
    void outcomes_data() {
        QTest::addColumn<SimOptions>("options");
        QTest::addColumn<int>("enables");
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("code"); // the link error that ends the program; -1: connected
        QTest::addColumn<QString>("message");
        QTest::newRow("enable fails 19 times")
            << SimOptions{.enableSmbusFailures = 19, .chip = {}} << 20 << 23 << -1 << "";
        QTest::newRow("enable fails 20 times")
            << SimOptions{.enableSmbusFailures = 20, .chip = {}} << 20 << 20 << 2 << InitialConnectionMessage;
        QTest::newRow("no chip") << SimOptions{.chipAddresses = {}, .chip = {}} << 1 << 5 << 2
                                 << InitialConnectionMessage;
        QTest::newRow("firmware") << SimOptions{.firmwareFails = true, .chip = {}} << 0 << 0 << 0
                                  << "Firmware failed to download - Check USB connections";
        QTest::newRow("probe read") << SimOptions{.failRequestNumber = 2, .chip = {}} << 1 << 2 << 3
                                    << "Communications Interrupted - Check USB connections";
    }
    void outcomes() {
        QFETCH(SimOptions, options);
        QFETCH(int, enables);
        QFETCH(int, requests);
        QFETCH(int, code);
        QFETCH(QString, message);
        Start s(options);
        QCOMPARE(s.run(), code < 0);
        QCOMPARE(s.t.requestTexts().count(QStringLiteral("221 48 51 0 0")), enables);
        QCOMPARE(s.t.requestTexts().size(), requests);
        QCOMPARE(s.splash.eventPasses, enables);
        if (code < 0) {
            const auto connecting = s.splash.textTimes[3] - s.splash.textTimes[2];
            QVERIFY(connecting >= enables * 200 && connecting <= enables * 202);
            QVERIFY(s.t.prompts.messages.isEmpty());
            return;
        }
        QCOMPARE(s.t.programEnds, QList<int>{code});
        QCOMPARE(s.t.prompts.messages,
                 (QList<ScriptedPrompts::Shown>{{message, MessageIcon::Critical, MessageButtons::Ok}}));
        QCOMPARE(s.status.isEmpty(), code == 0);
        s.t.usb().ReadRegister(0x2E, 0x40);
        QCOMPARE(s.t.requestTexts().size(), requests); // nothing more reaches the board
    }

    // The board's enumeration and the SMBus bridge need their waits in full on the real clock too.
    void realWaitsAreLongerThanAsked() {
        SystemClock clock;
        const auto start = std::chrono::steady_clock::now();
        Delay(clock, 20.5f);
        QVERIFY(std::chrono::steady_clock::now() - start > std::chrono::microseconds(20500));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
