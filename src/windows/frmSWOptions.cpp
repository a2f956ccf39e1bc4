#include "windows/frmSWOptions.h"

#include "alarms/AlarmOutlets.h"
#include "base/Prompts.h"
#include "monitoring/SoftwareOptions.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/Named.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QVBoxLayout>

frmSWOptions::frmSWOptions(Session& session, PollingCycle& polling, SettingsStore& settings, QWidget* parent)
    : ChildWindow(session, polling, parent), settings_(settings) {
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

    tabOptions = Named(new QTabWidget(this), "tabOptions");
    auto* general = new QWidget(tabOptions);
    auto* generalLayout = new QVBoxLayout(general);
    generalLayout->addWidget(Frame1);
    tabOptions->addTab(general, QStringLiteral("&General"));
    tabOptions->addTab(buildAlarmsPage(), QStringLiteral("&Alarms"));
    tabOptions->setAccessibleName(QStringLiteral("Software options"));
    // A screen reader finds a page's controls under the page's own name.
    general->setAccessibleName(QStringLiteral("General"));
    tabOptions->widget(1)->setAccessibleName(QStringLiteral("Alarms"));

    auto* top = new QVBoxLayout(this);
    top->addWidget(tabOptions, 1);
    top->addLayout(ButtonRow({cmdApply, cmdCancel}));

    connect(cmdApply, &QPushButton::clicked, this, &frmSWOptions::cmdApply_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSWOptions::cmdCancel_Click);
}

QWidget* frmSWOptions::buildAlarmsPage() {
    auto* page = new QWidget(tabOptions);
    const auto check = [](QWidget* parent, const char* name, const QString& caption) {
        return Named(new WrapCheckBox(caption, parent), name);
    };
    chkAlarmWatch = check(page, "chkAlarmWatch",
                          QStringLiteral("Watch for alarms: limits, interrupt status and stalled fans"));
    fraAlarmOutlets =
        Named(new QGroupBox(QStringLiteral("When an alarm is raised"), page), "fraAlarmOutlets");
    chkAlarmWindow = check(fraAlarmOutlets, "chkAlarmWindow",
                           QStringLiteral("Show it in the main window and the taskbar"));
    chkAlarmNotify = check(fraAlarmOutlets, "chkAlarmNotify", QStringLiteral("Show a desktop notification"));
    chkAlarmSound = check(fraAlarmOutlets, "chkAlarmSound", QStringLiteral("Play a sound"));
    chkAlarmCommand = check(fraAlarmOutlets, "chkAlarmCommand",
                            QStringLiteral("Run a command, also when the alarm clears"));

    const auto fileRow = [this](const char* labelName, const QString& caption, const char* boxName,
                                const char* buttonName, QLabel*& label, QLineEdit*& box,
                                QPushButton*& button) {
        box = Named(new QLineEdit(fraAlarmOutlets), boxName);
        label = LabelFor(box, QLatin1String(labelName), caption, fraAlarmOutlets);
        button = Named(new QPushButton(QStringLiteral("Browse..."), fraAlarmOutlets), buttonName);
        button->setAccessibleName(caption + QStringLiteral(": browse"));
        auto* row = new QHBoxLayout;
        row->addWidget(box, 1);
        row->addWidget(button);
        return row;
    };
    QHBoxLayout* soundRow = fileRow("lblSoundFile", QStringLiteral("&Sound file (none: the system bell)"),
                                    "txtSoundFile", "cmdSoundFile", lblSoundFile, txtSoundFile, cmdSoundFile);
    QHBoxLayout* programRow = fileRow("lblProgram", QStringLiteral("&Program"), "txtProgram", "cmdProgram",
                                      lblProgram, txtProgram, cmdProgram);
    txtArguments = Named(new QPlainTextEdit(fraAlarmOutlets), "txtArguments");
    txtArguments->setTabChangesFocus(true);
    txtArguments->setFixedHeight(txtArguments->fontMetrics().lineSpacing() * 4 + 12);
    lblArguments = LabelFor(txtArguments, QStringLiteral("lblArguments"),
                            QStringLiteral("Arg&uments, one per line"), fraAlarmOutlets);
    lblCommandHelp =
        Named(new QLabel(QStringLiteral("It runs without a shell, with VORTANE_EVENT, VORTANE_CHANNEL, "
                                        "VORTANE_VALUE, VORTANE_LIMIT and VORTANE_TIME set."),
                         fraAlarmOutlets),
              "lblCommandHelp");
    lblCommandHelp->setWordWrap(true);

    auto* outlets = new QVBoxLayout(fraAlarmOutlets);
    for (QWidget* w :
         std::initializer_list<QWidget*>{chkAlarmWindow, chkAlarmNotify, chkAlarmSound, lblSoundFile})
        outlets->addWidget(w);
    outlets->addLayout(soundRow);
    outlets->addWidget(chkAlarmCommand);
    outlets->addWidget(lblProgram);
    outlets->addLayout(programRow);
    outlets->addWidget(lblArguments);
    outlets->addWidget(txtArguments);
    outlets->addWidget(lblCommandHelp);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(chkAlarmWatch);
    layout->addWidget(fraAlarmOutlets);
    layout->addStretch(1);

    SetTabOrder({chkAlarmWatch, chkAlarmWindow, chkAlarmNotify, chkAlarmSound, txtSoundFile, cmdSoundFile,
                 chkAlarmCommand, txtProgram, cmdProgram, txtArguments});
    for (QCheckBox* box : {static_cast<QCheckBox*>(chkAlarmWatch), static_cast<QCheckBox*>(chkAlarmSound),
                           static_cast<QCheckBox*>(chkAlarmCommand)})
        connect(box, &QCheckBox::toggled, this, &frmSWOptions::enableAlarmControls);
    connect(cmdSoundFile, &QPushButton::clicked, this, [this] {
        browse(txtSoundFile, QStringLiteral("Sound Files (*.wav *.ogg *.oga)|*.wav;*.ogg;*.oga"));
    });
    connect(cmdProgram, &QPushButton::clicked, this,
            [this] { browse(txtProgram, QStringLiteral("All Files (*)|*")); });
    return page;
}

