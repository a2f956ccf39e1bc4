// Cost of keeping the simulated chip alive: CPU time to advance it through simulated time, the
// way the program drives it (a request every 10 ms) and in one long jump (a test moving hours on).

#include "board/sim/SimChip.h"

#include <cstdio>
#include <ctime>

namespace {

double cpuSeconds() {
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

// A busy chip: two outputs automatic with smoothing, a heater on, GPIO inputs enabled.
SimChip busyChip() {
    SimChip chip;
    chip.write(0x68, 0xC0);
    chip.write(0x7C, 0x12);
    chip.write(0x6E, 30);
    chip.write(0x6F, 30);
    chip.write(0x75, 0xB3);
    chip.write(0x7F, 0x0F);
    chip.setHeaterLevel(1, 100);
    return chip;
}

} // namespace

int main() {
    constexpr std::int64_t hourMs = 3600 * 1000;
    int sink = 0;

    {
        SimChip chip = busyChip();
        const double start = cpuSeconds();
        std::int64_t requests = 0;
        for (std::int64_t t = 0; t <= hourMs; t += 10, ++requests) {
            chip.advanceTo(t);
            sink += chip.read(0x20 + static_cast<int>(requests % 22)); // readings, tachs, duties
        }
        const double cpu = cpuSeconds() - start;
        std::printf("one simulated hour, a request every 10 ms: %lld requests, %.1f ms CPU, %.2f us per "
                    "simulated second\n",
                    static_cast<long long>(requests), cpu * 1e3, cpu * 1e6 / 3600.0);
    }
    for (int hours : {1, 24}) {
        SimChip chip = busyChip();
        chip.advanceTo(0);
        const double start = cpuSeconds();
        chip.advanceTo(hours * hourMs);
        const double cpu = cpuSeconds() - start;
        sink += chip.read(0x20);
        std::printf("one jump of %d simulated hour(s): %.2f ms CPU\n", hours, cpu * 1e3);
    }
    {
        SimChip chip = busyChip();
        const std::int64_t steps = hourMs / SimChip::StepMs;
        const double start = cpuSeconds();
        for (std::int64_t i = 1; i <= steps; ++i)
            chip.advanceTo(i * SimChip::StepMs);
        const double cpu = cpuSeconds() - start;
        sink += chip.read(0x20);
        std::printf("one model step (%lld ms): %.0f ns CPU\n", static_cast<long long>(SimChip::StepMs),
                    cpu * 1e9 / static_cast<double>(steps));
    }
    std::printf("(checksum %d)\n", sink);
    return 0;
}
