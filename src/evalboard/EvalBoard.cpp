#include "evalboard/EvalBoard.h"

#include "base/NumberText.h"
#include "board/Startup.h"
#include "session/Session.h"

#include <algorithm>

namespace {
constexpr int RegFansNotPresent = 0x36;
constexpr int RegConfiguration1 = 0x40;
constexpr int Test = 0x02; // TEST of "Configuration 1": set while the free-wheel test runs
constexpr int CheckingDots = 3;
} // namespace

bool ReadBoardDetails(Session& s, BoardDetails& details) {
    USBStuff& usb = s.usb;
    details = {};
    if (usb.ReadBoardInfo() == 0) details.status = DecodeBoardStatus(usb.TransferBuffer);
    details.address = AddressText(static_cast<std::uint32_t>(usb.DeviceAddress));
    const int notPresent = usb.ReadRegister(usb.DeviceAddress, RegFansNotPresent);
    if (usb.linkHeld()) return false;
    details.fansPresent = FansPresent(notPresent);
    return true;
}

bool StartWatchedFreeWheelTest(Session& s) {
    StartFreeWheelTest(s);
    if (s.usb.linkHeld()) return false;
    s.decl.FreeWheelRunning = true;
    return true;
}

FreeWheelState PollFreeWheelTest(Session& s, std::array<bool, 4>& fansPresent) {
    USBStuff& usb = s.usb;
    const int config = usb.ReadRegister(usb.DeviceAddress, RegConfiguration1);
    if (usb.linkHeld()) return FreeWheelState::LinkFailed;
    if (config & Test) return FreeWheelState::Running;
    s.decl.FreeWheelRunning = false;
    const int notPresent = usb.ReadRegister(usb.DeviceAddress, RegFansNotPresent);
    if (usb.linkHeld()) return FreeWheelState::LinkFailed;
    fansPresent = FansPresent(notPresent);
    return FreeWheelState::Finished;
}

QString CheckingCaption(const QString& base, int polls) {
    return base + QString(polls % (CheckingDots + 1), QLatin1Char('.'));
}

std::optional<std::array<double, 2>> ReadHeaterSliderLevels(Session& s) {
    if (s.usb.ReadHeaterLevels() != 0) return std::nullopt;
    const auto& b = s.usb.TransferBuffer;
    return std::array<double, 2>{b[0] / 2.0, b[1] / 2.0};
}

std::int16_t SetHeaterFromSlider(Session& s, int heater, double value) {
    // Kept within 32 bits; the transport brings it into 0..100.
    auto level = static_cast<std::int32_t>(std::clamp<std::int64_t>(RoundHalfEven(value), -1, 101));
    return s.usb.SetHeater(heater + 1, level);
}

QString HeaterTemperatureText(int heater, const Readings& readings) {
    return QStringLiteral("Temp%1 = %2°C")
        .arg(heater + 1)
        .arg(ReadingText(readings.temperature(static_cast<std::size_t>(heater))));
}
