#include "session/BoardOptions.h"

#include "base/NumberText.h"
#include "board/i2c/I2cBoard.h"
#include "board/i2c/LinuxI2cDev.h"
#include "board/i2c/SmbusJournal.h"
#include "board/sim/SimSmbusAdapter.h"
#include "board/sim/SimUsbBus.h"
#include "board/usb/LibUsbSystem.h"
#include "board/usb/UsbBoard.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

#include <limits>

namespace {

constexpr std::int64_t NoLimit = std::numeric_limits<std::int64_t>::max();

// A whole number from lo to hi, into out; out is left as it was when there is none in that range.
template <typename T> bool parseInt(const QString& text, std::int64_t lo, std::int64_t hi, T& out) {
    const auto v = IntegerIn(text, lo, hi);
    if (v) out = static_cast<T>(*v);
    return v.has_value();
}

bool parseNumber(const QString& text, double lo, double hi, double& out) {
    const double v = LeadingNumberOrZero(text);
    if (!IsNumeric(text) || v < lo || v > hi) return false;
    out = v;
    return true;
}

// "2C,2E" or "0x2C,0x2E": SMBus addresses in hexadecimal.
bool parseAddresses(const QString& text, std::vector<int>& out) {
    out.clear();
    for (QString part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) part = part.mid(2);
        bool ok = false;
        const int a = part.toInt(&ok, 16);
        if (!ok || a < 0 || a > 0x7F) return false;
        out.push_back(a);
    }
    return true;
}

// "1,2,3": which fans are present.
bool parseFans(const QString& text, std::array<bool, 4>& out) {
    out = {};
    for (const QString& part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = part.trimmed().toInt(&ok);
        if (!ok || n < 1 || n > 4) return false;
        out[static_cast<std::size_t>(n - 1)] = true;
    }
    return true;
}

bool parseRpms(const QString& text, std::array<int, 4>& out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    std::size_t i = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < 100 || v > 50000) return false;
        out[i++] = v;
    }
    return true;
}

// "30,26,34,28": one whole number per fan, each within lo..hi.
bool parseFourInts(const QString& text, int lo, int hi, std::array<int, 4>& out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    std::array<int, 4> values{};
    std::size_t i = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < lo || v > hi) return false;
        values[i++] = v;
    }
    out = values;
    return true;
}

// "2:8000" or "2:8000,3:500": fan N seizes MS milliseconds after start-up.
bool parseStalls(const QString& text, std::array<std::int64_t, 4>& out) {
    for (const QString& part : text.split(QLatin1Char(','))) {
        const QStringList fanAndTime = part.trimmed().split(QLatin1Char(':'));
        bool fanOk = false;
        bool timeOk = false;
        const int fan = fanAndTime.value(0).toInt(&fanOk);
        const qlonglong ms = fanAndTime.value(1).toLongLong(&timeOk);
        if (fanAndTime.size() != 2 || !fanOk || !timeOk || fan < 1 || fan > 4 || ms < 0) return false;
        out[static_cast<std::size_t>(fan - 1)] = ms;
    }
    return true;
}

// "0,1,0,0": the level driven onto each GPIO pin from outside, 1 high and 0 low.
bool parseLevels(const QString& text, std::array<bool, 4>& out) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return false;
    std::size_t i = 0;
    for (const QString& part : parts) {
        const QString level = part.trimmed();
        if (level != QLatin1String("0") && level != QLatin1String("1")) return false;
        out[i++] = level == QLatin1String("1");
    }
    return true;
}

