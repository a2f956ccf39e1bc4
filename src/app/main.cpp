// The desktop program: splash window, connection to the board, then the main window.
#include "base/Clock.h"
#include "board/Startup.h"
#include "metrics/BoardMetrics.h"
#include "metrics/MetricsServer.h"
#include "monitoring/PollingCycle.h"
#include "session/BoardOptions.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/QtPrompts.h"
#include "windows/ToolbarIcons.h"
#include "windows/frmMain.h"
#include "windows/frmSplash.h"

#include <QApplication>
#include <QDateTime>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

const QString ShortUsage = QStringLiteral("Usage: vortane-eval [options] (see --help)");

QString usage() {
    return QStringLiteral(
               "Usage: vortane-eval [options]\n"
               "The VORTANE evaluation software. Starts on the evaluation board plugged in, or on\n"
               "the built-in simulated board when there is none.\n\n"
               "Options:\n"
               "  --metrics ADDR:PORT       also serve the readings, alarms and link state at\n"
               "                            http://ADDR:PORT/metrics for Prometheus, as vortane-cli serve\n"
               "                            does (127.0.0.1:9813: this machine only); off by default\n"
               "  --help                    show this text\n") +
           BoardOptionsHelp();
}

bool haveDisplay() {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    BoardOptions options;
    QStringList rest;
    QString error;
    if (args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
        QTextStream(stdout) << usage();
        return 0;
    }
    bool parsed = ParseBoardOptions(args, options, rest, error);
    std::optional<ListenAddress> metricsAddress;
    if (const qsizetype at = rest.indexOf(QStringLiteral("--metrics")); parsed && at >= 0) {
        if (at + 1 < rest.size())
            metricsAddress = ParseListenAddress(rest[at + 1], error);
        else
            error = QStringLiteral("option --metrics needs a value");
        parsed = metricsAddress.has_value();
        rest.remove(at, std::min<qsizetype>(2, rest.size() - at));
    }
    parsed = parsed && rest.isEmpty();
    if (!parsed) {
        if (error.isEmpty()) error = QStringLiteral("unknown option '%1'").arg(rest.constFirst());
        QTextStream(stderr) << "vortane-eval: " << error << '\n' << ShortUsage << '\n';
    }
    if (!haveDisplay()) {
        if (!parsed) return 2;
        QTextStream(stderr) << "vortane-eval: no display found (set DISPLAY, or run under xvfb-run)\n";
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral(VORTANE_VERSION));
    QApplication::setWindowIcon(ToolbarIcon(QStringLiteral("GPIO")));
    // Pairs the window with the desktop's menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("vortane-eval"));

    QtPrompts prompts;
    // Started from a menu, the program has no terminal to tell: what stops it is shown, too.
    if (!parsed) {
        prompts.message(error, MessageIcon::Critical, MessageButtons::Ok, ShortUsage);
        return 2;
    }
    SystemClock clock;
    SimBoard* sim = nullptr;
    options.report = [](const QString& text) { QTextStream(stderr) << "vortane-eval: " << text << '\n'; };
    options.chooseBoard = [](const QStringList& choices) { return ChooseBoard(choices); };
    BoardFailure failure = BoardFailure::Unavailable;
    std::unique_ptr<USBFunctions> board = CreateBoard(options, clock, &sim, error, &failure);
    if (!board) {
        if (failure == BoardFailure::Cancelled) return 0;
        options.report(error);
        if (failure == BoardFailure::Usage)
            prompts.message(error, MessageIcon::Critical, MessageButtons::Ok, ShortUsage);
        else
            prompts.message(LinkErrorMessage(InitialConnectionFailed), MessageIcon::Critical,
                            MessageButtons::Ok, error);
        return 2;
    }
    Session session(clock, prompts, *board, QCoreApplication::applicationDirPath());
    session.firmwareFile = options.firmwareFile;
    session.usb.report = options.report;
    SettingsStore settings(options.settingsFile);
    PollingCycle polling(session);
    // The endpoint listens before the board is touched, so an address that cannot be had stops
    // the program at once; it is fed after every tick of the polling cycle.
    BoardMetrics metrics;
    std::unique_ptr<MetricsServer> metricsServer;
    if (metricsAddress) {
        metricsServer = MetricsServer::listen(*metricsAddress, metrics.registry(), error);
        if (!metricsServer) {
            options.report(error);
            prompts.message(error, MessageIcon::Critical, MessageButtons::Ok);
            return 1;
        }
        ListenAddress where = *metricsAddress;
        where.port = metricsServer->port();
        QTextStream(stderr) << "vortane-eval: serving http://" << where.text() << "/metrics\n";
    }

    frmSplash splash;
    splash.show();
    splash.repaint();
    QCoreApplication::processEvents();

    frmMain main(session, polling, settings);
    // A link error: after its message every window unloads (the main window saves its position),
    // then the program ends at once without another request.
    session.usb.onProgramEnd = [&main](int) {
        main.Form_Unload();
        std::fflush(nullptr);
        std::exit(1);
    };
    if (!main.Form_Load(splash)) return 1;
    splash.close();
    prompts.setParentWidget(&main);
    main.show();
    if (metricsServer)
        QObject::connect(&polling, &PollingCycle::ticked, [&metrics, &session, &main] {
            metrics.update(session, main.alarmMonitor(),
                           static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0);
        });
    main.startPolling();
    InitDefaults(session);
    main.showHelpAtStartUp();
    return app.exec();
}
