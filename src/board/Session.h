#pragma once

#include "board/Declarations.h"
#include "board/USBStuff.h"

#include <QString>

#include <functional>

class Clock;
class Prompts;
class USBFunctions;

// Everything the program shares, owned by the application (or a test) and handed by reference
// to whatever needs it: the clock, the prompts, the transport and the shared state.
class Session {
public:
    Session(Clock& clock, Prompts& prompts, USBFunctions& board, QString programFolder);

    Clock& clock;
    Prompts& prompts;
    USBStuff usb;
    Declarations decl;
    Readings readings;
    PollingOptions options;
    QString programFolder; // where the firmware image and the help page lie
    // Where the file dialogs (log, save, recall) start: the program's folder when it is writable,
    // else the user's documents folder (an installed program's folder is not).
    QString dialogFolder() const;

    // The first panel of the main window's status bar ("Logging Enabled", "Ready", ...). Any
    // window sets it here; the main window shows it through onStatusText.
    void setStatusText(const QString& text);
    const QString& statusText() const { return statusText_; }
    std::function<void(const QString&)> onStatusText;

private:
    QString statusText_;
};
