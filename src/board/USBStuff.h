#pragma once

#include "board/Declarations.h"
#include "board/USBFunctions.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

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

    std::int32_t DeviceAddress{}; // the chip's 7-bit SMBus address, 0 until found
    // Shared by every request that returns data; never cleared, so a failed or short request
    // leaves the earlier bytes in place and the caller decodes those.
    std::array<std::uint8_t, 65> TransferBuffer{};
    FlagsOneToFour ManualControl; // output n is under manual control (BHVn clear)
    FlagsOneToFour GpioEnabled;   // GPIO pin n is enabled (ENn set)
    QString FirmwarePath;
    // The folders the firmware image was looked for in, when it was found in none of them.
    QStringList FirmwareSearched;

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
    // Fills TransferBuffer with registers first .. first+count-1 and returns the status. A failed
    // read leaves the buffer as it was: callers that keep readings keep their last good values.
    std::int16_t ReadBlock(std::int32_t first, std::int32_t count);
    // A block read whose bytes fill a window's controls: a failure is a link error (code 3), since
    // controls filled from stale bytes would be written back to the chip by the next Apply.
    // False when it failed; the program is ending then.
    bool ReadBlockOrFail(std::int32_t first, std::int32_t count);
    // level is the caller's variable, brought into 0..100 before sending.
    std::int16_t SetHeater(std::int32_t heater, std::int32_t& level);
    std::int16_t SetHeater(std::int32_t heater, std::int32_t&& level) { return SetHeater(heater, level); }
    // Levels in TransferBuffer bytes 0 and 1 (twice the heaters' levels).
    std::int16_t ReadHeaterLevels();
    // Six bytes of board status into TransferBuffer. Returns the status; a failure is not a link
    // error (the buffer then keeps its earlier bytes).
    std::int16_t ReadBoardInfo();
    // Enables the board's SMBus bridge; returns the status (start-up retries on failure).
    std::int16_t EnableSmbus();
    // Hands the firmware image's path to the library: firmwareFile when given, else the first
    // image found in FirmwareFolders(programFolder), else the one the program's folder would hold.
    std::int16_t DownloadFirmware(const QString& programFolder, const QString& firmwareFile = {});
    // Refreshes ManualControl after a write of 0x68/0x69 and GpioEnabled after one of 0x7F.
    void RefreshControlFlags(std::int32_t reg);

    // Shows the code's message, with the reason behind it as its details: `reason` (what the
    // connection sequence found, also told through `report`) followed by the backend's own. Then,
    // unless code 5 is answered No, ends the program through the program-end handler. From the moment it is
    // called no request reaches the board: while the message is up (its event loop runs timers) requests are
    // refused and the polling cycle holds still; code 5 answered No lets both go on again.
    void ShowLinkError(int code, const QString& reason = {});
    // Where the board link tells a reason it found itself (the backends tell theirs): standard
    // error in the programs.
    std::function<void(const QString&)> report;

    // The board in use, with the chip's address once it has been found.
    BoardIdentity boardIdentity() const;
    // Why the backend's latest call failed, with its remedy; empty when there is nothing to add.
    QString failureReason() const { return library_.failureReason(); }

    // Observers of the link, for the session's event log: a register write that went out (the
    // byte the chip received, and what the register held before where the program had read or
    // written it), and a link error as it is raised, before its message.
    std::function<void(std::int32_t reg, int value, std::optional<int> old)> onRegisterWritten;
    std::function<void(int code)> onLinkError;
    // The chip register's value as last read or written over this link; none when never seen.
    std::optional<int> knownValue(std::int32_t reg) const;

    // Runs when a link error ends the program: unload every window, then end the process with a
    // non-zero status. Tests install one that records the call instead of ending.
    std::function<void(int code)> onProgramEnd;
    bool linkClosed() const { return linkClosed_; }
    // Ends the link without a message: nothing more reaches the board (a cancelled connection).
    void closeLink() { linkClosed_ = true; }
    // True while a link-error message is on screen.
    bool linkErrorShowing() const { return errorShowing_; }
    // No request may go out: the link is closed or its error is being shown.
    bool linkHeld() const { return linkClosed_ || errorShowing_; }
    // Requests that reached the board, and those of them it answered with a failure.
    std::uint64_t requestsSent() const { return requestsSent_; }
    std::uint64_t requestsFailed() const { return requestsFailed_; }

    // The firmware path as the library receives it: 8-bit codes and a terminating zero.
    const std::array<std::uint8_t, 513>& firmwarePathBuffer() const { return firmwarePathBuffer_; }

private:
    std::int16_t request(std::int16_t req, std::int32_t value, std::int32_t index, std::int16_t direction,
                         std::int16_t length, std::uint8_t* buffer);
    void remember(std::int32_t address, std::int32_t reg, int value);

    USBFunctions& library_;
    Prompts& prompts_;
    bool linkClosed_ = false;
    std::uint64_t requestsSent_{};
    std::uint64_t requestsFailed_{};
    bool errorShowing_ = false;
    bool fatalWhileShowing_ =
        false; // a request failed under the message: the link is lost whatever the answer
    std::array<std::uint8_t, 513> firmwarePathBuffer_{};
    std::array<std::int16_t, 256> known_ = [] {
        std::array<std::int16_t, 256> unknown{};
        unknown.fill(-1);
        return unknown;
    }();
};
