// The desktop program: splash window, connection to the board, then the main window.
#include "base/Clock.h"
#include "board/Startup.h"
#include "monitoring/PollingCycle.h"
#include "session/BoardOptions.h"
#include "session/Session.h"
#include "session/Settings.h"
#include "windows/QtPrompts.h"
#include "windows/ToolbarIcons.h"
#include "windows/frmMain.h"
#include "windows/frmSplash.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>

namespace {

const QString ShortUsage = QStringLiteral("Usage: vortane-eval [options] (see --help)");

QString usage() {
    return QStringLiteral(
               "Usage: vortane-eval [options]\n"
               "The VORTANE evaluation software. Starts on the evaluation board plugged in, or on\n"
               "the built-in simulated board when there is none.\n\n"
               "Options:\n"
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
    const bool parsed = ParseBoardOptions(args, options, rest, error) && rest.isEmpty();
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
    main.startPolling();
    InitDefaults(session);
    main.showHelpAtStartUp();
    return app.exec();
}
