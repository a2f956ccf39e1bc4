// Every child window the program has, by class name. A menu item or toolbar button whose window
// is not listed here stays disabled.
#include "windows/frmAutoControl.h"
#include "windows/frmHeaters.h"
#include "windows/frmInfo.h"
#include "windows/frmMain.h"
#include "windows/frmManual.h"
#include "windows/frmRegMap.h"

void RegisterWindows(QMap<QString, std::function<ChildWindow*(Session&, PollingCycle&)>>& factories) {
    factories.insert(QStringLiteral("frmAutoControl"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmAutoControl(s, p); });
    factories.insert(QStringLiteral("frmHeaters"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmHeaters(s, p); });
    factories.insert(QStringLiteral("frmInfo"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmInfo(s, p); });
    factories.insert(QStringLiteral("frmManual"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmManual(s, p); });
    factories.insert(QStringLiteral("frmRegMap"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmRegMap(s, p); });
}
