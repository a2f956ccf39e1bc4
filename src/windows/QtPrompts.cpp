#include "windows/QtPrompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

QString QtNameFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i];
    return filters.isEmpty() ? filter : filters.join(QLatin1String(";;"));
}

MessageAnswer QtPrompts::message(const QString& text, MessageIcon icon, MessageButtons buttons,
                                 const QString& details) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case MessageIcon::Critical:
        qicon = QMessageBox::Critical;
        break;
    case MessageIcon::Warning:
        qicon = QMessageBox::Warning;
        break;
    case MessageIcon::Information:
        qicon = QMessageBox::Information;
        break;
    case MessageIcon::None:
        break;
    }
    QMessageBox box(qicon, kApplicationTitle, text,
                    buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    parent_);
    // "Show Details..." opens the reason; the text stays as the program has always shown it.
    if (!details.isEmpty()) box.setDetailedText(details);
    const int answer = box.exec();
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

std::optional<int> ChooseBoard(const QStringList& choices) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        nullptr, kApplicationTitle,
        QStringLiteral("Several evaluation boards are plugged in. Which board should the program use?"),
        choices, 0, false, &ok);
    if (!ok) return std::nullopt;
    return static_cast<int>(choices.indexOf(chosen));
}

QString QtPrompts::openFileName(const QString& folder, const QString& filter) {
    QFileDialog dialog(parent_, QString(), folder, QtNameFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a new file's name is accepted too
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString QtPrompts::saveFileName(const QString& folder, const QString& filter) {
    return QFileDialog::getSaveFileName(parent_, QString(), folder, QtNameFilter(filter));
}

void QtPrompts::openUrl(const QString& url) {
    QDesktopServices::openUrl(QUrl(url));
}
