#include "windows/frmMain.h"

#include "alarms/AlarmOutlets.h"
#include "base/Clock.h"
#include "base/Prompts.h"
#include "board/Startup.h"
#include "monitoring/LoggingControl.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/ChildWindow.h"
#include "windows/ToolbarIcons.h"
#include "windows/Twips.h"

#include <QAbstractEventDispatcher>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {
struct TopMenu {
    MainMenu menu;
    const char* name;
    const char* caption;
    QMenu* frmMain::*member;
};
// In menu-bar order. The window table fills each with its items; "&Window" lists the open windows.
constexpr TopMenu kMenus[] = {
    {MainMenu::File, "mnuFile", "&File", &frmMain::mnuFile},
    {MainMenu::View, "mnuDevice", "&View", &frmMain::mnuDevice},
    {MainMenu::Configuration, "mnuConfig", "&Configuration", &frmMain::mnuConfig},
    {MainMenu::FanControl, "mnuControl", "Fan Con&trol", &frmMain::mnuControl},
    {MainMenu::Board, "mnuBoard", "Boa&rd", &frmMain::mnuBoard},
    {MainMenu::Window, "mnuWindow", "&Window", &frmMain::mnuWindow},
    {MainMenu::About, "mnuMainAbout", "&About", &frmMain::mnuMainAbout},
};
} // namespace

frmMain::frmMain(Session& session, PollingCycle& polling, SettingsStore& settings, QWidget* parent)
    : QMainWindow(parent), session_(session), polling_(polling), settings_(settings) {
    setObjectName(QStringLiteral("frmMain"));

    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    mdiArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdiArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdiArea);

    buildMenus();
    buildToolbar();
    buildStatusBar();

    tmrMaster = new QTimer(this);
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

    alarms_ = std::make_unique<AlarmWatch>(session_, polling_, std::make_unique<DBusNotifier>());
    alarms_->outlets.mainWindow = [this](const QString& active, bool raised) { showAlarms(active, raised); };
    alarms_->outlets.bell = [] { QApplication::beep(); };
    connect(
        &alarms_->eventFile, &EventFile::stopped, this,
        [this](const QString& fileName, const QString& reason) {
            if (session_.usb.linkHeld()) return;
            session_.prompts.message(QStringLiteral("Event log stopped: cannot write to %1 (%2)")
                                         .arg(QDir::toNativeSeparators(fileName), reason),
                                     MessageIcon::Warning, MessageButtons::Ok);
        },
        Qt::QueuedConnection);
}

frmMain::~frmMain() {
    session_.onStatusText = nullptr;
}

void frmMain::showAlarms(const QString& active, bool raised) {
    sbAlarms->setText(active);
    sbAlarms->setAccessibleName(active.isEmpty() ? QStringLiteral("No alarms") : active);
    sbAlarms->setVisible(!active.isEmpty());
    if (raised) QApplication::alert(this);
}

void frmMain::reportLoggingStopped(const QString& fileName, const QString& reason) {
    if (session_.usb.linkHeld()) return;
    session_.prompts.message(QStringLiteral("Logging stopped: cannot write to %1 (%2)")
                                 .arg(QDir::toNativeSeparators(fileName), reason),
                             MessageIcon::Warning, MessageButtons::Ok);
}

void frmMain::addMenuItem(QMenu* menu, const WindowRow& window) {
    const MenuItem& item = window.menuItem;
    QAction* action = menu->addAction(QString::fromUtf8(item.caption));
    action->setObjectName(QLatin1String(item.name));
    const QString windowClass = QLatin1String(window.className);
    action->setData(windowClass);
    if (item.shortcut != QKeySequence::UnknownKey) action->setShortcut(item.shortcut);
    connect(action, &QAction::triggered, this, [this, windowClass] { openWindow(windowClass); });
    if (item.member) this->*item.member = action;
}

void frmMain::buildMenus() {
    for (const TopMenu& top : kMenus) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(top.caption));
        menu->setObjectName(QLatin1String(top.name));
        this->*top.member = menu;
        for (const WindowRow& window : WindowTable())
            if (window.menuItem.menu == top.menu) addMenuItem(menu, window);
    }
    connect(mnuWindow, &QMenu::aboutToShow, this, &frmMain::refreshWindowMenu);
    refreshWindowMenu();
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
    std::vector<const WindowRow*> buttons;
    for (const WindowRow& window : WindowTable())
        if (window.toolbar.slot > 0) buttons.push_back(&window);
    std::ranges::sort(buttons, {}, [](const WindowRow* w) { return w->toolbar.slot; });
    for (const WindowRow* window : buttons) {
        const QString key = QLatin1String(window->toolbar.key);
        const QString toolTip = QString::fromUtf8(window->toolbar.toolTip);
        QAction* a = tbToolBar->addAction(ToolbarIcon(key), toolTip);
        a->setObjectName(QStringLiteral("tbToolBar_") + key);
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
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        panel->setContentsMargins(4, 0, 4, 0);
        sbPanels[i] = panel;
        if (i == 0)
            sbStatusBar->addWidget(panel, 1);
        else
            sbStatusBar->addPermanentWidget(panel);
    }
    sbPanels[0]->setText(QStringLiteral("Status"));
    sbAlarms = new QLabel(this);
    sbAlarms->setObjectName(QStringLiteral("sbAlarms"));
    sbAlarms->setStyleSheet(QStringLiteral("QLabel { background: #c00000; color: white; padding: 0 6px; }"));
    sbAlarms->setVisible(false);
    sbStatusBar->insertPermanentWidget(1, sbAlarms); // after the status text, before the date
    // Always in view: readings from a simulated board must never pass for the real chip's.
    lblBoard = new QLabel(this);
    lblBoard->setObjectName(QStringLiteral("lblBoard"));
    lblBoard->setFrameShape(QFrame::StyledPanel);
    lblBoard->setFrameShadow(QFrame::Sunken);
    lblBoard->setContentsMargins(4, 0, 4, 0);
    lblBoard->setAccessibleName(QStringLiteral("Board"));
    sbStatusBar->addPermanentWidget(lblBoard);
    showBoard();
    clockTimer_ = new QTimer(this);
    clockTimer_->setInterval(1000);
    connect(clockTimer_, &QTimer::timeout, this, &frmMain::updateClock);
    clockTimer_->start();
    updateClock();
}

