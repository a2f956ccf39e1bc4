#pragma once

#include <cstdint>

// The few calls a chip on a host's SMBus adapter needs, so that the backend runs over Linux
// i2c-dev and over a simulated bus alike. Failures return a negative errno value.
class SmbusAdapter {
public:
    virtual ~SmbusAdapter() = default;
    // The adapter can read up to 32 consecutive registers in one I2C block read.
    virtual bool canReadI2cBlock() const = 0;
    // Addresses the transfers that follow to a 7-bit address. -EBUSY: a kernel driver has it.
    virtual int setAddress(int address) = 0;
    // The register's value, 0..255.
    virtual int readByteData(int reg) = 0;
    virtual int writeByteData(int reg, std::uint8_t value) = 0;
    // Reads `count` (at most 32) registers from `reg` on into out; returns the bytes read.
    virtual int readI2cBlock(int reg, int count, std::uint8_t* out) = 0;
};
