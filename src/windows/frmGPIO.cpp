#include "windows/frmGPIO.h"

#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QVBoxLayout>

namespace {
// A list in a row of the table: named by its row and column. Linux screen readers announce a
// list by its value and its label, which here is only the column heading, so the row's name also
// goes into the description.
QComboBox* list(const QString& name, const QString& accessible, const QStringList& items) {
    auto* c = Named(new QComboBox, name);
    c->addItems(items);
    c->setAccessibleName(accessible);
    c->setAccessibleDescription(accessible);
    return c;
}
} // namespace

frmGPIO::frmGPIO(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmGPIO"));
    setWindowTitle(QStringLiteral("GPIO"));
    buildControls();
    Form_Load();
}

void frmGPIO::buildControls() {
    Frame1 = Named(new QGroupBox(QStringLiteral("GPIO Configuration")), "Frame1");
    Label1 = Named(new QLabel(QStringLiteral("Direction")), "Label1");
    Label2 = Named(new QLabel(QStringLiteral("Polarity")), "Label2");
    Label3 = Named(new QLabel(QStringLiteral("Status")), "Label3");

    auto* grid = new QGridLayout(Frame1);
    grid->setHorizontalSpacing(12);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label2, 0, 2);
    grid->addWidget(Label3, 0, 3);
    for (std::size_t i = 0; i < 4; ++i) {
        const QString pin = QStringLiteral("GPIO %1").arg(i + 1);
        chkEnable[i] = Named(new QCheckBox(QStringLiteral("Enable ") + pin), Indexed("chkEnable", i));
        cmbDir[i] = list(Indexed("cmbDir", i), pin + QStringLiteral(" Direction"),
                         {QStringLiteral("Input"), QStringLiteral("Output")});
        cmbPolarity[i] = list(Indexed("cmbPolarity", i), pin + QStringLiteral(" Polarity"),
                              {QStringLiteral("Active Low"), QStringLiteral("Active High")});
        cmbStatus[i] = list(Indexed("cmbStatus", i), pin + QStringLiteral(" Status"),
                            {QStringLiteral("Clear"), QStringLiteral("Set")});
        lblValue[i] = Named(new QLabel(QStringLiteral("Disabled")), Indexed("lblValue", i));
        // Its name is the level it shows; the description says which pin.
        lblValue[i]->setAccessibleDescription(pin + QStringLiteral(" Status"));
        lblValue[i]->hide();

        const int row = static_cast<int>(i) + 1;
        grid->addWidget(chkEnable[i], row, 0);
        grid->addWidget(cmbDir[i], row, 1);
        grid->addWidget(cmbPolarity[i], row, 2);
        // The value label takes the status list's place: one cell, left edges together.
        grid->addWidget(cmbStatus[i], row, 3, Qt::AlignLeft);
        grid->addWidget(lblValue[i], row, 3, Qt::AlignLeft);

        connect(chkEnable[i], &QCheckBox::clicked, this, [this, i] { chkEnable_Click(static_cast<int>(i)); });
        connect(cmbDir[i], &QComboBox::currentIndexChanged, this,
                [this, i] { cmbDir_Click(static_cast<int>(i)); });
    }
    // The headings name the first row's lists; each list carries its own full name.
    Label1->setBuddy(cmbDir[0]);
    Label2->setBuddy(cmbPolarity[0]);
    Label3->setBuddy(cmbStatus[0]);
    // Room for the longest list item, and the same for the label that takes the status list's place.
    grid->setColumnMinimumWidth(3, cmbStatus[0]->sizeHint().width());
    grid->setColumnStretch(4, 1);

    cmdOK = Named(new QPushButton(QStringLiteral("OK")), "cmdOK");
    cmdCancel = Named(new QPushButton(QStringLiteral("Cancel")), "cmdCancel");
    cmdApply = Named(new QPushButton(QStringLiteral("Apply")), "cmdApply");
    auto* top = new QVBoxLayout(this);
    top->addWidget(Frame1);
    top->addStretch(1);
    top->addLayout(ButtonRow({cmdOK, cmdCancel, cmdApply}));

    connect(cmdOK, &QPushButton::clicked, this, &frmGPIO::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmGPIO::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmGPIO::cmdApply_Click);
}

void frmGPIO::Form_Load() {
    setDesignedSize(7200, 3450);
    const std::optional<GpioPins> pins = LoadGpio(session_);
    if (!pins) return; // the program is ending
    for (std::size_t i = 0; i < 4; ++i) {
        const GpioPin& p = (*pins)[i];
        chkEnable[i]->setChecked(p.enabled);
        cmbDir[i]->setCurrentIndex(p.output ? 1 : 0);
        cmbPolarity[i]->setCurrentIndex(p.activeHigh ? 1 : 0);
        cmbStatus[i]->setCurrentIndex(p.set ? 1 : 0);
    }
    UpdateVisibility();
    pollWith(PollTask::Gpio, &Declarations::GpioOpen, [this] { RefreshStatus(); });
}

void frmGPIO::UpdateVisibility() {
    for (std::size_t i = 0; i < 4; ++i) {
        const bool input = cmbDir[i]->currentIndex() == 0;
        // Hide first, so that the cell never holds both at once.
        (input ? static_cast<QWidget*>(cmbStatus[i]) : lblValue[i])->hide();
        (input ? static_cast<QWidget*>(lblValue[i]) : cmbStatus[i])->show();
    }
}

void frmGPIO::chkEnable_Click(int) {
    UpdateVisibility();
}

void frmGPIO::cmbDir_Click(int) {
    UpdateVisibility();
}

GpioPins frmGPIO::shownPins() const {
    GpioPins pins{};
    for (std::size_t i = 0; i < 4; ++i)
        pins[i] = {chkEnable[i]->isChecked(), cmbDir[i]->currentIndex() != 0,
                   cmbPolarity[i]->currentIndex() != 0, cmbStatus[i]->currentIndex() != 0};
    return pins;
}

void frmGPIO::RefreshStatus() {
    const auto texts = GpioValueTexts(session_, shownPins());
    for (std::size_t i = 0; i < 4; ++i)
        if (texts[i]) lblValue[i]->setText(*texts[i]);
}

void frmGPIO::cmdApply_Click() {
    ApplyGpio(session_, shownPins());
}

void frmGPIO::cmdOK_Click() {
    cmdApply_Click();
    if (session_.usb.linkHeld()) return; // the program is ending and unloads every window
    unloadWindow();
}

void frmGPIO::cmdCancel_Click() {
    unloadWindow();
}
