#pragma once

#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

class Clock;
class USBFunctions;

// What the command-line tool runs with. main() hands in the console, the system clock and the
// process's interrupt flag; tests hand in string streams, a manual clock and their own board.
struct CliEnvironment {
    QTextStream& out;
    QTextStream& err;
    Clock& clock;
    QString programFolder; // where the firmware image lies
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
    // True once the user has asked the tool to stop (Ctrl+C): a monitor ends after its sample,
    // a batch before its next line.
    std::function<bool()> interrupted = [] { return false; };
    QIODevice* input = nullptr; // standard input, for "batch -"
    // When set, the board to use whatever --board says (tests keep it to look at it afterwards).
    USBFunctions* board = nullptr;
    // Standard output as bytes, for "save -": the file goes out in its own 8-bit encoding.
    QIODevice* output = nullptr;
    // Where serve keeps the lock file that holds a board for one endpoint; empty: the user's
    // runtime folder ($XDG_RUNTIME_DIR), else the temporary folder.
    QString lockFolder = {};
};

// Runs the tool with its arguments (without the program name); returns the exit status.
int RunCli(const QStringList& args, CliEnvironment& env);

// The --help text.
QString CliUsage();
