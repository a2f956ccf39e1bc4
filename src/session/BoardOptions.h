#pragma once

#include "board/sim/SimBoard.h"
#include "board/usb/UsbController.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class Clock;
class USBFunctions;

// Board selection and simulator set-up, shared by the desktop program and the command-line tool.
// board: "sim", "usb" (the evaluation board), "i2c:/dev/i2c-N" (a bare chip on a host's SMBus
// adapter); "usb:sim" and "i2c:sim" run those backends over a simulated bus.
struct BoardOptions {
    QString board = QStringLiteral("sim");
    SimOptions sim;
    UsbSelection usb;
    QString journalFile;
    QString settingsFile;
    // Where a hardware backend tells what went wrong in detail (the program shows only its
    // short link-error message); standard error when empty.
    std::function<void(const QString&)> report;
};

// Parses the board options out of args (without the program name). Arguments it does not know
// are left in `rest`, in order. Returns false with a message on a malformed board option.
bool ParseBoardOptions(const QStringList& args, BoardOptions& options, QStringList& rest, QString& error);

// The usage text of the board options, for --help.
QString BoardOptionsHelp();

// The chosen backend. For the simulated board, `sim` receives it so that callers can reach its
// journal. Returns nullptr with a message when the board cannot be opened.
std::unique_ptr<USBFunctions> CreateBoard(const BoardOptions& options, Clock& clock, SimBoard** sim,
                                          QString& error);
