#include "cli/CliCommands.h"

#include "alarms/AlarmMonitor.h"
#include "alarms/AlarmOutlets.h"
#include "alarms/EventFile.h"
#include "base/Clock.h"
#include "base/NumberText.h"
#include "board/BoardStatus.h"
#include "board/Startup.h"
#include "charts/ChartImage.h"
#include "fancontrol/AutoControl.h"
#include "metrics/BoardMetrics.h"
#include "metrics/MetricsServer.h"
#include "monitoring/Conversions.h"
#include "monitoring/GeneralStuff.h"
#include "monitoring/PollingCycle.h"
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"
#include "session/Session.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QLockFile>
#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace {

constexpr qint64 MaxFileBytes = 1 << 20;

QString hexByte(int value) {
    return QStringLiteral("0x") + HexText(static_cast<std::uint32_t>(value & 0xFF)).rightJustified(2, u'0');
}

bool isTemperatureReading(int address) {
    return (address >= 0x20 && address <= 0x29) || address == 0x78;
}
bool isTachByte(int address) {
    return address >= 0x2A && address <= 0x31;
}
bool isDutyReading(int address) {
    return address >= 0x32 && address <= 0x35;
}

struct Reading {
    std::int64_t value;
    QString unit;
};

// A reading register decoded. A tach byte needs the other byte of its pair (valueAt gives it, or
// nothing when it has not been read); both bytes of a pair decode to the fan's speed.
std::optional<Reading> decodeReading(int address, int value,
                                     const std::function<std::optional<int>(int)>& valueAt,
                                     std::int32_t tachClock) {
    if (isTemperatureReading(address)) return Reading{TemperatureFromByte(value), QStringLiteral("°C")};
    if (isDutyReading(address)) return Reading{DutyPercentFromByte(value), QStringLiteral("%")};
    if (isTachByte(address)) {
        const bool low = (address - 0x2A) % 2 == 0;
        const auto other = valueAt(low ? address + 1 : address - 1);
        if (!other) return std::nullopt;
        const int count = low ? TachCount(value, *other) : TachCount(*other, value);
        return Reading{TachToRpm(count, tachClock), QStringLiteral("RPM")};
    }
    return std::nullopt;
}

// The names of the set bits of a register made of one-bit flags ("TEST STRT"); empty for
// registers whose bits are numbered or form multi-bit fields.
QString setFlagNames(const RegisterEntry& entry, int value) {
    const QStringList names = SplitBitNames(entry);
    QStringList flags;
    QStringList seen;
    for (int k = 0; k < 8; ++k) {
        const QString& name = names[k];
        bool numeric = false;
        name.toInt(&numeric);
        if (name.isEmpty() || name == QLatin1String("-") || numeric) continue;
        if (seen.contains(name)) return {};
        seen << name;
        if (value & (0x80 >> k)) flags << name;
    }
    return flags.join(u' ');
}

// "0x40 0x03 Configuration 1: TEST STRT": address, value, name and what the value means.
QString registerLine(int index, int value, const std::optional<Reading>& reading) {
    const RegisterEntry& e = RegisterAt(index);
    QString line = hexByte(e.Address) + u' ' + hexByte(value) + u' ' + RegisterName(e);
    QString detail =
        reading ? QString::number(reading->value) + u' ' + reading->unit : setFlagNames(e, value);
    if (!detail.isEmpty()) line += QStringLiteral(": ") + detail;
    return line;
}

// A file hands what it buffered on to the system; a buffer in memory holds it already.
bool flushed(QIODevice& device) {
    auto* file = qobject_cast<QFileDevice*>(&device);
    return !file || file->flush();
}

} // namespace

QByteArray ReadSmallFile(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw CliFailure{ExitFailure, QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString())};
    // A byte more than the limit is enough to tell: also for a file whose size the system does not know.
    QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        throw CliFailure{
            ExitFailure,
            QStringLiteral("%1 is too large (more than %2 bytes)").arg(fileName).arg(MaxFileBytes)};
    if (file.error() != QFileDevice::NoError)
        throw CliFailure{ExitFailure, QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString())};
    return bytes;
}

CliRunner::CliRunner(CliEnvironment& env, BoardOptions board, int knownAddress, bool verbose)
    : env_(env), boardOptions_(std::move(board)), knownAddress_(knownAddress), verbose_(verbose),
      prompts_(env.err) {}

