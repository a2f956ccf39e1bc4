#pragma once

#include "windows/ChildWindow.h"
#include "windows/widgets/UpDown.h"
#include "windows/widgets/WrapCheckBox.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

class SettingsStore;

// Software options: continuous reading on or off, and the intervals of the polling cycle's
// reads, graph updates and log lines; on a second page, where alarms go. Nothing here touches the
// chip.
class frmSWOptions final : public ChildWindow {
    Q_OBJECT
public:
    frmSWOptions(Session& session, PollingCycle& polling, SettingsStore& settings, QWidget* parent = nullptr);

    void cmdApply_Click();
    void cmdCancel_Click();

    QTabWidget* tabOptions{};
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

    // The Alarms page.
    WrapCheckBox* chkAlarmWatch{};
    QGroupBox* fraAlarmOutlets{};
    WrapCheckBox* chkAlarmWindow{};
    WrapCheckBox* chkAlarmNotify{};
    WrapCheckBox* chkAlarmSound{};
    QLabel* lblSoundFile{};
    QLineEdit* txtSoundFile{};
    QPushButton* cmdSoundFile{};
    WrapCheckBox* chkAlarmCommand{};
    QLabel* lblProgram{};
    QLineEdit* txtProgram{};
    QPushButton* cmdProgram{};
    QLabel* lblArguments{};
    QPlainTextEdit* txtArguments{};
    QLabel* lblCommandHelp{};

    QPushButton* cmdApply{};
    QPushButton* cmdCancel{};

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    QWidget* buildAlarmsPage();
    void Form_Load();
    void enableAlarmControls();
    void browse(QLineEdit* box, const QString& filter);

    SettingsStore& settings_;
};
