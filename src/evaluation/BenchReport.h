#pragma once

#include "evaluation/CurveCheck.h"
#include "evaluation/FanCalibration.h"
#include "evaluation/LimitTrips.h"

#include <QByteArray>
#include <QJsonObject>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// A bench run's report folder: the raw samples as CSV (with a wall-clock column), one PNG chart
// per measurement, report.json with the results, and report.html, which holds its charts as
// data URIs so that it opens whole in the help browser and in any web browser, alone or copied.

struct ChartSeries {
    QString name;
    std::vector<QPointF> points;
    bool line = true; // false: markers only (measured points)
};

struct BenchChart {
    QString title;
    QString xLabel;
    QString yLabel;
    std::vector<ChartSeries> series;
};

// Draws a chart as PNG bytes; empty when it cannot (the report then goes without that image).
// The charts layer supplies it; the core knows no widget.
using ChartRenderer = std::function<QByteArray(const BenchChart&)>;

struct BenchReportData {
    QString run;   // "Fan calibration", "Curve check", "Limit trip points"
    QString board; // the board in use, as every surface names it
    QString started;
    RunOutcome outcome = RunOutcome::Finished;
    QString reason;
    bool restored = true;
    QJsonObject results;      // the run's own results, for report.json
    QStringList summaryLines; // the HTML summary, one paragraph each
    QStringList tableHeader;  // the HTML results table
    std::vector<QStringList> tableRows;
    std::vector<BenchChart> charts;
    std::vector<BenchSample> samples;
};

BenchReportData FanCalibrationReportData(const FanCalibrationReport& report);
BenchReportData CurveCheckReportData(const CurveCheckReport& report);
BenchReportData LimitTripReportData(const LimitTripReport& report);

// The CSV bytes: a header line, then one line per sample, CR LF line ends, UTF-8.
QByteArray SamplesCsv(const std::vector<BenchSample>& samples);
QByteArray ReportJson(const BenchReportData& data);
// pngs: one per chart (empty bytes: that chart is left out).
QByteArray ReportHtml(const BenchReportData& data, const std::vector<QByteArray>& pngs);

// Writes the folder (made when missing): samples.csv, chart-1.png ..., report.json, report.html.
// A name that is there already must be a regular file; it is replaced. Gives an empty text, or
// what went wrong.
QString WriteBenchReport(const QString& folder, const BenchReportData& data, const ChartRenderer& render);

// Results as JSON, for the CLI's --json and report.json alike.
QJsonObject FanCalibrationJson(const FanCalibrationReport& report);
QJsonObject CurveCheckJson(const CurveCheckReport& report);
QJsonObject LimitTripJson(const LimitTripReport& report);
