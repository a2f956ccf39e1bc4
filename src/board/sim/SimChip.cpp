#include "board/sim/SimChip.h"

#include "registers/RegMapStuff.h"

SimChip::SimChip(const ChipScenario& scenario) : scenario_(scenario) {
    for (const RegisterEntry& e : BuildRegisterTable())
        regs_[static_cast<std::size_t>(e.Address)] = static_cast<std::uint8_t>(e.Default);
}

void SimChip::advanceTo(std::int64_t chipTimeMs) {
    if (chipTimeMs > now_) now_ = chipTimeMs;
}

int SimChip::read(int reg) const { return regs_[static_cast<std::size_t>(reg & 0xFF)]; }

void SimChip::write(int reg, int value) {
    const auto entry = FindRegisterByAddress(reg & 0xFF);
    if (entry && BuildRegisterTable()[static_cast<std::size_t>(*entry)].ReadOnly) return;
    if (!entry) return; // no register there
    regs_[static_cast<std::size_t>(reg & 0xFF)] = static_cast<std::uint8_t>(value & 0xFF);
}

void SimChip::setHeaterLevel(int heater, int level) {
    if (heater == 1 || heater == 2) heaterLevel_[static_cast<std::size_t>(heater - 1)] = level;
}
