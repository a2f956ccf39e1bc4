#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// One run of consecutive bytes of a firmware image.
struct HexBlock {
    std::uint32_t address{};
    QByteArray bytes;
};

// An Intel HEX image read whole: its data as ascending, non-adjacent runs, or the first fault
// with the number (from 1) of the line that holds it.
struct HexImage {
    bool ok = false;
    std::vector<HexBlock> blocks;
    int errorLine{};
    QString error;
};

// Reads data (00), end-of-file (01), extended segment (02) and extended linear (04) address
// records; start address records (03, 05) are accepted and ignored, since a RAM-loaded core starts
// at its reset vector. Every record's checksum is verified. Whatever follows the end-of-file
// record (a DOS end-of-file Ctrl+Z, comments a tool appends) is not read, as the common loaders
// do. The image is refused, and no data is returned, for any malformed line before it, a missing
// end-of-file record (a truncated copy), an image without data, or two records that give one
// address different bytes.
HexImage ParseIntelHex(const QByteArray& text);

// The image files the loader accepts are small; anything larger is not a firmware image.
inline constexpr qint64 MaxHexFileBytes = 1024LL * 1024;
