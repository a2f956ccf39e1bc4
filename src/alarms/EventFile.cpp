#include "alarms/EventFile.h"

#include "monitoring/DataLog.h"
#include "session/Session.h"

#include <QFileInfo>

namespace {
QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n')) return text;
    return u'"' + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}
} // namespace

QByteArray EventFileHeader() {
    return QByteArrayLiteral("Time,Log time (s),Event,Channel,Value,Limit or old value\r\n");
}

QByteArray EventFileLine(const Event& e) {
    const QStringList fields{IsoTime(e.wallTime), e.logTime, EventKindText(e.kind),
                             e.channel,           e.value,   e.limit};
    QStringList quoted;
    for (const QString& f : fields)
        quoted << csvField(f);
    return quoted.join(u',').toUtf8() + "\r\n";
}

QString EventFileName(const QString& dataLogName) {
    QString base = dataLogName;
    if (base.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) base.chop(4);
    return base + QStringLiteral(".events.csv");
}

EventFile::EventFile(EventStream& stream) {
    connect(&stream, &EventStream::recorded, this, &EventFile::append);
}

bool EventFile::open(const QString& fileName, QString* error) {
    close();
    const QFileInfo info(fileName);
    if ((!info.exists() || info.size() == 0) && !AppendToFile(fileName, EventFileHeader(), error))
        return false;
    fileName_ = fileName;
    return true;
}

void EventFile::followLogging(Session& session) {
    following_ = &session;
}

void EventFile::append(const Event& e) {
    if (following_ && e.kind == EventKind::LoggingStarted) {
        QString reason;
        const QString name = EventFileName(following_->decl.LogFileName);
        if (!open(name, &reason)) Q_EMIT stopped(name, reason);
    }
    if (fileName_.isEmpty()) return;
    QString reason;
    if (!AppendToFile(fileName_, EventFileLine(e), &reason, AppendTo::ExistingFile)) {
        const QString name = fileName_;
        close();
        Q_EMIT stopped(name, reason);
        return;
    }
    if (following_ && e.kind == EventKind::LoggingStopped) close();
}
