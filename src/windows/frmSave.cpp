#include "windows/frmSave.h"

#include "registers/SaveRecall.h"

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
    const auto button = [](QWidget* parent, const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, parent);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    Frame2 = new QGroupBox(QStringLiteral("File I/O"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Label2 = new QLabel(QStringLiteral("Add Comment"), Frame2);
    Label2->setObjectName(QStringLiteral("Label2"));
    txtComment = new QLineEdit(Frame2);
    txtComment->setObjectName(QStringLiteral("txtComment"));
    txtComment->setAccessibleName(Label2->text());
    Label2->setBuddy(txtComment);
    cmdsave = button(Frame2, "cmdsave", QStringLiteral("Save  Current Configuration"));
    cmdRecall = button(Frame2, "cmdRecall", QStringLiteral("Recall Previous Configuration"));
    chkNotDefaults =
        new QCheckBox(QStringLiteral("Only save registers that differ from their defaults "), Frame2);
    chkNotDefaults->setObjectName(QStringLiteral("chkNotDefaults"));
    cmdClose = button(this, "cmdClose", QStringLiteral("Close"));

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

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(cmdClose);
    auto* top = new QVBoxLayout(this);
    top->addWidget(Frame2, 1);
    top->addLayout(closeRow);

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
