// Every child window the program has, by class name. A menu item or toolbar button whose window
// is not listed here stays disabled.
#include "windows/frmAbout.h"
#include "windows/frmAutoControl.h"
#include "windows/frmConfig.h"
#include "windows/frmFanConfig.h"
#include "windows/frmGPIO.h"
#include "windows/frmGraph.h"
#include "windows/frmHeaters.h"
#include "windows/frmInfo.h"
#include "windows/frmLimits.h"
#include "windows/frmLogging.h"
#include "windows/frmMain.h"
#include "windows/frmManual.h"
#include "windows/frmRegMap.h"
#include "windows/frmSWOptions.h"
#include "windows/frmSave.h"

namespace {
using Factories = QMap<QString, std::function<ChildWindow*(Session&, PollingCycle&)>>;

template <class Window> void add(Factories& factories, const char* className) {
    factories.insert(QLatin1String(className),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new Window(s, p); });
}
} // namespace

void RegisterWindows(Factories& factories) {
    add<frmAbout>(factories, "frmAbout");
    add<frmAutoControl>(factories, "frmAutoControl");
    add<frmConfig>(factories, "frmConfig");
    add<frmFanConfig>(factories, "frmFanConfig");
    add<frmGPIO>(factories, "frmGPIO");
    add<frmGraph>(factories, "frmGraph");
    add<frmHeaters>(factories, "frmHeaters");
    add<frmInfo>(factories, "frmInfo");
    add<frmLimits>(factories, "frmLimits");
    add<frmLogging>(factories, "frmLogging");
    add<frmManual>(factories, "frmManual");
    add<frmRegMap>(factories, "frmRegMap");
    add<frmSWOptions>(factories, "frmSWOptions");
    add<frmSave>(factories, "frmSave");
}
