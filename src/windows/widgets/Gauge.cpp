#include "windows/widgets/Gauge.h"

#include "base/NumberText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace {

constexpr double StartAngle = 225; // the minimum, lower left
constexpr double SweepAngle = 270; // clockwise to the maximum, lower right
constexpr double ArcShare = 0.74;  // the scale's arc, as a share of the face's radius
constexpr double GrabDegrees = 9;  // how near a press must come to a pointer to take it

const QColor LowColour(0, 84, 180);
const QColor HighColour(190, 0, 0);

int pointerIndex(int pointer) {
    return pointer == Gauge::HighPointer ? 1 : 0;
}

double radians(double degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// ---- Assistive technology: the dial and its two pointers ----

class GaugePointerAccessible final : public QAccessibleInterface,
                                     public QAccessibleValueInterface,
                                     public QAccessibleActionInterface {
public:
    GaugePointerAccessible(Gauge* gauge, int pointer) : gauge_(gauge), pointer_(pointer) {}

    bool isValid() const override { return !gauge_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return gauge_ ? gauge_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(gauge_); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::Slider; }

    QString text(QAccessible::Text t) const override {
        if (!gauge_) return {};
        switch (t) {
        case QAccessible::Name:
            return gauge_->pointerName(pointer_);
        case QAccessible::Value:
            return SevenDigits(gauge_->pointer(pointer_));
        case QAccessible::Description:
            return gauge_->toolTip();
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (!gauge_) return {};
        const QRect local = gauge_->pointerRect(pointer_).toAlignedRect();
        return QRect(gauge_->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        if (!gauge_) return s;
        s.focusable = true;
        s.focused = gauge_->hasFocus() && gauge_->currentPointer() == pointer_;
        s.invisible = !gauge_->isVisible();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QVariant currentValue() const override { return gauge_ ? gauge_->pointer(pointer_) : 0.0; }
    void setCurrentValue(const QVariant& value) override {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (gauge_ && ok && gauge_->isEnabled()) gauge_->userSetPointer(pointer_, v);
    }
    QVariant maximumValue() const override { return gauge_ ? gauge_->maximum() : 0.0; }
    QVariant minimumValue() const override { return gauge_ ? gauge_->minimum() : 0.0; }
    QVariant minimumStepSize() const override { return gauge_ ? gauge_->step() : 0.0; }

    QStringList actionNames() const override {
        return {increaseAction(), decreaseAction(), setFocusAction()};
    }
    void doAction(const QString& name) override {
        if (!gauge_ || !gauge_->isEnabled()) return;
        if (name == increaseAction())
            gauge_->stepPointer(pointer_, 1);
        else if (name == decreaseAction())
            gauge_->stepPointer(pointer_, -1);
        else if (name == setFocusAction()) {
            gauge_->setCurrentPointer(pointer_);
            gauge_->setFocus(Qt::OtherFocusReason);
        }
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QPointer<Gauge> gauge_;
    int pointer_;
};

class GaugeAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit GaugeAccessible(Gauge* gauge) : QAccessibleWidget(gauge, QAccessible::Dial) {}
    ~GaugeAccessible() override {
        for (QAccessible::Id id : ids_)
            if (id) QAccessible::deleteAccessibleInterface(id);
    }

    Gauge* gauge() const { return static_cast<Gauge*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return gauge()->caption().trimmed();
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return 2; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index > 1) return nullptr;
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (!id)
            id = QAccessible::registerAccessibleInterface(new GaugePointerAccessible(gauge(), index + 2));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* iface) const override {
        for (int i = 0; i < 2; ++i)
            if (child(i) == iface) return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < 2; ++i)
            if (child(i)->rect().contains(x, y)) return child(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        return gauge()->hasFocus() ? child(pointerIndex(gauge()->currentPointer())) : nullptr;
    }

    // The needle belongs to the program; an assistive technology reads it but cannot set it.
    QVariant currentValue() const override {
        const auto needle = gauge()->needle();
        return needle ? QVariant(*needle) : QVariant();
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return gauge()->maximum(); }
    QVariant minimumValue() const override { return gauge()->minimum(); }
    QVariant minimumStepSize() const override { return 0; }

private:
    mutable std::array<QAccessible::Id, 2> ids_{};
};

QAccessibleInterface* gaugeFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("Gauge") && object && object->isWidgetType())
        return new GaugeAccessible(static_cast<Gauge*>(object));
    return nullptr;
}

} // namespace