void frmMain::updateClock() {
    // The entry follows the options too: unticked, or with watching off, it goes.
    const AlarmOptions& o = session_.alarmOptions;
    const bool shown = o.watch && o.mainWindow && session_.options.ReadingEnabled;
    if (alarms_) showAlarms(shown ? ActiveAlarmsText(alarms_->monitor.activeChannels()) : QString(), false);
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale;
    sbPanels[1]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    sbPanels[2]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

void frmMain::showBoard() {
    // Named "Board" for assistive technology, which reads the board itself as the description.
    const QString board = session_.usb.boardIdentity().text();
    lblBoard->setText(board);
    lblBoard->setAccessibleDescription(board);
}

void frmMain::setStatusText(const QString& text) {
    session_.setStatusText(text);
}

bool frmMain::replaceWindowFactory(const QString& className, const Factory& factory) {
    if (!FindWindowRow(className)) return false;
    replacedFactories_.insert(className, factory);
    return true;
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
    QList<QRect> screens;
    if (const QScreen* primary = QGuiApplication::primaryScreen()) screens << primary->availableGeometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen()) screens << screen->availableGeometry();
    // A place the screens can no longer show is saved as where the window went instead.
    const QRect onScreen = FitOnScreens(loadedPixels_, screens);
    move(onScreen.topLeft());
    resize(onScreen.size());
    setWindowTitle(kApplicationTitle);
    session_.decl.DisplayHelp = settings_.readBool(SettingsKeys::DisplayHelp, true);
    session_.alarmOptions = LoadAlarmOptions(settings_);
    const bool connected =
        RunConnectionSequence(session_, splash, [this](const QString& text) { setStatusText(text); });
    showBoard();
    return connected;
}

void frmMain::Form_Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    // Children first: each runs its own unload and clears its open flag.
    mdiArea->closeAllSubWindows();
    pollingOn_ = false;
    tmrMaster->stop();
    // The data log ends with the program: its event file says so.
    if (session_.decl.LoggingActive) StopLogging(session_);
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
    const WindowRow* row = FindWindowRow(key);
    if (!row) return nullptr;
    const QString windowClass = QLatin1String(row->className);
    if (ChildWindow* open = findWindow(windowClass)) {
        if (auto* frame = qobject_cast<QMdiSubWindow*>(open->parentWidget())) {
            if (frame->isMinimized()) frame->showNormal();
            mdiArea->setActiveSubWindow(frame); // which raises it
        }
        return open;
    }
    const WindowContext context{session_, polling_, settings_};
    const Factory replaced = replacedFactories_.value(windowClass);
    ChildWindow* window = replaced ? replaced(context) : row->create(context);
    if (!window) return nullptr;
    window->setAttribute(Qt::WA_DeleteOnClose);
    QMdiSubWindow* frame = mdiArea->addSubWindow(window);
    frame->setAttribute(Qt::WA_DeleteOnClose);
    frame->setWindowIcon(windowIcon());
    if (!window->designedSize().isEmpty()) frame->resize(window->designedSize());
    open_.insert(windowClass, window); // the pointer clears itself when the window is deleted
    // Shown, the frame becomes the area's active one.
    frame->show();
    return window;
}

void frmMain::showHelpAtStartUp() {
    if (session_.decl.DisplayHelp) openWindow(QStringLiteral("Help"));
}

const AlarmMonitor* frmMain::alarmMonitor() const {
    return alarms_ ? &alarms_->monitor : nullptr;
}

void frmMain::startPolling() {
    pollingOn_ = true;
    tmrMaster->start(0);
}

void frmMain::rearmMaster() {
    if (!pollingOn_) return;
    const std::int64_t now = session_.clock.nowMs();
    const std::optional<std::int64_t> due = polling_.nextDueMs(now);
    if (!due) {
        tmrMaster->stop();
        return;
    }
    if (tmrMaster->isActive() && *due == armedForMs_) return;
    armedForMs_ = *due;
    // QTimer counts in int milliseconds.
    tmrMaster->start(
        static_cast<int>(std::clamp<std::int64_t>(*due - now, 0, std::numeric_limits<int>::max())));
}

void frmMain::tmrMaster_Timer() {
    polling_.Tick(session_.clock.nowMs());
    rearmMaster();
}
