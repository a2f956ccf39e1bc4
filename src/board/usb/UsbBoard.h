#pragma once

#include "board/USBFunctions.h"
#include "board/usb/UsbController.h"
#include "board/usb/UsbSystem.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

// The evaluation board on a USB port: each vendor request is one vendor control transfer to the
// device, and the firmware download loads the image into the board's microcontroller. The board
// is looked for when the firmware is downloaded and, after that, wherever it comes back on the
// bus; what goes wrong on the way is told in detail through `report`, while the program shows
// its own short message.
class UsbBoard final : public USBFunctions {
public:
    using Report = std::function<void(const QString&)>;
    // verbose: the steps worth knowing when something goes wrong later (a kernel driver detached).
    UsbBoard(std::unique_ptr<UsbSystem> system, UsbSelection selection, Report report, Report verbose = {},
             const UsbController& controller = EzUsbFx2);
    ~UsbBoard() override;

    // A board that already runs its firmware (the program was restarted) is used as it is;
    // otherwise the image is read and checked whole before anything is sent to the board.
    std::int16_t LoadFirmWare(const std::uint8_t* path) override;
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length, std::uint8_t* buffer) override;
    BoardIdentity identity() const override { return identity_; }
    QString failureReason() const override { return reason_; }

    UsbSystem& system() { return *system_; }

    static constexpr unsigned RequestTimeoutMs = 1000;

private:
    struct Found {
        UsbDevice device;
        bool running = false;
        std::unique_ptr<UsbHandle> handle; // opened already when a serial number had to be read
    };
    bool find(Found& found);
    std::unique_ptr<UsbHandle> open(const UsbDevice& device, QString* detachedDriver = nullptr);
    bool useRunning(Found& found);
    QString lookedFor() const;
    void tell(const QString& text);

    std::unique_ptr<UsbSystem> system_;
    UsbSelection selection_;
    Report report_;
    Report verbose_;
    const UsbController& controller_;
    std::unique_ptr<UsbHandle> handle_; // never kept past the device's leaving the bus
    QString loadedPort_;                // where the board that took its firmware will come back
    QString lastTold_;
    QString reason_;
    BoardIdentity identity_;
};

// A board on USB as the choice among several shows it.
struct UsbBoardInfo {
    enum class State { NeedsFirmware, Running, Busy, NoAccess };
    UsbDevice device;
    QString serial; // a running board's; one without its firmware has none yet
    State state = State::NeedsFirmware;
    // "USB board 1-4.2 (serial VT01): running"
    QString text() const;
};

// Every evaluation board on the bus, by port: at the loader's IDs or the running board's. A
// running board is opened for its serial number, and closed again.
std::vector<UsbBoardInfo> ListUsbBoards(UsbSystem& system, const UsbSelection& ids);
