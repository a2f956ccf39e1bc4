#include "monitoring/DataLog.h"

#include "base/NumberText.h"

#include <QFile>

#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t ChannelsPerGroup = 4;

bool validChannel(std::size_t k) {
    return k < LogChannelCount;
}
std::size_t groupOf(std::size_t k) {
    return k / ChannelsPerGroup;
}
std::size_t numberInGroup(std::size_t k) {
    return k % ChannelsPerGroup + 1;
}

} // namespace

QString LogChannelCaption(std::size_t k) {
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

QString LogHeaderLabel(std::size_t k) {
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

std::optional<std::int32_t> LogChannelValue(std::size_t k, const Readings& readings) {
    if (!validChannel(k)) return std::nullopt;
    const std::size_t i = numberInGroup(k) - 1;
    switch (groupOf(k)) {
    case 0:
        return readings.temperature(i);
    case 1:
        return readings.fanSpeed(i);
    default:
        return readings.dutyCycle(i);
    }
}

QString LogHeader(const LogSelectionArray& selection) {
    QString header = QStringLiteral("Time ,");
    for (std::size_t k = 0; k < LogChannelCount; ++k)
        if (selection[k]) header += LogHeaderLabel(k);
    return header;
}

QString LogLine(std::int64_t sampleCount, std::int32_t logInterval, const Readings& readings,
                const LogSelectionArray& selection) {
    // Whole milliseconds first, so that 3 * 333 ms reads .999 and not a sum of rounded steps.
    const std::int64_t milliseconds = sampleCount * logInterval;
    QString line = LogTimeText(static_cast<double>(milliseconds) / 1000.0) + u',';
    for (std::size_t k = 0; k < LogChannelCount; ++k)
        if (selection[k]) {
            if (const auto value = LogChannelValue(k, readings)) line += SignOrBlank(*value);
            line += u',';
        }
    return line;
}

QByteArray LogStartBlock(const LogSelectionArray& selection) {
    return ToWindows1252(QStringLiteral("\r\nVORTANE Log File\r\n\r\n") + LogHeader(selection) +
                         QStringLiteral("\r\n"));
}

QByteArray LogLineBytes(const QString& line) {
    return ToWindows1252(line) + QByteArrayLiteral("\r\n");
}

bool AppendToFile(const QString& fileName, const QByteArray& bytes, QString* error, AppendTo target) {
    const auto fail = [error](const QString& reason) {
        if (error) *error = reason;
        return false;
    };
    if (fileName.isEmpty()) return fail(QStringLiteral("no file name"));
    QFile file(fileName);
    // Unbuffered: the whole line reaches the system in one write call rather than in buffer-sized
    // pieces, so a crash between calls cannot leave part of a line behind.
    QIODevice::OpenMode mode = QIODevice::Append | QIODevice::WriteOnly | QIODevice::Unbuffered;
    if (target == AppendTo::ExistingFile) mode |= QIODevice::ExistingOnly;
    if (!file.open(mode)) {
        if (target == AppendTo::ExistingFile && !file.exists())
            return fail(QStringLiteral("the file no longer exists"));
        return fail(file.errorString());
    }
    const qint64 before = file.size();
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        // A write the disk took only in part leaves no error in QFile; errno says why it stopped.
        const int code = errno;
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QString::fromLocal8Bit(std::strerror(code));
        // A full disk or a size limit can take part of the line: cut it off again.
        file.resize(before);
        return fail(reason);
    }
    file.close();
    if (file.error() != QFileDevice::NoError) return fail(file.errorString());
    return true;
}
