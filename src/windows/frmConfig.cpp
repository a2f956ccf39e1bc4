#include "windows/frmConfig.h"

#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace {
QComboBox* labelledList(const char* name, QLabel* label, const QStringList& items, bool editable) {
    auto* c = Named(new QComboBox, name);
    c->addItems(items);
    c->setEditable(editable);
    // Typed numbers are entries, not new items of the list.
    c->setInsertPolicy(QComboBox::NoInsert);
    LabelFor(label, c);
    return c;
}
} // namespace

frmConfig::frmConfig(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("Configuration"));
    buildControls();
    Form_Load();
}

void frmConfig::buildControls() {
    Frame1 = Named(new QGroupBox(QStringLiteral("Device  Settings")), "Frame1");
    chkMonitoring = Named(new QCheckBox(QStringLiteral("Enable Monitoring")), "chkMonitoring");
    chkTODIS = Named(new QCheckBox(QStringLiteral("Disable SMBus Timeout")), "chkTODIS");
    Label1 = Named(new QLabel(QStringLiteral("Pin13 Setup")), "Label1");
    cmbPin13 =
        labelledList("cmbPin13", Label1,
                     {QStringLiteral("Full Speed Input"), QStringLiteral("PEXIL Start Output")}, false);
    chkPowerDown = Named(new QCheckBox(QStringLiteral("Power Down")), "chkPowerDown");
    Label4 = Named(new QLabel(QStringLiteral("Optional PEXIL Gain")), "Label4");
    cmbGain = labelledList(
        "cmbGain", Label4,
        {QStringLiteral("731"), QStringLiteral("733"), QStringLiteral("740"), QStringLiteral("751")}, true);
    Label5 = Named(new QLabel(QStringLiteral("Optional  PEXIL Offset")), "Label5");
    cmbOffset = labelledList(
        "cmbOffset", Label5,
        {QStringLiteral("406"), QStringLiteral("407"), QStringLiteral("410"), QStringLiteral("421")}, true);
    chkUseDefault =
        Named(new QCheckBox(QStringLiteral("Use Default PEXIL Gain/Offset Settings")), "chkUseDefault");

    auto* grid = new QGridLayout(Frame1);
    grid->setVerticalSpacing(10);
    int row = 0;
    grid->addWidget(chkMonitoring, row++, 0, 1, 2);
    grid->addWidget(chkTODIS, row++, 0, 1, 2);
    grid->addWidget(Label1, row, 0);
    grid->addWidget(cmbPin13, row++, 1);
    grid->addWidget(chkPowerDown, row++, 0, 1, 2);
    grid->addWidget(Label4, row, 0);
    grid->addWidget(cmbGain, row++, 1);
    grid->addWidget(Label5, row, 0);
    grid->addWidget(cmbOffset, row++, 1);
    grid->addWidget(chkUseDefault, row++, 0, 1, 2);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(row, 1);

    cmdOK = Named(new QPushButton(QStringLiteral("OK")), "cmdOK");
    cmdCancel = Named(new QPushButton(QStringLiteral("Cancel")), "cmdCancel");
    cmdApply = Named(new QPushButton(QStringLiteral("Apply")), "cmdApply");
    auto* top = new QVBoxLayout(this);
    top->addWidget(Frame1, 1);
    top->addLayout(ButtonRow({cmdOK, cmdCancel, cmdApply}));

    SetTabOrder({chkMonitoring, chkTODIS, cmbPin13, chkPowerDown, cmbGain, cmbOffset, chkUseDefault, cmdOK,
                 cmdCancel, cmdApply});

    connect(cmdOK, &QPushButton::clicked, this, &frmConfig::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmConfig::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmConfig::cmdApply_Click);
}

void frmConfig::Form_Load() {
    setDesignedSize(6480, 5220);
    const std::optional<DeviceSettings> d = LoadDeviceConfig(session_);
    if (!d) return; // the program is ending
    chkMonitoring->setChecked(d->monitoring);
    chkTODIS->setChecked(d->timeoutDisabled);
    cmbPin13->setCurrentIndex(d->pexilStartOutput ? 1 : 0);
    chkPowerDown->setChecked(d->powerDown);
    cmbGain->setCurrentText(d->gain);
    cmbOffset->setCurrentText(d->offset);
    chkUseDefault->setChecked(d->useDefault);
    selectMask_ = d->selectMask;
}

DeviceSettings frmConfig::shownSettings() const {
    DeviceSettings d;
    d.monitoring = chkMonitoring->isChecked();
    d.timeoutDisabled = chkTODIS->isChecked();
    d.pexilStartOutput = cmbPin13->currentText() == cmbPin13->itemText(1);
    d.powerDown = chkPowerDown->isChecked();
    d.gain = cmbGain->currentText();
    d.offset = cmbOffset->currentText();
    d.useDefault = chkUseDefault->isChecked();
    d.selectMask = selectMask_;
    return d;
}

void frmConfig::cmdApply_Click() {
    DeviceSettings d = shownSettings();
    applyFailed_ = !ApplyDeviceConfig(session_, d);
    selectMask_ = d.selectMask;
}

void frmConfig::cmdOK_Click() {
    cmdApply_Click();
    if (session_.usb.linkHeld()) return; // the program is ending and unloads every window
    if (applyFailed_) {
        applyFailed_ = false;
        return;
    }
    unloadWindow();
}

void frmConfig::cmdCancel_Click() {
    unloadWindow();
}
