#include "board/usb/UsbBoard.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::uint8_t VendorOut = 0x40; // vendor request to the device, host to device
constexpr std::uint8_t VendorIn = 0xC0;  // vendor request to the device, device to host

} // namespace

QString UsbBoardInfo::text() const {
    static const char* const states[] = {"needs firmware", "running", "busy: held by another program",
                                         "no permission: install the udev rule"};
    const BoardIdentity board{BoardIdentity::Kind::Usb, false, device.port, serial, {}, 0};
    return board.text() + QStringLiteral(": ") + QLatin1String(states[static_cast<int>(state)]);
}

std::vector<UsbBoardInfo> ListUsbBoards(UsbSystem& system, const UsbSelection& ids) {
    std::vector<UsbBoardInfo> boards;
    for (const UsbDevice& d : system.devices()) {
        if (d.id == ids.loader) {
            boards.push_back({d, {}, UsbBoardInfo::State::NeedsFirmware});
            continue;
        }
        if (d.id != ids.board) continue;
        UsbError error = UsbError::None;
        const auto handle = system.open(d, error, nullptr);
        const auto state = handle                      ? UsbBoardInfo::State::Running
                           : error == UsbError::Access ? UsbBoardInfo::State::NoAccess
                                                       : UsbBoardInfo::State::Busy;
        boards.push_back({d, handle ? handle->serialNumber() : QString(), state});
    }
    std::ranges::sort(boards, {}, [](const UsbBoardInfo& b) { return b.device.port; });
    return boards;
}

UsbBoard::UsbBoard(std::unique_ptr<UsbSystem> system, UsbSelection selection, Report report, Report verbose,
                   const UsbController& controller)
    : system_(std::move(system)), selection_(std::move(selection)), report_(std::move(report)),
      verbose_(std::move(verbose)), controller_(controller),
      identity_{BoardIdentity::Kind::Usb, system_->simulated(), selection_.port, {}, {}, {}} {}

UsbBoard::~UsbBoard() = default;

void UsbBoard::tell(const QString& text) {
    reason_ = text;
    // Start-up retries a request many times; one line says it.
    if (text == lastTold_) return;
    lastTold_ = text;
    if (report_) report_(text);
}

QString UsbBoard::lookedFor() const {
    QString text = QStringLiteral("looked for USB %1 (the board before its firmware runs) and %2 (the board "
                                  "running its firmware)")
                       .arg(UsbIdText(selection_.loader), UsbIdText(selection_.board));
    if (!selection_.port.isEmpty()) text += QStringLiteral(" at port %1").arg(selection_.port);
    if (!selection_.serial.isEmpty()) text += QStringLiteral(" with serial number %1").arg(selection_.serial);
    return text;
}

std::unique_ptr<UsbHandle> UsbBoard::open(const UsbDevice& device, QString* detachedDriver) {
    UsbError error = UsbError::None;
    auto handle = system_->open(device, error, detachedDriver);
    if (!handle)
        tell(
            QStringLiteral("cannot open the board (%1): %2").arg(UsbDeviceText(device), UsbErrorText(error)));
    return handle;
}

