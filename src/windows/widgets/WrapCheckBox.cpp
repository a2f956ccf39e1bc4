#include "windows/widgets/WrapCheckBox.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace {
constexpr int WrapFlags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;
}

WrapCheckBox::WrapCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QRect WrapCheckBox::captionRect(int width) const {
    QStyleOptionButton option;
    initStyleOption(&option);
    option.rect = QRect(0, 0, width, height());
    const int indicator = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this).left();
    return QRect(indicator, 0, std::max(1, width - indicator), height());
}

int WrapCheckBox::heightForWidth(int width) const {
    const QRect room = captionRect(width);
    const int textHeight =
        fontMetrics().boundingRect(QRect(0, 0, room.width(), 10000), WrapFlags, text()).height();
    return std::max(QCheckBox::sizeHint().height(), textHeight + 4);
}

QSize WrapCheckBox::minimumSizeHint() const {
    // Narrow enough for the longest word beside the indicator.
    int longestWord = 0;
    for (const QString& word : text().split(u' ', Qt::SkipEmptyParts))
        longestWord = std::max(longestWord, fontMetrics().horizontalAdvance(word));
    const int width = captionRect(0).left() + longestWord + 2;
    return {width, heightForWidth(width)};
}

void WrapCheckBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    option.text.clear(); // the indicator and the focus frame; the caption follows, wrapped
    painter.drawControl(QStyle::CE_CheckBox, option);
    painter.drawItemText(captionRect(width()), WrapFlags, option.palette, isEnabled(), caption,
                         QPalette::WindowText);
}