CliRunner::~CliRunner() = default;

Session& CliRunner::session() {
    if (session_) {
        if (session_->usb.linkClosed()) throw LinkEnded{CommunicationsInterrupted};
        return *session_;
    }
    USBFunctions* board = env_.board;
    if (!board) {
        QString error;
        boardOptions_.report = [this](const QString& text) { env_.err << "vortane-cli: " << text << '\n'; };
        if (verbose_) boardOptions_.verbose = boardOptions_.report;
        BoardFailure failure = BoardFailure::Unavailable;
        ownedBoard_ = CreateBoard(boardOptions_, env_.clock, nullptr, error, &failure);
        if (!ownedBoard_) throw CliFailure{failure == BoardFailure::Usage ? ExitUsage : ExitFailure, error};
        board = ownedBoard_.get();
    }
    session_ = std::make_unique<Session>(env_.clock, prompts_, *board, env_.programFolder);
    session_->firmwareFile = boardOptions_.firmwareFile;
    session_->usb.report = [this](const QString& text) { env_.err << "vortane-cli: " << text << '\n'; };
    session_->usb.onProgramEnd = [](int code) { throw LinkEnded{code}; };
    session_->events.wallClock = env_.now;
    SetDefaultValues(*session_);
    if (!eventsFile_.isEmpty()) {
        eventFile_ = std::make_unique<EventFile>(session_->events);
        QString reason;
        if (!eventFile_->open(eventsFile_, &reason))
            throw CliFailure{ExitFailure, QStringLiteral("cannot write to %1: %2").arg(eventsFile_, reason)};
        QObject::connect(eventFile_.get(), &EventFile::stopped,
                         [this](const QString& name, const QString& why) {
                             eventFileFailure_ = QStringLiteral("cannot write to %1: %2").arg(name, why);
                         });
    }

    ConsoleSplash splash(verbose_ ? &env_.err : nullptr);
    ConnectionOptions options;
    options.splashPauses = false;
    options.knownAddress = knownAddress_;
    options.cancelled = env_.interrupted;
    const auto status = [this](const QString& text) {
        if (verbose_) env_.err << text << '\n';
    };
    const bool connected = RunConnectionSequence(*session_, splash, status, options);
    // A Ctrl+C while connecting cancels the command before anything reaches the chip.
    if (env_.interrupted() && !session_->usb.linkClosed()) {
        session_->usb.closeLink();
        throw CliFailure{ExitInterrupted,
                         QStringLiteral("interrupted while connecting; nothing was written")};
    }
    if (!connected) throw LinkEnded{InitialConnectionFailed};
    return *session_;
}

AlarmMonitor& CliRunner::alarms() {
    if (!alarms_) alarms_ = std::make_unique<AlarmMonitor>(session());
    return *alarms_;
}

void CliRunner::checkEventFile() {
    if (!eventFileFailure_.isEmpty())
        throw CliFailure{ExitFailure, std::exchange(eventFileFailure_, QString())};
}

bool CliRunner::waitUntil(std::int64_t timeMs) {
    for (;;) {
        if (env_.interrupted()) return false;
        const std::int64_t left = timeMs - env_.clock.nowMs();
        if (left <= 0) return true;
        env_.clock.sleepMs(std::min<std::int64_t>(left, 100));
    }
}

void CliRunner::run(const Command& c) {
    switch (c.kind) {
    case CommandKind::Probe:
        return probe();
    case CommandKind::Read:
        return read(c);
    case CommandKind::Write:
        return write(c);
    case CommandKind::Dump:
        return dump(c);
    case CommandKind::Monitor:
        return monitor(c);
    case CommandKind::Heater:
        return heater(c);
    case CommandKind::Board:
        return board();
    case CommandKind::Save:
        return save(c);
    case CommandKind::Recall:
        return recall(c);
    case CommandKind::Watch:
        return watch(c);
    case CommandKind::CalibrateFan:
        return calibrateFan(c);
    case CommandKind::CheckCurve:
        return checkCurve(c);
    case CommandKind::CheckLimits:
        return checkLimits(c);
    case CommandKind::Serve:
        return serve(c);
    case CommandKind::Sleep:
        waitUntil(env_.clock.nowMs() + c.sleepMs);
        return;
    case CommandKind::Batch:
        throw CliFailure{ExitUsage, QStringLiteral("a batch cannot run another batch")};
    }
}

