#include "windows/frmAbout.h"

#include "base/Prompts.h"
#include "registers/ConfigFile.h"
#include "session/Session.h"
#include "windows/Named.h"
#include "windows/frmSplash.h"

#include <QHBoxLayout>
#include <QUrl>
#include <QVBoxLayout>

namespace {
const QColor kLink(0, 0, 192);
const QColor kVisited(128, 0, 128);

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}
} // namespace

frmAbout::frmAbout(Session& session, PollingCycle& polling, QWidget* parent)
    : ChildWindow(session, polling, parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About the  VORTANE Software"));

    // A link drawn as text: no button frame, but it still takes Tab and answers Space and Enter.
    const auto link = [this](const char* name, const QString& text, const QString& accessibleName,
                             const QString& address) {
        auto* l = Named(new ClickableLabel(this), name);
        l->setText(text);
        l->setFrameStyle(QFrame::NoFrame);
        l->setAutoFillBackground(false);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        QFont underlined = l->font();
        underlined.setUnderline(true);
        l->setFont(underlined);
        l->setForegroundRole(QPalette::WindowText); // no background drawn: the text as a label's
        setTextColour(l, kLink);
        l->setAccessibleName(accessibleName);
        l->setToolTip(address);
        connect(l, &ClickableLabel::clicked, this, [this, l, address] { openPage(l, address); });
        return l;
    };

    Label1 = Named(new QLabel(kApplicationTitle + QLatin1Char(' ') + VersionText() + QLatin1Char(' '), this),
                   "Label1");
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.2);
    Label1->setFont(title);
    lblBoard =
        Named(new QLabel(QStringLiteral("Board: ") + session_.usb.boardIdentity().text(), this), "lblBoard");
    Label3 = Named(new QLabel(QStringLiteral("For more information on the VORTANE click"), this), "Label3");
    lblDeviceInfo = link("lblDeviceInfo", QStringLiteral("here"), Label3->text() + QStringLiteral(" here"),
                         MakerPages::Product);
    Label4 = Named(new QLabel(QStringLiteral("For information on Systems Management devices click"), this),
                   "Label4");
    lblSensorInfo = link("lblSensorInfo", QStringLiteral("here"), Label4->text() + QStringLiteral(" here"),
                         MakerPages::Sensors);
    Label5 =
        Named(new QLabel(QStringLiteral("Visit the %1 web site at").arg(ConfigMakerName), this), "Label5");
    const QString site = QUrl(MakerPages::Home).host();
    Label6 = link("Label6", site, site, MakerPages::Home);
    cmdOK = Named(new QPushButton(QStringLiteral("OK"), this), "cmdOK");
    connect(cmdOK, &QPushButton::clicked, this, &ChildWindow::unloadWindow);

    // Each link follows its sentence on the same line.
    const auto line = [](QWidget* first, QWidget* second = nullptr) {
        auto* row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(first);
        if (second) row->addWidget(second);
        row->addStretch(1);
        return row;
    };
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 14, 16, 12);
    layout->setSpacing(10);
    layout->addWidget(Label1);
    layout->addWidget(lblBoard);
    layout->addLayout(line(Label3, lblDeviceInfo));
    layout->addLayout(line(Label4, lblSensorInfo));
    layout->addWidget(Label5);
    layout->addLayout(line(Label6));
    layout->addStretch(1);
    layout->addWidget(cmdOK, 0, Qt::AlignRight);

    setDesignedSize(6600, 3600);
    placeCentredAbove(1500);
}

void frmAbout::openPage(ClickableLabel* link, const QString& address) {
    session_.prompts.openUrl(address);
    setTextColour(link, kVisited);
}
