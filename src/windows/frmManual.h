#pragma once

#include "fancontrol/ManualDuty.h"
#include "windows/ChildWindow.h"
#include "windows/widgets/HalfStepSlider.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>

// Manual fan control: one PWM output at a time driven by hand with a slider, beside its present
// duty cycle and fan speed, with a warning when the chip's automatic loop owns the output.
class frmManual final : public ChildWindow {
    Q_OBJECT
public:
    frmManual(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    // The selection change, and the once-a-second refresh.
    void cmbPWM_Click();
    void sldManual_Change(double percent);
    void cmdClose_Click();

    bool SliderHeld = false;

    QLabel* Label1{};
    QComboBox* cmbPWM{};
    QGroupBox* Frame1{};
    std::array<QLabel*, 2> lblPWM{};  // 0 the duty, 1 its title
    std::array<QLabel*, 2> lblTach{}; // 0 the speed, 1 its title
    HalfStepSlider* sldManual{};
    QLabel* lblStatus{};
    QPushButton* cmdClose{};

private:
    void buildControls();
    void Form_Load();

    ManualDuty duty_;
};
