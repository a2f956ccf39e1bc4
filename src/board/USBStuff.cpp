#include "board/USBStuff.h"

#include "base/Prompts.h"
#include "board/FirmwareSearch.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdlib>

QString LinkErrorMessage(int code) {
    switch (code) {
    case FirmwareDownloadFailed:
        return QStringLiteral("Firmware failed to download - Check USB connections");
    case SmbusEnableFailed:
        return QStringLiteral("SMBus enable error  - Check USB connections");
    case InitialConnectionFailed:
        return QStringLiteral("Initial Connection Failed - Check USB connections");
    case CommunicationsInterrupted:
        return QStringLiteral("Communications Interrupted - Check USB connections");
    case DeviceNotFound:
        return QStringLiteral("Device not found - Check USNB connections");
    case HeaterModuleError:
        return QStringLiteral("Error in Heater Module -  Do you wish to close the application?");
    default:
        return {};
    }
}

USBStuff::USBStuff(USBFunctions& library, Prompts& prompts)
    : onProgramEnd([](int) { std::exit(1); }), library_(library), prompts_(prompts) {}

std::int16_t USBStuff::request(std::int16_t req, std::int32_t value, std::int32_t index,
                               std::int16_t direction, std::int16_t length, std::uint8_t* buffer) {
    // From a link error on nothing may reach the board: neither after it has ended the program nor
    // from timers that fire while its message is up.
    if (linkHeld()) return -1;
    ++requestsSent_;
    const std::int16_t status = library_.VendorIORequest(req, value, index, direction, length, buffer);
    if (status != 0) ++requestsFailed_;
    return status;
}

void USBStuff::remember(std::int32_t address, std::int32_t reg, int value) {
    // Only the chip's own registers: the start-up search reads other addresses.
    if (address == DeviceAddress && DeviceAddress != 0 && reg >= 0 && reg <= 0xFF)
        known_[static_cast<std::size_t>(reg)] = static_cast<std::int16_t>(value & 0xFF);
}

std::optional<int> USBStuff::knownValue(std::int32_t reg) const {
    if (reg < 0 || reg > 0xFF || known_[static_cast<std::size_t>(reg)] < 0) return std::nullopt;
    return known_[static_cast<std::size_t>(reg)];
}

int USBStuff::ReadRegister(std::int32_t address, std::int32_t reg) {
    const std::int16_t status = request(RegisterRequest, address, reg, 1, 1, TransferBuffer.data());
    if (status != 0)
        ShowLinkError(CommunicationsInterrupted);
    else
        remember(address, reg, TransferBuffer[0]);
    return TransferBuffer[0];
}

std::int16_t USBStuff::WriteRegister(std::int32_t address, std::int32_t reg, std::int32_t& value) {
    value = std::min(value, 255);
    // value * 256 + reg in 32-bit two's-complement arithmetic, without signed overflow.
    const auto index =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(value) * 256u + static_cast<std::uint32_t>(reg));
    std::uint8_t zero = 0;
    const std::int16_t status = request(RegisterRequest, address, index, 0, 0, &zero);
    if (status != 0) {
        ShowLinkError(CommunicationsInterrupted);
        return status;
    }
    const std::optional<int> old = knownValue(reg);
    remember(address, reg, value);
    if (onRegisterWritten && address == DeviceAddress) onRegisterWritten(reg, value & 0xFF, old);
    RefreshControlFlags(reg);
    return status;
}

std::int16_t USBStuff::ReadBlock(std::int32_t first, std::int32_t count) {
    // The buffer holds 65 bytes; no caller asks for more, and none may overrun it.
    const auto length = static_cast<std::int16_t>(std::clamp(count, 0, 65));
    const std::int16_t status =
        request(BlockReadRequest, DeviceAddress, first, 1, length, TransferBuffer.data());
    if (status == 0)
        for (std::int16_t i = 0; i < length; ++i)
            remember(DeviceAddress, first + i, TransferBuffer[static_cast<std::size_t>(i)]);
    return status;
}

bool USBStuff::ReadBlockOrFail(std::int32_t first, std::int32_t count) {
    if (ReadBlock(first, count) == 0) return true;
    ShowLinkError(CommunicationsInterrupted);
    return false;
}