void CliRunner::probe() {
    Session& s = session();
    env_.out << "Board: " << s.usb.boardIdentity().text() << '\n'
             << FoundChipText(s.usb.DeviceAddress) << '\n';
    for (const int address : {0x3D, 0x3E, 0x3F}) { // "Device ID", "Company ID", "Revision"
        const int value = s.usb.ReadRegister(s.usb.DeviceAddress, address);
        env_.out << registerLine(*FindRegisterByAddress(address), value, std::nullopt) << '\n';
    }
}

void CliRunner::read(const Command& c) {
    Session& s = session();
    for (const int index : c.registers) {
        const int address = RegisterAt(index).Address;
        const int value = s.usb.ReadRegister(s.usb.DeviceAddress, address);
        const auto none = [](int) { return std::optional<int>(); };
        env_.out << registerLine(index, value, decodeReading(address, value, none, s.decl.TachClock)) << '\n';
    }
}

void CliRunner::write(const Command& c) {
    Session& s = session();
    const int index = c.registers.front();
    const int address = RegisterAt(index).Address;
    std::int32_t value = c.value;
    if (c.mask) {
        const int current = s.usb.ReadRegister(s.usb.DeviceAddress, address);
        value = (current & ~*c.mask) | (c.value & *c.mask);
    }
    s.usb.WriteRegister(s.usb.DeviceAddress, address, value);
    const int held = s.usb.ReadRegister(s.usb.DeviceAddress, address);
    const auto none = [](int) { return std::optional<int>(); };
    QString line = registerLine(index, held, decodeReading(address, held, none, s.decl.TachClock));
    // Some bits are the chip's own (a test bit that clears itself, a read-only status bit).
    if (held != (value & 0xFF)) line += QStringLiteral(" (wrote %1)").arg(hexByte(value));
    env_.out << line << '\n';
}

void CliRunner::dump(const Command& c) {
    Session& s = session();
    QList<int> values; // by register index
    std::map<int, int> byAddress;
    for (int i = 0; i < RegisterCount; ++i) {
        const int value = s.usb.ReadRegister(s.usb.DeviceAddress, RegisterAt(i).Address);
        values.append(value);
        byAddress[RegisterAt(i).Address] = value;
    }
    const auto valueAt = [&byAddress](int address) -> std::optional<int> {
        const auto it = byAddress.find(address);
        return it == byAddress.end() ? std::nullopt : std::optional<int>(it->second);
    };

    QJsonArray registers;
    for (int i = 0; i < RegisterCount; ++i) {
        const RegisterEntry& e = RegisterAt(i);
        const int value = values[i];
        const auto reading = decodeReading(e.Address, value, valueAt, s.decl.TachClock);
        if (c.json) {
            QJsonObject o{{QStringLiteral("address"), e.Address},
                          {QStringLiteral("name"), RegisterName(e)},
                          {QStringLiteral("value"), value},
                          {QStringLiteral("default"), e.Default},
                          {QStringLiteral("readOnly"), e.ReadOnly}};
            if (reading)
                o.insert(QStringLiteral("decoded"),
                         QJsonObject{{QStringLiteral("value"), qint64(reading->value)},
                                     {QStringLiteral("unit"), reading->unit}});
            registers.append(o);
        } else {
            QString line = registerLine(i, value, reading);
            if (value != e.Default) line += QStringLiteral("  (default %1)").arg(hexByte(e.Default));
            env_.out << line << '\n';
        }
    }
    if (c.json) {
        const QJsonObject root{{QStringLiteral("board"), s.usb.boardIdentity().text()},
                               {QStringLiteral("deviceAddress"), s.usb.DeviceAddress},
                               {QStringLiteral("registers"), registers}};
        env_.out << QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
    }
}

