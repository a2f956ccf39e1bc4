#include "windows/ChildWindow.h"

#include "session/Session.h"
#include "windows/Twips.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

#include <algorithm>
#include <utility>

ChildWindow::ChildWindow(Session& session, PollingCycle& polling, QWidget* parent)
    : QWidget(parent), session_(session), polling_(polling) {}

void ChildWindow::pollWith(PollTask task, bool Declarations::*openFlag, std::function<void()> refresh) {
    polled_ = Polled{task, openFlag};
    polling_.setRefresh(task, std::move(refresh));
    session_.decl.*openFlag = true;
}

void ChildWindow::stopPolling() {
    if (!polled_) return;
    session_.decl.*polled_->openFlag = false;
    polling_.clearRefresh(polled_->task);
    polled_.reset();
}

void ChildWindow::setDesignedSize(int widthTwips, int heightTwips) {
    designedSize_ = QSize(TwipsToPixels(widthTwips), TwipsToPixels(heightTwips));
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->resize(designedSize_);
    else
        resize(designedSize_);
}

void ChildWindow::placeCentredAbove(int twipsAboveCentre) {
    twipsAboveCentre_ = twipsAboveCentre;
}

void ChildWindow::showEvent(QShowEvent*) {
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    if (!twipsAboveCentre_ || !frame || !frame->mdiArea()) return;
    const QSize area = frame->mdiArea()->viewport()->size();
    // What its contents need comes first: squeezed below it, controls would lie on top of each
    // other; a window larger than the area is reached with the area's scroll bars.
    const QSize own = frame->size().boundedTo(area).expandedTo(frame->minimumSizeHint());
    frame->resize(own);
    frame->move(std::max(0, (area.width() - own.width()) / 2),
                std::max(0, (area.height() - own.height()) / 2 - TwipsToPixels(*twipsAboveCentre_)));
    twipsAboveCentre_.reset(); // later showings (restoring from minimised) keep where the user put it
}

void ChildWindow::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        stopPolling();
        Form_Unload();
    }
    event->accept();
}

QPushButton* ChildWindow::button(const char* name) const {
    return findChild<QPushButton*>(QLatin1String(name));
}

QPushButton* ChildWindow::buttonFor(const QKeyEvent& event) const {
    const Qt::KeyboardModifiers modifiers = event.modifiers() & ~Qt::KeypadModifier;
    if (modifiers != Qt::NoModifier) return nullptr;
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget())) return focused;
        return button("cmdOK");
    case Qt::Key_Escape:
        if (QPushButton* cancel = button("cmdCancel")) return cancel;
        if (QPushButton* close = button("cmdClose")) return close;
        return button("cmdApply") ? nullptr : button("cmdOK");
    default:
        return nullptr;
    }
}

void ChildWindow::keyPressEvent(QKeyEvent* event) {
    QPushButton* target = buttonFor(*event);
    // QWidget's own handler ignores the key, so that it goes on to the frame; a key taken here stays
    // accepted, as Qt delivers every key.
    if (!target || !target->isEnabled() || !target->isVisible()) return QWidget::keyPressEvent(event);
    target->click();
}

void ChildWindow::unloadWindow() {
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        frame->close();
    else
        close();
}
