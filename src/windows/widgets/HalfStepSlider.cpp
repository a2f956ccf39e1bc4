#include "windows/widgets/HalfStepSlider.h"

#include "base/NumberText.h"

#include <QAccessible>
#include <QAccessibleWidget>

#include <algorithm>
#include <cmath>

namespace {

// A slider's value in units for assistive technology, settable like a keyboard change.
class HalfStepSliderAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit HalfStepSliderAccessible(HalfStepSlider* slider)
        : QAccessibleWidget(slider, QAccessible::Slider) {}

    HalfStepSlider* slider() const { return static_cast<HalfStepSlider*>(widget()); }

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return SevenDigits(slider()->unitValue());
        return QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return slider()->unitValue(); }
    void setCurrentValue(const QVariant& value) override { slider()->setUnitValueByUser(value.toDouble()); }
    QVariant maximumValue() const override {
        return slider()->maximum() / (slider()->halfSteps() ? 2.0 : 1.0);
    }
    QVariant minimumValue() const override { return 0.0; }
    QVariant minimumStepSize() const override { return slider()->halfSteps() ? 0.5 : 1.0; }

    QStringList actionNames() const override {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& name) override {
        if (name == increaseAction())
            slider()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else if (name == decreaseAction())
            slider()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else
            QAccessibleWidget::doAction(name);
    }
};

QAccessibleInterface* halfStepSliderFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("HalfStepSlider") && object && object->isWidgetType())
        return new HalfStepSliderAccessible(static_cast<HalfStepSlider*>(object));
    return nullptr;
}

} // namespace

HalfStepSlider::HalfStepSlider(int maximum, bool halfSteps, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), stepsPerUnit_(halfSteps ? 2 : 1) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(halfStepSliderFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setRange(0, maximum * stepsPerUnit_);
    setSingleStep(stepsPerUnit_);
    setPageStep(10 * stepsPerUnit_);
    setTickPosition(QSlider::TicksBelow);
    setTickInterval(10 * stepsPerUnit_);
    connect(this, &QAbstractSlider::actionTriggered, this, &HalfStepSlider::snapUserMove);
    connect(this, &QAbstractSlider::valueChanged, this, &HalfStepSlider::onValueChanged);
}

int HalfStepSlider::toSteps(double units) const {
    if (!std::isfinite(units)) return minimum();
    return static_cast<int>(
        std::clamp<std::int64_t>(RoundHalfEven(units * stepsPerUnit_), minimum(), maximum()));
}

void HalfStepSlider::setUnitValue(double units) {
    fromCode_ = true;
    setValue(toSteps(units));
    fromCode_ = false;
}

void HalfStepSlider::setUnitValueByUser(double units) {
    const int steps = toSteps(units);
    if (steps == value())
        Q_EMIT userChanged(unitValue());
    else
        setValue(steps);
}

void HalfStepSlider::setReadout(QLabel* readout) {
    readout_ = readout;
    if (readout_) readout_->setText(SevenDigits(unitValue()));
}

// Runs after a user's action has moved the slider's position and before its value follows.
void HalfStepSlider::snapUserMove(int action) {
    const int position = sliderPosition();
    if (!halfSteps() || position % 2 == 0) return;
    switch (action) {
    case SliderSingleStepAdd:
    case SliderPageStepAdd:
        setSliderPosition(position - 1); // still past the value it left
        break;
    case SliderSingleStepSub:
    case SliderPageStepSub:
        setSliderPosition(position + 1);
        break;
    default: // a drag or the wheel: to the whole unit towards the value it left
        setSliderPosition(position > value() ? position - 1 : position + 1);
        break;
    }
}

void HalfStepSlider::onValueChanged() {
    if (readout_) readout_->setText(SevenDigits(unitValue()));
    if (!fromCode_) Q_EMIT userChanged(unitValue());
}
