// The transport over the simulated board: what goes over the wire, what comes back, and how a
// failure ends the program.
#include "board/BoardStatus.h"
#include "board/USBStuff.h"
#include "registers/RegMapStuff.h"
#include "support/SimSession.h"

#include <QTest>

#include <limits>
#include <tuple>

class TestUSBStuff : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readRegisterSendsOneRequestAndReturnsByteZero() {
        SimSession t;
        t.connect();
        const int v = t.usb().ReadRegister(0x2E, 0x3E);
        QCOMPARE(v, CompanyCode);
        QCOMPARE(t.requestTexts(), QStringList{QStringLiteral("222 46 62 1 1")});
        QCOMPARE(t.requests().front().data, QByteArray(1, char(CompanyCode)));
    }

    void writeCarriesTheValueInBits8To15_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("sent");     // the caller's variable afterwards
        QTest::addColumn<int>("index");    // on the wire
        QTest::addColumn<int>("chipByte"); // what the register holds
        QTest::newRow("300 lowered") << 300 << 255 << 65348 << 0xFF;
        QTest::newRow("-10") << -10 << -10 << -2492 << 0xF6;
        QTest::newRow("-128") << -128 << -128 << -32700 << 0x80;
        QTest::newRow("-300") << -300 << -300 << -76732 << 0xD4; // low eight bits of -300
        QTest::newRow("int32 min") << std::numeric_limits<int>::min() << std::numeric_limits<int>::min() << 0x44 << 0;
    }
    void writeCarriesTheValueInBits8To15() {
        QFETCH(int, value);
        QFETCH(int, sent);
        QFETCH(int, index);
        QFETCH(int, chipByte);
        SimSession t;
        t.connect();
        std::int32_t v = value;
        QCOMPARE(t.usb().WriteRegister(0x2E, 0x44, v), std::int16_t(0));
        QCOMPARE(v, sent);
        QCOMPARE(t.requestTexts(), QStringList{QStringLiteral("222 46 %1 0 0").arg(index)});
        QCOMPARE(t.chip().read(0x44), chipByte);
    }

    void controlRegisterWritesRefreshTheFlags_data() {
        QTest::addColumn<int>("reg");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("manual"); // ManualControl(1..4)
        QTest::addColumn<QString>("gpio");   // GpioEnabled(1..4)
        QTest::newRow("0x68 BHV1") << 0x68 << 0x80 << "0111" << "0000";
        QTest::newRow("0x68 none") << 0x68 << 0x3F << "1111" << "0000";
        QTest::newRow("0x69 BHV4") << 0x69 << 0x40 << "1110" << "0000";
        QTest::newRow("0x7F EN1 EN3") << 0x7F << 0x0A << "1111" << "1010";
        QTest::newRow("other register") << 0x40 << 0xFF << "1111" << "0000";
    }
    void controlRegisterWritesRefreshTheFlags() {
        QFETCH(int, reg);
        QFETCH(int, value);
        QFETCH(QString, manual);
        QFETCH(QString, gpio);
        SimSession t;
        t.connect();
        for (int n = 1; n <= 4; ++n) t.usb().ManualControl(n) = true;
        t.usb().WriteRegister(0x2E, reg, value);
        QString m, g;
        for (int n = 1; n <= 4; ++n) {
            m += t.usb().ManualControl(n) ? QLatin1Char('1') : QLatin1Char('0');
            g += t.usb().GpioEnabled(n) ? QLatin1Char('1') : QLatin1Char('0');
        }
        QCOMPARE(m, manual);
        QCOMPARE(g, gpio);
        // The flag registers are read back right after their write; others are not.
        QStringList expected{QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg)};
        if (reg != 0x40) expected << QStringLiteral("222 46 %1 1 1").arg(reg);
        QCOMPARE(t.requestTexts(), expected);
    }

    void blockReadReturnsConsecutiveRegisters() {
        SimSession t;
        t.connect();
        t.usb().DeviceAddress = 0x2E;
        t.usb().ReadBlock(0x6A, 8);
        const auto& b = t.usb().TransferBuffer;
        for (int i = 0; i < 4; ++i) QCOMPARE(int(b[i]), 0x80);     // PWM min duty defaults
        for (int i = 4; i < 8; ++i) QCOMPARE(int(b[i]), 0x5A);     // Tmin defaults
        QCOMPARE(t.requestTexts(), QStringList{QStringLiteral("220 46 106 1 8")});
    }

    // A failed block read reports its status and leaves the buffer as it was; only a window's load
    // takes it for a link error.
    void failedBlockReadIsReported() {
        SimOptions o;
        o.failBlockReads = true;
        SimSession t(o);
        t.connect();
        t.usb().TransferBuffer.fill(0xA5);
        QVERIFY(t.usb().ReadBlock(0x20, 10) != 0);
        QVERIFY(t.programEnds.isEmpty());
        for (int i = 0; i < 10; ++i) QCOMPARE(int(t.usb().TransferBuffer[i]), 0xA5);
        QVERIFY(!t.usb().ReadBlockOrFail(0x38, 4));
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
        QCOMPARE(t.requests().size(), 2);
    }

    void heaterLevelsAreClampedInTheCallersVariable_data() {
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("sent");
        QTest::newRow("150") << 150 << 100;
        QTest::newRow("-5") << -5 << 0;
        QTest::newRow("37") << 37 << 37;
    }
    void heaterLevelsAreClampedInTheCallersVariable() {
        QFETCH(int, level);
        QFETCH(int, sent);
        SimSession t;
        t.connect();
        std::int32_t v = level;
        QCOMPARE(t.usb().SetHeater(1, v), std::int16_t(0));
        QCOMPARE(v, sent);
        QCOMPARE(t.requestTexts(), QStringList{QStringLiteral("218 1 %1 0 1").arg(sent)});
        QCOMPARE(t.usb().ReadHeaterLevels(), std::int16_t(0));
        QCOMPARE(int(t.usb().TransferBuffer[0]), 2 * sent);
        QCOMPARE(int(t.usb().TransferBuffer[1]), 0);
    }

    void failedReadEndsTheProgramAndNothingMoreReachesTheBoard() {
        SimOptions o;
        o.failRequestNumber = 3; // after the SMBus enable, the second request of the test
        SimSession t(o);
        t.connect();
        t.usb().ReadRegister(0x2E, 0x40);
        t.usb().ReadRegister(0x2E, 0x41);
        QCOMPARE(t.prompts.messages.size(), 1);
        QCOMPARE(t.prompts.messages[0].text, QStringLiteral("Communications Interrupted - Check USB connections"));
        QCOMPARE(t.prompts.messages[0].icon, MessageIcon::Critical);
        QCOMPARE(t.prompts.messages[0].buttons, MessageButtons::Ok);
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
        const auto before = t.board->journal().size();
        t.usb().ReadRegister(0x2E, 0x40);
        t.usb().WriteRegister(0x2E, 0x40, 1);
        t.usb().ReadBlock(0x20, 10);
        QCOMPARE(t.board->journal().size(), before);
        QCOMPARE(t.prompts.messages.size(), 1);
        QCOMPARE(t.programEnds.size(), 1);
    }

    void failedWriteEndsTheProgramWithoutRefreshingFlags() {
        SimOptions o;
        o.failRequestNumber = 2;
        SimSession t(o);
        t.connect();
        QVERIFY(t.usb().WriteRegister(0x2E, 0x68, 0x80) != 0);
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
        QCOMPARE(t.requests().size(), 1); // no read-back of 0x68
    }

    void heaterErrorAsksWhetherToEnd() {
        for (const MessageAnswer answer : {MessageAnswer::No, MessageAnswer::Yes}) {
            SimOptions o;
            o.failRequestNumber = 2;
            SimSession t(o);
            t.connect();
            t.prompts.answers = {answer};
            QVERIFY(t.usb().SetHeater(1, 50) != 0);
            QCOMPARE(t.prompts.messages.size(), 1);
            QCOMPARE(t.prompts.messages[0].text,
                     QStringLiteral("Error in Heater Module -  Do you wish to close the application?"));
            QCOMPARE(t.prompts.messages[0].icon, MessageIcon::None);
            QCOMPARE(t.prompts.messages[0].buttons, MessageButtons::YesNo);
            if (answer == MessageAnswer::Yes) {
                QCOMPARE(t.programEnds, QList<int>{HeaterModuleError});
                continue;
            }
            // No: the caller gets the status back and the program goes on talking to the board.
            QVERIFY(t.programEnds.isEmpty());
            QCOMPARE(t.usb().ReadRegister(0x2E, 0x3E), CompanyCode);
        }
    }

    void codesWithoutACallerHaveTheirMessagesAndOthersNone() {
        QCOMPARE(LinkErrorMessage(1), QStringLiteral("SMBus enable error  - Check USB connections"));
        QCOMPARE(LinkErrorMessage(4), QStringLiteral("Device not found - Check USNB connections"));
        SimSession t;
        t.usb().ShowLinkError(7);
        QVERIFY(t.prompts.messages.isEmpty());
        QCOMPARE(t.programEnds, QList<int>{7});
    }

    void firmwarePathIsZeroTerminatedEightBitText() {
        SimSession t({}, QStringLiteral("/opt/vortane"));
        QCOMPARE(t.usb().DownloadFirmware(QStringLiteral("/opt/vortane")), std::int16_t(0));
        const QByteArray expected = "/opt/vortane/HELDRIXFW.Hex";
        const auto& buf = t.usb().firmwarePathBuffer();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buf.data())), expected);
        QCOMPARE(int(buf[std::size_t(expected.size())]), 0);
        QCOMPARE(t.board->journal().front().firmwarePath, QString::fromLatin1(expected));
    }

    void chipRequestsBeforeTheBridgeIsEnabledFail() {
        SimSession t;
        t.usb().DownloadFirmware(QStringLiteral("/x"));
        t.usb().DeviceAddress = 0x2E;
        t.usb().ReadRegister(0x2E, 0x40);
        QCOMPARE(t.programEnds, QList<int>{CommunicationsInterrupted});
    }

    void journalIsBounded() {
        SimSession t;
        t.connect();
        for (std::size_t i = 0; i < SimBoard::JournalCapacity + 10; ++i) t.usb().ReadBlock(0x20, 1);
        QCOMPARE(t.board->journal().size(), SimBoard::JournalCapacity);
    }

    void boardStatusAndFansPresentAreDecoded() {
        for (const auto& [byte2, byte4, revision, has5V, has12V] :
             {std::tuple{0x0C, 0x00, "A", true, true}, std::tuple{0x04, 0x01, "B", false, true},
              std::tuple{0x08, 0x04, "D", true, false}, std::tuple{0x00, 0x0B, "", false, false}}) {
            std::array<std::uint8_t, 65> buffer{};
            buffer[2] = std::uint8_t(byte2);
            buffer[4] = std::uint8_t(byte4);
            const BoardStatus s = DecodeBoardStatus(buffer);
            QCOMPARE(s.revision, QLatin1String(revision));
            QCOMPARE(s.supply5V, has5V);
            QCOMPARE(s.supply12V, has12V);
        }
        QCOMPARE(FansPresent(0x05), (std::array<bool, 4>{false, true, false, true}));
    }
};

QTEST_GUILESS_MAIN(TestUSBStuff)
#include "tst_usbstuff.moc"
