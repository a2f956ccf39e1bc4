// The bench runs over the simulated board: known answers, the chip put back, the report folder's bytes.
#include "evaluation/BenchReport.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

// A bench run over a simulated board so set up; its report folder is data/reports/NAME.
struct ReportRow {
    SimOptions options;
    std::vector<std::pair<int, int>> registers;
    std::function<BenchReportData(Session&, RunControl&)> run;
};

// Held tachs: fan 1 coasts to a stop, fan 2 seizes, each still reading a speed; without noise a turning
// fan's count is as still, so only the undriven fan tells them apart. Fan 3, seized once stopped, stays.
const SimOptions HeldTachs{.chip = {.noise = 0,
                                    .fanSeizesAtMs = {NeverSeizes, 100, 85000, NeverSeizes},
                                    .fanStartDuty = {41, 30, 34, 28},
                                    .fanStopDuty = {23, 15, 22, 17},
                                    .tachHolds = {true, true, false, false}}};

} // namespace

class TestBenchRuns : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void calibrationSeesThroughAHeldTachReading() {
        ConnectedSim sim(HeldTachs);
        const QList<int> before = sim.chipState();
        RunControl control;
        QList<double> bar;
        control.progress = [&bar](double f, const QString&) { bar << f; };
        const FanCalibrationReport r =
            RunFanCalibration(*sim.session, {.outputs = {1, 2, 3}, .nominalRpm = {}}, control);
        QCOMPARE(
            std::tuple(r.outcome, sim.chipState(), r.results[2].stopDuty, bar.last(), r.results[2].warnings),
            std::tuple(RunOutcome::Finished, before, std::optional<int>(22), 1.0,
                       QStringList{"the stopped fan did not start even at 100 %"}));
        QVERIFY(std::is_sorted(bar.begin(), bar.end()) && bar[bar.size() / 2] < 0.7);
    }

    // The nominal speed the user states is the reference when there is one: a fan at half of it.
    void calibrationAgainstAStatedNominal() {
        ConnectedSim sim({.chip = {.fanMaxRpm = {2400, 4200, 3600, 3000}}});
        sim.chip().write(0x68, 0xC3); // outputs 1 and 2 automatic, full speed when their fan fails
        RunControl control;
        QStringList warnings; // against fans about half, twice and as fast as stated; then hurried
        for (const auto& [rpm, ms] : {std::pair{4900, 15000}, {1250, 15000}, {2500, 15000}, {2400, 400}})
            warnings << RunFanCalibration(*sim.session, {{1}, 10, rpm, ms}, control)
                            .results[0]
                            .warnings.join(u' ');
        QVERIFY(warnings[0].contains("about half 4900 RPM") && warnings[1].contains("about twice 1250 RPM") &&
                warnings[2].isEmpty() &&
                warnings[3].startsWith("the speed did not settle within 0.4 s at 100 %"));
        QVERIFY(sim.requestTexts().contains(writeText(0x68, 0x41))); // output 2 keeps both
        // Against the other outputs: beside only a fan that does not turn (4), fan 1 is suspected of nothing.
        QVERIFY(
            RunFanCalibration(*sim.session, {{1, 4}, 10, {}, 15000}, control).results[0].warnings.isEmpty());
    }

    // Judged at the edges (Tmin 40 °C, PWMmin 30 %, 3.5 % per °C, tolerance 2 points, met exactly): Tmin
    // reached by temperature or a duty past PWMmin's rounding; the leave placed from one ramp point, or two.
    void curveJudgedAtItsEdges() {
        const auto judge = [](std::vector<CurvePointMeasured> points) {
            CurveCheckResult r;
            std::tie(r.tmin, r.pwmMin, r.pwmMax, r.configuredSlope, r.tolerance, r.points) =
                std::tuple(40, 30, 100, 3.5, 2.0, points);
            JudgeCurve(r);
            return QString::asprintf("%d %g ", r.passed, r.measuredLeaveTemperature.value_or(-1)) +
                   r.notes.join(u'|');
        };
        QCOMPARE(judge({{31, 0}, {39, 31}}),
                 "0 -1 the temperature never reached Tmin: the curve is not checked");
        QCOMPARE(judge({{31, 0}, {40, 30}, {40, 31}, {70, 99}}), "1 -1 "); // within rounding of both ends
        QCOMPARE(judge({{31, 0}, {38, 32}}), "1 37.4286 one point on the ramp: the slope is not measured");
        QCOMPARE(judge({{41, 33}, {42, 37}}), "1 40.25 ");
    }

    void curveCheckPassesOnTheDefaultChipAndFailsAnOffsetLoop_data() { // the loop's offset, passes
        addRows<std::pair<double, bool>>({{"default chip", {0.0, true}},
                                          {"loop reads 10 degrees high", {10.0, false}},
                                          {"loop reads 2 degrees low", {-2.0, false}}});
    }
    void curveCheckPassesOnTheDefaultChipAndFailsAnOffsetLoop() {
        const auto [offset, passes] = fetchRow<std::pair<double, bool>>();
        // 170 ms a request: a reading may change between the two reads around a duty, making no point.
        ConnectedSim sim({.requestMs = 170, .chip = {.autoOffsetC = offset}});
        const QList<int> before = sim.chipState();
        RunControl control;
        const CurveCheckReport r = RunCurveCheck(*sim.session, {.output = 2, .heater = 1}, control);
        const auto measured = std::ranges::count(r.samples, QStringLiteral("measured"), &BenchSample::phase);
        const CurveCheckResult& c = r.result; // the default chip runs its outputs by hand: set for the run
        QCOMPARE(std::tuple(r.outcome, sim.chipState(), c.setForRun, c.passed),
                 std::tuple(RunOutcome::Finished, before, true, passes));
        QVERIFY(c.points.size() >= 20 && std::ssize(c.points) < measured && c.measuredLeaveTemperature &&
                c.measuredSlope);
        QVERIFY(std::abs(*c.measuredLeaveTemperature - (c.tmin - offset)) <= 1.0); // moved by the offset
        QVERIFY2(std::abs(*c.measuredSlope - 3.35) < 0.3, qPrintable(QString::number(*c.measuredSlope)));
        QVERIFY(passes ? c.maxDeviation <= 3.0 : c.maxDeviation > 5.0);
    }

    // An output following the hottest sensor ("Max Temp"), the heated one, Tmin 50 °C (the heater's reach):
    // checked as configured, not re-set. Fan 1's tach off: 74h's bit 0, not the shut-down bit 7.
    void curveCheckUsesAConfiguredCurveInReach() {
        ConnectedSim sim;
        writeAll(sim.chip(), {{0x69, 0x40}, {0x7D, 0x00}, {0x71, 50}, {0x6D, 0x66}, {0x3B, 0xCC}, {0x74, 1}});
        const QList<int> before = sim.chipState();
        RunControl control;
        QStringList said; // the progress line's last words, its bar rising all the way
        QList<double> bar;
        control.progress = [&](double f, const QString& what) {
            said = QStringList{said.value(1), what}, bar << f;
        };
        const CurveCheckReport r = RunCurveCheck(*sim.session, {.output = 4, .heater = 2}, control);
        QCOMPARE(std::pair(said, sim.chipState()), std::pair(QStringList{"Cooling down", "Done"}, before));
        QVERIFY(std::is_sorted(bar.begin(), bar.end()) && bar.size() > 12 && bar[1] < 0.1 && bar.last() == 1);
        QCOMPARE(std::tuple(r.result.setForRun, r.result.tmin, r.result.passed), std::tuple(false, 50, true));
    }

    void limitTripsWithinOneReading() {
        ConnectedSim sim({.chip = {.noise = 0.5}});
        // High limits Temp1 36 °C, Temp2 33 °C (masked); fan 3 minimum 2000 RPM, fan 1 maximum 4500 RPM.
        writeAll(
            sim.chip(),
            {{0x45, 36}, {0x47, 33}, {0x72, 0x02}, {0x5C, 0x8C}, {0x5D, 0x0A}, {0x60, 0xB0}, {0x61, 0x04}});
        writeAll(sim.chip(), {{0x68, 0x80}, {0x69, 0x80}}); // fans 1 and 3 under automatic control
        const QList<int> before = sim.chipState();
        RunControl control;
        QList<double> bar; // it only rises, sweep by sweep
        control.progress = [&bar](double f, const QString&) { bar << f; };
        const LimitTripReport r = RunLimitTrips(*sim.session, {}, control);
        QStringList rows; // channel, kind, limit, set at, masked, mask held (-1: not masked), a note
        for (const LimitTripRow& t : r.rows)
            rows << QString::asprintf("%s %s %d %d %d %d%s", qPrintable(t.channel),
                                      std::array{"high", "low", "min", "max"}[std::size_t(t.kind)], t.limit,
                                      t.kind == LimitKind::TemperatureHigh ? t.setAt.value_or(-1) : 0,
                                      int(t.masked), t.maskHonoured ? int(*t.maskHonoured) : -1,
                                      qPrintable(t.note));
        QCOMPARE(std::tuple(r.outcome, sim.chipState(), rows, std::is_sorted(bar.begin(), bar.end())),
                 std::tuple(RunOutcome::Finished, before,
                            QStringList({"Temp1 high 36 37 0 -1", "Temp2 high 33 34 1 1",
                                         "Fan1 max 4500 0 0 -1", "Fan3 min 2000 0 0 -1"}),
                            true));
        // The fans' noisy speeds cross within a reading of their limits.
        const auto in = [](std::optional<int> v, int low, int high) { return v && *v >= low && *v <= high; };
        const LimitTripRow &t1 = r.rows[0], &fanMax = r.rows[2], &fanMin = r.rows[3];
        QVERIFY(in(t1.clearedAt, 35, 36) && in(fanMax.setAt, 4501, 4599) &&
                in(fanMax.clearedAt, 4401, 4500) && in(fanMin.setAt, 1901, 1999) &&
                in(fanMin.clearedAt, 2000, 2099));
        QCOMPARE(t1.setDelayMs, std::optional<std::int64_t>(0));
    }

    // Status a second late: delays from the reading that crossed. Fans it cannot read (tach off, GPIO, none).
    void limitTripsMeasureTheChipsDelay() {
        ConnectedSim sim({.chip = {.statusLagMs = 1000}});
        writeAll(sim.chip(), {{0x36, 0x08}, {0x74, 0x02}, {0x7F, 0x02}, {0x5A, 0}, {0x5C, 0}, {0x5E, 0}});
        writeAll(sim.chip(), {{0x45, 36}, {0x47, 33}}); // Temp2's sweep the last that changes anything
        sim.usb().SetHeater(2, 10);                     // back at 10 % after it
        const QList<int> before = sim.chipState();
        RunControl control;
        const LimitTripReport r = RunLimitTrips(*sim.session, {}, control);
        QStringList rows;
        for (const LimitTripRow& t : r.rows)
            rows << t.channel + ' ' + t.note.left(3);
        QCOMPARE(std::pair(rows, sim.chipState()), // "not measured: ..."
                 std::pair(QStringList({"Temp1 ", "Temp2 ", "Fan2 not", "Fan3 not", "Fan4 not"}), before));
        for (const std::optional<std::int64_t>& delay : {r.rows[0].setDelayMs, r.rows[0].clearDelayMs})
            QVERIFY(delay && *delay >= 1000 && *delay <= 1000 + control.sampleMs);
    }

    // Cancelled at several points: the chip is put back register by register.
    void everyWayOutRestoresTheChip_data() {
        QTest::addColumn<std::pair<QString, int>>("row"); // the run, the samples it is cancelled after
        for (const char* run : {"calibration", "curve", "limits"})
            for (int n : {1, 9, 40})
                QTest::addRow("%s cancelled after %d samples", run, n) << std::pair(QString(run), n);
    }
    void everyWayOutRestoresTheChip() {
        const auto& [run, cancelAfterSamples] = fetchRow<std::pair<QString, int>>();
        ConnectedSim sim({.heaterHalfSteps = true, .chip = {}}); // heater 2's 35 % is reported as 69
        writeAll(sim.chip(), {{0x45, 45}, {0x5C, 0x8C}, {0x5D, 0x0A}, {0x68, 0x40}});
        sim.usb().SetHeater(2, 35);
        const QList<int> before = sim.chipState();
        int samples = 0;
        RunControl control;
        control.sample = [&samples](const BenchSample&) { ++samples; };
        control.cancelled = [&] { return samples >= cancelAfterSamples; };
        const RunOutcome outcome =
            run == "calibration"
                ? RunFanCalibration(*sim.session, {.outputs = {2, 3}, .nominalRpm = {}}, control).outcome
            : run == "curve" ? RunCurveCheck(*sim.session, {.heater = 2}, control).outcome
                             : RunLimitTrips(*sim.session, {}, control).outcome;
        QCOMPARE(std::tuple(outcome, samples, sim.chipState()),
                 std::tuple(RunOutcome::Cancelled, cancelAfterSamples, before));
    }

    void refusedOrLinkLostChangesNothingMore() {
        ConnectedSim sim;
        sim.chip().write(0x40, 0x03); // TEST: the free-wheel test has the outputs, nothing to measure
        const QList<int> before = sim.chipState();
        RunControl control;
        const FanCalibrationReport f = RunFanCalibration(*sim.session, {}, control);
        QVERIFY(f.reason.contains(QStringLiteral("free-wheel test is running")));
        // Each refusal names its cause: STRT clear, all at full speed, tach off, pin a GPIO, no such output.
        for (const auto& [reg, value, output, reason] :
             {std::tuple{0x40, 0x00, 1, "monitoring is stopped"},
              {0x40, 0x05, 1, "every output is forced to full speed (FSPD set)"},
              {0x74, 0x02, 2, "fan 2's tach is disabled (T2DIS set)"},
              {0x7F, 0x04, 2, "output 2 is used as a GPIO"},
              {0x40, 0x01, 5, "no such output"}}) {
            ConnectedSim refusing;
            refusing.chip().write(reg, value);
            const FanCalibrationReport r =
                RunFanCalibration(*refusing.session, {.outputs = {1, output}, .nominalRpm = {}}, control);
            QVERIFY2(r.outcome == RunOutcome::Refused && r.reason.contains(reason), qPrintable(r.reason));
            if (reg == 0x40 && output == 1) // stopped, or all at full speed: the other runs refuse as well
                QVERIFY(RunCurveCheck(*refusing.session, {}, control).reason.contains(reason) &&
                        RunLimitTrips(*refusing.session, {}, control).reason.contains(reason));
        }
        QCOMPARE((QList<RunOutcome>{f.outcome, RunCurveCheck(*sim.session, {}, control).outcome,
                                    RunLimitTrips(*sim.session, {}, control).outcome}),
                 QList<RunOutcome>(3, RunOutcome::Refused));
        using Absent = std::tuple<int, int, const char*>; // output, heater, what is not there
        for (const auto& [output, heater, what] : {Absent{0, 1, "PWM output 0"}, Absent{5, 2, "PWM output 5"},
                                                   Absent{4, 0, "heater 0"}, Absent{1, 3, "heater 3"}})
            QVERIFY(RunCurveCheck(*sim.session, {.output = output, .heater = heater}, control)
                        .reason.startsWith(QStringLiteral("there is no ") + what));
        QCOMPARE(sim.chipState(), before);
        for (const QString& r : sim.requestTexts())
            QVERIFY2(r.endsWith(QLatin1String(" 1 1")), qPrintable(r)); // reads only

        // The link goes at any of a few requests: the run stops there, its samples the first (no stale byte).
        QStringList whole; // each sample as text
        control.sample = [&whole](const BenchSample& b) {
            whole << QString::asprintf("%lld %s %.17g %d %d %d %d", qlonglong(b.ms), qPrintable(b.phase),
                                       b.setting, b.temperature.value_or(-999), b.rpm.value_or(-1),
                                       b.duty.value_or(-1), int(b.status.value_or(false)));
        };
        ConnectedSim full;
        RunCurveCheck(*full.session, {}, control);
        const QStringList all = std::exchange(whole, {});
        for (int request = 60; request < 66; ++request) {
            ConnectedSim cut;
            cut.board->options().failRequestNumber = cut.board->requestCount() + request;
            const CurveCheckReport c = RunCurveCheck(*cut.session, {}, control);
            const QStringList kept = std::exchange(whole, {});
            QCOMPARE(std::tuple(c.outcome, c.restored, cut.programEnds.size(),
                                cut.requests().last().status != 0, kept),
                     std::tuple(RunOutcome::LinkError, false, 1, true, all.mid(0, kept.size())));
        }
    }

    // Whole report folders against data/reports/NAME (VORTANE_UPDATE_REPORTS=1 writes them afresh).
    void reportsWhole_data() {
        const auto calibrate = [](FanCalibrationOptions o) {
            return [o](Session& s, RunControl& c) {
                return FanCalibrationReportData(RunFanCalibration(s, o, c));
            };
        };
        const auto curve = [](CurveCheckOptions o) {
            return [o](Session& s, RunControl& c) { return CurveCheckReportData(RunCurveCheck(s, o, c)); };
        };
        addRows<ReportRow>({
            // Fan 2 gives two pulses a revolution, the chip counts four; fan 3 never stops. Outputs 2, 3
            // automatic, taken by hand and handed back; 4 at full duty, FL forcing full speed below 1000 RPM.
            {"calibration",
             {{.chip = {.fanPresent = {true, true, true, true},
                        .fanMaxRpm = {3000, 3100, 2950, 3050},
                        .fanStartDuty = {37, 44, 29, 51},
                        .fanStopDuty = {21, 12, 19, 33},
                        .fanMinRpm = {0, 0, 650, 0}}},
              {{0x69, 0x81}, {0x68, 0x40}, {0x35, 0xFF}, {0x5E, 0x18}, {0x5F, 0x15}, {0x43, 0x5D}},
              calibrate({.outputs = {1, 2, 3, 4}, .nominalRpm = {}})}},
            {"calibration-held", // held tachs, fans seizing (2 at once, 3 when stopped), a stated nominal
             {HeldTachs, {}, calibrate({.outputs = {1, 2, 3}, .stepPercent = 7, .nominalRpm = 2200})}},
            {"curve-offset", // set for the run; the loop reads 10 degrees high
             {{.chip = {.autoOffsetC = 10}}, {}, curve({.output = 2, .heater = 1})}},
            {"curve-cancelled", // stopped early: its samples and outcome, no results measured so far
             {{},
              {},
              [](Session& s, RunControl& c) {
                  c.cancelled = [n = 0]() mutable { return ++n > 8; };
                  return CurveCheckReportData(RunCurveCheck(s, {.output = 3, .heater = 2}, c));
              }}},
            {"curve-configured",
             {{},
              {{0x69, 0x40}, {0x7D, 0x02}, {0x71, 37}, {0x6D, 0x66}, {0x3B, 0xCC}},
              curve({.output = 4, .heater = 2})}},
            {"limits", // noisy, the status late; a masked channel, a fan under automatic control
             {{.chip = {.noise = 0.5, .statusLagMs = 600}},
              {{0x45, 90}, // Temp1 high, beyond the heater's reach: given up a minute after it stops rising
               {0x46, 28}, // Temp2 low only, above the resting temperature: heated clear, cooled set again
               {0x72, 0x02},
               {0x5C, 0x8C},
               {0x5D, 0x0A},
               {0x60, 0xB0},
               {0x61, 0x04},
               {0x68, 0x80}},
              [](Session& s, RunControl& c) { return LimitTripReportData(RunLimitTrips(s, {}, c)); }}},
        });
    }
    void reportsWhole() {
        const ReportRow& row = fetchRow<ReportRow>();
        ConnectedSim sim(row.options);
        for (const auto& [reg, value] : row.registers)
            sim.chip().write(reg, value);
        const QList<int> before = sim.chipState();
        RunControl control;
        control.now = [tick = 0]() mutable {
            return QDateTime(QDate(2026, 5, 4), QTime(9, 30)).addMSecs(250 * tick++);
        };
        BenchReportData data = row.run(*sim.session, control);
        QCOMPARE(sim.chipState(), before);
        data.board = QStringLiteral("Simulated board");
        QTemporaryDir dir;
        QString charts; // each chart's title, axes and every series' points; the second is left undrawn
        QCOMPARE(WriteBenchReport(dir.path(), data,
                                  [&charts](const BenchChart& c) {
                                      charts += c.title + " | " + c.xLabel + " | " + c.yLabel + '\n';
                                      for (const ChartSeries& s : c.series) {
                                          charts += QStringLiteral("  %1%2:").arg(s.name,
                                                                                  s.line ? "" : " (points)");
                                          for (const QPointF& p : s.points)
                                              charts += QStringLiteral(" %1,%2").arg(p.x()).arg(p.y());
                                          charts += '\n';
                                      }
                                      return charts.count(u'|') == 4 ? QByteArray() : c.title.toUtf8();
                                  }),
                 QString());
        QVERIFY(writeFile(dir.filePath(QStringLiteral("charts.txt")), charts.toUtf8()));
        QDir want(QStringLiteral(VORTANE_TEST_DATA "/reports/") + QTest::currentDataTag());
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        if (qEnvironmentVariableIntValue("VORTANE_UPDATE_REPORTS") == 1) {
            QVERIFY(want.removeRecursively() && QDir().mkpath(want.path()));
            for (const QString& f : files)
                QVERIFY(QFile::copy(dir.filePath(f), want.filePath(f)));
        }
        QCOMPARE(files, want.entryList(QDir::Files));
        for (const QString& f : files) // a failing run leaves its folder as build/tests/report-NAME
            if (fileBytes(dir.filePath(f)) != fileBytes(want.filePath(f))) {
                dir.setAutoRemove(false);
                QDir().rename(dir.path(), QStringLiteral("report-") + QTest::currentDataTag());
                QFAIL(qPrintable(f + QStringLiteral(" differs from ") + want.filePath(f)));
            }

        QTemporaryDir other; // a name in the way that is not a regular file is left alone: a link, a folder
        QVERIFY(QFile::link(dir.filePath("charts.txt"), other.filePath("samples.csv")));
        QVERIFY(WriteBenchReport(other.path(), data, {})
                    .endsWith("samples.csv is not a regular file; not replaced"));
        QVERIFY(QFile::remove(other.filePath("samples.csv")) && QDir(other.path()).mkdir("report.json"));
        QVERIFY(WriteBenchReport(other.path(), data, {})
                    .endsWith("report.json is not a regular file; not replaced"));
    }
};

QTEST_GUILESS_MAIN(TestBenchRuns)
#include "tst_benchruns.moc"
