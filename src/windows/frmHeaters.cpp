#include "windows/frmHeaters.h"

#include "evalboard/EvalBoard.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QVBoxLayout>

frmHeaters::frmHeaters(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmHeaters"));
    setWindowTitle(QStringLiteral("Heater Control"));
    buildControls();
    Form_Load();
}

void frmHeaters::buildControls() {
    Frame1 = Named(new QGroupBox, "Frame1");
    Frame2 = Named(new QGroupBox, "Frame2");
    Label1 = Named(new QLabel(QStringLiteral("Heater1 PWM"), Frame1), "Label1");
    Label2 = Named(new QLabel(QStringLiteral("Heater2 PWM"), Frame2), "Label2");
    const std::array frames{Frame1, Frame2};
    const std::array titles{Label1, Label2};
    for (std::size_t i = 0; i < 2; ++i) {
        QGroupBox* frame = frames[i];
        auto* slider = Named(new HalfStepSlider(100, true, frame), Indexed("sldHeater", i));
        slider->setToolTip(QStringLiteral("Slide to adjust the DAC output"));
        LabelFor(titles[i], slider);
        auto* level = Named(new QLabel(frame), Indexed("lblLevel", i));
        level->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        level->setMinimumWidth(level->fontMetrics().horizontalAdvance(QStringLiteral("100.5")) + 4);
        slider->setReadout(level);
        lblTemp[i] = Named(new QLabel(QStringLiteral("Temp%1 = ").arg(i + 1), frame), Indexed("lblTemp", i));
        sldHeater[i] = slider;
        lblLevel[i] = level;

        auto* grid = new QGridLayout(frame);
        grid->addWidget(titles[i], 0, 0, 1, 2);
        grid->addWidget(slider, 1, 0);
        grid->addWidget(level, 1, 1);
        grid->addWidget(lblTemp[i], 2, 0, 1, 2);
        grid->setColumnStretch(0, 1);
        connect(slider, &HalfStepSlider::userChanged, this,
                [this, i](double value) { sldHeater_Change(static_cast<int>(i), value); });
    }
    cmdClose = Named(new QPushButton(QStringLiteral("Close")), "cmdClose");
    connect(cmdClose, &QPushButton::clicked, this, &frmHeaters::cmdClose_Click);

    auto* top = new QVBoxLayout(this);
    top->addWidget(Frame1);
    top->addWidget(Frame2);
    top->addStretch(1);
    top->addLayout(ButtonRow({cmdClose}));
}

void frmHeaters::Form_Load() {
    setDesignedSize(4575, 4830);
    // A failed read answered No leaves the sliders where they are rather than showing the
    // bytes another request left behind.
    if (const auto levels = ReadHeaterSliderLevels(session_)) {
        for (std::size_t i = 0; i < 2; ++i)
            sldHeater[i]->setUnitValue((*levels)[i]);
    }
    if (session_.usb.linkHeld()) return; // answered Yes: the program is ending
    pollWith(PollTask::Heaters, &Declarations::HeatersOpen, [this] { RefreshTemperatures(); });
}

void frmHeaters::sldHeater_Change(int index, double value) {
    SetHeaterFromSlider(session_, index, value);
}

void frmHeaters::RefreshTemperatures() {
    for (std::size_t i = 0; i < 2; ++i)
        lblTemp[i]->setText(HeaterTemperatureText(static_cast<int>(i), session_.readings));
}

void frmHeaters::cmdClose_Click() {
    unloadWindow();
}
