// The desktop program's command line, run as a separate process: what it answers before it needs
// a display.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void answersWithoutStarting_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("display");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says"); // on standard output for --help, else on standard error
        QTest::newRow("help needs no display")
            << QStringList{"--help"} << false << 0 << "--sim-fail-block-reads";
        QTest::newRow("unknown")
            << QStringList{"--frobnicate"} << true << 2
            << "vortane-eval: unknown option '--frobnicate'\nTry 'vortane-eval --help'.\n";
        QTest::newRow("missing value")
            << QStringList{"--journal"} << true << 2
            << "vortane-eval: option --journal needs a value\nTry 'vortane-eval --help'.\n";
        QTest::newRow("no display")
            << QStringList{} << false << 1
            << "vortane-eval: no display found (set DISPLAY, or run under xvfb-run)\n";
    }
    void answersWithoutStarting() {
        QFETCH(QStringList, args);
        QFETCH(bool, display);
        QFETCH(int, status);
        QFETCH(QString, says);
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
