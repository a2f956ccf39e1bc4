// The bench runs over the simulated board with a manual clock: known answers from scenarios of
// our own, the chip put back on every way out, and the report folder's bytes.
#include "evaluation/BenchReport.h"
#include "support/SimSession.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

SimOptions scenario(const std::function<void(ChipScenario&)>& edit) {
    SimOptions o;
    edit(o.chip);
    return o;
}

const FanCalibrationResult* resultFor(const FanCalibrationReport& r, int output) {
    for (const FanCalibrationResult& f : r.results)
        if (f.output == output) return &f;
    return nullptr;
}

// The speed the calibration table gives for a duty; -1 when it has none.
int rpmAt(const FanCalibrationResult& f, int duty) {
    for (const auto& [d, rpm] : f.speedAtDuty)
        if (d == duty) return rpm;
    return -1;
}

} // namespace

class TestBenchRuns : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void calibrationFindsTheScenariosDuties_data() {
        QTest::addColumn<int>("step");
        QTest::newRow("10 % steps") << 10;
        QTest::newRow("7 % steps") << 7;
    }
    // Distinct duties on every fan, with the sensor and tach noise on, so that a threshold taken
    // from the wrong fan, the wrong direction or an unrefined step shows.
    void calibrationFindsTheScenariosDuties() {
        QFETCH(int, step);
        ConnectedSim sim(scenario([](ChipScenario& c) {
            c.fanPresent = {true, true, true, true};
            c.fanStartDuty = {37, 44, 29, 51};
            c.fanStopDuty = {21, 12, 19, 33};
            c.fanMinRpm = {0, 0, 650, 0};
            c.fanMaxRpm = {3000, 3100, 2950, 3050};
            c.fanPulsesPerRev = {2, 1, 2, 2}; // fan 2 gives one pulse, the chip counts two
        }));
        sim.chip().write(0x68, 0x80); // output 1 automatic: taken by hand for the run, then handed back
        const QList<int> before = sim.chipState();
        RunControl control;
        FanCalibrationOptions options;
        options.outputs = {1, 2, 3, 4};
        options.stepPercent = step;
        const FanCalibrationReport r = RunFanCalibration(*sim.session, options, control);
        QCOMPARE(r.outcome, RunOutcome::Finished);
        QVERIFY(r.restored);
        QCOMPARE(sim.chipState(), before);

        const FanCalibrationResult* f1 = resultFor(r, 1);
        const FanCalibrationResult* f2 = resultFor(r, 2);
        const FanCalibrationResult* f3 = resultFor(r, 3);
        const FanCalibrationResult* f4 = resultFor(r, 4);
        QVERIFY(f1 && f2 && f3 && f4);
        QCOMPARE(f1->startDuty, std::optional<int>(37));
        QCOMPARE(f1->stopDuty, std::optional<int>(21));
        QCOMPARE(f2->startDuty, std::optional<int>(44));
        QCOMPARE(f2->stopDuty, std::optional<int>(12));
        QCOMPARE(f4->startDuty, std::optional<int>(51));
        QCOMPARE(f4->stopDuty, std::optional<int>(33));
        QVERIFY(f1->warnings.isEmpty());
        // The fan that never stops: said so, and no duty made up for it.
        QVERIFY(!f3->stopsAtZero);
        QVERIFY(!f3->stopDuty && !f3->startDuty);
        QVERIFY(f3->warnings.contains(QStringLiteral("does not stop at 0 %")));
        // The chip waits two revolutions of fan 2 for its two edges: half its speed, against the
        // other three; only it is suspected, and told what the right setting would read.
        QVERIFY2(f2->fullRpm > 1450 && f2->fullRpm < 1650, qPrintable(QString::number(f2->fullRpm)));
        QVERIFY2(f2->warnings.join(u' ').contains(
                     QStringLiteral("(set to 2; 1 would read %1 RPM)").arg(2 * f2->fullRpm)),
                 qPrintable(f2->warnings.join(u' ')));
        QVERIFY(!f4->warnings.join(u' ').contains(QStringLiteral("pulses")));
        // A speed table that rises with the duty and is not a straight line.
        QCOMPARE(f1->speedAtDuty.front(), std::make_pair(100, f1->fullRpm));
        const auto at = [f1](int duty) { return rpmAt(*f1, duty); };
        QVERIFY(at(90) < at(100) && at(50) < at(90) && at(30) < at(50));
        QCOMPARE(at(10), 0);
        QVERIFY(at(100) - at(90) < (at(50) - at(40)) / 2);
    }

    // Tachs that hold their last count when the fan stops. Fan 1 coasts to a stop below its stop
    // duty and goes on reading its last speed; fan 2 seizes at once and goes on reading its full
    // speed. Taken at their word, fan 1 would "not stop at 0 %" and fan 2 would turn. Without
    // noise a turning fan's count does not move either, so only what the fan does without its
    // drive tells the two apart.
    void calibrationSeesThroughAHeldTachReading() {
        ConnectedSim sim(scenario([](ChipScenario& c) {
            c.noise = 0;
            c.tachHolds = {true, true, false, false};
            c.fanStartDuty = {41, 30, 34, 28};
            c.fanStopDuty = {23, 15, 22, 17};
            c.fanSeizesAtMs = {NeverSeizes, 100, NeverSeizes, NeverSeizes};
        }));
        const QList<int> before = sim.chipState();
        RunControl control;
        FanCalibrationOptions options;
        options.outputs = {1, 2};
        const FanCalibrationReport r = RunFanCalibration(*sim.session, options, control);
        QCOMPARE(r.outcome, RunOutcome::Finished);
        QCOMPARE(sim.chipState(), before);
        const FanCalibrationResult* f1 = resultFor(r, 1);
        const FanCalibrationResult* f2 = resultFor(r, 2);
        QVERIFY(f1 && f2);
        const QString heldSuffix = QStringLiteral(" RPM while the fan stood: taken as stopped");
        QVERIFY2(f1->stopsAtZero, qPrintable(f1->warnings.join(u'|')));
        QCOMPARE(f1->stopDuty, std::optional<int>(23));
        QCOMPARE(f1->startDuty, std::optional<int>(41));
        QVERIFY2(f1->warnings.size() == 1 && f1->warnings.at(0).endsWith(heldSuffix),
                 qPrintable(f1->warnings.join(u'|')));
        QVERIFY(rpmAt(*f1, 20) == 0 && rpmAt(*f1, 30) > 0);
        QCOMPARE(f2->fullRpm, 0);
        QVERIFY(!f2->stopDuty && !f2->startDuty);
        QCOMPARE(
            f2->warnings,
            QStringList(
                {QStringLiteral("the tach reading held at 4199") + heldSuffix, // 4200 RPM is 1286 counts,
                 QStringLiteral("the fan does not turn at 100 %: no fan, a seized fan or no tach signal")}));
    }

    // The nominal speed the user states is the reference when there is one: a fan at half of it.
    void calibrationAgainstAStatedNominal() {
        ConnectedSim sim(scenario([](ChipScenario& c) { c.fanMaxRpm = {2400, 4200, 3600, 3000}; }));
        RunControl control;
        FanCalibrationOptions options;
        options.outputs = {1};
        options.nominalRpm = 4900;
        FanCalibrationReport r = RunFanCalibration(*sim.session, options, control);
        QVERIFY(r.results.at(0).warnings.join(u' ').contains(QStringLiteral("about half 4900 RPM")));
        options.nominalRpm = 1250;
        r = RunFanCalibration(*sim.session, options, control);
        QVERIFY(r.results.at(0).warnings.join(u' ').contains(QStringLiteral("about twice 1250 RPM")));
        options.nominalRpm = 2500;
        r = RunFanCalibration(*sim.session, options, control);
        QVERIFY(r.results.at(0).warnings.isEmpty());
        // Points below Tmin that match the curve check nothing of it.
        CurveCheckResult cold;
        cold.tmin = 40;
        cold.pwmMin = 30;
        cold.pwmMax = 100;
        cold.points = {{31, 0, 0, 0}, {38, 30, 0, 0}}; // off below the band, PWMmin within it
        JudgeCurve(cold);
        QCOMPARE(
            std::pair(cold.passed, cold.notes),
            std::pair(false, QStringList{"the temperature never reached Tmin: the curve is not checked"}));
    }

    void curveCheckPassesOnTheDefaultChipAndFailsAnOffsetLoop_data() {
        QTest::addColumn<double>("offset");
        QTest::addColumn<bool>("passes");
        QTest::newRow("default chip") << 0.0 << true;
        QTest::newRow("loop reads 10 degrees high") << 10.0 << false;
        QTest::newRow("loop reads 2 degrees low") << -2.0 << false;
    }
    void curveCheckPassesOnTheDefaultChipAndFailsAnOffsetLoop() {
        QFETCH(double, offset);
        QFETCH(bool, passes);
        ConnectedSim sim(scenario([offset](ChipScenario& c) { c.autoOffsetC = offset; }));
        const QList<int> before = sim.chipState();
        RunControl control;
        CurveCheckOptions options;
        options.output = 2;
        options.heater = 1;
        const CurveCheckReport r = RunCurveCheck(*sim.session, options, control);
        QCOMPARE(r.outcome, RunOutcome::Finished);
        QCOMPARE(sim.chipState(), before);
        const CurveCheckResult& c = r.result;
        QVERIFY(c.setForRun); // the default chip runs its outputs by hand
        QCOMPARE(c.passed, passes);
        QVERIFY(c.points.size() >= 20);
        QVERIFY(c.measuredLeaveTemperature && c.measuredSlope);
        // The leave temperature moves by the offset; the slope does not.
        QVERIFY2(std::abs(*c.measuredLeaveTemperature - (c.tmin - offset)) <= 1.0,
                 qPrintable(QString::number(*c.measuredLeaveTemperature)));
        QVERIFY2(std::abs(*c.measuredSlope - 3.35) < 0.3, qPrintable(QString::number(*c.measuredSlope)));
        if (passes) QVERIFY(c.maxDeviation <= 3.0);
        if (!passes) QVERIFY(c.maxDeviation > 5.0);
    }

    // An output already following the heater's sensor is checked as configured, not re-set.
    void curveCheckUsesAConfiguredCurveInReach() {
        ConnectedSim sim;
        writeAll(sim.chip(), {{0x69, 0x40}, {0x7D, 0x02}, {0x71, 37}, {0x6D, 0x66}, {0x3B, 0xCC}});
        const QList<int> before = sim.chipState();
        RunControl control;
        QStringList said; // the progress line's last words
        control.progress = [&said](double, const QString& what) { said = QStringList{said.value(1), what}; };
        CurveCheckOptions options;
        options.output = 4;
        options.heater = 2;
        const CurveCheckReport r = RunCurveCheck(*sim.session, options, control);
        QCOMPARE(std::pair(said, sim.chipState()), std::pair(QStringList{"Cooling down", "Done"}, before));
        QCOMPARE(std::tuple(r.result.setForRun, r.result.tmin, r.result.zone, r.result.passed),
                 std::tuple(false, 37, 2, true));
        // Of the ramp from 40 % at 37 °C to 80 %, and never above 80 %.
        for (const CurvePointMeasured& p : r.result.points)
            QVERIFY(p.duty == 0 || (p.duty >= 40 && p.duty <= 80));
        QVERIFY(std::abs(*r.result.measuredLeaveTemperature - 37) <= 1.0);
    }

    void limitTripsWithinOneReading() {
        ConnectedSim sim(scenario([](ChipScenario& c) { c.noise = 0.5; }));
        // Temp1 high limit 36 °C; Temp2 high limit 33 °C, masked; fan 3 minimum 2000 RPM (count
        // 2700), fan 1 maximum 4500 RPM (count 1200).
        writeAll(
            sim.chip(),
            {{0x45, 36}, {0x47, 33}, {0x72, 0x02}, {0x5C, 0x8C}, {0x5D, 0x0A}, {0x60, 0xB0}, {0x61, 0x04}});
        const QList<int> before = sim.chipState();
        RunControl control;
        const LimitTripReport r = RunLimitTrips(*sim.session, {}, control);
        QCOMPARE(r.outcome, RunOutcome::Finished);
        QCOMPARE(sim.chipState(), before);
        QCOMPARE(r.rows.size(), std::size_t(4));
        const LimitTripRow& t1 = r.rows[0];
        const LimitTripRow& t2 = r.rows[1];
        QCOMPARE(t1.channel, QStringLiteral("Temp1"));
        QCOMPARE(t1.limit, 36);
        QCOMPARE(t1.setAt, std::optional<int>(37));
        QVERIFY(t1.clearedAt && *t1.clearedAt <= 36 && *t1.clearedAt >= 35);
        QVERIFY(!t1.masked && !t1.maskHonoured);
        QCOMPARE(t2.limit, 33);
        QCOMPARE(t2.setAt, std::optional<int>(34));
        QVERIFY(t2.masked);
        QCOMPARE(t2.maskHonoured, std::optional<bool>(true));
        const LimitTripRow& fanMax = r.rows[2];
        const LimitTripRow& fanMin = r.rows[3];
        QCOMPARE(fanMax.channel, QStringLiteral("Fan1"));
        QCOMPARE(fanMax.kind, LimitKind::FanMaximum);
        QCOMPARE(fanMax.limit, 4500);
        QVERIFY2(fanMax.setAt && *fanMax.setAt > 4500 && *fanMax.setAt < 4600,
                 qPrintable(QString::number(*fanMax.setAt)));
        QVERIFY(fanMax.clearedAt && *fanMax.clearedAt <= 4500 && *fanMax.clearedAt > 4400);
        QCOMPARE(fanMin.channel, QStringLiteral("Fan3"));
        QCOMPARE(fanMin.limit, 2000);
        QVERIFY2(fanMin.setAt && *fanMin.setAt < 2000 && *fanMin.setAt > 1900,
                 qPrintable(QString::number(*fanMin.setAt)));
        QVERIFY(fanMin.clearedAt && *fanMin.clearedAt >= 2000 && *fanMin.clearedAt < 2100);
        // The sim's status follows every measurement: the bit is seen with the reading that crossed.
        QCOMPARE(t1.setDelayMs, std::optional<std::int64_t>(0));
    }

    // A chip that flags a condition a second after it begins, and clears it a second after it
    // ends: both delays are counted from the reading that crossed the limit.
    void limitTripsMeasureTheChipsDelay() {
        ConnectedSim sim(scenario([](ChipScenario& c) { c.statusLagMs = 1000; }));
        writeAll(sim.chip(), {{0x45, 36}});
        RunControl control;
        const LimitTripReport r = RunLimitTrips(*sim.session, {}, control);
        QCOMPARE(r.rows.at(0).channel, QStringLiteral("Temp1"));
        for (const std::optional<std::int64_t>& delay : {r.rows[0].setDelayMs, r.rows[0].clearDelayMs})
            QVERIFY2(delay && *delay >= 1000 && *delay <= 1000 + control.sampleMs,
                     qPrintable(QString::number(delay.value_or(-1))));
    }

    // Cancelled at several points, refused, or cut off by a lost link: the chip is either put
    // back register by register, or, after a link error, nothing more is sent.
    void everyWayOutRestoresTheChip_data() {
        QTest::addColumn<QString>("run");
        QTest::addColumn<int>("cancelAfterSamples");
        for (const char* run : {"calibration", "curve", "limits"})
            for (int n : {1, 9, 40})
                QTest::addRow("%s cancelled after %d samples", run, n) << QString::fromLatin1(run) << n;
    }
    void everyWayOutRestoresTheChip() {
        QFETCH(QString, run);
        QFETCH(int, cancelAfterSamples);
        ConnectedSim sim;
        writeAll(sim.chip(), {{0x45, 45}, {0x5C, 0x8C}, {0x5D, 0x0A}, {0x68, 0x40}});
        sim.usb().SetHeater(2, 35);
        const QList<int> before = sim.chipState();
        int samples = 0;
        RunControl control;
        control.sample = [&samples](const BenchSample&) { ++samples; };
        control.cancelled = [&] { return samples >= cancelAfterSamples; };
        RunOutcome outcome = RunOutcome::Finished;
        if (run == QLatin1String("calibration")) {
            FanCalibrationOptions o;
            o.outputs = {2, 3};
            outcome = RunFanCalibration(*sim.session, o, control).outcome;
        } else if (run == QLatin1String("curve")) {
            CurveCheckOptions o;
            o.heater = 2;
            outcome = RunCurveCheck(*sim.session, o, control).outcome;
        } else {
            outcome = RunLimitTrips(*sim.session, {}, control).outcome;
        }
        QCOMPARE(outcome, RunOutcome::Cancelled);
        QCOMPARE(samples, cancelAfterSamples);
        QCOMPARE(sim.chipState(), before);
    }

    void refusedOrLinkLostChangesNothingMore() {
        ConnectedSim sim;
        sim.chip().write(0x40, 0x05); // FSPD: every output at full speed, nothing to measure
        const QList<int> before = sim.chipState();
        RunControl control;
        FanCalibrationReport f = RunFanCalibration(*sim.session, {}, control);
        QCOMPARE(f.outcome, RunOutcome::Refused);
        QVERIFY(f.reason.contains(QStringLiteral("FSPD")));
        CurveCheckReport c = RunCurveCheck(*sim.session, {}, control);
        QCOMPARE(c.outcome, RunOutcome::Refused);
        QCOMPARE(RunLimitTrips(*sim.session, {}, control).outcome, RunOutcome::Refused);
        QCOMPARE(sim.chipState(), before);
        for (const QString& r : sim.requestTexts())
            QVERIFY2(r.endsWith(QLatin1String(" 1 1")), qPrintable(r)); // reads only

        // The link goes mid-run: the run stops there, and not one request follows the failure.
        SimOptions lost;
        ConnectedSim cut(lost);
        cut.board->options().failRequestNumber = cut.board->requestCount() + 60;
        c = RunCurveCheck(*cut.session, {}, control);
        QCOMPARE(c.outcome, RunOutcome::LinkError);
        QVERIFY(!c.restored);
        QCOMPARE(cut.programEnds.size(), 1);
        const auto entries = cut.requests();
        QVERIFY(entries.last().status != 0);
    }

    void reportFolderFiles() {
        ConnectedSim sim;
        RunControl control;
        int tick = 0;
        control.now = [&tick] {
            return QDateTime(QDate(2026, 5, 4), QTime(9, 30, 0)).addMSecs(250 * tick++);
        };
        FanCalibrationOptions o;
        o.outputs = {3};
        FanCalibrationReport r = RunFanCalibration(*sim.session, o, control);
        BenchReportData data = FanCalibrationReportData(r);
        data.board = QStringLiteral("Simulated board");
        QTemporaryDir dir;
        int charts = 0;
        const QString error = WriteBenchReport(dir.path(), data, [&charts](const BenchChart& c) {
            ++charts;
            return charts == 2 ? QByteArray() : QByteArray("PNG-") + c.title.toUtf8();
        });
        QCOMPARE(error, QString());
        QCOMPARE(charts, 2);

        const QList<QByteArray> csv = fileBytes(dir.filePath(QStringLiteral("samples.csv"))).split('\n');
        QCOMPARE(csv[0], QByteArray("Time (s),Wall clock,Phase,Channel,Setting (%),Temperature (\xC2\xB0"
                                    "C),Speed "
                                    "(RPM),Duty (%),Status\r"));
        QCOMPARE(csv.size(), static_cast<qsizetype>(r.samples.size()) + 2); // header, rows, the empty tail
        QVERIFY2(csv[1].startsWith("0.250,2026-05-04T09:30:00.000,full speed,3,100,,3"), csv[1].constData());
        QVERIFY(csv[2].contains(",2026-05-04T09:30:00.250,"));

        const QJsonObject json =
            QJsonDocument::fromJson(fileBytes(dir.filePath(QStringLiteral("report.json")))).object();
        QCOMPARE(json[QStringLiteral("board")].toString(), QStringLiteral("Simulated board"));
        QCOMPARE(json[QStringLiteral("outcome")].toString(), QStringLiteral("finished"));
        const QJsonObject out3 = json[QStringLiteral("outputs")].toArray().at(0).toObject();
        QCOMPARE(out3[QStringLiteral("startDuty")].toInt(), 34);
        QCOMPARE(out3[QStringLiteral("stopDuty")].toInt(), 22);

        const QByteArray html = fileBytes(dir.filePath(QStringLiteral("report.html")));
        QVERIFY(html.contains("data:image/png;base64," +
                              QByteArray("PNG-Output 3: speed against duty").toBase64()));
        QVERIFY(!html.contains("speed over the run</h2>")); // the chart that could not be drawn
        QCOMPARE(html.count("<table"), html.count("</table>"));
        QCOMPARE(html.count("src=\""), html.count("src=\"data:"));
        QVERIFY(html.contains("<td>34 %</td><td>22 %</td>"));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("chart-1.png"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("chart-2.png"))));

        // A name in the way that is not a regular file is left alone.
        QTemporaryDir other;
        QDir(other.path()).mkdir(QStringLiteral("report.json"));
        QVERIFY(WriteBenchReport(other.path(), data, {}).contains(QStringLiteral("not a regular file")));
    }
};

QTEST_GUILESS_MAIN(TestBenchRuns)
#include "tst_benchruns.moc"
