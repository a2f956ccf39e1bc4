#pragma once

// The chip's registers and bits the bench runs read and write: the first of each per-channel
// row (channel n at the address plus n - 1, or plus 2 (n - 1) for a byte pair).
namespace BenchRegisters {
inline constexpr int RegTemperature1 = 0x20;
inline constexpr int RegTach1Low = 0x2A;
inline constexpr int RegCurrentDuty1 = 0x32;
inline constexpr int RegFansNotPresent = 0x36;
inline constexpr int RegMaxDuty1 = 0x38;
inline constexpr int RegConfig1 = 0x40;
inline constexpr int RegStatus1 = 0x41;
inline constexpr int RegStatus2 = 0x42;
inline constexpr int RegPulsesPerRev = 0x43;
inline constexpr int RegTempLowLimit1 = 0x44;
inline constexpr int RegTempHighLimit1 = 0x45;
inline constexpr int RegTachMin1Low = 0x58;
inline constexpr int RegTachMax1Low = 0x60;
inline constexpr int RegPwmConfig12 = 0x68;
inline constexpr int RegMinDuty1 = 0x6A;
inline constexpr int RegTmin1 = 0x6E;
inline constexpr int RegMask1 = 0x72;
inline constexpr int RegMask2 = 0x73;
inline constexpr int RegConfig2 = 0x74;
inline constexpr int RegMaxTemperature = 0x78;
inline constexpr int RegZoneSelect12 = 0x7C;
inline constexpr int RegGpioEnable = 0x7F;
// Configuration 1: start monitoring, the free-wheel test, all fans at full speed.
inline constexpr int Strt = 0x01, Test = 0x02, Fspd = 0x04;
// Configuration 2: shut-down.
inline constexpr int Shdn = 0x80;
} // namespace BenchRegisters
