#include "windows/frmAutoControl.h"

#include "base/NumberText.h"
#include "base/Prompts.h"
#include "fancontrol/AutoControl.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

frmAutoControl::frmAutoControl(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmAutoControl"));
    setWindowTitle(QStringLiteral("Automatic Fan Control"));
    buildControls();
    Form_Load();
}

void frmAutoControl::buildControls() {
    const auto box = [this](const char* name, QLabel* label) {
        auto* t = Named(new QLineEdit(this), name);
        t->setFixedWidth(64);
        LabelFor(label, t);
        return t;
    };
    const auto spinner = [this](const char* name, QLineEdit* buddy, int max) {
        auto* u = new UpDown(buddy, 0, max, 1, this);
        u->setNames(QLatin1String(name));
        return u;
    };

    Label4 = Named(new QLabel(QStringLiteral("Select PWM"), this), "Label4");
    cmbFan = Named(new QComboBox(this), "cmbFan");
    cmbFan->addItems(
        {QStringLiteral("PWM1"), QStringLiteral("PWM2"), QStringLiteral("PWM3"), QStringLiteral("PWM4")});
    LabelFor(Label4, cmbFan);

    chkAutoControl =
        Named(new QCheckBox(QStringLiteral("Automatic Control Enabled on PWM1"), this), "chkAutoControl");

    Label11 = Named(new QLabel(QStringLiteral("Control  Source"), this), "Label11");
    cmbZone = Named(new QComboBox(this), "cmbZone");
    cmbZone->addItems(ZoneNames());
    cmbZone->setCurrentIndex(-1);
    LabelFor(Label11, cmbZone);

    Label3 = Named(new QLabel(QStringLiteral("Tmin"), this), "Label3");
    txtTmin = box("txtTmin", Label3);
    UpDown1 = spinner("UpDown1", txtTmin, 150);
    Label6 = Named(new QLabel(QStringLiteral("PWMmin"), this), "Label6");
    txtPWMmin = box("txtPWMmin", Label6);
    UpDown3 = spinner("UpDown3", txtPWMmin, 100);
    Label5 = Named(new QLabel(QStringLiteral("PWMmax"), this), "Label5");
    txtPWMmax = box("txtPWMmax", Label5);
    UpDown2 = spinner("UpDown2", txtPWMmax, 100);

    chkShowConPoint = Named(new QCheckBox(QStringLiteral("Show Control Point"), this), "chkShowConPoint");

    Frame2 = Named(new QGroupBox(QStringLiteral("Control Settings"), this), "Frame2");
    chkUpdateOnChange =
        Named(new QCheckBox(QStringLiteral("Automatically update device with changes"), Frame2),
              "chkUpdateOnChange");
    auto* frameLayout = new QVBoxLayout(Frame2);
    frameLayout->addWidget(chkUpdateOnChange);

    cmdOK = Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    cmdApply = Named(new QPushButton(QStringLiteral("Apply"), this), "cmdApply");
    cmdClose = Named(new QPushButton(QStringLiteral("Cancel"), this), "cmdClose");

    fraGraph = new CurvePlotFrame(this);
    pctGraph = fraGraph->pctGraph;
    pctGraph->setAccessibleName(QStringLiteral("Fan-control curves"));
    lblX = fraGraph->lblX;
    lblP = fraGraph->lblP;
    Label1 = fraGraph->Label1;
    Label2 = fraGraph->Label2;

    const std::array legendColours{QColor(255, 0, 0), QColor(0, 192, 0), QColor(0, 0, 192),
                                   QColor(192, 0, 192)};
    std::array legend{&Label7, &Label8, &Label9, &Label10};
    auto* legendRow = new QHBoxLayout;
    legendRow->addStretch(1);
    for (std::size_t k = 0; k < legend.size(); ++k) {
        auto* l =
            Named(new QLabel(QStringLiteral("PWM%1").arg(k + 1), this), QStringLiteral("Label%1").arg(k + 7));
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, legendColours[k]);
        l->setPalette(pal);
        QFont bold = l->font();
        bold.setBold(true);
        l->setFont(bold);
        *legend[k] = l;
        legendRow->addWidget(l);
        legendRow->addSpacing(12);
    }
    legendRow->addStretch(1);

    auto* settings = new QGridLayout;
    settings->setVerticalSpacing(8);
    int row = 0;
    settings->addWidget(Label4, row, 0);
    settings->addWidget(cmbFan, row++, 1);
    settings->addWidget(chkAutoControl, row++, 0, 1, 2);
    settings->addWidget(Label11, row, 0);
    settings->addWidget(cmbZone, row++, 1);
    const std::array<std::tuple<QLabel*, QLineEdit*, UpDown*>, 3> numbers{
        {{Label3, txtTmin, UpDown1}, {Label6, txtPWMmin, UpDown3}, {Label5, txtPWMmax, UpDown2}}};
    for (const auto& [l, t, u] : numbers) {
        settings->addWidget(l, row, 0);
        settings->addLayout(BoxWithSpinner(t, u), row++, 1);
    }
    cmdCalibrated = Named(new QPushButton(QStringLiteral("Use &calibrated PWMmin")), "cmdCalibrated");
    cmdCalibrated->setToolTip(
        QStringLiteral("The duty at which the latest fan calibration saw this fan start"));
    settings->addWidget(cmdCalibrated, row++, 1);
    settings->addWidget(chkShowConPoint, row++, 0, 1, 2);
    settings->setRowStretch(row, 1);
    for (QComboBox* c : {cmbFan, cmbZone})
        c->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* plotColumn = new QVBoxLayout;
    plotColumn->addLayout(legendRow);
    plotColumn->addWidget(fraGraph, 1);

    auto* upper = new QHBoxLayout;
    upper->addLayout(settings);
    upper->addLayout(plotColumn, 1);

    auto* lower = new QHBoxLayout;
    lower->addWidget(Frame2);
    lower->addStretch(1);
    for (QPushButton* b : {cmdOK, cmdApply, cmdClose})
        lower->addWidget(b, 0, Qt::AlignBottom);

    auto* top = new QVBoxLayout(this);
    top->addLayout(upper, 1);
    top->addLayout(lower);

    SetTabOrder({cmbFan, chkAutoControl, cmbZone, txtTmin, txtPWMmin, txtPWMmax, cmdCalibrated,
                 chkShowConPoint, chkUpdateOnChange, cmdOK, cmdApply, cmdClose});

    // Handlers run for the user's edits and for every value cmbFan_Click shows.
    connect(cmbFan, &QComboBox::currentIndexChanged, this, &frmAutoControl::cmbFan_Click);
    connect(cmbZone, &QComboBox::currentIndexChanged, this, &frmAutoControl::cmbZone_Click);
    connect(txtTmin, &QLineEdit::textChanged, this, &frmAutoControl::txtTmin_Change);
    connect(txtPWMmin, &QLineEdit::textChanged, this, &frmAutoControl::txtPWMmin_Change);
    connect(txtPWMmax, &QLineEdit::textChanged, this, &frmAutoControl::txtPWMmax_Change);
    connect(chkAutoControl, &QCheckBox::toggled, this, &frmAutoControl::chkAutoControl_Click);
    connect(chkShowConPoint, &QCheckBox::toggled, this, &frmAutoControl::chkShowConPoint_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmAutoControl::cmdOK_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmAutoControl::cmdApply_Click);
    connect(cmdCalibrated, &QPushButton::clicked, this, &frmAutoControl::cmdCalibrated_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmAutoControl::cmdClose_Click);
}