void frmSWOptions::enableAlarmControls() {
    fraAlarmOutlets->setEnabled(chkAlarmWatch->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{lblSoundFile, txtSoundFile, cmdSoundFile})
        w->setEnabled(chkAlarmSound->isChecked());
    for (QWidget* w :
         std::initializer_list<QWidget*>{lblProgram, txtProgram, cmdProgram, lblArguments, txtArguments})
        w->setEnabled(chkAlarmCommand->isChecked());
}

void frmSWOptions::browse(QLineEdit* box, const QString& filter) {
    const QString chosen = session_.prompts.openFileName(session_.dialogFolder(), filter);
    if (!chosen.isEmpty()) box->setText(chosen);
}

void frmSWOptions::Form_Load() {
    setDesignedSize(4800, 4455);
    const PollingOptions& o = session_.options;
    chkMonitoring->setChecked(o.ReadingEnabled);
    txtGraphing->setText(QString::number(o.GraphInterval));
    txtLogging->setText(QString::number(o.LogInterval));
    txtReadInt->setText(QString::number(o.ReadInterval));

    const AlarmOptions& a = session_.alarmOptions;
    chkAlarmWatch->setChecked(a.watch);
    chkAlarmWindow->setChecked(a.mainWindow);
    chkAlarmNotify->setChecked(a.notification);
    chkAlarmSound->setChecked(a.sound);
    txtSoundFile->setText(a.soundFile);
    chkAlarmCommand->setChecked(a.command);
    txtProgram->setText(a.program);
    txtArguments->setPlainText(a.arguments.join(u'\n'));
    enableAlarmControls();
}

void frmSWOptions::showEvent(QShowEvent* event) {
    ChildWindow::showEvent(event);
    // The Alarms page needs more room than the general options alone: the window grows to what
    // its controls need rather than draw them over each other.
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->resize(frame->size().expandedTo(frame->minimumSizeHint()));
}

void frmSWOptions::cmdApply_Click() {
    AlarmOptions alarms = session_.alarmOptions;
    alarms.watch = chkAlarmWatch->isChecked();
    alarms.mainWindow = chkAlarmWindow->isChecked();
    alarms.notification = chkAlarmNotify->isChecked();
    alarms.sound = chkAlarmSound->isChecked();
    alarms.soundFile = txtSoundFile->text().trimmed();
    alarms.command = chkAlarmCommand->isChecked();
    alarms.program = txtProgram->text().trimmed();
    alarms.arguments = txtArguments->toPlainText().split(u'\n');
    while (!alarms.arguments.isEmpty() && alarms.arguments.constLast().isEmpty())
        alarms.arguments.removeLast();
    // Both pages apply together or not at all.
    if (const QString refusal = AlarmOptionsRefusal(alarms); !refusal.isEmpty()) {
        session_.prompts.message(refusal, MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    if (!ApplySoftwareOptions(session_, {chkMonitoring->isChecked(), txtReadInt->text(), txtLogging->text(),
                                         txtGraphing->text()}))
        return;
    session_.alarmOptions = alarms;
    StoreAlarmOptions(settings_, alarms);
}

void frmSWOptions::cmdCancel_Click() {
    unloadWindow();
}
