// The software options window: which typed intervals are applied or refused, and what the
// applied options do to the polling cycle and a running log.
#include "monitoring/LoggingControl.h"
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmSWOptions.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Fixture {
    void retype(QLineEdit* box, const QString& text) {
        box->selectAll();
        box->del();
        QTest::keyClicks(box, text);
    }
    SimSession t;
    PollingCycle polling{*t.session};
    bool connected = (t.connect(), true); // the program's defaults, before the window loads them
    frmSWOptions w{*t.session, polling};
};
} // namespace

class TestFrmSWOptions : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void refusedValueAppliesNothing_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("16-bit graph") << "txtGraphing"
                                      << "40000"
                                      << "Graphing Interval (ms) must be a number from 0 to 32767.";
        QTest::newRow("negative read") << "txtReadInt"
                                       << "-20"
                                       << "Reading Interval (ms) must be a number from 0 to 2147483647.";
        QTest::newRow("32-bit log") << "txtLogging"
                                    << "3e9"
                                    << "Logging Interval (ms) must be a number from 0 to 2147483647.";
    }
    void refusedValueAppliesNothing() {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, message);
        Fixture f;
        f.w.chkMonitoring->click();
        f.retype(f.w.txtReadInt, QStringLiteral("250"));
        f.retype(f.w.findChild<QLineEdit*>(box), text);
        f.w.cmdApply->click();
        QCOMPARE(f.t.prompts.messages.size(), 1);
        QCOMPARE(f.t.prompts.messages[0].text, message);
        const PollingOptions& o = f.t.session->options;
        QCOMPARE((QList<int>{o.ReadingEnabled, o.ReadInterval, o.GraphInterval, o.LogInterval}),
                 (QList<int>{true, 100, 50, 100}));
    }

    // Reading off and an empty logging interval: no more block reads, a log line on every tick
    // with time 0 repeating the last readings. Typed values not applied go with Close.
    void appliedOptionsDriveTheRunningLog() {
        Fixture f;
        QCOMPARE((QStringList{f.w.txtReadInt->text(), f.w.txtGraphing->text(), f.w.txtLogging->text()}),
                 (QStringList{"100", "50", "100"}));
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("log.csv"));
        f.t.prompts.fileNames << file;
        QVERIFY(StartLogging(*f.t.session, {false, false, false, false, true}, QStringLiteral("100")));
        f.t.session->readings.FanSpeeds[0] = 4321;
        f.w.chkMonitoring->click();
        f.retype(f.w.txtLogging, QString());
        f.w.cmdApply->click();
        f.t.board->clearJournal();
        for (int now = 0; now < 50; now += 10)
            f.polling.Tick(now);
        QVERIFY(f.t.requests().isEmpty());
        QFile log(file);
        QVERIFY(log.open(QIODevice::ReadOnly));
        QVERIFY(log.readAll().endsWith("Tach1(RPM) ,\r\n" + QByteArray("0, 4321,\r\n").repeated(5)));

        f.retype(f.w.txtReadInt, QStringLiteral("500"));
        f.w.cmdCancel->click();
        QCOMPARE(f.t.session->options.ReadInterval, 100);
        QVERIFY(f.t.prompts.messages.isEmpty());
    }
};

QTEST_MAIN(TestFrmSWOptions)
#include "tst_frmswoptions.moc"
