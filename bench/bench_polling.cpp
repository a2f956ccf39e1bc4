// Cost of one polling tick over the simulated board: CPU time per tick, median and worst, with
// only the main window open (task 1 alone) and with a measurement group read on every tick.
//   ./build/bench/bench_polling [ticks]
#include "BenchSupport.h"
#include "base/Clock.h"
#include "board/Startup.h"
#include "board/sim/SimBoard.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void measure(const char* title, int readInterval, int ticks) {
    ManualClock clock;
    SilentPrompts prompts;
    SimBoard board(clock);
    Session session(clock, prompts, board, QStringLiteral("/tmp"));
    session.usb.DownloadFirmware(session.programFolder);
    session.usb.EnableSmbus();
    session.usb.DeviceAddress = 0x2E;
    SetDefaultValues(session);
    session.options.ReadInterval = readInterval;
    PollingCycle cycle(session);

    std::vector<double> costs;
    costs.reserve(std::size_t(ticks));
    for (int i = 0; i < ticks; ++i) {
        const double start = cpuMicros();
        cycle.Tick(clock.nowMs());
        costs.push_back(cpuMicros() - start);
        clock.advance(10);
    }
    std::sort(costs.begin(), costs.end());
    double total = 0;
    for (double c : costs)
        total += c;
    std::printf(
        "%-34s ticks %7d  median %7.2f us  p99 %7.2f us  worst %8.2f us  mean %7.2f us  requests %lld\n",
        title, ticks, costs[costs.size() / 2], costs[costs.size() * 99 / 100], costs.back(),
        total / double(ticks), static_cast<long long>(board.requestCount()));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int ticks = argc > 1 ? std::max(100, std::atoi(argv[1])) : 100000;
    measure("main window only (ReadInterval 100)", 100, ticks);
    measure("a group every tick (ReadInterval 0)", 0, ticks);
    return 0;
}