Gauge::Gauge(double minimum, double maximum, double major, double minor, QWidget* parent)
    : QWidget(parent), min_(minimum), max_(maximum), major_(major), minor_(minor) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(gaugeFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    pointers_[0].value = minimum;
    pointers_[1].value = maximum;
}

void Gauge::setStep(double step) {
    step_ = step;
}

void Gauge::setNeedle(std::optional<double> value) {
    if (value == needle_) return;
    needle_ = value;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, value ? QVariant(*value) : QVariant());
        QAccessible::updateAccessibility(&event);
    }
}

void Gauge::setCaption(const QString& text) {
    if (text == caption_) return;
    caption_ = text;
    update();
}

Gauge::Pointer& Gauge::at(int pointer) {
    return pointers_[static_cast<std::size_t>(pointerIndex(pointer))];
}

const Gauge::Pointer& Gauge::at(int pointer) const {
    return pointers_[static_cast<std::size_t>(pointerIndex(pointer))];
}

double Gauge::pointer(int pointer) const {
    return at(pointer).value;
}

void Gauge::setPointer(int pointer, double value) {
    if (dragging_ == pointer) endDrag(false);
    changePointer(pointer, value);
}

QString Gauge::pointerName(int pointer) const {
    return at(pointer).name;
}

void Gauge::setPointerName(int pointer, const QString& name) {
    at(pointer).name = name;
    update();
}

void Gauge::setCurrentPointer(int pointer) {
    const int p = pointer == HighPointer ? HighPointer : LowPointer;
    if (p == current_) return;
    current_ = p;
    update();
    if (hasFocus()) announceFocus();
}

void Gauge::changePointer(int pointer, double value) {
    Pointer& p = at(pointer);
    if (p.value == value) return;
    p.value = value;
    update();
    if (QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, value);
        event.setChild(pointerIndex(pointer));
        QAccessible::updateAccessibility(&event);
    }
}

void Gauge::userSetPointer(int pointer, double value) {
    if (std::isnan(value)) return;
    const double before = this->pointer(pointer);
    changePointer(pointer, clamped(value));
    if (this->pointer(pointer) != before) Q_EMIT pointerMoved(pointer);
}

void Gauge::stepPointer(int pointer, int steps) {
    // From a value beyond the scale the step starts where the pointer is drawn; a step that
    // cannot move the pointer on the scale changes nothing.
    const double shown = clamped(this->pointer(pointer));
    const double next =
        std::clamp(SpinnerStep(shown - min_, steps, 0, static_cast<int>(std::lround(max_ - min_)),
                               static_cast<int>(std::lround(step_))) +
                       min_,
                   min_, max_);
    if (next != shown) userSetPointer(pointer, next);
}

double Gauge::clamped(double value) const {
    return std::clamp(value, min_, max_);
}

double Gauge::angleOf(double value) const {
    return StartAngle - SweepAngle * (clamped(value) - min_) / (max_ - min_);
}

QPointF Gauge::centre() const {
    const double side = 2 * radius() + 4;
    return {width() / 2.0, side / 2.0};
}

double Gauge::radius() const {
    return std::max(20.0, std::min(width(), height() - captionsHeight()) / 2.0 - 2);
}

int Gauge::captionsHeight() const {
    return 3 * fontMetrics().height() + 6;
}

QPointF Gauge::scalePoint(double value, double r) const {
    const double a = radians(angleOf(value));
    const double length = r * radius() * ArcShare;
    return centre() + QPointF(length * std::cos(a), -length * std::sin(a));
}

QRectF Gauge::pointerRect(int pointer) const {
    const double value = this->pointer(pointer);
    const QPointF tip = scalePoint(value, 1.02);
    const QPointF back = scalePoint(value, 1.0 / ArcShare - 0.04);
    const double half = radius() * 0.09;
    return QRectF(tip, back).normalized().adjusted(-half, -half, half, half);
}

double Gauge::valueAt(QPointF point) const {
    const QPointF d = point - centre();
    double a = std::atan2(-d.y(), d.x()) * 180.0 / std::numbers::pi; // -180..180
    if (a < 0) a += 360;
    // The gap at the bottom (225..315 degrees) belongs to the nearer end of the scale: its left
    // half to the minimum; its right half lies beyond the maximum, where the scale is clamped.
    const double share =
        a > StartAngle && a <= 270 ? 0 : (StartAngle - (a > StartAngle ? a - 360 : a)) / SweepAngle;
    const double raw = min_ + share * (max_ - min_);
    return clamped(min_ + std::round((raw - min_) / step_) * step_);
}

