#include "windows/frmLimits.h"

#include "monitoring/Conversions.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString GaugeToolTip = QStringLiteral("Drag the sliders to change the limits");
const QString LampToolTip = QStringLiteral("Interrupt Status: Green=OK, Red=Bad, Invisible=Disabled");

// The list position of the combo box's text among its items, as the chosen channel (0-based).
int chosen(const QComboBox* list) {
    return std::max(0, list->findText(list->currentText().trimmed()));
}
} // namespace

frmLimits::frmLimits(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmLimits"));
    setWindowTitle(QStringLiteral("Limits and Interrupts"));
    buildControls();
    Form_Load();
}

void frmLimits::buildControls() {
    fraLimits = Named(new QGroupBox(QStringLiteral("Set Channel Limits"), this), "fraLimits");

    // The lists are named by a label beside them, which assistive technology reads as their name.
    const auto list = [this](const char* name, const QString& item, int count, QLabel* label) {
        auto* c = Named(new QComboBox(fraLimits), name);
        for (int i = 1; i <= count; ++i)
            c->addItem(item.arg(i));
        LabelFor(label, c);
        return c;
    };
    const auto gauge = [this](const char* name, double min, double max, double major, double minor,
                              const QString& accessible) {
        auto* g = Named(new Gauge(min, max, major, minor, fraLimits), name);
        g->setToolTip(GaugeToolTip);
        g->setAccessibleName(accessible);
        return g;
    };
    lblTemp = Named(new QLabel(QStringLiteral("Temperature"), fraLimits), "lblTemp");
    cmbTemp = list("cmbTemp", QStringLiteral("Temp%1"), LimitTemperatureChannels, lblTemp);
    ggeTemp = gauge("ggeTemp", -128, 127, 64, 16, QStringLiteral("Temperature limits"));
    ggeTemp->setPointerName(Gauge::LowPointer, QStringLiteral("Low limit"));
    ggeTemp->setPointerName(Gauge::HighPointer, QStringLiteral("High limit"));

    lblFan = Named(new QLabel(QStringLiteral("Fan"), fraLimits), "lblFan");
    cmbFan = list("cmbFan", QStringLiteral("Fan%1"), LimitFans, lblFan);
    ggeFan = gauge("ggeFan", 0, 12000, 2000, 500, QStringLiteral("Fan speed limits"));
    ggeFan->setStep(50);
    ggeFan->setPointerName(Gauge::LowPointer, QStringLiteral("Minimum limit"));
    ggeFan->setPointerName(Gauge::HighPointer, QStringLiteral("Maximum limit"));

    auto* limits = new QGridLayout(fraLimits);
    const auto choice = [](QLabel* l, QComboBox* c) {
        auto* row = new QHBoxLayout;
        row->addStretch(1);
        row->addWidget(l);
        row->addWidget(c);
        row->addStretch(1);
        return row;
    };
    limits->addLayout(choice(lblTemp, cmbTemp), 0, 0);
    limits->addWidget(ggeTemp, 1, 0);
    limits->addLayout(choice(lblFan, cmbFan), 0, 1);
    limits->addWidget(ggeFan, 1, 1);

    buildInterruptRows();

    cmdApply = Named(new QPushButton(QStringLiteral("Apply "), this), "cmdApply");
    cmdApply->setAccessibleName(QStringLiteral("Apply"));
    cmdClose = Named(new QPushButton(QStringLiteral("Close"), this), "cmdClose");

    auto* right = new QVBoxLayout;
    right->addWidget(fraInterrupts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdClose);
    right->addLayout(buttons);

    auto* top = new QHBoxLayout(this);
    top->addWidget(fraLimits, 1);
    top->addLayout(right);

    // Choosing a channel only reads, so a choice made from code may run it too.
    connect(cmbTemp, &QComboBox::currentIndexChanged, this, &frmLimits::cmbTemp_Click);
    connect(cmbFan, &QComboBox::currentIndexChanged, this, &frmLimits::cmbFan_Click);
    connect(ggeTemp, &Gauge::pointerMoved, this, &frmLimits::ggeTemp_PointerMoved);
    connect(ggeFan, &Gauge::pointerMoved, this, &frmLimits::ggeFan_PointerMoved);
    connect(cmdApply, &QPushButton::clicked, this, &frmLimits::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmLimits::cmdClose_Click);
}