void CliRunner::monitor(const Command& c) {
    Session& s = session();
    const auto logTo = [&c](const QByteArray& bytes, AppendTo target) {
        if (QString reason; !c.csvFile.isEmpty() && !AppendToFile(c.csvFile, bytes, &reason, target))
            throw CliFailure{ExitFailure, QStringLiteral("cannot write to %1: %2").arg(c.csvFile, reason)};
    };
    logTo(LogStartBlock(c.channels), AppendTo::NewOrExistingFile);
    if (!c.json) {
        QString names = QStringLiteral("Time").rightJustified(8);
        QString units = QStringLiteral("(s)").rightJustified(8);
        for (int i = 1; i <= 10; ++i) {
            names += QStringLiteral("T%1").arg(i).rightJustified(6);
            units += QStringLiteral("(°C)").rightJustified(6);
        }
        names += QStringLiteral("Tmax").rightJustified(6);
        units += QStringLiteral("(°C)").rightJustified(6);
        for (int k = 1; k <= 4; ++k) {
            names += QStringLiteral("Fan%1").arg(k).rightJustified(9);
            units += QStringLiteral("(RPM)").rightJustified(9);
        }
        for (int k = 1; k <= 4; ++k) {
            names += QStringLiteral("PWM%1").arg(k).rightJustified(6);
            units += QStringLiteral("(%)").rightJustified(6);
        }
        env_.out << names << '\n' << units << '\n'; // out with the first sample, a few reads later
    }

    const std::int64_t start = env_.clock.nowMs();
    std::int64_t n = 0;
    // Events carry the time column of the sample they come with.
    s.events.logTime = [&n, &c] { return LogTimeText(static_cast<double>(n * c.intervalMs) / 1000.0); };
    const auto noLogTime = qScopeGuard([&s] { s.events.logTime = nullptr; });
    for (; c.count == 0 || n < c.count; ++n) {
        if (!waitUntil(start + n * c.intervalMs)) break;
        ReadMeasurements(s, TemperatureGroup);
        ReadMeasurements(s, FanSpeedGroup);
        ReadMeasurements(s, DutyCycleGroup);
        if (!c.eventsFile.isEmpty()) {
            alarms().poll();
            checkEventFile();
        }
        const Readings& r = s.readings;
        // The nominal time, as the data log writes it: late samples do not show in it.
        const double seconds = static_cast<double>(n * c.intervalMs) / 1000.0;
        if (c.json) {
            // A reading never read is null.
            const auto json = [](std::optional<std::int32_t> v) { return v ? QJsonValue(*v) : QJsonValue(); };
            QJsonArray temperatures;
            for (std::size_t i = 0; i < 10; ++i)
                temperatures.append(json(r.temperature(i)));
            QJsonArray speeds;
            QJsonArray duties;
            for (std::size_t k = 0; k < 4; ++k) {
                speeds.append(json(r.fanSpeed(k)));
                duties.append(json(r.dutyCycle(k)));
            }
            const QJsonObject o{{QStringLiteral("board"), s.usb.boardIdentity().text()},
                                {QStringLiteral("sample"), qint64(n)},
                                {QStringLiteral("time"), seconds},
                                {QStringLiteral("temperatures"), temperatures},
                                {QStringLiteral("maxTemperature"), json(r.temperature(10))},
                                {QStringLiteral("fanSpeeds"), speeds},
                                {QStringLiteral("dutyCycles"), duties}};
            env_.out << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) << '\n';
        } else {
            // A reading never read is "-".
            const auto cell = [](std::optional<std::int32_t> v, qsizetype width) {
                return (v ? QString::number(*v) : QStringLiteral("-")).rightJustified(width);
            };
            QString line = QString::number(seconds, 'f', 3).rightJustified(8);
            for (std::size_t i = 0; i < 11; ++i)
                line += cell(r.temperature(i), 6);
            for (std::size_t k = 0; k < 4; ++k)
                line += cell(r.fanSpeed(k), 9);
            for (std::size_t k = 0; k < 4; ++k)
                line += cell(r.dutyCycle(k), 6);
            env_.out << line << '\n';
        }
        env_.out.flush();
        logTo(LogLineBytes(LogLine(n, c.intervalMs, r, c.channels)), AppendTo::ExistingFile);
    }
}

void CliRunner::heater(const Command& c) {
    Session& s = session();
    std::int32_t level = c.level;
    s.usb.SetHeater(c.heater, level);
    s.usb.ReadHeaterLevels();
    // The board reports twice the level.
    const double reported = s.usb.TransferBuffer[static_cast<std::size_t>(c.heater - 1)] / 2.0;
    env_.out << QStringLiteral("Heater%1 PWM: %2").arg(c.heater).arg(SevenDigits(reported)) << '\n';
}

