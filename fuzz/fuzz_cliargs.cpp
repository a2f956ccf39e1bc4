// Command lines and batch lines of any shape: reading them never touches a board, and a command
// read without error carries arguments within the ranges the tool promises.
#include "cli/CliArgs.h"
#include "session/BoardOptions.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Arguments separated by NUL, as the kernel hands them over; the same text as a batch line.
    const QStringList args = input.split(QChar(u'\0'));
    BoardOptions options;
    QStringList rest;
    QString error;
    if (ParseBoardOptions(args, options, rest, error) != error.isEmpty()) __builtin_trap();
    for (const QStringList& words : {rest, SplitBatchLine(input)}) {
        if (words.isEmpty()) continue;
        for (const bool inBatch : {false, true}) {
            Command command;
            if (!ParseCommand(words, inBatch, command).isEmpty()) continue;
            if (command.kind == CommandKind::Write && (command.value < -128 || command.value > 255))
                __builtin_trap();
            if (command.kind == CommandKind::Monitor &&
                (command.intervalMs < 10 || command.intervalMs > 3600000))
                __builtin_trap();
            if (command.kind == CommandKind::Heater && (command.level < 0 || command.level > 100))
                __builtin_trap();
        }
    }
    return 0;
}