void frmLimits::buildInterruptRows() {
    fraInterrupts = Named(new QGroupBox(QStringLiteral("Interrupts"), this), "fraInterrupts");
    lblMask = Named(new QLabel(QStringLiteral("Mask"), fraInterrupts), "lblMask");

    auto* grid = new QGridLayout(fraInterrupts);
    grid->setVerticalSpacing(2);
    grid->addWidget(lblMask, 0, 1, Qt::AlignHCenter);
    for (std::size_t i = 0; i < chkMask.size(); ++i) {
        const QString caption = InterruptRowCaption(i);
        auto* label = Named(new QLabel(caption, fraInterrupts), Indexed("Label4", i));
        auto* mask = Named(new QCheckBox(fraInterrupts), Indexed("chkMask", i));
        mask->setAccessibleName(QStringLiteral("Mask %1").arg(caption));
        label->setBuddy(mask);
        auto* lamp = Named(new Lamp(fraInterrupts), Indexed("tglAlert", i));
        lamp->setToolTip(LampToolTip);
        lamp->setAccessibleName(QStringLiteral("%1 status").arg(caption));
        Label4[i] = label;
        chkMask[i] = mask;
        tglAlert[i] = lamp;
        const int row = static_cast<int>(i) + 1;
        grid->addWidget(label, row, 0);
        grid->addWidget(mask, row, 1, Qt::AlignHCenter);
        grid->addWidget(lamp, row, 2, Qt::AlignHCenter);
    }
    grid->setRowStretch(InterruptRows + 1, 1);
}

void frmLimits::Form_Load() {
    setDesignedSize(10200, 6600);
    // Both lists, filled just now, show their first channel.
    cmbTemp_Click();
    if (session_.usb.linkHeld()) return; // the program is ending
    cmbFan_Click();
    if (session_.usb.linkHeld()) return;
    const auto masks = ReadInterruptMasks(session_);
    if (!masks) return;
    for (std::size_t k = 0; k < chkMask.size(); ++k)
        chkMask[k]->setChecked(masks->rows[k]);
    oolMask_ = masks->oolMask;
    pollWith(PollTask::Limits, &Declarations::LimitsOpen, [this] {
        RefreshInterruptStatus();
        if (!session_.usb.linkHeld()) RefreshLiveValues();
    });
}

void frmLimits::cmbTemp_Click() {
    const auto limits = ReadTemperatureLimits(session_, chosen(cmbTemp) + 1);
    if (!limits) return;
    ggeTemp->setPointer(Gauge::LowPointer, limits->low);
    ggeTemp->setPointer(Gauge::HighPointer, limits->high);
}

void frmLimits::cmbFan_Click() {
    const auto limits = ReadTachLimits(session_, chosen(cmbFan) + 1);
    if (!limits) return;
    heldTach_ = *limits;
    ggeFan->setPointer(Gauge::LowPointer, TachToRpm(limits->minimum));
    ggeFan->setPointer(Gauge::HighPointer, TachToRpm(limits->maximum));
}

void frmLimits::ggeTemp_PointerMoved(int) {
    WriteTemperatureLimits(session_, chosen(cmbTemp) + 1, ggeTemp->pointer(Gauge::LowPointer),
                           ggeTemp->pointer(Gauge::HighPointer));
}

void frmLimits::ggeFan_PointerMoved(int pointer) {
    const TachLimit which = pointer == Gauge::LowPointer ? TachLimit::Minimum : TachLimit::Maximum;
    heldTach_ = MovedTachLimit(heldTach_, which, ggeFan->pointer(pointer));
    WriteTachLimits(session_, chosen(cmbFan) + 1, heldTach_);
}

void frmLimits::cmdApply_Click() {
    InterruptRowStates masked{};
    for (std::size_t k = 0; k < masked.size(); ++k)
        masked[k] = chkMask[k]->isChecked();
    WriteInterruptMasks(session_, masked, oolMask_);
}

void frmLimits::cmdClose_Click() {
    unloadWindow();
}

void frmLimits::RefreshInterruptStatus() {
    const auto status = ReadInterruptStatus(session_);
    if (!status) return; // the lamps keep what they showed
    for (std::size_t k = 0; k < tglAlert.size(); ++k)
        tglAlert[k]->setOn((*status)[k]);
}

void frmLimits::RefreshLiveValues() {
    const Readings& r = session_.readings;
    const auto t = r.temperature(static_cast<std::size_t>(chosen(cmbTemp)));
    ggeTemp->setNeedle(t);
    ggeTemp->setCaption(TemperatureGaugeCaption(t));
    const auto rpm = r.fanSpeed(static_cast<std::size_t>(chosen(cmbFan)));
    ggeFan->setNeedle(rpm);
    ggeFan->setCaption(FanGaugeCaption(rpm));
}
