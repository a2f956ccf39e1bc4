#include "cli/CliArgs.h"

#include "base/NumberText.h"
#include "registers/ConfigFile.h"
#include "registers/RegMapStuff.h"

#include <QMap>
#include <QProcess>
#include <QSet>

#include <algorithm>
#include <optional>
#include <utility>

namespace {

// The words after the command's name, split into positional arguments and options. An option
// takes its value from "--name=value" or from the next word.
struct Arguments {
    QStringList positional;
    QMap<QString, QString> values;
    QSet<QString> flags;
};

QString splitArguments(const QStringList& words, const QStringList& flagNames, const QStringList& valueNames,
                       const QString& command, Arguments& args) {
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (!word.startsWith(QLatin1String("--"))) {
            args.positional << word;
            continue;
        }
        const QString name = word.section(u'=', 0, 0);
        std::optional<QString> inlineValue;
        if (word.contains(u'=')) inlineValue = word.section(u'=', 1); // all after the first '='
        if (flagNames.contains(name) && !inlineValue) {
            args.flags.insert(name);
        } else if (valueNames.contains(name)) {
            if (inlineValue) {
                args.values[name] = *inlineValue;
            } else if (i + 1 < words.size()) {
                args.values[name] = words[++i];
            } else {
                return QStringLiteral("option %1 needs a value").arg(name);
            }
        } else {
            return QStringLiteral("'%1' does not know the option %2").arg(command, name);
        }
    }
    return {};
}

QString positionalCount(const Arguments& args, const QString& command, qsizetype least, qsizetype most) {
    const qsizetype n = args.positional.size();
    if (n < least) return QStringLiteral("'%1' needs more arguments").arg(command);
    if (n > most)
        return QStringLiteral("'%1' does not take the argument '%2'").arg(command, args.positional[most]);
    return {};
}

// An integer in [low, high], or an error naming what it is for.
QString integerIn(const QString& text, std::int64_t low, std::int64_t high, const QString& what,
                  std::int64_t& out) {
    const auto v = IntegerIn(text, low, high);
    if (!v)
        return QStringLiteral("%1 must be a whole number from %2 to %3, not '%4'")
            .arg(what)
            .arg(low)
            .arg(high)
            .arg(text);
    out = *v;
    return {};
}

QString parseChannels(const QString& text, LogSelectionArray& channels) {
    if (text.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) {
        for (std::size_t k = 0; k < LogChannelCount; ++k)
            channels[k] = true;
        return {};
    }
    bool any = false;
    for (const QString& part : text.split(u',')) {
        const QString name = part.trimmed();
        std::optional<std::size_t> found;
        for (std::size_t k = 0; k < LogChannelCount && !found; ++k) {
            const QString caption = LogChannelCaption(k); // "Temp1", "Tach1", "PWM1 Duty"
            if (name.compare(caption, Qt::CaseInsensitive) == 0 ||
                name.compare(caption.section(u' ', 0, 0), Qt::CaseInsensitive) == 0)
                found = k;
        }
        if (!found) return QStringLiteral("unknown channel '%1' (Temp1..4, Tach1..4, PWM1..4)").arg(name);
        channels[*found] = true;
        any = true;
    }
    if (!any) return QStringLiteral("--channels names no channel");
    return {};
}

QString eventsFile(const Arguments& args, Command& c) {
    if (!args.values.contains(QStringLiteral("--events"))) return {};
    c.eventsFile = args.values[QStringLiteral("--events")];
    return c.eventsFile.isEmpty() ? QStringLiteral("--events needs a file name") : QString();
}

QString reportFolder(const Arguments& args, Command& c) {
    if (!args.values.contains(QStringLiteral("--report"))) return {};
    c.reportFolder = args.values[QStringLiteral("--report")];
    return c.reportFolder.isEmpty() ? QStringLiteral("--report needs a folder") : QString();
}

// "2" or "1,3": PWM outputs, each once.
QString parseOutputs(const QString& text, QList<int>& outputs) {
    outputs.clear();
    for (const QString& part : text.split(u',')) {
        std::int64_t n = 0;
        if (QString e = integerIn(part.trimmed(), 1, 4, QStringLiteral("the output"), n); !e.isEmpty())
            return e;
        if (outputs.contains(static_cast<int>(n))) return QStringLiteral("output %1 is named twice").arg(n);
        outputs << static_cast<int>(n);
    }
    return {};
}