void CliRunner::board() {
    Session& s = session();
    // A failed request leaves another request's bytes in the buffer: nothing to decode.
    if (s.usb.ReadBoardInfo() != 0)
        throw CliFailure{
            ExitFailure,
            QStringLiteral("the board status request failed; revision and supplies are unknown")};
    const BoardStatus status = DecodeBoardStatus(s.usb.TransferBuffer);
    const QString revision =
        status.revision.isEmpty() ? QStringLiteral("unknown (%1)").arg(status.revisionCode) : status.revision;
    const auto yesNo = [](bool b) { return b ? QStringLiteral("Yes") : QStringLiteral("No"); };
    env_.out << "Board Revision: "
             << (status.bareChip ? QStringLiteral("none (a chip on an SMBus adapter)") : revision) << '\n'
             << "5V Present: " << SupplyText(status, status.supply5V) << '\n'
             << "12V Present: " << SupplyText(status, status.supply12V) << '\n'
             << "Device Address: " << AddressText(static_cast<std::uint32_t>(s.usb.DeviceAddress)) << '\n';
    const auto present = FansPresent(s.usb.ReadRegister(s.usb.DeviceAddress, 0x36)); // "Fans Not Present"
    for (std::size_t i = 0; i < 4; ++i)
        env_.out << "Fan" << i + 1 << " Present: " << yesNo(present[i]) << '\n';
}

void CliRunner::save(const Command& c) {
    const bool toOutput = c.file == QLatin1String("-");
    // Refused before the chip is read: a name that cannot take the file, or no output to write to.
    if (QString error; !toOutput && !IsReplaceableFile(c.file, error))
        throw CliFailure{ExitFailure, QStringLiteral("cannot write %1: %2").arg(c.file, error)};
    if (toOutput && !env_.output)
        throw CliFailure{ExitFailure, QStringLiteral("no standard output to write the file to")};
    Session& s = session();
    const QList<ConfigValue> values = ReadConfiguration(s.usb);
    if (s.usb.linkHeld()) throw LinkEnded{CommunicationsInterrupted};
    int lines = 0;
    for (const ConfigValue& v : values)
        if (!c.onlyChanged || v.value != RegisterAt(v.index).Default) ++lines;
    const QByteArray bytes = BuildConfigFile(values, c.onlyChanged, c.comment, env_.now());
    if (toOutput) {
        // The file's bytes as they are, after whatever the text stream holds; the report goes
        // beside them, on standard error.
        env_.out.flush();
        if (env_.output->write(bytes) != bytes.size() || !flushed(*env_.output))
            throw CliFailure{
                ExitFailure,
                QStringLiteral("cannot write to standard output: %1").arg(env_.output->errorString())};
        env_.err << QStringLiteral("Saved %1 registers to standard output").arg(lines) << '\n';
        return;
    }
    if (QString error; !WriteFileWhole(c.file, bytes, error))
        throw CliFailure{ExitFailure, QStringLiteral("cannot write %1: %2").arg(c.file, error)};
    env_.out << QStringLiteral("Saved %1 registers to %2").arg(lines).arg(c.file) << '\n';
}

void CliRunner::recall(const Command& c) {
    const ConfigParse parsed = ParseConfigFile(ReadSmallFile(c.file));
    if (!parsed.ok())
        throw CliFailure{ExitFailure, QStringLiteral("%1:%2: %3; nothing was written")
                                          .arg(c.file)
                                          .arg(parsed.errorLine)
                                          .arg(parsed.error)};
    if (c.dryRun) {
        for (const ConfigWrite& w : parsed.writes)
            env_.out << registerLine(*FindRegisterByAddress(w.address), w.value, std::nullopt) << '\n';
        env_.out
            << QStringLiteral("%1 registers would be written from %2").arg(parsed.writes.size()).arg(c.file)
            << '\n';
        return;
    }
    Session& s = session();
    WriteConfiguration(s.usb, parsed.writes);
    if (s.usb.linkHeld()) throw LinkEnded{CommunicationsInterrupted};
    s.events.record(EventKind::ConfigurationRecalled, c.file, QString::number(parsed.writes.size()), {},
                    QStringLiteral(" registers"));
    env_.out << QStringLiteral("Recalled %1 registers from %2").arg(parsed.writes.size()).arg(c.file) << '\n';
}

