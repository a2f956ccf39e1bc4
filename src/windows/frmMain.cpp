#include "windows/frmMain.h"

#include "base/Clock.h"
#include "base/Prompts.h"
#include "board/Startup.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/ChildWindow.h"
#include "windows/ToolbarIcons.h"
#include "windows/Twips.h"
#include "windows/frmHelp.h"

#include <QAbstractEventDispatcher>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDateTime>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {
struct ToolButton {
    const char* key;
    const char* toolTip;
    const char* windowClass;
};
// Left to right.
constexpr ToolButton kToolButtons[] = {
    {"Save", "Save/Recall Configuration", "frmSave"},
    {"Config", "General Device Configuration", "frmConfig"},
    {"Graphs", "Temperature/Fan graphs", "frmGraph"},
    {"Fan", "Fan Configuration", "frmFanConfig"},
    {"Tree", "Register Map Tree", "frmRegMap"},
    {"Limits", "Interrupts/Limits", "frmLimits"},
    {"GPIO", "GPIO Configuration", "frmGPIO"},
    {"Heaters", "Heater Control", "frmHeaters"},
    {"AFC", "Automatic Fan Control", "frmAutoControl"},
};
} // namespace

frmMain::frmMain(Session& session, PollingCycle& polling, SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent), session_(session), polling_(polling), settings_(settings) {
    setObjectName(QStringLiteral("frmMain"));
    RegisterWindows(factories_);
    // The help window keeps the user's start-up choice in the settings store this window holds.
    factories_.insert(QStringLiteral("frmHelp"), [this](Session& s, PollingCycle& p) -> ChildWindow* {
        return new frmHelp(s, p, settings_);
    });
    // The toolbar handler also knows the key "Help", which no button carries: F1 and the menu use it.
    toolbarWindows_.insert(QStringLiteral("Help"), QStringLiteral("frmHelp"));

    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea);

    buildMenus();
    buildToolbar();
    buildStatusBar();

    tmrMaster = new QTimer(this);
    tmrMaster->setObjectName(QStringLiteral("tmrMaster"));
    tmrMaster->setSingleShot(true);
    tmrMaster->setTimerType(Qt::PreciseTimer);
    connect(tmrMaster, &QTimer::timeout, this, &frmMain::tmrMaster_Timer);
    // Whatever ran in the event loop (a window opened, an interval applied, logging started) may
    // have made a task due sooner: look again each time the loop is about to sleep.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &frmMain::rearmMaster);

    session_.onStatusText = [this](const QString& text) { sbPanels[0]->setText(text); };
    // Shown from the event loop, never from inside the tick that found the failure.
    connect(&polling_, &PollingCycle::loggingStopped, this, &frmMain::reportLoggingStopped,
            Qt::QueuedConnection);
}

frmMain::~frmMain() {
    session_.onStatusText = nullptr;
}

void frmMain::reportLoggingStopped(const QString& fileName) {
    if (session_.usb.linkHeld()) return;
    session_.prompts.message(QStringLiteral("Logging stopped: cannot write to %1").arg(fileName),
                             MessageIcon::Warning, MessageButtons::Ok);
}

QAction* frmMain::addMenuItem(QMenu* menu, const char* name, const QString& caption,
                              const QString& windowClass) {
    auto* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setData(windowClass);
    action->setEnabled(factories_.contains(windowClass));
    connect(action, &QAction::triggered, this, [this, windowClass] { openWindow(windowClass); });
    return action;
}

void frmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](const char* name, const QString& caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(QLatin1String(name));
        return m;
    };
    mnuFile = menu("mnuFile", QStringLiteral("&File"));
    mnuSave = addMenuItem(mnuFile, "mnuSave", QStringLiteral("&Save/Recall Configuration"),
                          QStringLiteral("frmSave"));
    mnuLog =
        addMenuItem(mnuFile, "mnuLog", QStringLiteral("&Log Data to File"), QStringLiteral("frmLogging"));

    mnuDevice = menu("mnuDevice", QStringLiteral("&View"));
    mnuRegMap =
        addMenuItem(mnuDevice, "mnuRegMap", QStringLiteral("&Register Map"), QStringLiteral("frmRegMap"));
    mnuGraph = addMenuItem(mnuDevice, "mnuGraph", QStringLiteral("Gra&phing"), QStringLiteral("frmGraph"));
    mnuLimits = addMenuItem(mnuDevice, "mnuLimits", QStringLiteral("Li&mits, Interrupts"),
                            QStringLiteral("frmLimits"));

    mnuConfig = menu("mnuConfig", QStringLiteral("&Configuration"));
    mnuGeneralConfig = addMenuItem(mnuConfig, "mnuGeneralConfig", QStringLiteral("&General Configuration"),
                                   QStringLiteral("frmConfig"));
    mnuFanConfig = addMenuItem(mnuConfig, "mnuFanConfig", QStringLiteral("Fa&n Configuration"),
                               QStringLiteral("frmFanConfig"));
    mnuGPIO =
        addMenuItem(mnuConfig, "mnuGPIO", QStringLiteral("GP&IO Configuration"), QStringLiteral("frmGPIO"));
    mnuSoftware = addMenuItem(mnuConfig, "mnuSoftware", QStringLiteral("&Software options"),
                              QStringLiteral("frmSWOptions"));

    mnuControl = menu("mnuControl", QStringLiteral("Fan Con&trol"));
    mnuAutoControl = addMenuItem(mnuControl, "mnuAutoControl", QStringLiteral("Automatic Fan Control"),
                                 QStringLiteral("frmAutoControl"));
    mnuManual = addMenuItem(mnuControl, "mnuManual", QStringLiteral("Man&ual Fan Control"),
                            QStringLiteral("frmManual"));

    mnuBoard = menu("mnuBoard", QStringLiteral("Boa&rd"));
    mnuEvalBoard = addMenuItem(mnuBoard, "mnuEvalBoard", QStringLiteral("E&valuation Board Information"),
                               QStringLiteral("frmInfo"));
    mnuHeaters = addMenuItem(mnuBoard, "mnuHeaters", QStringLiteral("&On-Board Heater Control"),
                             QStringLiteral("frmHeaters"));

    mnuWindow = menu("mnuWindow", QStringLiteral("&Window"));
    connect(mnuWindow, &QMenu::aboutToShow, this, &frmMain::refreshWindowMenu);
    refreshWindowMenu();

    mnuMainAbout = menu("mnuMainAbout", QStringLiteral("&About"));
    mnuHelp = mnuMainAbout->addAction(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelp->setShortcut(QKeySequence::HelpContents);
    mnuHelp->setData(QStringLiteral("Help"));
    connect(mnuHelp, &QAction::triggered, this, [this] { openWindow(QStringLiteral("Help")); });
    mnuAbout = addMenuItem(mnuMainAbout, "mnuAbout", QStringLiteral("A&bout the VORTANE Software..."),
                           QStringLiteral("frmAbout"));
}

void frmMain::refreshWindowMenu() {
    mnuWindow->clear();
    QAction* cascade =
        mnuWindow->addAction(QStringLiteral("&Cascade"), mdiArea, &QMdiArea::cascadeSubWindows);
    cascade->setObjectName(QStringLiteral("mnuWindowCascade"));
    QAction* tile = mnuWindow->addAction(QStringLiteral("&Tile"), mdiArea, &QMdiArea::tileSubWindows);
    tile->setObjectName(QStringLiteral("mnuWindowTile"));
    const QList<QMdiSubWindow*> windows = mdiArea->subWindowList();
    cascade->setEnabled(!windows.isEmpty());
    tile->setEnabled(!windows.isEmpty());
    if (windows.isEmpty()) return;
    mnuWindow->addSeparator();
    auto* group = new QActionGroup(mnuWindow);
    int n = 1;
    for (QMdiSubWindow* w : windows) {
        const QString caption = n < 10 ? QStringLiteral("&%1 %2").arg(n).arg(w->windowTitle())
                                       : QStringLiteral("%1 %2").arg(n).arg(w->windowTitle());
        ++n;
        QAction* a = mnuWindow->addAction(caption);
        a->setCheckable(true);
        a->setChecked(w == mdiArea->activeSubWindow());
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, w] { mdiArea->setActiveSubWindow(w); });
    }
}

void frmMain::buildToolbar() {
    tbToolBar = addToolBar(QStringLiteral("Toolbar"));
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setMovable(false);
    tbToolBar->setIconSize(QSize(24, 24));
    for (const ToolButton& b : kToolButtons) {
        const QString key = QLatin1String(b.key);
        const QString windowClass = QLatin1String(b.windowClass);
        toolbarWindows_.insert(key, windowClass);
        QAction* a = tbToolBar->addAction(ToolbarIcon(key), QLatin1String(b.toolTip));
        a->setObjectName(QStringLiteral("tbToolBar_") + key);
        a->setData(key);
        a->setToolTip(QLatin1String(b.toolTip));
        a->setEnabled(factories_.contains(windowClass));
        connect(a, &QAction::triggered, this, [this, key] { openWindow(key); });
    }
    // The button that shows the buttons a narrow window cannot fit.
    if (auto* more = tbToolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("More toolbar buttons"));
}