std::int16_t USBStuff::SetHeater(std::int32_t heater, std::int32_t& level) {
    level = std::clamp(level, 0, 100);
    const std::int16_t status = request(HeaterRequest, heater, level, 0, 1, TransferBuffer.data());
    if (status != 0) ShowLinkError(HeaterModuleError);
    return status;
}

std::int16_t USBStuff::ReadHeaterLevels() {
    const std::int16_t status = request(HeaterRequest, 0, 0, 1, 3, TransferBuffer.data());
    if (status != 0) ShowLinkError(HeaterModuleError);
    return status;
}

std::int16_t USBStuff::ReadBoardInfo() {
    return request(BoardRequest, 0, 0, 1, 6, TransferBuffer.data());
}

std::int16_t USBStuff::EnableSmbus() {
    std::uint8_t zero = 0;
    return request(BoardRequest, 48, 51, 0, 0, &zero);
}

std::int16_t USBStuff::DownloadFirmware(const QString& programFolder, const QString& firmwareFile) {
    FirmwareSearched.clear();
    FirmwarePath = firmwareFile;
    if (FirmwarePath.isEmpty()) {
        const QStringList folders = FirmwareFolders(programFolder);
        FirmwarePath = FindFirmwareImage(folders);
        if (FirmwarePath.isEmpty()) {
            // A board that runs its firmware already, or one that needs none, goes on without it.
            FirmwareSearched = folders;
            FirmwarePath = QDir(programFolder).filePath(FirmwareFileName);
        }
    }
    // The path in the file system's own 8-bit encoding, zero-terminated.
    const QByteArray bytes = QFile::encodeName(FirmwarePath);
    firmwarePathBuffer_.fill(0);
    if (bytes.size() > 512) return -1; // the library's path buffer cannot hold it
    std::copy(bytes.begin(), bytes.end(), firmwarePathBuffer_.begin());
    if (linkClosed_) return -1;
    return library_.LoadFirmWare(firmwarePathBuffer_.data());
}

void USBStuff::RefreshControlFlags(std::int32_t reg) {
    switch (reg) {
    case 0x68: { // "PWM 1/2 Config": BHV1 bit 7, BHV2 bit 6; set means automatic control
        const int v = ReadRegister(DeviceAddress, 0x68);
        ManualControl(1) = (v & 0x80) == 0;
        ManualControl(2) = (v & 0x40) == 0;
        break;
    }
    case 0x69: { // "PWM 3/4 Config": BHV3 bit 7, BHV4 bit 6
        const int v = ReadRegister(DeviceAddress, 0x69);
        ManualControl(3) = (v & 0x80) == 0;
        ManualControl(4) = (v & 0x40) == 0;
        break;
    }
    case 0x7F: { // "GPIO Enable": EN1..EN4 in bits 3..0
        const int v = ReadRegister(DeviceAddress, 0x7F);
        GpioEnabled(1) = (v & 0x08) != 0;
        GpioEnabled(2) = (v & 0x04) != 0;
        GpioEnabled(3) = (v & 0x02) != 0;
        GpioEnabled(4) = (v & 0x01) != 0;
        break;
    }
    default:
        break;
    }
}

BoardIdentity USBStuff::boardIdentity() const {
    BoardIdentity identity = library_.identity();
    identity.chipAddress = DeviceAddress;
    return identity;
}

void USBStuff::ShowLinkError(int code, const QString& reason) {
    if (linkClosed_) return; // the program is already ending
    if (errorShowing_) {
        // Raised under the message that is up (a refused request): that message speaks for it.
        if (code != HeaterModuleError) fatalWhileShowing_ = true;
        return;
    }
    if (onLinkError) onLinkError(code);
    const QString text = LinkErrorMessage(code);
    if (!reason.isEmpty() && report) report(reason);
    if (!text.isEmpty()) {
        const bool question = code == HeaterModuleError;
        // The reason may carry the backend's own already: each line once.
        QStringList details = (reason + u'\n' + failureReason()).split(u'\n', Qt::SkipEmptyParts);
        details.removeDuplicates();
        errorShowing_ = true;
        const MessageAnswer answer =
            prompts_.message(text, question ? MessageIcon::None : MessageIcon::Critical,
                             question ? MessageButtons::YesNo : MessageButtons::Ok, details.join(u'\n'));
        errorShowing_ = false;
        if (question && answer == MessageAnswer::No && !fatalWhileShowing_) return;
    }
    linkClosed_ = true;
    if (onProgramEnd) onProgramEnd(code);
}
