#pragma once

#include <QCheckBox>

// A check box whose caption wraps onto further lines when its window is narrower than the caption,
// as a long caption in a small window needs. Text, keyboard, clicks and what assistive technology
// sees are the plain check box's.
class WrapCheckBox final : public QCheckBox {
    Q_OBJECT
public:
    WrapCheckBox(const QString& text, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }

private:
    // The caption's room beside the indicator, for a box of the given width.
    QRect captionRect(int width) const;
};
