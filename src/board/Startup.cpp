#include "board/Startup.h"

#include "base/Clock.h"
#include "base/NumberText.h"
#include "board/BoardLink.h"
#include "board/FirmwareSearch.h"
#include "chip/RegisterTable.h"

#include <cmath>

QString FoundChipText(int address) {
    return QStringLiteral("Found an VORTANE at ") + AddressText(static_cast<std::uint32_t>(address));
}

namespace {

QString ByteText(int value) {
    return HexText(static_cast<std::uint32_t>(value)).rightJustified(2, u'0') + u'h';
}

// Why no chip was taken: what each probed address answered in its "Company ID", then what the
// backend knows (an SMBus adapter: the addresses that did not acknowledge). The backend keeps that
// to itself during the search, where silence at an empty address is expected; now it is the cause.
QString NotFoundReason(const USBStuff& usb, const QStringList& answers) {
    QString text = QStringLiteral("no VORTANE answered: Company ID (3Eh) read %1, where a VORTANE reads %2")
                       .arg(answers.join(QLatin1String(", ")), ByteText(CompanyCode));
    if (const QString backend = usb.failureReason(); !backend.isEmpty()) text += u'\n' + backend;
    return text;
}

} // namespace

bool RunConnectionSequence(BoardLink& s, SplashView& splash,
                           const std::function<void(const QString&)>& setStatusText,
                           const ConnectionOptions& options) {
    USBStuff& usb = s.usb;
    const auto cancelled = [&options] { return options.cancelled && options.cancelled(); };
    const float unit = std::floor(static_cast<float>(splash.progressDesignWidth()) / 100.0f);
    float width = 0;
    splash.setProgressVisible();

    const auto showBoard = [&] { splash.setBoardText(usb.boardIdentity().text()); };
    showBoard();
    splash.setProgInfo(QStringLiteral("Downloading Firmware..."));
    if (usb.DownloadFirmware(s.programFolder, s.firmwareFile) < 0) {
        // Where the image was looked for matters only when the backend failed on reading it (it
        // names the file), not when, say, there is no board to take it.
        const bool imageMissing =
            !usb.FirmwareSearched.isEmpty() && usb.failureReason().contains(usb.FirmwarePath);
        usb.ShowLinkError(FirmwareDownloadFailed,
                          imageMissing
                              ? QStringLiteral("%1 is in none of the folders searched: %2 (name it with "
                                               "--firmware FILE)")
                                    .arg(FirmwareFileName, usb.FirmwareSearched.join(QLatin1String(", ")))
                              : QString());
        return false;
    }
    showBoard();
    if (setStatusText) setStatusText(QStringLiteral("Firmware download succesful"));
    width = 33 * unit;
    splash.setProgressWidth(width);

    // The board enumerates again with its new firmware; give it time before the first request.
    splash.setProgInfo(QStringLiteral("Enumerating..."));
    do {
        width += unit / 2;
        splash.setProgressWidth(width);
        Delay(s.clock, 50);
        if (cancelled()) return false;
    } while (width < 50 * unit);

    splash.setProgInfo(QStringLiteral("Connecting..."));
    bool enabled = false;
    for (int attempt = 0; attempt < 20 && !enabled; ++attempt) {
        enabled = usb.EnableSmbus() == 0;
        Delay(s.clock, 200);
        splash.processEvents();
        if (cancelled()) return false;
    }
    if (!enabled) {
        usb.ShowLinkError(InitialConnectionFailed,
                          QStringLiteral("the board did not enable its SMBus bridge in 20 attempts"));
        return false;
    }
    width = 76 * unit;
    splash.setProgressWidth(width);

    splash.setProgInfo(QStringLiteral("Searching for VORTANE on USB..."));
    if (options.splashPauses) Delay(s.clock, 1000);
    if (cancelled()) return false;
    QStringList answers; // "FFh at 2Ch"
    const auto probe = [&](int address) {
        const int id = usb.ReadRegister(address, 0x3E); // "Company ID"
        answers << ByteText(id) + QStringLiteral(" at ") + AddressText(static_cast<std::uint32_t>(address));
        return id == CompanyCode;
    };
    if (options.knownAddress != 0) {
        const bool found = probe(options.knownAddress);
        if (usb.linkClosed()) return false;
        if (!found) {
            usb.ShowLinkError(DeviceNotFound, NotFoundReason(usb, answers));
            return false;
        }
        usb.DeviceAddress = options.knownAddress;
    } else {
        for (int address = 0x2C; address <= 0x2F; ++address) {
            width += 8 * unit;
            splash.setProgressWidth(width);
            const bool found = probe(address);
            if (usb.linkClosed()) return false;
            if (found) {
                usb.DeviceAddress = address;
                break;
            }
        }
        if (usb.DeviceAddress == 0) {
            usb.ShowLinkError(InitialConnectionFailed, NotFoundReason(usb, answers));
            return false;
        }
    }
    if (cancelled()) return false;
    width = 100 * unit;
    splash.setProgressWidth(width);
    splash.setProgInfo(FoundChipText(usb.DeviceAddress));
    showBoard();
    if (options.splashPauses) Delay(s.clock, 2000);
    return true;
}

void StartFreeWheelTest(BoardLink& s) {
    std::int32_t value = s.usb.ReadRegister(s.usb.DeviceAddress, 0x40) | 0x02; // TEST
    s.usb.WriteRegister(s.usb.DeviceAddress, 0x40, value);
}
