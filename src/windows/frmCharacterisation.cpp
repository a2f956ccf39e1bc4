#include "windows/frmCharacterisation.h"

#include "charts/ChartImage.h"
#include "charts/QCustomPlotHeader.h"
#include "fancontrol/AutoControl.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"
#include "windows/frmHelp.h"
#include "windows/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
enum RunKind { FanRun, CurveRun, LimitRun };
constexpr qint64 ReplotEveryMs = 200;
} // namespace

frmCharacterisation::frmCharacterisation(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmCharacterisation"));
    setWindowTitle(QStringLiteral("Characterisation"));
    reportsRoot = QDir(session.dialogFolder()).filePath(QStringLiteral("VORTANE reports"));
    buildControls();
    setDesignedSize(9600, 8400);
    placeCentredAbove(600);
    cmbRun_Click();
}

void frmCharacterisation::buildControls() {
    cmbRun = Named(new QComboBox, "cmbRun");
    cmbRun->addItems({QStringLiteral("Fan calibration"), QStringLiteral("Curve check with a heater"),
                      QStringLiteral("Limit trip points")});
    lblRun = LabelFor(cmbRun, QStringLiteral("lblRun"), QStringLiteral("&Run:"));

    fraFans = Named(new QGroupBox(QStringLiteral("Fan calibration")), "fraFans");
    auto* fans = new QGridLayout(fraFans);
    for (std::size_t i = 0; i < chkOutput.size(); ++i) {
        chkOutput[i] = Named(new QCheckBox(QStringLiteral("Output &%1").arg(i + 1)), Indexed("chkOutput", i));
        chkOutput[i]->setChecked(i == 0);
        fans->addWidget(chkOutput[i], 0, static_cast<int>(i));
    }
    txtStep = Named(new QSpinBox, "txtStep");
    txtStep->setRange(1, 50);
    txtStep->setValue(10);
    txtStep->setSuffix(QStringLiteral(" %"));
    lblStep = LabelFor(txtStep, QStringLiteral("lblStep"), QStringLiteral("Coarse st&ep:"));
    fans->addWidget(lblStep, 1, 0);
    fans->addWidget(txtStep, 1, 1);

    fraCurve = Named(new QGroupBox(QStringLiteral("Curve check")), "fraCurve");
    auto* curve = new QGridLayout(fraCurve);
    cmbOutput = Named(new QComboBox, "cmbOutput");
    cmbOutput->addItems({QStringLiteral("Output 1"), QStringLiteral("Output 2"), QStringLiteral("Output 3"),
                         QStringLiteral("Output 4")});
    lblOutput = LabelFor(cmbOutput, QStringLiteral("lblOutput"), QStringLiteral("O&utput:"));
    cmbHeater = Named(new QComboBox, "cmbHeater");
    cmbHeater->addItems({QStringLiteral("Heater 1 (sensor 1)"), QStringLiteral("Heater 2 (sensor 2)")});
    lblHeater = LabelFor(cmbHeater, QStringLiteral("lblHeater"), QStringLiteral("&Heater:"));
    txtTolerance = Named(new QDoubleSpinBox, "txtTolerance");
    txtTolerance->setRange(0.5, 50);
    txtTolerance->setDecimals(1);
    txtTolerance->setValue(3);
    txtTolerance->setSuffix(QStringLiteral(" points"));
    lblTolerance = LabelFor(txtTolerance, QStringLiteral("lblTolerance"), QStringLiteral("&Tolerance:"));
    curve->addWidget(lblOutput, 0, 0);
    curve->addWidget(cmbOutput, 0, 1);
    curve->addWidget(lblHeater, 0, 2);
    curve->addWidget(cmbHeater, 0, 3);
    curve->addWidget(lblTolerance, 1, 0);
    curve->addWidget(txtTolerance, 1, 1);

    prgRun = Named(new QProgressBar, "prgRun");
    prgRun->setRange(0, 100);
    prgRun->setValue(0);
    prgRun->setAccessibleName(QStringLiteral("Progress"));
    lblStatus = Named(new QLabel(QStringLiteral("Ready")), "lblStatus");
    lblStatus->setAccessibleName(QStringLiteral("Status"));

    pctLive = Named(new QCustomPlot, "pctLive");
    pctLive->setMinimumHeight(120);
    pctLive->setAccessibleName(QStringLiteral("Live chart"));
    pctLive->addGraph();
    pctLive->xAxis->setLabel(QStringLiteral("Time (s)"));

    lblResult = Named(new QLabel, "lblResult");
    lblResult->setWordWrap(true);
    lblResult->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    lblResult->setFocusPolicy(Qt::StrongFocus);
    lblResult->setAccessibleName(QStringLiteral("Result"));

    cmdStart = Named(new QPushButton(QStringLiteral("&Start")), "cmdStart");
    cmdStop = Named(new QPushButton(QStringLiteral("Cancel")), "cmdStop");
    cmdStop->setEnabled(false);
    cmdOpenReport = Named(new QPushButton(QStringLiteral("&Open report")), "cmdOpenReport");
    cmdOpenReport->setEnabled(false);
    cmdClose = Named(new QPushButton(QStringLiteral("Close")), "cmdClose");

    auto* choose = new QHBoxLayout;
    choose->addWidget(lblRun);
    choose->addWidget(cmbRun, 1);
    auto* top = new QVBoxLayout(this);
    top->addLayout(choose);
    top->addWidget(fraFans);
    top->addWidget(fraCurve);
    top->addWidget(prgRun);
    top->addWidget(lblStatus);
    top->addWidget(pctLive, 1);
    top->addWidget(lblResult);
    top->addLayout(ButtonRow({cmdStart, cmdStop, cmdOpenReport, cmdClose}));

    connect(cmbRun, &QComboBox::currentIndexChanged, this, &frmCharacterisation::cmbRun_Click);
    connect(cmdStart, &QPushButton::clicked, this, &frmCharacterisation::cmdStart_Click);
    connect(cmdStop, &QPushButton::clicked, this, [this] {
        cancelRequested_ = true;
        lblStatus->setText(QStringLiteral("Cancelling: putting the chip back..."));
    });
    connect(cmdOpenReport, &QPushButton::clicked, this, &frmCharacterisation::cmdOpenReport_Click);
    connect(cmdClose, &QPushButton::clicked, this, &ChildWindow::unloadWindow);
}

