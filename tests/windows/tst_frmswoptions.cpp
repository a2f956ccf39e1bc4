// The software options window: which typed intervals are applied and which are refused. What the
// applied options do to the polling cycle and a running log is tested with the cycle.
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmSWOptions.h"

#include <QTest>

namespace {
struct Fixture : WindowFixture<frmSWOptions> {
    Fixture() {
        t.session->options.ReadingEnabled = true; // the program's defaults, before the window loads them
        open();
    }
    QList<int> options() const {
        const PollingOptions& o = t.session->options;
        return {o.ReadingEnabled, o.ReadInterval, o.GraphInterval, o.LogInterval};
    }
};
} // namespace

class TestFrmSWOptions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // A value its variable cannot hold refuses the whole Apply, the other boxes included.
    void aValueTooLargeForItsVariable_data() {
        const QString any32 = QStringLiteral(" must be a number from 0 to 2147483647.");
        addRows<std::pair<QString, QString>>(
            {{"txtGraphing", {"40000", "Graphing Interval (ms) must be a number from 0 to 32767."}},
             {"txtReadInt", {"-20", "Reading Interval (ms)" + any32}},
             {"txtLogging", {"3e9", "Logging Interval (ms)" + any32}}});
    }
    void aValueTooLargeForItsVariable() {
        const auto& [text, message] = fetchRow<std::pair<QString, QString>>();
        Fixture f;
        f.w->chkMonitoring->click();
        f.w->findChild<QLineEdit*>(QTest::currentDataTag())->setText(text);
        f.w->cmdApply->click();
        QCOMPARE(f.t.prompts.messages.value(0).text, message);
        QCOMPARE(f.options(), (QList<int>{true, 100, 50, 100}));
    }

    // Text without a number is 0; values typed but not applied go with Close.
    void applyThenClose() {
        Fixture f;
        QCOMPARE((QStringList{f.w->txtReadInt->text(), f.w->txtGraphing->text(), f.w->txtLogging->text()}),
                 (QStringList{"100", "50", "100"}));
        f.w->chkMonitoring->click();
        f.w->txtLogging->clear();
        f.w->txtGraphing->setText(QStringLiteral("32767"));
        f.w->cmdApply->click();
        f.w->txtReadInt->setText(QStringLiteral("500"));
        f.w->cmdCancel->click();
        QCOMPARE(f.options(), (QList<int>{false, 100, 32767, 0}));
    }
};

QTEST_MAIN(TestFrmSWOptions)
#include "tst_frmswoptions.moc"
