// Alarms from simulated scenarios, raised once an episode, cleared at its end; to a bus, a command, a file.
#include "alarms/AlarmOutlets.h"
#include "alarms/EventFile.h"
#include "board/Startup.h"
#include "monitoring/LoggingControl.h"
#include "monitoring/PollingCycle.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <functional>

namespace {

struct FakeNotifier final : Notifier {
    explicit FakeNotifier(QStringList& shown) : shown_(shown) {}
    void notify(const QString& summary, const QString& body) override { shown_ << summary + " | " + body; }
    QStringList& shown_;
};

// The desktop program's alarms over a simulated board, polled every 10 ms with reading on.
struct Watched {
    Watched() {
        t.connect();
        watch.outlets.mainWindow = [this](const QString& active, bool raised) {
            mainWindow << active + (raised ? " (raised)" : "");
        };
    }
    void run(std::int64_t ms) { runPolling(t.clock, polling, ms); }
    void scenario(const std::function<void(ChipScenario&)>& edit) {
        ChipScenario s = t.chip().scenario();
        edit(s);
        t.chip().setScenario(s);
    }
    // "alarm raised Temp 1 36 35": event, channel, value and limit of each alarm event.
    QStringList alarms() const {
        QStringList out;
        for (const Event& e : t.session->events.recent())
            if (e.kind == EventKind::AlarmRaised || e.kind == EventKind::AlarmCleared)
                out << QStringList{EventKindText(e.kind), e.channel, e.value, e.limit}.join(u' ');
        return out;
    }
    SimSession t;
    PollingCycle polling{*t.session};
    QStringList notified;
    QStringList mainWindow;
    AlarmWatch watch{*t.session, polling, std::make_unique<FakeNotifier>(notified)};
};

// A program that writes the alarm's variables and its arguments, one to a line, to a file; then sleeps 1 s.
QString recordingScript(const QTemporaryDir& dir) {
    const QString script = dir.filePath("record.sh");
    writeFile(script, "#!/bin/sh\n{ echo \"$VORTANE_EVENT|$VORTANE_CHANNEL|$VORTANE_VALUE|$VORTANE_LIMIT|"
                      "$VORTANE_TIME\"; for a in \"$@\"; do echo \"[$a]\"; done; } >> '" +
                          dir.filePath("out").toUtf8() + "'\nsleep 1\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return script;
}

} // namespace

// The notification service as the desktop runs it, on the test's own session bus.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int timeout) {
        const QString urgency = QString::number(hints.value("urgency").value<uchar>());
        calls << QStringList{
            app, summary, body, urgency, hints.value("category").toString(), QString::number(timeout)};
        return 1;
    }

public:
    QList<QStringList> calls;
};

