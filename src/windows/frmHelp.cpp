#include "windows/frmHelp.h"

#include "base/Prompts.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/Named.h"

#include <QDir>
#include <QFile>
#include <QVBoxLayout>

frmHelp::frmHelp(Session& session, PollingCycle& polling, SettingsStore& settings, QWidget* parent)
    : ChildWindow(session, polling, parent), settings_(settings) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("VORTANE  Evaluation Software Help"));

    brwWebBrowser = Named(new QTextBrowser(this), "brwWebBrowser");
    brwWebBrowser->setAccessibleName(QStringLiteral("Help page"));
    // Links are followed here: a web address must go to the user's browser, not into this view.
    brwWebBrowser->setOpenLinks(false);
    connect(brwWebBrowser, &QTextBrowser::anchorClicked, this, &frmHelp::brwWebBrowser_AnchorClicked);

    chkHelp = Named(new QCheckBox(QStringLiteral("Don't display this form on start-up"), this), "chkHelp");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(brwWebBrowser, 1);
    layout->addWidget(chkHelp);
    Form_Load();
}

QString frmHelp::pagePath(const QString& programFolder) {
    return QDir(programFolder).filePath(QStringLiteral("VORTANEHelp.htm"));
}

void frmHelp::Form_Load() {
    setDesignedSize(8250, 6750);
    placeCentredAbove(1500);
    chkHelp->setChecked(!session_.decl.DisplayHelp);
    const QString path = pagePath(session_.programFolder);
    if (QFile(path).open(QIODevice::ReadOnly)) {
        brwWebBrowser->setSource(QUrl::fromLocalFile(path));
    } else {
        brwWebBrowser->setHtml(
            QStringLiteral("<h3>The help page is missing</h3><p>It was looked for at</p><p><tt>%1</tt></p>"
                           "<p>Reinstall the program, or copy VORTANEHelp.htm into that folder.</p>")
                .arg(QDir::toNativeSeparators(path).toHtmlEscaped()));
    }
}

void frmHelp::showPage(const QString& fileName) {
    brwWebBrowser->setSource(QUrl::fromLocalFile(fileName));
}

void frmHelp::brwWebBrowser_AnchorClicked(const QUrl& url) {
    if (url.isLocalFile() || url.isRelative())
        brwWebBrowser->setSource(url); // within the manual: scrolls, and Alt+Left goes back
    else
        session_.prompts.openUrl(url.toString());
}

void frmHelp::Form_Unload() {
    const bool hide = chkHelp->isChecked();
    settings_.writeText(SettingsKeys::DisplayHelp, hide ? QStringLiteral("False") : QStringLiteral("True"));
    settings_.sync();
    session_.decl.DisplayHelp = !hide;
}
