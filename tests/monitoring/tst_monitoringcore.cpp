// Monitoring: conversions, log lines, refused writes, graph history, columns, zoom, CSV bytes, polling cycle.
#include "monitoring/Conversions.h"
#include "monitoring/DataLog.h"
#include "monitoring/GeneralStuff.h"
#include "monitoring/Graphs.h"
#include "monitoring/PollingCycle.h"
#include "support/FileSizeLimit.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <map>

namespace {
GraphSample sample(int v) {
    GraphSample s{};
    for (int k = 0; k < GraphSeriesCount; ++k)
        s[static_cast<std::size_t>(k)] = v * 100 + k;
    return s;
}

struct Poll {
    // Ticks every 10 ms from the present time for `ms` milliseconds; the refreshes counted by then.
    int run(int ms) {
        for (int elapsed = 0; elapsed < ms; elapsed += 10) {
            cycle.Tick(t.clock.nowMs());
            t.clock.advance(10);
        }
        return refreshes;
    }
    int count(const QString& text) const { return int(t.requestTexts().count(text)); }
    // Reading off, and one window open whose refreshes are counted.
    void countRefreshes(PollTask task, bool& open) {
        t.session->options.ReadingEnabled = false;
        cycle.setRefresh(task, [this] { ++refreshes; });
        open = true;
    }
    Declarations& logTo(const QString& name) {
        t.session->decl.LogFileName = dir.filePath(name);
        t.session->decl.LoggingActive = true;
        return t.session->decl;
    }
    QTemporaryDir dir;
    ConnectedSim t;
    PollingCycle cycle{*t.session};
    int refreshes = 0;
};

const QString kTemps = QStringLiteral("220 46 32 1 10");
const QString kMax = QStringLiteral("222 46 120 1 1");
const QString kTachs = QStringLiteral("220 46 42 1 8");
const QString kDuty = QStringLiteral("220 46 50 1 4");
} // namespace

