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
    return ToWindows1252(QStringLiteral("\r\nVORTANE Log File\r\n\r\n") + LogHeader(selection) +
                       QStringLiteral("\r\n"));
}

QByteArray LogLineBytes(const QString& line) {
    return ToWindows1252(line) + QByteArrayLiteral("\r\n");
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
