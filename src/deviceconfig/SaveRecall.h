#pragma once

#include <QString>

class PollingCycle;
class Session;

// Saving the chip's configuration to a ".sav" file and recalling one, as the save/recall window
// does it, through the same file code as the command-line tool. The polling cycle is held still
// while the chip is read for a save (through the save dialog until the file is written) and while
// a recall writes, so none of its requests comes between theirs.

inline const QString ConfigFileFilter = QStringLiteral("Text Files (*.sav)|*.sav");

// A name typed without an extension gets ".sav", so that the recall dialog's filter shows it.
QString WithSavExtension(const QString& fileName);

// Reads every register a save covers, asks for the file and writes it whole (an earlier file of
// the name stays intact when the write fails, and a name that is not a regular file is refused).
// A file that cannot be written is shown in a message naming it and the reason; a comment the
// file cannot hold is refused in a message before anything is read. True when the file was
// written.
bool SaveConfiguration(Session& s, PollingCycle& polling, const QString& comment, bool onlyChanged);

// Asks for a file and reads it whole first: a file that cannot be read, or one that does not
// read to its closing "}" in the layout of a saved file, is shown in a message with the line and
// nothing is written. Otherwise every register line is written in file order and the status
// text reads "Recalled N registers from FILE". True when the writes went out.
bool RecallConfiguration(Session& s, PollingCycle& polling);
