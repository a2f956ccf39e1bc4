// Every child window the program has, by class name. A menu item or toolbar button whose window
// is not listed here stays disabled.
#include "windows/frmAutoControl.h"
#include "windows/frmLogging.h"
#include "windows/frmMain.h"
#include "windows/frmRegMap.h"
#include "windows/frmSWOptions.h"
#include "windows/frmSave.h"

void RegisterWindows(QMap<QString, std::function<ChildWindow*(Session&, PollingCycle&)>>& factories) {
    factories.insert(QStringLiteral("frmAutoControl"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmAutoControl(s, p); });
    factories.insert(QStringLiteral("frmLogging"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmLogging(s, p); });
    factories.insert(QStringLiteral("frmRegMap"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmRegMap(s, p); });
    factories.insert(QStringLiteral("frmSWOptions"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmSWOptions(s, p); });
    factories.insert(QStringLiteral("frmSave"),
                     [](Session& s, PollingCycle& p) -> ChildWindow* { return new frmSave(s, p); });
}
