#include "board/usb/IntelHex.h"

#include <map>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

QString hex(std::uint32_t v, int digits) {
    return QStringLiteral("%1").arg(v, digits, 16, QLatin1Char('0')).toUpper();
}

enum RecordType : int {
    Data = 0,
    EndOfFile = 1,
    ExtendedSegment = 2,
    StartSegment = 3,
    ExtendedLinear = 4,
    StartLinear = 5
};

} // namespace

HexImage ParseIntelHex(const QByteArray& file) {
    // Ctrl+Z ends a DOS text file, even on the end-of-file record's own line.
    const qsizetype dosEnd = file.indexOf('\x1A');
    const QByteArray text = dosEnd < 0 ? file : file.left(dosEnd);
    HexImage image;
    std::map<std::uint32_t, std::uint8_t> memory;
    std::uint32_t base = 0;
    bool ended = false;
    int lineNumber = 0;
    const auto fail = [&](const QString& message) {
        image.errorLine = lineNumber;
        image.error = message;
        return image;
    };

    qsizetype start = 0;
    while (start < text.size() && !ended) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0) end = text.size();
        const QByteArray line = text.mid(start, end - start).trimmed();
        start = end + 1;
        ++lineNumber;
        if (line.isEmpty()) continue;
        if (line[0] != ':') return fail(QStringLiteral("a record must start with ':'"));

        QByteArray bytes;
        for (qsizetype i = 1; i + 1 < line.size(); i += 2) {
            const int hi = hexDigit(line[i]);
            const int lo = hexDigit(line[i + 1]);
            if (hi < 0 || lo < 0)
                return fail(QStringLiteral("'%1' is not a hexadecimal digit pair")
                                .arg(QString::fromLatin1(line.mid(i, 2))));
            bytes.append(static_cast<char>(hi * 16 + lo));
        }
        if (bytes.size() < 5) return fail(QStringLiteral("the record is cut short"));
        const auto byte = [&bytes](qsizetype i) { return static_cast<std::uint8_t>(bytes[i]); };
        const int length = byte(0);
        if (bytes.size() != length + 5)
            return fail(bytes.size() < length + 5
                            ? QStringLiteral("the record is cut short (%1 data bytes announced, %2 present)")
                                  .arg(length)
                                  .arg(bytes.size() - 5)
                            : QStringLiteral("the record is longer than its %1 data bytes").arg(length));
        if (line.size() % 2 == 0) return fail(QStringLiteral("the record has a stray digit"));
        std::uint8_t sum = 0;
        for (char b : bytes)
            sum = static_cast<std::uint8_t>(sum + static_cast<std::uint8_t>(b));
        if (sum != 0) {
            const auto stored = byte(bytes.size() - 1);
            const auto expected = static_cast<std::uint8_t>(stored - sum);
            return fail(QStringLiteral("checksum 0x%1, expected 0x%2").arg(hex(stored, 2), hex(expected, 2)));
        }

        const std::uint32_t offset = static_cast<std::uint32_t>(byte(1) << 8 | byte(2));
        const int type = byte(3);
        const auto wantLength = [&](int n) { return length == n; };
        switch (type) {
        case Data:
            for (int i = 0; i < length; ++i) {
                // Within a record the offset wraps inside its 64 KiB segment.
                const std::uint32_t address = base + ((offset + static_cast<std::uint32_t>(i)) & 0xFFFF);
                const auto value = byte(4 + i);
                const auto [at, added] = memory.emplace(address, value);
                if (!added && at->second != value)
                    return fail(
                        QStringLiteral("address %1h is given two different values").arg(hex(address, 4)));
            }
            break;
        case EndOfFile:
            if (!wantLength(0)) return fail(QStringLiteral("the end-of-file record carries data"));
            ended = true;
            break;
        case ExtendedSegment:
        case ExtendedLinear:
            if (!wantLength(2)) return fail(QStringLiteral("an address record must carry two bytes"));
            base = static_cast<std::uint32_t>(byte(4) << 8 | byte(5));
            base = type == ExtendedSegment ? base << 4 : base << 16;
            break;
        case StartSegment:
        case StartLinear:
            if (!wantLength(4)) return fail(QStringLiteral("a start address record must carry four bytes"));
            break;
        default:
            return fail(
                QStringLiteral("unknown record type %1").arg(hex(static_cast<std::uint32_t>(type), 2)));
        }
    }
    if (!ended) {
        ++lineNumber;
        return fail(QStringLiteral("the image ends without its end-of-file record"));
    }
    if (memory.empty()) return fail(QStringLiteral("no data: the image has no data records"));

    for (const auto& [address, value] : memory) {
        if (image.blocks.empty() ||
            image.blocks.back().address + static_cast<std::uint32_t>(image.blocks.back().bytes.size()) !=
                address)
            image.blocks.push_back({address, {}});
        image.blocks.back().bytes.append(static_cast<char>(value));
    }
    image.ok = true;
    return image;
}
