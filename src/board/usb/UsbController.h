#pragma once

#include "board/usb/IntelHex.h"
#include "board/usb/UsbSystem.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The board's USB microcontroller has a RAM-loaded 8051 core: out of reset it enumerates with
// the loader's IDs and takes its program through the "firmware load" vendor request, which
// writes on-chip memory at wValue, while the CPU is held in reset through its control/status
// register. Released, the CPU runs the image, which re-enumerates with the board's own IDs.
// Everything specific to one controller family is here, so that another can be added.
struct RamRange {
    std::uint32_t first{};
    std::uint32_t last{};
};

struct UsbController {
    const char* name = nullptr;
    std::uint16_t cpuControl{};         // control/status register; bit 0 holds the CPU in reset
    std::array<RamRange, 2> loadable{}; // what the firmware-load request can write
    int chunkBytes{};                   // most data bytes in one firmware-load request
};

inline constexpr UsbController EzUsbFx2{"EZ-USB FX2", 0xE600, {{{0x0000, 0x3FFF}, {0xE000, 0xE1FF}}}, 1024};

inline constexpr std::uint8_t FirmwareLoadRequest = 0xA0;

// The loader's IDs are the controller's own; the running board's are set by its firmware.
inline constexpr UsbDeviceId DefaultLoaderId{0x04B4, 0x8613};
inline constexpr UsbDeviceId DefaultBoardId{0x04B4, 0x1004};

// Which board to use when several are plugged in, and by which IDs to know it.
struct UsbSelection {
    UsbDeviceId loader = DefaultLoaderId;
    UsbDeviceId board = DefaultBoardId;
    QString serial; // a running board's serial number; empty: any
    QString port;   // port path such as "1-2.3"; empty: any
};

// One firmware-load request: `data` written at `address`.
struct FirmwareWrite {
    std::uint16_t address{};
    QByteArray data;
    friend bool operator==(const FirmwareWrite&, const FirmwareWrite&) = default;
};

// The writes that load an image: CPU into reset, the image in chunks, CPU out of reset. Empty,
// with a message, when the image holds bytes the request cannot write.
std::vector<FirmwareWrite> FirmwareLoadWrites(const HexImage& image, const UsbController& controller,
                                              QString& error);