bool UsbBoard::find(Found& found) {
    const bool comingBack = !loadedPort_.isEmpty();
    const QString port = comingBack ? loadedPort_ : selection_.port;
    const std::vector<UsbDevice> all = system_->devices();
    std::vector<UsbDevice> ours;
    std::vector<Found> candidates;
    QStringList unasked; // running boards that could not be asked their serial number
    bool loaders = false;
    for (const UsbDevice& d : all) {
        const bool loader = d.id == selection_.loader;
        const bool board = d.id == selection_.board;
        if (!loader && !board) continue;
        ours.push_back(d);
        loaders = loaders || loader;
        if (!port.isEmpty() && d.port != port) continue;
        if (board) {
            std::unique_ptr<UsbHandle> handle;
            if (!selection_.serial.isEmpty()) {
                // A board another program holds cannot say its serial number: passed over, as the
                // one wanted is free whenever it is not in use.
                UsbError error = UsbError::None;
                handle = system_->open(d, error, nullptr);
                if (!handle) unasked << QStringLiteral("%1 (%2)").arg(UsbDeviceText(d), UsbErrorText(error));
                if (!handle || handle->serialNumber() != selection_.serial) continue;
            }
            candidates.push_back({d, true, std::move(handle)});
        } else if (!comingBack && selection_.serial.isEmpty()) {
            // A board straight from the plug has no serial number yet: only its port can pick it.
            candidates.push_back({d, false, nullptr});
        }
    }
    if (candidates.size() == 1) {
        found = std::move(candidates.front());
        return true;
    }
    QStringList listed;
    if (candidates.empty() && comingBack) {
        // What is at the port instead says what went wrong: the loader again means the image
        // did not start.
        for (const UsbDevice& d : all)
            if (d.port == loadedPort_)
                listed << UsbIdText(d.id) +
                              (d.id == selection_.loader
                                   ? QStringLiteral(" (the loader again: the image did not start)")
                                   : QString());
        tell(QStringLiteral("the board has not come back as %1 at port %2 after its firmware download; at "
                            "that port now: %3")
                 .arg(UsbIdText(selection_.board), loadedPort_,
                      listed.isEmpty() ? QStringLiteral("nothing") : listed.join(QLatin1String(", "))));
        return false;
    }
    if (candidates.empty()) {
        for (const UsbDevice& d : ours)
            listed << UsbDeviceText(d) +
                          (d.id == selection_.loader ? QStringLiteral(" (without firmware)") : QString());
        QString text = QStringLiteral("no evaluation board found: %1; USB devices with these IDs: %2")
                           .arg(lookedFor(),
                                listed.isEmpty() ? QStringLiteral("none") : listed.join(QLatin1String(", ")));
        if (!unasked.isEmpty())
            text +=
                QStringLiteral("; not asked for their serial number: ") + unasked.join(QLatin1String(", "));
        if (!selection_.serial.isEmpty() && loaders)
            text += QStringLiteral("; a board without its firmware has no serial number yet: choose it with "
                                   "--usb-port");
        tell(text);
        return false;
    }
    const bool anyRunning = std::ranges::any_of(candidates, &Found::running);
    for (const Found& f : candidates)
        listed << UsbDeviceText(f.device);
    tell(QStringLiteral("%1 evaluation boards found (%2): choose one with %3")
             .arg(candidates.size())
             .arg(listed.join(QLatin1String(", ")),
                  anyRunning ? QStringLiteral("--usb-port or --usb-serial")
                             : QStringLiteral("--usb-port (boards without their firmware have no serial "
                                              "number yet)")));
    return false;
}

bool UsbBoard::useRunning(Found& found) {
    handle_ = found.handle ? std::move(found.handle) : open(found.device);
    if (!handle_) return false;
    identity_.port = found.device.port;
    identity_.serial = handle_->serialNumber();
    return true;
}