// "04b4:8613" or "0x04B4:0x8613"
bool parseUsbId(const QString& text, UsbDeviceId& out) {
    static const QRegularExpression form(QStringLiteral("^(?:0x)?([0-9a-f]{1,4}):(?:0x)?([0-9a-f]{1,4})$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch()) return false;
    out = {static_cast<std::uint16_t>(m.captured(1).toUInt(nullptr, 16)),
           static_cast<std::uint16_t>(m.captured(2).toUInt(nullptr, 16))};
    return true;
}

const QString BoardChoices = QStringLiteral("auto, sim, usb, i2c:/dev/i2c-N, usb:sim, i2c:sim");
const QString NoUsbJournal =
    QStringLiteral("--journal needs a simulated board or an SMBus adapter: a board on USB keeps no journal");

bool knownBoard(const QString& board) {
    static const QRegularExpression i2cDevice(QStringLiteral("^i2c:/.+"));
    return board == QLatin1String("auto") || board == QLatin1String("sim") || board == QLatin1String("usb") ||
           board == QLatin1String("usb:sim") || board == QLatin1String("i2c:sim") ||
           i2cDevice.match(board).hasMatch();
}

} // namespace

bool ParseBoardOptions(const QStringList& args, BoardOptions& o, QStringList& rest, QString& error) {
    rest.clear();
    for (int i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        QString value;
        bool hasInlineValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            value = arg.section(QLatin1Char('='), 1);
            arg = arg.section(QLatin1Char('='), 0, 0);
            hasInlineValue = true;
        }
        auto takeValue = [&](QString& out) {
            if (hasInlineValue) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = QStringLiteral("option %1 needs a value").arg(arg);
                return false;
            }
            out = args[++i];
            return true;
        };
        auto bad = [&](const QString& v) {
            error = QStringLiteral("invalid value for %1: %2").arg(arg, v);
            return false;
        };
        QString v;
        if (arg == QLatin1String("--board")) {
            if (!takeValue(v)) return false;
            if (!knownBoard(v)) {
                error = QStringLiteral("unknown board '%1' (available: %2)").arg(v, BoardChoices);
                return false;
            }
            o.board = v;
        } else if (arg == QLatin1String("--usb-device") || arg == QLatin1String("--usb-loader")) {
            if (!takeValue(v)) return false;
            if (!parseUsbId(v, arg == QLatin1String("--usb-device") ? o.usb.board : o.usb.loader))
                return bad(v);
        } else if (arg == QLatin1String("--usb-serial")) {
            if (!takeValue(o.usb.serial)) return false;
        } else if (arg == QLatin1String("--usb-port")) {
            if (!takeValue(v)) return false;
            static const QRegularExpression port(QStringLiteral("^[0-9]+-[0-9]+(\\.[0-9]+)*$"));
            if (!port.match(v).hasMatch()) return bad(v);
            o.usb.port = v;
        } else if (arg == QLatin1String("--journal")) {
            if (!takeValue(o.journalFile)) return false;
        } else if (arg == QLatin1String("--firmware")) {
            if (!takeValue(o.firmwareFile)) return false;
        } else if (arg == QLatin1String("--settings")) {
            if (!takeValue(o.settingsFile)) return false;
        } else if (arg == QLatin1String("--sim-chips")) {
            if (!takeValue(v)) return false;
            if (!parseAddresses(v, o.sim.chipAddresses)) return bad(v);
        } else if (arg == QLatin1String("--sim-no-chip")) {
            o.sim.chipAddresses.clear();
        } else if (arg == QLatin1String("--sim-enable-failures")) {
            if (!takeValue(v)) return false;
            if (!parseInt(v, 0, 1000, o.sim.enableSmbusFailures)) return bad(v);
        } else if (arg == QLatin1String("--sim-firmware-fails")) {
            o.sim.firmwareFails = true;
        } else if (arg == QLatin1String("--sim-fail-request")) {
            if (!takeValue(v)) return false;
            if (!parseInt(v, 1, NoLimit, o.sim.failRequestNumber)) return bad(v);
        } else if (arg == QLatin1String("--sim-link-lost-after")) {
            if (!takeValue(v)) return false;
            if (!parseInt(v, 0, NoLimit, o.sim.linkLostAfterMs)) return bad(v);
        } else if (arg == QLatin1String("--sim-fail-block-reads")) {
            o.sim.failBlockReads = true;
        } else if (arg == QLatin1String("--sim-revision")) {
            if (!takeValue(v)) return false;
            static const QString letters = QStringLiteral("ABCD");
            const int at = v.size() == 1 ? letters.indexOf(v.toUpper()) : -1;
            if (at < 0) return bad(v);
            o.sim.boardRevision = at == 3 ? 4 : at;
        } else if (arg == QLatin1String("--sim-no-12v")) {
            o.sim.supply12V = false;
        } else if (arg == QLatin1String("--sim-no-5v")) {
            o.sim.supply5V = false;
        } else if (arg == QLatin1String("--sim-ambient")) {
            if (!takeValue(v)) return false;
            if (!parseNumber(v, -40, 100, o.sim.chip.ambientC)) return bad(v);
        } else if (arg == QLatin1String("--sim-fans")) {
            if (!takeValue(v)) return false;
            if (!parseFans(v, o.sim.chip.fanPresent)) return bad(v);
        } else if (arg == QLatin1String("--sim-fan-max-rpm")) {
            if (!takeValue(v)) return false;
            if (!parseRpms(v, o.sim.chip.fanMaxRpm)) return bad(v);
        } else if (arg == QLatin1String("--sim-fan-start-duty")) {
            if (!takeValue(v)) return false;
            if (!parseFourInts(v, 0, 100, o.sim.chip.fanStartDuty)) return bad(v);
        } else if (arg == QLatin1String("--sim-fan-stop-duty")) {
            if (!takeValue(v)) return false;
            if (!parseFourInts(v, 0, 100, o.sim.chip.fanStopDuty)) return bad(v);
        } else if (arg == QLatin1String("--sim-fan-min-rpm")) {
            if (!takeValue(v)) return false;
            if (!parseFourInts(v, 0, 50000, o.sim.chip.fanMinRpm)) return bad(v);
        } else if (arg == QLatin1String("--sim-tach-holds")) {
            if (!takeValue(v)) return false;
            if (!parseFans(v, o.sim.chip.tachHolds)) return bad(v);
        } else if (arg == QLatin1String("--sim-fan-pulses")) {
            if (!takeValue(v)) return false;
            if (!parseFourInts(v, 1, 4, o.sim.chip.fanPulsesPerRev)) return bad(v);
        } else if (arg == QLatin1String("--sim-auto-offset")) {
            if (!takeValue(v)) return false;
            if (!parseNumber(v, -100, 100, o.sim.chip.autoOffsetC)) return bad(v);
        } else if (arg == QLatin1String("--sim-fan-stalls")) {
            if (!takeValue(v)) return false;
            if (!parseStalls(v, o.sim.chip.fanSeizesAtMs)) return bad(v);
        } else if (arg == QLatin1String("--sim-status-lag")) {
            if (!takeValue(v)) return false;
            if (!parseInt(v, 0, 3600000, o.sim.chip.statusLagMs)) return bad(v);
        } else if (arg == QLatin1String("--sim-free-wheel-ms")) {
            if (!takeValue(v)) return false;
            if (v == QLatin1String("never"))
                o.sim.chip.freeWheelTestMs = FreeWheelNever;
            else if (!parseInt(v, 0, 3600000, o.sim.chip.freeWheelTestMs))
                return bad(v);
        } else if (arg == QLatin1String("--sim-heater-half-steps")) {
            o.sim.heaterHalfSteps = true;
        } else if (arg == QLatin1String("--sim-gpio-levels")) {
            if (!takeValue(v)) return false;
            if (!parseLevels(v, o.sim.chip.gpioInputHigh)) return bad(v);
        } else if (arg == QLatin1String("--sim-time-scale")) {
            if (!takeValue(v)) return false;
            // Above 0: the least positive double is the least scale.
            if (!parseNumber(v, std::numeric_limits<double>::min(), 1000, o.sim.timeScale)) return bad(v);
        } else {
            rest.append(args[i]);
        }
    }
    if (!o.journalFile.isEmpty() && o.board == QLatin1String("usb")) {
        error = NoUsbJournal;
        return false;
    }
    return true;
}

