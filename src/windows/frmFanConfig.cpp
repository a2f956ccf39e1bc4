#include "windows/frmFanConfig.h"

#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
QComboBox* list(QWidget* parent, const QString& name, const QStringList& items) {
    auto* c = Named(new QComboBox(parent), name);
    c->addItems(items);
    return c;
}

bool ticked(const QCheckBox* c) {
    return c->checkState() == Qt::Checked;
}

const QStringList& zoneItems() {
    static const QStringList items{
        QStringLiteral("Max Temp Reg"), QStringLiteral("Temp1"), QStringLiteral("Temp2"),
        QStringLiteral("Temp3"),        QStringLiteral("Temp4"), QStringLiteral("Temp5"),
        QStringLiteral("Temp6"),        QStringLiteral("Temp7"), QStringLiteral("Temp8"),
        QStringLiteral("Temp9"),        QStringLiteral("Temp10")};
    return items;
}

constexpr std::array<const char*, 4> GpioPins{"Pin15", "Pin5", "Pin8", "Pin10"};
} // namespace

frmFanConfig::frmFanConfig(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmFanConfig"));
    setWindowTitle(QStringLiteral("Fan Configuration"));
    buildControls();
    Form_Load();
}

void frmFanConfig::buildControls() {
    SSTab1 = Named(new QTabWidget(this), QStringLiteral("SSTab1"));
    SSTab1->setAccessibleName(QStringLiteral("Fan settings"));
    SSTab1->addTab(buildAllFansTab(), QStringLiteral("All Fans"));
    for (std::size_t n = 0; n < fraPWM.size(); ++n)
        SSTab1->addTab(buildFanTab(n), QStringLiteral("Fan%1").arg(n + 1));
    // A screen reader finds a page's controls under the page's own name: "Min Tach Limit  (RPM)"
    // in "Fan2".
    for (int i = 0; i < SSTab1->count(); ++i)
        SSTab1->widget(i)->setAccessibleName(SSTab1->tabText(i));

    cmdOK = Named(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOK"));
    cmdCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), QStringLiteral("cmdCancel"));
    cmdApply = Named(new QPushButton(QStringLiteral("&Apply"), this), QStringLiteral("cmdApply"));
    auto* top = new QVBoxLayout(this);
    top->addWidget(SSTab1, 1);
    top->addLayout(ButtonRow({cmdOK, cmdCancel, cmdApply}));

    // Inside this window Ctrl+Tab and Ctrl+Shift+Tab turn the pages, as in any tabbed dialog. The
    // main window's MDI area takes those keys for cycling its windows in a filter on every key of
    // the application; a shortcut is matched before the key is delivered to anyone.
    const auto pageKeys = [this](const QKeySequence& keys, int step) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, step] {
            SSTab1->setCurrentIndex((SSTab1->currentIndex() + step + SSTab1->count()) % SSTab1->count());
        });
    };
    pageKeys(QKeySequence(Qt::CTRL | Qt::Key_Tab), 1);
    // Depending on the keyboard layer, Shift+Tab is matched as Tab with Shift or as Backtab.
    pageKeys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1);
    pageKeys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1);

    connect(cmdOK, &QPushButton::clicked, this, &frmFanConfig::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFanConfig::cmdCancel_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmFanConfig::cmdApply_Click);
}

