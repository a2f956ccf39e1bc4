#pragma once

#include <QString>

#include <cstdint>

// The few calls a chip on a host's SMBus adapter needs, so that the backend runs over Linux
// i2c-dev and over a simulated bus alike. Failures return a negative errno value. There are no
// block transfers: a chip need not advance its register pointer within one, so consecutive
// registers are read one by one.
class SmbusAdapter {
public:
    virtual ~SmbusAdapter() = default;
    // The adapter's device, "/dev/i2c-1"; empty for a simulated adapter.
    virtual QString path() const = 0;
    // Addresses the transfers that follow to a 7-bit address. -EBUSY: a kernel driver has it.
    virtual int setAddress(int address) = 0;
    // The register's value, 0..255.
    virtual int readByteData(int reg) = 0;
    virtual int writeByteData(int reg, std::uint8_t value) = 0;
};
