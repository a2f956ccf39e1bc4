#pragma once

#include "board/BoardIdentity.h"

#include <QString>

#include <cstdint>

// The evaluation board's interface library: the two calls through which everything reaches the
// board. A backend (simulated board, libusb, ...) implements them; only USBStuff calls them.
class USBFunctions {
public:
    virtual ~USBFunctions() = default;

    // path: zero-terminated 8-bit string, the full path of the firmware image. Negative result:
    // the download failed; zero or positive: it succeeded.
    virtual std::int16_t LoadFirmWare(const std::uint8_t* path) = 0;

    // One vendor request. direction 1: the board returns `length` bytes into buffer; direction 0:
    // no data comes back. Returns 0 on success, anything else on failure. A backend never touches
    // the buffer when a request fails.
    virtual std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                         std::int16_t direction, std::int16_t length,
                                         std::uint8_t* buffer) = 0;

    // Which board this is, as far as it is known yet (a USB board's port and serial number once
    // it has been found). The chip's address is the transport's to add.
    virtual BoardIdentity identity() const = 0;
    // Why the latest call failed, in words a person can act on (the remedy included); empty when
    // it did not fail or there is nothing to add.
    virtual QString failureReason() const = 0;
};

// Request codes, the first argument of VendorIORequest.
inline constexpr std::int16_t RegisterRequest = 222;  // 0xDE: one register read or write
inline constexpr std::int16_t BlockReadRequest = 220; // 0xDC: read of consecutive registers
inline constexpr std::int16_t BoardRequest = 221;     // 0xDD: SMBus bridge enable; board status
inline constexpr std::int16_t HeaterRequest = 218;    // 0xDA: heater level set / read