QString Gauge::valueText(double value) const {
    return SevenDigits(value);
}

QSize Gauge::sizeHint() const {
    return {220, 220 + captionsHeight()};
}

QSize Gauge::minimumSizeHint() const {
    return {150, 150 + captionsHeight()};
}

void Gauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c = centre();
    const double r = radius();
    const double arc = r * ArcShare;

    p.setPen(QPen(palette().color(QPalette::Mid), 1.5));
    p.setBrush(Qt::white);
    p.drawEllipse(c, r, r);

    // The band: green between the limits, pale red outside them.
    const auto band = [&](double from, double to, const QColor& colour) {
        const double a0 = angleOf(from);
        const double a1 = angleOf(to);
        if (a0 == a1) return;
        const double w = r * 0.07;
        QRectF box(c.x() - arc + w / 2, c.y() - arc + w / 2, 2 * arc - w, 2 * arc - w);
        p.setPen(QPen(colour, w, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(box, static_cast<int>(std::lround(a0 * 16)), static_cast<int>(std::lround((a1 - a0) * 16)));
    };
    const double low = std::min(pointer(LowPointer), pointer(HighPointer));
    const double high = std::max(pointer(LowPointer), pointer(HighPointer));
    band(min_, low, QColor(240, 170, 170));
    band(low, high, QColor(150, 210, 150));
    band(high, max_, QColor(240, 170, 170));

    // Ticks and numbers.
    const QColor ink(40, 40, 40);
    QFont small = font();
    small.setPointSizeF(std::max(6.5, font().pointSizeF() * std::clamp(r / 110.0, 0.75, 1.0)));
    p.setFont(small);
    // The multiples of a step on the scale, counted (a sum of steps could drift past the last one).
    const auto multiples = [this](double every) {
        std::vector<double> out;
        for (double i = std::ceil(min_ / every - 1e-9), last = std::floor(max_ / every + 1e-9); i <= last;
             ++i)
            out.push_back(i * every);
        return out;
    };
    const auto ticks = [&](double every, double inner, double widthPx) {
        p.setPen(QPen(ink, widthPx));
        for (double v : multiples(every))
            p.drawLine(scalePoint(v, 1.0), scalePoint(v, inner));
    };
    ticks(minor_, 0.93, 1);
    ticks(major_, 0.86, 2);
    std::vector<double> numbered{min_, max_};
    for (double v : multiples(major_))
        if (std::abs(v - min_) > major_ / 2 && std::abs(max_ - v) > major_ / 2) numbered.push_back(v);
    p.setPen(ink);
    const QFontMetricsF fm(small);
    for (double v : numbered) {
        // Each number sits inside its tick, as far in as its box reaches towards the centre.
        const QString text = valueText(v);
        const QSizeF size(fm.horizontalAdvance(text), fm.height() * 0.8);
        const double a = radians(angleOf(v));
        const double reach =
            std::abs(std::cos(a)) * size.width() / 2 + std::abs(std::sin(a)) * size.height() / 2;
        const QPointF at = scalePoint(v, (0.84 * arc - reach - 2) / arc);
        p.drawText(QRectF(at - QPointF(size.width() / 2, fm.height() / 2), QSizeF(size.width(), fm.height())),
                   Qt::AlignCenter, text);
    }

    // The pointers: a wedge outside the arc pointing in, each with its letter.
    for (int which : {LowPointer, HighPointer}) {
        const double v = pointer(which);
        const double a = radians(angleOf(v));
        const QPointF tip = scalePoint(v, 1.02);
        const QPointF back = scalePoint(v, 1.0 / ArcShare - 0.04);
        const QPointF across(std::sin(a) * r * 0.08, std::cos(a) * r * 0.08);
        QPainterPath wedge;
        wedge.moveTo(tip);
        wedge.lineTo(back + across);
        wedge.lineTo(back - across);
        wedge.closeSubpath();
        const QColor colour = which == LowPointer ? LowColour : HighColour;
        p.setPen(QPen(colour.darker(130), 1));
        p.setBrush(colour);
        p.drawPath(wedge);
        if (hasFocus() && which == current_) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(pointerRect(which).center(), r * 0.16, r * 0.16);
        }
    }

    // The needle.
    p.setPen(QPen(ink, std::max(2.0, r * 0.03), Qt::SolidLine, Qt::RoundCap));
    if (needle_) p.drawLine(c, scalePoint(*needle_, 0.90));
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(c, r * 0.06, r * 0.06);

    // Under the face: the live reading, then the limits; the keyboard's pointer is marked.
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(ink);
    const double lineHeight = fontMetrics().height();
    double y = c.y() + r + 2;
    p.drawText(QRectF(0, y, width(), lineHeight), Qt::AlignCenter, caption_);
    y += lineHeight + 2;
    p.setFont(font());
    for (int which : {HighPointer, LowPointer}) {
        const bool focused = hasFocus() && which == current_;
        const QString text = QStringLiteral("%1%2: %3")
                                 .arg(focused ? QStringLiteral("\u25B8 ") : QString(), pointerName(which),
                                      valueText(pointer(which)));
        p.setPen(which == LowPointer ? LowColour : HighColour);
        p.drawText(QRectF(0, y, width(), lineHeight), Qt::AlignCenter, text);
        y += lineHeight;
    }
}

