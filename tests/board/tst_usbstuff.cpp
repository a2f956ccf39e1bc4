// The simulated board: its chip (time moved by hand: exact figures), the transport over it, connecting.
#include "board/FirmwareSearch.h"
#include "board/Startup.h"
#include "board/USBStuff.h"
#include "board/sim/SimChip.h"
#include "monitoring/Conversions.h"
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

using Outcome = std::tuple<SimOptions, int, int, int, QString, QString>;

// No noise: sensor n reads ambient plus offset n (+0, +0.3, +1.2, +2.1, +3.3, -0.8, +1.9, +4.2, +0.6, +5.1)
ChipScenario quiet(double ambientC = 25.0, std::array<bool, 4> fanPresent = ChipScenario{}.fanPresent) {
    return {.ambientC = ambientC, .fanPresent = fanPresent, .noise = 0};
}

const auto temperature = [](const SimChip& c, int n) { return TemperatureFromByte(c.read(0x1F + n)); };
int tach(const SimChip& c, int fan) {
    return TachCount(c.read(0x28 + 2 * fan), c.read(0x29 + 2 * fan));
}
const auto duty = [](const SimChip& c, int output) { return c.read(0x31 + output); };
const auto duties = [](const SimChip& c) { return QList{duty(c, 1), duty(c, 2), duty(c, 3), duty(c, 4)}; };

// Output 1..4 under automatic control of `zone`, with its curve's Tmin, PWMmin and PWMmax.
void makeAutomatic(SimChip& c, int output, int zone, int tmin, int pwmMin, int pwmMax) {
    const int n = output - 1;
    const int config = 0x68 + n / 2;
    c.write(config, c.read(config) | (n % 2 == 0 ? 0x80 : 0x40));
    const int zones = 0x7C + n / 2;
    c.write(zones, n % 2 == 0 ? (c.read(zones) & 0x0F) | zone << 4 : (c.read(zones) & 0xF0) | zone);
    writeAll(c, {{0x6E + n, tmin}, {0x6A + n, pwmMin}, {0x38 + n, pwmMax}});
}
} // namespace

