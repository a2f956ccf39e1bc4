#pragma once

#include "board/Declarations.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// The CSV data-log file: Windows-1252 text (the degree sign is the byte 0xB0), CR LF line ends,
// always appended to. Each start of logging appends an empty line, the title, an empty line and
// the column header; then one data line per logging interval.

using LogSelectionArray = std::array<bool, 13>; // 0..11 the channels below; 12 is never used

inline constexpr int LogChannelCount = 12;
// k = 0..3 Temp1..4, 4..7 Tach1..4, 8..11 PWM1..4 Duty
QString LogChannelCaption(std::size_t k); // "Temp1", "Tach1", "PWM1 Duty"
QString LogHeaderLabel(std::size_t k);    // "Temp1(°C) ,", "Tach1(RPM) ,", "PWM1(%) ,"
// None for a channel never read.
std::optional<std::int32_t> LogChannelValue(std::size_t k, const Readings& readings);

// "Time ," followed by the label of every selected channel.
QString LogHeader(const LogSelectionArray& selection);
// Line n (n = LogSampleCount before it is incremented): the nominal time n * interval / 1000 s,
// then every selected value with a blank (or minus sign) before it, each followed by a comma. A
// channel never read leaves its field empty, so a spreadsheet shows a gap rather than a false 0.
QString LogLine(std::int64_t sampleCount, std::int32_t logInterval, const Readings& readings,
                const LogSelectionArray& selection);

// The bytes appended at a start: CR LF, "VORTANE Log File", CR LF, CR LF, header, CR LF.
QByteArray LogStartBlock(const LogSelectionArray& selection);
// A line as bytes with its CR LF.
QByteArray LogLineBytes(const QString& line);

// Whether an append may create the file. A data line goes only to a log that still exists: one
// removed or moved away while logging is reported, not started afresh without its header.
enum class AppendTo { NewOrExistingFile, ExistingFile };

// Opens the file for appending, writes the bytes, closes it. False on failure, with the reason in
// error when given. The bytes go out in one write call, and a write the disk takes only in part
// is cut off again, so a log always ends on a whole line.
bool AppendToFile(const QString& fileName, const QByteArray& bytes, QString* error = nullptr,
                  AppendTo target = AppendTo::NewOrExistingFile);
