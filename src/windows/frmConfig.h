#pragma once

#include "deviceconfig/ChipConfig.h"
#include "windows/ChildWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

// General device configuration: monitoring, SMBus time-out, pin 13's function, power-down, and
// the optional PEXIL gain and offset with the choice between them and the chip's built-in values.
class frmConfig final : public ChildWindow {
    Q_OBJECT
public:
    frmConfig(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

    QGroupBox* Frame1{};
    QCheckBox* chkMonitoring{};
    QCheckBox* chkTODIS{};
    QLabel* Label1{};
    QComboBox* cmbPin13{};
    QCheckBox* chkPowerDown{};
    QLabel* Label4{};
    QComboBox* cmbGain{};
    QLabel* Label5{};
    QComboBox* cmbOffset{};
    QCheckBox* chkUseDefault{};
    QPushButton* cmdOK{};
    QPushButton* cmdCancel{};
    QPushButton* cmdApply{};

    // The last Apply refused an entry; OK then keeps the window open.
    bool applyFailed() const { return applyFailed_; }

private:
    void buildControls();
    void Form_Load();
    DeviceSettings shownSettings() const;

    bool applyFailed_ = false;
    int selectMask_{}; // the PEXIL selection mask as the chip holds it
};
