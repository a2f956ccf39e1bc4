#pragma once

#include <QString>

// The people side of the program: message boxes, file dialogs and opening a web address. The
// desktop program answers through real dialogs, the command-line tool through the console and
// tests through scripted answers. Every message box carries the application title as caption.
enum class MessageIcon { None, Critical, Warning, Information };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class Prompts {
public:
    virtual ~Prompts() = default;
    // details: the reason behind the message (a failure's cause and its remedy), shown on request
    // beside the text; empty for none.
    virtual MessageAnswer message(const QString& text, MessageIcon icon, MessageButtons buttons,
                                  const QString& details = {}) = 0;
    // Empty result: the user cancelled.
    virtual QString openFileName(const QString& folder, const QString& filter) = 0;
    virtual QString saveFileName(const QString& folder, const QString& filter) = 0;
    virtual void openUrl(const QString& url) = 0;
};

inline const QString kApplicationTitle = QStringLiteral("VORTANE Evaluation Software");
