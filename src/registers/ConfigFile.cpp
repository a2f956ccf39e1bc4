#include "registers/ConfigFile.h"

#include "base/NumberText.h"
#include "base/Prompts.h"
#include "registers/RegMapStuff.h"

namespace {

QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

// Reads the file one character at a time, as the recall always has, counting lines.
class Reader {
  public:
    explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}

    // False at the end of the file.
    bool next(char& c) {
        if (pos_ >= bytes_.size()) return false;
        c = bytes_[pos_++];
        if (c == '\n') ++line_;
        return true;
    }
    bool skipTo(char marker) {
        char c = 0;
        while (next(c))
            if (c == marker) return true;
        return false;
    }
    // Two characters read as hexadecimal, up to the first one that is not a hex digit.
    bool hexByte(int& value) {
        char c[2] = {};
        if (!next(c[0]) || !next(c[1])) return false;
        value = static_cast<int>(LeadingHex(QString::fromLatin1(c, 2)));
        return true;
    }
    int line() const { return line_; }
    // The line to name when the file ends here: the last one that holds anything.
    int lineAtEnd() const { return line_ > 1 && bytes_.endsWith('\n') ? line_ - 1 : line_; }

  private:
    const QByteArray& bytes_;
    qsizetype pos_ = 0;
    int line_ = 1;
};

ConfigParse failure(const Reader& reader, const QString& message) {
    ConfigParse result;
    result.error = message;
    result.errorLine = reader.lineAtEnd();
    return result;
}

} // namespace

QList<int> ConfigRegisterIndices() {
    QList<int> indices;
    const RegisterTable& table = BuildRegisterTable();
    for (int i = 0; i < RegisterCount; ++i)
        if (!table[static_cast<std::size_t>(i)].ReadOnly) indices.append(i);
    return indices;
}

QString ConfigRegisterLine(int index, int value) {
    const RegisterEntry& e = BuildRegisterTable().at(static_cast<std::size_t>(index));
    return QStringLiteral("0x") + HexText(static_cast<std::uint32_t>(e.Address)).rightJustified(2, u'0') +
           QStringLiteral("\t0x") + HexText(static_cast<std::uint32_t>(value & 0xFF)) +
           QStringLiteral("\t // ") + RegisterDescription(e);
}

QByteArray BuildConfigFile(const QList<ConfigValue>& values, bool onlyChanged, const QString& comment,
                           const QDateTime& savedAt, const QLocale& locale) {
    QString flatComment = comment;
    flatComment.replace(QLatin1String("\r\n"), QLatin1String(" "));
    flatComment.replace(u'\r', u' ');
    flatComment.replace(u'\n', u' ');

    QStringList lines;
    lines << ConfigMakerName << kApplicationTitle << QString()
          << QStringLiteral("Saved: ") + locale.toString(savedAt.date(), QLocale::ShortFormat) +
                 QStringLiteral(" at ") + locale.toString(savedAt.time(), QLocale::ShortFormat)
          << QString() << QStringLiteral("Comment : ") + trimBlanks(flatComment) << QString()
          << QStringLiteral("Address\tData\tRegister") << QStringLiteral("{");
    const RegisterTable& table = BuildRegisterTable();
    for (const ConfigValue& v : values) {
        if (v.index < 0 || v.index >= RegisterCount) continue;
        const RegisterEntry& e = table[static_cast<std::size_t>(v.index)];
        if (e.ReadOnly) continue;
        if (onlyChanged && v.value == e.Default) continue;
        lines << ConfigRegisterLine(v.index, v.value);
    }
    lines << QStringLiteral("}");
    return ToWindows1252(lines.join(QLatin1String("\r\n")) + QStringLiteral("\r\n"));
}

namespace {
// Where the register list starts: after the line that holds "{" alone, as every saved file has
// it. A "{" in the comment then cannot start the list early, where an "x" of the comment (or an
// empty list) would be misread. A file without such a line starts after its first "{".
qsizetype listMarkerLine(const QByteArray& bytes) {
    for (qsizetype at = bytes.indexOf('{'); at >= 0; at = bytes.indexOf('{', at + 1)) {
        const bool lineStart = at == 0 || bytes[at - 1] == '\n';
        const QByteArray rest = bytes.mid(at + 1, 2);
        if (lineStart && (rest.startsWith('\n') || rest == "\r\n")) return at;
    }
    return -1;
}
} // namespace

ConfigParse ParseConfigFile(const QByteArray& bytes) {
    Reader reader(bytes);
    const qsizetype marker = listMarkerLine(bytes);
    if (marker >= 0) {
        char c = 0;
        for (qsizetype i = 0; i <= marker; ++i) reader.next(c);
    } else if (!reader.skipTo('{')) {
        return failure(reader, QStringLiteral("no \"{\" starts the register list"));
    }
    if (!reader.skipTo('\n'))
        return failure(reader, QStringLiteral("the file ends before its closing \"}\""));

    ConfigParse result;
    for (;;) {
        // The first character of a line: "}" ends the list, anything else (the "0" of "0x") is passed.
        char first = 0;
        if (!reader.next(first))
            return failure(reader, QStringLiteral("the file ends before its closing \"}\""));
        if (first == '}') break;
        if (!reader.skipTo('x'))
            return failure(reader, QStringLiteral("the file ends before its closing \"}\""));
        const int line = reader.line();
        int address = 0;
        int value = 0;
        if (!reader.hexByte(address) || !reader.skipTo('x') || !reader.hexByte(value) || !reader.skipTo('\n'))
            return failure(reader, QStringLiteral("the file ends inside the register line"));
        result.writes.append(ConfigWrite{address, value, line});
    }
    return result;
}
