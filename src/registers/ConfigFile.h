#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

// The configuration file (".sav"): the chip's writable registers as 8-bit text with CR LF line
// ends, shared by the desktop program's save/recall window and the command-line tool.
//
//   line 1   the maker's name            line 6   "Comment : " + comment
//   line 2   the application title       line 8   "Address" TAB "Data" TAB "Register"
//   line 4   "Saved: <date> at <time>"   line 9   "{"
//   then one "0x40<TAB>0x1<TAB> // Configuration 1" line per register, and "}".

inline const QString ConfigMakerName = QStringLiteral("Heldrix Semiconductor");

// A register value read for a save: the table index (0..99) and the byte the chip held.
struct ConfigValue {
    int index;
    int value;
};

// The table entries a save covers, in table order: every entry that is not read-only (75 of
// them; 0x7F and 0x7B appear twice, once under each of their names). The caller reads each
// register at its turn.
QList<int> ConfigRegisterIndices();

// "0x40\t0x1\t // Configuration 1": address with two upper-case hex digits, value without
// leading zeros, the register's description.
QString ConfigRegisterLine(int index, int value);

// The whole file. Entries that are read-only, and with onlyChanged those holding their default,
// get no line. The comment is trimmed of blanks; a line break in it becomes a blank so that the
// layout stays intact. Date and time are written in the locale's short formats.
QByteArray BuildConfigFile(const QList<ConfigValue>& values, bool onlyChanged, const QString& comment,
                           const QDateTime& savedAt, const QLocale& locale = QLocale());

// Why a comment cannot be saved, or empty when it can: a character the file's 8-bit character set
// lacks would be written as "?", so the first one is named with its code:
// the comment holds "Ω" (U+03A9), which a .sav file cannot hold
QString ConfigCommentRefusal(const QString& comment);

// One register write a recall makes, in file order. line: the file's line (from 1) that held
// the register's address.
struct ConfigWrite {
    int address;
    int value;
    int line;
};

// The result of reading a configuration file: every write, or the first problem and its line.
struct ConfigParse {
    QList<ConfigWrite> writes;
    QString error; // empty when the file was read to its closing "}"
    int errorLine{};
    bool ok() const { return error.isEmpty(); }
};

// Reads a recall file whole before anything is written. The header is skipped up to the line that
// holds "{" alone (in a file without one, up to the first "{"); then each line up to "}" is blank
// or a register line: "0x" + address, blanks or a TAB, "0x" + value (one or two hex digits, lower-
// case x), and optionally the comment. Line ends may be CR LF or LF. A line that does not read so,
// an address with no register or with a read-only one, and a file that ends before its "}" are
// refused with the line: the caller then writes nothing, rather than leave the chip half set.
ConfigParse ParseConfigFile(const QByteArray& bytes);

class USBStuff;

// The save's register reads: every entry ConfigRegisterIndices names, read from the chip in table
// order. Stops, short, when the link fails (the program is ending then).
QList<ConfigValue> ReadConfiguration(USBStuff& usb);

// The recall's writes, in file order, up to a failed link (which the caller learns from the link).
void WriteConfiguration(USBStuff& usb, const QList<ConfigWrite>& writes);

// Whether a save may put a file of this name in place: a name that is free, or a regular file (or
// a link to one). Anything else that exists (a FIFO, a device, a folder, a dangling link) would be
// replaced by a regular file: false, with the reason in error.
bool IsReplaceableFile(const QString& fileName, QString& error);

// Writes the file whole or not at all: a failed save leaves an earlier file of the name intact,
// and a name IsReplaceableFile refuses is left alone. False with the reason in error.
bool WriteFileWhole(const QString& fileName, const QByteArray& bytes, QString& error);
