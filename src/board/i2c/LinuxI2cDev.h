#pragma once

#include "board/i2c/SmbusAdapter.h"

#include <QString>

#include <memory>

// An SMBus adapter through the kernel's i2c-dev interface (/dev/i2c-N).
class LinuxI2cDev final : public SmbusAdapter {
public:
    // nullptr, with the reason and what to do about it, when the adapter cannot be used.
    static std::unique_ptr<LinuxI2cDev> open(const QString& path, QString& error);
    ~LinuxI2cDev() override;
    LinuxI2cDev(const LinuxI2cDev&) = delete;
    LinuxI2cDev& operator=(const LinuxI2cDev&) = delete;

    bool canReadI2cBlock() const override { return blockReads_; }
    int setAddress(int address) override;
    int readByteData(int reg) override;
    int writeByteData(int reg, std::uint8_t value) override;
    int readI2cBlock(int reg, int count, std::uint8_t* out) override;

private:
    LinuxI2cDev(int fd, bool blockReads) : fd_(fd), blockReads_(blockReads) {}
    int fd_;
    bool blockReads_;
};
