// The connection sequence and the program's defaults, over the simulated board.
#include "board/FirmwareSearch.h"
#include "board/Startup.h"
#include "support/RecordingSplash.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QDir>
#include <QTemporaryDir>
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
using Outcome = std::tuple<SimOptions, int, int, int, QString, QString>;

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
        QCOMPARE(s.splash.board, QStringLiteral("Simulated board"));
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
    // Per row: enables, requests, the link error that ends the program (-1: connected), its message
    // and the reason in its details.
    void outcomes_data() {
        const QString firmware = "Firmware failed to download - Check USB connections";
        const QString interrupted = "Communications Interrupted - Check USB connections";
        const QString told = "the simulated board was told to fail here (--sim-%1)";
        const QString enable =
            "the board did not enable its SMBus bridge in 20 attempts\n" + told.arg("enable-failures");
        const QString noChip = "no VORTANE answered: Company ID (3Eh) read FFh at 2Ch, FFh at 2Dh, FFh at "
                               "2Eh, FFh at 2Fh, where a VORTANE reads 4Bh";
        const QString initial = InitialConnectionMessage;
        addRows<Outcome>(
            {{"enable fails 19 times", {{.enableSmbusFailures = 19, .chip = {}}, 20, 23, -1, "", ""}},
             {"enable fails 20 times", {{.enableSmbusFailures = 20, .chip = {}}, 20, 20, 2, initial, enable}},
             {"no chip", {{.chipAddresses = {}, .chip = {}}, 1, 5, 2, initial, noChip}},
             {"firmware",
              {{.firmwareFails = true, .chip = {}}, 0, 0, 0, firmware, told.arg("firmware-fails")}},
             {"probe read",
              {{.failRequestNumber = 2, .chip = {}}, 1, 2, 3, interrupted, told.arg("fail-request")}}});
    }
    void outcomes() {
        const auto& [options, enables, requests, code, message, details] = fetchRow<Outcome>();
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
        QCOMPARE(s.t.prompts.messages, (QList<ScriptedPrompts::Shown>{
                                           {message, MessageIcon::Critical, MessageButtons::Ok, details}}));
        QCOMPARE(s.status.isEmpty(), code == 0);
        s.t.usb().ReadRegister(0x2E, 0x40);
        QCOMPARE(s.t.requestTexts().size(), requests); // nothing more reaches the board
    }

    // The image beside the program comes first, then the installed and the XDG data folders; a
    // folder of the image's name is no image. --firmware names it outright.
    void firmwareImageIsLookedFor() {
        QTemporaryDir program, data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        qputenv("XDG_DATA_DIRS", "/usr/share");
        QCOMPARE(FirmwareFolders(program.path()),
                 (QStringList{program.path(), "/usr/lib/vortane", "/usr/local/lib/vortane",
                              data.filePath("vortane"), "/usr/share/vortane"}));
        const QStringList folders{program.path(), data.filePath("vortane")};
        QVERIFY(QDir(data.path()).mkpath("vortane") && QDir(program.path()).mkdir(FirmwareFileName));
        QCOMPARE(FindFirmwareImage(folders), QString());
        QVERIFY(writeFile(data.filePath("vortane/HELDRIXFW.Hex"), ":00000001FF\n"));
        QCOMPARE(FindFirmwareImage(folders), data.filePath("vortane/HELDRIXFW.Hex"));
        QVERIFY(QDir(program.path()).rmdir(FirmwareFileName) &&
                writeFile(program.filePath(FirmwareFileName), ":00000001FF\n"));
        QCOMPARE(FindFirmwareImage(folders), program.filePath(FirmwareFileName));

        Start s;
        s.t.session->firmwareFile = QStringLiteral("/boards/B.hex");
        QVERIFY(s.run());
        QCOMPARE(s.t.board->journal().front().firmwarePath, QStringLiteral("/boards/B.hex"));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