std::int16_t UsbBoard::LoadFirmWare(const std::uint8_t* path) {
    handle_.reset();
    loadedPort_.clear();
    lastTold_.clear();
    reason_.clear();
    Found found;
    if (!find(found)) return -1;
    if (found.running) return useRunning(found) ? 0 : -1;
    identity_.port = found.device.port;

    const QString fileName = QFile::decodeName(reinterpret_cast<const char*>(path));
    // A FIFO or a device would block the read, a folder cannot be read: only a file is an image.
    if (const QFileInfo info(fileName); info.exists() && !info.isFile()) {
        tell(QStringLiteral("the firmware image %1 is not a regular file; nothing was sent to the board")
                 .arg(fileName));
        return -1;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        tell(QStringLiteral("cannot read the firmware image %1: %2").arg(fileName, file.errorString()));
        return -1;
    }
    const QByteArray text = file.read(MaxHexFileBytes + 1);
    if (text.size() > MaxHexFileBytes) {
        tell(QStringLiteral("%1 is too large for a firmware image; nothing was sent to the board")
                 .arg(fileName));
        return -1;
    }
    const HexImage image = ParseIntelHex(text);
    if (!image.ok) {
        tell(QStringLiteral("%1:%2: %3; nothing was sent to the board")
                 .arg(fileName)
                 .arg(image.errorLine)
                 .arg(image.error));
        return -1;
    }
    QString error;
    const std::vector<FirmwareWrite> writes = FirmwareLoadWrites(image, controller_, error);
    if (writes.empty()) {
        tell(QStringLiteral("%1: %2; nothing was sent to the board").arg(fileName, error));
        return -1;
    }

    QString driver;
    const std::unique_ptr<UsbHandle> loader = open(found.device, &driver);
    if (!loader) return -1;
    if (!driver.isEmpty() && verbose_)
        verbose_(QStringLiteral("detached the kernel driver %1 from %2 for the firmware download")
                     .arg(driver, UsbDeviceText(found.device)));
    for (std::size_t i = 0; i < writes.size(); ++i) {
        QByteArray data = writes[i].data;
        int moved = 0;
        UsbError e =
            loader->controlTransfer(VendorOut, FirmwareLoadRequest, writes[i].address, 0,
                                    reinterpret_cast<std::uint8_t*>(data.data()),
                                    static_cast<std::uint16_t>(data.size()), RequestTimeoutMs, moved);
        if (e == UsbError::None && moved != data.size()) e = UsbError::Short;
        // Released, the CPU starts the image at once and the device often leaves the bus before
        // the request completes: whether the board comes back tells the outcome.
        if (e != UsbError::None && i + 1 < writes.size()) {
            tell(QStringLiteral("the firmware download to %1 failed at %2h: %3")
                     .arg(UsbDeviceText(found.device), QString::number(writes[i].address, 16).toUpper(),
                          UsbErrorText(e)));
            return -1;
        }
    }
    loadedPort_ = found.device.port;
    return 0;
}

std::int16_t UsbBoard::VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                       std::int16_t direction, std::int16_t length, std::uint8_t* buffer) {
    reason_.clear();
    std::array<std::uint8_t, 65> data{};
    if (length < 0 || static_cast<std::size_t>(length) > data.size() || (length > 0 && !buffer)) return 1;
    if (!handle_) {
        Found found;
        if (!find(found)) return 1;
        if (!found.running) {
            tell(QStringLiteral("the board at port %1 runs no firmware: it shows the loader's IDs %2")
                     .arg(found.device.port, UsbIdText(selection_.loader)));
            return 1;
        }
        if (!useRunning(found)) return 1;
    }
    const bool in = direction == 1;
    if (!in && length > 0) std::memcpy(data.data(), buffer, static_cast<std::size_t>(length));
    // wValue and wIndex are 16 bits: a register write's value * 256 + register lands exactly in
    // wIndex, and the all-ones upper half of a negative value's index is what the board ignores.
    int moved = 0;
    UsbError error =
        handle_->controlTransfer(in ? VendorIn : VendorOut, static_cast<std::uint8_t>(request),
                                 static_cast<std::uint16_t>(value), static_cast<std::uint16_t>(index),
                                 data.data(), static_cast<std::uint16_t>(length), RequestTimeoutMs, moved);
    if (error == UsbError::None && moved != length) error = UsbError::Short;
    if (error != UsbError::None) {
        // Gone from the bus, or going: the handle belongs to the departed device, so the next
        // request looks for the board again, wherever it has come back.
        if (error == UsbError::NoDevice || error == UsbError::Io) handle_.reset();
        tell(QStringLiteral("USB request %1h to the board failed: %2")
                 .arg(QString::number(request & 0xFF, 16).toUpper(), UsbErrorText(error)));
        return 1;
    }
    if (in && length > 0) std::memcpy(buffer, data.data(), static_cast<std::size_t>(length));
    return 0;
}
