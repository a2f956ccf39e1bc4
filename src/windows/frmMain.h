#pragma once

#include "windows/WindowTable.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <QMdiArea>
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <functional>
#include <memory>

class AlarmMonitor;
class AlarmWatch;
class ChildWindow;
class PollingCycle;
class Session;
class SettingsStore;
class SplashView;

// The main window: the frame of every other window, its menus and toolbar, the status bar and
// the master timer that drives the polling cycle.
class frmMain final : public QMainWindow {
    Q_OBJECT
public:
    frmMain(Session& session, PollingCycle& polling, SettingsStore& settings, QWidget* parent = nullptr);
    ~frmMain() override;

    // Restores the position, sets the caption and runs the connection sequence. False when a
    // link error ended it.
    bool Form_Load(SplashView& splash);
    // Closes every child window, stops the timer and saves the position unless minimised. Runs
    // once, from closing the window or from a link error.
    void Form_Unload();

    // Opens the child window known by a toolbar key ("Tree", "AFC", ...) or a window class name
    // ("frmRegMap"), or brings it to the front. Returns it, or nullptr when no window goes by
    // that name.
    ChildWindow* openWindow(const QString& key);
    ChildWindow* findWindow(const QString& className) const;
    // Opens the help window when the user has not chosen to skip it at start-up.
    void showHelpAtStartUp();

    void setStatusText(const QString& text);

    // Switches the master timer on (the last step of start-up). It then sleeps until the next
    // grid tick at which a task can run, and is re-armed whenever the event loop goes idle, so a
    // window opened or an interval changed takes effect on the very next grid tick.
    void startPolling();
    // The alarm monitor the polling cycle runs (the metrics endpoint serves its states).
    const AlarmMonitor* alarmMonitor() const;

    // Makes the window of the table's class with `factory` from now on (tests put a window of
    // their own in its place). False when the table has no such window.
    using Factory = std::function<ChildWindow*(const WindowContext&)>;
    bool replaceWindowFactory(const QString& className, const Factory& factory);

    QMdiArea* mdiArea{};
    QTimer* tmrMaster{};
    QToolBar* tbToolBar{};
    QStatusBar* sbStatusBar{};
    std::array<QLabel*, 3> sbPanels{}; // status text, date, time
    QLabel* sbAlarms{};                // the active alarms in red; hidden while there are none
    QLabel* lblBoard{};                // the board in use, at the right of the status bar

    QMenu* mnuFile{};
    QAction* mnuSave{};
    QAction* mnuLog{};
    QMenu* mnuDevice{};
    QAction* mnuRegMap{};
    QAction* mnuGraph{};
    QAction* mnuLimits{};
    QMenu* mnuConfig{};
    QAction* mnuGeneralConfig{};
    QAction* mnuFanConfig{};
    QAction* mnuGPIO{};
    QAction* mnuSoftware{};
    QMenu* mnuControl{};
    QAction* mnuAutoControl{};
    QAction* mnuManual{};
    QMenu* mnuBoard{};
    QAction* mnuEvalBoard{};
    QAction* mnuHeaters{};
    QMenu* mnuWindow{};
    QMenu* mnuMainAbout{};
    QAction* mnuHelp{};
    QAction* mnuAbout{};

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void addMenuItem(QMenu* menu, const WindowRow& window);
    void buildMenus();
    void buildToolbar();
    void buildStatusBar();
    void refreshWindowMenu();
    void updateClock();
    void showBoard();
    void tmrMaster_Timer();
    void rearmMaster();
    void reportLoggingStopped(const QString& fileName, const QString& reason);
    void showAlarms(const QString& active, bool raised);

    Session& session_;
    PollingCycle& polling_;
    SettingsStore& settings_;
    QMap<QString, Factory> replacedFactories_; // window class -> a test's stand-in
    QMap<QString, QPointer<ChildWindow>> open_;
    std::unique_ptr<AlarmWatch> alarms_;
    QTimer* clockTimer_{};
    bool unloaded_ = false;
    bool pollingOn_ = false;
    std::int64_t armedForMs_{}; // while the master timer runs: the clock time it fires at
    // The position as read at load, in twips and in pixels: an unmoved window writes back exactly
    // what it read, so the stored values do not drift by pixel rounding from run to run.
    QRect loadedTwips_;
    QRect loadedPixels_;
};
