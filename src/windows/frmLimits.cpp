#include "windows/frmLimits.h"

#include "monitoring/Conversions.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"

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
    fraLimits = new QGroupBox(QStringLiteral("Set Channel Limits"), this);
    fraLimits->setObjectName(QStringLiteral("fraLimits"));

    // The lists are named by a label beside them, which assistive technology reads as their name.
    const auto list = [this](const char* name, const QString& item, int count, QLabel* label) {
        auto* c = new QComboBox(fraLimits);
        c->setObjectName(QLatin1String(name));
        for (int i = 1; i <= count; ++i)
            c->addItem(item.arg(i));
        c->setAccessibleName(label->text());
        label->setBuddy(c);
        return c;
    };
    const auto label = [this](const char* name, const QString& caption) {
        auto* l = new QLabel(caption, fraLimits);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    const auto gauge = [this](const char* name, double min, double max, const QString& accessible) {
        auto* g = new Gauge(min, max, fraLimits);
        g->setObjectName(QLatin1String(name));
        g->setToolTip(GaugeToolTip);
        g->setAccessibleName(accessible);
        return g;
    };
    lblTemp = label("lblTemp", QStringLiteral("Temperature"));
    cmbTemp = list("cmbTemp", QStringLiteral("Temp%1"), LimitTemperatureChannels, lblTemp);
    ggeTemp = gauge("ggeTemp", -128, 127, QStringLiteral("Temperature limits"));
    ggeTemp->setTicks(64, 16);
    ggeTemp->setStep(1);
    ggeTemp->setPointerName(Gauge::LowPointer, QStringLiteral("Low limit"));
    ggeTemp->setPointerName(Gauge::HighPointer, QStringLiteral("High limit"));

    lblFan = label("lblFan", QStringLiteral("Fan"));
    cmbFan = list("cmbFan", QStringLiteral("Fan%1"), LimitFans, lblFan);
    ggeFan = gauge("ggeFan", 0, 12000, QStringLiteral("Fan speed limits"));
    ggeFan->setTicks(2000, 500);
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
    limits->setRowStretch(1, 1);

    buildInterruptRows();

    const auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    cmdApply = button("cmdApply", QStringLiteral("Apply "));
    cmdApply->setAccessibleName(QStringLiteral("Apply"));
    cmdClose = button("cmdClose", QStringLiteral("Close"));

    auto* right = new QVBoxLayout;
    right->addWidget(fraInterrupts, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdApply);
    buttons->addWidget(cmdClose);
    right->addLayout(buttons);

    auto* top = new QHBoxLayout(this);
    top->addWidget(fraLimits, 1);
    top->addLayout(right);

    QWidget* previous = cmbTemp;
    const auto chain = [&previous](QWidget* next) {
        setTabOrder(previous, next);
        previous = next;
    };
    chain(ggeTemp);
    chain(cmbFan);
    chain(ggeFan);
    for (int k = 0; k < InterruptRows; ++k) {
        chain(chkMask[static_cast<std::size_t>(k)]);
        chain(tglAlert[static_cast<std::size_t>(k)]);
    }
    chain(cmdApply);
    chain(cmdClose);

    // Choosing a channel only reads, so a choice made from code may run it too.
    connect(cmbTemp, &QComboBox::currentIndexChanged, this, &frmLimits::cmbTemp_Click);
    connect(cmbFan, &QComboBox::currentIndexChanged, this, &frmLimits::cmbFan_Click);
    connect(ggeTemp, &Gauge::pointerMoved, this, &frmLimits::ggeTemp_PointerMoved);
    connect(ggeFan, &Gauge::pointerMoved, this, &frmLimits::ggeFan_PointerMoved);
    connect(cmdApply, &QPushButton::clicked, this, &frmLimits::cmdApply_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmLimits::cmdClose_Click);
}

void frmLimits::buildInterruptRows() {
    fraInterrupts = new QGroupBox(QStringLiteral("Interrupts"), this);
    fraInterrupts->setObjectName(QStringLiteral("fraInterrupts"));
    lblMask = new QLabel(QStringLiteral("Mask"), fraInterrupts);
    lblMask->setObjectName(QStringLiteral("lblMask"));

    auto* grid = new QGridLayout(fraInterrupts);
    grid->setVerticalSpacing(2);
    grid->addWidget(lblMask, 0, 1, Qt::AlignHCenter);
    for (int k = 0; k < InterruptRows; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const QString caption = InterruptRowCaption(k);
        auto* label = new QLabel(caption, fraInterrupts);
        label->setObjectName(QStringLiteral("Label4_%1").arg(k));
        auto* mask = new QCheckBox(fraInterrupts);
        mask->setObjectName(QStringLiteral("chkMask_%1").arg(k));
        mask->setAccessibleName(QStringLiteral("Mask %1").arg(caption));
        label->setBuddy(mask);
        auto* lamp = new Lamp(fraInterrupts);
        lamp->setObjectName(QStringLiteral("tglAlert_%1").arg(k));
        lamp->setToolTip(LampToolTip);
        lamp->setAccessibleName(QStringLiteral("%1 status").arg(caption));
        Label4[i] = label;
        chkMask[i] = mask;
        tglAlert[i] = lamp;
        grid->addWidget(label, k + 1, 0);
        grid->addWidget(mask, k + 1, 1, Qt::AlignHCenter);
        grid->addWidget(lamp, k + 1, 2, Qt::AlignHCenter);
    }
    grid->setRowStretch(InterruptRows + 1, 1);
}

void frmLimits::Form_Load() {
    setDesignedSize(10200, 6600);
    cmbTemp->setCurrentIndex(0);
    cmbTemp_Click();
    if (session_.usb.linkHeld()) return; // the program is ending
    cmbFan->setCurrentIndex(0);
    cmbFan_Click();
    if (session_.usb.linkHeld()) return;
    const auto masks = ReadInterruptMasks(session_);
    if (!masks) return;
    for (int k = 0; k < InterruptRows; ++k)
        chkMask[static_cast<std::size_t>(k)]->setChecked(masks->rows[static_cast<std::size_t>(k)]);
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
    for (int k = 0; k < InterruptRows; ++k)
        masked[static_cast<std::size_t>(k)] = chkMask[static_cast<std::size_t>(k)]->isChecked();
    WriteInterruptMasks(session_, masked, oolMask_);
}

void frmLimits::cmdClose_Click() {
    unloadWindow();
}

void frmLimits::RefreshInterruptStatus() {
    const auto status = ReadInterruptStatus(session_);
    if (!status) return; // the lamps keep what they showed
    for (int k = 0; k < InterruptRows; ++k)
        tglAlert[static_cast<std::size_t>(k)]->setOn((*status)[static_cast<std::size_t>(k)]);
}

void frmLimits::RefreshLiveValues() {
    const Readings& r = session_.readings;
    const int t = r.Temperatures[static_cast<std::size_t>(chosen(cmbTemp))];
    ggeTemp->setNeedle(t);
    ggeTemp->setCaption(TemperatureGaugeCaption(t));
    const std::int32_t rpm = r.FanSpeeds[static_cast<std::size_t>(chosen(cmbFan))];
    ggeFan->setNeedle(rpm);
    ggeFan->setCaption(FanGaugeCaption(rpm));
}