namespace {
// A value as JSON: a number when the text is a decimal whole number, null when there is none.
QJsonValue jsonValue(const QString& text) {
    bool whole = false;
    const qint64 number = text.toLongLong(&whole);
    if (whole) return number;
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QString eventJson(const Event& e) {
    const QJsonObject o{
        {QStringLiteral("time"), IsoTime(e.wallTime)},
        {QStringLiteral("logTime"), e.logTime.isEmpty() ? QJsonValue() : QJsonValue(e.logTime)},
        {QStringLiteral("event"), EventKindText(e.kind)},
        {QStringLiteral("channel"), e.channel},
        {QStringLiteral("value"), jsonValue(e.value)},
        {QStringLiteral("limit"), jsonValue(e.limit)},
        {QStringLiteral("unit"), e.unit.trimmed()}};
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}
} // namespace

void CliRunner::watch(const Command& c) {
    Session& s = session();
    AlarmMonitor& monitor = alarms();
    bool alarmSeen = false;
    const auto show = [&](const Event& e) {
        env_.out << (c.json ? eventJson(e) : EventText(e)) << '\n';
        env_.out.flush();
        alarmSeen = alarmSeen || e.kind == EventKind::AlarmRaised;
    };
    // Alarms raised before the watch and still active come first, as they were raised.
    for (const AlarmState& alarm : monitor.alarms())
        if (alarm.active) show(alarm.raised);
    const QMetaObject::Connection printing = QObject::connect(&s.events, &EventStream::recorded, show);
    const auto stopPrinting = qScopeGuard([&printing] { QObject::disconnect(printing); });
    const std::int64_t start = env_.clock.nowMs();
    const std::int64_t end = start + c.timeoutS * 1000;
    for (std::int64_t n = 0;; ++n) {
        if (c.untilAlarm && alarmSeen) throw AlarmSeen{};
        const std::int64_t at = start + n * 1000;
        if (c.timeoutS > 0 && at > end) {
            waitUntil(end);
            return;
        }
        if (!waitUntil(at)) return;
        // A failed block read is no link error, yet a watch must not sleep through a lost link:
        // one register read then tells (and ends the tool when it fails).
        if (!monitor.poll()) s.usb.ReadRegister(s.usb.DeviceAddress, InterruptStatusFirst);
        checkEventFile();
    }
}

RunControl CliRunner::benchControl() {
    RunControl control;
    control.cancelled = env_.interrupted;
    control.now = env_.now;
    if (verbose_) {
        // Each step of a run says its text once, as it begins.
        control.progress = [this](double, const QString& what) {
            env_.err << what << '\n';
            env_.err.flush();
        };
    }
    return control;
}

void CliRunner::finishBench(const Command& c, BenchReportData data) {
    Session& s = session();
    data.board = s.usb.boardIdentity().text();
    if (data.outcome == RunOutcome::Refused)
        throw CliFailure{
            ExitFailure,
            QStringLiteral("%1 refused: %2; nothing was changed").arg(data.run.toLower(), data.reason)};
    if (!c.reportFolder.isEmpty()) {
        const QString error = WriteBenchReport(c.reportFolder, data,
                                               [](const BenchChart& chart) { return RenderChartPng(chart); });
        if (!error.isEmpty()) throw CliFailure{ExitFailure, error};
        if (!c.json)
            env_.out << "Report: " << QDir(c.reportFolder).filePath(QStringLiteral("report.html")) << '\n';
    }
    if (c.json) {
        QJsonObject o = data.results;
        o.insert(QStringLiteral("board"), data.board);
        env_.out << QJsonDocument(o).toJson(QJsonDocument::Compact) << '\n';
    } else {
        env_.out << (data.restored ? "Chip restored.\n" : "The chip could not be restored.\n");
    }
    env_.out.flush();
    if (data.outcome == RunOutcome::Cancelled)
        throw CliFailure{ExitInterrupted,
                         QStringLiteral("interrupted; every register and heater the run changed "
                                        "has been put back")};
    if (data.outcome == RunOutcome::LinkError) throw LinkEnded{CommunicationsInterrupted};
}

void CliRunner::calibrateFan(const Command& c) {
    Session& s = session();
    FanCalibrationOptions options;
    options.outputs.assign(c.outputs.begin(), c.outputs.end());
    options.stepPercent = c.stepPercent;
    options.nominalRpm = c.nominalRpm;
    RunControl control = benchControl();
    const FanCalibrationReport report = RunFanCalibration(s, options, control);
    if (!c.json && report.outcome == RunOutcome::Finished) {
        env_.out << "Board: " << s.usb.boardIdentity().text() << '\n';
        for (const FanCalibrationResult& r : report.results) {
            env_.out << "Output " << r.output << ": ";
            if (r.fullRpm == 0)
                env_.out << "no rotation at 100 %";
            else if (!r.stopsAtZero)
                env_.out << "does not stop at 0 %";
            else
                env_.out << "start duty "
                         << (r.startDuty ? QString::number(*r.startDuty) : QStringLiteral("—"))
                         << " %, stop duty "
                         << (r.stopDuty ? QString::number(*r.stopDuty) : QStringLiteral("—")) << " %";
            env_.out << ", full speed " << r.fullRpm << " RPM (" << r.configuredPulses
                     << " pulses per revolution)\n";
            QStringList speeds;
            for (const auto& [duty, rpm] : r.speedAtDuty)
                speeds << QStringLiteral("%1 % %2").arg(duty).arg(rpm);
            if (!speeds.isEmpty()) env_.out << "  RPM at duty: " << speeds.join(QStringLiteral(", ")) << '\n';
            for (const QString& w : r.warnings)
                env_.out << "  warning: " << w << '\n';
        }
    }
    finishBench(c, FanCalibrationReportData(report));
}

void CliRunner::checkCurve(const Command& c) {
    Session& s = session();
    CurveCheckOptions options;
    options.output = c.outputs.value(0, 1);
    options.heater = c.heater;
    options.tolerance = c.tolerance;
    RunControl control = benchControl();
    const CurveCheckReport report = RunCurveCheck(s, options, control);
    const CurveCheckResult& r = report.result;
    if (!c.json && report.outcome == RunOutcome::Finished) {
        const auto opt = [](const std::optional<double>& v, int decimals) {
            return v ? QString::number(*v, 'f', decimals) : QStringLiteral("—");
        };
        env_.out << "Board: " << s.usb.boardIdentity().text() << '\n'
                 << "Output " << r.output << ", heater " << r.heater << ", zone " << ZoneName(r.zone) << ": "
                 << (r.passed ? "PASS" : "FAIL") << '\n'
                 << "  largest deviation " << QString::number(r.maxDeviation, 'f', 1) << " points (tolerance "
                 << QString::number(r.tolerance, 'f', 1) << ")\n"
                 << "  leaves PWMmin at " << opt(r.measuredLeaveTemperature, 1) << " °C (configured Tmin "
                 << r.tmin << " °C)\n"
                 << "  slope " << opt(r.measuredSlope, 2) << " % per °C (configured "
                 << QString::number(r.configuredSlope, 'f', 2) << ")\n";
        for (const CurvePointMeasured& p : r.points)
            env_.out << "  " << p.temperature << " °C: duty " << p.duty << " % (predicted "
                     << QString::number(p.predicted, 'f', 1) << ")\n";
        for (const QString& n : r.notes)
            env_.out << "  note: " << n << '\n';
    }
    finishBench(c, CurveCheckReportData(report));
    if (report.outcome == RunOutcome::Finished && !r.passed)
        throw CliFailure{
            ExitCheckFailed,
            QStringLiteral("the curve check failed: largest deviation %1 points, tolerance %2")
                .arg(QString::number(r.maxDeviation, 'f', 1), QString::number(r.tolerance, 'f', 1))};
}

void CliRunner::checkLimits(const Command& c) {
    Session& s = session();
    LimitTripOptions options;
    RunControl control = benchControl();
    const LimitTripReport report = RunLimitTrips(s, options, control);
    if (!c.json && report.outcome == RunOutcome::Finished) {
        env_.out << "Board: " << s.usb.boardIdentity().text() << '\n';
        if (report.rows.empty()) env_.out << "No channel has a limit set.\n";
        const auto opt = [](const auto& v) { return v ? QString::number(*v) : QStringLiteral("—"); };
        for (const LimitTripRow& row : report.rows) {
            env_.out << row.channel << ' ' << LimitKindText(row.kind) << " limit " << row.limit << ' '
                     << row.unit << ": set at " << opt(row.setAt) << ", cleared at " << opt(row.clearedAt)
                     << ", delay " << opt(row.setDelayMs) << " / " << opt(row.clearDelayMs) << " ms, "
                     << (row.maskHonoured
                             ? (*row.maskHonoured ? "masked, interrupt quiet" : "masked, INTERRUPT RAISED")
                             : "not masked")
                     << '\n';
            if (!row.note.isEmpty()) env_.out << "  note: " << row.note << '\n';
        }
    }
    finishBench(c, LimitTripReportData(report));
}

void CliRunner::serve(const Command& c) {
    Session& s = session();
    QString error;
    QString folder = env_.lockFolder;
    if (folder.isEmpty()) folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty()) folder = QDir::tempPath();
    const std::unique_ptr<QLockFile> lock = LockBoardForServing(s.usb.boardIdentity(), folder, error);
    if (!lock) throw CliFailure{ExitFailure, error};

