// The polling cycle stepped with a manual clock over the simulated board.
#include "monitoring/DataLog.h"
#include "monitoring/GeneralStuff.h"
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

namespace {

struct Poll {
    // Ticks every 10 ms from the present time for `ms` milliseconds.
    void run(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 10) {
            cycle.Tick(t.clock.nowMs());
            t.clock.advance(10);
        }
    }
    int count(const QString& text) const { return int(t.requestTexts().count(text)); }
    // Reading off, and one window open whose refreshes are counted.
    void countRefreshes(PollTask task, bool& open) {
        t.session->options.ReadingEnabled = false;
        cycle.setRefresh(task, [this] { ++refreshes; });
        open = true;
    }
    ConnectedSim t;
    PollingCycle cycle{*t.session};
    int refreshes = 0;
};

const QString kTemps = QStringLiteral("220 46 32 1 10");
const QString kMax = QStringLiteral("222 46 120 1 1");
const QString kTachs = QStringLiteral("220 46 42 1 8");
const QString kDuty = QStringLiteral("220 46 50 1 4");

} // namespace

class TestPollingCycle : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // One group per call. A failed block read leaves another request's bytes in the buffer: a
    // group never read stays absent, and one read before keeps its last good values.
    void readMeasurementsDecodesOneGroup() {
        ConnectedSim t;
        t.chip().advanceTo(0);
        const Readings& r = t.session->readings;
        const auto read = [&t](bool fail, std::initializer_list<int> groups) {
            t.board->options().failBlockReads = fail;
            t.usb().TransferBuffer.fill(0x4B); // 75 degrees, a count of 19275
            for (int group : groups)
                ReadMeasurements(*t.session, group);
        };
        read(true, {TemperatureGroup, FanSpeedGroup, DutyCycleGroup});
        // The maximum is a register read of its own.
        QVERIFY(!r.temperature(0) && !r.temperature(9) && !r.fanSpeed(0) && !r.dutyCycle(3) &&
                r.temperature(10));
        t.board->clearJournal();
        read(false, {TemperatureGroup});
        QCOMPARE(t.requestTexts(), (QStringList{kTemps, kMax}));
        for (std::size_t i = 0; i <= 10; ++i)
            QCOMPARE(r.temperature(i), int(std::int8_t(t.chip().read(i < 10 ? 0x20 + int(i) : 0x78))));
        QVERIFY(!r.fanSpeed(0) && !r.dutyCycle(0) && r.FanSpeeds[0] == 0 && r.DutyCycles[0] == 0);
        read(false, {FanSpeedGroup, DutyCycleGroup});
        const Readings good = r;
        QVERIFY(good.FanSpeeds[0] > 1000 && good.DutyCycles[0] > 0 && good.Temperatures[0] > 0);
        read(true, {TemperatureGroup, FanSpeedGroup, DutyCycleGroup});
        QCOMPARE(r.FanSpeeds, good.FanSpeeds);
        QCOMPARE(r.DutyCycles, good.DutyCycles);
        QVERIFY(std::equal(r.Temperatures.begin(), r.Temperatures.begin() + 10, good.Temperatures.begin()));
        QVERIFY(t.programEnds.isEmpty());
    }

    void groupsAreReadInTurnAtTheReadInterval() {
        Poll p;
        p.run(1000);
        // t = 0 runs at once; then every 100 ms, exactly: each group every 300 ms.
        QCOMPARE(p.t.requestTexts().mid(0, 5), (QStringList{kTemps, kMax, kTachs, kDuty, kTemps}));
        QList<std::int64_t> blockReads; // never more than one group per tick
        for (const JournalEntry& e : p.t.requests())
            if (e.request == 220) blockReads << e.timeMs;
        QCOMPARE(blockReads, (QList<std::int64_t>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900}));
    }

    void readIntervalZeroReadsOneGroupEveryTickAndDisabledNone() {
        Poll p;
        p.t.session->options.ReadInterval = 0;
        p.run(300);
        QCOMPARE(p.count(kTemps) + p.count(kTachs) + p.count(kDuty), 30);
        QCOMPARE(p.count(kMax), 10);
        p.t.session->options.ReadingEnabled = false;
        p.t.board->clearJournal();
        p.run(2000);
        QVERIFY(p.t.requests().isEmpty());
    }

    void intervalsAreReadOnEveryTick() {
        Poll p;
        p.run(50); // first read at 0
        p.t.session->options.ReadInterval = 1000;
        p.run(900);
        QCOMPARE(p.count(kTemps), 1);
        QCOMPARE(p.count(kTachs), 0);
        p.t.session->options.ReadInterval = 100;
        p.run(10);
        QCOMPARE(p.count(kTachs), 1);
    }

    void registerMapTaskRunsOnlyWhileContinuousReadIsTicked() {
        Poll p;
        bool ticked = false;
        p.cycle.setContinuousReadTicked([&] { return ticked; });
        p.countRefreshes(PollTask::RegisterMap, p.t.session->decl.RegisterMapOpen);
        p.run(3000);
        QCOMPARE(p.refreshes, 0);
        QVERIFY(!p.cycle.lastRun[std::size_t(PollTask::RegisterMap)]);
        ticked = true;
        p.run(10); // runs on the next tick: its time has not moved
        QCOMPARE(p.refreshes, 1);
        p.run(3000); // then on every whole second after it
        QCOMPARE(p.refreshes, 4);
    }

    void freeWheelPollCountsAsRunEvenWhenNotRunning() {
        Poll p;
        p.countRefreshes(PollTask::BoardInfo, p.t.session->decl.BoardInfoOpen);
        p.run(500);
        QCOMPARE(p.refreshes, 0);
        QVERIFY(p.cycle.lastRun[std::size_t(PollTask::BoardInfo)].has_value());
        p.t.session->decl.FreeWheelRunning = true;
        p.run(500); // still within a second of the last (empty) run
        QCOMPARE(p.refreshes, 0);
        p.run(100);
        QCOMPARE(p.refreshes, 1);
    }

    void lastRunSurvivesAWindowClosing() {
        Poll p;
        p.countRefreshes(PollTask::Limits, p.t.session->decl.LimitsOpen);
        p.run(10);
        QCOMPARE(p.refreshes, 1);
        p.t.session->decl.LimitsOpen = false;
        p.run(500);
        p.t.session->decl.LimitsOpen = true;
        p.run(490); // up to 990 ms since the last run
        QCOMPARE(p.refreshes, 1);
        p.run(10); // 1000 ms: the second runs on the tick where a whole second has passed
        QCOMPARE(p.refreshes, 2);
    }

    void windowRefreshesRunInTaskOrder() {
        Poll p;
        QStringList order;
        auto& d = p.t.session->decl;
        const std::pair<PollTask, bool*> tasks[] = {
            {PollTask::Limits, &d.LimitsOpen},          {PollTask::Gpio, &d.GpioOpen},
            {PollTask::FanConfig, &d.FanConfigOpen},    {PollTask::Graph, &d.GraphOpen},
            {PollTask::Heaters, &d.HeatersOpen},        {PollTask::Manual, &d.ManualOpen},
            {PollTask::AutoControl, &d.AutoControlOpen}};
        for (const auto& [task, flag] : tasks) {
            *flag = true;
            p.cycle.setRefresh(task, [&order, task = task] { order << QString::number(int(task)); });
        }
        p.cycle.Tick(p.t.clock.nowMs());
        QCOMPARE(order.join(QLatin1Char(',')), QStringLiteral("2,4,5,6,7,8,9"));
    }

    void graphTaskFollowsTheGraphInterval() {
        Poll p;
        p.countRefreshes(PollTask::Graph, p.t.session->decl.GraphOpen);
        p.t.session->options.GraphInterval = 55; // rounded up to the tick: every 60 ms
        p.run(1000);
        QCOMPARE(p.refreshes, 17);
        p.t.session->options.GraphInterval = 50; // a multiple of the tick: kept exactly
        p.run(1000);
        QCOMPARE(p.refreshes, 17 + 20);
    }

    void loggingRepeatsTheLastReadingsWhenReadingIsOff() {
        QTemporaryDir dir;
        Poll p;
        auto& d = p.t.session->decl;
        p.t.session->options.ReadingEnabled = false;
        p.t.session->readings.Temperatures[0] = -5;
        markRead(p.t.session->readings);
        d.LogFileName = dir.filePath(QStringLiteral("log.csv"));
        QVERIFY(writeFile(d.LogFileName, {}));
        d.LogSelection = {};
        d.LogSelection[0] = true;
        d.LoggingActive = true;
        d.LogSampleCount = std::int64_t(1) << 32; // a count past 32 bits keeps its time column
        p.run(350);                               // lines at 0, 100, 200, 300
        QCOMPARE(fileBytes(d.LogFileName),
                 QByteArray("429496729.6,-5,\r\n429496729.7,-5,\r\n429496729.8,-5,\r\n"
                            "429496729.9,-5,\r\n"));
        QVERIFY(p.t.requests().isEmpty());
    }

    // A log removed while logging stops, once, says why, and is not started afresh without its header.
    void unwritableLogStopsLoggingAndSaysSo() {
        QTemporaryDir dir;
        Poll p;
        auto& d = p.t.session->decl;
        d.LogFileName = dir.filePath(QStringLiteral("log.csv"));
        d.LoggingActive = true;
        QSignalSpy stopped(&p.cycle, &PollingCycle::loggingStopped);
        p.run(500);
        QVERIFY(!d.LoggingActive && !QFile::exists(d.LogFileName) && d.LogSampleCount == 0);
        QCOMPARE(QList<QVariantList>(stopped),
                 (QList<QVariantList>{{d.LogFileName, "the file no longer exists"}}));
    }

    // Work that talks to the chip outside the tick holds the cycle still for exactly its scope.
    void pauseHoldsEveryTask() {
        Poll p;
        {
            PollingCycle::Pause outer(p.cycle);
            { PollingCycle::Pause inner(p.cycle); }
            p.run(500);
            QVERIFY(p.t.requests().isEmpty());
        }
        p.run(10);
        QCOMPARE(p.t.requestTexts(), (QStringList{kTemps, kMax}));
    }

    // Ticking only where nextDueMs says runs every task on exactly the ticks a 10 ms tick does,
    // through random changes of intervals, windows, the continuous-read box, reading and logging.
    void sleepingScheduleRunsEveryTaskOnTheSameTick() {
        QTemporaryDir dir;
        struct Side {
            explicit Side(const QString& log) : cycle(*t.session) {
                t.session->decl.LogFileName = log;
                cycle.setContinuousReadTicked([this] { return continuousRead; });
                for (int task = 0; task < PollTaskCount; ++task)
                    cycle.setRefresh(PollTask(task), [] {});
            }
            void tick(std::int64_t now) {
                const auto before = cycle.lastRun;
                t.clock.set(now);
                cycle.Tick(now);
                for (int task = 0; task < PollTaskCount; ++task)
                    if (cycle.lastRun[std::size_t(task)] != before[std::size_t(task)])
                        runs.append({now, task});
            }
            ConnectedSim t;
            PollingCycle cycle;
            bool continuousRead = false;
            QList<std::pair<std::int64_t, int>> runs;
        };
        Side every(dir.filePath(QStringLiteral("a.csv"))), sleeping(dir.filePath(QStringLiteral("b.csv")));
        // A change of state, applied to both sides alike at the same grid tick.
        const auto change = [](Side& side, std::uint32_t what, int value) {
            Session& s = *side.t.session;
            bool* flags[] = {&s.decl.RegisterMapOpen, &s.decl.LimitsOpen,        &s.decl.BoardInfoOpen,
                             &s.decl.GpioOpen,        &s.decl.FanConfigOpen,     &s.decl.GraphOpen,
                             &s.decl.HeatersOpen,     &s.decl.ManualOpen,        &s.decl.AutoControlOpen,
                             &s.decl.LoggingActive,   &s.options.ReadingEnabled, &side.continuousRead};
            switch (what % 4) {
            case 0:
                s.options.ReadInterval = value;
                break;
            case 1:
                s.options.GraphInterval = std::int16_t(value);
                break;
            case 2:
                s.options.LogInterval = value;
                break;
            default:
                *flags[(what / 4) % 12] = !*flags[(what / 4) % 12];
                break;
            }
        };
        QRandomGenerator random(2024);
        constexpr std::int64_t End = 120000, Never = std::numeric_limits<std::int64_t>::max();
        std::int64_t nextChange = 0, wake = 0;
        for (std::int64_t now = 0; now <= End; now += PollingCycle::TickMs) {
            const bool changed = now == nextChange;
            if (changed) {
                const std::uint32_t what = random.generate();
                const int value = QList<int>{0, 10, 25, 50, 100, 333, 1000, 2500}[random.bounded(8)];
                change(every, what, value);
                change(sleeping, what, value);
                nextChange += PollingCycle::TickMs * random.bounded(1, 300);
            }
            every.tick(now);
            // The sleeping side wakes only at its due ticks and where the state changed.
            if (now == wake || changed) {
                if (sleeping.cycle.nextDueMs(now) == now) sleeping.tick(now);
                wake = sleeping.cycle.nextDueMs(now + 1).value_or(Never);
            }
        }
        QVERIFY(every.runs.size() > 2000);
        QCOMPARE(sleeping.runs, every.runs);
        QVERIFY(sleeping.t.board->journal().size() == every.t.board->journal().size());
    }

    // The timer wakes where nextDueMs says, each time up to a tick late as a real one does: through
    // an hour of logging at 100 ms, every line is written within a tick of its time column.
    void anHourOfLateWakesKeepsTheLogOnTime() {
        QTemporaryDir dir;
        Poll p;
        Declarations& d = p.t.session->decl;
        d.LogFileName = dir.filePath(QStringLiteral("hour.csv"));
        QVERIFY(writeFile(d.LogFileName, {}));
        d.LoggingActive = true;
        QRandomGenerator random(26);
        const std::int64_t start = p.t.clock.nowMs();
        std::int64_t late = 0; // the most a line came after its time column
        for (std::int64_t now = start; now - start < 3600000 + PollingCycle::TickMs;
             now = *p.cycle.nextDueMs(now) + random.bounded(int(PollingCycle::TickMs))) {
            const std::int64_t line = d.LogSampleCount;
            p.t.clock.set(now);
            p.cycle.Tick(now);
            if (d.LogSampleCount > line) late = std::max(late, now - start - line * 100);
        }
        QCOMPARE(d.LogSampleCount, 36001);
        QVERIFY(late < PollingCycle::TickMs);
    }

    void linkErrorStopsTheTick() {
        ConnectedSim t({.failRequestNumber = 3, .chip = {}}); // the 0x78 read after the first block read
        PollingCycle cycle(*t.session);
        int refreshes = 0;
        cycle.setRefresh(PollTask::Limits, [&] { ++refreshes; });
        t.session->decl.LimitsOpen = true;
        cycle.Tick(0);
        QCOMPARE(t.programEnds, QList<int>{3});
        QCOMPARE(refreshes, 0);
        QVERIFY(!t.session->readings.temperature(10)); // the failed read's byte is no reading
    }
};

QTEST_GUILESS_MAIN(TestPollingCycle)
#include "tst_pollingcycle.moc"
