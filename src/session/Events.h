#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>

class Clock;

// What happens to the chip and the program that an engineer wants on one time axis with the
// readings: alarms, register writes, recalls, logging, link errors.
enum class EventKind {
    AlarmRaised,
    AlarmCleared,
    RegisterWritten,
    ConfigurationRecalled,
    LoggingStarted,
    LoggingStopped,
    LinkError,
    CommandFailed, // the command run on an alarm could not run or failed
};
// "alarm raised", "register written", ... as the event file and the command-line tool write it.
QString EventKindText(EventKind kind);

struct Event {
    EventKind kind{};
    std::uint64_t number{};  // 1, 2, ... in the order recorded
    QDateTime wallTime;      // local time
    std::int64_t steadyMs{}; // the same moment on the session's clock: the charts place it by this
    QString logTime;         // the data log's time column at that moment; empty while not logging
    QString channel;         // "Temp 1", "Fan 2 stall", "0x45 Temperature1 High Limit", a file
    QString value;           // "31", "0x14"
    QString limit;           // the limit crossed, or the register's old value where known
    QString unit;            // after value and limit, for people: "°C", " RPM", "%"; empty for none
};

// ISO 8601 with milliseconds and the offset from UTC: "2024-03-05T14:07:09.123+01:00".
QString IsoTime(const QDateTime& time);
// A register byte as events show it: "0x0A".
QString RegisterByteText(int value);
// "0x45 Temperature1 High Limit"; the address alone for a register the table does not name.
QString RegisterChannelText(int address);

// The session's events: recorded by whatever causes them (the transport's writes and link errors,
// logging, recalls, the alarm monitor), kept for the charts and sent to every listener (the event
// file, the alarm outlets, the command-line tool's watch).
class EventStream final : public QObject {
    Q_OBJECT
public:
    // The recent events kept in memory: an hour of busy work; older ones go first.
    static constexpr std::size_t Kept = 4096;

    explicit EventStream(Clock& clock) : clock_(clock) {}

    // Stamps the event with the time, the data log's time column and its number, keeps it and
    // sends it to every listener before returning it.
    Event record(EventKind kind, const QString& channel, const QString& value = {}, const QString& limit = {},
                 const QString& unit = {});
    const std::deque<Event>& recent() const { return recent_; }

    std::function<QDateTime()> wallClock = [] { return QDateTime::currentDateTime(); };
    // The data log's time column value for the present moment; none: empty.
    std::function<QString()> logTime;

Q_SIGNALS:
    void recorded(const Event& event);

private:
    Clock& clock_;
    std::deque<Event> recent_;
    std::uint64_t next_ = 1;
};
