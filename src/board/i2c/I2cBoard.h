#pragma once

#include "board/USBFunctions.h"
#include "board/i2c/SmbusAdapter.h"

#include <QString>

#include <functional>
#include <memory>
#include <set>

// A bare chip on a host's SMBus adapter, standing in for the evaluation board: register
// requests become SMBus byte-data transfers at the requested address, and so does each register
// of a block read, since a chip need not advance its register pointer during an I2C block read
// (ten byte reads at 100 kHz take about 4 ms). There is no board firmware to load and no bridge to enable, so
// both succeed at once; there are no heaters, so heater requests fail; the board status says that no board is
// there.
class I2cBoard final : public USBFunctions {
public:
    using Report = std::function<void(const QString&)>;
    I2cBoard(std::unique_ptr<SmbusAdapter> adapter, Report report);

    std::int16_t LoadFirmWare(const std::uint8_t* path) override;
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length, std::uint8_t* buffer) override;
    BoardIdentity identity() const override;
    QString failureReason() const override { return reason_; }

    SmbusAdapter& adapter() { return *adapter_; }

private:
    int select(int address);
    std::int16_t readRegister(int address, int reg, std::uint8_t* buffer);
    std::int16_t blockRead(int address, int first, int count, std::uint8_t* buffer);
    std::int16_t failed(const QString& what, int error);
    void tell(const QString& text);

    std::unique_ptr<SmbusAdapter> adapter_;
    Report report_;
    int selected_ = -1;
    std::set<int> answered_; // addresses where a chip has acknowledged
    std::set<int> silent_;   // addresses where nothing has
    QString lastTold_;
    QString reason_;
};
