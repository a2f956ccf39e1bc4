#include "alarms/AlarmOutlets.h"

#include "base/Prompts.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString EventText(const Event& e) {
    QString text = IsoTime(e.wallTime) + u' ' + EventKindText(e.kind) + QStringLiteral(": ") + e.channel;
    if (!e.value.isEmpty()) text += QStringLiteral(" = ") + e.value + e.unit;
    if (!e.limit.isEmpty())
        text +=
            (e.kind == EventKind::RegisterWritten ? QStringLiteral(" (was ") : QStringLiteral(" (limit ")) +
            e.limit + e.unit + u')';
    return text;
}

QString AlarmOptionsRefusal(const AlarmOptions& o) {
    if (o.command) {
        if (o.program.trimmed().isEmpty()) return QStringLiteral("Choose the program to run on an alarm.");
        const QFileInfo file(o.program);
        const bool runnable = o.program.contains(u'/') ? file.isFile() && file.isExecutable()
                                                       : !QStandardPaths::findExecutable(o.program).isEmpty();
        if (!runnable)
            return QStringLiteral("The alarm command %1 is not a program that can be run.")
                .arg(QDir::toNativeSeparators(o.program));
    }
    if (o.sound && !o.soundFile.isEmpty() && !QFileInfo(o.soundFile).isReadable())
        return QStringLiteral("The alarm sound %1 cannot be read.")
            .arg(QDir::toNativeSeparators(o.soundFile));
    return {};
}

void DBusNotifier::notify(const QString& summary, const QString& body) {
    if (!bus_.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue(uchar(2))}, // critical
                            {QStringLiteral("category"), QStringLiteral("device.error")},
                            {QStringLiteral("desktop-entry"), QStringLiteral("vortane-eval")}};
    call << kApplicationTitle << uint(0) << QStringLiteral("vortane-eval") << summary << body << QStringList()
         << hints << int(-1);
    bus_.asyncCall(call);
}

CommandRunner::CommandRunner() {
    process_.setProcessChannelMode(QProcess::ForwardedChannels);
    process_.setStandardInputFile(QProcess::nullDevice());
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) Q_EMIT failed(process_.program(), process_.errorString());
    });
    connect(&process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (status == QProcess::CrashExit)
            Q_EMIT failed(process_.program(), QStringLiteral("it crashed"));
        else if (code != 0)
            Q_EMIT failed(process_.program(), QStringLiteral("it ended with status %1").arg(code));
    });
}

bool CommandRunner::start(const QString& program, const QStringList& arguments,
                          const QProcessEnvironment& environment, QString& reason) {
    if (process_.state() != QProcess::NotRunning) {
        reason = QStringLiteral("still running");
        return false;
    }
    process_.setProcessEnvironment(environment);
    process_.start(program, arguments);
    return true;
}

AlarmOutlets::AlarmOutlets(Session& session, const AlarmMonitor& monitor, std::unique_ptr<Notifier> notifier)
    : s_(session), monitor_(monitor), notifier_(std::move(notifier)) {
    connect(&s_.events, &EventStream::recorded, this, &AlarmOutlets::alarmChanged);
    connect(&command_, &CommandRunner::failed, this, &AlarmOutlets::report);
    connect(&player_, &CommandRunner::failed, this, &AlarmOutlets::report);
}

void AlarmOutlets::report(const QString& program, const QString& reason) {
    s_.setStatusText(QStringLiteral("Alarm command %1 failed: %2").arg(program, reason));
    s_.events.record(EventKind::CommandFailed, program, reason);
}

void AlarmOutlets::alarmChanged(const Event& e) {
    const bool raised = e.kind == EventKind::AlarmRaised;
    if (!raised && e.kind != EventKind::AlarmCleared) return;
    const AlarmOptions& o = s_.alarmOptions;
    if (o.mainWindow && mainWindow) mainWindow(ActiveAlarmsText(monitor_.activeChannels()), raised);
    if (raised && o.notification && notifier_)
        notifier_->notify(QStringLiteral("VORTANE alarm: ") + e.channel, EventText(e));
    if (raised && o.sound) {
        QString player;
        for (const QString& name : soundPlayers())
            if (player.isEmpty()) player = QStandardPaths::findExecutable(name);
        if (o.soundFile.isEmpty() || player.isEmpty()) {
            if (!o.soundFile.isEmpty())
                report(soundPlayers().join(QStringLiteral(", ")), QStringLiteral("no sound player found"));
            if (bell) bell();
        } else {
            QString stillPlaying; // a sound still playing is alarm enough
            player_.start(player, {o.soundFile}, QProcessEnvironment::systemEnvironment(), stillPlaying);
        }
    }
    if (o.command && !o.program.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VORTANE_EVENT"), EventKindText(e.kind));
        env.insert(QStringLiteral("VORTANE_CHANNEL"), e.channel);
        env.insert(QStringLiteral("VORTANE_VALUE"), e.value);
        env.insert(QStringLiteral("VORTANE_LIMIT"), e.limit);
        env.insert(QStringLiteral("VORTANE_TIME"), IsoTime(e.wallTime));
        QString reason;
        if (!command_.start(o.program, o.arguments, env, reason))
            report(o.program, QStringLiteral("%1; not started again for %2 %3")
                                  .arg(reason, e.channel, EventKindText(e.kind)));
    }
}

AlarmWatch::AlarmWatch(Session& session, PollingCycle& polling, std::unique_ptr<Notifier> notifier)
    : monitor(session), eventFile(session.events), outlets(session, monitor, std::move(notifier)),
      polling_(polling) {
    eventFile.followLogging(session);
    polling_.setRefresh(PollTask::Alarms, [this] { monitor.poll(); });
}

AlarmWatch::~AlarmWatch() {
    polling_.clearRefresh(PollTask::Alarms);
}