void frmCharacterisation::cmbRun_Click() {
    fraFans->setVisible(cmbRun->currentIndex() == FanRun);
    fraCurve->setVisible(cmbRun->currentIndex() == CurveRun);
}

RunControl frmCharacterisation::control() {
    RunControl c;
    c.progress = [this](double fraction, const QString& what) {
        prgRun->setValue(static_cast<int>(fraction * 100));
        lblStatus->setText(what);
    };
    // The chart follows at a few frames a second, however fast the samples come; each run's own
    // clock starts at 0 ms, and its first sample is drawn at once.
    c.sample = [this, lastPlotMs = std::optional<qint64>()](const BenchSample& s) mutable {
        const std::optional<int> y = s.rpm ? s.rpm : s.temperature;
        if (!y) return;
        pctLive->graph(0)->addData(static_cast<double>(s.ms) / 1000.0, *y);
        if (lastPlotMs && s.ms - *lastPlotMs < ReplotEveryMs) return;
        lastPlotMs = s.ms;
        pctLive->rescaleAxes();
        pctLive->replot();
    };
    // Asked before and after every wait of the run: the window repaints and takes the Stop button here.
    c.cancelled = [this] {
        QCoreApplication::processEvents();
        return cancelRequested_;
    };
    return c;
}

void frmCharacterisation::cmdStart_Click() {
    if (running_) return;
    running_ = true;
    cancelRequested_ = false;
    pctLive->graph(0)->data()->clear();
    lblResult->clear();
    cmdStart->setEnabled(false);
    cmdStop->setEnabled(true);
    cmdOpenReport->setEnabled(false);
    cmbRun->setEnabled(false);
    PollingCycle::Pause pause(polling_);
    RunControl c = control();
    const int kind = cmbRun->currentIndex();
    BenchReportData data;
    QString result;
    if (kind == FanRun) {
        FanCalibrationOptions o;
        o.outputs.clear();
        for (std::size_t i = 0; i < chkOutput.size(); ++i)
            if (chkOutput[i]->isChecked()) o.outputs.push_back(static_cast<int>(i) + 1);
        o.stepPercent = txtStep->value();
        pctLive->yAxis->setLabel(QStringLiteral("Speed (RPM)"));
        const FanCalibrationReport r = RunFanCalibration(session_, o, c);
        for (const FanCalibrationResult& f : r.results) {
            result += QStringLiteral("Output %1: ").arg(f.output);
            result += !f.stopsAtZero
                          ? QStringLiteral("does not stop at 0 %")
                          : QStringLiteral("start duty %1 %, stop duty %2 %")
                                .arg(f.startDuty ? QString::number(*f.startDuty) : QStringLiteral("—"),
                                     f.stopDuty ? QString::number(*f.stopDuty) : QStringLiteral("—"));
            result += QStringLiteral(", full speed %1 RPM").arg(f.fullRpm);
            for (const QString& w : f.warnings)
                result += QStringLiteral("; warning: ") + w;
            result += u'\n';
            if (f.startDuty)
                session_.decl.CalibratedStartDuty[static_cast<std::size_t>(f.output - 1)] = *f.startDuty;
        }
        data = FanCalibrationReportData(r);
    } else if (kind == CurveRun) {
        CurveCheckOptions o;
        o.output = cmbOutput->currentIndex() + 1;
        o.heater = cmbHeater->currentIndex() + 1;
        o.tolerance = txtTolerance->value();
        pctLive->yAxis->setLabel(QStringLiteral("Temperature (°C)"));
        const CurveCheckReport r = RunCurveCheck(session_, o, c);
        if (r.outcome == RunOutcome::Finished)
            result = QStringLiteral("%1: largest deviation %2 points (tolerance %3)")
                         .arg(r.result.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"))
                         .arg(r.result.maxDeviation, 0, 'f', 1)
                         .arg(r.result.tolerance, 0, 'f', 1);
        data = CurveCheckReportData(r);
    } else {
        pctLive->yAxis->setLabel(QStringLiteral("Reading"));
        const LimitTripReport r = RunLimitTrips(session_, {}, c);
        for (const LimitTripRow& row : r.rows)
            result += QStringLiteral("%1 %2 limit %3 %4: set at %5, cleared at %6\n")
                          .arg(row.channel, LimitKindText(row.kind))
                          .arg(row.limit)
                          .arg(row.unit, row.setAt ? QString::number(*row.setAt) : QStringLiteral("—"),
                               row.clearedAt ? QString::number(*row.clearedAt) : QStringLiteral("—"));
        if (r.rows.empty() && r.outcome == RunOutcome::Finished)
            result = QStringLiteral("No channel has a limit set.");
        data = LimitTripReportData(r);
    }
    finish(std::move(data), result.trimmed());
}

void frmCharacterisation::finish(BenchReportData data, const QString& result) {
    pctLive->rescaleAxes();
    pctLive->replot();
    data.board = session_.usb.boardIdentity().text();
    QString status = QStringLiteral("%1: %2").arg(data.run, RunOutcomeText(data.outcome));
    if (!data.reason.isEmpty()) status += QStringLiteral(" (%1)").arg(data.reason);
    if (data.outcome != RunOutcome::Refused && data.outcome != RunOutcome::LinkError) {
        const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        const QString folder =
            QDir(reportsRoot).filePath(data.run.toLower().replace(u' ', u'-') + u'-' + stamp);
        const QString error =
            WriteBenchReport(folder, data, [](const BenchChart& chart) { return RenderChartPng(chart); });
        if (error.isEmpty()) {
            reportFolder_ = folder;
            cmdOpenReport->setEnabled(true);
            status += QStringLiteral("; report in %1").arg(QDir::toNativeSeparators(folder));
        } else {
            status += QStringLiteral("; ") + error;
        }
    }
    lblStatus->setText(status);
    lblResult->setText(result);
    prgRun->setValue(data.outcome == RunOutcome::Finished ? 100 : prgRun->value());
    running_ = false;
    cmdStart->setEnabled(true);
    cmdStop->setEnabled(false);
    cmbRun->setEnabled(true);
    if (closeAfterRun_) unloadWindow();
}

void frmCharacterisation::cmdOpenReport_Click() {
    if (reportFolder_.isEmpty()) return;
    // In the help browser: the main window's one, opened or brought up.
    auto* main = qobject_cast<frmMain*>(window());
    if (auto* help = main ? qobject_cast<frmHelp*>(main->openWindow(QStringLiteral("Help"))) : nullptr)
        help->showPage(QDir(reportFolder_).filePath(QStringLiteral("report.html")));
}

void frmCharacterisation::closeEvent(QCloseEvent* event) {
    // The run is on the stack below this event: it must put the chip back before the window goes.
    if (running_) {
        cancelRequested_ = true;
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    ChildWindow::closeEvent(event);
}
