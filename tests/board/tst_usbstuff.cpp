// The transport over the simulated board (what goes over the wire, what comes back, and how a
// failure ends the program), and the connection sequence and the program's defaults over it.
#include "board/BoardStatus.h"
#include "board/FirmwareSearch.h"
#include "board/Startup.h"
#include "board/USBStuff.h"
#include "registers/RegMapStuff.h"
#include "support/RecordingSplash.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <limits>
#include <tuple>

namespace {
// The reason a request the simulator was told to fail gives, in the message's details.
const QString FailRequest = QStringLiteral("the simulated board was told to fail here (--sim-fail-request)");

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
} // namespace

class TestUSBStuff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writeCarriesTheValueInBits8To15() {
        // Value written, the caller's variable afterwards, the index on the wire, the chip's byte.
        constexpr int Min = std::numeric_limits<int>::min();
        for (auto [value, sent, index, chipByte] : {std::tuple{300, 255, 65348, 0xFF},
                                                    {-10, -10, -2492, 0xF6},
                                                    {-128, -128, -32700, 0x80},
                                                    {-300, -300, -76732, 0xD4},
                                                    {Min, Min, 0x44, 0}}) {
            ConnectedSim t;
            std::int32_t v = value;
            const int status = t.usb().WriteRegister(0x2E, 0x44, v);
            QCOMPARE(std::tuple(status, v, t.requestTexts(), t.chip().read(0x44)),
                     std::tuple(0, sent, QStringList{QStringLiteral("222 46 %1 0 0").arg(index)}, chipByte));
        }
    }

    // The flag registers are read back right after their write; others are not.
    void controlRegisterWritesRefreshTheFlags() {
        // Register, value, then ManualControl(1..4) and GpioEnabled(1..4).
        for (auto [reg, value, manual, gpio] : {std::tuple{0x68, 0x80, "0111", "0000"},
                                                {0x68, 0x3F, "1111", "0000"},
                                                {0x69, 0x40, "1110", "0000"},
                                                {0x7F, 0x0A, "1111", "1010"},
                                                {0x40, 0xFF, "1111", "0000"}}) {
            ConnectedSim t;
            for (int n = 1; n <= 4; ++n)
                t.usb().ManualControl(n) = true;
            t.usb().WriteRegister(0x2E, reg, value);
            QString flags;
            for (int n = 1; n <= 8; ++n)
                flags += QString::number(n <= 4 ? t.usb().ManualControl(n) : t.usb().GpioEnabled(n - 4));
            QCOMPARE(flags, QLatin1String(manual) + QLatin1String(gpio));
            QStringList expected{QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg)};
            if (reg != 0x40) expected << QStringLiteral("222 46 %1 1 1").arg(reg);
            QCOMPARE(t.requestTexts(), expected);
        }
    }

    // A failed block read reports its status and leaves the buffer as it was; only a window's load
    // takes it for a link error.
    void failedBlockReadIsReported() {
        ConnectedSim t({.failBlockReads = true, .chip = {}});
        t.usb().TransferBuffer.fill(0xA5);
        QVERIFY(t.usb().ReadBlock(0x20, 10) != 0);
        QCOMPARE(std::count(t.usb().TransferBuffer.begin(), t.usb().TransferBuffer.end(), 0xA5), 65);
        QVERIFY(!t.usb().ReadBlockOrFail(0x38, 4));
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
        QCOMPARE(t.requests().size(), 2);
    }

    // A block read tells the program each register it covered, at its own address: the alarms
    // judge an inverted output by the PWM configuration a window last read as a block.
    void blockReadIsKnownPerRegister() {
        ConnectedSim t;
        t.chip().write(0x68, 0x21);
        t.chip().write(0x69, 0x12);
        QCOMPARE(t.usb().ReadBlock(0x68, 2), std::int16_t(0));
        QCOMPARE((std::pair{t.usb().knownValue(0x68), t.usb().knownValue(0x69)}),
                 (std::pair{std::optional<int>(0x21), std::optional<int>(0x12)}));
    }

    void heaterLevelsAreClampedInTheCallersVariable() {
        for (auto [level, sent] : {std::pair{150, 100}, {-5, 0}, {37, 37}}) {
            ConnectedSim t;
            std::int32_t v = level;
            const int set = t.usb().SetHeater(1, v), read = t.usb().ReadHeaterLevels();
            QCOMPARE(std::tuple(set, v, read, int(t.usb().TransferBuffer[0]), int(t.usb().TransferBuffer[1])),
                     std::tuple(0, sent, 0, 2 * sent, 0));
            QCOMPARE(t.requestTexts(),
                     (QStringList{QStringLiteral("218 1 %1 0 1").arg(sent), "218 0 0 1 3"}));
        }
    }

    // A failed write ends the program with its message and nothing more reaches the board, not
    // even the read-back of the flag register written. (A failed read: the start-up's probe.)
    void failedRequestEndsTheProgram() {
        ConnectedSim t({.failRequestNumber = 3, .chip = {}}); // after the SMBus enable, the test's second
        t.usb().ReadRegister(0x2E, 0x40);
        QVERIFY(t.usb().WriteRegister(0x2E, 0x68, 0x80) != 0);
        t.usb().ReadRegister(0x2E, 0x40);
        t.usb().WriteRegister(0x2E, 0x40, 1);
        t.usb().ReadBlock(0x20, 10);
        QCOMPARE(t.requests().size(), 2);
        QCOMPARE(t.prompts.messages,
                 (QList<ScriptedPrompts::Shown>{{"Communications Interrupted - Check USB connections",
                                                 MessageIcon::Critical, MessageButtons::Ok, FailRequest}}));
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
    }

    void heaterErrorAsksWhetherToEnd() {
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            ConnectedSim t({.failRequestNumber = 2, .chip = {}});
            t.prompts.answers = {answer};
            QVERIFY(t.usb().SetHeater(1, 50) != 0);
            const QString text = "Error in Heater Module -  Do you wish to close the application?";
            QCOMPARE(t.prompts.messages, (QList<ScriptedPrompts::Shown>{
                                             {text, MessageIcon::None, MessageButtons::YesNo, FailRequest}}));
            if (answer == MessageAnswer::Yes) {
                QCOMPARE(t.programEnds, QList<int>{HeaterModuleError});
                continue;
            }
            // No: the caller gets the status back and the program goes on talking to the board.
            QVERIFY(t.programEnds.isEmpty());
            QCOMPARE(t.usb().ReadRegister(0x2E, 0x3E), CompanyCode);
        }
    }

    // Under the heater question a timer's request may fail too. A link error there ends the
    // program even when the user answers No; another heater failure there leaves the choice to
    // the question that is up. Neither shows a second message.
    void errorUnderTheHeaterQuestion() {
        for (const int inner : {int(CommunicationsInterrupted), int(HeaterModuleError)}) {
            ConnectedSim t({.failRequestNumber = 2, .chip = {}});
            t.prompts.answers = {MessageAnswer::No};
            t.prompts.whileShown = [&] { t.usb().ShowLinkError(inner); };
            QVERIFY(t.usb().SetHeater(1, 50) != 0);
            QCOMPARE(t.prompts.messages.size(), 1);
            QCOMPARE(t.programEnds,
                     inner == HeaterModuleError ? QList<int>{} : QList<int>{HeaterModuleError});
        }
    }

    void codesWithoutACallerHaveTheirMessagesAndOthersNone() {
        QCOMPARE(LinkErrorMessage(1), QStringLiteral("SMBus enable error  - Check USB connections"));
        SimSession t;
        t.usb().ShowLinkError(7);
        QVERIFY(t.prompts.messages.isEmpty());
        QCOMPARE(t.programEnds, QList<int>{7});
    }

    // The firmware path as the board gets it: startFindsTheFirstChipAndTalksInOrder.
    void chipRequestsFailBeforeTheBridgeIsEnabled() {
        SimSession t;
        QCOMPARE(t.usb().DownloadFirmware(QStringLiteral("/opt/vortane")), std::int16_t(0));
        t.usb().DeviceAddress = 0x2E;
        t.usb().ReadRegister(0x2E, 0x40);
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
    }

    void journalIsBounded() {
        ConnectedSim t;
        for (std::size_t i = 0; i < SimBoard::JournalCapacity + 10; ++i)
            t.usb().ReadBlock(0x20, 1);
        QCOMPARE(t.board->journal().size(), SimBoard::JournalCapacity);
    }

    void boardStatusAndFansPresentAreDecoded() {
        for (const auto& [byte2, byte4, revision, has5V, has12V] :
             {std::tuple{0x0C, 0x00, "A", true, true}, std::tuple{0x04, 0x01, "B", false, true},
              std::tuple{0x08, 0x04, "D", true, false}, std::tuple{0x00, 0x0B, "", false, false}}) {
            std::array<std::uint8_t, 65> buffer{};
            buffer[2] = std::uint8_t(byte2);
            buffer[4] = std::uint8_t(byte4);
            const BoardStatus s = DecodeBoardStatus(buffer);
            QCOMPARE(std::tuple(s.revision, s.supply5V, s.supply12V),
                     std::tuple(QString::fromLatin1(revision), has5V, has12V));
        }
        QCOMPARE(FansPresent(0x05), (std::array<bool, 4>{false, true, false, true}));
    }

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
        const QString initial = "Initial Connection Failed - Check USB connections";
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
        QCOMPARE((QList<qsizetype>{s.t.requestTexts().count("221 48 51 0 0"), s.t.requestTexts().size(),
                                   s.splash.eventPasses}),
                 (QList<qsizetype>{enables, requests, enables}));
        if (code < 0) {
            const auto connecting = s.splash.textTimes[3] - s.splash.textTimes[2];
            QVERIFY(connecting >= enables * 200 && connecting <= enables * 202 &&
                    s.t.prompts.messages.isEmpty());
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

QTEST_GUILESS_MAIN(TestUSBStuff)
#include "tst_usbstuff.moc"
