#pragma once

#include "deviceconfig/Limits.h"
#include "windows/ChildWindow.h"
#include "windows/widgets/Gauge.h"
#include "windows/widgets/Lamp.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>

// Limits and interrupts: the low and high limits of one temperature channel and the minimum and
// maximum tach limits of one fan, set by dragging the pointers of two gauges and written at once;
// the masks of the chip's fifteen interrupt sources, written on Apply; and a lamp per source
// showing its status, refreshed once a second with the gauges' live readings.
class frmLimits final : public ChildWindow {
    Q_OBJECT
public:
    frmLimits(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmbTemp_Click();
    void cmbFan_Click();
    void ggeTemp_PointerMoved(int pointer);
    void ggeFan_PointerMoved(int pointer);
    void cmdApply_Click();
    void cmdClose_Click();

    // The polling cycle's refresh, in this order.
    void RefreshInterruptStatus();
    void RefreshLiveValues();

    QGroupBox* fraLimits{};
    QLabel* lblTemp{};
    QComboBox* cmbTemp{};
    Gauge* ggeTemp{};
    QLabel* lblFan{};
    QComboBox* cmbFan{};
    Gauge* ggeFan{};

    QGroupBox* fraInterrupts{};
    QLabel* lblMask{};
    std::array<QLabel*, InterruptRows> Label4{};
    std::array<QCheckBox*, InterruptRows> chkMask{};
    std::array<Lamp*, InterruptRows> tglAlert{};

    QPushButton* cmdApply{};
    QPushButton* cmdClose{};

private:
    void buildControls();
    void buildInterruptRows();
    void Form_Load();

    TachLimits heldTach_; // the chosen fan's limits as loaded or last written
    int oolMask_{};       // "Interrupt Mask 1" bit 7 as loaded; the window has no row for it
};
