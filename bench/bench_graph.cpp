// The graphs window over a long run: memory while the polling cycle feeds it for a day of the
// manual clock, CPU per graph update and per picture. Runs offscreen.
//   ./build/bench/bench_graph [simulated hours]
#include "BenchSupport.h"
#include "base/Clock.h"
#include "board/Startup.h"
#include "board/sim/SimBoard.h"
#include "monitoring/GeneralStuff.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "windows/frmGraph.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {

double rssMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct Rig {
    Rig() : board(clock), session(clock, prompts, board, QStringLiteral("/tmp")), polling(session) {
        session.usb.DownloadFirmware(session.programFolder);
        session.usb.EnableSmbus();
        session.usb.DeviceAddress = 0x2E;
        SetDefaultValues(session);
        session.usb.SetHeater(1, 60);
        // Every series has its first reading, so each update plots a point on every trace.
        for (const int group : {TemperatureGroup, FanSpeedGroup, DutyCycleGroup})
            ReadMeasurements(session, group);
    }
    ManualClock clock;
    SilentPrompts prompts;
    SimBoard board;
    Session session;
    PollingCycle polling;
};

double percentile(std::vector<double> v, int p) {
    std::sort(v.begin(), v.end());
    return v[v.size() * std::size_t(p) / 100];
}

// A day of 10 ms ticks with a graph update on every tick; pictures come from the chart's own
// display-rate timer whenever events are processed, as in the program.
void longRun(int hours) {
    Rig rig;
    rig.session.options.GraphInterval = 0; // every tick: an update every 10 ms
    frmGraph w(rig.session, rig.polling);
    w.show();
    QCoreApplication::processEvents();
    std::printf("long run: %d simulated hours, a graph update every 10 ms, history %s\n", hours,
                qPrintable(w.cmbHistory->currentText()));
    std::printf("%10s %10s %12s %10s %10s\n", "sim time", "RSS MiB", "points kept", "pictures", "CPU s");
    const double cpuStart = cpuMicros();
    const std::int64_t ticksPerHour = 360000;
    std::int64_t nextReport = 0;
    const std::int64_t total = ticksPerHour * hours;
    double rssAtBound = 0;
    double rssMax = 0;
    for (std::int64_t tick = 0; tick <= total; ++tick) {
        rig.polling.Tick(rig.clock.nowMs());
        rig.clock.advance(10);
        if (tick % 2000 == 0) {
            QCoreApplication::processEvents();
            // The simulated board's request journal (bounded, but a hundred thousand lines) is
            // not the window's memory.
            rig.board.clearJournal();
        }
        if (tick == 60000) rssAtBound = rssMiB(); // the ten-minute history is full
        if (tick >= 60000 && tick % 100000 == 0) rssMax = std::max(rssMax, rssMiB());
        if (tick == nextReport || tick == total) {
            std::printf("%9.2fh %10.2f %12zu %10d %10.1f\n", double(tick) / double(ticksPerHour), rssMiB(),
                        w.history().size(), w.shownChart()->replots(), (cpuMicros() - cpuStart) / 1e6);
            std::fflush(stdout);
            nextReport = tick < ticksPerHour ? tick + ticksPerHour / 6 : tick + 2 * ticksPerHour;
        }
    }
    std::printf("RSS once the history was full %.2f MiB, largest after %.2f MiB: grew %.3f MiB; history ring "
                "%.2f MiB\n\n",
                rssAtBound, rssMax, rssMax - rssAtBound,
                double(w.history().bytesAllocated()) / (1024.0 * 1024.0));
}

// CPU of one graph update (history append and twelve captions on five charts) and of one picture
// of the shown chart, with the history full.
void costs(int historyChoice, const char* title) {
    Rig rig;
    frmGraph w(rig.session, rig.polling);
    w.cmbHistory->setCurrentIndex(historyChoice);
    w.show();
    QCoreApplication::processEvents();
    const auto fill = static_cast<std::int64_t>(HistoryChoices()[std::size_t(historyChoice)].seconds * 100);
    for (std::int64_t k = 0; k < fill; ++k) {
        rig.clock.advance(10);
        w.UpdateGraphs();
    }
    std::vector<double> update;
    for (int k = 0; k < 20000; ++k) {
        rig.clock.advance(10);
        rig.session.readings.Temperatures[0] = std::int16_t(25 + k % 40);
        const double start = cpuMicros();
        w.UpdateGraphs();
        update.push_back(cpuMicros() - start);
    }
    StripChart* chart = w.shownChart();
    std::vector<double> steady, fresh;
    for (int k = 0; k < 50; ++k) {
        for (int u = 0; u < 4; ++u) { // 40 ms of updates between pictures
            rig.clock.advance(10);
            w.UpdateGraphs();
        }
        double start = cpuMicros();
        chart->replotNow();
        steady.push_back(cpuMicros() - start);
    }
    for (int k = 0; k < 10; ++k) {
        // A new width makes new columns: the picture re-reads every point of the range.
        const double start = cpuMicros();
        chart->resize(chart->width() + (k % 2 ? 1 : -1), chart->height());
        fresh.push_back(cpuMicros() - start);
    }
    std::printf("%-22s points %7zu  update median %6.2f us p99 %6.2f us | picture median %7.0f us | "
                "picture after resize %7.0f us\n",
                title, w.history().size(), percentile(update, 50), percentile(update, 99),
                percentile(steady, 50), percentile(fresh, 50));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int hours = argc > 1 ? std::max(1, std::atoi(argv[1])) : 24;
    costs(0, "history 1 minute");
    costs(HistoryChoiceAtLoad, "history 10 minutes");
    costs(int(HistoryChoices().size()) - 1, "history 1 hour");
    std::printf("\n");
    longRun(hours);
    return 0;
}
