// The program on each hardware backend, over its simulated bus: connected as at start-up, the
// board details window shows what that backend knows of the board. How each backend carries block
// reads and writes is tested with the backend itself (tst_usbboard, tst_i2cboard).
#include "board/Startup.h"
#include "session/BoardOptions.h"
#include "session/Session.h"
#include "support/WindowFixture.h"
#include "windows/frmInfo.h"

#include <QTest>

class TestHardwareBackends : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void windowsWorkOnTheBackend_data() {
        QTest::addColumn<QString>("board");
        QTest::addColumn<QStringList>("details"); // revision, 5 V, 12 V as the board details show them
        QTest::addColumn<QString>("named");       // the board as the splash window names it
        QTest::newRow("usb") << QStringLiteral("usb:sim") << QStringList{"B", "Yes", "Yes"}
                             << QStringLiteral("Simulated USB board 1-2 (serial VT000001)");
        QTest::newRow("i2c") << QStringLiteral("i2c:sim") << QStringList{"", "Unknown", "Unknown"}
                             << QStringLiteral("Simulated SMBus adapter, chip at 2Eh");
    }
    void windowsWorkOnTheBackend() {
        QFETCH(QString, board);
        QFETCH(QStringList, details);
        QFETCH(QString, named);
        ManualClock clock;
        ScriptedPrompts prompts;
        BoardOptions options;
        options.board = board;
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
        QCOMPARE(splash.texts.last(), QStringLiteral("Found an VORTANE at 2Eh"));
        QCOMPARE(splash.board, named);
        InitDefaults(session);
        session.options.ReadingEnabled = false;
        PollingCycle polling(session);
        frmInfo info(session, polling);
        QCOMPARE((QStringList{info.lblRevision->text(), info.lbl5V->text(), info.lbl12V->text()}), details);
        QVERIFY(ends.isEmpty() && told.isEmpty());
    }
};

QTEST_MAIN(TestHardwareBackends)
#include "tst_hardwarebackends.moc"
