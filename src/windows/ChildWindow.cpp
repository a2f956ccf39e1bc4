#include "windows/ChildWindow.h"

#include "windows/Twips.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

ChildWindow::ChildWindow(Session& session, PollingCycle& polling, QWidget* parent)
    : QWidget(parent), session_(session), polling_(polling) {}

void ChildWindow::setDesignedSize(int widthTwips, int heightTwips) {
    designedSize_ = QSize(TwipsToPixels(widthTwips), TwipsToPixels(heightTwips));
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->resize(designedSize_);
    else
        resize(designedSize_);
}

void ChildWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        Form_Unload();
    }
    event->accept();
}

void ChildWindow::unloadWindow() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    else
        close();
}
