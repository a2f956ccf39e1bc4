#pragma once

#include "session/Events.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class Session;

// The event log on disk: CSV in UTF-8 with CR LF line ends, as the data log ends its lines, with
// a header line when the file is new. Each line goes out in one write call on a file opened for
// appending and closed again, so the file keeps whole lines whenever the program ends.

// "Time,Log time (s),Event,Channel,Value,Limit or old value" and CR LF.
QByteArray EventFileHeader();
// "2024-03-05T14:07:09.123+01:00,1.5,alarm raised,Temp 1,31,30" and CR LF; a field holding a
// comma or a quote is quoted.
QByteArray EventFileLine(const Event& event);
// The event file beside a data log: "run1.csv" -> "run1.events.csv", "run1" -> "run1.events.csv".
QString EventFileName(const QString& dataLogName);

// Appends every event of a stream to a file while one is open. Following a session's logging, it
// opens the file beside the data log at "logging started" and closes it after "logging stopped".
class EventFile final : public QObject {
    Q_OBJECT
public:
    explicit EventFile(EventStream& stream);

    // Appends from now on, after the header when the file is new or empty. False with the reason
    // when it cannot be written; nothing is open then.
    bool open(const QString& fileName, QString* error = nullptr);
    void close() { fileName_.clear(); }
    void followLogging(Session& session);

Q_SIGNALS:
    // A line could not be written (the disk is full, or the file has gone: it is not made again
    // without its header): the file is closed, and the events go on without it.
    void stopped(const QString& fileName, const QString& reason);

private:
    void append(const Event& event);

    QString fileName_;
    Session* following_ = nullptr;
};
