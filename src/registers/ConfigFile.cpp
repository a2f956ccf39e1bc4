#include "registers/ConfigFile.h"

#include "base/NumberText.h"
#include "base/Prompts.h"
#include "board/USBStuff.h"
#include "registers/RegMapStuff.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

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

} // namespace

QList<int> ConfigRegisterIndices() {
    QList<int> indices;
    for (int i = 0; i < RegisterCount; ++i)
        if (!RegisterAt(i).ReadOnly) indices.append(i);
    return indices;
}

QString ConfigRegisterLine(int index, int value) {
    const RegisterEntry& e = RegisterAt(index);
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
    for (const ConfigValue& v : values) {
        if (v.index < 0 || v.index >= RegisterCount) continue;
        const RegisterEntry& e = RegisterAt(v.index);
        if (e.ReadOnly) continue;
        if (onlyChanged && v.value == e.Default) continue;
        lines << ConfigRegisterLine(v.index, v.value);
    }
    lines << QStringLiteral("}");
    return ToWindows1252(lines.join(QLatin1String("\r\n")) + QStringLiteral("\r\n"));
}

QString ConfigCommentRefusal(const QString& comment) {
    const std::optional<char32_t> c = FirstNotInWindows1252(comment);
    if (!c) return {};
    return QStringLiteral("the comment holds \"%1\" (U+%2), which a .sav file cannot hold")
        .arg(QString::fromUcs4(&*c, 1), QString::number(*c, 16).toUpper().rightJustified(4, u'0'));
}

namespace {

// The lines of a file without their line ends (LF or CR LF); a last line without a line end is
// kept, and flagged, since a copy cut short ends inside it.
struct Lines {
    QList<QByteArray> lines;
    bool lastIsCut = false;
};

Lines splitLines(const QByteArray& bytes) {
    Lines result;
    result.lines = bytes.split('\n');
    if (result.lines.size() > 1 && result.lines.constLast().isEmpty())
        result.lines.removeLast();
    else
        result.lastIsCut = !bytes.isEmpty();
    for (QByteArray& line : result.lines)
        if (line.endsWith('\r')) line.chop(1);
    return result;
}

// A register line: "0x" with the address, blanks or a TAB, "0x" with the value, then nothing or
// the comment after a blank or "//". Lower-case x only, one or two hex digits each.
const QRegularExpression& registerLinePattern() {
    static const QRegularExpression pattern(
        QStringLiteral("^[ \\t]*0x([0-9A-Fa-f]{1,2})[ \\t]+0x([0-9A-Fa-f]{1,2})(?:[ \\t].*|//.*)?$"));
    return pattern;
}

// line is 1-based: even an empty file splits into one (empty) line, so a line count names one too.
ConfigParse refuse(int line, const QString& message) {
    ConfigParse result;
    result.error = message;
    result.errorLine = line;
    return result;
}

} // namespace

ConfigParse ParseConfigFile(const QByteArray& bytes) {
    const Lines file = splitLines(bytes);
    const auto& lines = file.lines;
    const int lineCount = static_cast<int>(lines.size());

    // The register list starts after the line that holds "{" alone, as every saved file has it: a
    // "{" in the comment then cannot start the list early. A file without such a line starts after
    // its first "{", whatever follows it on that line.
    auto opening = std::ranges::find_if(lines, [](const QByteArray& l) { return l.trimmed() == "{"; });
    if (opening == lines.end())
        opening = std::ranges::find_if(lines, [](const QByteArray& l) { return l.contains('{'); });
    if (opening == lines.end()) return refuse(lineCount, QStringLiteral("no \"{\" starts the register list"));

    ConfigParse result;
    for (int i = static_cast<int>(opening - lines.begin()) + 1; i < lineCount; ++i) {
        const QByteArray& line = lines[i];
        const QByteArray trimmed = line.trimmed();
        const int number = i + 1;
        if (trimmed.startsWith('}')) return result;
        if (file.lastIsCut && i == lineCount - 1 && !trimmed.isEmpty())
            return refuse(number, QStringLiteral("the file ends inside the register line"));
        if (trimmed.isEmpty()) continue;
        const QRegularExpressionMatch m = registerLinePattern().match(QString::fromLatin1(line));
        if (!m.hasMatch())
            return refuse(number, QStringLiteral("the line does not hold a register address and value"));
        const int address = m.captured(1).toInt(nullptr, 16);
        const int value = m.captured(2).toInt(nullptr, 16);
        const std::optional<int> index = FindRegisterByAddress(address);
        const QString addressText =
            QStringLiteral("0x") + HexText(static_cast<std::uint32_t>(address)).rightJustified(2, u'0');
        if (!index) return refuse(number, QStringLiteral("no register at address %1").arg(addressText));
        const RegisterEntry& entry = RegisterAt(*index);
        if (entry.ReadOnly)
            return refuse(
                number,
                QStringLiteral("register %1 (%2) is read-only").arg(addressText, RegisterName(entry)));
        result.writes.append(ConfigWrite{address, value, number});
    }
    return refuse(lineCount, QStringLiteral("the file ends before its closing \"}\""));
}

QList<ConfigValue> ReadConfiguration(USBStuff& usb) {
    QList<ConfigValue> values;
    for (const int index : ConfigRegisterIndices()) {
        const int value = usb.ReadRegister(usb.DeviceAddress, RegisterAt(index).Address);
        if (usb.linkHeld()) break;
        values.append(ConfigValue{index, value});
    }
    return values;
}

void WriteConfiguration(USBStuff& usb, const QList<ConfigWrite>& writes) {
    for (const ConfigWrite& w : writes) {
        std::int32_t value = w.value;
        usb.WriteRegister(usb.DeviceAddress, w.address, value);
        if (usb.linkHeld()) return;
    }
}

bool IsReplaceableFile(const QString& fileName, QString& error) {
    const QFileInfo info(fileName);
    if ((info.exists() || info.isSymLink()) && !info.isFile()) {
        error = QStringLiteral("it is not a regular file");
        return false;
    }
    return true;
}

bool WriteFileWhole(const QString& fileName, const QByteArray& bytes, QString& error) {
    if (!IsReplaceableFile(fileName, error)) return false;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    // commit() overlooks a flush that fails while it closes, and would then put a file cut short in
    // place of the earlier one: the bytes are flushed, and checked, before it.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        // A disk that took the bytes only in part leaves no error text in QFile; errno says why.
        error = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
