// The command-line tool: scripted work with the evaluation board, without a window.
#include "base/Clock.h"
#include "cli/Cli.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <signal.h>

namespace {

volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void onInterrupt(int) {
    interruptRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    // The first Ctrl+C lets a monitor finish its sample and a batch stop between lines; the
    // handler then resets itself, so a second one ends the tool at once.
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);

    QTextStream out(stdout);
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
