#pragma once

#include "alarms/AlarmMonitor.h"
#include "alarms/EventFile.h"
#include "session/AlarmOptions.h"

#include <QDBusConnection>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class PollingCycle;
class Session;

// One line for people: "2024-03-05T14:07:09.123+01:00 alarm raised: Temp 1 = 31°C (limit 30°C)",
// "... register written: 0x45 Temperature1 High Limit = 0x14 (was 0x7F)".
QString EventText(const Event& event);

// Why the Alarms page's options cannot be applied: a command ticked without a program, or with
// one that cannot be run, or a sound file that cannot be read. Empty when they can.
QString AlarmOptionsRefusal(const AlarmOptions& options);

// A desktop notification: the freedesktop notification service over D-Bus in the program, a fake
// in tests.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body) = 0;
};

// Calls org.freedesktop.Notifications.Notify on the bus without waiting for the answer, so a slow
// or hung service never holds the program up; without a bus, or without the service on it,
// nothing is shown and nothing is said.
class DBusNotifier final : public Notifier {
public:
    explicit DBusNotifier(QDBusConnection bus = QDBusConnection::sessionBus()) : bus_(std::move(bus)) {}
    void notify(const QString& summary, const QString& body) override;

private:
    QDBusConnection bus_;
};

// Runs one program at a time with its arguments, directly and never through a shell, with the
// program's input from the null device and its output on the program's own.
class CommandRunner final : public QObject {
    Q_OBJECT
public:
    CommandRunner();
    // False with the reason when the previous run has not ended: it is not started twice.
    bool start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
               QString& reason);

Q_SIGNALS:
    // It could not be started, crashed, or ended with a status other than 0.
    void failed(const QString& program, const QString& reason);

private:
    QProcess process_;
};

// Sends each alarm where the session's AlarmOptions say, as it is raised or cleared: the main
// window (through mainWindow), a desktop notification and a sound when raised, and the command
// for both, with the alarm in VORTANE_EVENT, VORTANE_CHANNEL, VORTANE_VALUE, VORTANE_LIMIT and
// VORTANE_TIME. A command that fails, or is still running at the next alarm, is reported in the
// status text and as an event; nothing here ever stops the program.
class AlarmOutlets final : public QObject {
    Q_OBJECT
public:
    AlarmOutlets(Session& session, const AlarmMonitor& monitor, std::unique_ptr<Notifier> notifier);

    // The main window's entry: the active alarms' text (ActiveAlarmsText), and whether an alarm
    // has just been raised (the taskbar's urgency hint).
    std::function<void(const QString& active, bool raised)> mainWindow;
    std::function<void()> bell; // the system bell
    // A sound file is given to the first of these players found on the PATH.
    static QStringList soundPlayers() { return {QStringLiteral("paplay"), QStringLiteral("aplay")}; }

private:
    void alarmChanged(const Event& e);
    void report(const QString& program, const QString& reason);

    Session& s_;
    const AlarmMonitor& monitor_;
    std::unique_ptr<Notifier> notifier_;
    CommandRunner command_;
    CommandRunner player_;
};

// The desktop program's alarms: the monitor as a task of the polling cycle, its outlets, and the
// event file that follows the data log.
class AlarmWatch {
public:
    AlarmWatch(Session& session, PollingCycle& polling, std::unique_ptr<Notifier> notifier);
    ~AlarmWatch();
    AlarmWatch(const AlarmWatch&) = delete;
    AlarmWatch& operator=(const AlarmWatch&) = delete;

    AlarmMonitor monitor;
    EventFile eventFile; // before the outlets: an alarm is in the file before anything acts on it
    AlarmOutlets outlets;

private:
    PollingCycle& polling_;
};
