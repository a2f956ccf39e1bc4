#pragma once

#include "board/i2c/SmbusAdapter.h"

#include <QString>
#include <QStringList>

#include <memory>

// An SMBus adapter through the kernel's i2c-dev interface (/dev/i2c-N).
class LinuxI2cDev final : public SmbusAdapter {
public:
    // nullptr, with the reason and what to do about it, when the adapter cannot be used.
    static std::unique_ptr<LinuxI2cDev> open(const QString& path, QString& error);
    ~LinuxI2cDev() override;
    LinuxI2cDev(const LinuxI2cDev&) = delete;
    LinuxI2cDev& operator=(const LinuxI2cDev&) = delete;

    QString path() const override { return path_; }
    int setAddress(int address) override;
    int readByteData(int reg) override;
    int writeByteData(int reg, std::uint8_t value) override;

private:
    LinuxI2cDev(int fd, QString path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    QString path_;
};

// The SMBus transfers the chip needs that an adapter's I2C_FUNCS lack, as "SMBus read-byte-data";
// empty when it has them all.
QStringList MissingSmbusFunctions(unsigned long functions);
