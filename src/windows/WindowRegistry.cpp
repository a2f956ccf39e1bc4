// Every child window the program has, by class name. A menu item or toolbar button whose window
// is not listed here stays disabled.
#include "windows/frmAbout.h"
#include "windows/frmAutoControl.h"
#include "windows/frmMain.h"
#include "windows/frmRegMap.h"

void RegisterWindows(QMap<QString, std::function<ChildWindow*(Session&, PollingCycle&)>>& factories) {
    factories.insert(QStringLiteral("frmAbout"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmAbout(s, p); });
    factories.insert(QStringLiteral("frmAutoControl"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmAutoControl(s, p); });
    factories.insert(QStringLiteral("frmRegMap"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmRegMap(s, p); });
}
