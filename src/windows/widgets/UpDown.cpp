#include "windows/widgets/UpDown.h"

#include "base/NumberText.h"

#include <QKeyEvent>
#include <QVBoxLayout>

UpDown::UpDown(QLineEdit* buddy, int min, int max, int increment, QWidget* parent)
    : QWidget(parent), buddy_(buddy), min_(min), max_(max), increment_(increment) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    const auto arrow = [this, column](Qt::ArrowType type, int steps) {
        auto* b = new QToolButton(this);
        b->setArrowType(type);
        b->setAutoRepeat(true);
        // The keyboard steps through the Up and Down keys in the box itself.
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, buddy_->sizeHint().height() / 2);
        connect(b, &QToolButton::clicked, this, [this, steps] { stepBy(steps); });
        column->addWidget(b);
        return b;
    };
    upButton = arrow(Qt::UpArrow, 1);
    downButton = arrow(Qt::DownArrow, -1);
    buddy_->installEventFilter(this);
}

void UpDown::setNames(const QString& objectName) {
    setObjectName(objectName);
    upButton->setObjectName(objectName + QStringLiteral("_up"));
    downButton->setObjectName(objectName + QStringLiteral("_down"));
    const QString name = buddy_->accessibleName();
    setAccessibleName(name);
    upButton->setAccessibleName(name + QStringLiteral(" up"));
    downButton->setAccessibleName(name + QStringLiteral(" down"));
}

void UpDown::stepBy(int steps) {
    QString text = buddy_->text().trimmed();
    // A box showing more than it can say (a tach limit of ">5400000" RPM) steps from that number.
    if (text.startsWith(u'>')) text.remove(0, 1);
    const double next = SpinnerStep(LeadingNumberOrZero(text), steps, min_, max_, increment_);
    buddy_->setText(SevenDigits(next));
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
