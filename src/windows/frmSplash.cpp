#include "windows/frmSplash.h"

#include "base/Prompts.h"
#include "windows/Named.h"
#include "windows/Twips.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QSysInfo>
#include <QVBoxLayout>

QString VersionText() {
    return QStringLiteral("Version %1.%2.%3")
        .arg(VORTANE_VERSION_MAJOR)
        .arg(VORTANE_VERSION_MINOR)
        .arg(VORTANE_VERSION_PATCH);
}

QString PlatformText() {
    return QSysInfo::prettyProductName();
}

frmSplash::frmSplash(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(250, 250, 252));
    setPalette(pal);

    lblProductName = Named(new QLabel(this), "lblProductName");
    lblVersion = Named(new QLabel(this), "lblVersion");
    lblPlatform = Named(new QLabel(this), "lblPlatform");
    lblProgInfo = Named(new QLabel(this), "lblProgInfo");

    lblProductName->setText(kApplicationTitle);
    QFont title = lblProductName->font();
    title.setPointSizeF(title.pointSizeF() * 1.8);
    title.setBold(true);
    lblProductName->setFont(title);
    lblVersion->setText(VersionText());
    lblPlatform->setText(PlatformText());
    lblProgInfo->setVisible(false);

    // The progress bar: a filled label growing inside a track of the designed width.
    progressTrack_ = new QWidget(this);
    progressTrack_->setFixedSize(TwipsToPixels(ProgressDesignWidthTwips), 14);
    progressTrack_->setStyleSheet(QStringLiteral("background: #e3e6ec; border-radius: 2px;"));
    lblProgress = Named(new QLabel(progressTrack_), "lblProgress");
    lblProgress->setStyleSheet(QStringLiteral("background: #2d6cdf; border-radius: 2px;"));
    lblProgress->setGeometry(0, 0, 0, 14); // no width: nothing shows until progress is made
    lblProgress->setAccessibleName(QStringLiteral("Progress"));
    lblBoard = Named(new QLabel(this), "lblBoard");
    lblBoard->setAccessibleName(QStringLiteral("Board"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 24, 28, 20);
    layout->setSpacing(8);
    layout->addWidget(lblProductName);
    layout->addWidget(lblVersion);
    layout->addWidget(lblPlatform);
    layout->addStretch(1);
    layout->addWidget(lblProgInfo);
    layout->addWidget(progressTrack_);
    layout->addWidget(lblBoard);
    setFixedSize(TwipsToPixels(ProgressDesignWidthTwips) + 56, 240);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

// A frameless window on a light desktop: a one-pixel border marks where it ends.
void frmSplash::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(QColor(0x5A, 0x64, 0x78));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

int frmSplash::progressDesignWidth() const {
    return ProgressDesignWidthTwips;
}

void frmSplash::setProgressVisible() {
    lblProgInfo->setVisible(true);
}

void frmSplash::setProgressWidth(float twips) {
    lblProgress->resize(TwipsToPixels(twips), lblProgress->height());
    lblProgress->repaint();
}

void frmSplash::setProgInfo(const QString& text) {
    lblProgInfo->setText(text);
    lblProgInfo->repaint();
}

void frmSplash::setBoardText(const QString& text) {
    lblBoard->setText(text);
    lblBoard->setAccessibleDescription(text);
    lblBoard->repaint();
}

void frmSplash::processEvents() {
    QCoreApplication::processEvents();
}