QWidget* frmFanConfig::buildAllFansTab() {
    auto* page = new QWidget;
    fraAllFans =
        Named(new QGroupBox(QStringLiteral("Settings  for All Fans"), page), QStringLiteral("fraAllFans"));

    cmbFreq = list(fraAllFans, QStringLiteral("cmbFreq"),
                   {QStringLiteral("11.0Hz(LF) -   1.4kHz(HF)"), QStringLiteral("14.7Hz(LF) - 22.5kHz(HF)"),
                    QStringLiteral("22.1Hz(LF) - 22.5kHz(HF)"), QStringLiteral("29.4Hz(LF) - 22.5kHz(HF)"),
                    QStringLiteral("35.3Hz(LF) - 22.5kHz(HF)"), QStringLiteral("44.1Hz(LF) - 22.5kHz(HF)"),
                    QStringLiteral("58.8Hz(LF) - 22.5kHz(HF)"), QStringLiteral("88.2Hz(LF) - 22.5kHz(HF)")});
    lblFreq =
        LabelFor(cmbFreq, QStringLiteral("lblFreq"), QStringLiteral("Select PWM Frequency"), fraAllFans);
    const auto check = [this](const QString& name, const QString& caption) {
        return Named(new QCheckBox(caption, fraAllFans), name);
    };
    chkHighFreq = check(QStringLiteral("chkHighFreq"), QStringLiteral("Enable High Frequency PWM"));
    chkFastTach = check(QStringLiteral("chkFastTach"), QStringLiteral("Enable Fast Tach"));
    chkFullSpeed = check(QStringLiteral("chkFullSpeed"), QStringLiteral("Run Fans at Full Speed"));
    for (std::size_t n = 0; n < chkFanFail.size(); ++n)
        chkFanFail[n] =
            check(Indexed("chkFanFail", n), QStringLiteral("Fans go to 100% if Fan%1 fails").arg(n + 1));
    cmbSpinUp = list(fraAllFans, QStringLiteral("cmbSpinUp"),
                     {QStringLiteral("No Spin-Up"), QStringLiteral("100ms"), QStringLiteral("250ms"),
                      QStringLiteral("400ms"), QStringLiteral("667ms"), QStringLiteral("1 sec"),
                      QStringLiteral("2 sec"), QStringLiteral("4 sec")});
    lblSpinUp = LabelFor(cmbSpinUp, QStringLiteral("lblSpinUp"), QStringLiteral("AFC Spin-UP"), fraAllFans);

    auto* grid = new QGridLayout(fraAllFans);
    int row = 0;
    grid->addWidget(lblFreq, row, 0);
    grid->addWidget(cmbFreq, row++, 1, Qt::AlignLeft);
    for (QCheckBox* c : {chkHighFreq, chkFastTach, chkFullSpeed})
        grid->addWidget(c, row++, 0, 1, 2);
    for (QCheckBox* c : chkFanFail)
        grid->addWidget(c, row++, 0, 1, 2);
    grid->addWidget(lblSpinUp, row, 0);
    grid->addWidget(cmbSpinUp, row++, 1, Qt::AlignLeft);
    grid->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(fraAllFans);
    layout->addStretch(1);
    return page;
}

