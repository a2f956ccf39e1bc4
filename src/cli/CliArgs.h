#pragma once

#include "base/NumberText.h"

#include "metrics/BoardMetrics.h"
#include "monitoring/DataLog.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// The commands of the tool and the reading of their arguments. Everything here is checked
// before the board is touched, so that a mistyped line never reaches the chip.

enum class CommandKind {
    Probe,
    Read,
    Write,
    Dump,
    Monitor,
    Heater,
    Board,
    Batch,
    Save,
    Recall,
    Sleep,
    Watch,
    CalibrateFan,
    CheckCurve,
    CheckLimits,
    Serve
};

struct Command {
    CommandKind kind = CommandKind::Probe;
    QList<int> registers;    // read: table indices in the order given; write: the one register
    int value{};             // write: -128..255; a negative value is written as its signed byte
    std::optional<int> mask; // write: only these bits change
    bool json = false;       // dump, monitor, watch
    std::int32_t intervalMs = 1000;
    std::int64_t count{};         // monitor: samples; 0 until interrupted
    QString csvFile;              // monitor
    LogSelectionArray channels{}; // monitor: the CSV columns
    int heater{};
    int level{};
    QString file;             // batch (empty or "-": standard input), save ("-": standard output), recall
    bool onlyChanged = false; // save
    QString comment;          // save
    bool dryRun = false;      // recall
    std::int64_t sleepMs{};   // batch only
    QString eventsFile;       // monitor, watch, serve: where the run's events go
    bool untilAlarm = false;  // watch
    std::int64_t timeoutS{};  // watch: 0 until interrupted
    QList<int> outputs;       // calibrate-fan: the PWM outputs 1..4; check-curve: the one output
    int stepPercent = 10;     // calibrate-fan
    std::optional<int> nominalRpm;    // calibrate-fan
    double tolerance = 3.0;           // check-curve, percentage points
    QString reportFolder;             // calibrate-fan, check-curve, check-limits: empty for none
    ListenAddress listen;             // serve
    std::int64_t linkLossGraceS = 60; // serve: how long to go on serving after the link is lost
};

// Reads a command and its arguments (tokens[0] is the command's name). Returns an empty text,
// or what is wrong. In a batch, "sleep" is allowed and "batch" is not.
QString ParseCommand(const QStringList& tokens, bool inBatch, Command& command);

// A register by address (as ParseInteger reads it) or by its register-table name, exactly as
// the table writes it ("Configuration 1"). Gives the table index; an address names the
// register's first entry.
std::optional<int> ParseRegister(const QString& text, QString& error);

// A batch line in words: blanks separate them, double quotes group them ("Configuration 1").
QStringList SplitBatchLine(const QString& line);
