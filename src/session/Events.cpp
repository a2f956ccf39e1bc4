#include "session/Events.h"

#include "base/Clock.h"
#include "base/NumberText.h"
#include "chip/RegisterTable.h"

QString EventKindText(EventKind kind) {
    switch (kind) {
    case EventKind::AlarmRaised:
        return QStringLiteral("alarm raised");
    case EventKind::AlarmCleared:
        return QStringLiteral("alarm cleared");
    case EventKind::RegisterWritten:
        return QStringLiteral("register written");
    case EventKind::ConfigurationRecalled:
        return QStringLiteral("configuration recalled");
    case EventKind::LoggingStarted:
        return QStringLiteral("logging started");
    case EventKind::LoggingStopped:
        return QStringLiteral("logging stopped");
    case EventKind::LinkError:
        return QStringLiteral("link error");
    case EventKind::CommandFailed:
        return QStringLiteral("alarm command failed");
    }
    return {};
}

QString IsoTime(const QDateTime& time) {
    const int offset = time.offsetFromUtc() / 60; // minutes east of UTC
    const int magnitude = offset < 0 ? -offset : offset;
    return time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
               .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

QString RegisterByteText(int value) {
    return QStringLiteral("0x") + HexText(static_cast<std::uint32_t>(value & 0xFF)).rightJustified(2, u'0');
}

QString RegisterChannelText(int address) {
    QString text = RegisterByteText(address);
    if (const auto index = FindRegisterByAddress(address)) {
        const std::string_view name = RegisterAt(*index).Name;
        text += u' ' + QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    }
    return text;
}

Event EventStream::record(EventKind kind, const QString& channel, const QString& value, const QString& limit,
                          const QString& unit) {
    Event e{kind,  next_++, wallClock(), clock_.nowMs(), logTime ? logTime() : QString(), channel,
            value, limit,   unit};
    recent_.push_back(e);
    if (recent_.size() > Kept) recent_.pop_front();
    Q_EMIT recorded(e);
    return e;
}