QString parseKind(const QString& name, bool inBatch, CommandKind& kind) {
    static const QMap<QString, CommandKind> kinds{
        {QStringLiteral("probe"), CommandKind::Probe},
        {QStringLiteral("read"), CommandKind::Read},
        {QStringLiteral("write"), CommandKind::Write},
        {QStringLiteral("dump"), CommandKind::Dump},
        {QStringLiteral("monitor"), CommandKind::Monitor},
        {QStringLiteral("heater"), CommandKind::Heater},
        {QStringLiteral("board"), CommandKind::Board},
        {QStringLiteral("batch"), CommandKind::Batch},
        {QStringLiteral("save"), CommandKind::Save},
        {QStringLiteral("recall"), CommandKind::Recall},
        {QStringLiteral("sleep"), CommandKind::Sleep},
        {QStringLiteral("watch"), CommandKind::Watch},
        {QStringLiteral("calibrate-fan"), CommandKind::CalibrateFan},
        {QStringLiteral("check-curve"), CommandKind::CheckCurve},
        {QStringLiteral("check-limits"), CommandKind::CheckLimits},
        {QStringLiteral("serve"), CommandKind::Serve}};

    const auto it = kinds.constFind(name);
    if (it == kinds.constEnd()) return QStringLiteral("unknown command '%1'").arg(name);
    if (*it == CommandKind::Batch && inBatch) return QStringLiteral("a batch cannot run another batch");
    if (*it == CommandKind::Sleep && !inBatch) return QStringLiteral("'sleep' is a batch command");
    if (*it == CommandKind::Serve && inBatch)
        return QStringLiteral("'serve' runs on its own, not in a batch");
    kind = *it;
    return {};
}

} // namespace

std::optional<int> ParseRegister(const QString& text, QString& error) {
    if (const auto number = ParseInteger(text)) {
        const auto index =
            std::in_range<int>(*number) ? FindRegisterByAddress(static_cast<int>(*number)) : std::nullopt;
        if (!index) error = QStringLiteral("no register at address %1").arg(text);
        return index;
    }
    const auto index = FindRegisterByName(text);
    if (!index) error = QStringLiteral("unknown register '%1' (names are case-sensitive)").arg(text);
    return index;
}

QStringList SplitBatchLine(const QString& line) {
    return QProcess::splitCommand(line);
}

