#pragma once

#include "board/sim/SimBoard.h"
#include "board/usb/UsbController.h"
#include "board/usb/UsbSystem.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <vector>

class Clock;

// How the simulated board sits on the simulated USB bus.
struct SimUsbOptions {
    bool attached = true;
    bool running = false; // it already runs its firmware, as after an earlier start of the program
    QString port = QStringLiteral("1-2");
    QString serial = QStringLiteral("VT000001");
    UsbError openError = UsbError::None; // every open fails so (permission, busy, ...)
    std::int64_t reenumerateMs = 800;    // from the CPU's release until the board is back
    // Further devices with the board's IDs that are listed but cannot be driven: other boards.
    std::vector<UsbDevice> others;
    std::set<QString> busyPorts;    // another program holds the device at these ports
    QString loaderDriver;           // a kernel driver bound to the loader (Linux's usbtest)
    bool releaseEndsSilent = false; // the CPU-release request ends without a status: the device left
    bool imageStarts = true;        // false: released, the loader comes back instead of the board
    int leavesAtTransfer = -1;      // the device leaves the bus for good at this transfer (0: the first)
};

// One control transfer as the device saw it.
struct UsbSetup {
    std::uint8_t requestType{};
    std::uint8_t request{};
    std::uint16_t value{};
    std::uint16_t index{};
    std::uint16_t length{};
    QByteArray data; // the bytes sent (host to device)
};

// The simulated evaluation board as a USB device: before its firmware runs it is the
// microcontroller's loader, which takes an image through the firmware-load request under CPU
// reset; released, it leaves the bus and comes back with the board's IDs, and then its vendor
// requests go to the simulated board.
class SimUsbBus final : public UsbSystem {
public:
    SimUsbBus(Clock& clock, std::unique_ptr<SimBoard> board, SimUsbOptions options = {},
              UsbSelection ids = {}, const UsbController& controller = EzUsbFx2);

    std::vector<UsbDevice> devices() override;
    std::unique_ptr<UsbHandle> open(const UsbDevice& device, UsbError& error,
                                    QString* detachedDriver) override;
    bool simulated() const override { return true; }
    // The board leaves the bus and comes back, at a new address, after the re-enumeration time.
    void leaveAndReturn();

    SimBoard& board() { return *board_; }
    SimUsbOptions& options() { return options_; }
    static constexpr std::size_t LogCapacity = 100000;
    const std::deque<UsbSetup>& transfers() const { return transfers_; }
    void clearTransfers() { transfers_.clear(); }
    // What the loader holds in its memory, from address 0.
    const QByteArray& ram() const { return ram_; }

private:
    friend class SimUsbHandle;
    enum class State { Loader, Gone, Running };
    void update();
    UsbError transfer(int address, std::uint8_t requestType, std::uint8_t request, std::uint16_t value,
                      std::uint16_t index, std::uint8_t* data, std::uint16_t length, int& transferred);

    Clock& clock_;
    std::unique_ptr<SimBoard> board_;
    SimUsbOptions options_;
    UsbSelection ids_;
    const UsbController& controller_;
    State state_;
    State returning_ = State::Running; // what comes back after the device has left the bus
    int address_ = 5;                  // the device's address on the bus, new at each enumeration
    bool cpuHeld_ = false;
    int transfersTried_{};
    std::int64_t backAtMs_{};
    QByteArray ram_;
    std::deque<UsbSetup> transfers_;
};
