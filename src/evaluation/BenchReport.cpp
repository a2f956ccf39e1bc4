#include "evaluation/BenchReport.h"

#include "fancontrol/AutoControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSaveFile>

#include <cmath>

namespace {

QJsonValue optionalJson(const std::optional<int>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}
QJsonValue optionalJson(const std::optional<double>& v) {
    return v ? QJsonValue(std::round(*v * 100.0) / 100.0) : QJsonValue(QJsonValue::Null);
}
QJsonValue optionalJson(const std::optional<std::int64_t>& v) {
    return v ? QJsonValue(static_cast<qint64>(*v)) : QJsonValue(QJsonValue::Null);
}
QJsonValue optionalJson(const std::optional<bool>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}
QString optionalText(const std::optional<int>& v, const QString& unit = {}) {
    return v ? QString::number(*v) + unit : QStringLiteral("—");
}
QString oneDecimal(double v) {
    return QString::number(v, 'f', 1);
}

QJsonObject common(RunOutcome outcome, const QString& reason, bool restored) {
    QJsonObject o{{QStringLiteral("outcome"), RunOutcomeText(outcome)},
                  {QStringLiteral("restored"), restored}};
    if (!reason.isEmpty()) o.insert(QStringLiteral("reason"), reason);
    return o;
}

void commonData(BenchReportData& d, RunOutcome outcome, const QString& reason, bool restored,
                const std::vector<BenchSample>& samples) {
    d.outcome = outcome;
    d.reason = reason;
    d.restored = restored;
    d.samples = samples;
    if (!samples.empty()) d.started = samples.front().wall.toString(Qt::ISODateWithMs);
}

ChartSeries overTime(const std::vector<BenchSample>& samples, int channel, const QString& name,
                     const std::function<std::optional<int>(const BenchSample&)>& value) {
    ChartSeries s{name, {}, true};
    for (const BenchSample& b : samples)
        if (b.channel == channel)
            if (const auto v = value(b)) s.points.emplace_back(static_cast<double>(b.ms) / 1000.0, *v);
    return s;
}

QString csvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"')) return text;
    return u'"' + QString(text).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

// Replaces the file only when it is a regular file or a new name.
QString writeFile(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    if (info.exists() && (!info.isFile() || info.isSymLink()))
        return QStringLiteral("%1 is not a regular file; not replaced").arg(path);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return {};
}

} // namespace

QJsonObject FanCalibrationJson(const FanCalibrationReport& r) {
    QJsonObject o = common(r.outcome, r.reason, r.restored);
    o.insert(QStringLiteral("run"), QStringLiteral("fan calibration"));
    QJsonArray outputs;
    for (const FanCalibrationResult& f : r.results) {
        QJsonArray table;
        for (const auto& [duty, rpm] : f.speedAtDuty)
            table.append(QJsonObject{{QStringLiteral("duty"), duty}, {QStringLiteral("rpm"), rpm}});
        outputs.append(QJsonObject{{QStringLiteral("output"), f.output},
                                   {QStringLiteral("pulsesPerRevolution"), f.configuredPulses},
                                   {QStringLiteral("fullRpm"), f.fullRpm},
                                   {QStringLiteral("stopDuty"), optionalJson(f.stopDuty)},
                                   {QStringLiteral("startDuty"), optionalJson(f.startDuty)},
                                   {QStringLiteral("stopsAtZero"), f.stopsAtZero},
                                   {QStringLiteral("speedAtDuty"), table},
                                   {QStringLiteral("warnings"), QJsonArray::fromStringList(f.warnings)}});
    }
    o.insert(QStringLiteral("outputs"), outputs);
    return o;
}