class TestAlarms : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("TZ", "CET-1"); }

    void episodes_data() {
        using Drive = std::function<void(Watched&)>;
        addRows<std::pair<Drive, QStringList>>({
            {"heater 1 over the high limit of Temp 1",
             {[](Watched& w) {
                  w.scenario([](ChipScenario& s) { s.noise = 0; });
                  writeAll(w.t.chip(), {{0x45, 35}});
                  w.t.usb().SetHeater(1, 100);
                  w.run(60000);
                  w.t.usb().SetHeater(1, 0);
                  w.run(90000);
              },
              {"alarm raised Temp 1 36 35", "alarm cleared Temp 1 35 35"}}},
            // Raised or cleared, an alarm names the limit it was beyond: Temp 3's low, fan 3's minimum.
            {"under a low limit and a minimum speed",
             {[](Watched& w) {
                  w.scenario([](ChipScenario& s) { s.noise = 0; });
                  writeAll(w.t.chip(), {{0x48, 40}, {0x5C, 0x46}, {0x5D, 0x05}, {0x65, 0x02}}); // 4000, a max
                  w.run(5000);
                  w.scenario([](ChipScenario& s) { s.ambientC = 45; }); // back over the low limit
                  writeAll(w.t.chip(), {{0x5C, 0x08}, {0x5D, 0x07}});   // a minimum of 3000 RPM: 1800
                  w.run(60000);
                  writeAll(w.t.chip(), {{0x49, 45}}), w.run(5000); // then over the high limit
              },
              {"alarm raised Temp 3 26 40", "alarm raised Fan 3 3592 4000", "alarm cleared Temp 3 46 40",
               "alarm cleared Fan 3 3600 3000", "alarm raised Temp 3 46 45"}}},
            // Fan 2 seizes, the chip reporting it not present; fan 3 stops, its PWM pin taken; fan 1 seizes,
            // its tach switched off before the stall's 3 s, its count left at no rotation: no stall.
            {"fan reported not present, a PWM pin taken, a tach off",
             {[](Watched& w) {
                  w.scenario([](ChipScenario& s) { s.fanSeizesAtMs[1] = 8000, s.fanSeizesAtMs[0] = 3500; });
                  writeAll(w.t.chip(), {{0x36, 0x02}});
                  w.run(5000);
                  w.t.usb().WriteRegister(0x2E, 0x7F, 0x02);
                  writeAll(w.t.chip(), {{0x74, w.t.chip().read(0x74) | 0x01}});
                  w.run(30000);
              },
              {}}},
            // In the free-wheel test the chip drives all fans, presence unknown: a seizure is not judged.
            {"seized during the free-wheel test",
             {[](Watched& w) {
                  w.scenario([](ChipScenario& s) {
                      s.fanSeizesAtMs[1] = 8000;
                      s.freeWheelTestMs = FreeWheelNever;
                  });
                  writeAll(w.t.chip(), {{0x40, w.t.chip().read(0x40) | 0x02}});
                  w.run(30000);
              },
              {}}},
            {"masked channels", // Temp 1 in the first mask, fan 3 (below its minimum) in the second
             {[](Watched& w) {
                  writeAll(w.t.chip(), {{0x45, 20}, {0x72, 0x01}, {0x5C, 0x46}, {0x5D, 0x05}, {0x73, 0x40}});
                  w.run(5000);
              },
              {}}},
        });
    }
    void episodes() {
        const auto& [drive, expected] = fetchRow<std::pair<std::function<void(Watched&)>, QStringList>>();
        Watched w;
        drive(w);
        QCOMPARE(std::pair(w.alarms(), w.t.programEnds.isEmpty()), std::pair(expected, true));
        if (expected.isEmpty()) return;
        QCOMPARE(w.mainWindow.first(),
                 QStringLiteral("Alarm: ") + expected.first().section(u' ', 2, -3) + " (raised)");
        QCOMPARE(w.notified.size(), expected.filter(QStringLiteral("alarm raised")).size());
    }

    // A stall: 3 s still, from the first poll finding it; alarms read nothing unless watched with reading on.
    void pollingAndItsRequests() {
        Watched w;
        w.scenario([](ChipScenario& s) { s.fanSeizesAtMs[0] = s.fanSeizesAtMs[2] = 2500; });
        writeAll(w.t.chip(), {{0x68, 0x20}, {0x32, 0x33}, {0x69, 0x01}, {0x34, 0x33}}); // the others at full
        w.t.usb().ReadBlock(0x68, 2); // as last read: INV1, fan 1 at 80 %; FL4 is no inversion, fan 3 at 20 %
        w.run(2990);
        const QString snapshot = "220 46 32 1 35", masks = "220 46 114 1 3", limits = "220 46 68 1 36";
        QCOMPARE(w.t.requestTexts().count(snapshot), 3); // at 10, 1010 and 2010 ms
        QCOMPARE(w.t.requestTexts().count(masks), 3);
        w.run(3000); // stopped from the poll at 3010 ms
        QCOMPARE(w.alarms(), QStringList());
        w.run(100);
        QCOMPARE(w.alarms(), QStringList{"alarm raised Fan 1 stall 80 30"});
        QCOMPARE(w.t.session->events.recent().back().steadyMs, 6010);
        QCOMPARE(w.t.requestTexts().count(limits), 0); // a stall needs no limits

        writeAll(w.t.chip(), {{0x45, 20}});
        for (const auto& off : std::initializer_list<std::function<void()>>{
                 [&w] { w.t.session->alarmOptions.watch = false; },
                 [&w] { w.t.session->options.ReadingEnabled = false; },
                 [&w] { w.t.board->options().failBlockReads = true; }}) {
            w.t.session->alarmOptions.watch = w.t.session->options.ReadingEnabled = true;
            off();
            w.t.board->clearJournal();
            w.run(3000);
            QVERIFY(w.alarms().size() == 1 && w.t.requestTexts().count(limits) == 0);
            w.t.board->options().failBlockReads = false;
        }
        QVERIFY(w.t.programEnds.isEmpty());
        w.run(1000);
        QCOMPARE(w.alarms().last(), QStringLiteral("alarm raised Temp 1 25 20"));
        QCOMPARE(w.t.requestTexts().count(limits), 1);
    }

    // A pause in judging (fan 1 reported not present for a poll) starts the three seconds afresh.
    void stallJudgedAfreshAfterAPause() {
        Watched w;
        w.scenario([](ChipScenario& s) { s.fanSeizesAtMs[0] = 2500; });
        w.run(4000);
        writeAll(w.t.chip(), {{0x36, 0x01}});
        w.run(1000);
        writeAll(w.t.chip(), {{0x36, 0x00}});
        w.run(2900); // stopped from the poll at 5010
        QCOMPARE(w.alarms(), QStringList());
        w.run(200);
        QCOMPARE(w.alarms(), QStringList{"alarm raised Fan 1 stall 100 30"});
    }

    // Asynchronous, so a hung service never holds the program; no service or no bus: nothing shown or said.
    void notificationThroughTheBus() {
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        QVERIFY2(daemon.waitForReadyRead(10000), "dbus-daemon (package dbus-daemon) is needed");
        const QString address = QString::fromLatin1(daemon.readLine()).trimmed();
        QDBusConnection service = QDBusConnection::connectToBus(address, "service");
        FakeNotifications fake;
        QVERIFY(
            service.registerObject("/org/freedesktop/Notifications", &fake, QDBusConnection::ExportAllSlots));
        DBusNotifier(QDBusConnection(QStringLiteral("no bus"))).notify("lost", "");
        DBusNotifier program(QDBusConnection::connectToBus(address, "program"));
        program.notify("before the service", "");
        QVERIFY(service.registerService("org.freedesktop.Notifications"));
        program.notify("VORTANE alarm: Temp 1", "Temp 1 = 31°C (limit 30°C)");
        QTRY_COMPARE(fake.calls,
                     (QList<QStringList>{{"VORTANE Evaluation Software", "VORTANE alarm: Temp 1",
                                          "Temp 1 = 31°C (limit 30°C)", "2", "device.error", "-1"}}));
        QDBusConnection::disconnectFromBus("program");
        QDBusConnection::disconnectFromBus("service");
        daemon.kill();
        daemon.waitForFinished();
    }

    // Arguments as typed (no shell), the alarm in variables; one running is not started again; failures told.
    void commandRunsWithoutAShell() {
        QTemporaryDir dir;
        SimSession t;
        const AlarmMonitor monitor(*t.session);
        AlarmOutlets outlets(*t.session, monitor, nullptr);
        AlarmOptions& o = t.session->alarmOptions;
        o.command = true;
        o.program = recordingScript(dir);
        o.arguments = QStringList{"two words", "$(touch pwned)", ";", "*", "'q'", ""};
        QVERIFY(AlarmOptionsRefusal(o).isEmpty());
        t.session->events.wallClock = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 5)); };
        t.session->events.record(EventKind::AlarmRaised, "Temp 1", "31", "30", "°C");
        t.session->events.record(EventKind::AlarmCleared, "Temp 1", "29", "30", "°C");
        QTRY_COMPARE(fileBytes(dir.filePath("out")),
                     QByteArray("alarm raised|Temp 1|31|30|2024-03-05T14:07:09.005+01:00\n[two words]\n"
                                "[$(touch pwned)]\n[;]\n[*]\n['q']\n[]\n"));
        QCOMPARE(t.session->statusText(),
                 "Alarm command " + o.program +
                     " failed: still running; not started again for Temp 1 alarm cleared");
        QVERIFY(!QFileInfo::exists("pwned"));

        o.program = "false", o.arguments.clear();
        QTest::qWait(1200);
        t.session->events.record(EventKind::AlarmCleared, "Temp 1", "29", "30", "°C");
        QTRY_COMPARE(t.session->statusText(), "Alarm command false failed: it ended with status 1");
        QCOMPARE(t.session->events.recent().back().kind, EventKind::CommandFailed);
        for (int i = 0; i < 4096; ++i) // a long run keeps the last 4096 events, for the graphs' markers
            t.session->events.record(EventKind::LoggingStopped, QString::number(i));
        QCOMPARE(t.session->events.recent().front().channel + t.session->events.recent().back().channel,
                 "04095");

        o.program = dir.filePath("no-such-program");
        QCOMPARE(AlarmOptionsRefusal(o),
                 "The alarm command " + o.program + " is not a program that can be run.");
        t.session->events.record(EventKind::AlarmRaised, "Temp 1", "31", "30", "°C"); // gone since it was set
        QTRY_VERIFY(t.session->statusText().startsWith("Alarm command " + o.program + " failed: "));
    }

    // The sound file through the first player on the path; with no player found, the message and the bell.
    void soundThroughAPlayerElseTheBell() {
        QTemporaryDir dir;
        Watched w;
        Session& s = *w.t.session;
        int bells = 0;
        w.watch.outlets.bell = [&bells] { ++bells; };
        s.alarmOptions.sound = true, s.alarmOptions.soundFile = dir.filePath("siren.wav");
        const QString path = qEnvironmentVariable("PATH");
        for (const QString& player : {dir.filePath("paplay"), dir.filePath("aplay")}) {
            QVERIFY(writeFile(player, "#!/bin/sh\necho ${0##*/} \"$@\" >> \"${0%/*}/played\"\n"));
            QFile::setPermissions(player, QFile::ReadOwner | QFile::ExeOwner);
        }
        qputenv("PATH", dir.path().toUtf8());
        s.events.record(EventKind::AlarmRaised, "Temp 1", "31", "30", "°C");
        QTRY_COMPARE(fileBytes(dir.filePath("played")),
                     "paplay " + dir.filePath("siren.wav").toUtf8() + '\n');
        QVERIFY(QFile::remove(dir.filePath("paplay")) && QFile::remove(dir.filePath("aplay")));
        s.events.record(EventKind::AlarmRaised, "Temp 2", "31", "30", "°C");
        qputenv("PATH", path.toUtf8());
        QCOMPARE(std::pair(bells, s.statusText()),
                 std::pair(1, QStringLiteral("Alarm command paplay, aplay failed: no sound player found")));
        s.alarmOptions.soundFile.clear(); // no file: the bell alone, nothing to refuse
        s.events.record(EventKind::AlarmRaised, "Temp 3", "31", "30", "°C");
        QCOMPARE(std::pair(bells, AlarmOptionsRefusal(s.alarmOptions)), std::pair(2, QString()));
    }

    // Beside the data log: one whole line per event, the log's time; a link error is in before its message.
    void eventFileFollowsTheDataLog() {
        QTemporaryDir dir;
        Watched w;
        w.t.session->events.wallClock = [] { return QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)); };
        const QString log = dir.filePath("run.CSV"), csv = dir.filePath("run.events.csv");
        w.t.prompts.fileNames << log;
        QVERIFY(writeFile(csv, "earlier\r\n")); // appended to, no second header
        QSignalSpy stopped(&w.watch.eventFile, &EventFile::stopped);
        QVERIFY(StartLogging(*w.t.session, {true}, "500"));
        w.t.usb().ReadRegister(0x2E, 0x45);
        w.t.usb().WriteRegister(0x2E, 0x45, 5);
        w.run(1600);
        w.t.board->options().failRequestNumber = w.t.board->requestCount() + 1;
        w.t.usb().ReadRegister(0x2E, 0x40);
        QCOMPARE(w.t.programEnds, QList<int>{CommunicationsInterrupted});
        const QString at = "2024-03-05T14:07:09.000+01:00,";
        QCOMPARE(QString::fromUtf8(fileBytes(csv)),
                 "earlier\r\n" + at + "0,logging started," + log + ",500,\r\n" + at +
                     "0,register written,0x45 Temperature1 High Limit,0x05,0x7F\r\n" + at +
                     ".5,alarm raised,Temp 1,25,5\r\n" + at +
                     "2,link error,Communications Interrupted - Check USB connections,3,\r\n");
        StopLogging(*w.t.session), w.t.session->events.record(EventKind::AlarmRaised, "Temp 9"); // not in
        QVERIFY(stopped.count() == 0 &&
                fileBytes(csv).endsWith(",logging stopped," + log.toUtf8() + ",4,\r\n"));
        // A field with a separator, a quote or a line break is quoted, its quotes doubled; a zone 10:30 west.
        Event odd;
        std::tie(odd.kind, odd.wallTime, odd.channel, odd.value, odd.limit) =
            std::tuple(EventKind::LinkError, QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), QTimeZone(-37800)),
                       "a, b", "say \"hi\"", "2\nlines");
        QCOMPARE(EventFileLine(odd),
                 "2024-03-05T14:07:09.000-10:30,,link error,\"a, b\",\"say \"\"hi\"\"\",\"2\nlines\"\r\n");
        odd.wallTime.setTimeZone(QTimeZone::utc());
        QVERIFY(EventFileLine(odd).startsWith("2024-03-05T14:07:09.000+00:00,,"));
    }
};

QTEST_GUILESS_MAIN(TestAlarms)
#include "tst_alarms.moc"
