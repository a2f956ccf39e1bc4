#pragma once

#include <QKeySequence>
#include <QStringView>

#include <span>

class ChildWindow;
class PollingCycle;
class QAction;
class Session;
class SettingsStore;
class frmMain;

// What the program hands every window it opens.
struct WindowContext {
    Session& session;
    PollingCycle& polling;
    SettingsStore& settings;
};

// The main window's top-level menus, in menu-bar order.
enum class MainMenu { File, View, Configuration, FanControl, Board, Window, About };

// A window's item in one of the main window's menus.
struct MenuItem {
    MainMenu menu{};
    const char* name{};          // its object name
    const char* caption{};       // with its access key
    QAction* frmMain::*member{}; // the main window's member that holds it, or none
    QKeySequence::StandardKey shortcut = QKeySequence::UnknownKey;
};

// A window's button on the main window's toolbar.
struct ToolbarButton {
    int slot{};                // 1 = leftmost; 0 = no button
    const char* key = nullptr; // what the toolbar handler knows the window by
    const char* toolTip = nullptr;
};

// One window of the program: its class, how it is made, where the main window offers it.
struct WindowRow {
    const char* className{};
    ChildWindow* (*create)(const WindowContext& context){};
    MenuItem menuItem;
    ToolbarButton toolbar{};
};

// Every window the main window opens, in the order of the items within each menu.
std::span<const WindowRow> WindowTable();
// The window known by a toolbar key ("Tree") or by its class name ("frmRegMap"); none when
// there is no such window.
const WindowRow* FindWindowRow(QStringView keyOrClass);
