#pragma once

#include <QWidget>

// A two-state status lamp: off is a green disc with a tick ("OK"), on a red triangle with an
// exclamation mark ("Alarm"), so the states differ in shape as well as colour. It takes the
// keyboard focus so that a screen-reader user can step through the lamps and hear each state;
// for assistive technology it is a read-only text whose text and value are that state, and a change of state
// is announced.
class Lamp final : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);

    bool isOn() const { return on_; }
    void setOn(bool on);
    // "OK" or "Alarm".
    QString stateText() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool on_ = false;
};