QString BoardOptionsHelp() {
    return QStringLiteral(
               "Board:\n"
               "  --board auto              the evaluation board on USB, or the built-in simulated board\n"
               "                            when none is plugged in (default); several: choose one\n"
               "  --board sim               the built-in simulated board\n"
               "  --board usb               the evaluation board on a USB port\n"
               "  --board i2c:/dev/i2c-N    a bare chip on the host's SMBus adapter N (no heaters)\n"
               "  --board usb:sim, i2c:sim  those two on a simulated bus (the USB board runs its firmware "
               "already)\n"
               "  --firmware FILE           the board's firmware image (default: HELDRIXFW.Hex beside the\n"
               "                            program, in /usr/lib/vortane, /usr/local/lib/vortane or the\n"
               "                            vortane folder of the XDG data folders)\n"
               "  --journal FILE            write every request the board receives (every SMBus transfer\n"
               "                            on an adapter) to FILE, one line each; not with a USB board\n"
               "  --settings FILE           keep the per-user settings in FILE instead of the user's store\n"
               "Simulated board:\n"
               "  --sim-chips 2C,2E         SMBus addresses (hex) where a chip answers (default 2E)\n"
               "  --sim-no-chip             no chip answers at any address\n"
               "  --sim-enable-failures N   the first N SMBus bridge enables fail\n"
               "  --sim-firmware-fails      the firmware download fails\n"
               "  --sim-fail-request N      vendor request number N fails\n"
               "  --sim-link-lost-after MS  every request after MS milliseconds fails (a lost link)\n"
               "  --sim-fail-block-reads    block reads fail and leave the transfer buffer as it was\n"
               "  --sim-revision A|B|C|D    the board revision it reports (default B)\n"
               "  --sim-no-12v, --sim-no-5v\n"
               "                            the board reports that supply as missing\n"
               "  --sim-ambient C           ambient temperature in degrees Celsius (default 25)\n"
               "  --sim-fans 1,2,3          which fans are connected (default 1,2,3)\n"
               "  --sim-fan-max-rpm A,B,C,D\n"
               "                            each fan's full speed in RPM (default 4800,4200,3600,3000)\n"
               "  --sim-fan-start-duty A,B,C,D\n"
               "                            the duty (%) at which each stopped fan starts (default\n"
               "                            30,26,34,28)\n"
               "  --sim-fan-stop-duty A,B,C,D\n"
               "                            the duty (%) down to which each turning fan keeps turning\n"
               "                            (default 18,15,22,17)\n"
               "  --sim-fan-min-rpm A,B,C,D each fan's speed below its stop duty (default 0,0,0,0: it\n"
               "                            stops); a fan with a speed here never stops\n"
               "  --sim-fan-pulses A,B,C,D  tach pulses each fan gives per revolution (default 2,2,2,2)\n"
               "  --sim-tach-holds 1,3      the tachs whose reading holds its last count when the fan\n"
               "                            stops, so a stopped fan reads its last speed (default none)\n"
               "  --sim-auto-offset C       the automatic fan control acts as if its temperatures read C\n"
               "                            degrees high, as on a faulty part (default 0)\n"
               "  --sim-fan-stalls N:MS     fan N seizes MS milliseconds after start-up and stops turning,\n"
               "                            whatever drives it (several as 2:8000,3:500)\n"
               "  --sim-status-lag MS       the chip flags a limit crossed, and clears it, MS ms late\n"
               "                            (default 0)\n"
               "  --sim-free-wheel-ms MS|never  the free-wheel test takes MS ms (default 2000); never: it\n"
               "                            does not end (TEST stays set)\n"
               "  --sim-heater-half-steps   the board reports heater levels as odd bytes (2 x level - 1),\n"
               "                            so they read in half steps (a level of 38 reads 37.5)\n"
               "  --sim-gpio-levels A,B,C,D\n"
               "                            the level (1 high, 0 low) driven onto each GPIO pin (default\n"
               "                            0,0,0,0)\n"
               "  --sim-time-scale X        the chip's time runs X times as fast (default 1)\n") +
           QStringLiteral(
               "USB board:\n"
               "  --usb-device VID:PID      the board's IDs while its firmware runs (default %1)\n"
               "  --usb-loader VID:PID      its IDs before its firmware is loaded (default %2)\n"
               "  --usb-serial TEXT         the board with this serial number (one running its firmware)\n"
               "  --usb-port BUS-PORT       the board at this port, as 1-2 or 1-2.3\n")
               .arg(UsbIdText(DefaultBoardId), UsbIdText(DefaultLoaderId));
}

