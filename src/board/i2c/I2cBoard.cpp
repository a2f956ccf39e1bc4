#include "board/i2c/I2cBoard.h"

#include "board/BoardStatus.h"

#include <QStringList>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

namespace {

QString addressText(int address) {
    return QString::number(address, 16).toUpper() + QLatin1Char('h');
}

// How adapters report that no device acknowledged its address.
bool noAcknowledge(int error) {
    return error == -ENXIO || error == -EREMOTEIO || error == -EIO;
}

} // namespace

I2cBoard::I2cBoard(std::unique_ptr<SmbusAdapter> adapter, Report report)
    : adapter_(std::move(adapter)), report_(std::move(report)) {}

std::int16_t I2cBoard::LoadFirmWare(const std::uint8_t*) {
    return 0;
}

BoardIdentity I2cBoard::identity() const {
    const QString path = adapter_->path();
    return {BoardIdentity::Kind::Smbus, path.isEmpty(), {}, {}, path, {}};
}

void I2cBoard::tell(const QString& text) {
    reason_ = text;
    if (text == lastTold_) return;
    lastTold_ = text;
    if (report_) report_(text);
}

std::int16_t I2cBoard::failed(const QString& what, int error) {
    tell(QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(-error))));
    return 1;
}

int I2cBoard::select(int address) {
    if (address == selected_) return 0;
    if (address < 0x03 || address > 0x77) return -EINVAL;
    const int status = adapter_->setAddress(address);
    if (status == 0) selected_ = address;
    return status;
}

std::int16_t I2cBoard::readRegister(int address, int reg, std::uint8_t* buffer) {
    int result = select(address);
    if (result == -EBUSY) {
        // The search looks at four addresses; one a kernel driver owns is not ours to take.
        tell(QStringLiteral("the SMBus address %1 belongs to a kernel driver and is left alone (unbind the "
                            "driver to use the chip there)")
                 .arg(addressText(address)));
        if (!answered_.count(address)) {
            buffer[0] = 0xFF;
            return 0;
        }
    }
    if (result == 0) result = adapter_->readByteData(reg & 0xFF);
    if (result >= 0) {
        answered_.insert(address);
        buffer[0] = static_cast<std::uint8_t>(result);
        return 0;
    }
    // Where no chip acknowledges the bus floats high; the search expects that to read as a byte,
    // not as a failure, and the reason is kept for the message should no chip be found at all.
    // A chip that has answered before and stops is a failure.
    if (noAcknowledge(result) && !answered_.count(address)) {
        silent_.insert(address);
        QStringList silent;
        for (const int a : silent_)
            silent << addressText(a);
        const QString path = adapter_->path();
        reason_ = path.isEmpty()
                      ? QStringLiteral("no acknowledge from %1 on the simulated adapter (--sim-chips "
                                       "sets where chips answer)")
                            .arg(silent.join(QLatin1String(", ")))
                      : QStringLiteral("no acknowledge from %1 on %2 (check the address with "
                                       "i2cdetect -y %3)")
                            .arg(silent.join(QLatin1String(", ")), path, path.section(QLatin1Char('-'), -1));
        buffer[0] = 0xFF;
        return 0;
    }
    return failed(QStringLiteral("reading register %1h at %2 failed")
                      .arg(QString::number(reg & 0xFF, 16).toUpper(), addressText(address)),
                  result);
}

std::int16_t I2cBoard::blockRead(int address, int first, int count, std::uint8_t* buffer) {
    std::array<std::uint8_t, 65> data{};
    // A negative count converts to a size far beyond the buffer.
    if (static_cast<std::size_t>(count) > data.size()) return 1;
    int result = select(address);
    // Read into a copy: a failure leaves the caller's buffer as it was, so a failed byte stored
    // here never leaves.
    for (int at = 0; result >= 0 && at < count; ++at) {
        result = adapter_->readByteData((first + at) & 0xFF);
        data[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(result);
    }
    if (result < 0)
        return failed(QStringLiteral("reading %1 registers from %2h at %3 failed")
                          .arg(count)
                          .arg(QString::number(first & 0xFF, 16).toUpper(), addressText(address)),
                      result);
    std::memcpy(buffer, data.data(), static_cast<std::size_t>(count));
    return 0;
}

std::int16_t I2cBoard::VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                       std::int16_t direction, std::int16_t length, std::uint8_t* buffer) {
    reason_.clear();
    if (length > 0 && !buffer) return 1;
    switch (request) {
    case RegisterRequest:
        if (direction == 1 && length == 1) return readRegister(value, index, buffer);
        if (direction == 0) {
            // The index carries the register in bits 0..7 and the value in bits 8..15.
            const int reg = index & 0xFF;
            int result = select(value);
            if (result == 0)
                result = adapter_->writeByteData(reg, static_cast<std::uint8_t>((index >> 8) & 0xFF));
            if (result < 0)
                return failed(QStringLiteral("writing register %1h at %2 failed")
                                  .arg(QString::number(reg, 16).toUpper(), addressText(value)),
                              result);
            return 0;
        }
        return 1;
    case BlockReadRequest:
        return direction == 1 ? blockRead(value, index, length, buffer) : std::int16_t(1);
    case BoardRequest:
        if (direction == 0) return 0; // the adapter needs no bridge enabled
        if (length >= 0) {
            std::array<std::uint8_t, 6> status{};
            status[5] = BareChipMark;
            std::copy_n(status.begin(), std::min<int>(length, 6), buffer);
            return 0;
        }
        return 1;
    case HeaterRequest:
        tell(QStringLiteral(
            "there are no heaters: the chip is on an SMBus adapter, not on the evaluation board"));
        return 1;
    default:
        return 1;
    }
}
