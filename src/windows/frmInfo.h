#pragma once

#include "windows/ChildWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include <array>

struct BoardDetails;

// The evaluation board's details: revision, supplies, the chip's address and the fans the chip
// reports present, and the free-wheel test that finds out which fans are connected.
class frmInfo final : public ChildWindow {
    Q_OBJECT
public:
    frmInfo(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmdFreeWheel_Click();
    // Once a second while a test started here runs, also after the window was closed and opened.
    void PollFreeWheel();
    void cmdClose_Click();

    QGroupBox* Frame1{};
    QLabel* Label1{};
    QLabel* lblRevision{};
    QLabel* Label3{};
    QLabel* lbl5V{};
    QLabel* Label2{};
    QLabel* lbl12V{};
    std::array<QLabel*, 5> Label4{}; // 0 "Device Address", 1..4 beside lblFanPresent 0..3
    QLabel* lblSMBusAddress{};
    std::array<QLabel*, 4> lblFanPresent{};
    QPushButton* cmdFreeWheel{};
    QPushButton* cmdClose{};

private:
    void buildControls();
    void Form_Load();
    void showFans(const std::array<bool, 4>& present);
    void showChecking();

    int checkingPolls_{};
    QString checkingBase_ = QStringLiteral("Free Wheel Test");
};
