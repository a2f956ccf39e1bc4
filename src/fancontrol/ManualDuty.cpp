#include "fancontrol/ManualDuty.h"

#include "monitoring/Conversions.h"
#include "session/Session.h"

std::int16_t ManualDuty::set(int output, int percent) {
    const auto n = static_cast<std::size_t>(output);
    auto value = static_cast<std::int32_t>(DutyByteFromPercent(percent));
    writtenAt_.at(n) = s_.readings.dutyCyclesReads;
    return s_.usb.WriteRegister(s_.usb.DeviceAddress, 0x32 + output, value);
}

std::optional<int> ManualDuty::follow(int output, bool held) const {
    const auto n = static_cast<std::size_t>(output);
    if (held) return std::nullopt;
    if (writtenAt_.at(n) && s_.readings.dutyCyclesReads <= *writtenAt_.at(n)) return std::nullopt;
    return s_.readings.dutyCycle(n);
}
