// The program on each hardware backend, over its simulated bus: connected as at start-up, its
// windows read and write the chip end to end.
#include "board/Startup.h"
#include "session/BoardOptions.h"
#include "session/Session.h"
#include "support/WindowFixture.h"
#include "windows/frmAutoControl.h"
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

        // Its load reads runs of registers in blocks, among them PWM1's Tmin (0x6E); a typed value
        // goes out as a register write.
        session.usb.WriteRegister(0x2E, 0x6E, 37);
        frmAutoControl fans(session, polling);
        fans.show();
        QCOMPARE((QStringList{fans.txtPWMmax->text(), fans.txtPWMmin->text(), fans.txtTmin->text()}),
                 (QStringList{"100", "50", "37"}));
        retype(fans.txtPWMmax, QStringLiteral("80"));
        QCOMPARE(session.usb.ReadRegister(0x2E, 0x38), 204);

        frmInfo info(session, polling);
        QCOMPARE((QStringList{info.lblRevision->text(), info.lbl5V->text(), info.lbl12V->text()}), details);
        QVERIFY(ends.isEmpty() && told.isEmpty());
    }
};

QTEST_MAIN(TestHardwareBackends)
#include "tst_hardwarebackends.moc"