void frmAutoControl::Form_Load() {
    setDesignedSize(9270, 6795);
    SetupPlot();
    // The update box is still clear here, so nothing below writes to the chip.
    if (!LoadAutoControl(session_)) return; // the program is ending
    cmbFan->setCurrentIndex(0);
    cmbFan_Click();
    chkUpdateOnChange->setChecked(session_.decl.UpdateOnChange);
    pollWith(PollTask::AutoControl, &Declarations::AutoControlOpen, [this] { PlotConPoints(); });
}

AutoControlEntry& frmAutoControl::current() {
    return session_.decl.AutoControlTable[static_cast<std::size_t>(CurrentFan)];
}

void frmAutoControl::applyWhenTicked() {
    // Showing another output's settings is not an edit: nothing goes to the chip for it.
    if (chkUpdateOnChange->isChecked() && !showingOutput_) cmdApply_Click();
}

void frmAutoControl::cmbFan_Click() {
    const QScopedValueRollback<bool> showing(showingOutput_, true);
    CurrentFan = static_cast<std::int16_t>(std::max(0, cmbFan->findText(cmbFan->currentText())));
    const AutoControlEntry shown = current();
    txtTmin->setText(SevenDigits(shown.Tmin));
    txtPWMmin->setText(SevenDigits(shown.PWMmin));
    txtPWMmax->setText(SevenDigits(shown.PWMmax));
    chkAutoControl->setChecked(shown.AutoControl);
    chkAutoControl->setText(QStringLiteral("Automatic Control Enabled on PWM%1").arg(CurrentFan + 1));
    cmbZone->setCurrentIndex(static_cast<int>(ZoneNames().indexOf(shown.Zone)));
    chkShowConPoint->setChecked(shown.ShowConPoint);
    cmdCalibrated->setEnabled(
        session_.decl.CalibratedStartDuty[static_cast<std::size_t>(CurrentFan)].has_value());
}