class TestUSBStuff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writeCarriesTheValueInBits8To15() {
        using W = std::tuple<int, int, int, int>; // written, the variable after, index sent, byte held
        constexpr int Min = std::numeric_limits<int>::min();
        for (auto [value, sent, index, chipByte] :
             {W{300, 255, 65348, 0xFF}, W{-10, -10, -2492, 0xF6}, W{-128, -128, -32700, 0x80},
              W{-300, -300, -76732, 0xD4}, W{Min, Min, 0x44, 0}}) {
            ConnectedSim t;
            std::int32_t v = value;
            const int status = t.usb().WriteRegister(0x2E, 0x44, v);
            QCOMPARE(std::tuple(status, v, t.requestTexts(), t.chip().read(0x44)),
                     std::tuple(0, sent, QStringList{QStringLiteral("222 46 %1 0 0").arg(index)}, chipByte));
        }
    }

    // The flag registers are read back right after their write; others are not.
    void controlRegisterWritesRefreshTheFlags() {
        using F = std::tuple<int, int, const char*>; // register, value, ManualControl(1..4) GpioEnabled(1..4)
        for (auto [reg, value, expected] :
             {F{0x68, 0x80, "01110000"}, F{0x68, 0x3F, "11110000"}, F{0x69, 0x40, "11100000"},
              F{0x7F, 0x0A, "11111010"}, F{0x40, 0xFF, "11110000"}}) {
            ConnectedSim t;
            for (int n = 1; n <= 4; ++n)
                t.usb().ManualControl(n) = true;
            t.usb().WriteRegister(0x2E, reg, value);
            QString flags;
            for (int n = 1; n <= 8; ++n)
                flags += QString::number(n <= 4 ? t.usb().ManualControl(n) : t.usb().GpioEnabled(n - 4));
            QCOMPARE(flags, QLatin1String(expected));
            QCOMPARE(t.requestTexts(), (reg == 0x40 ? QStringList{writeText(reg, value)}
                                                    : QStringList{writeText(reg, value), readText(reg)}));
        }
    }

    // A failed block read returns its status, the buffer untouched; a window's load ends the program.
    void failedBlockReadIsReported() {
        ConnectedSim t({.failBlockReads = true, .chip = {}});
        t.usb().TransferBuffer.fill(0xA5);
        QVERIFY(t.usb().ReadBlock(0x20, 10) != 0);
        QCOMPARE(t.usb().failureReason(), QString(FailRequest).replace("request)", "block-reads)"));
        QCOMPARE(std::count(t.usb().TransferBuffer.begin(), t.usb().TransferBuffer.end(), 0xA5), 65);
        QVERIFY(!t.usb().ReadBlockOrFail(0x38, 4));
        QCOMPARE(std::pair(t.programEnds, t.requests().size()), std::pair(QList<int>{3}, qsizetype(2)));
    }

    // A block read marks each register covered: alarms judge an inverted output by the PWM config last read.
    void blockReadIsKnownPerRegister() {
        ConnectedSim t;
        writeAll(t.chip(), {{0x68, 0x21}, {0x69, 0x12}});
        t.usb().TransferBuffer.fill(0xA5);
        QCOMPARE(t.usb().ReadBlock(0x68, 2), std::int16_t(0));
        QCOMPARE(QList(t.usb().TransferBuffer.begin(), t.usb().TransferBuffer.begin() + 3),
                 (QList<std::uint8_t>{0x21, 0x12, 0xA5})); // nothing past the length asked for
        // And the ends of the address range, read one at a time.
        const int first = t.usb().ReadRegister(t.usb().DeviceAddress, 0x00);
        const int last = t.usb().ReadRegister(t.usb().DeviceAddress, 0xFF);
        QCOMPARE((QList<std::optional<int>>{t.usb().knownValue(0x68), t.usb().knownValue(0x69),
                                            t.usb().knownValue(0x00), t.usb().knownValue(0xFF)}),
                 (QList<std::optional<int>>{0x21, 0x12, first, last}));
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

    // A failed write ends the program with its message; not even the flag's read-back follows it to the chip.
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

    // On No the status goes back and the board is read on (4Bh: Company ID). A timer's link error under the
    // question ends the program even on No; another heater failure leaves it to the question up. One message.
    void heaterErrorAsksWhetherToEnd() {
        const QString text = "Error in Heater Module -  Do you wish to close the application?";
        using H = std::tuple<bool, int, QList<int>>; // No, inner error (0: none), the program's ends
        for (const auto& [no, inner, ends] :
             {H{true, 0, {}}, H{false, 0, {HeaterModuleError}},
              H{true, CommunicationsInterrupted, {HeaterModuleError}}, H{true, HeaterModuleError, {}}}) {
            ConnectedSim t({.failRequestNumber = 2, .chip = {}});
            t.prompts.answers = {no ? MessageAnswer::No : MessageAnswer::Yes};
            if (inner != 0) t.prompts.whileShown = [&] { t.usb().ShowLinkError(inner); };
            QVERIFY(t.usb().SetHeater(1, 50) != 0);
            QCOMPARE((std::tuple{ends.isEmpty() ? t.usb().ReadRegister(0x2E, 0x3E) : 0, t.programEnds,
                                 t.prompts.messages}),
                     std::tuple(ends.isEmpty() ? 0x4B : 0, ends,
                                QList<ScriptedPrompts::Shown>{
                                    {text, MessageIcon::None, MessageButtons::YesNo, FailRequest}}));
        }
    }

    void codesWithoutACallerHaveTheirMessagesAndOthersNone() {
        QCOMPARE(LinkErrorMessage(1), QStringLiteral("SMBus enable error  - Check USB connections"));
        SimSession t;
        t.usb().ShowLinkError(7);
        QCOMPARE(std::pair(t.prompts.messages.size(), t.programEnds), std::pair(qsizetype(0), QList<int>{7}));
    }

    void chipRequestsFailBeforeTheBridgeIsEnabled() {
        SimSession t;
        // The path buffer holds 512 bytes and the zero: a longer path is refused, a shorter one sent alone.
        const QString longest = u'/' + QString(511, u'a');
        QCOMPARE(t.usb().DownloadFirmware({}, longest + u'a'), std::int16_t(-1));
        QCOMPARE(t.usb().DownloadFirmware({}, longest), std::int16_t(0));
        QCOMPARE(t.board->journal().back().firmwarePath, longest);
        t.usb().DownloadFirmware(QStringLiteral("/opt/vortane"));
        QCOMPARE(t.board->journal().back().firmwarePath, QStringLiteral("/opt/vortane/HELDRIXFW.Hex"));
        t.usb().DeviceAddress = 0x2E;
        t.usb().ReadRegister(0x2E, 0x40);
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
    }

    // Chips at 2Eh and 2Dh, 2Dh first: flag caches read, the free-wheel test started, defaults applied.
    // Enumerating: 34 steps of just over 50 ms; the splash shows 1 s before the search, 2 s after "Found".
    void startFindsTheFirstChipAndTalksInOrder() {
        Start s({.chipAddresses = {0x2E, 0x2D}, .chip = {}});
        QVERIFY(s.run());
        InitDefaults(*s.t.session);
        QCOMPARE(s.t.board->journal().front().firmwarePath, QStringLiteral("/opt/vortane/HELDRIXFW.Hex"));
        QCOMPARE(s.t.requestTexts(),
                 (QStringList{"221 48 51 0 0", "222 44 62 1 1", "222 45 62 1 1", "222 45 104 1 1",
                              "222 45 105 1 1", "222 45 127 1 1", "222 45 64 1 1", "222 45 832 0 0"}));
        QCOMPARE(s.splash.texts + s.splash.boards, // the board named before the download, after, once found
                 (QStringList{"Downloading Firmware...", "Enumerating...", "Connecting...",
                              "Searching for VORTANE on USB...", "Found an VORTANE at 2Dh", "Simulated board",
                              "Simulated board", "Simulated board"}));
        // The bar a third full once the firmware is in, then half steps while enumerating; 8 % a probe.
        QCOMPARE(std::pair(s.splash.visible, s.splash.widths.first(2) + s.splash.widths.last(4)),
                 std::pair(true, QList<float>{33 * 60, 33.5 * 60, 76 * 60, 84 * 60, 92 * 60, 100 * 60}));
        const auto enumerating = s.splash.textTimes[2] - s.splash.textTimes[1];
        QVERIFY2(enumerating >= 34 * 50 && enumerating <= 34 * 52, qPrintable(QString::number(enumerating)));
        const std::int64_t firstProbe = s.t.board->journal()[2].timeMs - s.splash.textTimes[3];
        QVERIFY(firstProbe > 1000 && firstProbe <= 1002);
        QVERIFY(s.t.board->journal()[4].timeMs - s.splash.textTimes[4] > 2000); // InitDefaults' first read
        const Declarations& d = s.t.session->decl;
        QCOMPARE((QList<int>{d.TachClock, d.UpdateOnChange, d.AutoControlTable[0].ShowConPoint,
                             d.AutoControlTable[1].ShowConPoint, d.AutoControlTable[2].ShowConPoint,
                             d.AutoControlTable[3].ShowConPoint, d.LogSelection[5], d.LogSelection[6]}),
                 (QList<int>{90000, true, true, true, false, false, true, false}));
    }

    // Up to 20 SMBus enables 200 ms apart, splash repainting. Row: enables, requests, link error (-1: none).
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
             {"probe read", {{.failRequestNumber = 2, .chip = {}}, 1, 2, 3, interrupted, FailRequest}}});
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

    // Beside the program, then installed and XDG data folders (a folder of that name is none); or --firmware.
    void firmwareImageIsLookedFor() {
        QTemporaryDir program, data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        qputenv("XDG_DATA_DIRS", "/usr/share");
        QCOMPARE(FirmwareFolders(program.path()),
                 (QStringList{program.path(), "/usr/lib/vortane", "/usr/local/lib/vortane",
                              data.filePath("vortane"), "/usr/share/vortane"}));
        QCOMPARE(FirmwareFolders("/usr/lib/vortane").count("/usr/lib/vortane"), 1); // installed: once
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

    void boardHeaterWarmsTemperatureOneWithALagAndTripsItsLimit() {
        // The board hands its scenario to the chip, and runs chip time ten times faster than the clock.
        ChipScenario chip = quiet(-10, {false, true, true, true});
        chip.fanMaxRpm = {1000, 2000, 2700, 5400};
        ConnectedSim t({.timeScale = 10, .chip = chip});
        auto read = [&t](int reg) { return t.usb().ReadRegister(0x2E, reg); };
        auto reading = [&read](int reg) { return TemperatureFromByte(read(reg)); };
        // -10 as a signed byte; the highest (sensor 10), though below zero; no fan 1; fan 4 at 5400 RPM.
        QCOMPARE((QList<int>{read(0x20), read(0x78), TachCount(read(0x2A), read(0x2B)),
                             TachCount(read(0x30), read(0x31))}),
                 (QList<int>{0xF6, 0xFB, 0xFFFF, 1000}));

        std::int32_t highLimit = 10, level = 100;
        t.usb().WriteRegister(0x2E, 0x45, highLimit);
        t.usb().SetHeater(1, level);
        t.clock.advance(300); // 3 s of chip time
        const int early = reading(0x20);
        t.clock.advance(18000);
        const int settled = reading(0x20); // 10 above the early reading at least: a lag, not a step
        QVERIFY2(early >= -8 && settled >= 10 && settled <= 35 && early <= settled - 10,
                 qPrintable(QStringLiteral("%1 then %2").arg(early).arg(settled)));
        t.clock.advance(6000);
        QVERIFY(std::abs(reading(0x20) - settled) <= 1);
        // Sensor 2 is not near the heater; R1T alone (OOL is for status 2).
        QCOMPARE(std::pair(reading(0x21), read(0x41)), std::pair(-10, 0x01));
    }

    // The register, its value stopped and running, and whether all readings stop (STRT clear, SHDN, T1DIS).
    void monitoringOffPowerDownAndTachDisableFreezeReadings() {
        for (auto [reg, stopped, running, all] :
             {std::tuple{0x40, 0x00, 0x01, true}, {0x74, 0x80, 0x00, true}, {0x74, 0x01, 0x00, false}}) {
            SimChip c(quiet());
            c.advanceTo(0);
            // Fan 1's minimum speed at count 0, which any count fails; fans 1 and 2 at half speed.
            writeAll(c, {{reg, stopped}, {0x58, 0x00}, {0x59, 0x00}, {0x32, 0x80}, {0x33, 0x80}});
            c.setHeaterLevel(1, 100);
            c.advanceTo(60000);
            QCOMPARE(tach(c, 1), 1125); // 5,400,000 / 4800
            QCOMPARE(temperature(c, 1) == 25, all);
            QCOMPARE(tach(c, 2) > 1500, !all);      // half duty (count 1692), or frozen at full speed (1286)
            if (!all) QCOMPARE(c.read(0x42), 0x00); // a disabled tach raises no alarm
            c.write(reg, running);
            c.advanceTo(61000); // fan 1 at half duty: 3560 RPM (count 1517), well above half speed
            QVERIFY(temperature(c, 1) > 40 && std::abs(tach(c, 1) - 1517) <= 3);
        }
    }

    void sameInputsGiveTheSameBytesHoweverTimeIsCut() {
        SimChip stepped, jumped; // with noise
        for (SimChip* c : {&stepped, &jumped}) {
            c->write(0x68, 0x80);
            c->setHeaterLevel(1, 70);
        }
        for (std::int64_t t = 0; t <= 95000; t += 10)
            stepped.advanceTo(t);
        jumped.advanceTo(0);
        jumped.advanceTo(95000);
        for (int reg = 0x20; reg <= 0x81; ++reg)
            QCOMPARE(stepped.read(reg), jumped.read(reg));
    }

    // Duty byte, settled speed (0: stops). Fan 1 turns down to 18 % at 30 % speed, curved: 3560 RPM at half.
    void tachFollowsManualDuty() {
        for (auto [dutyByte, rpm] : {std::pair{128, 3560}, {45, 1440}, {44, 0}}) {
            SimChip c(quiet());
            c.advanceTo(0);
            c.write(0x32, dutyByte);
            c.advanceTo(100);
            QVERIFY(TachToRpm(tach(c, 1)) > rpm + 300); // still coasting down
            c.advanceTo(2500);
            const int count = tach(c, 1);
            QVERIFY(rpm == 0 ? count == 0xFFFF : std::abs(TachToRpm(count) - rpm) <= rpm / 100);
            QCOMPARE(tach(c, 2), 1286); // the others run on at full speed
        }
    }

    // Pulses the fans really give, the code configured for fan 1, its count at full speed.
    void tachCountScalesWithConfiguredPulses() {
        for (auto [pulses, code, count] : {std::tuple{2, 0, 563}, {2, 3, 2250}, {1, 1, 2250}, {4, 3, 1125}}) {
            SimChip c({.fanPulsesPerRev = {pulses, pulses, pulses, pulses}, .noise = 0});
            c.write(0x43, 0x54 | code); // the others at two pulses
            c.advanceTo(0);
            QCOMPARE(tach(c, 1), count);
        }
    }

    void anAutomaticOutputFollowsItsCurve() {
        SimChip c(quiet());
        makeAutomatic(c, 1, 1, 30, 64, 192);
        c.write(0x32, 0x11); // by hand only
        // On from Tmin at PWMmin, 8.5425 per degree up to PWMmax; once on, off only below Tmin - 4.
        const QList<QPair<double, int>> path{{25, 0},   {29, 0},  {30, 64}, {31, 73}, {40, 149}, {45, 192},
                                             {80, 192}, {26, 64}, {25, 0},  {29, 0},  {30, 64}};
        std::int64_t t = 0;
        for (const auto& [ambient, expected] : path) {
            c.setScenario(quiet(ambient));
            c.advanceTo(t += 1000);
            QCOMPARE(duty(c, 1), expected);
        }
        QCOMPARE(duty(c, 2), 0xFF); // still by hand
        c.advanceTo(t += 3000);
        // Not stopped in 2 s off, so 25 % (between stop and start duty) lifts it: 1996 RPM, not 4800 x 25 %.
        QVERIFY(std::abs(TachToRpm(tach(c, 1)) - 1996) <= 20);
    }

    // Output, ramp code (bit 3 enables it; without, the duty jumps), the time of a change over full scale.
    void smoothingRespectsTheRampRate() {
        const std::tuple<int, int, int> rows[]{{1, 8, 35000}, {1, 15, 800},  {2, 11, 7000},
                                               {3, 14, 1600}, {4, 12, 4400}, {2, 1, 0}};
        for (auto [output, code, fullScaleMs] : rows) {
            SimChip c(quiet());
            c.advanceTo(0);
            c.write(0x75 + (output - 1) / 2, output % 2 == 1 ? code << 4 : code);
            makeAutomatic(c, output, 1, 30, 255, 255);
            QCOMPARE(duty(c, output), fullScaleMs ? 255 : 0);
            std::int64_t start = 0;
            for (const double ambient : {25.0, 40.0}) { // off, so down to 0; then back up to 255
                c.setScenario(quiet(ambient));
                c.advanceTo(start + fullScaleMs / 2);
                QVERIFY(!fullScaleMs || std::abs(duty(c, output) - 128) <= 2);
                c.advanceTo(start += fullScaleMs + SimChip::StepMs);
                QCOMPARE(duty(c, output), ambient < 30 ? 0 : 255);
            }
        }
    }

    void fullSpeedOverTemperatureAndInversion() {
        SimChip c(quiet());
        c.advanceTo(0);
        writeAll(c, {{0x32, 0x40}, {0x33, 0x40}, {0x34, 0x40}, {0x35, 0x40}});
        c.write(0x40, 0x05); // FSPD: every output at full speed
        QCOMPARE(duties(c), (QList<int>{0xFF, 0xFF, 0xFF, 0xFF}));
        // OTV4: only output 4 at full speed, Temperature 1 (25) over its limit; FL4 idle while fan 4 turns.
        writeAll(c, {{0x40, 0x01}, {0x69, 0x05}, {0x45, 24}});
        QCOMPARE(duties(c) << c.read(0x42), (QList<int>{0x40, 0x40, 0x40, 0xFF, 0x08})); // 0x42: NRM
        // Cooler again, fan 4 failing (its minimum at count 0) with its fan-fail bit: every output at full.
        writeAll(c, {{0x45, 0x7F}, {0x69, 0x01}, {0x5E, 0x00}, {0x5F, 0x00}});
        c.advanceTo(1000);
        QCOMPARE(duties(c) << c.read(0x42), (QList<int>{0xFF, 0xFF, 0xFF, 0xFF, 0x88}));     // Fan4, NRM
        writeAll(c, {{0x68, 0x02}, {0x58, 0x00}, {0x59, 0x00}, {0x5E, 0xFF}, {0x5F, 0xFF}}); // fan 1 and FL1
        c.advanceTo(2000);
        QCOMPARE(duties(c) << c.read(0x42), (QList<int>{0xFF, 0xFF, 0xFF, 0xFF, 0x18})); // Fan1, NRM
        c.write(0x69, 0x00);
        c.write(0x68, 0x20); // INV1: 25 % written, the fan sees 75 %
        c.advanceTo(3000);
        QVERIFY(std::abs(TachToRpm(tach(c, 1)) - 4485) <= 45);
    }

    void temperatureAboveItsHighLimitSetsItsStatusBit() {
        SimChip c(quiet(-20));
        writeAll(c, {{0x72, 0xFF}, {0x73, 0xFF}, {0x50, 0x80}}); // masks hide nothing; sensor 7 low at -128
        c.advanceTo(0);
        // Sensor 7 is the last in status 1, sensor 8 the first in status 2; at the limit is fine.
        std::int64_t t = 0;
        for (auto [below7, below8, status1, status2] :
             {std::tuple{0, 0, 0, 0}, {1, 0, 0x40, 0}, {0, 1, 0x80, 0x01}, {0, 0, 0, 0}}) {
            for (auto [sensor, below] : {std::pair{7, below7}, {8, below8}}) // its high limit that far below
                c.write(0x45 + 2 * (sensor - 1), TemperatureToByte(temperature(c, sensor) - below));
            c.advanceTo(t += 100);
            QCOMPARE(std::pair(c.read(0x41), c.read(0x42)), std::pair(status1, status2)); // R7T, OOL; R8T
        }
    }

    void freeWheelTestFindsTheAbsentFans() {
        SimChip c(quiet(25, {true, false, true, false}));
        c.advanceTo(0);
        writeAll(c, {{0x32, 0}, {0x33, 0}, {0x34, 0}, {0x35, 0}}); // stopped fans are still there
        c.advanceTo(3000);
        QCOMPARE(c.read(0x36), 0x00);
        c.write(0x40, 0x03); // TEST
        c.advanceTo(4000);
        c.write(0x40, 0x03); // set again, the test runs on to its end; the bit stays the chip's till then
        QCOMPARE(duties(c) << c.read(0x40) << (tach(c, 1) < 2000) << tach(c, 2),
                 (QList<int>{0xFF, 0xFF, 0xFF, 0xFF, 0x03, true, 0xFFFF})); // absent fan 2: no count
        c.advanceTo(4980), c.write(0x40, 0x01);
        QCOMPARE(c.read(0x40), 0x03);
        c.advanceTo(5000);
        QCOMPARE((QList<int>{c.read(0x40), c.read(0x36), duty(c, 1)}), (QList<int>{0x01, 0x0A, 0x00}));
        c.setScenario({.fanPresent = {true, false, true, false}, .noise = 0, .freeWheelTestMs = 0});
        c.write(0x40, 0x03); // a test of no length ends at the next step
        c.advanceTo(5020);
        QCOMPARE(c.read(0x40), 0x01);
    }

    // GPIO 1, 2 inputs and 3, 4 outputs (set), active high then low; the outside drives 1, 2 high, 3, 4 low.
    void gpioPinsReadWhatDrivesThem() {
        ChipScenario s{.gpioInputHigh = {true, true, false, false}, .noise = 0};
        SimChip c(s);
        writeAll(c, {{0x7F, 0x0F}, {0x80, 0x4E}, {0x81, 0xCF}}); // writes to inputs and bits 3..0 are lost
        QCOMPARE(c.read(0x81), 0xD0);
        QCOMPARE((std::array{c.gpioPinHigh(1), c.gpioPinHigh(2), c.gpioPinHigh(3), c.gpioPinHigh(4)}),
                 (std::array{true, true, true, false}));
        s.gpioInputHigh[1] = false;
        c.setScenario(s);
        c.advanceTo(60000);
        const int before = c.read(0x81);
        c.write(0x7F, 0x07); // GPIO 1 no longer a GPIO reads 0
        QCOMPARE(std::pair(before, c.read(0x81)), std::pair(0xF0, 0xE0));

        // Pin5 taken as GPIO 2 no longer carries PWM2: fan 2 runs down, though the PWM runs on.
        SimChip pin5(quiet());
        pin5.write(0x7F, 0x04);
        pin5.advanceTo(60000);
        QCOMPARE((QList<int>{tach(pin5, 1) < 0xFFFF, tach(pin5, 2), duty(pin5, 2)}),
                 (QList<int>{1, 0xFFFF, 0xFF}));
    }
};

QTEST_GUILESS_MAIN(TestUSBStuff)
#include "tst_usbstuff.moc"
