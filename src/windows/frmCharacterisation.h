#pragma once

#include "evaluation/BenchReport.h"
#include "windows/ChildWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include <array>

class QCustomPlot;
class QCloseEvent;

// Bench characterisation: fan calibration, a heater-driven check of the automatic curve, and the
// limits' trip points, run against the chip with a live chart, Cancel, and a report folder that
// opens in the help browser. The runs are core's; this window only chooses, shows and cancels.
// While a run talks to the chip the polling cycle holds still; the window keeps answering, since
// the run hands control back to the event loop between its readings.
class frmCharacterisation final : public ChildWindow {
    Q_OBJECT

public:
    frmCharacterisation(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    QLabel* lblRun{};
    QComboBox* cmbRun{};
    QGroupBox* fraFans{};
    std::array<QCheckBox*, 4> chkOutput{};
    QLabel* lblStep{};
    QSpinBox* txtStep{};
    QGroupBox* fraCurve{};
    QLabel* lblOutput{};
    QComboBox* cmbOutput{};
    QLabel* lblHeater{};
    QComboBox* cmbHeater{};
    QLabel* lblTolerance{};
    QDoubleSpinBox* txtTolerance{};
    QProgressBar* prgRun{};
    QLabel* lblStatus{};
    QCustomPlot* pctLive{};
    QLabel* lblResult{};
    QPushButton* cmdStart{};
    // Cancels a run. Not "cmdCancel": Escape is to close the window (which cancels a run as well)
    // also while no run is going.
    QPushButton* cmdStop{};
    QPushButton* cmdOpenReport{};
    QPushButton* cmdClose{};

    // Where the report of the latest run lies; empty before one.
    QString reportFolder() const { return reportFolder_; }
    // Where reports go: a folder per run below this one.
    QString reportsRoot;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void cmbRun_Click();
    void cmdStart_Click();
    void cmdOpenReport_Click();
    RunControl control();
    void finish(BenchReportData data, const QString& result);

    bool running_ = false;
    bool cancelRequested_ = false;
    bool closeAfterRun_ = false;
    QString reportFolder_;
};
