#include "windows/frmSave.h"

#include "deviceconfig/SaveRecall.h"
#include "windows/Named.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

frmSave::frmSave(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmSave"));
    setWindowTitle(QStringLiteral("Save/Recall Settings"));
    buildControls();
    setDesignedSize(7080, 4200);
}

void frmSave::buildControls() {
    Frame2 = Named(new QGroupBox(QStringLiteral("File I/O"), this), "Frame2");
    Label2 = Named(new QLabel(QStringLiteral("Add Comment"), Frame2), "Label2");
    txtComment = Named(new QLineEdit(Frame2), "txtComment");
    LabelFor(Label2, txtComment);
    cmdsave = Named(new QPushButton(QStringLiteral("Save  Current Configuration"), Frame2), "cmdsave");
    cmdRecall = Named(new QPushButton(QStringLiteral("Recall Previous Configuration"), Frame2), "cmdRecall");
    chkNotDefaults =
        Named(new QCheckBox(QStringLiteral("Only save registers that differ from their defaults "), Frame2),
              "chkNotDefaults");
    cmdClose = Named(new QPushButton(QStringLiteral("Close"), this), "cmdClose");

    auto* fileButtons = new QHBoxLayout;
    fileButtons->addWidget(cmdsave);
    fileButtons->addWidget(cmdRecall);
    auto* frameLayout = new QVBoxLayout(Frame2);
    frameLayout->addWidget(Label2);
    frameLayout->addWidget(txtComment);
    frameLayout->addSpacing(8);
    frameLayout->addLayout(fileButtons);
    frameLayout->addWidget(chkNotDefaults);
    frameLayout->addStretch(1);

    auto* top = new QVBoxLayout(this);
    top->addWidget(Frame2, 1);
    top->addLayout(ButtonRow({cmdClose}));

    connect(cmdsave, &QPushButton::clicked, this, &frmSave::cmdsave_Click);
    connect(cmdRecall, &QPushButton::clicked, this, &frmSave::cmdRecall_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmSave::cmdClose_Click);
}

void frmSave::cmdsave_Click() {
    SaveConfiguration(session_, polling_, txtComment->text(), chkNotDefaults->isChecked());
}

void frmSave::cmdRecall_Click() {
    RecallConfiguration(session_, polling_);
}

void frmSave::cmdClose_Click() {
    unloadWindow();
}
