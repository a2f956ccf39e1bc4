#pragma once

#include "fancontrol/FanConfig.h"
#include "windows/ChildWindow.h"
#include "windows/widgets/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <array>

// Fan configuration: each fan's duty limits, PWM options, control, tach limits and pulses, and
// the settings shared by all fans, on one tab each. Read from the chip on opening, written back
// on Apply or OK. While open, a label on each fan's tab warns when that fan's PWM pin serves as
// a GPIO pin instead.
class frmFanConfig final : public ChildWindow {
    Q_OBJECT
public:
    frmFanConfig(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    // The polling cycle's refresh: the GPIO warnings from the cached enable flags, no request.
    void RefreshGpioLabels();

    QTabWidget* SSTab1{};

    // "All Fans"
    QGroupBox* fraAllFans{};
    QLabel* lblFreq{};
    QComboBox* cmbFreq{};
    QCheckBox* chkHighFreq{};
    QCheckBox* chkFastTach{};
    QCheckBox* chkFullSpeed{};
    std::array<QCheckBox*, 4> chkFanFail{};
    QLabel* lblSpinUp{};
    QComboBox* cmbSpinUp{};

    // "Fan1" .. "Fan4"
    std::array<QGroupBox*, 4> fraPWM{};
    std::array<QLabel*, 4> lblMinDuty{};
    std::array<QLineEdit*, 4> txtMinDuty{};
    std::array<QLabel*, 4> lblMaxDuty{};
    std::array<QLineEdit*, 4> txtMaxDuty{};
    std::array<QCheckBox*, 4> chkFanOVT{};
    std::array<QCheckBox*, 4> chkInvert{};
    std::array<QLabel*, 4> lblPWMGPIO{};
    std::array<QGroupBox*, 4> fraControl{};
    std::array<QLabel*, 4> lblZone{};
    std::array<QComboBox*, 4> cmbZone{};
    std::array<QLabel*, 4> lblControlType{};
    std::array<QComboBox*, 4> cmbControlType{};
    std::array<QLabel*, 4> lblRampRate{};
    std::array<QComboBox*, 4> cmbRampRate{};
    std::array<QCheckBox*, 4> chkEnhance{};
    std::array<QGroupBox*, 4> fraTach{};
    std::array<QLabel*, 4> lblMinTach{};
    std::array<QLineEdit*, 4> txtMinTach{};
    std::array<QLabel*, 4> lblMaxTach{};
    std::array<QLineEdit*, 4> txtMaxTach{};
    std::array<QLabel*, 4> lblPulses{};
    std::array<QComboBox*, 4> cmbPulses{};
    std::array<QCheckBox*, 4> chkDisableTach{};

    // The spinners, four per fan n = 0..3: UpDown(4n+1) on its max duty, (4n+2) min duty,
    // (4n+3) max tach, (4n+4) min tach.
    UpDown *UpDown1{}, *UpDown2{}, *UpDown3{}, *UpDown4{}, *UpDown5{}, *UpDown6{}, *UpDown7{}, *UpDown8{};
    UpDown *UpDown9{}, *UpDown10{}, *UpDown11{}, *UpDown12{}, *UpDown13{}, *UpDown14{}, *UpDown15{},
        *UpDown16{};

    QPushButton* cmdOK{};
    QPushButton* cmdCancel{};
    QPushButton* cmdApply{};

private:
    void buildControls();
    QWidget* buildAllFansTab();
    QWidget* buildFanTab(std::size_t n);
    void Form_Load();
    void showConfig();
    void takeControls();

    FanConfig config_; // as loaded; Apply takes the controls into it
};
