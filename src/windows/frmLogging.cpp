#include "windows/frmLogging.h"

#include "monitoring/LoggingControl.h"
#include "monitoring/PollingCycle.h"
#include "monitoring/SoftwareOptions.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPointer>
#include <QVBoxLayout>

frmLogging::frmLogging(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmLogging"));
    setWindowTitle(QStringLiteral("Data Logging"));
    buildControls();
    Form_Load();
}

void frmLogging::buildControls() {
    Frame1 = Named(new QGroupBox(QStringLiteral("Select Channels to Log to File"), this), "Frame1");
    auto* channels = new QGridLayout(Frame1);
    // Temperatures, fan speeds and duty cycles each in a column of their own.
    for (int k = 0; k < LogChannelCount; ++k) {
        const auto i = static_cast<std::size_t>(k);
        chkLog[i] = Named(new QCheckBox(LogChannelCaption(i), Frame1), Indexed("chkLog", i));
        channels->addWidget(chkLog[i], k % 4, k / 4);
    }

    cmdSelectAll = Named(new QPushButton(QStringLiteral("Select  All"), this), "cmdSelectAll");
    cmdDeselectAll = Named(new QPushButton(QStringLiteral("Deselect All"), this), "cmdDeselectAll");

    Label1 = Named(new QLabel(LoggingWindowIntervalLabel, this), "Label1");
    txtLogInt = Named(new QLineEdit(this), "txtLogInt");
    txtLogInt->setFixedWidth(64);
    LabelFor(Label1, txtLogInt);
    UpDown1 = new UpDown(txtLogInt, 10, 10000, 1, this);
    UpDown1->setNames(QStringLiteral("UpDown1"));

    cmdLogData = Named(new QPushButton(QStringLiteral("Start Logging"), this), "cmdLogData");
    cmdClose = Named(new QPushButton(QStringLiteral("Close"), this), "cmdClose");

    auto* selection = new QVBoxLayout;
    selection->addWidget(cmdSelectAll);
    selection->addWidget(cmdDeselectAll);
    selection->addStretch(1);

    auto* upper = new QHBoxLayout;
    upper->addWidget(Frame1, 1);
    upper->addLayout(selection);

    auto* interval = new QHBoxLayout;
    interval->setSpacing(0);
    interval->addWidget(Label1);
    interval->addSpacing(6);
    interval->addWidget(txtLogInt);
    interval->addWidget(UpDown1);
    interval->addStretch(1);

    auto* lower = new QHBoxLayout;
    lower->addLayout(interval, 1);
    lower->addWidget(cmdLogData);
    lower->addWidget(cmdClose);

    auto* top = new QVBoxLayout(this);
    top->addLayout(upper, 1);
    top->addLayout(lower);

    // The keyboard order is the order of creation: the channels column by column, then the buttons.

    connect(cmdSelectAll, &QPushButton::clicked, this, &frmLogging::cmdSelectAll_Click);
    connect(cmdDeselectAll, &QPushButton::clicked, this, &frmLogging::cmdDeselectAll_Click);
    connect(cmdLogData, &QPushButton::clicked, this, &frmLogging::cmdLogData_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmLogging::cmdClose_Click);
    connect(&polling_, &PollingCycle::loggingStopped, this, &frmLogging::showLoggingState);
}

void frmLogging::Form_Load() {
    setDesignedSize(7065, 4110);
    txtLogInt->setText(QString::number(session_.options.LogInterval));
    showLoggingState();
    for (std::size_t k = 0; k < chkLog.size(); ++k)
        chkLog[k]->setChecked(session_.decl.LogSelection[k]);
}

void frmLogging::showLoggingState() {
    cmdLogData->setText(session_.decl.LoggingActive ? QStringLiteral("Click to stop logging...")
                                                    : QStringLiteral("Start Logging"));
}

void frmLogging::cmdSelectAll_Click() {
    for (QCheckBox* box : chkLog)
        box->setChecked(true);
}

void frmLogging::cmdDeselectAll_Click() {
    for (QCheckBox* box : chkLog)
        box->setChecked(false);
}

void frmLogging::cmdLogData_Click() {
    if (session_.decl.LoggingActive) {
        StopLogging(session_);
        showLoggingState();
        return;
    }
    TickedChannels ticked{};
    for (std::size_t k = 0; k < chkLog.size(); ++k)
        ticked[k] = chkLog[k]->isChecked();
    // The file dialog runs an event loop, and the window may be unloaded under it (a link error).
    const QPointer<frmLogging> alive(this);
    StartLogging(session_, ticked, txtLogInt->text());
    if (alive) showLoggingState();
}

void frmLogging::cmdClose_Click() {
    unloadWindow();
}
