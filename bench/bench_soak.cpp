// Endurance: the whole program on the simulated board for a day of simulated time on a manual
// clock, offscreen. Every window is open (the register map reading continuously), graphs update
// every 10 ms and every channel is logged every 100 ms. Prints, at each simulated hour, the
// resident memory and the log's progress; at the end checks the log file line by line against
// its sample count and interval, and prints the memory growth after the first hour (the graph
// history's bound is reached after ten minutes).
//   ./build/bench/bench_soak [simulated hours, default 24]
// Build with -DVORTANE_SANITIZE=ON to run it under AddressSanitizer and UBSan as well.
#include "BenchSupport.h"
#include "base/Clock.h"
#include "board/Startup.h"
#include "board/sim/SimBoard.h"
#include "monitoring/LoggingControl.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/frmMain.h"
#include "windows/frmRegMap.h"
#include "windows/frmSplash.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer holds freed memory back in its quarantine (256 MB by default) and adds shadow
// memory: its resident size grows by design, so only the normal build's growth is judged.
constexpr bool UnderAddressSanitizer = true;
#else
constexpr bool UnderAddressSanitizer = false;
#endif

double rssMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

class LogPrompts final : public Prompts {
public:
    explicit LogPrompts(QString file) : file_(std::move(file)) {}
    MessageAnswer message(const QString& text, MessageIcon, MessageButtons, const QString& = {}) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        ++messages;
        return MessageAnswer::Ok;
    }
    QString openFileName(const QString&, const QString&) override { return file_; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    void openUrl(const QString&) override {}
    int messages = 0;

private:
    QString file_;
};

struct LogCheck {
    std::int64_t dataLines = 0;
    std::int64_t timesOutOfStep = 0; // data lines whose time is not their index x interval
};

// Every data line's time column must be its sample number times the interval, with no gap,
// repeat or drift however long the log runs.
LogCheck checkLog(const QString& fileName, int intervalMs) {
    LogCheck check;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return check;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine();
        bool number = false;
        const double time = line.left(line.indexOf(',')).toDouble(&number);
        if (!number) continue; // the start block
        const std::int64_t tenths = std::llround(time * 10);
        if (tenths != check.dataLines * intervalMs / 100) ++check.timesOutOfStep;
        ++check.dataLines;
    }
    return check;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int hours = argc > 1 ? std::max(1, std::atoi(argv[1])) : 24;
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString logFile = dir.filePath(QStringLiteral("soak.csv"));

    ManualClock clock;
    LogPrompts prompts(logFile);
    SimBoard board(clock);
    board.setJournalCapacity(0);
    Session session(clock, prompts, board, dir.path());
    SettingsStore settings(dir.filePath(QStringLiteral("soak.ini")));
    settings.writeText(SettingsKeys::DisplayHelp, QStringLiteral("False"));
    PollingCycle polling(session);
    frmSplash splash;
    frmMain main(session, polling, settings);
    if (!main.Form_Load(splash)) return 1;
    main.resize(1400, 1000);
    main.show();
    InitDefaults(session);

    int opened = 0;
    for (QAction* action : main.findChildren<QAction*>()) {
        const QString windowClass = action->data().toString();
        if (windowClass.startsWith(QLatin1String("frm")) && action->isEnabled() &&
            main.openWindow(windowClass))
            ++opened;
    }
    if (auto* regmap = main.findChild<frmRegMap*>()) regmap->chkContRead->setChecked(true);
    session.options.GraphInterval = 10;
    constexpr int LogIntervalMs = 100;
    TickedChannels all{};
    all.fill(true);
    if (!StartLogging(session, all, QString::number(LogIntervalMs))) return 1;

    std::printf("%d windows open, graphs every 10 ms, 12 channels logged every %d ms\n", opened,
                LogIntervalMs);
    std::printf("hour  RSS MiB  log lines   requests  CPU s\n");
    std::fflush(stdout);
    const double cpuStart = cpuMicros();
    const std::int64_t start = clock.nowMs();
    double rssAfterFirstHour = 0, rssPeak = 0;
    for (int hour = 1; hour <= hours; ++hour) {
        for (int tick = 0; tick < 3600 * 100; ++tick) {
            polling.Tick(clock.nowMs());
            clock.advance(PollingCycle::TickMs);
            // Once a simulated second: queued signals, the charts' replot timers, deferred deletes.
            if (tick % 100 == 99) app.processEvents();
        }
        const double rss = rssMiB();
        if (hour == 1) rssAfterFirstHour = rss;
        rssPeak = std::max(rssPeak, rss);
        std::printf("%4d  %7.2f  %9lld  %9lld  %5.0f\n", hour, rss,
                    static_cast<long long>(session.decl.LogSampleCount),
                    static_cast<long long>(board.requestCount()), (cpuMicros() - cpuStart) / 1e6);
        std::fflush(stdout);
    }
    const bool logging = session.decl.LoggingActive;
    StopLogging(session);

    // A line is due on the first 10 ms tick at least the interval after the last one: an interval
    // that is a multiple of the tick is kept exactly.
    const std::int64_t period =
        (LogIntervalMs + PollingCycle::TickMs - 1) / PollingCycle::TickMs * PollingCycle::TickMs;
    const std::int64_t lastTick = clock.nowMs() - PollingCycle::TickMs;
    const std::int64_t expected = (lastTick - start) / period + 1;
    // The last line's time column against the clock's last tick: less than one interval when the
    // column has kept to real time over the whole run.
    const std::int64_t behind = lastTick - start - (session.decl.LogSampleCount - 1) * LogIntervalMs;
    const LogCheck log = checkLog(logFile, LogIntervalMs);
    std::printf("log: %lld data lines, sample count %lld, expected %lld; %lld times out of step; time column "
                "%lld ms before the last tick; %s\n",
                static_cast<long long>(log.dataLines), static_cast<long long>(session.decl.LogSampleCount),
                static_cast<long long>(expected), static_cast<long long>(log.timesOutOfStep),
                static_cast<long long>(behind), logging ? "logging ran to the end" : "LOGGING STOPPED");
    std::printf("RSS growth after the first hour: %.2f MiB (peak %.2f MiB); messages shown: %d\n",
                rssPeak - rssAfterFirstHour, rssPeak, prompts.messages);
    main.close();
    const bool ok = logging && log.dataLines == session.decl.LogSampleCount && log.dataLines == expected &&
                    behind >= 0 && behind < LogIntervalMs && log.timesOutOfStep == 0 &&
                    (UnderAddressSanitizer || rssPeak - rssAfterFirstHour <= 1.0) && prompts.messages == 0;
    std::printf("%s\n", ok ? "PASS" : "FAIL");
    return ok ? 0 : 1;
}
