#pragma once

#include "board/i2c/SmbusAdapter.h"

#include <QFile>

#include <cstdint>
#include <memory>

class Clock;

// An adapter that writes every SMBus transaction it carries to a file, one line each, so that a
// user can see what went over the bus:
//   TIME SMBus read-byte-data ADDR REG -> STATUS [BYTE]
//   TIME SMBus write-byte-data ADDR REG BYTE -> STATUS
// time in milliseconds since the journal started, address, register and bytes in hexadecimal,
// status 0 or the error's name (ENXIO: nothing acknowledged).
class SmbusJournal final : public SmbusAdapter {
public:
    SmbusJournal(std::unique_ptr<SmbusAdapter> adapter, Clock& clock, std::unique_ptr<QFile> file);

    QString path() const override { return adapter_->path(); }
    int setAddress(int address) override;
    int readByteData(int reg) override;
    int writeByteData(int reg, std::uint8_t value) override;

private:
    int write(const QString& transfer, int result, const QByteArray& data);

    std::unique_ptr<SmbusAdapter> adapter_;
    Clock& clock_;
    std::unique_ptr<QFile> file_;
    std::int64_t startMs_;
    int address_ = -1;
};
