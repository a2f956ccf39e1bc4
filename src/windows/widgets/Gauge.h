#pragma once

#include <QString>
#include <QWidget>

#include <array>
#include <optional>

// A round scale over 270 degrees with a needle for a live reading and two pointers that the user
// sets, a low and a high limit. The program sets all three and reads the pointers; the user moves
// a pointer by dragging it, or by keyboard: the arrows move the current pointer one step, Page Up
// and Page Down ten, Home and End to the scale's ends, and Tab goes from the low pointer to the
// high one before it leaves the gauge. A value set from code never notifies; a move by the user
// notifies once (at the end of a drag, on each key step, on an assistive technology's set).
// Values outside the scale are drawn at its end but kept as they are.
//
// For assistive technology the gauge is a dial whose value is the needle's, with the two pointers
// as settable sliders named by setPointerName.
class Gauge final : public QWidget {
    Q_OBJECT
public:
    static constexpr int LowPointer = 2;
    static constexpr int HighPointer = 3;

    // From minimum to a maximum above it; numbers at every multiple of `major` (and at both ends),
    // ticks at every multiple of `minor`, both steps positive.
    Gauge(double minimum, double maximum, double major, double minor, QWidget* parent = nullptr);

    double minimum() const { return min_; }
    double maximum() const { return max_; }
    // What one arrow key moves a pointer (positive, 1 unless set); a drag also moves in whole steps
    // from the minimum.
    void setStep(double step);
    double step() const { return step_; }

    // None: no reading to point at, and no needle is drawn.
    std::optional<double> needle() const { return needle_; }
    void setNeedle(std::optional<double> value);
    QString caption() const { return caption_; }
    void setCaption(const QString& text);

    double pointer(int pointer) const;
    void setPointer(int pointer, double value);
    QString pointerName(int pointer) const;
    void setPointerName(int pointer, const QString& name);
    // The pointer the keys move.
    int currentPointer() const { return current_; }
    void setCurrentPointer(int pointer);

    // The user's moves: kept within the scale; notify when the value changed.
    void userSetPointer(int pointer, double value);
    void stepPointer(int pointer, int steps);

    // Where a value lies on the scale, in widget coordinates; `radius` 1 is the scale's arc.
    QPointF scalePoint(double value, double radius = 1.0) const;
    // The pointer's marker, in widget coordinates.
    QRectF pointerRect(int pointer) const;
    // The value under a point of the widget, in whole steps and within the scale.
    double valueAt(QPointF point) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void pointerMoved(int pointer);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct Pointer {
        double value{};
        QString name;
    };
    Pointer& at(int pointer);
    const Pointer& at(int pointer) const;
    double clamped(double value) const;
    double angleOf(double value) const; // degrees, counter-clockwise from 3 o'clock
    QPointF centre() const;
    double radius() const;
    int captionsHeight() const; // the three caption lines below the dial
    QString valueText(double value) const;
    void changePointer(int pointer, double value); // repaints and tells assistive technology
    void announceFocus();
    void endDrag(bool keep);

    const double min_;
    const double max_;
    const double major_;
    const double minor_;
    double step_ = 1;
    std::optional<double> needle_;
    QString caption_;
    std::array<Pointer, 2> pointers_{};
    int current_ = LowPointer;
    int dragging_{}; // the pointer being dragged, 0 for none
    double dragStart_{};
};
