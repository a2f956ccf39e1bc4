#include "board/usb/UsbSystem.h"

QString UsbErrorText(UsbError error) {
    switch (error) {
    case UsbError::None:
        return QStringLiteral("no error");
    case UsbError::NoDevice:
        return QStringLiteral("the device has left the bus");
    case UsbError::Access:
        return QStringLiteral(
            "permission denied: install the udev rule 60-vortane.rules (cmake --install puts it "
            "in /etc/udev/rules.d), then run 'udevadm control --reload' and plug the board in "
            "again");
    case UsbError::Busy:
        return QStringLiteral("the device is busy: another program holds it");
    case UsbError::KernelDriver:
        return QStringLiteral("the device is busy: a kernel driver holds it (it is left alone)");
    case UsbError::Timeout:
        return QStringLiteral("the device did not answer in time");
    case UsbError::Stall:
        return QStringLiteral("the device refused the request");
    case UsbError::Short:
        return QStringLiteral("the device returned fewer bytes than asked for");
    case UsbError::Io:
        return QStringLiteral("input/output error");
    case UsbError::Other:
        break;
    }
    return QStringLiteral("USB error");
}

QString UsbIdText(UsbDeviceId id) {
    return QStringLiteral("%1:%2")
        .arg(id.vendor, 4, 16, QLatin1Char('0'))
        .arg(id.product, 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString UsbDeviceText(const UsbDevice& device) {
    return QStringLiteral("%1 at port %2").arg(UsbIdText(device.id), device.port);
}