void Gauge::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const QPointF at = event->position();
    const QPointF d = at - centre();
    if (std::hypot(d.x(), d.y()) < radius() * 0.5) return;
    // The pointer nearest to the press by angle, if it is near enough; on a tie the current one.
    double pressAngle = std::atan2(-d.y(), d.x()) * 180.0 / std::numbers::pi;
    int best = 0;
    double bestDistance = GrabDegrees;
    for (int which : {current_, current_ == LowPointer ? HighPointer : LowPointer}) {
        double distance = std::fmod(std::abs(angleOf(pointer(which)) - pressAngle), 360.0);
        distance = std::min(distance, 360 - distance);
        if (distance < bestDistance) {
            best = which;
            bestDistance = distance;
        }
    }
    if (!best) return;
    setCurrentPointer(best);
    dragging_ = best;
    dragStart_ = pointer(best); // the event stays accepted, as Qt delivers it
}

void Gauge::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) return;
    changePointer(dragging_, valueAt(event->position()));
}

void Gauge::mouseReleaseEvent(QMouseEvent* event) {
    if (!dragging_ || event->button() != Qt::LeftButton) return;
    changePointer(dragging_, valueAt(event->position()));
    endDrag(true);
}

// A drag ends in one notification, or none when the pointer is back where it started. Not kept
// (Escape, or the program setting the pointer meanwhile) it notifies nothing.
void Gauge::endDrag(bool keep) {
    const int which = std::exchange(dragging_, 0);
    if (!which) return;
    if (!keep) {
        changePointer(which, dragStart_);
        return;
    }
    if (pointer(which) != dragStart_) Q_EMIT pointerMoved(which);
}

// Qt hands a key over accepted; only QWidget's own handler passes it on to the parent.
void Gauge::keyPressEvent(QKeyEvent* event) {
    if (dragging_) {
        if (event->key() == Qt::Key_Escape) endDrag(false);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up:
        stepPointer(current_, 1);
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        stepPointer(current_, -1);
        break;
    case Qt::Key_PageUp:
        stepPointer(current_, 10);
        break;
    case Qt::Key_PageDown:
        stepPointer(current_, -10);
        break;
    case Qt::Key_Home:
        if (clamped(pointer(current_)) != min_) userSetPointer(current_, min_);
        break;
    case Qt::Key_End:
        if (clamped(pointer(current_)) != max_) userSetPointer(current_, max_);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void Gauge::focusInEvent(QFocusEvent* event) {
    if (event->reason() == Qt::TabFocusReason)
        current_ = LowPointer;
    else if (event->reason() == Qt::BacktabFocusReason)
        current_ = HighPointer;
    QWidget::focusInEvent(event); // which repaints: the keyboard's pointer is marked
    announceFocus();
}

void Gauge::focusOutEvent(QFocusEvent* event) {
    endDrag(true);
    QWidget::focusOutEvent(event); // which repaints
}

bool Gauge::focusNextPrevChild(bool next) {
    if (hasFocus() && next && current_ == LowPointer) {
        setCurrentPointer(HighPointer);
        return true;
    }
    if (hasFocus() && !next && current_ == HighPointer) {
        setCurrentPointer(LowPointer);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

void Gauge::announceFocus() {
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(this, QAccessible::Focus);
    event.setChild(pointerIndex(current_));
    QAccessible::updateAccessibility(&event);
}
