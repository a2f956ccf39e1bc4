#include "windows/frmManual.h"

#include "base/NumberText.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"
#include "windows/widgets/AccessibleChoice.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

frmManual::frmManual(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent), duty_(session) {
    setObjectName(QStringLiteral("frmManual"));
    setWindowTitle(QStringLiteral("Manual Fan Control"));
    buildControls();
    Form_Load();
}

void frmManual::buildControls() {
    Label1 = Named(new QLabel(QStringLiteral("Select PWM to Control")), "Label1");
    cmbPWM = Named(new QComboBox, "cmbPWM");
    cmbPWM->addItems(
        {QStringLiteral("PWM1"), QStringLiteral("PWM2"), QStringLiteral("PWM3"), QStringLiteral("PWM4")});
    LabelFor(Label1, cmbPWM);
    AcceptAccessibleChoice(cmbPWM);

    Frame1 = Named(new QGroupBox, "Frame1");
    const std::array pwmTexts{QStringLiteral("<PWM>"), QStringLiteral("Fan1 PWM =")};
    const std::array tachTexts{QStringLiteral("<Tach>"), QStringLiteral("Fan1 Tach =")};
    for (std::size_t i = 0; i < 2; ++i) {
        lblPWM[i] = Named(new QLabel(pwmTexts[i], Frame1), Indexed("lblPWM", i));
        lblTach[i] = Named(new QLabel(tachTexts[i], Frame1), Indexed("lblTach", i));
    }
    sldManual = Named(new HalfStepSlider(100, false, Frame1), "sldManual");
    sldManual->setToolTip(QStringLiteral("Slide to adjust the DAC output"));

    auto* readings = new QGridLayout;
    readings->addWidget(lblPWM[1], 0, 0);
    readings->addWidget(lblPWM[0], 0, 1);
    readings->addWidget(lblTach[1], 1, 0);
    readings->addWidget(lblTach[0], 1, 1);
    readings->setColumnStretch(1, 1);
    auto* frame = new QVBoxLayout(Frame1);
    frame->addLayout(readings);
    frame->addSpacing(8);
    frame->addWidget(sldManual);

    lblStatus = Named(new QLabel(QStringLiteral("<status>")), "lblStatus");
    QPalette warning = lblStatus->palette();
    warning.setColor(QPalette::WindowText, QColor(192, 0, 0));
    lblStatus->setPalette(warning);
    // The warning comes and goes without moving the controls around it.
    QSizePolicy keepPlace = lblStatus->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    lblStatus->setSizePolicy(keepPlace);

    cmdClose = Named(new QPushButton(QStringLiteral("Close")), "cmdClose");

    auto* choose = new QHBoxLayout;
    choose->addWidget(Label1);
    choose->addWidget(cmbPWM);
    choose->addStretch(1);
    auto* top = new QVBoxLayout(this);
    top->addLayout(choose);
    top->addWidget(Frame1);
    top->addWidget(lblStatus);
    top->addStretch(1);
    top->addLayout(ButtonRow({cmdClose}));

    connect(cmbPWM, &QComboBox::currentIndexChanged, this, &frmManual::cmbPWM_Click);
    connect(sldManual, &HalfStepSlider::userChanged, this, &frmManual::sldManual_Change);
    connect(sldManual, &QAbstractSlider::sliderPressed, this, [this] { SliderHeld = true; });
    connect(sldManual, &QAbstractSlider::sliderReleased, this, [this] { SliderHeld = false; });
    connect(cmdClose, &QPushButton::clicked, this, &frmManual::cmdClose_Click);
}

void frmManual::Form_Load() {
    setDesignedSize(5655, 4725);
    cmbPWM->setCurrentIndex(0);
    cmbPWM_Click();
    pollWith(PollTask::Manual, &Declarations::ManualOpen, [this] { cmbPWM_Click(); });
}

void frmManual::cmbPWM_Click() {
    Declarations& d = session_.decl;
    d.SelectedPwm = static_cast<std::int16_t>(std::max(0, cmbPWM->findText(cmbPWM->currentText())));
    const auto n = static_cast<std::size_t>(d.SelectedPwm);
    const int fan = d.SelectedPwm + 1;
    const Readings& r = session_.readings;
    lblPWM[0]->setText(ReadingText(r.dutyCycle(n)) + QStringLiteral("%"));
    lblTach[0]->setText(ReadingText(r.fanSpeed(n)) + QStringLiteral(" RPM"));
    lblPWM[1]->setText(QStringLiteral("Fan%1 PWM =").arg(fan));
    lblTach[1]->setText(QStringLiteral("Fan%1 Tach =").arg(fan));
    sldManual->setAccessibleName(QStringLiteral("Fan%1 PWM").arg(fan));
    lblStatus->setText(QStringLiteral("Fan%1 is not under manual control").arg(fan));
    lblStatus->setVisible(!session_.usb.ManualControl(fan));
    if (const auto shown = duty_.follow(d.SelectedPwm, SliderHeld)) sldManual->setUnitValue(*shown);
}

void frmManual::sldManual_Change(double percent) {
    duty_.set(session_.decl.SelectedPwm, static_cast<int>(percent));
}

void frmManual::cmdClose_Click() {
    unloadWindow();
}
