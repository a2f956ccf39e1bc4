#pragma once

#include "board/USBStuff.h"

#include <QString>

class Clock;
class Prompts;
class USBFunctions;

// The link to the evaluation board: the clock its waits run on, the prompts through which a link
// error reaches the person, the transport, and the folder the firmware image lies in. The
// connection sequence needs no more; the session adds the program's shared state.
class BoardLink {
public:
    BoardLink(Clock& clock_, Prompts& prompts_, USBFunctions& board, QString programFolder_)
        : clock(clock_), prompts(prompts_), usb(board, prompts_), programFolder(std::move(programFolder_)) {}

    Clock& clock;
    Prompts& prompts;
    USBStuff usb;
    QString programFolder; // where the firmware image and the help page lie
    QString firmwareFile;  // the firmware image named on the command line; empty: looked for
};
