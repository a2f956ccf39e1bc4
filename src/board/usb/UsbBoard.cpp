#include "board/usb/UsbBoard.h"

#include <QFile>
#include <QStringList>

#include <array>
#include <cstring>

namespace {

constexpr std::uint8_t VendorOut = 0x40; // vendor request to the device, host to device
constexpr std::uint8_t VendorIn = 0xC0;  // vendor request to the device, device to host

} // namespace

UsbBoard::UsbBoard(std::unique_ptr<UsbSystem> system, UsbSelection selection, Report report,
                   const UsbController& controller)
    : system_(std::move(system)), selection_(std::move(selection)), report_(std::move(report)),
      controller_(controller) {}

UsbBoard::~UsbBoard() = default;

void UsbBoard::tell(const QString& text) {
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

std::unique_ptr<UsbHandle> UsbBoard::open(const UsbDevice& device) {
    UsbError error = UsbError::None;
    auto handle = system_->open(device, error);
    if (!handle)
        tell(
            QStringLiteral("cannot open the board (%1): %2").arg(UsbDeviceText(device), UsbErrorText(error)));
    return handle;
}

bool UsbBoard::find(Found& found) {
    const bool comingBack = !loadedPort_.isEmpty();
    const QString port = comingBack ? loadedPort_ : selection_.port;
    std::vector<UsbDevice> ours;
    std::vector<Found> candidates;
    for (const UsbDevice& d : system_->devices()) {
        const bool loader = d.id == selection_.loader;
        const bool board = d.id == selection_.board;
        if (!loader && !board) continue;
        ours.push_back(d);
        if (!port.isEmpty() && d.port != port) continue;
        if (board) {
            std::unique_ptr<UsbHandle> handle;
            if (!selection_.serial.isEmpty()) {
                handle = open(d);
                if (!handle) return false;
                if (handle->serialNumber() != selection_.serial) continue;
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
    if (candidates.empty()) {
        for (const UsbDevice& d : ours)
            listed << UsbDeviceText(d) +
                          (d.id == selection_.loader ? QStringLiteral(" (without firmware)") : QString());
        if (comingBack)
            tell(QStringLiteral("the board has not come back as %1 at port %2 after its firmware download")
                     .arg(UsbIdText(selection_.board), loadedPort_));
        else
            tell(QStringLiteral("no evaluation board found: %1; USB devices with these IDs: %2")
                     .arg(lookedFor(),
                          listed.isEmpty() ? QStringLiteral("none") : listed.join(QLatin1String(", "))));
        return false;
    }
    for (const Found& f : candidates)
        listed << UsbDeviceText(f.device);
    tell(QStringLiteral("%1 evaluation boards found (%2): choose one with --usb-port or --usb-serial")
             .arg(candidates.size())
             .arg(listed.join(QLatin1String(", "))));
    return false;
}

std::int16_t UsbBoard::LoadFirmWare(const std::uint8_t* path) {
    handle_.reset();
    loadedPort_.clear();
    lastTold_.clear();
    Found found;
    if (!find(found)) return -1;
    if (found.running) {
        handle_ = found.handle ? std::move(found.handle) : open(found.device);
        return handle_ ? 0 : -1;
    }

    const QString fileName = QFile::decodeName(reinterpret_cast<const char*>(path));
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

    const std::unique_ptr<UsbHandle> loader = open(found.device);
    if (!loader) return -1;
    for (std::size_t i = 0; i < writes.size(); ++i) {
        QByteArray data = writes[i].data;
        int moved = 0;
        UsbError e =
            loader->controlTransfer(VendorOut, FirmwareLoadRequest, writes[i].address, 0,
                                    reinterpret_cast<std::uint8_t*>(data.data()),
                                    static_cast<std::uint16_t>(data.size()), RequestTimeoutMs, moved);
        if (e == UsbError::None && moved != data.size()) e = UsbError::Short;
        // Released, the CPU starts the image at once and the device may leave the bus before the
        // request completes; whether the board comes back tells the outcome.
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

bool UsbBoard::connectBoard() {
    Found found;
    if (!find(found)) return false;
    if (!found.running) return false;
    handle_ = found.handle ? std::move(found.handle) : open(found.device);
    return handle_ != nullptr;
}

std::int16_t UsbBoard::VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                       std::int16_t direction, std::int16_t length, std::uint8_t* buffer) {
    std::array<std::uint8_t, 65> data{};
    if (length < 0 || static_cast<std::size_t>(length) > data.size() || (length > 0 && !buffer)) return 1;
    if (!handle_ && !connectBoard()) return 1;
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
        // Gone from the bus: the next request looks for the board again.
        if (error == UsbError::NoDevice) handle_.reset();
        tell(QStringLiteral("USB request %1h to the board failed: %2")
                 .arg(QString::number(request & 0xFF, 16).toUpper(), UsbErrorText(error)));
        return 1;
    }
    if (in && length > 0) std::memcpy(buffer, data.data(), static_cast<std::size_t>(length));
    return 0;
}