std::unique_ptr<USBFunctions> CreateBoard(const BoardOptions& options, Clock& clock, SimBoard** sim,
                                          QString& error, BoardFailure* failure) {
    if (sim) *sim = nullptr;
    const auto fail = [&](BoardFailure why, const QString& text) {
        error = text;
        if (failure) *failure = why;
        return std::unique_ptr<USBFunctions>();
    };
    QString kind = options.board;
    if (!knownBoard(kind))
        return fail(BoardFailure::Usage,
                    QStringLiteral("unknown board '%1' (available: %2)").arg(kind, BoardChoices));
    auto report = options.report;
    if (!report) report = [](const QString& text) { QTextStream(stderr) << text << '\n'; };
    const auto note = [&options](const QString& text) {
        if (options.verbose) options.verbose(text);
    };

    UsbSelection usb = options.usb;
    std::unique_ptr<UsbSystem> system;
    // A port or a serial number asks for a board on USB, not for whatever is there.
    if (kind == QLatin1String("auto") && (!usb.port.isEmpty() || !usb.serial.isEmpty()))
        kind = QStringLiteral("usb");
    if (kind == QLatin1String("auto") || kind == QLatin1String("usb")) {
        system = options.openUsb ? options.openUsb(error) : LibUsbSystem::create(error);
        if (!system && kind == QLatin1String("usb")) return fail(BoardFailure::Unavailable, error);
        if (!system) note(error);
    }
    if (kind == QLatin1String("auto")) {
        const std::vector<UsbBoardInfo> boards =
            system ? ListUsbBoards(*system, usb) : std::vector<UsbBoardInfo>{};
        std::size_t chosen = boards.size(); // the simulated board
        if (boards.size() == 1) chosen = 0;
        if (boards.size() > 1) {
            QStringList choices;
            for (const UsbBoardInfo& b : boards)
                choices << b.text();
            if (!options.chooseBoard)
                return fail(
                    BoardFailure::Usage,
                    QStringLiteral("%1 evaluation boards found; choose one with --usb-port (or, for a "
                                   "running board, --usb-serial):\n  %2")
                        .arg(boards.size())
                        .arg(choices.join(QLatin1String("\n  "))));
            choices << BoardIdentity{}.text();
            const std::optional<int> choice = options.chooseBoard(choices);
            if (!choice) return fail(BoardFailure::Cancelled, QStringLiteral("no board chosen"));
            chosen = static_cast<std::size_t>(*choice);
        }
        if (chosen < boards.size()) {
            usb.port = boards[chosen].device.port;
            kind = QStringLiteral("usb");
        } else {
            kind = QStringLiteral("sim");
        }
        note(QStringLiteral("--board auto: %1")
                 .arg(kind == QLatin1String("usb") ? boards[chosen].text() : BoardIdentity{}.text()));
    }
    if (!options.journalFile.isEmpty() && kind == QLatin1String("usb"))
        return fail(BoardFailure::Usage, NoUsbJournal);
    if (kind == QLatin1String("usb"))
        return std::make_unique<UsbBoard>(std::move(system), usb, report, options.verbose);

    const QString cannotJournal = QStringLiteral("cannot write the journal file %1").arg(options.journalFile);
    if (kind.startsWith(QLatin1String("i2c:"))) {
        std::unique_ptr<SmbusAdapter> adapter;
        if (kind == QLatin1String("i2c:sim"))
            adapter = std::make_unique<SimSmbusAdapter>(clock, options.sim);
        else if (!(adapter = LinuxI2cDev::open(kind.mid(4), error)))
            return fail(BoardFailure::Unavailable, error);
        if (!options.journalFile.isEmpty()) {
            auto file = std::make_unique<QFile>(options.journalFile);
            if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
                return fail(BoardFailure::Unavailable, cannotJournal);
            adapter = std::make_unique<SmbusJournal>(std::move(adapter), clock, std::move(file));
        }
        return std::make_unique<I2cBoard>(std::move(adapter), report);
    }

    auto board = std::make_unique<SimBoard>(clock, options.sim);
    // Nothing in the programs reads the journal back: it goes to its file, if any, and a program
    // left running for days does not hold the last hundred thousand requests in memory.
    board->setJournalCapacity(0);
    board->report = report;
    if (!options.journalFile.isEmpty() && !board->setJournalFile(options.journalFile))
        return fail(BoardFailure::Unavailable, cannotJournal);
    if (sim) *sim = board.get();
    if (kind == QLatin1String("sim")) return board;
    // The simulated board on a simulated bus, found by whatever --usb-serial and --usb-port ask.
    // It runs its firmware already, as after an earlier start, since no board image ships here.
    SimUsbOptions simUsb;
    simUsb.running = true;
    if (!options.usb.serial.isEmpty()) simUsb.serial = options.usb.serial;
    if (!options.usb.port.isEmpty()) simUsb.port = options.usb.port;
    auto bus = std::make_unique<SimUsbBus>(clock, std::move(board), simUsb, options.usb);
    return std::make_unique<UsbBoard>(std::move(bus), options.usb, report, options.verbose);
}
