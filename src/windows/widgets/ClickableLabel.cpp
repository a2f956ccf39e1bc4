#include "windows/widgets/ClickableLabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

class ClickableLabelAccessible final : public QAccessibleWidget {
public:
    explicit ClickableLabelAccessible(ClickableLabel* label)
        : QAccessibleWidget(label, QAccessible::Button) {}

    ClickableLabel* label() const { return static_cast<ClickableLabel*>(widget()); }

    QAccessible::Role role() const override {
        return label()->isOnOffText() ? QAccessible::CheckBox : QAccessible::Button;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && label()->accessibleName().isEmpty()) return label()->text();
        if (t == QAccessible::Value) return label()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        if (label()->isOnOffText()) {
            s.checkable = true;
            s.checked = label()->text() != QLatin1String("0");
        }
        return s;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        names.prepend(label()->isOnOffText() ? toggleAction() : pressAction());
        return names;
    }

    void doAction(const QString& name) override {
        if (name == pressAction() || name == toggleAction())
            label()->click();
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* clickableLabelFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("ClickableLabel") && object && object->isWidgetType())
        return new ClickableLabelAccessible(static_cast<ClickableLabel*>(object));
    return nullptr;
}

} // namespace

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(clickableLabelFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    setAlignment(Qt::AlignCenter);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
}

void ClickableLabel::setValueText(const QString& newText) {
    const bool wasOn = text() != QLatin1String("0");
    setText(newText);
    if (onOff_ && wasOn != (newText != QLatin1String("0")) && QAccessible::isActive()) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void ClickableLabel::click() {
    Q_EMIT clicked();
}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = true; // the event stays accepted, as Qt delivers it
        return;
    }
    QLabel::mousePressEvent(event);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && pressed_) {
        pressed_ = false; // the event stays accepted: the label has handled it
        // A press dragged off the label before release is taken back, as with a button.
        if (rect().contains(event->position().toPoint())) click();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickableLabel::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!event->isAutoRepeat()) click(); // the event arrives accepted: it goes no further
        return;
    default:
        QLabel::keyPressEvent(event);
    }
}

void ClickableLabel::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = contentsRect().adjusted(1, 1, -1, -1);
    option.backgroundColor = palette().color(QPalette::Button);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}
