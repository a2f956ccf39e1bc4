#include "windows/Named.h"

#include "windows/widgets/UpDown.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

QString Indexed(const char* name, std::size_t i) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i);
}

namespace {
// A caption as it is spoken: without the access key's marker ("&Run:" is "Run:", "&&" is "&").
QString spoken(const QString& caption) {
    QString out;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
        out += caption[i];
    }
    return out;
}
} // namespace

QLabel* LabelFor(QLabel* label, QWidget* control) {
    label->setBuddy(control);
    control->setAccessibleName(spoken(label->text()));
    // An editable list takes the focus in its own text box, which a screen reader announces alone.
    if (auto* list = qobject_cast<QComboBox*>(control); list && list->lineEdit())
        list->lineEdit()->setAccessibleName(spoken(label->text()));
    return label;
}

QLabel* LabelFor(QWidget* control, const QString& name, const QString& caption, QWidget* parent) {
    return LabelFor(Named(new QLabel(caption, parent), name), control);
}

QHBoxLayout* BoxWithSpinner(QLineEdit* box, UpDown* spinner) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(box);
    row->addWidget(spinner);
    row->addStretch(1);
    return row;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (QPushButton* b : buttons)
        row->addWidget(b);
    return row;
}

void SetTabOrder(const QList<QWidget*>& order) {
    for (qsizetype k = 1; k < order.size(); ++k)
        QWidget::setTabOrder(order[k - 1], order[k]);
}
