// The command-line tool: scripted work with the evaluation board, without a window.
#include "base/Clock.h"
#include "cli/Cli.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <memory>
#include <signal.h>

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void onInterrupt(int) {
    interruptRequested = 1;
}

// A bench report draws its charts with a widget, which needs a QApplication; the other commands
// need no display and start without one. A batch may ask for a report on any line.
bool drawsCharts(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "batch" || arg == "--report" || arg.startsWith("--report=")) return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> application;
    if (drawsCharts(argc, argv)) {
        // Without a display the charts are drawn offscreen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }

    // The first Ctrl+C lets a monitor finish its sample and a batch stop between lines; the
    // handler then resets itself, so a second one ends the tool at once.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);

    QTextStream out(stdout); // both flush what is left as main returns
    QTextStream err(stderr);
    QFile input;
    input.open(stdin, QIODevice::ReadOnly);
    QFile output;
    output.open(stdout, QIODevice::WriteOnly);
    SystemClock clock;

    CliEnvironment env{out, err, clock, QCoreApplication::applicationDirPath()};
    env.interrupted = [] { return interruptRequested != 0; };
    env.input = &input;
    env.output = &output;
    return RunCli(QCoreApplication::arguments().mid(1), env);
}
