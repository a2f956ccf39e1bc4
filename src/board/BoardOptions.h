#pragma once

#include "board/sim/SimBoard.h"

#include <QString>
#include <QStringList>

#include <memory>

class Clock;
class USBFunctions;

// Board selection and simulator set-up, shared by the desktop program and the command-line tool.
struct BoardOptions {
    QString board = QStringLiteral("sim");
    SimOptions sim;
    QString journalFile;
    QString settingsFile;
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
