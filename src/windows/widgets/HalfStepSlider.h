#pragma once

#include <QLabel>
#include <QPointer>
#include <QSlider>

// A horizontal slider from 0 to a maximum in whole units, or in half units for values the board
// reports in halves (a heater's level, which the board gives as twice the level). Its value is in
// units (37.5). A value set from code is silent; every change by the mouse, the keyboard or
// assistive technology is reported through userChanged, once per value it passes through. With
// half units the user's own moves still land on whole units (the board takes whole levels only);
// assistive technology may set any half.
class HalfStepSlider final : public QSlider {
    Q_OBJECT
public:
    HalfStepSlider(int maximum, bool halfSteps, QWidget* parent = nullptr);

    double unitValue() const { return value() / double(stepsPerUnit_); }
    bool halfSteps() const { return stepsPerUnit_ == 2; }
    // From code: moves the slider to the nearest step within range, without userChanged.
    void setUnitValue(double units);
    // A user's set from outside the widget (assistive technology): reported even when the slider
    // stands at that value already, since the user asked for the value to be sent.
    void setUnitValueByUser(double units);
    // A label that shows the value as text ("37.5"), kept up to date by the slider.
    void setReadout(QLabel* readout);

Q_SIGNALS:
    void userChanged(double units);

private:
    int toSteps(double units) const;
    void snapUserMove(int action);
    void onValueChanged();

    int stepsPerUnit_;
    bool fromCode_ = false;
    QPointer<QLabel> readout_;
};
