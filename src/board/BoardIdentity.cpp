#include "board/BoardIdentity.h"

#include "base/NumberText.h"

QString BoardIdentity::text() const {
    QString text;
    switch (kind) {
    case Kind::Simulated:
        return QStringLiteral("Simulated board");
    case Kind::Usb:
        text = QStringLiteral("USB board");
        if (!port.isEmpty()) text += u' ' + port;
        if (!serial.isEmpty()) text += QStringLiteral(" (serial %1)").arg(serial);
        break;
    case Kind::Smbus:
        text = simulated ? QStringLiteral("SMBus adapter") : QStringLiteral("SMBus ") + adapter;
        if (chipAddress != 0)
            text += QStringLiteral(", chip at ") + AddressText(static_cast<std::uint32_t>(chipAddress));
        break;
    }
    return simulated ? QStringLiteral("Simulated ") + text : text;
}
