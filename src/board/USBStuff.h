#pragma once

#include "board/Declarations.h"
#include "board/USBFunctions.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

class Prompts;

// Link error codes, the argument of ShowLinkError.
enum LinkErrorCode : int {
    FirmwareDownloadFailed = 0,
    SmbusEnableFailed = 1,
    InitialConnectionFailed = 2,
    CommunicationsInterrupted = 3,
    DeviceNotFound = 4,
    HeaterModuleError = 5,
};

// The message ShowLinkError shows for a code, empty for codes without one.
QString LinkErrorMessage(int code);

// The one transport: every exchange with the chip and the board goes through here.
class USBStuff {
public:
    USBStuff(USBFunctions& library, Prompts& prompts);

    std::int32_t DeviceAddress = 0; // the chip's 7-bit SMBus address, 0 until found
    // Shared by every request that returns data; never cleared, so a failed or short request
    // leaves the earlier bytes in place and the caller decodes those.
    std::array<std::uint8_t, 65> TransferBuffer{};
    FlagsOneToFour ManualControl; // output n is under manual control (BHVn clear)
    FlagsOneToFour GpioEnabled;   // GPIO pin n is enabled (ENn set)
    QString FirmwarePath;

    // Register value 0..255 in byte 0 of TransferBuffer. A failed read ends the program.
    int ReadRegister(std::int32_t address, std::int32_t reg);
    // value is the caller's variable: above 255 it is lowered to 255 before sending. Negative
    // values pass unchanged; index = value * 256 + reg in 32-bit arithmetic, so the chip gets
    // the low eight bits of the value's two's complement (bits 16..31 of the index are ignored
    // by the board). Returns the status; a failed write ends the program.
    std::int16_t WriteRegister(std::int32_t address, std::int32_t reg, std::int32_t& value);
    std::int16_t WriteRegister(std::int32_t address, std::int32_t reg, std::int32_t&& value) {
        return WriteRegister(address, reg, value);
    }
    // Fills TransferBuffer with registers first .. first+count-1. The status is not examined.
    void ReadBlock(std::int32_t first, std::int32_t count);
    // level is the caller's variable, brought into 0..100 before sending.
    std::int16_t SetHeater(std::int32_t heater, std::int32_t& level);
    std::int16_t SetHeater(std::int32_t heater, std::int32_t&& level) { return SetHeater(heater, level); }
    // Levels in TransferBuffer bytes 0 and 1 (twice the heaters' levels).
    std::int16_t ReadHeaterLevels();
    // Six bytes of board status into TransferBuffer; the status is not examined.
    void ReadBoardInfo();
    // Enables the board's SMBus bridge; returns the status (start-up retries on failure).
    std::int16_t EnableSmbus();
    // Hands the firmware image's path (in the program's folder) to the library.
    std::int16_t DownloadFirmware(const QString& programFolder);
    // Refreshes ManualControl after a write of 0x68/0x69 and GpioEnabled after one of 0x7F.
    void RefreshControlFlags(std::int32_t reg);

    // Shows the code's message; then, unless code 5 is answered No, ends the program through the
    // program-end handler. From that moment no request reaches the board.
    void ShowLinkError(int code);

    // Runs when a link error ends the program: unload every window, then end the process with a
    // non-zero status. Tests install one that records the call instead of ending.
    std::function<void(int code)> onProgramEnd;
    bool linkClosed() const { return linkClosed_; }

    // The firmware path as the library receives it: 8-bit codes and a terminating zero.
    const std::array<std::uint8_t, 513>& firmwarePathBuffer() const { return firmwarePathBuffer_; }

private:
    std::int16_t request(std::int16_t req, std::int32_t value, std::int32_t index, std::int16_t direction,
                         std::int16_t length, std::uint8_t* buffer);

    USBFunctions& library_;
    Prompts& prompts_;
    bool linkClosed_ = false;
    std::array<std::uint8_t, 513> firmwarePathBuffer_{};
};