QWidget* frmFanConfig::buildFanTab(std::size_t n) {
    auto* page = new QWidget;
    const std::size_t fan = n + 1;
    const auto box = [](QWidget* parent, const QString& name) {
        auto* t = Named(new QLineEdit(parent), name);
        t->setFixedWidth(t->fontMetrics().horizontalAdvance(QStringLiteral(">54000000")));
        return t;
    };
    // Spinners UpDown(4n+1) .. UpDown(4n+4) of this fan, in the order of their numbers.
    const std::array spinners{&UpDown1,  &UpDown2,  &UpDown3,  &UpDown4,  &UpDown5,  &UpDown6,
                              &UpDown7,  &UpDown8,  &UpDown9,  &UpDown10, &UpDown11, &UpDown12,
                              &UpDown13, &UpDown14, &UpDown15, &UpDown16};
    const auto spinner = [&](std::size_t k, QLineEdit* buddy, int max, int step) {
        auto* u = new UpDown(buddy, 0, max, step, buddy->parentWidget());
        u->setNames(QStringLiteral("UpDown%1").arg(k));
        *spinners[k - 1] = u;
        return u;
    };

    QGroupBox* pwm = fraPWM[n] =
        Named(new QGroupBox(QStringLiteral("PWM%1 Settings").arg(fan), page), Indexed("fraPWM", n));
    txtMinDuty[n] = box(pwm, Indexed("txtMinDuty", n));
    lblMinDuty[n] =
        LabelFor(txtMinDuty[n], Indexed("lblMinDuty", n), QStringLiteral("Min Duty Cycle  (%)"), pwm);
    txtMaxDuty[n] = box(pwm, Indexed("txtMaxDuty", n));
    lblMaxDuty[n] =
        LabelFor(txtMaxDuty[n], Indexed("lblMaxDuty", n), QStringLiteral("Max Duty Cycle (%)"), pwm);
    chkFanOVT[n] = Named(
        new QCheckBox(QStringLiteral("Fan%1 goes to 100% on any over-temperature condition").arg(fan), pwm),
        Indexed("chkFanOVT", n));
    chkInvert[n] =
        Named(new QCheckBox(QStringLiteral("Invert PWM%1 output").arg(fan), pwm), Indexed("chkInvert", n));
    lblPWMGPIO[n] = Named(
        new QLabel(QStringLiteral("%1 is configured as GPIO %2").arg(QLatin1String(GpioPins[n])).arg(fan),
                   pwm),
        Indexed("lblPWMGPIO", n));
    QPalette warning = lblPWMGPIO[n]->palette();
    warning.setColor(QPalette::WindowText, Qt::darkRed);
    lblPWMGPIO[n]->setPalette(warning);
    // Its place stays reserved, so the frame does not jump when the warning comes and goes.
    QSizePolicy keepPlace = lblPWMGPIO[n]->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    lblPWMGPIO[n]->setSizePolicy(keepPlace);
    lblPWMGPIO[n]->hide();

    auto* pwmGrid = new QGridLayout(pwm);
    pwmGrid->addWidget(lblMinDuty[n], 0, 0);
    pwmGrid->addLayout(BoxWithSpinner(txtMinDuty[n], spinner(4 * n + 2, txtMinDuty[n], 100, 1)), 0, 1);
    pwmGrid->addWidget(lblMaxDuty[n], 1, 0);
    pwmGrid->addLayout(BoxWithSpinner(txtMaxDuty[n], spinner(4 * n + 1, txtMaxDuty[n], 100, 1)), 1, 1);
    pwmGrid->addWidget(chkFanOVT[n], 2, 0, 1, 2);
    pwmGrid->addWidget(chkInvert[n], 3, 0, 1, 2);
    pwmGrid->addWidget(lblPWMGPIO[n], 4, 0, 1, 2);
    pwmGrid->setColumnStretch(1, 1);

    QGroupBox* control = fraControl[n] =
        Named(new QGroupBox(QStringLiteral("Control"), page), Indexed("fraControl", n));
    cmbZone[n] = list(control, Indexed("cmbZone", n), zoneItems());
    lblZone[n] = LabelFor(cmbZone[n], Indexed("lblZone", n), QStringLiteral("Control Zone"), control);
    cmbControlType[n] =
        list(control, Indexed("cmbControlType", n), {QStringLiteral("Manual"), QStringLiteral("Automatic")});
    lblControlType[n] =
        LabelFor(cmbControlType[n], Indexed("lblControlType", n), QStringLiteral("Control Type"), control);
    cmbRampRate[n] = list(control, Indexed("cmbRampRate", n),
                          {QStringLiteral("35 sec"), QStringLiteral("17.6 sec"), QStringLiteral("11.8 sec"),
                           QStringLiteral("7 sec"), QStringLiteral("4.4 sec"), QStringLiteral("3 sec"),
                           QStringLiteral("1.6 sec"), QStringLiteral("0.8 sec")});
    lblRampRate[n] =
        LabelFor(cmbRampRate[n], Indexed("lblRampRate", n), QStringLiteral("Set Ramp Rate"), control);
    chkEnhance[n] =
        Named(new QCheckBox(QStringLiteral("Enable Enhanced  Acoustics"), control), Indexed("chkEnhance", n));

    auto* controlGrid = new QGridLayout(control);
    controlGrid->addWidget(lblZone[n], 0, 0);
    controlGrid->addWidget(cmbZone[n], 0, 1);
    controlGrid->addWidget(lblControlType[n], 1, 0);
    controlGrid->addWidget(cmbControlType[n], 1, 1);
    controlGrid->addWidget(lblRampRate[n], 2, 0);
    controlGrid->addWidget(cmbRampRate[n], 2, 1);
    controlGrid->addWidget(chkEnhance[n], 3, 0, 1, 2);
    controlGrid->setRowStretch(4, 1);

    QGroupBox* tach = fraTach[n] =
        Named(new QGroupBox(QStringLiteral("Tach%1 Settings").arg(fan), page), Indexed("fraTach", n));
    txtMinTach[n] = box(tach, Indexed("txtMinTach", n));
    lblMinTach[n] =
        LabelFor(txtMinTach[n], Indexed("lblMinTach", n), QStringLiteral("Min Tach Limit  (RPM)"), tach);
    txtMaxTach[n] = box(tach, Indexed("txtMaxTach", n));
    lblMaxTach[n] =
        LabelFor(txtMaxTach[n], Indexed("lblMaxTach", n), QStringLiteral("Max Tach Limit (RPM)"), tach);
    cmbPulses[n] = list(tach, Indexed("cmbPulses", n),
                        {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")});
    lblPulses[n] = LabelFor(cmbPulses[n], Indexed("lblPulses", n), QStringLiteral("Pulses/Rev"), tach);
    chkDisableTach[n] =
        Named(new QCheckBox(QStringLiteral("Disable Tach Pulses"), tach), Indexed("chkDisableTach", n));

    auto* tachGrid = new QGridLayout(tach);
    tachGrid->addWidget(lblMinTach[n], 0, 0);
    tachGrid->addLayout(BoxWithSpinner(txtMinTach[n], spinner(4 * n + 4, txtMinTach[n], 20000, 50)), 0, 1);
    tachGrid->addWidget(lblMaxTach[n], 1, 0);
    tachGrid->addLayout(BoxWithSpinner(txtMaxTach[n], spinner(4 * n + 3, txtMaxTach[n], 20000, 50)), 1, 1);
    tachGrid->addWidget(lblPulses[n], 2, 0);
    tachGrid->addWidget(cmbPulses[n], 2, 1, Qt::AlignLeft);
    tachGrid->addWidget(chkDisableTach[n], 3, 0, 1, 2);
    tachGrid->setRowStretch(4, 1);

    auto* lower = new QHBoxLayout;
    lower->addWidget(control, 1);
    lower->addWidget(tach, 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(pwm);
    layout->addLayout(lower, 1);

    // Keyboard order as the frames read: PWM, then control, then tach.
    SetTabOrder({txtMinDuty[n], txtMaxDuty[n], chkFanOVT[n], chkInvert[n], cmbZone[n], cmbControlType[n],
                 cmbRampRate[n], chkEnhance[n], txtMinTach[n], txtMaxTach[n], cmbPulses[n],
                 chkDisableTach[n]});
    return page;
}

void frmFanConfig::Form_Load() {
    setDesignedSize(8400, 6900);
    if (!LoadFanConfig(session_, config_)) return; // the program is ending
    showConfig();
    pollWith(PollTask::FanConfig, &Declarations::FanConfigOpen, [this] { RefreshGpioLabels(); });
}

// A list shows its item at the code; a code it does not hold shows no selection.
void frmFanConfig::showConfig() {
    const FanConfig& c = config_;
    cmbFreq->setCurrentIndex(c.freq);
    chkHighFreq->setChecked(c.highFreq);
    chkFastTach->setChecked(c.fastTach);
    chkFullSpeed->setChecked(c.fullSpeed);
    cmbSpinUp->setCurrentIndex(c.spinUp);
    for (std::size_t i = 0; i < 4; ++i) {
        chkFanFail[i]->setChecked(c.fanFail[i]);
        txtMaxDuty[i]->setText(c.maxDuty[i].text);
        txtMinDuty[i]->setText(c.minDuty[i].text);
        chkFanOVT[i]->setChecked(c.fanOVT[i]);
        chkInvert[i]->setChecked(c.invert[i]);
        cmbZone[i]->setCurrentIndex(c.zone[i]);
        cmbControlType[i]->setCurrentIndex(c.controlType[i]);
        cmbRampRate[i]->setCurrentIndex(c.rampRate[i]);
        chkEnhance[i]->setChecked(c.enhance[i]);
        txtMinTach[i]->setText(c.minTach[i].text);
        txtMaxTach[i]->setText(c.maxTach[i].text);
        cmbPulses[i]->setCurrentIndex(c.pulses[i]);
        chkDisableTach[i]->setChecked(c.disableTach[i]);
    }
}

void frmFanConfig::takeControls() {
    FanConfig& c = config_;
    c.freq = cmbFreq->currentIndex();
    c.highFreq = ticked(chkHighFreq);
    c.fastTach = ticked(chkFastTach);
    c.fullSpeed = ticked(chkFullSpeed);
    c.spinUp = cmbSpinUp->currentIndex();
    for (std::size_t i = 0; i < 4; ++i) {
        c.fanFail[i] = ticked(chkFanFail[i]);
        c.maxDuty[i].text = txtMaxDuty[i]->text();
        c.minDuty[i].text = txtMinDuty[i]->text();
        c.fanOVT[i] = ticked(chkFanOVT[i]);
        c.invert[i] = ticked(chkInvert[i]);
        c.zone[i] = cmbZone[i]->currentIndex();
        c.controlType[i] = cmbControlType[i]->currentIndex();
        c.rampRate[i] = cmbRampRate[i]->currentIndex();
        c.enhance[i] = ticked(chkEnhance[i]);
        c.minTach[i].text = txtMinTach[i]->text();
        c.maxTach[i].text = txtMaxTach[i]->text();
        c.pulses[i] = cmbPulses[i]->currentIndex();
        c.disableTach[i] = ticked(chkDisableTach[i]);
    }
}

void frmFanConfig::RefreshGpioLabels() {
    int pin = 1;
    for (QLabel* warning : lblPWMGPIO)
        warning->setVisible(session_.usb.GpioEnabled(pin++));
}

void frmFanConfig::cmdApply_Click() {
    takeControls();
    ApplyFanConfig(session_, config_);
}

void frmFanConfig::cmdOK_Click() {
    cmdApply_Click();
    if (session_.usb.linkHeld()) return; // the program is ending and unloads every window
    unloadWindow();
}

void frmFanConfig::cmdCancel_Click() {
    unloadWindow();
}
