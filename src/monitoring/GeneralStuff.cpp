#include "monitoring/GeneralStuff.h"

#include "monitoring/Conversions.h"
#include "session/Session.h"

void ReadMeasurements(Session& s, int group) {
    USBStuff& usb = s.usb;
    const auto& b = usb.TransferBuffer;
    switch (group) {
    case TemperatureGroup: {
        if (usb.ReadBlock(0x20, 10) == 0) {
            for (std::size_t i = 0; i < 10; ++i)
                s.readings.Temperatures[i] = static_cast<std::int16_t>(TemperatureFromByte(b[i]));
            ++s.readings.temperaturesReads;
        }
        const int max = usb.ReadRegister(usb.DeviceAddress, 0x78); // "Max PEXIL Temperature"
        // A failed read ends the program, and the byte it left is none of the chip's.
        if (usb.linkHeld()) break;
        s.readings.Temperatures[10] = static_cast<std::int16_t>(TemperatureFromByte(max));
        ++s.readings.maxTemperatureReads;
        break;
    }
    case FanSpeedGroup:
        if (usb.ReadBlock(0x2A, 8) != 0) break;
        for (std::size_t k = 0; k < 4; ++k)
            s.readings.FanSpeeds[k] = TachToRpm(TachCount(b[2 * k], b[2 * k + 1]), s.decl.TachClock);
        ++s.readings.fanSpeedsReads;
        break;
    case DutyCycleGroup:
        if (usb.ReadBlock(0x32, 4) != 0) break;
        for (std::size_t k = 0; k < 4; ++k)
            s.readings.DutyCycles[k] = DutyPercentFromByte(b[k]);
        ++s.readings.dutyCyclesReads;
        break;
    default:
        break;
    }
}
