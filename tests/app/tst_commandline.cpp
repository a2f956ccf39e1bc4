// The desktop program's command line, run as a separate process: what it answers before it needs
// a display.
#include "support/Rows.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Arguments, a display or none, exit status, and what is said (on standard output for --help).
    void answersWithoutStarting_data() {
        // With a display a usage error is shown in a message box too; without one it is only told.
        const QString usage = "\nUsage: vortane-eval [options] (see --help)\n";
        addRows<std::tuple<QStringList, bool, int, QString>>(
            {{"help needs no display", {{"--help"}, false, 0, "--firmware FILE"}},
             {"unknown", {{"--frobnicate"}, false, 2, "vortane-eval: unknown option '--frobnicate'" + usage}},
             {"missing value",
              {{"--journal"}, false, 2, "vortane-eval: option --journal needs a value" + usage}},
             {"no display",
              {{}, false, 1, "vortane-eval: no display found (set DISPLAY, or run under xvfb-run)\n"}}});
    }
    void answersWithoutStarting() {
        const auto& [args, display, status, says] = fetchRow<std::tuple<QStringList, bool, int, QString>>();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        if (display) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VORTANE_EVAL_PATH), args);
        QVERIFY(p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        if (status == 0)
            QVERIFY(QString::fromLocal8Bit(p.readAllStandardOutput()).contains(says));
        else // one line to the point, before Qt's platform plugin says anything
            QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), says);
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
