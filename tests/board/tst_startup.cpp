// The connection sequence and the program's defaults, over the simulated board.
#include "board/Startup.h"
#include "support/RecordingSplash.h"
#include "support/Rows.h"
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

// Started with chips at 2Eh and 2Dh, the first to answer at 2Dh; the program's defaults applied.
struct Started : Start {
    Started() : Start({.chipAddresses = {0x2E, 0x2D}, .chip = {}}) {
        QVERIFY(run());
        InitDefaults(*t.session);
    }
};
using Outcome = std::tuple<SimOptions, int, int, int, QString>;

const QString InitialConnectionMessage = QStringLiteral("Initial Connection Failed - Check USB connections");

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The flag caches are read from the chip, then the free-wheel test is started.
    void startFindsTheFirstChipAndTalksInOrder() {
        Started s;
        QCOMPARE(s.t.board->journal().front().firmwarePath, QStringLiteral("/opt/vortane/HELDRIXFW.Hex"));
        QCOMPARE(s.t.requestTexts(),
                 (QStringList{"221 48 51 0 0", "222 44 62 1 1", "222 45 62 1 1", "222 45 104 1 1",
                              "222 45 105 1 1", "222 45 127 1 1", "222 45 64 1 1", "222 45 832 0 0"}));
        QCOMPARE(s.status, QStringLiteral("Firmware download succesful"));
        QCOMPARE(s.splash.texts, (QStringList{"Downloading Firmware...", "Enumerating...", "Connecting...",
                                              "Searching for VORTANE on USB...", "Found an VORTANE at 2Dh"}));
        QVERIFY(s.splash.visible && s.splash.widths.back() == 100.0f * 60);
    }

    // The board's enumeration wait: 34 steps of just over 50 ms. The splash window stays readable:
    // a second before the search, two after "Found".
    void theWaitsOfTheBoardAndTheSplashWindow() {
        Started s;
        const auto enumerating = s.splash.textTimes[2] - s.splash.textTimes[1];
        QVERIFY2(enumerating >= 34 * 50 && enumerating <= 34 * 52, qPrintable(QString::number(enumerating)));
        const auto& journal = s.t.board->journal();
        const std::int64_t firstProbe = journal[2].timeMs;
        QVERIFY(firstProbe - s.splash.textTimes[3] > 1000 && firstProbe - s.splash.textTimes[3] <= 1002);
        QVERIFY(journal[4].timeMs - s.splash.textTimes[4] > 2000); // InitDefaults' first read
    }

    void defaultsNoWindowShowsBeforeTheUserChangesThem() {
        Started s;
        const Declarations& d = s.t.session->decl;
        QCOMPARE((QList<int>{d.TachClock, d.UpdateOnChange, d.AutoControlTable[0].ShowConPoint,
                             d.AutoControlTable[1].ShowConPoint, d.AutoControlTable[2].ShowConPoint,
                             d.AutoControlTable[3].ShowConPoint, d.LogSelection[5], d.LogSelection[6]}),
                 (QList<int>{90000, true, true, true, false, false, true, false}));
    }

    // The SMBus enable is tried up to 20 times, 200 ms apart, letting the splash window repaint.
    // Per row: enables, requests, the link error that ends the program (-1: connected), its message.
    void outcomes_data() {
        const QString firmware = "Firmware failed to download - Check USB connections";
        const QString interrupted = "Communications Interrupted - Check USB connections";
        addRows<Outcome>(
            {{"enable fails 19 times", {{.enableSmbusFailures = 19, .chip = {}}, 20, 23, -1, ""}},
             {"enable fails 20 times",
              {{.enableSmbusFailures = 20, .chip = {}}, 20, 20, 2, InitialConnectionMessage}},
             {"no chip", {{.chipAddresses = {}, .chip = {}}, 1, 5, 2, InitialConnectionMessage}},
             {"firmware", {{.firmwareFails = true, .chip = {}}, 0, 0, 0, firmware}},
             {"probe read", {{.failRequestNumber = 2, .chip = {}}, 1, 2, 3, interrupted}}});
    }
    void outcomes() {
        const auto& [options, enables, requests, code, message] = fetchRow<Outcome>();
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
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
