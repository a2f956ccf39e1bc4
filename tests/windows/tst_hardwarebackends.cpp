// The program on each hardware backend, over its simulated bus: connected as at start-up, the
// board details window shows what that backend knows of the board. How each backend carries block
// reads and writes is tested with the backend itself (tst_usbboard, tst_i2cboard).
#include "board/Startup.h"
#include "session/BoardOptions.h"
#include "session/Session.h"
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmInfo.h"

#include <QTest>

class TestHardwareBackends : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The board, as --board names it; revision, 5 V and 12 V as the board details show them.
    void windowsWorkOnTheBackend_data() {
        addRows<QStringList>({{"usb:sim", {"B", "Yes", "Yes"}}, {"i2c:sim", {"", "Unknown", "Unknown"}}});
    }
    void windowsWorkOnTheBackend() {
        ManualClock clock;
        ScriptedPrompts prompts;
        BoardOptions options;
        options.board = QString::fromLatin1(QTest::currentDataTag());
        QStringList told;
        options.report = [&told](const QString& t) { told << t; };
        QString error;
        const auto backend = CreateBoard(options, clock, nullptr, error);
        QVERIFY2(backend, qPrintable(error));
        Session session(clock, prompts, *backend, QStringLiteral("/opt/vortane"));
        QList<int> ends;
        session.usb.onProgramEnd = [&ends](int code) { ends << code; };
        RecordingSplash splash(clock);
        QVERIFY(RunConnectionSequence(session, splash, {}));
        InitDefaults(session);
        session.options.ReadingEnabled = false;
        PollingCycle polling(session);
        frmInfo info(session, polling);
        QCOMPARE((QStringList{info.lblRevision->text(), info.lbl5V->text(), info.lbl12V->text()}),
                 fetchRow<QStringList>());
        QVERIFY(ends.isEmpty() && told.isEmpty());
    }
};

QTEST_MAIN(TestHardwareBackends)
#include "tst_hardwarebackends.moc"
