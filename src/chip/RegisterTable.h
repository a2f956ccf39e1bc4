#pragma once

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

// The VORTANE's register map: one record per chip register, compile-time data.

// Identification values the chip's "Company ID" (0x3E) and "Device ID" (0x3D) registers hold.
// The start-up search recognises the chip by its company code.
inline constexpr int CompanyCode = 0x4B;
inline constexpr int DeviceCode = 0x62;

struct RegisterEntry {
    std::int32_t Address;
    std::string_view Name;
    std::string_view Description; // the text shown as description and written as .sav comment
    std::string_view BitNames;    // eight names joined by ':', bit 7 first
    std::int16_t Default;
    bool ReadOnly; // registers whose contents the chip sets itself
};

inline constexpr int RegisterCount = 100;
using RegisterTable = std::array<RegisterEntry, RegisterCount>;

// The table, in its fixed order: entries 0 to 97 are 0x20 to 0x81, entries 98 and 99 are the
// second names of 0x7F ("PEXIL Coef Select 2") and 0x7B ("AFC").
const RegisterTable& BuildRegisterTable();
// The entry at an index the lookups below gave.
inline const RegisterEntry& RegisterAt(int index) {
    return BuildRegisterTable().at(static_cast<std::size_t>(index));
}

// First entry (lowest index) with the address; 0x7F gives "GPIO Enable", never its second name.
std::optional<int> FindRegisterByAddress(int address);

// First entry whose Name equals the text exactly (case-sensitive).
std::optional<int> FindRegisterByName(const QString& name);