class TestMonitoringCore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Old points go by time, across the ring's wrap, without the ring ever growing; keys never go back.
    void historyIsBoundedByTime() {
        GraphHistory h(1);
        const std::size_t bytes = h.bytesAllocated();
        for (int n = 0; n < 1000; ++n)
            h.append(n / 64.0, sample(n));
        // The last second: 65 points, from number 935.
        QCOMPARE(std::tuple(h.bytesAllocated(), h.size(), h.value(11, 64).value_or(-1), h.firstNumber()),
                 std::tuple(bytes, std::size_t(65), 99911, std::uint64_t(935)));
        h.append(5, sample(7)); // a clock step back is taken as now
        QCOMPARE(h.lastKey(), 999 / 64.0);
        // Points arriving faster than the ring was made for push out the oldest, not memory up.
        for (int n = 0; n < 200; ++n)
            h.append(10, sample(n));
        QCOMPARE(h.size(), h.capacity());
        h.setSpan(1); // the span it has: a full ring keeps every point
        QCOMPARE(h.size(), h.capacity());

        GraphHistory s(10);
        for (int n = 0; n < 12; ++n) {
            GraphSample x = sample(n);
            if (n == 10) x[0].reset(); // Temp1 not read then: no point, across the copies below
            s.append(n, x);
        }
        s.setSpan(2);
        QStringList kept; // key:Temp1
        for (std::size_t i = 0; i < s.size(); ++i)
            kept << QStringLiteral("%1:%2").arg(s.key(i)).arg(s.value(0, i).value_or(-1));
        QCOMPARE(kept, QStringList({"9:900", "10:-1", "11:1100"}));
        QCOMPARE(std::tuple(s.value(7, 2).value_or(-1), s.lowerBound(9.5), s.upperBound(10)),
                 std::tuple(1107, std::size_t(1), std::size_t(2)));
        // After a gap longer than the span (reading paused), the new point is the only one.
        GraphHistory gap(2);
        gap.append(0, sample(0));
        gap.append(5, sample(1));
        QCOMPARE(gap.size(), std::size_t(1));
        // A paused chart holds its range's points, in a store of their size (key, 12 values, presence bits).
        const GraphHistory held = s.slice(9.5, 11);
        QVERIFY(held.size() == 2 && held.key(0) == 10 && held.value(7, 1) == 1107 && !s.value(0, 1) &&
                !held.value(0, 0) && held.value(0, 1) == 1100 &&
                held.bytesAllocated() == 2 * (8 + 12 * 4 + 2));
    }

    // Until the history fills the span the axis starts at the first point, >= 1 min, in steps; then scrolls.
    void timeAxisSpreadsTheFirstMinutes() {
        GraphHistory h;
        const double t0 = QDateTime(QDate(2024, 3, 1), QTime(14, 0)).toMSecsSinceEpoch() / 1000.0;
        QList<double> widths;
        for (int s = 0; s <= 700; ++s) {
            h.append(t0 + s, sample(s));
            const ValueRange r = TimeRange(h, 600);
            QCOMPARE(r.lower, t0 + std::max(0, s - 600));
            QVERIFY(r.upper >= t0 + s && r.upper - r.lower <= std::max(60.0, std::min(s, 600) * 1.1));
            if (!widths.contains(r.upper - r.lower)) widths << r.upper - r.lower;
        }
        QVERIFY(widths.size() < 30 && widths.back() == 600);
    }

    // Pixel columns keep low and high in order; traces start at once; folding in, zoomed or not, is a replot.
    void decimationKeepsExtremesIncrementally() {
        GraphHistory h(100);
        const int temps[] = {5, 9, 1, 9, 3, 7, 2, 8, 6}; // a high met again after a low keeps the order
        for (int n = 0; n < 9; ++n) {
            GraphSample s{};
            s[0] = temps[n];
            if (n >= 3) s[1] = temps[n];
            h.append(n * 0.5, s);
        }
        QStringList cols;
        for (int series : {0, 1}) {
            MinMaxDecimator d(series);
            for (const MinMaxColumn& c : d.columns(h, 0.5, 10, 2))
                cols << QStringLiteral("%1:%2,%3").arg(c.key).arg(c.first).arg(c.second);
        }
        // 0 s (5) lies left of the range
        QCOMPARE(cols, QStringList({"0:9,1", "2:2,8", "4:6,6", "0:9,9", "2:2,8", "4:6,6"}));

        GraphHistory big(60);
        MinMaxDecimator running(4);
        for (int n = 0; n < 20000; ++n) {
            GraphSample s{};
            s[4] = (n * 7919) % 4801;
            big.append(n * 0.01, s);
            if (n % 37 == 0) running.columns(big, big.lastKey() - 60, big.lastKey(), n < 9000 ? 0.25 : 0.5);
        }
        const auto incremental = running.columns(big, big.lastKey() - 60, big.lastKey(), 0.5);
        const auto whole = MinMaxDecimator(4).columns(big, big.lastKey() - 60, big.lastKey(), 0.5);
        QCOMPARE(incremental.size(), std::size_t(121));
        for (std::size_t c = 1; c < whole.size(); ++c) // the first column is cut by the range's edge
            QVERIFY(incremental[c].key == whole[c].key && incremental[c].first == whole[c].first &&
                    incremental[c].second == whole[c].second);
    }

    // A zoom keeps its centre and least span (no factor: none); a range past the limits or reversed moves in.
    void captionsIntervalAndZoom() {
        QCOMPARE(GraphCaption(1, -5), QStringLiteral("Temp2=-5°C"));
        std::int16_t interval = 50;
        QList<std::pair<IntervalEdit, int>> edits; // and the interval after it (braces keep the order)
        for (const char* typed : {"x", "12.5ms", "0", "0.4", "40000"})
            edits << std::pair{TypedGraphInterval(QString::fromUtf8(typed), interval), int(interval)};
        using enum IntervalEdit;
        QCOMPARE(edits, (QList<std::pair<IntervalEdit, int>>{
                            {Unchanged, 50}, {Set, 12}, {Unchanged, 12}, {Set, 0}, {Refused, 0}}));
        const ValueRange temp = AxisSpec(GraphAxis::Temperature).limits;
        QCOMPARE((QList{ZoomValueRange({0, 60}, 0.5, 30, temp), ZoomValueRange({20, 22}, 0.01, 21, temp),
                        ZoomValueRange({20, 30}, 0, 21, temp), ClampValueRange({100, 160}, temp),
                        ClampValueRange({-1, 16000}, AxisSpec(GraphAxis::FanSpeed).limits),
                        ClampValueRange({50, -10}, AxisSpec(GraphAxis::Duty).limits)}),
                 (QList<ValueRange>{{15, 45}, {20.5, 21.5}, {20, 30}, {70, 130}, {0, 15000}, {0, 60}}));
    }

    void csvOfTheShownRange() {
        GraphHistory h;
        const double t0 = QDateTime(QDate(2024, 3, 1), QTime(13, 59, 58)).toMSecsSinceEpoch() / 1000.0;
        for (int n = 0; n < 4; ++n) {
            GraphSample s = sample(n);
            if (n == 1) s[5].reset(); // never read: its field stays empty
            h.append(t0 + n * 0.75, s);
        }
        std::deque<Event> events; // at both ends of the range and just outside it: those at the ends go in
        for (int ms : {600, 700, 1500, 1600})
            events.push_back({EventKind::AlarmRaised, 0, {}, ms, {}, QString::number(ms), {}, {}, {}});
        const auto markers = ChartMarkers(events, GraphClock(0, qint64(t0 * 1000)), t0 + 0.7, t0 + 1.5, 0);
        QCOMPARE(GraphCsv(h, {0, 5, 11}, t0 + 0.7, t0 + 1.5, markers),
                 fileBytes(VORTANE_TEST_DATA "/graph-export.csv"));
        // The traces start at the left edge and scroll once they fill the span.
        QCOMPARE(TimeRange(h, 10), (ValueRange{t0, t0 + 10}));
        h.append(t0 + 12, sample(9));
        QCOMPARE(TimeRange(h, 10), (ValueRange{t0 + 2, t0 + 12}));
    }

    void temperatureTachAndDuty() { // data/conversions.txt
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/conversions.txt")) {
            const int from = r[1].toInt(nullptr, 0), to = r[2].toInt(nullptr, 0);
            if (r[0] == "temperature") QCOMPARE(TemperatureToByte(to), from);
            const std::map<QString, std::int64_t> converted{{"temperature", TemperatureFromByte(from)},
                                                            {"tach", TachToRpm(from)},
                                                            {"duty", DutyPercentFromByte(from)},
                                                            {"duty-byte", DutyByteFromPercent(from)}};
            QCOMPARE(converted.at(r[0]), std::int64_t(to));
        }
        QCOMPARE((std::pair{TemperatureToByte(200), TemperatureToByte(-300)}), (std::pair{0x7F, 0x80}));
        // A limit from a speed may not fit the 16-bit register (its rounding: the limits' tests).
        QCOMPARE(std::pair(TachCount(0x8C, 0x0A), qint64(RpmToTachCount(82))),
                 std::pair(2700, qint64(65854)));
    }

    void logLinesAndRefusedWrites() {
        QCOMPARE(LogHeader(LogSelectionArray{}), QStringLiteral("Time ,"));
        // Characters outside Windows-1252 cannot corrupt the line; its own upper half is kept.
        QCOMPARE(LogLineBytes(QString::fromUtf16(u"0,\u00B0\u20AC\u4E2D")), QByteArray("0,\xB0\x80?\r\n"));
        Readings readings;
        readings.Temperatures[0] = -5;
        const LogSelectionArray temp1{true};
        const QString unread = LogLine(3, 100, readings, temp1); // a gap, not a false 0
        markRead(readings);
        // The time is the exact product of line number and interval: no drift, and no overflow.
        QCOMPARE(
            (QStringList{unread, LogLine(3, 100, readings, temp1), LogLine(7, 333, readings, {}),
                         LogLine(3000000, 3600000, readings, {}), LogLine(3000000000, 10, readings, {})}),
            (QStringList{".3,,", ".3,-5,", "2.331,", "10800000000,", "30000000,"})); // a year at 10 ms
        // A write the disk refuses, whole or in part, is reported, and never leaves half a line.
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("log.csv"));
        QVERIFY(AppendToFile(fileName, "0, 25,\r\n"));
        QVERIFY(!AppendToFile(dir.filePath(QStringLiteral("missing/folder/log.csv")), "x\r\n"));
        QString reason;
        {
            FileSizeLimit limit(8 + 4);
            QVERIFY(!AppendToFile(fileName, "1, 1500,\r\n", &reason));
        }
        QCOMPARE(std::pair(reason, fileBytes(fileName)),
                 std::pair(QString("File too large"), QByteArray("0, 25,\r\n")));
    }

    // One group per call; failed reads leave stale bytes: a group never read stays absent, a read one as was.
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
        QVERIFY(!r.temperature(0) && !r.temperature(9) && !r.fanSpeed(0) && !r.dutyCycle(3) &&
                r.temperature(10)); // the maximum: a register read of its own
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
        QCOMPARE(std::pair(r.FanSpeeds, r.DutyCycles), std::pair(good.FanSpeeds, good.DutyCycles));
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

    // Interval 0 reads one group every tick, reading off none; a changed interval holds from the next tick.
    void readIntervalZeroOffAndChanged() {
        Poll p, q;
        p.t.session->options.ReadInterval = 0;
        p.run(300);
        QCOMPARE(std::pair(p.count(kTemps) + p.count(kTachs) + p.count(kDuty), p.count(kMax)),
                 std::pair(30, 10));
        p.t.session->options.ReadingEnabled = false;
        p.t.board->clearJournal();
        p.run(2000);
        QVERIFY(p.t.requests().isEmpty());

        q.run(50); // first read at 0
        q.t.session->options.ReadInterval = 1000;
        q.run(900);
        QCOMPARE(std::pair(q.count(kTemps), q.count(kTachs)), std::pair(1, 0));
        q.t.session->options.ReadInterval = 100;
        q.run(10);
        QCOMPARE(q.count(kTachs), 1);
    }

    // Register map: waits for continuous read; board window: run while no test runs; closed: last run kept.
    void windowTasksAndTheirLastRun() {
        Poll map, board, limits;
        bool ticked = false;
        map.cycle.setContinuousReadTicked([&] { return ticked; });
        map.countRefreshes(PollTask::RegisterMap, map.t.session->decl.RegisterMapOpen);
        QVERIFY(map.run(3000) == 0 && !map.cycle.lastRun[std::size_t(PollTask::RegisterMap)]);
        ticked = true; // runs on the next tick (its time has not moved), then every whole second after it
        QCOMPARE((QList<int>{map.run(10), map.run(3000)}), (QList<int>{1, 4}));

        board.countRefreshes(PollTask::BoardInfo, board.t.session->decl.BoardInfoOpen);
        QVERIFY(board.run(500) == 0 && board.cycle.lastRun[std::size_t(PollTask::BoardInfo)].has_value());
        board.t.session->decl.FreeWheelRunning = true; // 500 ms on: within a second of the last (empty) run
        QCOMPARE((QList<int>{board.run(500), board.run(100)}), (QList<int>{0, 1}));

        limits.countRefreshes(PollTask::Limits, limits.t.session->decl.LimitsOpen);
        QCOMPARE(limits.run(10), 1);
        limits.t.session->decl.LimitsOpen = false;
        limits.run(500);
        limits.t.session->decl.LimitsOpen = true;
        // Up to 990 ms since the last run; the second runs on the tick where a whole second has passed.
        QCOMPARE((QList<int>{limits.run(490), limits.run(10)}), (QList<int>{1, 2}));
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
        QCOMPARE(p.run(1000), 17);
        p.t.session->options.GraphInterval = 50; // a multiple of the tick: kept exactly
        QCOMPARE(p.run(1000), 17 + 20);
        p.cycle.clearRefresh(PollTask::Graph); // the window closed
        QCOMPARE(p.run(1000), 17 + 20);
    }

    void loggingRepeatsTheLastReadingsWhenReadingIsOff() {
        Poll p;
        p.t.session->options.ReadingEnabled = false;
        p.t.session->readings.Temperatures[0] = -5;
        markRead(p.t.session->readings);
        Declarations& d = p.logTo(QStringLiteral("log.csv"));
        QVERIFY(writeFile(d.LogFileName, {}));
        d.LogSelection = {true};
        d.LogSampleCount = std::int64_t(1) << 32; // a count past 32 bits keeps its time column
        p.run(350);                               // lines at 0, 100, 200, 300
        QCOMPARE(fileBytes(d.LogFileName),
                 QByteArray("429496729.6,-5,\r\n429496729.7,-5,\r\n429496729.8,-5,\r\n429496729.9,-5,\r\n"));
        QVERIFY(p.t.requests().isEmpty());
    }

    // A log removed while logging stops, once, says why, and is not started afresh without its header.
    void unwritableLogStopsLoggingAndSaysSo() {
        Poll p;
        const Declarations& d = p.logTo(QStringLiteral("log.csv"));
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

    // Ticking only where nextDueMs says runs every task on a 10 ms tick's ticks, through random changes.
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
            if (what % 4 == 0) s.options.ReadInterval = value;
            if (what % 4 == 1) s.options.GraphInterval = std::int16_t(value);
            if (what % 4 == 2) s.options.LogInterval = value;
            if (what % 4 == 3) *flags[(what / 4) % 12] = !*flags[(what / 4) % 12];
        };
        QRandomGenerator random(2024);
        constexpr std::int64_t End = 120000, Never = std::numeric_limits<std::int64_t>::max();
        std::int64_t nextChange = 7, wake = 0; // the first tick, and so the grid, off a round ten
        for (std::int64_t now = 7; now <= End; now += PollingCycle::TickMs) {
            const bool changed = now == nextChange;
            if (changed) {
                const std::uint32_t what = random.generate();
                const int value = QList<int>{0, 10, 25, 50, 100, 331, 1000, 2500}[random.bounded(8)];
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
        QVERIFY(every.runs.size() > 2000 &&
                sleeping.t.board->journal().size() == every.t.board->journal().size());
        QCOMPARE(sleeping.runs, every.runs);
    }

    // Waking up to a tick late, as a real timer does: an hour of 100 ms lines, each within a tick.
    void anHourOfLateWakesKeepsTheLogOnTime() {
        Poll p;
        const Declarations& d = p.logTo(QStringLiteral("hour.csv"));
        QVERIFY(writeFile(d.LogFileName, {}));
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
        QVERIFY(d.LogSampleCount == 36001 && late < PollingCycle::TickMs);
    }

    void linkErrorStopsTheTick() {
        ConnectedSim t;
        ReadMeasurements(*t.session, TemperatureGroup); // Max Temp 30 °C
        t.usb().TransferBuffer[10] = 0x22; // an earlier request's byte, just past the ten temperatures
        t.board->options().failRequestNumber = t.board->requestCount() + 2; // the 0x78 read after the block
        PollingCycle cycle(*t.session);
        int refreshes = 0;
        cycle.setRefresh(PollTask::Limits, [&] { ++refreshes; });
        t.session->decl.LimitsOpen = true;
        cycle.Tick(0); // the failed read's byte, and the buffer's, are no reading
        QCOMPARE(std::tuple(t.programEnds, refreshes, t.session->readings.temperature(10)),
                 std::tuple(QList<int>{3}, 0, std::optional<std::int32_t>(30)));
    }
};

QTEST_GUILESS_MAIN(TestMonitoringCore)
#include "tst_monitoringcore.moc"
