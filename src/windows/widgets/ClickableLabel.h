#pragma once

#include <QLabel>

// A label that works as a button: it shows a pointing hand and a frame, takes keyboard focus
// (Tab), and is clicked by the mouse or by Space or Enter. For assistive technology it is a button,
// or, once setOnOffText is on, a check box that is checked whenever its text is not "0".
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

    void setOnOffText(bool on) { onOff_ = on; }
    bool isOnOffText() const { return onOff_; }
    // Sets the text and tells assistive technology when the on/off state changes with it.
    void setValueText(const QString& text);

    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool onOff_ = false;
    bool pressed_ = false;
};
