#pragma once

#include "monitoring/DataLog.h"
#include "windows/ChildWindow.h"
#include "windows/widgets/UpDown.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <array>

// Data logging: the channels and the interval of the CSV log, and the one button that starts and
// stops it. Logging runs in the polling cycle, so it goes on with the window closed.
class frmLogging final : public ChildWindow {
    Q_OBJECT
public:
    frmLogging(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmdSelectAll_Click();
    void cmdDeselectAll_Click();
    void cmdLogData_Click();
    void cmdClose_Click();

    QGroupBox* Frame1{};
    std::array<QCheckBox*, LogChannelCount> chkLog{};
    QPushButton* cmdSelectAll{};
    QPushButton* cmdDeselectAll{};
    QLabel* Label1{};
    QLineEdit* txtLogInt{};
    UpDown* UpDown1{};
    QPushButton* cmdLogData{};
    QPushButton* cmdClose{};

private:
    void buildControls();
    void Form_Load();
    // The button's caption follows LoggingActive, also when logging stops after a write failure.
    void showLoggingState();
};
