#include "board/i2c/SmbusJournal.h"

#include "base/Clock.h"

#include <cstring>

namespace {

QString hex(int value) {
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

SmbusJournal::SmbusJournal(std::unique_ptr<SmbusAdapter> adapter, Clock& clock, std::unique_ptr<QFile> file)
    : adapter_(std::move(adapter)), clock_(clock), file_(std::move(file)), startMs_(clock.nowMs()) {}

int SmbusJournal::write(const QString& transfer, int result, const QByteArray& data) {
    QString line =
        QStringLiteral("%1 SMBus %2 -> %3")
            .arg(clock_.nowMs() - startMs_)
            .arg(transfer, result < 0 ? QString::fromLatin1(strerrorname_np(-result)) : QStringLiteral("0"));
    if (result >= 0 && !data.isEmpty()) line += u' ' + QString::fromLatin1(data.toHex(' ').toUpper());
    file_->write(line.toUtf8() + '\n');
    file_->flush();
    return result;
}

int SmbusJournal::setAddress(int address) {
    // Only an ioctl on the host: nothing goes over the bus until a transfer.
    const int result = adapter_->setAddress(address);
    if (result == 0) address_ = address;
    return result;
}

int SmbusJournal::readByteData(int reg) {
    const int result = adapter_->readByteData(reg);
    return write(QStringLiteral("read-byte-data %1 %2").arg(hex(address_), hex(reg)), result,
                 QByteArray(1, static_cast<char>(result)));
}

int SmbusJournal::writeByteData(int reg, std::uint8_t value) {
    return write(QStringLiteral("write-byte-data %1 %2 %3").arg(hex(address_), hex(reg), hex(value)),
                 adapter_->writeByteData(reg, value), {});
}
