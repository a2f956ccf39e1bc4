#pragma once

#include "windows/ChildWindow.h"

#include <QCheckBox>
#include <QTextBrowser>
#include <QUrl>

class SettingsStore;

// The help window: the manual that lies beside the program, and the user's choice of seeing it
// at every start.
class frmHelp final : public ChildWindow {
    Q_OBJECT
public:
    frmHelp(Session& session, PollingCycle& polling, SettingsStore& settings, QWidget* parent = nullptr);

    // Where the manual is looked for: the program's own folder.
    static QString pagePath(const QString& programFolder);
    // Shows another page instead of the manual, such as a bench run's report.
    void showPage(const QString& fileName);

    QTextBrowser* brwWebBrowser{};
    QCheckBox* chkHelp{};

protected:
    void Form_Unload() override;

private:
    void Form_Load();
    void brwWebBrowser_AnchorClicked(const QUrl& url);

    SettingsStore& settings_;
};