    BoardMetrics metrics;
    const auto wallSeconds = [this] { return static_cast<double>(env_.now().toMSecsSinceEpoch()) / 1000.0; };
    const std::unique_ptr<MetricsServer> server = MetricsServer::listen(c.listen, metrics.registry(), error);
    if (!server) throw CliFailure{ExitFailure, error};
    ListenAddress where = c.listen;
    where.port = server->port();
    env_.err << "vortane-cli: serving http://" << where.text() << "/metrics for "
             << s.usb.boardIdentity().text() << " (Ctrl+C ends)\n";
    env_.err.flush();

    // The desktop program's polling cycle: the measurement groups in turn every read interval,
    // and the alarms once a second, which also write the event file when one is given.
    PollingCycle polling(s);
    s.options.ReadingEnabled = true;
    AlarmMonitor& monitor = alarms();
    polling.setRefresh(PollTask::Alarms, [&monitor] { monitor.poll(); });
    try {
        for (;;) {
            const std::int64_t now = env_.clock.nowMs();
            if (!waitUntil(polling.nextDueMs(now).value_or(now + 1000)))
                throw CliFailure{ExitInterrupted, QStringLiteral("interrupted; the endpoint is closed")};
            polling.Tick(env_.clock.nowMs());
            metrics.update(s, &monitor, wallSeconds());
            checkEventFile();
        }
    } catch (const LinkEnded&) {
        // Scrapes go on telling that the link is down until a service manager restarts the tool.
        metrics.update(s, &monitor, wallSeconds());
        metrics.linkLost();
        env_.err << "vortane-cli: the link to the board is lost; serving vortane_link_up 0 for "
                 << c.linkLossGraceS << " s, then ending\n";
        env_.err.flush();
        if (!waitUntil(env_.clock.nowMs() + c.linkLossGraceS * 1000))
            throw CliFailure{ExitInterrupted, QStringLiteral("interrupted; the endpoint is closed")};
        throw;
    }
}

