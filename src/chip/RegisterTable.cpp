#include "chip/RegisterTable.h"

namespace {

constexpr RegisterEntry entry(std::int32_t address, std::string_view name, std::string_view bitNames,
                              std::int16_t defaultValue, bool readOnly) {
    return RegisterEntry{address, name, name, bitNames, defaultValue, readOnly};
}

// 0x7F and 0x7B each serve two functions; their second names are appended after 0x81 so that a
// lookup by address always finds the first name.
constexpr RegisterTable Table{{
    entry(0x20, "Temperature 1", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x21, "Temperature 2", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x22, "Temperature 3", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x23, "Temperature 4", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x24, "Temperature 5", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x25, "Temperature 6", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x26, "Temperature 7", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x27, "Temperature 8", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x28, "Temperature 9", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x29, "Temperature 10", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x2A, "Tach1 Low Byte", "7:6:5:4:3:2:1:0", 0xFF, true),
    entry(0x2B, "Tach1 High Byte", "15:14:13:12:11:10:9:8", 0xFF, true),
    entry(0x2C, "Tach2 Low Byte", "7:6:5:4:3:2:1:0", 0xFF, true),
    entry(0x2D, "Tach2 High Byte", "15:14:13:12:11:10:9:8", 0xFF, true),
    entry(0x2E, "Tach3 Low Byte", "7:6:5:4:3:2:1:0", 0xFF, true),
    entry(0x2F, "Tach3 High Byte", "15:14:13:12:11:10:9:8", 0xFF, true),
    entry(0x30, "Tach4 Low Byte", "7:6:5:4:3:2:1:0", 0xFF, true),
    entry(0x31, "Tach4 High Byte", "15:14:13:12:11:10:9:8", 0xFF, true),
    entry(0x32, "PWM1 Current Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x33, "PWM2 Current Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x34, "PWM3 Current Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x35, "PWM4 Current Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x36, "Fans Not Present", "-:-:-:-:Fan4:Fan3:Fan2:Fan1", 0x00, false),
    entry(0x37, "Test 1", "7:6:5:4:3:2:1:0", 0x00, false),
    entry(0x38, "PWM1 Max Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x39, "PWM2 Max Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x3A, "PWM3 Max Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x3B, "PWM4 Max Duty Cycle", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x3C, "Test 2", "7:6:5:4:3:2:1:0", 0x00, false),
    entry(0x3D, "Device ID", "7:6:5:4:3:2:1:0", DeviceCode, true),
    entry(0x3E, "Company ID", "7:6:5:4:3:2:1:0", CompanyCode, true),
    entry(0x3F, "Revision", "Ver:Ver:Ver:Ver:Stp:Stp:Stp:Stp", 0x00, true),
    entry(0x40, "Configuration 1", "T/FS:H/LF:FTCH:LCK:TODIS:FSPD:TEST:STRT", 0x01, false),
    entry(0x41, "Interrupt Status 1", "OOL:R7T:R6T:R5T:R4T:R3T:R2T:R1T", 0x00, true),
    entry(0x42, "Interrupt Status 2", "Fan4:Fan3:Fan2:Fan1:NRM:R1OT:R9T:R8T", 0x00, true),
    entry(0x43, "Fan Pulses/Rev", "F4:F4:F3:F3:F2:F2:F1:F1", 0x55, false),
    entry(0x44, "Temperature1 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x45, "Temperature1 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x46, "Temperature2 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x47, "Temperature2 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x48, "Temperature3 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x49, "Temperature3 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x4A, "Temperature4 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x4B, "Temperature4 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x4C, "Temperature5 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x4D, "Temperature5 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x4E, "Temperature6 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x4F, "Temperature6 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x50, "Temperature7 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x51, "Temperature7 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x52, "Temperature8 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x53, "Temperature8 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x54, "Temperature9 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x55, "Temperature9 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x56, "Temperature10 Low Limit", "7:6:5:4:3:2:1:0", 0x81, false),
    entry(0x57, "Temperature10 High Limit", "7:6:5:4:3:2:1:0", 0x7F, false),
    entry(0x58, "Tach1 Min Low Byte", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x59, "Tach1 Min High Byte", "15:14:13:12:11:10:9:8", 0xFF, false),
    entry(0x5A, "Tach2 Min Low Byte", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x5B, "Tach2 Min High Byte", "15:14:13:12:11:10:9:8", 0xFF, false),
    entry(0x5C, "Tach3 Min Low Byte", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x5D, "Tach3 Min High Byte", "15:14:13:12:11:10:9:8", 0xFF, false),
    entry(0x5E, "Tach4 Min Low Byte", "7:6:5:4:3:2:1:0", 0xFF, false),
    entry(0x5F, "Tach4 Min High Byte", "15:14:13:12:11:10:9:8", 0xFF, false),
    entry(0x60, "Tach1 Max Low Byte", "7:6:5:4:3:2:1:0", 0x00, false),
    entry(0x61, "Tach1 Max High Byte", "15:14:13:12:11:10:9:8", 0x00, false),
    entry(0x62, "Tach2 Max Low Byte", "7:6:5:4:3:2:1:0", 0x00, false),
    entry(0x63, "Tach2 Max High Byte", "15:14:13:12:11:10:9:8", 0x00, false),
    entry(0x64, "Tach3 Max Low Byte", "7:6:5:4:3:2:1:0", 0x00, false),
    entry(0x65, "Tach3 Max High Byte", "15:14:13:12:11:10:9:8", 0x00, false),
    entry(0x66, "Tach4 Max Low Byte", "7:6:5:4:3:2:1:0", 0x00, false),
    entry(0x67, "Tach4 Max High Byte", "15:14:13:12:11:10:9:8", 0x00, false),
    entry(0x68, "PWM 1/2 Config", "BHV1:BHV2:INV1:INV2:OTV1:OTV2:FL1:FL2", 0x00, false),
    entry(0x69, "PWM 3/4 Config", "BHV3:BHV4:INV3:INV4:OTV3:OTV4:FL3:FL4", 0x00, false),
    entry(0x6A, "PWM1 Min Duty Cycle", "7:6:5:4:3:2:1:0", 0x80, false),
    entry(0x6B, "PWM2 Min Duty Cycle", "7:6:5:4:3:2:1:0", 0x80, false),
    entry(0x6C, "PWM3 Min Duty Cycle", "7:6:5:4:3:2:1:0", 0x80, false),
    entry(0x6D, "PWM4 Min Duty Cycle", "7:6:5:4:3:2:1:0", 0x80, false),
    entry(0x6E, "Temperature1 Tmin", "7:6:5:4:3:2:1:0", 0x5A, false),
    entry(0x6F, "Temperature2 Tmin", "7:6:5:4:3:2:1:0", 0x5A, false),
    entry(0x70, "Temperature3 Tmin", "7:6:5:4:3:2:1:0", 0x5A, false),
    entry(0x71, "Temperature4 Tmin", "7:6:5:4:3:2:1:0", 0x5A, false),
    entry(0x72, "Interrupt Mask 1", "OOL:R7T:R6T:R5T:R4T:R3T:R2T:R1T", 0x00, false),
    entry(0x73, "Interrupt Mask 2", "Fan4:Fan3:Fan2:Fan1:NRM:R1OT:R9T:R8T", 0x00, false),
    entry(0x74, "Configuration 2", "SHDN:FRQ:FRQ:FRQ:T4DIS:T3DIS:T2DIS:T1DIS", 0x00, false),
    entry(0x75, "Enhance Acoustics 1", "EN1:AC1:AC1:AC1:EN2:AC2:AC2:AC2", 0x00, false),
    entry(0x76, "Enhance Acoustics 2", "EN3:AC3:AC3:AC3:EN4:AC4:AC4:AC4", 0x00, false),
    entry(0x77, "Test 3", "7:6:5:4:3:2:1:0", 0x00, false),
    entry(0x78, "Max PEXIL Temperature", "7:6:5:4:3:2:1:0", 0x00, true),
    entry(0x79, "PEXIL Coef Option 1", "9:8:7:6:5:4:3:2", 0x00, false),
    entry(0x7A, "PEXIL Coef Option 2", "OPT1:OPT0:8:7:6:5:4:3", 0x00, false),
    entry(0x7B, "PEXIL Coef Option 3", "OFF2:OFF1:OFF0:-:-:AFC2:AFC1:AFC0", 0x00, false),
    entry(0x7C, "PEXIL Zone Select 1", "F1Z3:F1Z2:F1Z1:F1Z0:F2Z3:F2Z2:F2Z1:F2Z0", 0x00, false),
    entry(0x7D, "PEXIL Zone Select 2", "F3Z3:F3Z2:F3Z1:F3Z0:F4Z3:F4Z2:F4Z1:F4Z0", 0x00, false),
    entry(0x7E, "PEXIL Coef Select 1", "9:8:7:6:5:4:3:2", 0x00, false),
    entry(0x7F, "GPIO Enable", "SEL1:SEL0:-:-:EN1:EN2:EN3:EN4", 0x00, false),
    entry(0x80, "GPIO Config", "D1:P1:D2:P2:D3:P3:D4:P4", 0x00, false),
    entry(0x81, "GPIO Status", "GPIO4:GPIO3:GPIO2:GPIO1:-:-:-:-", 0x00, true),
    entry(0x7F, "PEXIL Coef Select 2", "SEL1:SEL0:-:-:EN1:EN2:EN3:EN4", 0x00, false),
    entry(0x7B, "AFC", "OFF2:OFF1:OFF0:-:-:AFC2:AFC1:AFC0", 0x00, false),
}};

constexpr bool tableIsConsistent() {
    for (int i = 0; i < RegisterCount; ++i) {
        const RegisterEntry& e = Table[i];
        if (i < 98 && e.Address != 0x20 + i) return false;
        if (e.Default < 0 || e.Default > 0xFF) return false;
        if (e.Description != e.Name) return false;
        int separators = 0;
        for (char c : e.BitNames)
            separators += c == ':';
        if (separators != 7) return false;
    }
    return Table[98].Address == 0x7F && Table[99].Address == 0x7B;
}
static_assert(tableIsConsistent());

} // namespace

const RegisterTable& BuildRegisterTable() {
    return Table;
}

std::optional<int> FindRegisterByAddress(int address) {
    for (int i = 0; i < RegisterCount; ++i) {
        if (Table[i].Address == address) return i;
    }
    return std::nullopt;
}

std::optional<int> FindRegisterByName(const QString& name) {
    for (int i = 0; i < RegisterCount; ++i) {
        const std::string_view n = Table[i].Name;
        if (name == QLatin1String(n.data(), static_cast<qsizetype>(n.size()))) return i;
    }
    return std::nullopt;
}
