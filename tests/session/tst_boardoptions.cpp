// Board options of the command line, the board they create, and the main window's place fitted on screen.
#include "base/Clock.h"
#include "board/sim/SimUsbBus.h"
#include "board/usb/UsbBoard.h"
#include "session/BoardOptions.h"
#include "session/Settings.h"
#include "support/Rows.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QString list(const auto& values) {
    QStringList out;
    for (auto v : values)
        out << QString::number(v);
    return out.join(QLatin1Char(','));
}

// Every setting the options can change, as text, in the order of data/setting-names.txt.
QStringList settings(const BoardOptions& o) {
    const SimOptions& s = o.sim;
    const auto n = [](auto v) { return QString::number(v); };
    return QStringList() << o.board << o.journalFile << o.settingsFile << list(s.chipAddresses)
                         << n(s.enableSmbusFailures) << n(s.firmwareFails) << n(s.failRequestNumber)
                         << n(s.linkLostAfterMs) << n(s.failBlockReads) << n(s.boardRevision)
                         << n(s.supply12V) << n(s.supply5V) << n(s.chip.ambientC) << list(s.chip.fanPresent)
                         << list(s.chip.fanMaxRpm) << n(s.timeScale) << n(s.chip.freeWheelTestMs)
                         << n(s.heaterHalfSteps) << list(s.chip.gpioInputHigh) << UsbIdText(o.usb.board)
                         << UsbIdText(o.usb.loader) << o.usb.serial << o.usb.port << o.firmwareFile
                         << list(s.chip.fanSeizesAtMs) << n(s.chip.statusLagMs) << list(s.chip.tachHolds)
                         << list(s.chip.fanStartDuty) << list(s.chip.fanStopDuty) << list(s.chip.fanMinRpm)
                         << list(s.chip.fanPulsesPerRev) << n(s.chip.autoOffsetC);
}

} // namespace

class TestBoardOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Arguments that are not board options pass through in order; no option takes one as its value.
    void eachOptionSetsOnlyItsSetting() {
        const QList<QStringList> names = tableRows(VORTANE_TEST_DATA "/setting-names.txt");
        for (const QStringList& row : tableRows(VORTANE_TEST_DATA "/options.txt")) {
            BoardOptions o;
            QStringList rest{"left from before"};
            QString error;
            QVERIFY(
                ParseBoardOptions(QStringList{"-x"} + row.mid(2) + QStringList{"file.sav"}, o, rest, error));
            QStringList expected = settings(BoardOptions{}) << "-x|file.sav";
            expected[names.indexOf(row.first(1))] = row[1];
            QCOMPARE(settings(o) << rest.join(u'|'), expected);
        }
    }

    void malformedValuesAreRefused() {
        const auto refused = [](const QStringList& args, const QString& error) {
            BoardOptions o;
            QStringList rest;
            QString message;
            QCOMPARE(std::pair(ParseBoardOptions(args, o, rest, message), message), std::pair(false, error));
        };
        refused({"--sim-chips"}, "option --sim-chips needs a value");
        refused({"--board", "i2c:"},
                "unknown board 'i2c:' (available: auto, sim, usb, i2c:/dev/i2c-N, usb:sim, i2c:sim)");
        refused({"--journal", "j.txt", "--board", "usb"},
                "--journal needs a simulated board or an SMBus adapter: a board on USB keeps no journal");
        for (const QStringList& row : tableRows(VORTANE_TEST_DATA "/malformed-options.txt")) {
            const QStringList args = row[0].split(QLatin1Char(' '));
            const QStringList option = args[0].split(QLatin1Char('='));
            refused(
                args,
                QStringLiteral("invalid value for %1: %2").arg(option[0], args.value(1, option.value(1))));
        }
    }

    void createBoard() {
        ManualClock clock;
        SimBoard earlier(clock);
        SimBoard* sim = &earlier;
        QString error;
        BoardOptions o;
        o.board = QStringLiteral("sim"), o.usb.port = QStringLiteral("1-2"); // a port, but the board named
        o.journalFile = QStringLiteral("/nonexistent-dir/journal.txt");
        QVERIFY(!CreateBoard(o, clock, &sim, error) && !sim);
        QCOMPARE(error, QStringLiteral("cannot write the journal file /nonexistent-dir/journal.txt"));
        BoardOptions adapter = o; // an adapter's journal too
        adapter.board = QStringLiteral("i2c:sim"), error.clear();
        QVERIFY(!CreateBoard(adapter, clock, nullptr, error) && error.startsWith("cannot write the journal"));

        o.journalFile.clear(); // the simulated board is built from the options
        o.sim.chipAddresses = {0x2C};
        o.sim.chip.ambientC = 33.5;
        QStringList told; // what the board says of itself, where the program reports
        o.report = [&told](const QString& text) { told << text; };
        const auto board = CreateBoard(o, clock, &sim, error);
        QVERIFY(board && sim == board.get() && !sim->chip(0x2E));
        std::uint8_t byte = 0;
        QVERIFY(board->VendorIORequest(RegisterRequest, 0x2C, 0x3E, 1, 1, &byte) != 0); // before its firmware
        QCOMPARE(std::tuple(sim->chip(0x2C)->scenario().ambientC, told, sim->journal().size()), // none held
                 std::tuple(33.5, QStringList{"the simulated board has no firmware yet"}, std::size_t(0)));
        // An adapter's text, with its chip and before one answered; a USB board known by its serial alone.
        const BoardIdentity smbus{BoardIdentity::Kind::Smbus, false, {}, {}, "/dev/i2c-1", 0x2E};
        QCOMPARE(
            QStringList({smbus.text(), BoardIdentity{smbus.kind, false, {}, {}, "/dev/i2c-1", 0}.text(),
                         BoardIdentity{BoardIdentity::Kind::Usb, false, {}, "VT01", {}, 0}.text()}),
            QStringList({"SMBus /dev/i2c-1, chip at 2Eh", "SMBus /dev/i2c-1", "USB board (serial VT01)"}));
    }

    // --board auto over none to several (1-2; 1-4 busy, then 1-3; listed by port): the board taken or asked.
    void autoTakesTheOneBoardOrAsks() {
        const QStringList listed{"USB board 1-2: needs firmware", "USB board 1-3 (serial OTHER-1-3): running",
                                 "USB board 1-4: busy: held by another program"};
        using A = std::tuple<int, int, QString>;
        for (const auto& [boards, answer, board] :
             {A{0, -1, "Simulated board"}, A{1, -1, "Simulated USB board 1-2"}, A{3, -1, ""},
              A{3, 2, "Simulated USB board 1-4"}, A{3, 3, "Simulated board"}, A{3, 9, ""}}) {
            ManualClock clock;
            BoardOptions o;
            o.openUsb = [&clock, boards](QString&) {
                SimUsbOptions bus;
                bus.attached = boards > 0;
                if (boards > 1) bus.others = {{DefaultBoardId, "1-4", 3}, {DefaultBoardId, "1-3", 9}};
                bus.busyPorts = {QStringLiteral("1-4")};
                return std::make_unique<SimUsbBus>(clock, std::make_unique<SimBoard>(clock), bus);
            };
            QStringList offered;
            if (answer >= 0)
                o.chooseBoard = [&offered, answer](const QStringList& c) {
                    offered = c;
                    return answer < c.size() ? std::optional<int>(answer) : std::nullopt;
                };
            QString error;
            BoardFailure failure{};
            const auto created = CreateBoard(o, clock, nullptr, error, &failure);
            QCOMPARE(created ? created->identity().text() : QString(), board);
            QCOMPARE(offered, answer >= 0 ? listed + QStringList{"Simulated board"} : QStringList{});
            if (!created)
                QCOMPARE(std::pair(failure, error),
                         answer < 0
                             ? std::pair(BoardFailure::Usage,
                                         "3 evaluation boards found; choose one with --usb-port (or, for a "
                                         "running board, --usb-serial):\n  " +
                                             listed.join("\n  "))
                             : std::pair(BoardFailure::Cancelled, QStringLiteral("no board chosen")));
            const QTemporaryDir dir; // a board found on USB keeps no journal; the simulated one does
            o.journalFile = dir.filePath(QStringLiteral("journal.txt"));
            QCOMPARE(CreateBoard(o, clock, nullptr, error, &failure) != nullptr,
                     board == QLatin1String("Simulated board"));
        }
        // Without libusb it is the simulated board too, and --verbose says why.
        ManualClock clock;
        BoardOptions o;
        o.openUsb = [](QString& e) {
            e = "libusb: no access";
            return std::unique_ptr<UsbSystem>();
        };
        QStringList notes;
        o.verbose = [&notes](const QString& text) { notes << text; };
        QString error;
        QCOMPARE(std::pair(CreateBoard(o, clock, nullptr, error)->identity().text(), notes),
                 std::pair(QString("Simulated board"),
                           QStringList{"libusb: no access", "--board auto: Simulated board"}));
    }

    // Kept if shown whole; else onto the screen showing most (or the primary), moved least, shrunk if larger.
    void placesOffTheScreensComeBackOnThem() {
        const QRect primary(0, 0, 1920, 1040), right(1920, 0, 1280, 984); // a second monitor to the right
        using Case = std::tuple<QRect, QList<QRect>, QRect>;              // window, screens, placed
        for (const auto& [window, screens, placed] :
             {Case{{100, 50, 800, 600}, {primary, right}, {100, 50, 800, 600}},
              Case{{1500, 100, 900, 600}, {primary, right}, {1500, 100, 900, 600}}, // across both
              Case{{2400, 300, 800, 600}, {primary}, {1120, 300, 800, 600}},        // second one removed
              Case{{-200, 100, 2500, 1200}, {primary}, {0, 0, 1920, 1040}},
              Case{{40, 700, 640, 480}, {primary}, {40, 560, 640, 480}},
              Case{{2800, 600, 800, 600}, {primary, right}, {2400, 384, 800, 600}}, // mostly on the second
              Case{{3000, -900, 300, 200}, {primary, right}, {1620, 0, 300, 200}}})
            QCOMPARE(FitOnScreens(window, screens), placed);
    }
};

QTEST_GUILESS_MAIN(TestBoardOptions)
#include "tst_boardoptions.moc"
