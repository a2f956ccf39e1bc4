#pragma once

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

// The arrows of a text box: each click, or the Up and Down keys in the box, steps the number in
// the box by the increment within the range and writes it back into the box. Typed text is not
// limited by it.
class UpDown final : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit* buddy, int min, int max, int increment = 1, QWidget* parent = nullptr);

    // Names the spinner and its two arrows ("UpDown1", "UpDown1_up", "UpDown1_down") and gives them
    // the box's accessible name ("... up", "... down"), so a screen reader says what they step.
    void setNames(const QString& objectName);
    void stepBy(int steps);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    int increment() const { return increment_; }

    QToolButton* upButton{};
    QToolButton* downButton{};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* buddy_{};
    int min_;
    int max_;
    int increment_;
};
