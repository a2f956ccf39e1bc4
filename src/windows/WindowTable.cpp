// Every window the main window opens. A new window is its class and one row below: the main
// window builds its menus and its toolbar from this table.
#include "windows/WindowTable.h"

#include "windows/frmAbout.h"
#include "windows/frmAutoControl.h"
#include "windows/frmCharacterisation.h"
#include "windows/frmConfig.h"
#include "windows/frmFanConfig.h"
#include "windows/frmGPIO.h"
#include "windows/frmGraph.h"
#include "windows/frmHeaters.h"
#include "windows/frmHelp.h"
#include "windows/frmInfo.h"
#include "windows/frmLimits.h"
#include "windows/frmLogging.h"
#include "windows/frmMain.h"
#include "windows/frmManual.h"
#include "windows/frmRegMap.h"
#include "windows/frmSWOptions.h"
#include "windows/frmSave.h"

#include <type_traits>

namespace {
// A window that keeps a setting of its own is handed the settings store as well.
template <class Window> ChildWindow* make(const WindowContext& c) {
    if constexpr (std::is_constructible_v<Window, Session&, PollingCycle&, SettingsStore&>)
        return new Window(c.session, c.polling, c.settings);
    else
        return new Window(c.session, c.polling);
}

// In menu order; the toolbar's left-to-right order is the buttons' slots.
constexpr WindowRow kWindows[] = {
    {"frmSave",
     make<frmSave>,
     {MainMenu::File, "mnuSave", "&Save/Recall Configuration", &frmMain::mnuSave},
     {1, "Save", "Save/Recall Configuration"}},
    {"frmLogging", make<frmLogging>, {MainMenu::File, "mnuLog", "&Log Data to File", &frmMain::mnuLog}},
    {"frmRegMap",
     make<frmRegMap>,
     {MainMenu::View, "mnuRegMap", "&Register Map", &frmMain::mnuRegMap},
     {5, "Tree", "Register Map Tree"}},
    {"frmGraph",
     make<frmGraph>,
     {MainMenu::View, "mnuGraph", "Gra&phing", &frmMain::mnuGraph},
     {3, "Graphs", "Temperature/Fan graphs"}},
    {"frmLimits",
     make<frmLimits>,
     {MainMenu::View, "mnuLimits", "Li&mits, Interrupts", &frmMain::mnuLimits},
     {6, "Limits", "Interrupts/Limits"}},
    {"frmConfig",
     make<frmConfig>,
     {MainMenu::Configuration, "mnuGeneralConfig", "&General Configuration", &frmMain::mnuGeneralConfig},
     {2, "Config", "General Device Configuration"}},
    {"frmFanConfig",
     make<frmFanConfig>,
     {MainMenu::Configuration, "mnuFanConfig", "Fa&n Configuration", &frmMain::mnuFanConfig},
     {4, "Fan", "Fan Configuration"}},
    {"frmGPIO",
     make<frmGPIO>,
     {MainMenu::Configuration, "mnuGPIO", "GP&IO Configuration", &frmMain::mnuGPIO},
     {7, "GPIO", "GPIO Configuration"}},
    {"frmSWOptions",
     make<frmSWOptions>,
     {MainMenu::Configuration, "mnuSoftware", "&Software options", &frmMain::mnuSoftware}},
    {"frmAutoControl",
     make<frmAutoControl>,
     {MainMenu::FanControl, "mnuAutoControl", "Automatic Fan Control", &frmMain::mnuAutoControl},
     {9, "AFC", "Automatic Fan Control"}},
    {"frmManual",
     make<frmManual>,
     {MainMenu::FanControl, "mnuManual", "Man&ual Fan Control", &frmMain::mnuManual}},
    {"frmCharacterisation",
     make<frmCharacterisation>,
     {MainMenu::FanControl, "mnuCharacterisation", "&Characterisation", nullptr}},
    {"frmInfo",
     make<frmInfo>,
     {MainMenu::Board, "mnuEvalBoard", "E&valuation Board Information", &frmMain::mnuEvalBoard}},
    {"frmHeaters",
     make<frmHeaters>,
     {MainMenu::Board, "mnuHeaters", "&On-Board Heater Control", &frmMain::mnuHeaters},
     {8, "Heaters", "Heater Control"}},
    // The toolbar handler knows the help window by a key that no button carries; F1 opens it.
    {"frmHelp",
     make<frmHelp>,
     {MainMenu::About, "mnuHelp", "&Help", &frmMain::mnuHelp, QKeySequence::HelpContents},
     {0, "Help"}},
    {"frmAbout",
     make<frmAbout>,
     {MainMenu::About, "mnuAbout", "A&bout the VORTANE Software...", &frmMain::mnuAbout}},
};
} // namespace

std::span<const WindowRow> WindowTable() {
    return kWindows;
}

const WindowRow* FindWindowRow(QStringView keyOrClass) {
    for (const WindowRow& row : kWindows)
        if ((row.toolbar.key && keyOrClass == QLatin1String(row.toolbar.key)) ||
            keyOrClass == QLatin1String(row.className))
            return &row;
    return nullptr;
}
