#pragma once

#include "monitoring/DataLog.h"

#include <QString>

#include <array>

class Session;

// Starting and stopping the data log, as the data logging window's one button does it. The
// polling cycle writes the data lines in between (PollingCycle, task Logging).

inline const QString LogFileFilter = QStringLiteral("Log Files (*.csv)|*.csv");

using TickedChannels = std::array<bool, LogChannelCount>;

// With logging stopped: asks for the file (a new name is accepted), takes the ticked channels
// as LogSelection, refuses a start with no channel or with an interval LogInterval cannot hold,
// appends the start block, then sets LogInterval from the typed text, LoggingActive, a sample
// count of 0 and the status "Logging Enabled", and records "logging started". Every refusal and a file that
// cannot be written is shown in a message, and logging stays stopped; a cancelled dialog ends it quietly.
// True when logging runs.
bool StartLogging(Session& s, const TickedChannels& ticked, const QString& intervalText);

// Records "logging stopped" (with the lines written), then logging off and the status "Ready".
// Nothing is open between lines, so nothing is closed.
void StopLogging(Session& s);
