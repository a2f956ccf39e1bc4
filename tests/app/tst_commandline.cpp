// The desktop program's command line, run as a separate process.
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run run(const QStringList& args, bool display = true) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    if (display) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(VORTANE_EVAL_PATH), args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void helpListsTheBoardAndSimulatorOptions() {
        const Run r = run({QStringLiteral("--help")}, false);
        QCOMPARE(r.exitCode, 0);
        for (const char* option : {"--board sim", "--journal FILE", "--sim-chips", "--sim-no-chip",
                                   "--sim-enable-failures", "--sim-firmware-fails", "--sim-fail-request",
                                   "--sim-link-lost-after", "--sim-fail-block-reads"})
            QVERIFY2(r.out.contains(QLatin1String(option)), option);
    }

    void unknownOptionsAreRefusedWithStatusTwo_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        QTest::newRow("unknown") << QStringList{"--frobnicate"} << QStringLiteral("unknown option '--frobnicate'");
        QTest::newRow("stray word") << QStringList{"sim"} << QStringLiteral("unknown option 'sim'");
        QTest::newRow("missing value") << QStringList{"--journal"} << QStringLiteral("--journal needs a value");
        QTest::newRow("bad address") << QStringList{"--sim-chips", "zz"} << QStringLiteral("invalid value");
        QTest::newRow("unknown board") << QStringList{"--board", "usb3"} << QStringLiteral("unknown board");
    }
    void unknownOptionsAreRefusedWithStatusTwo() {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const Run r = run(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QVERIFY(!r.err.contains(QLatin1String("qt.qpa")));
    }

    void withoutADisplayItSaysSoInOneLine() {
        const Run r = run({}, false);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err.count(QLatin1Char('\n')), 1);
        QVERIFY(r.err.contains(QLatin1String("no display")));
        QVERIFY(!r.err.contains(QLatin1String("plugin")));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