int CliRunner::runBatch(const QString& name, const QString& script) {
    struct Line {
        int number;
        Command command;
    };
    QList<Line> lines;
    const QStringList texts = script.split(u'\n');
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QString text = texts[i].trimmed();
        if (text.isEmpty() || text.startsWith(u'#')) continue;
        Line line{static_cast<int>(i + 1), {}};
        const QString error = ParseCommand(SplitBatchLine(text), true, line.command);
        if (!error.isEmpty()) {
            env_.err << name << ':' << line.number << ": " << error << '\n';
            return ExitUsage;
        }
        lines.append(line);
    }
    for (const Line& line : lines) {
        const QString& file = line.command.eventsFile;
        if (file.isEmpty() || file == eventsFile_) continue;
        if (!eventsFile_.isEmpty()) {
            env_.err << name << ':' << line.number << ": a run writes one event file, and " << eventsFile_
                     << " comes first\n";
            return ExitUsage;
        }
        eventsFile_ = file; // opened with the connection, so the events of every line reach it
    }
    for (const Line& line : lines) {
        if (env_.interrupted()) {
            env_.err << name << ':' << line.number << ": interrupted; the batch stopped before this line\n";
            return ExitInterrupted;
        }
        try {
            run(line.command);
        } catch (const CliFailure& f) {
            env_.err << name << ':' << line.number << ": " << f.message << '\n';
            return f.status;
        } catch (const LinkEnded&) {
            env_.err << name << ':' << line.number << ": the batch stopped here\n";
            return ExitFailure;
        } catch (const AlarmSeen&) {
            return ExitAlarm;
        }
        env_.out.flush();
    }
    return ExitOk;
}
