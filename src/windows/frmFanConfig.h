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
    std::array<QCheckBox*, FanOutputs> chkFanFail{};
    QLabel* lblSpinUp{};
    QComboBox* cmbSpinUp{};

    // "Fan1" .. "Fan4"
    std::array<QGroupBox*, FanOutputs> fraPWM{};
    std::array<QLabel*, FanOutputs> lblMinDuty{};
    std::array<QLineEdit*, FanOutputs> txtMinDuty{};
    std::array<QLabel*, FanOutputs> lblMaxDuty{};
    std::array<QLineEdit*, FanOutputs> txtMaxDuty{};
    std::array<QCheckBox*, FanOutputs> chkFanOVT{};
    std::array<QCheckBox*, FanOutputs> chkInvert{};
    std::array<QLabel*, FanOutputs> lblPWMGPIO{};
    std::array<QGroupBox*, FanOutputs> fraControl{};
    std::array<QLabel*, FanOutputs> lblZone{};
    std::array<QComboBox*, FanOutputs> cmbZone{};
    std::array<QLabel*, FanOutputs> lblControlType{};
    std::array<QComboBox*, FanOutputs> cmbControlType{};
    std::array<QLabel*, FanOutputs> lblRampRate{};
    std::array<QComboBox*, FanOutputs> cmbRampRate{};
    std::array<QCheckBox*, FanOutputs> chkEnhance{};
    std::array<QGroupBox*, FanOutputs> fraTach{};
    std::array<QLabel*, FanOutputs> lblMinTach{};
    std::array<QLineEdit*, FanOutputs> txtMinTach{};
    std::array<QLabel*, FanOutputs> lblMaxTach{};
    std::array<QLineEdit*, FanOutputs> txtMaxTach{};
    std::array<QLabel*, FanOutputs> lblPulses{};
    std::array<QComboBox*, FanOutputs> cmbPulses{};
    std::array<QCheckBox*, FanOutputs> chkDisableTach{};

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