QString ParseCommand(const QStringList& tokens, bool inBatch, Command& c) {
    if (tokens.isEmpty()) return QStringLiteral("no command given");
    const QString& name = tokens.front();
    c = Command{};
    if (QString e = parseKind(name, inBatch, c.kind); !e.isEmpty()) return e;
    const QStringList words = tokens.mid(1);

    Arguments a;
    QString e;
    std::int64_t n = 0;
    switch (c.kind) {
    case CommandKind::Probe:
    case CommandKind::Board:
        if (!(e = splitArguments(words, {}, {}, name, a)).isEmpty()) return e;
        return positionalCount(a, name, 0, 0);

    case CommandKind::Read:
        if (!(e = splitArguments(words, {}, {}, name, a)).isEmpty()) return e;
        if (a.positional.isEmpty()) return QStringLiteral("'read' needs at least one register");
        for (const QString& r : a.positional) {
            const auto index = ParseRegister(r, e);
            if (!index) return e;
            c.registers << *index;
        }
        return {};

    case CommandKind::Write: {
        if (!(e = splitArguments(words, {}, {QStringLiteral("--mask")}, name, a)).isEmpty()) return e;
        if (!(e = positionalCount(a, name, 2, 2)).isEmpty()) return e;
        const auto index = ParseRegister(a.positional[0], e);
        if (!index) return e;
        const RegisterEntry& entry = RegisterAt(*index);
        if (entry.ReadOnly)
            return QStringLiteral("register %1 (%2) is read-only")
                .arg(QStringLiteral("0x") + HexText(static_cast<std::uint32_t>(entry.Address)),
                     RegisterName(entry));
        c.registers << *index;
        if (!(e = integerIn(a.positional[1], -128, 255, QStringLiteral("the value"), n)).isEmpty()) return e;
        c.value = static_cast<int>(n);
        if (a.values.contains(QStringLiteral("--mask"))) {
            if (!(e = integerIn(a.values[QStringLiteral("--mask")], 1, 255, QStringLiteral("--mask"), n))
                     .isEmpty())
                return e;
            c.mask = static_cast<int>(n);
        }
        return {};
    }

    case CommandKind::Dump:
        if (!(e = splitArguments(words, {QStringLiteral("--json")}, {}, name, a)).isEmpty()) return e;
        c.json = a.flags.contains(QStringLiteral("--json"));
        return positionalCount(a, name, 0, 0);

    case CommandKind::Monitor: {
        const QStringList valued{QStringLiteral("--interval"), QStringLiteral("--count"),
                                 QStringLiteral("--csv"), QStringLiteral("--channels"),
                                 QStringLiteral("--events")};
        if (!(e = splitArguments(words, {QStringLiteral("--json")}, valued, name, a)).isEmpty()) return e;
        if (!(e = positionalCount(a, name, 0, 0)).isEmpty()) return e;
        if (!(e = eventsFile(a, c)).isEmpty()) return e;
        c.json = a.flags.contains(QStringLiteral("--json"));
        if (a.values.contains(QStringLiteral("--interval"))) {
            if (!(e = integerIn(a.values[QStringLiteral("--interval")], 10, 3600000,
                                QStringLiteral("--interval"), n))
                     .isEmpty())
                return e;
            c.intervalMs = static_cast<std::int32_t>(n);
        }
        if (a.values.contains(QStringLiteral("--count"))) {
            if (!(e = integerIn(a.values[QStringLiteral("--count")], 1, 1000000000, QStringLiteral("--count"),
                                n))
                     .isEmpty())
                return e;
            c.count = n;
        }
        c.csvFile = a.values.value(QStringLiteral("--csv"));
        if (a.values.contains(QStringLiteral("--csv")) && c.csvFile.isEmpty())
            return QStringLiteral("--csv needs a file name");
        return parseChannels(a.values.value(QStringLiteral("--channels"), QStringLiteral("all")), c.channels);
    }

    case CommandKind::Watch:
        if (!(e = splitArguments(words, {QStringLiteral("--until-alarm"), QStringLiteral("--json")},
                                 {QStringLiteral("--timeout"), QStringLiteral("--events")}, name, a))
                 .isEmpty())
            return e;
        if (!(e = positionalCount(a, name, 0, 0)).isEmpty()) return e;
        if (!(e = eventsFile(a, c)).isEmpty()) return e;
        c.json = a.flags.contains(QStringLiteral("--json"));
        c.untilAlarm = a.flags.contains(QStringLiteral("--until-alarm"));
        if (a.values.contains(QStringLiteral("--timeout"))) {
            if (!(e = integerIn(a.values[QStringLiteral("--timeout")], 1, 31536000,
                                QStringLiteral("--timeout"), n))
                     .isEmpty())
                return e;
            c.timeoutS = n;
        }
        return {};

    case CommandKind::Serve: {
        const QStringList valued{QStringLiteral("--listen"), QStringLiteral("--events"),
                                 QStringLiteral("--exit-after-link-loss")};
        if (!(e = splitArguments(words, {}, valued, name, a)).isEmpty()) return e;
        if (!(e = positionalCount(a, name, 0, 0)).isEmpty()) return e;
        if (!(e = eventsFile(a, c)).isEmpty()) return e;
        if (a.values.contains(QStringLiteral("--listen"))) {
            const auto listen = ParseListenAddress(a.values[QStringLiteral("--listen")], e);
            if (!listen) return e;
            c.listen = *listen;
        }
        if (a.values.contains(QStringLiteral("--exit-after-link-loss"))) {
            if (!(e = integerIn(a.values[QStringLiteral("--exit-after-link-loss")], 0, 86400,
                                QStringLiteral("--exit-after-link-loss"), n))
                     .isEmpty())
                return e;
            c.linkLossGraceS = n;
        }
        return {};
    }

    case CommandKind::Heater:
        if (!(e = splitArguments(words, {}, {}, name, a)).isEmpty()) return e;
        if (!(e = positionalCount(a, name, 2, 2)).isEmpty()) return e;
        if (!(e = integerIn(a.positional[0], 1, 2, QStringLiteral("the heater"), n)).isEmpty()) return e;
        c.heater = static_cast<int>(n);
        if (!(e = integerIn(a.positional[1], 0, 100, QStringLiteral("the heater level"), n)).isEmpty())
            return e;
        c.level = static_cast<int>(n);
        return {};

    case CommandKind::Batch:
        if (!(e = splitArguments(words, {}, {}, name, a)).isEmpty()) return e;
        if (!(e = positionalCount(a, name, 0, 1)).isEmpty()) return e;
        c.file = a.positional.value(0);
        return {};

    case CommandKind::Save:
        if (!(e = splitArguments(words, {QStringLiteral("--only-changed")}, {QStringLiteral("--comment")},
                                 name, a))
                 .isEmpty())
            return e;
        if (!(e = positionalCount(a, name, 1, 1)).isEmpty()) return e;
        c.file = a.positional[0];
        c.onlyChanged = a.flags.contains(QStringLiteral("--only-changed"));
        c.comment = a.values.value(QStringLiteral("--comment"));
        return ConfigCommentRefusal(c.comment);

    case CommandKind::Recall:
        if (!(e = splitArguments(words, {QStringLiteral("--dry-run")}, {}, name, a)).isEmpty()) return e;
        if (!(e = positionalCount(a, name, 1, 1)).isEmpty()) return e;
        c.file = a.positional[0];
        c.dryRun = a.flags.contains(QStringLiteral("--dry-run"));
        return {};

    case CommandKind::CalibrateFan:
        if (!(e = splitArguments(
                  words, {QStringLiteral("--json")},
                  {QStringLiteral("--step"), QStringLiteral("--nominal-rpm"), QStringLiteral("--report")},
                  name, a))
                 .isEmpty())
            return e;
        if (!(e = positionalCount(a, name, 1, 1)).isEmpty()) return e;
        if (!(e = parseOutputs(a.positional[0], c.outputs)).isEmpty()) return e;
        if (a.values.contains(QStringLiteral("--step"))) {
            if (!(e = integerIn(a.values[QStringLiteral("--step")], 1, 50, QStringLiteral("--step"), n))
                     .isEmpty())
                return e;
            c.stepPercent = static_cast<int>(n);
        }
        if (a.values.contains(QStringLiteral("--nominal-rpm"))) {
            if (!(e = integerIn(a.values[QStringLiteral("--nominal-rpm")], 100, 50000,
                                QStringLiteral("--nominal-rpm"), n))
                     .isEmpty())
                return e;
            c.nominalRpm = static_cast<int>(n);
        }
        c.json = a.flags.contains(QStringLiteral("--json"));
        return reportFolder(a, c);

    case CommandKind::CheckCurve: {
        if (!(e = splitArguments(
                  words, {QStringLiteral("--json")},
                  {QStringLiteral("--heater"), QStringLiteral("--tolerance"), QStringLiteral("--report")},
                  name, a))
                 .isEmpty())
            return e;
        if (!(e = positionalCount(a, name, 1, 1)).isEmpty()) return e;
        if (!(e = integerIn(a.positional[0], 1, 4, QStringLiteral("the output"), n)).isEmpty()) return e;
        c.outputs = {static_cast<int>(n)};
        if (!a.values.contains(QStringLiteral("--heater")))
            return QStringLiteral("'check-curve' needs --heater 1 or 2");
        if (!(e = integerIn(a.values[QStringLiteral("--heater")], 1, 2, QStringLiteral("--heater"), n))
                 .isEmpty())
            return e;
        c.heater = static_cast<int>(n);
        if (a.values.contains(QStringLiteral("--tolerance"))) {
            const QString t = a.values[QStringLiteral("--tolerance")];
            if (!IsNumeric(t) || LeadingNumberOrZero(t) <= 0 || LeadingNumberOrZero(t) > 100)
                return QStringLiteral("--tolerance must be a number of points above 0, up to 100, not '%1'")
                    .arg(t);
            c.tolerance = LeadingNumberOrZero(t);
        }
        c.json = a.flags.contains(QStringLiteral("--json"));
        return reportFolder(a, c);
    }

    case CommandKind::CheckLimits:
        if (!(e = splitArguments(words, {QStringLiteral("--json")}, {QStringLiteral("--report")}, name, a))
                 .isEmpty())
            return e;
        if (!(e = positionalCount(a, name, 0, 0)).isEmpty()) return e;
        c.json = a.flags.contains(QStringLiteral("--json"));
        return reportFolder(a, c);

    case CommandKind::Sleep:
        if (!(e = splitArguments(words, {}, {}, name, a)).isEmpty()) return e;
        if (!(e = positionalCount(a, name, 1, 1)).isEmpty()) return e;
        if (!(e = integerIn(a.positional[0], 0, 86400000, QStringLiteral("the sleep"), n)).isEmpty())
            return e;
        c.sleepMs = n;
        return {};
    }
    return {};
}
