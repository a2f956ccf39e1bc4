#include "board/Startup.h"

#include "base/Clock.h"
#include "base/NumberText.h"
#include "board/BoardLink.h"
#include "chip/RegisterTable.h"

#include <cmath>

QString FoundChipText(int address) {
    return QStringLiteral("Found an VORTANE at ") + AddressText(static_cast<std::uint32_t>(address));
}

bool RunConnectionSequence(BoardLink& s, SplashView& splash,
                           const std::function<void(const QString&)>& setStatusText,
                           const ConnectionOptions& options) {
    USBStuff& usb = s.usb;
    const auto cancelled = [&options] { return options.cancelled && options.cancelled(); };
    const float unit = std::floor(static_cast<float>(splash.progressDesignWidth()) / 100.0f);
    float width = 0;
    splash.setProgressWidth(width);
    splash.setProgressVisible();

    splash.setProgInfo(QStringLiteral("Downloading Firmware..."));
    if (usb.DownloadFirmware(s.programFolder) < 0) {
        usb.ShowLinkError(FirmwareDownloadFailed);
        return false;
    }
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
        usb.ShowLinkError(InitialConnectionFailed);
        return false;
    }
    width = 76 * unit;
    splash.setProgressWidth(width);

    splash.setProgInfo(QStringLiteral("Searching for VORTANE on USB..."));
    if (options.splashPauses) Delay(s.clock, 1000);
    if (cancelled()) return false;
    if (options.knownAddress != 0) {
        const int id = usb.ReadRegister(options.knownAddress, 0x3E); // "Company ID"
        if (usb.linkClosed()) return false;
        if (id != CompanyCode) {
            usb.ShowLinkError(DeviceNotFound);
            return false;
        }
        usb.DeviceAddress = options.knownAddress;
    } else {
        for (int address = 0x2C; address <= 0x2F; ++address) {
            width += 8 * unit;
            splash.setProgressWidth(width);
            const int id = usb.ReadRegister(address, 0x3E); // "Company ID"
            if (usb.linkClosed()) return false;
            if (id == CompanyCode) {
                usb.DeviceAddress = address;
                break;
            }
        }
        if (usb.DeviceAddress == 0) {
            usb.ShowLinkError(InitialConnectionFailed);
            return false;
        }
    }
    if (cancelled()) return false;
    width = 100 * unit;
    splash.setProgressWidth(width);
    splash.setProgInfo(FoundChipText(usb.DeviceAddress));
    if (options.splashPauses) Delay(s.clock, 2000);
    return true;
}

void StartFreeWheelTest(BoardLink& s) {
    std::int32_t value = s.usb.ReadRegister(s.usb.DeviceAddress, 0x40) | 0x02; // TEST
    s.usb.WriteRegister(s.usb.DeviceAddress, 0x40, value);
}