QJsonObject CurveCheckJson(const CurveCheckReport& report) {
    const CurveCheckResult& r = report.result;
    QJsonObject o = common(report.outcome, report.reason, report.restored);
    o.insert(QStringLiteral("run"), QStringLiteral("curve check"));
    if (report.outcome != RunOutcome::Finished) return o;
    QJsonArray points;
    for (const CurvePointMeasured& p : r.points)
        points.append(QJsonObject{{QStringLiteral("temperature"), p.temperature},
                                  {QStringLiteral("duty"), p.duty},
                                  {QStringLiteral("predicted"), std::round(p.predicted * 100) / 100},
                                  {QStringLiteral("deviation"), std::round(p.deviation * 100) / 100}});
    o.insert(QStringLiteral("output"), r.output);
    o.insert(QStringLiteral("heater"), r.heater);
    o.insert(QStringLiteral("zone"), ZoneName(r.zone));
    o.insert(QStringLiteral("setForRun"), r.setForRun);
    o.insert(QStringLiteral("tmin"), r.tmin);
    o.insert(QStringLiteral("pwmMin"), std::round(r.pwmMin * 100) / 100);
    o.insert(QStringLiteral("pwmMax"), std::round(r.pwmMax * 100) / 100);
    o.insert(QStringLiteral("restingTemperature"), r.restingTemperature);
    o.insert(QStringLiteral("maxDeviation"), std::round(r.maxDeviation * 100) / 100);
    o.insert(QStringLiteral("tolerance"), r.tolerance);
    o.insert(QStringLiteral("leaveTemperature"),
             QJsonObject{{QStringLiteral("configured"), r.tmin},
                         {QStringLiteral("measured"), optionalJson(r.measuredLeaveTemperature)}});
    o.insert(QStringLiteral("slope"),
             QJsonObject{{QStringLiteral("configured"), std::round(r.configuredSlope * 100) / 100},
                         {QStringLiteral("measured"), optionalJson(r.measuredSlope)}});
    o.insert(QStringLiteral("passed"), r.passed);
    o.insert(QStringLiteral("points"), points);
    o.insert(QStringLiteral("notes"), QJsonArray::fromStringList(r.notes));
    return o;
}

QJsonObject LimitTripJson(const LimitTripReport& r) {
    QJsonObject o = common(r.outcome, r.reason, r.restored);
    o.insert(QStringLiteral("run"), QStringLiteral("limit trip points"));
    QJsonArray rows;
    for (const LimitTripRow& row : r.rows) {
        QJsonObject j{{QStringLiteral("channel"), row.channel},
                      {QStringLiteral("limit"), LimitKindText(row.kind)},
                      {QStringLiteral("value"), row.limit},
                      {QStringLiteral("unit"), row.unit},
                      {QStringLiteral("setAt"), optionalJson(row.setAt)},
                      {QStringLiteral("clearedAt"), optionalJson(row.clearedAt)},
                      {QStringLiteral("setDelayMs"), optionalJson(row.setDelayMs)},
                      {QStringLiteral("clearDelayMs"), optionalJson(row.clearDelayMs)},
                      {QStringLiteral("masked"), row.masked},
                      {QStringLiteral("maskHonoured"), optionalJson(row.maskHonoured)}};
        if (!row.note.isEmpty()) j.insert(QStringLiteral("note"), row.note);
        rows.append(j);
    }
    o.insert(QStringLiteral("channels"), rows);
    return o;
}

BenchReportData FanCalibrationReportData(const FanCalibrationReport& r) {
    BenchReportData d;
    d.run = QStringLiteral("Fan calibration");
    commonData(d, r.outcome, r.reason, r.restored, r.samples);
    d.results = FanCalibrationJson(r);
    d.tableHeader = {QStringLiteral("Output"),     QStringLiteral("Start duty"), QStringLiteral("Stop duty"),
                     QStringLiteral("Full speed"), QStringLiteral("Pulses/rev"), QStringLiteral("Warnings")};
    for (const FanCalibrationResult& f : r.results) {
        d.tableRows.push_back({QString::number(f.output), optionalText(f.startDuty, QStringLiteral(" %")),
                               f.stopsAtZero ? optionalText(f.stopDuty, QStringLiteral(" %"))
                                             : QStringLiteral("does not stop at 0 %"),
                               QStringLiteral("%1 RPM").arg(f.fullRpm), QString::number(f.configuredPulses),
                               f.warnings.join(QStringLiteral("; "))});
        ChartSeries curve{QStringLiteral("Output %1").arg(f.output), {}, true};
        for (const auto& [duty, rpm] : f.speedAtDuty)
            curve.points.emplace_back(duty, rpm);
        d.charts.push_back({QStringLiteral("Output %1: speed against duty").arg(f.output),
                            QStringLiteral("Duty (%)"),
                            QStringLiteral("Speed (RPM)"),
                            {curve}});
        d.charts.push_back({QStringLiteral("Output %1: speed over the run").arg(f.output),
                            QStringLiteral("Time (s)"),
                            QStringLiteral("Speed (RPM)"),
                            {overTime(r.samples, f.output, QStringLiteral("Speed"),
                                      [](const BenchSample& b) { return b.rpm; })}});
    }
    return d;
}