void frmMain::buildStatusBar() {
    sbStatusBar = statusBar();
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(true);
    sbStatusBar->setAccessibleName(QStringLiteral("Status bar"));
    for (std::size_t i = 0; i < sbPanels.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setObjectName(QStringLiteral("sbStatusBar_%1").arg(i + 1));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        sbPanels[i] = panel;
        if (i == 0)
            sbStatusBar->addWidget(panel, 1);
        else
            sbStatusBar->addPermanentWidget(panel);
    }
    sbPanels[0]->setText(QStringLiteral("Status"));
    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(1000);
    connect(clockTimer_, &QTimer::timeout, this, &frmMain::updateClock);
    clockTimer_->start();
    updateClock();
}

void frmMain::updateClock() {
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    sbPanels[1]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    sbPanels[2]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void frmMain::setStatusText(const QString& text) {
    session_.setStatusText(text);
}

void frmMain::registerWindow(const QString& className, const Factory& factory) {
    factories_.insert(className, factory);
    for (QAction* a : findChildren<QAction*>()) {
        const QString target = toolbarWindows_.value(a->data().toString(), a->data().toString());
        if (target == className) a->setEnabled(true);
    }
}

bool frmMain::Form_Load(SplashView& splash) {
    const auto twips = [this](const QString& key, double fallback) {
        return static_cast<int>(std::lround(settings_.readNumber(key, fallback)));
    };
    loadedTwips_ = QRect(twips(SettingsKeys::MainLeft, 1000), twips(SettingsKeys::MainTop, 1000),
                         twips(SettingsKeys::MainWidth, 6500), twips(SettingsKeys::MainHeight, 6500));
    move(TwipsToPixels(loadedTwips_.x()), TwipsToPixels(loadedTwips_.y()));
    resize(TwipsToPixels(loadedTwips_.width()), TwipsToPixels(loadedTwips_.height()));
    loadedPixels_ = QRect(pos(), size());
    setWindowTitle(kApplicationTitle);
    session_.decl.DisplayHelp = settings_.readBool(SettingsKeys::DisplayHelp, true);
    return RunConnectionSequence(session_, splash, [this](const QString& text) { setStatusText(text); });
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    // Children first: each runs its own unload and clears its open flag.
    mdiArea->closeAllSubWindows();
    pollingOn_ = false;
    tmrMaster->stop();
    if (!isMinimized()) {
        const auto save = [this](const QString& key, int pixels, int loadedPixels, int loadedTwips) {
            const double twips = pixels == loadedPixels ? loadedTwips : PixelsToTwips(pixels);
            settings_.writeText(key, QString::number(twips));
        };
        save(SettingsKeys::MainLeft, x(), loadedPixels_.x(), loadedTwips_.x());
        save(SettingsKeys::MainTop, y(), loadedPixels_.y(), loadedTwips_.y());
        save(SettingsKeys::MainWidth, width(), loadedPixels_.width(), loadedTwips_.width());
        save(SettingsKeys::MainHeight, height(), loadedPixels_.height(), loadedTwips_.height());
        settings_.sync();
    }
}

void frmMain::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

ChildWindow* frmMain::findWindow(const QString& className) const {
    const auto it = open_.find(className);
    return it == open_.end() ? nullptr : it.value().data();
}

ChildWindow* frmMain::openWindow(const QString& key) {
    const QString windowClass = toolbarWindows_.value(key, key);
    if (ChildWindow* open = findWindow(windowClass)) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(open->parentWidget())) {
            if (frame->isMinimized()) frame->showNormal();
            mdiArea->setActiveSubWindow(frame);
        }
        open->raise();
        return open;
    }
    const auto factory = factories_.value(windowClass);
    if (!factory) return nullptr;
    ChildWindow* window = factory(session_, polling_);
    if (!window) return nullptr;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* frame = mdiArea->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowIcon(windowIcon());
    if (!window->designedSize().isEmpty()) frame->resize(window->designedSize());
    open_.insert(windowClass, window); // the pointer clears itself when the window is deleted
    frame->show();
    mdiArea->setActiveSubWindow(frame);
    return window;
}

void frmMain::showHelpAtStartUp() {
    if (session_.decl.DisplayHelp) openWindow(QStringLiteral("Help"));
}

void frmMain::startPolling() {
    pollingOn_ = true;
    armedForMs_ = -1;
    tmrMaster->start(0);
}

void frmMain::rearmMaster() {
    if (!pollingOn_) return;
    const std::int64_t now = session_.clock.nowMs();
    const std::optional<std::int64_t> due = polling_.nextDueMs(now);
    if (!due) {
        tmrMaster->stop();
        armedForMs_ = -1;
        return;
    }
    if (tmrMaster->isActive() && *due == armedForMs_) return;
    armedForMs_ = *due;
    tmrMaster->start(static_cast<int>(std::clamp<std::int64_t>(*due - now, 0, 24LL * 3600 * 1000)));
}

void frmMain::tmrMaster_Timer() {
    armedForMs_ = -1;
    polling_.Tick(session_.clock.nowMs());
    rearmMaster();
}
