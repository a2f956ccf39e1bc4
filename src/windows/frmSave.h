#pragma once

#include "windows/ChildWindow.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// Save/recall: the chip's writable registers to a ".sav" file with a comment, and such a file
// back into the chip.
class frmSave final : public ChildWindow {
    Q_OBJECT
public:
    frmSave(Session& session, PollingCycle& polling, QWidget* parent = nullptr);

    void cmdsave_Click();
    void cmdRecall_Click();
    void cmdClose_Click();

    QGroupBox* Frame2{};
    QLabel* Label2{};
    QLineEdit* txtComment{};
    QPushButton* cmdsave{};
    QPushButton* cmdRecall{};
    QCheckBox* chkNotDefaults{};
    QPushButton* cmdClose{};

private:
    void buildControls();
};
