#pragma once

#include "windows/ChildWindow.h"
#include "windows/widgets/UpDown.h"
#include "windows/widgets/WrapCheckBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// Software options: continuous reading on or off, and the intervals of the polling cycle's
// reads, graph updates and log lines. Nothing here touches the chip.
class frmSWOptions final : public ChildWindow {
    Q_OBJECT
public:
    frmSWOptions(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmdApply_Click();
    void cmdCancel_Click();

    QGroupBox* Frame1{};
    WrapCheckBox* chkMonitoring{};
    QLabel* Label1{};
    QLineEdit* txtReadInt{};
    UpDown* UpDown1{};
    QLabel* Label2{};
    QLineEdit* txtGraphing{};
    UpDown* UpDown2{};
    QLabel* Label3{};
    QLineEdit* txtLogging{};
    UpDown* UpDown3{};
    QPushButton* cmdApply{};
    QPushButton* cmdCancel{};

private:
    void buildControls();
    void Form_Load();
};
