#pragma once

#include "deviceconfig/ChipConfig.h"
#include "windows/ChildWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>

// The four GPIO pins: enable, direction, polarity and, for an output, the level to drive. An
// input row shows the pin's level instead, read once a second while the window is open.
class frmGPIO final : public ChildWindow {
    Q_OBJECT
public:
    frmGPIO(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void chkEnable_Click(int index);
    void cmbDir_Click(int index);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    // The polling cycle's once-a-second refresh of the input rows.
    void RefreshStatus();

    QGroupBox* Frame1{};
    QLabel* Label1{}; // "Direction"
    QLabel* Label2{}; // "Polarity"
    QLabel* Label3{}; // "Status"
    std::array<QCheckBox*, 4> chkEnable{};
    std::array<QComboBox*, 4> cmbDir{};
    std::array<QComboBox*, 4> cmbPolarity{};
    std::array<QComboBox*, 4> cmbStatus{};
    std::array<QLabel*, 4> lblValue{};
    QPushButton* cmdOK{};
    QPushButton* cmdCancel{};
    QPushButton* cmdApply{};

private:
    void buildControls();
    void Form_Load();
    // Each row shows its status list for an output and its value label for an input.
    void UpdateVisibility();
    // The rows as shown, applied or not.
    GpioPins shownPins() const;
};
