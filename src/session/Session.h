#pragma once

#include "board/BoardLink.h"
#include "board/Declarations.h"
#include "session/AlarmOptions.h"
#include "session/Events.h"

#include <QString>

#include <functional>

// Everything the program shares, owned by the application (or a test) and handed by reference
// to whatever needs it: the link to the board (clock, prompts, transport) and the shared state.
class Session : public BoardLink {
public:
    Session(Clock& clock, Prompts& prompts, USBFunctions& board, QString programFolder);

    Declarations decl;
    Readings readings;
    PollingOptions options;
    AlarmOptions alarmOptions;
    // Every event of the session: register writes and link errors are recorded by the transport's
    // hooks, the rest by what causes them. While logging, each carries the data log's time.
    EventStream events{clock};
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

// Sets only the defaults of the shared state (no chip access).
void SetDefaultValues(Session& session);

// The program's defaults, the control-flag caches from the chip, and a free-wheel test.
void InitDefaults(Session& session);
