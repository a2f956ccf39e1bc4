#include "support/ScriptedPrompts.h"

MessageAnswer ScriptedPrompts::message(const QString& text, MessageIcon icon, MessageButtons buttons,
                                       const QString& details) {
    messages.append({text, icon, buttons, details});
    if (whileShown) whileShown();
    if (!answers.isEmpty()) return answers.takeFirst();
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

QString ScriptedPrompts::openFileName(const QString&, const QString& filter) {
    dialogFilters.append(filter);
    if (whileDialogOpen) whileDialogOpen();
    return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
}

QString ScriptedPrompts::saveFileName(const QString& folder, const QString& filter) {
    return openFileName(folder, filter);
}

void ScriptedPrompts::openUrl(const QString& url) {
    openedUrls.append(url);
}
