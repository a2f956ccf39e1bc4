#include "monitoring/DataLog.h"

#include "base/NumberText.h"

#include <QFile>

namespace {

constexpr int ChannelsPerGroup = 4;

bool validChannel(int k) {
    return k >= 0 && k < LogChannelCount;
}
int groupOf(int k) {
    return k / ChannelsPerGroup;
}
int numberInGroup(int k) {
    return k % ChannelsPerGroup + 1;
}

// Windows-1252 differs from Latin-1 only in 0x80..0x9F, where it puts these characters.
constexpr char16_t Cp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                     0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                     0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                     0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char toWindows1252(char16_t u) {
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<char>(u);
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] != 0 && Cp1252High[i] == u) return static_cast<char>(0x80 + i);
    return '?';
}

QByteArray windows1252(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar c : text)
        bytes.append(toWindows1252(c.unicode()));
    return bytes;
}

} // namespace

QString LogChannelCaption(int k) {
    if (!validChannel(k)) return {};
    const QString n = QString::number(numberInGroup(k));
    switch (groupOf(k)) {
    case 0:
        return QStringLiteral("Temp") + n;
    case 1:
        return QStringLiteral("Tach") + n;
    default:
        return QStringLiteral("PWM") + n + QStringLiteral(" Duty");
    }
}

QString LogHeaderLabel(int k) {
    if (!validChannel(k)) return {};
    const QString n = QString::number(numberInGroup(k));
    switch (groupOf(k)) {
    case 0:
        return QStringLiteral("Temp") + n + QStringLiteral("(°C) ,");
    case 1:
        return QStringLiteral("Tach") + n + QStringLiteral("(RPM) ,");
    default:
        return QStringLiteral("PWM") + n + QStringLiteral("(%) ,");
    }
}

std::int32_t LogChannelValue(int k, const Readings& readings) {
    if (!validChannel(k)) return 0;
    const auto i = static_cast<std::size_t>(numberInGroup(k) - 1);
    switch (groupOf(k)) {
    case 0:
        return readings.Temperatures[i];
    case 1:
        return readings.FanSpeeds[i];
    default:
        return readings.DutyCycles[i];
    }
}

QString LogHeader(const LogSelectionArray& selection) {
    QString header = QStringLiteral("Time ,");
    for (int k = 0; k < LogChannelCount; ++k)
        if (selection[static_cast<std::size_t>(k)]) header += LogHeaderLabel(k);
    return header;
}

QString LogLine(std::int32_t sampleCount, std::int32_t logInterval, const Readings& readings,
                const LogSelectionArray& selection) {
    // Whole milliseconds first, so that 3 * 333 ms reads .999 and not a sum of rounded steps.
    const std::int64_t milliseconds = static_cast<std::int64_t>(sampleCount) * logInterval;
    QString line = LogTimeText(static_cast<double>(milliseconds) / 1000.0) + u',';
    for (int k = 0; k < LogChannelCount; ++k)
        if (selection[static_cast<std::size_t>(k)]) line += SignOrBlank(LogChannelValue(k, readings)) + u',';
    return line;
}

QByteArray LogStartBlock(const LogSelectionArray& selection) {
    return windows1252(QStringLiteral("\r\nVORTANE Log File\r\n\r\n") + LogHeader(selection) +
                       QStringLiteral("\r\n"));
}

QByteArray LogLineBytes(const QString& line) {
    return windows1252(line) + QByteArrayLiteral("\r\n");
}

bool AppendToFile(const QString& fileName, const QByteArray& bytes) {
    if (fileName.isEmpty()) return false;
    QFile file(fileName);
    if (!file.open(QIODevice::Append | QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) return false;
    // Writes are buffered: a full disk shows only when the buffer goes out.
    if (!file.flush()) return false;
    file.close();
    return file.error() == QFileDevice::NoError;
}
