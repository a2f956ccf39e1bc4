#pragma once

#include "board/sim/SimBoard.h"
#include "board/usb/UsbController.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class Clock;
class USBFunctions;
class UsbSystem;

// Board selection and simulator set-up, shared by the desktop program and the command-line tool.
// board: "auto" (the one evaluation board on USB, else the simulated board), "sim", "usb" (the
// evaluation board), "i2c:/dev/i2c-N" (a bare chip on a host's SMBus adapter); "usb:sim" and
// "i2c:sim" run those backends over a simulated bus.
struct BoardOptions {
    QString board = QStringLiteral("auto");
    SimOptions sim;
    UsbSelection usb;
    QString journalFile;
    QString settingsFile;
    QString firmwareFile; // --firmware: the image to download; empty: looked for
    // Where a hardware backend tells what went wrong in detail (the program shows only its
    // short link-error message); standard error when empty.
    std::function<void(const QString&)> report;
    // Where it tells the steps worth knowing (a kernel driver detached, the board auto chose).
    std::function<void(const QString&)> verbose;
    // Under "auto" with several boards on USB: the index of the choice to use (the last is the
    // simulated board), nothing when the user gave up. Not set: several boards are refused.
    std::function<std::optional<int>(const QStringList& choices)> chooseBoard;
    // How USB is reached: libusb, or a simulated bus in tests.
    std::function<std::unique_ptr<UsbSystem>(QString& error)> openUsb;
};

// Why CreateBoard made no board.
enum class BoardFailure {
    Usage,       // the options cannot work together, or several boards and none chosen
    Unavailable, // the board or adapter cannot be opened
    Cancelled,   // the user gave up choosing
};

// Parses the board options out of args (without the program name). Arguments it does not know
// are left in `rest`, in order. Returns false with a message on a malformed board option.
bool ParseBoardOptions(const QStringList& args, BoardOptions& options, QStringList& rest, QString& error);

// The usage text of the board options, for --help.
QString BoardOptionsHelp();

// The chosen backend. For the simulated board, `sim` receives it so that callers can reach its
// journal. Returns nullptr with a message, and why in `failure`, when there is no board to use.
std::unique_ptr<USBFunctions> CreateBoard(const BoardOptions& options, Clock& clock, SimBoard** sim,
                                          QString& error, BoardFailure* failure = nullptr);
