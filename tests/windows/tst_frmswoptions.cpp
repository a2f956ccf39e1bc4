// The software options window: which typed intervals are applied and which are refused. What the
// applied options do to the polling cycle and a running log is tested with the cycle.
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmSWOptions.h"

#include <QTest>

namespace {
struct Fixture {
    SimSession t;
    PollingCycle polling{*t.session};
    bool connected = (t.connect(), true); // the program's defaults, before the window loads them
    frmSWOptions w{*t.session, polling};
};
void retype(QLineEdit* box, const QString& text) {
    box->clear();
    QTest::keyClicks(box, text);
}
} // namespace

class TestFrmSWOptions : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // A value its variable cannot hold refuses the whole Apply, the other boxes' values included.
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
        retype(f.w.txtLogging, QStringLiteral("250"));
        retype(f.w.findChild<QLineEdit*>(box), text);
        f.w.cmdApply->click();
        QCOMPARE(f.t.prompts.messages.value(0).text, message);
        const PollingOptions& o = f.t.session->options;
        QCOMPARE((QList<int>{o.ReadingEnabled, o.ReadInterval, o.GraphInterval, o.LogInterval}),
                 (QList<int>{true, 100, 50, 100}));
    }

    // Text without a number is 0, applied; values typed but not applied go with Close.
    void appliedAndDiscarded() {
        Fixture f;
        QCOMPARE((QStringList{f.w.txtReadInt->text(), f.w.txtGraphing->text(), f.w.txtLogging->text()}),
                 (QStringList{"100", "50", "100"}));
        f.w.chkMonitoring->click();
        retype(f.w.txtLogging, QString());
        retype(f.w.txtGraphing, QStringLiteral("32767"));
        f.w.cmdApply->click();
        retype(f.w.txtReadInt, QStringLiteral("500"));
        f.w.cmdCancel->click();
        const PollingOptions& o = f.t.session->options;
        QCOMPARE((QList<int>{o.ReadingEnabled, o.ReadInterval, o.GraphInterval, o.LogInterval}),
                 (QList<int>{false, 100, 32767, 0}));
        QVERIFY(f.t.prompts.messages.isEmpty());
    }
};

QTEST_MAIN(TestFrmSWOptions)
#include "tst_frmswoptions.moc"
