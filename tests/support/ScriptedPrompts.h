#pragma once

#include "base/Prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Prompts for tests: records every message and answers from a script (default Ok / Yes).
class ScriptedPrompts final : public Prompts {
public:
    struct Shown {
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
        QString details;
        bool operator==(const Shown&) const = default;
    };

    MessageAnswer message(const QString& text, MessageIcon icon, MessageButtons buttons,
                          const QString& details = {}) override {
        messages.append({text, icon, buttons, details});
        if (whileShown) whileShown();
        if (!answers.isEmpty()) return answers.takeFirst();
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
    QString openFileName(const QString&, const QString& filter) override {
        dialogFilters.append(filter);
        if (whileDialogOpen) whileDialogOpen();
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
    QString saveFileName(const QString& f, const QString& filter) override { return openFileName(f, filter); }
    void openUrl(const QString& url) override { openedUrls.append(url); }

    QList<Shown> messages;
    QList<MessageAnswer> answers; // consumed in order; when empty Ok / Yes is answered
    QStringList fileNames;        // consumed in order by the file dialogs; when empty: cancel
    QStringList dialogFilters;    // filters the file dialogs were shown with
    QStringList openedUrls;
    // Runs while a message is up, before its answer: a test spins the event loop here, as a message box does.
    std::function<void()> whileShown;
    // Runs while a file dialog is up, as timers fire under a real dialog's event loop.
    std::function<void()> whileDialogOpen;
};

// A failed QCOMPARE of messages shows their text.
inline char* toString(const ScriptedPrompts::Shown& m) {
    return qstrdup(qPrintable(m.text));
}
