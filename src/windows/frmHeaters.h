#pragma once

#include "windows/ChildWindow.h"
#include "windows/widgets/HalfStepSlider.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>

// The board's two heaters: a slider for each heater's drive level, beside the temperature of the
// sensor the heater warms.
class frmHeaters final : public ChildWindow {
    Q_OBJECT
public:
    frmHeaters(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void sldHeater_Change(int index, double value);
    // Once a second: the temperatures beside the heaters.
    void RefreshTemperatures();
    void cmdClose_Click();

    QGroupBox* Frame1{};
    QLabel* Label1{};
    QGroupBox* Frame2{};
    QLabel* Label2{};
    std::array<HalfStepSlider*, 2> sldHeater{};
    std::array<QLabel*, 2> lblLevel{}; // each slider's value as text
    std::array<QLabel*, 2> lblTemp{};
    QPushButton* cmdClose{};

private:
    void buildControls();
    void Form_Load();
};
