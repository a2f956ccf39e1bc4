#pragma once

#include "board/Declarations.h"
#include "board/USBStuff.h"

#include <QString>

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
};
