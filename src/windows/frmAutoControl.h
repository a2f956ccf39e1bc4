#pragma once

#include "board/Declarations.h"
#include "windows/ChildWindow.h"
#include "windows/widgets/CurvePlot.h"
#include "windows/widgets/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <array>
#include <cstdint>

// Automatic fan control: the Tmin, PWMmin, PWMmax, enable and zone settings of the chip's four
// PWM outputs, edited one output at a time, and the plot of the resulting curves with a marker at
// each output's present operating point.
class frmAutoControl final : public ChildWindow {
    Q_OBJECT
public:
    frmAutoControl(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmbFan_Click();
    void txtTmin_Change();
    void txtPWMmin_Change();
    void txtPWMmax_Change();
    void chkAutoControl_Click();
    void chkShowConPoint_Click();
    void cmbZone_Click();
    void cmdApply_Click();
    void cmdCalibrated_Click();
    void cmdOK_Click();
    void cmdClose_Click();

    void SetupPlot();
    void PlotData();
    void PlotConPoints();

    std::int16_t CurrentFan{};

    QLabel* Label4{};
    QComboBox* cmbFan{};
    QLabel* Label3{};
    QLineEdit* txtTmin{};
    UpDown* UpDown1{};
    QLabel* Label6{};
    QLineEdit* txtPWMmin{};
    UpDown* UpDown3{};
    QLabel* Label5{};
    QLineEdit* txtPWMmax{};
    UpDown* UpDown2{};
    QLabel* Label11{};
    QComboBox* cmbZone{};
    QCheckBox* chkAutoControl{};
    QCheckBox* chkShowConPoint{};
    // Offers the start duty the latest fan calibration found for the shown output as its PWMmin.
    QPushButton* cmdCalibrated{};
    QGroupBox* Frame2{};
    QCheckBox* chkUpdateOnChange{};
    QPushButton* cmdOK{};
    QPushButton* cmdApply{};
    QPushButton* cmdClose{};

    CurvePlotFrame* fraGraph{};
    CurvePlot* pctGraph{};
    std::array<QLabel*, CurvePlot::GridLinesX> lblX{};
    std::array<QLabel*, CurvePlot::GridLinesY + 1> lblP{};
    QLabel* Label1{};
    QLabel* Label2{};
    QLabel* Label7{};
    QLabel* Label8{};
    QLabel* Label9{};
    QLabel* Label10{};

private:
    void buildControls();
    void Form_Load();
    AutoControlEntry& current();
    // A box's number into a field of the shown output; text that is not a number leaves it.
    void storeTyped(const QLineEdit* box, float AutoControlEntry::*field);
    void applyWhenTicked();
    bool showingOutput_ = false; // while cmbFan_Click fills the boxes from the chosen output
};
