#include "windows/frmSWOptions.h"

#include "monitoring/SoftwareOptions.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QVBoxLayout>

frmSWOptions::frmSWOptions(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmSWOptions"));
    setWindowTitle(QStringLiteral("Software Options"));
    buildControls();
    Form_Load();
}

void frmSWOptions::buildControls() {
    Frame1 = Named(new QGroupBox(QStringLiteral("Options"), this), "Frame1");
    chkMonitoring =
        Named(new WrapCheckBox(
                  QStringLiteral("Enable continuous reading (graphing, interrupts data logging)"), Frame1),
              "chkMonitoring");

    auto* grid = new QGridLayout;
    const auto interval = [this, grid](const char* labelName, const QString& caption, const char* boxName,
                                       const char* spinnerName, int min, QLabel*& label, QLineEdit*& box,
                                       UpDown*& spinner) {
        const int row = grid->rowCount();
        label = Named(new QLabel(caption, Frame1), labelName);
        box = Named(new QLineEdit(Frame1), boxName);
        box->setFixedWidth(64);
        LabelFor(label, box);
        spinner = new UpDown(box, min, 10000, 10, Frame1);
        spinner->setNames(QLatin1String(spinnerName));
        grid->addWidget(label, row, 0);
        grid->addLayout(BoxWithSpinner(box, spinner), row, 1);
    };
    interval("Label1", ReadIntervalLabel, "txtReadInt", "UpDown1", 10, Label1, txtReadInt, UpDown1);
    interval("Label2", GraphIntervalLabel, "txtGraphing", "UpDown2", 10, Label2, txtGraphing, UpDown2);
    interval("Label3", LogIntervalLabel, "txtLogging", "UpDown3", 50, Label3, txtLogging, UpDown3);
    grid->setColumnStretch(1, 1);

    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(chkMonitoring);
    frameLayout->addSpacing(8);
    frameLayout->addLayout(grid);
    frameLayout->addStretch(1);

    cmdApply = Named(new QPushButton(QStringLiteral("Apply"), this), "cmdApply");
    cmdCancel = Named(new QPushButton(QStringLiteral("Close"), this), "cmdCancel");

    auto* top = new QVBoxLayout(this);
    top->addWidget(Frame1, 1);
    top->addLayout(ButtonRow({cmdApply, cmdCancel}));

    connect(cmdApply, &QPushButton::clicked, this, &frmSWOptions::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSWOptions::cmdCancel_Click);
}

void frmSWOptions::Form_Load() {
    setDesignedSize(4800, 4455);
    const PollingOptions& o = session_.options;
    chkMonitoring->setChecked(o.ReadingEnabled);
    txtGraphing->setText(QString::number(o.GraphInterval));
    txtLogging->setText(QString::number(o.LogInterval));
    txtReadInt->setText(QString::number(o.ReadInterval));
}

void frmSWOptions::cmdApply_Click() {
    ApplySoftwareOptions(
        session_, {chkMonitoring->isChecked(), txtReadInt->text(), txtLogging->text(), txtGraphing->text()});
}

void frmSWOptions::cmdCancel_Click() {
    unloadWindow();
}