// A fan under automatic control is switched on at PWMmin from standstill, so the duty that starts
// it (not the lower one that merely keeps it turning) is what PWMmin needs. The user confirms; the
// box then changes as if typed, and reaches the chip as a typed value would.
void frmAutoControl::cmdCalibrated_Click() {
    const auto duty = session_.decl.CalibratedStartDuty[static_cast<std::size_t>(CurrentFan)];
    if (!duty) return;
    const MessageAnswer answer = session_.prompts.message(
        QStringLiteral(
            "Set PWMmin of PWM%1 to %2 %, the lowest duty at which the fan calibration saw its fan "
            "start from standstill?")
            .arg(CurrentFan + 1)
            .arg(*duty),
        MessageIcon::None, MessageButtons::YesNo);
    if (answer == MessageAnswer::Yes) txtPWMmin->setText(QString::number(*duty));
}

void frmAutoControl::storeTyped(const QLineEdit* box, float AutoControlEntry::*field) {
    if (IsNumeric(box->text())) current().*field = SingleFromTyped(LeadingNumberOrZero(box->text()));
    PlotData();
    applyWhenTicked();
}

void frmAutoControl::txtTmin_Change() {
    storeTyped(txtTmin, &AutoControlEntry::Tmin);
}
void frmAutoControl::txtPWMmin_Change() {
    storeTyped(txtPWMmin, &AutoControlEntry::PWMmin);
}
void frmAutoControl::txtPWMmax_Change() {
    storeTyped(txtPWMmax, &AutoControlEntry::PWMmax);
}

void frmAutoControl::chkAutoControl_Click() {
    current().AutoControl = chkAutoControl->isChecked();
    applyWhenTicked();
}

void frmAutoControl::cmbZone_Click() {
    current().Zone = cmbZone->currentText();
    applyWhenTicked();
}

void frmAutoControl::chkShowConPoint_Click() {
    current().ShowConPoint = chkShowConPoint->isChecked();
}

void frmAutoControl::cmdApply_Click() {
    ApplyAutoControl(session_, chkUpdateOnChange->isChecked());
}

void frmAutoControl::cmdOK_Click() {
    cmdApply_Click();
    if (session_.usb.linkHeld()) return; // the program is ending and unloads every window
    unloadWindow();
}

void frmAutoControl::cmdClose_Click() {
    unloadWindow();
}

void frmAutoControl::SetupPlot() {
    pctGraph->SetupPlot();
}

void frmAutoControl::PlotData() {
    const auto& table = session_.decl.AutoControlTable;
    for (std::size_t k = 0; k < table.size(); ++k)
        pctGraph->setCurve(k, CurveSegments(table[k]));
}

void frmAutoControl::PlotConPoints() {
    const auto& table = session_.decl.AutoControlTable;
    const Readings& readings = session_.readings;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const AutoControlEntry& e = table[i];
        const auto point = e.ShowConPoint ? ControlPointOf(e, i, readings) : std::nullopt;
        if (!point) {
            pctGraph->hideMarker(i);
            continue;
        }
        pctGraph->showMarker(i, point->temperature, point->duty);
        PlotData();
    }
}
