// The whole desktop program on the simulated board, offscreen, on the real clock:
//  - start-up overhead: from starting the program's process to the end of its start-up (the
//    free-wheel write that ends InitDefaults), less the waits the connection sequence must keep
//    (34 x 50 ms enumeration, 200 ms after the SMBus enable, 1 s and 2 s for the splash window);
//  - CPU and memory with the main window alone, and with every window open, graphs at 50 ms and
//    logging at 100 ms.
//   ./build/bench/bench_program [seconds per CPU measurement, default 30]
// BENCH_SKIP=frmGraph,frmLimits leaves the named windows closed, to see what each one costs.
#include "BenchSupport.h"
#include "base/Clock.h"
#include "board/Startup.h"
#include "board/sim/SimBoard.h"
#include "monitoring/LoggingControl.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/frmMain.h"
#include "windows/frmSplash.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double MandatedWaitsMs = 34 * 50 + 200 + 1000 + 2000;

double rssMiB() {
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Milliseconds from starting the program until its journal shows the end of start-up.
double startUpMs(const QTemporaryDir& dir, int run) {
    const QString journal = dir.filePath(QStringLiteral("journal%1.txt").arg(run));
    const QString settings = dir.filePath(QStringLiteral("settings%1.ini").arg(run));
    {
        SettingsStore store(settings);
        store.writeText(SettingsKeys::DisplayHelp, QStringLiteral("False"));
        store.sync();
    }
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral(VORTANE_EVAL_PATH),
                  {"--board", "sim", "--journal", journal, "--settings", settings});
    double elapsed = -1;
    QFile file(journal);
    while (timer.elapsed() < 20000 && elapsed < 0) {
        if (file.isOpen() || file.open(QIODevice::ReadOnly)) {
            if (file.readAll().contains(" 832 0 0 -> 0")) elapsed = double(timer.nsecsElapsed()) / 1e6;
            file.seek(std::max<qint64>(0, file.size() - 200));
        }
        QThread::usleep(500);
    }
    program.kill();
    program.waitForFinished();
    return elapsed;
}

class LogPrompts final : public Prompts {
public:
    explicit LogPrompts(QString file) : file_(std::move(file)) {}
    MessageAnswer message(const QString& text, MessageIcon, MessageButtons, const QString& = {}) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MessageAnswer::Ok;
    }
    QString openFileName(const QString&, const QString&) override { return file_; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    void openUrl(const QString&) override {}

private:
    QString file_;
};

struct Usage {
    double cpuPercent;
    double rss;
};

// Runs the event loop for the given time. Not QApplication::quit: that closes every window first.
Usage run(int seconds) {
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    return {100.0 * (cpuSeconds() - cpuBefore) / (double(wall.nsecsElapsed()) / 1e9), rssMiB()};
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const int seconds = argc > 1 ? std::max(5, std::atoi(argv[1])) : 30;
    QApplication app(argc, argv);
    QTemporaryDir dir;

    std::vector<double> startUps;
    for (int i = 0; i < 5; ++i)
        startUps.push_back(startUpMs(dir, i));
    std::sort(startUps.begin(), startUps.end());
    std::printf(
        "start-up to the end of InitDefaults: median %.0f ms (min %.0f, max %.0f); mandated waits %.0f ms;"
        " overhead median %.0f ms\n",
        startUps[2], startUps[0], startUps[4], MandatedWaitsMs, startUps[2] - MandatedWaitsMs);

    SystemClock clock;
    LogPrompts prompts(dir.filePath(QStringLiteral("log.csv")));
    SimBoard board(clock);
    Session session(clock, prompts, board, dir.path());
    SettingsStore settings(dir.filePath(QStringLiteral("bench.ini")));
    settings.writeText(SettingsKeys::DisplayHelp, QStringLiteral("False"));
    PollingCycle polling(session);
    frmSplash splash;
    splash.show();
    frmMain main(session, polling, settings);
    if (!main.Form_Load(splash)) return 1;
    splash.close();
    main.resize(1400, 1000);
    main.show();
    main.startPolling();
    InitDefaults(session);

    const Usage alone = run(seconds);
    std::printf("main window alone:            CPU %5.2f %% of one core, RSS %6.1f MiB (%d s)\n",
                alone.cpuPercent, alone.rss, seconds);

    // Every window the menus open, then graphs at 50 ms and a log line every 100 ms.
    int opened = 0;
    for (QAction* action : main.findChildren<QAction*>()) {
        const QString windowClass = action->data().toString();
        if (!windowClass.startsWith(QLatin1String("frm")) || !action->isEnabled()) continue;
        if (qEnvironmentVariable("BENCH_SKIP").split(',').contains(windowClass)) continue;
        if (main.openWindow(windowClass)) ++opened;
    }
    session.options.GraphInterval = 50;
    TickedChannels all{};
    all.fill(true);
    if (!StartLogging(session, all, QStringLiteral("100"))) return 1;
    const auto requestsBefore = board.requestCount();
    const Usage everything = run(seconds);
    std::printf("requests %lld, log lines %lld\n",
                static_cast<long long>(board.requestCount() - requestsBefore),
                static_cast<long long>(session.decl.LogSampleCount));
    std::printf("%2d windows, graphs 50 ms, log 100 ms: CPU %5.2f %% of one core, RSS %6.1f MiB (%d s)\n",
                opened, everything.cpuPercent, everything.rss, seconds);
    StopLogging(session);
    main.close();
    return 0;
}
