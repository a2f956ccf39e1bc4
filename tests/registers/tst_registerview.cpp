// What the register map reads and writes for typed addresses and values, on the simulator's wire,
// and the texts of its bit display and mirrored value boxes.
#include "registers/RegisterView.h"
#include "support/SimSession.h"

#include <QTest>

class TestRegisterView : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    // An address without a table entry is read all the same; its bits are then named by number.
    void typedRegister() {
        SimSession sim;
        sim.connect();
        sim.chip().write(0x6E, 0x5A);
        const RegisterView tmin = ReadTypedRegister(sim.usb(), QStringLiteral("6E"));
        QCOMPARE((QStringList{tmin.description, tmin.addressText}),
                 QStringList({"Temperature1 Tmin", "6Eh"}));
        QCOMPARE(tmin.value, 0x5A);
        const RegisterView unknown = ReadTypedRegister(sim.usb(), QStringLiteral("90"));
        QCOMPARE((QStringList{unknown.description, unknown.addressText}), QStringList({"Unknown", "90h"}));
        QCOMPARE(QStringList(unknown.bitNames.begin(), unknown.bitNames.end()),
                 QStringList({"7", "6", "5", "4", "3", "2", "1", "0"}));
        QCOMPARE(unknown.value, sim.chip().read(0x90));
        QCOMPARE(sim.requestTexts(), QStringList({"222 46 110 1 1", "222 46 144 1 1"}));
    }

    // A bit showing anything but "0" counts as set, and a click clears it.
    void bitTexts() {
        for (int value = 0; value < 256; ++value)
            QCOMPARE(BitSum(BitTexts(value)), value);
        std::array<QString, 8> texts = BitTexts(0);
        texts[3] = QStringLiteral("X");
        texts[7] = QString();
        QCOMPARE(BitSum(texts), 0x88);
        QCOMPARE(FlippedBitText(QStringLiteral("X")), QStringLiteral("0"));
    }

    // The typed value goes through TypedRegisterValue and the transport to the wire.
    void write_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<std::int32_t>("index"); // value * 256 + register
        QTest::addColumn<int>("held");

        QTest::newRow("half down to even") << "6E"
                                           << "2.5" << 2 * 256 + 0x6E << 2;
        QTest::newRow("half up to even") << "6E"
                                         << "3.5" << 4 * 256 + 0x6E << 4;
        QTest::newRow("beyond 32 bits") << "6E"
                                        << "1e10" << 255 * 256 + 0x6E << 255;
        QTest::newRow("negative") << "6E"
                                  << "-1" << -256 + 0x6E << 0xFF;
        QTest::newRow("below 32 bits") << "6E"
                                       << "-1e10" << 0x6E << 0;
        // The typed address's bits above the first byte must not reach the value byte of the index.
        QTest::newRow("address above FF") << "16E"
                                          << "1" << 256 + 0x6E << 1;
        QTest::newRow("unknown register") << "90"
                                          << "5" << 5 * 256 + 0x90 << 0;
    }
    void write() {
        QFETCH(QString, address);
        QFETCH(QString, typed);
        QFETCH(std::int32_t, index);
        QFETCH(int, held);

        SimSession sim;
        sim.connect();
        QVERIFY(WriteTypedRegister(sim.usb(), address, TypedRegisterValue(typed)));
        QCOMPARE(sim.requestTexts(), QStringList{QStringLiteral("222 46 %1 0 0").arg(index)});
        QCOMPARE(sim.chip().read(index & 0xFF), held);
    }

    // The two value boxes mirror each other.
    void mirrors() {
        const QStringList decimalToHex[] = {{"", "0"},
                                            {"2.5", "2"},
                                            {"-1", "FFFFFFFF"},
                                            {"2147483647", "7FFFFFFF"},
                                            {"-2147483648", "80000000"},
                                            {"2147483648", ""},
                                            {"-2147483649", ""}};
        for (const QStringList& row : decimalToHex)
            QCOMPARE(HexMirrorOfDecimal(row[0]), row[1]);
        const QStringList hexToDecimal[] = {
            {"7g1", "7"}, {"FFFFFFFF", "4294967295"}, {"123456789", "305419896"}};
        for (const QStringList& row : hexToDecimal)
            QCOMPARE(DecimalMirrorOfHex(row[0]), row[1]);
    }
};

QTEST_GUILESS_MAIN(TestRegisterView)
#include "tst_registerview.moc"
