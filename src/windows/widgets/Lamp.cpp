#include "windows/widgets/Lamp.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>

namespace {

// A read-only text whose text is the state, so a screen reader reads "OK" or "Alarm" whether it
// asks for the text or the value.
class LampAccessible final : public QAccessibleWidget,
                             public QAccessibleValueInterface,
                             public QAccessibleTextInterface {
public:
    explicit LampAccessible(Lamp* lamp) : QAccessibleWidget(lamp, QAccessible::StaticText) {}

    Lamp* lamp() const { return static_cast<Lamp*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return lamp()->stateText();
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return lamp()->isOn() ? 1 : 0; }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return 1; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

    // Read-only text: the state.
    QString text(int startOffset, int endOffset) const override {
        const QString all = lamp()->stateText();
        const int from = std::clamp(startOffset, 0, static_cast<int>(all.size()));
        const int to = endOffset < 0 ? static_cast<int>(all.size())
                                     : std::clamp(endOffset, from, static_cast<int>(all.size()));
        return all.mid(from, to - from);
    }
    int characterCount() const override { return static_cast<int>(lamp()->stateText().size()); }
    void selection(int, int* startOffset, int* endOffset) const override { *startOffset = *endOffset = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }
};

QAccessibleInterface* lampFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("Lamp") && object && object->isWidgetType())
        return new LampAccessible(static_cast<Lamp*>(object));
    return nullptr;
}

} // namespace

Lamp::Lamp(QWidget* parent) : QWidget(parent) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(lampFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QString Lamp::stateText() const {
    return on_ ? QStringLiteral("Alarm") : QStringLiteral("OK");
}

void Lamp::setOn(bool on) {
    if (on == on_) return;
    const QString before = stateText();
    on_ = on;
    update();
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent value(this, on_ ? 1 : 0);
    QAccessible::updateAccessibility(&value);
    QAccessibleTextUpdateEvent text(this, 0, before, stateText());
    QAccessible::updateAccessibility(&text);
}

QSize Lamp::sizeHint() const {
    const int side = std::max(18, fontMetrics().height() + 2);
    return {side, side};
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height()) - 3.0;
    const QRectF box((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    QPen mark(Qt::white, std::max(1.6, side / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    if (on_) {
        QPainterPath triangle;
        triangle.moveTo(box.center().x(), box.top());
        triangle.lineTo(box.right(), box.bottom());
        triangle.lineTo(box.left(), box.bottom());
        triangle.closeSubpath();
        p.setPen(QPen(QColor(120, 0, 0), 1));
        p.setBrush(QColor(215, 20, 20));
        p.drawPath(triangle);
        p.setPen(mark);
        const double x = box.center().x();
        p.drawLine(QPointF(x, box.top() + side * 0.38), QPointF(x, box.top() + side * 0.66));
        p.drawPoint(QPointF(x, box.top() + side * 0.84));
    } else {
        p.setPen(QPen(QColor(0, 90, 0), 1));
        p.setBrush(QColor(30, 160, 50));
        p.drawEllipse(box);
        p.setPen(mark);
        const QPointF o = box.topLeft();
        QPainterPath tick;
        tick.moveTo(o + QPointF(side * 0.27, side * 0.52));
        tick.lineTo(o + QPointF(side * 0.44, side * 0.70));
        tick.lineTo(o + QPointF(side * 0.74, side * 0.32));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &p, this);
    }
}