BenchReportData CurveCheckReportData(const CurveCheckReport& report) {
    const CurveCheckResult& r = report.result;
    BenchReportData d;
    d.run = QStringLiteral("Curve check");
    commonData(d, report.outcome, report.reason, report.restored, report.samples);
    d.results = CurveCheckJson(report);
    if (report.outcome != RunOutcome::Finished) return d;
    d.summaryLines << QStringLiteral(
                          "Output %1, heater %2, zone %3: %4 (largest deviation %5 points, tolerance %6)")
                          .arg(r.output)
                          .arg(r.heater)
                          .arg(ZoneName(r.zone))
                          .arg(r.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
                          .arg(oneDecimal(r.maxDeviation))
                          .arg(oneDecimal(r.tolerance));
    d.summaryLines << r.notes;
    d.tableHeader = {QStringLiteral("Quantity"), QStringLiteral("Configured"), QStringLiteral("Measured")};
    d.tableRows.push_back(
        {QStringLiteral("Leaves PWMmin at (°C)"), QString::number(r.tmin),
         r.measuredLeaveTemperature ? oneDecimal(*r.measuredLeaveTemperature) : QStringLiteral("—")});
    d.tableRows.push_back(
        {QStringLiteral("Slope (% per °C)"), QString::number(r.configuredSlope, 'f', 2),
         r.measuredSlope ? QString::number(*r.measuredSlope, 'f', 2) : QStringLiteral("—")});
    d.tableRows.push_back({QStringLiteral("Largest deviation (points)"),
                           oneDecimal(r.tolerance) + QStringLiteral(" allowed"), oneDecimal(r.maxDeviation)});
    ChartSeries predicted{QStringLiteral("Predicted from the registers"), {}, true};
    for (int t = r.restingTemperature - 2; t <= r.restingTemperature + 45; ++t)
        predicted.points.emplace_back(t, PredictDuty(t, r.tmin, r.pwmMin, r.pwmMax).duty);
    ChartSeries measured{QStringLiteral("Measured"), {}, false};
    for (const CurvePointMeasured& p : r.points)
        measured.points.emplace_back(p.temperature, p.duty);
    d.charts.push_back({QStringLiteral("Output %1: duty against temperature").arg(r.output),
                        QStringLiteral("Temperature (°C)"),
                        QStringLiteral("Duty (%)"),
                        {predicted, measured}});
    d.charts.push_back({QStringLiteral("Heater %1: temperature over the run").arg(r.heater),
                        QStringLiteral("Time (s)"),
                        QStringLiteral("Temperature (°C)"),
                        {overTime(report.samples, r.output, QStringLiteral("Temperature"),
                                  [](const BenchSample& b) { return b.temperature; })}});
    return d;
}

BenchReportData LimitTripReportData(const LimitTripReport& r) {
    BenchReportData d;
    d.run = QStringLiteral("Limit trip points");
    commonData(d, r.outcome, r.reason, r.restored, r.samples);
    d.results = LimitTripJson(r);
    d.tableHeader = {QStringLiteral("Channel"),    QStringLiteral("Limit"),
                     QStringLiteral("Set at"),     QStringLiteral("Cleared at"),
                     QStringLiteral("Delay (ms)"), QStringLiteral("Mask honoured"),
                     QStringLiteral("Note")};
    for (const LimitTripRow& row : r.rows) {
        const QString unit = u' ' + row.unit;
        d.tableRows.push_back(
            {row.channel, QStringLiteral("%1 %2%3").arg(LimitKindText(row.kind)).arg(row.limit).arg(unit),
             optionalText(row.setAt, unit), optionalText(row.clearedAt, unit),
             row.setDelayMs ? QStringLiteral("%1 / %2").arg(*row.setDelayMs).arg(row.clearDelayMs.value_or(0))
                            : QStringLiteral("—"),
             row.maskHonoured ? (*row.maskHonoured ? QStringLiteral("yes") : QStringLiteral("no"))
                              : QStringLiteral("not masked"),
             row.note});
        const bool fan = row.unit == QLatin1String("RPM");
        const int channel = row.channel.right(1).toInt();
        std::vector<BenchSample> own;
        for (const BenchSample& b : r.samples)
            if (b.channel == channel && b.rpm.has_value() == fan) own.push_back(b);
        ChartSeries reading = overTime(own, channel, QStringLiteral("Reading"),
                                       [fan](const BenchSample& b) { return fan ? b.rpm : b.temperature; });
        ChartSeries limit{QStringLiteral("Limit"), {}, true};
        if (!reading.points.empty()) {
            limit.points.emplace_back(reading.points.front().x(), row.limit);
            limit.points.emplace_back(reading.points.back().x(), row.limit);
        }
        d.charts.push_back({QStringLiteral("%1: %2 limit").arg(row.channel, LimitKindText(row.kind)),
                            QStringLiteral("Time (s)"),
                            fan ? QStringLiteral("Speed (RPM)") : QStringLiteral("Temperature (°C)"),
                            {reading, limit}});
    }
    return d;
}

QByteArray SamplesCsv(const std::vector<BenchSample>& samples) {
    QByteArray out = "Time (s),Wall clock,Phase,Channel,Setting (%),Temperature (\xC2\xB0"
                     "C),Speed (RPM),Duty (%),"
                     "Status\r\n";
    const auto opt = [](const std::optional<int>& v) { return v ? QString::number(*v) : QString(); };
    for (const BenchSample& s : samples) {
        const QStringList fields{QString::number(static_cast<double>(s.ms) / 1000.0, 'f', 3),
                                 s.wall.toString(Qt::ISODateWithMs),
                                 csvField(s.phase),
                                 QString::number(s.channel),
                                 QString::number(s.setting),
                                 opt(s.temperature),
                                 opt(s.rpm),
                                 opt(s.duty),
                                 s.status ? QString::number(*s.status ? 1 : 0) : QString()};
        out += fields.join(u',').toUtf8() + "\r\n";
    }
    return out;
}

QByteArray ReportJson(const BenchReportData& d) {
    QJsonObject o = d.results;
    o.insert(QStringLiteral("board"), d.board);
    o.insert(QStringLiteral("started"), d.started);
    o.insert(QStringLiteral("samples"), static_cast<qint64>(d.samples.size()));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QByteArray ReportHtml(const BenchReportData& d, const std::vector<QByteArray>& pngs) {
    const auto esc = [](const QString& t) { return t.toHtmlEscaped(); };
    QString h;
    h += QStringLiteral(
             "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>%1</title>\n")
             .arg(esc(d.run));
    h += QStringLiteral("<style>body{font-family:sans-serif;margin:1em 2em}table{border-collapse:collapse}"
                        "td,th{border:1px solid #999;padding:3px 8px;text-align:left}"
                        "img{max-width:100%}</style>\n</head>\n<body>\n");
    h += QStringLiteral("<h1>%1</h1>\n").arg(esc(d.run));
    h += QStringLiteral("<p>Board: %1<br>Started: %2<br>Outcome: %3%4<br>Chip restored: %5</p>\n")
             .arg(esc(d.board), esc(d.started), esc(RunOutcomeText(d.outcome)),
                  d.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(esc(d.reason)),
                  d.restored ? QStringLiteral("yes") : QStringLiteral("no"));
    for (const QString& line : d.summaryLines)
        h += QStringLiteral("<p>%1</p>\n").arg(esc(line));
    if (!d.tableRows.empty()) {
        h += QStringLiteral("<table>\n<tr>");
        for (const QString& c : d.tableHeader)
            h += QStringLiteral("<th>%1</th>").arg(esc(c));
        h += QStringLiteral("</tr>\n");
        for (const QStringList& row : d.tableRows) {
            h += QStringLiteral("<tr>");
            for (const QString& c : row)
                h += QStringLiteral("<td>%1</td>").arg(esc(c));
            h += QStringLiteral("</tr>\n");
        }
        h += QStringLiteral("</table>\n");
    }
    for (std::size_t i = 0; i < d.charts.size(); ++i) {
        if (pngs[i].isEmpty()) continue;
        h += QStringLiteral("<h2>%1</h2>\n<p><img alt=\"%1\" width=\"640\" height=\"360\" "
                            "src=\"data:image/png;base64,%2\"></p>\n")
                 .arg(esc(d.charts[i].title), QString::fromLatin1(pngs[i].toBase64()));
    }
    h += QStringLiteral("<p>Raw samples: samples.csv; results: report.json.</p>\n</body>\n</html>\n");
    return h.toUtf8();
}

QString WriteBenchReport(const QString& folder, const BenchReportData& data, const ChartRenderer& render) {
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder))
        return QStringLiteral("cannot make the folder %1").arg(folder);
    std::vector<QByteArray> pngs;
    for (std::size_t i = 0; i < data.charts.size(); ++i) {
        pngs.push_back(render ? render(data.charts[i]) : QByteArray());
        if (pngs.back().isEmpty()) continue;
        if (QString e = writeFile(dir.filePath(QStringLiteral("chart-%1.png").arg(i + 1)), pngs.back());
            !e.isEmpty())
            return e;
    }
    if (QString e = writeFile(dir.filePath(QStringLiteral("samples.csv")), SamplesCsv(data.samples));
        !e.isEmpty())
        return e;
    if (QString e = writeFile(dir.filePath(QStringLiteral("report.json")), ReportJson(data)); !e.isEmpty())
        return e;
    return writeFile(dir.filePath(QStringLiteral("report.html")), ReportHtml(data, pngs));
}
