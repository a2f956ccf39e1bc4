// The desktop program's command line, run as a separate process: what it answers before it needs a display.
#include "support/Http.h"
#include "support/Rows.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestCommandLine : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Arguments, exit status, and what is said, with no display: data/answers.txt.
    void answersWithoutStarting_data() {
        QTest::addColumn<std::tuple<QStringList, int, QString>>("row");
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/answers.txt"))
            QTest::newRow(qPrintable(r[0]))
                << std::tuple(r[1].split(u' ', Qt::SkipEmptyParts), r[2].toInt(), r[3]);
    }
    void answersWithoutStarting() {
        const auto& [args, status, says] = fetchRow<std::tuple<QStringList, int, QString>>();
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            env.remove(QString::fromLatin1(name));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VORTANE_EVAL_PATH), args);
        QVERIFY(p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit);
        QCOMPARE(p.exitCode(), status);
        if (status == 0)
            QVERIFY(QString::fromLocal8Bit(p.readAllStandardOutput()).contains(says));
        else // one line to the point, before Qt's platform plugin says anything
            QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()), says);
    }

    // --metrics: the desktop program's own polling cycle feeds the endpoint, on the address given.
    void servesMetricsWhileOnScreen() {
        QTemporaryDir dir;
        QProcess p;
        p.setReadChannel(QProcess::StandardError);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VORTANE_EVAL_PATH),
                {"--board", "sim", "--settings", dir.filePath("settings.ini"), "--metrics", "127.0.0.1:0"});
        QByteArray err;
        static const QRegularExpression serving(
            "^vortane-eval: serving http://127\\.0\\.0\\.1:([0-9]+)/metrics$",
            QRegularExpression::MultilineOption);
        QRegularExpressionMatch m;
        while (!(m = serving.match(QString::fromLocal8Bit(err))).hasMatch() && p.waitForReadyRead(20000))
            err += p.readAllStandardError();
        QVERIFY2(m.hasMatch(), err.constData());
        const int port = m.captured(1).toInt();
        QByteArray scrape;
        for (int tries = 0; tries < 200 && !scrape.contains("vortane_temperature_celsius{sensor=\"1\"}");
             ++tries) {
            QTest::qWait(100);
            scrape = httpGet(port, "/metrics");
        }
        QVERIFY2(scrape.contains("\nvortane_temperature_celsius{sensor=\"1\"} "), scrape.constData());
        QVERIFY(scrape.contains("vortane_board_info{board=\"sim\""));
        const double readAt = sample(scrape, "vortane_last_reading_timestamp_seconds"); // wall clock, seconds
        QVERIFY(std::abs(readAt - QDateTime::currentSecsSinceEpoch()) < 600);
        QProcess taken; // the address again: said on standard error too, the message box up
        taken.setProcessEnvironment(env);
        taken.setReadChannel(QProcess::StandardError);
        taken.start(QStringLiteral(VORTANE_EVAL_PATH),
                    {"--board", "sim", "--settings", dir.filePath("2.ini"), "--metrics",
                     QStringLiteral("127.0.0.1:%1").arg(port)});
        const QByteArray refusal = "cannot listen on 127.0.0.1:" + QByteArray::number(port);
        QByteArray said;
        while (!said.contains(refusal) && taken.waitForReadyRead(20000))
            said += taken.readAllStandardError();
        QVERIFY2(said.contains(refusal), said.constData());
        for (QProcess* running : {&taken, &p})
            running->kill(), running->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
