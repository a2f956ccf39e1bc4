#include "registers/RegisterView.h"

#include "base/NumberText.h"
#include "board/USBStuff.h"
#include "registers/RegMapStuff.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace {

constexpr std::int64_t Int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t Int32Max = std::numeric_limits<std::int32_t>::max();

int readValue(USBStuff& usb, int address) {
    return usb.ReadRegister(usb.DeviceAddress, address);
}

} // namespace

int TypedRegisterAddress(const QString& addressText) {
    return static_cast<int>(LeadingHex(addressText) & 0xFFu);
}

RegisterView ReadTableRegister(USBStuff& usb, int index) {
    const RegisterEntry& entry = RegisterAt(index);
    RegisterView view;
    view.description = RegisterDescription(entry);
    view.addressText = AddressText(static_cast<std::uint32_t>(entry.Address));
    const QStringList names = SplitBitNames(entry);
    for (std::size_t k = 0; k < view.bitNames.size(); ++k)
        view.bitNames[k] = names.at(k);
    view.value = readValue(usb, entry.Address);
    return view;
}

RegisterView ReadTypedRegister(USBStuff& usb, const QString& addressText) {
    const int address = TypedRegisterAddress(addressText);
    if (const auto index = FindRegisterByAddress(address)) return ReadTableRegister(usb, *index);
    RegisterView view;
    view.description = QStringLiteral("Unknown");
    view.addressText = AddressText(static_cast<std::uint32_t>(address));
    for (std::size_t k = 0; k < view.bitNames.size(); ++k)
        view.bitNames[k] = QString::number(7 - k);
    view.value = readValue(usb, address);
    return view;
}

std::array<QString, 8> BitTexts(int value) {
    std::array<QString, 8> texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = (value >> i) & 1 ? QStringLiteral("1") : QStringLiteral("0");
    return texts;
}

QString FlippedBitText(const QString& text) {
    return text == QLatin1String("0") ? QStringLiteral("1") : QStringLiteral("0");
}

int BitSum(const std::array<QString, 8>& bitTexts) {
    int sum = 0;
    for (std::size_t i = 0; i < bitTexts.size(); ++i)
        if (bitTexts[i] != QLatin1String("0")) sum += 1 << i;
    return sum;
}

int TypedRegisterValue(const QString& valueText) {
    return static_cast<int>(std::clamp(RoundHalfEven(LeadingNumberOrZero(valueText)), Int32Min, Int32Max));
}

bool WriteTypedRegister(USBStuff& usb, const QString& addressText, int value) {
    std::int32_t toSend = value;
    usb.WriteRegister(usb.DeviceAddress, TypedRegisterAddress(addressText), toSend);
    return !usb.linkHeld();
}

QString HexMirrorOfDecimal(const QString& decimalText) {
    const std::int64_t value = RoundHalfEven(LeadingNumberOrZero(decimalText));
    if (value < Int32Min || value > Int32Max) return {};
    return HexText(static_cast<std::uint32_t>(static_cast<std::int32_t>(value)));
}

QString DecimalMirrorOfHex(const QString& hexText) {
    return QString::number(LeadingHex(hexText));
}
