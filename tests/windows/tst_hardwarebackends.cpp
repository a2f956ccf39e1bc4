// The program on each hardware backend, over its simulated bus: connected as at start-up, the
// board details window shows what that backend knows of the board. How each backend carries block
// reads and writes is tested with the backend itself (tst_usbboard, tst_i2cboard).
#include "board/Startup.h"
#include "session/BoardOptions.h"
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
        BackendSession b;
        BoardOptions options;
        options.board = QString::fromLatin1(QTest::currentDataTag());
        options.report = [&b](const QString& t) { b.told << t; };
        QString error;
        auto backend = CreateBoard(options, b.clock, nullptr, error);
        QVERIFY2(backend, qPrintable(error));
        b.start(std::move(backend));
        QVERIFY(b.connect());
        InitDefaults(*b.session);
        b.session->options.ReadingEnabled = false;
        PollingCycle polling(*b.session);
        frmInfo info(*b.session, polling);
        QCOMPARE((QStringList{info.lblRevision->text(), info.lbl5V->text(), info.lbl12V->text()}),
                 fetchRow<QStringList>());
        QVERIFY(b.ends.isEmpty() && b.told.isEmpty());
    }
};

QTEST_MAIN(TestHardwareBackends)
#include "tst_hardwarebackends.moc"
