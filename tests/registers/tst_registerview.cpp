// What the register map reads and writes for typed addresses and values, on the simulator's wire,
// and the texts of its bit display and mirrored value boxes.
#include "registers/RegisterView.h"
#include "support/Rows.h"
#include "support/SimSession.h"

#include <QTest>

class TestRegisterView : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // An address without a table entry is read all the same; its bits are then named by number.
    void typedRegister() {
        ConnectedSim sim;
        sim.chip().write(0x6E, 0x5A);
        const RegisterView tmin = ReadTypedRegister(sim.usb(), QStringLiteral("6E"));
        QCOMPARE((QStringList{tmin.description, tmin.addressText, QString::number(tmin.value, 16)}),
                 QStringList({"Temperature1 Tmin", "6Eh", "5a"}));
        const RegisterView unknown = ReadTypedRegister(sim.usb(), QStringLiteral("90"));
        QCOMPARE((QStringList{unknown.description, unknown.addressText}), QStringList({"Unknown", "90h"}));
        QCOMPARE(QStringList(unknown.bitNames.begin(), unknown.bitNames.end()),
                 QStringList({"7", "6", "5", "4", "3", "2", "1", "0"}));
        QCOMPARE(unknown.value, sim.chip().read(0x90));
        QCOMPARE(sim.requestTexts(), QStringList({"222 46 110 1 1", "222 46 144 1 1"}));
    }

    // Element i shows bit i; a bit showing anything but "0" counts as set, and a click clears it.
    void bitTexts() {
        std::array<QString, 8> texts = BitTexts(0x05);
        QCOMPARE(QStringList(texts.begin(), texts.end()),
                 QStringList({"1", "0", "1", "0", "0", "0", "0", "0"}));
        texts[3] = QStringLiteral("X");
        texts[7] = QString();
        QCOMPARE(BitSum(texts), 0x8D);
        QCOMPARE((QStringList{FlippedBitText(QStringLiteral("X")), FlippedBitText(QStringLiteral("0"))}),
                 QStringList({"0", "1"}));
    }

    // The typed value goes through TypedRegisterValue and the transport to the wire.
    // Typed address and value, the request's index (value * 256 + register), the byte then held.
    void write_data() {
        addRows<std::tuple<QString, QString, int, int>>(
            {{"half down to even", {"6E", "2.5", 2 * 256 + 0x6E, 2}},
             {"half up to even", {"6E", "3.5", 4 * 256 + 0x6E, 4}},
             {"beyond 32 bits", {"6E", "1e10", 255 * 256 + 0x6E, 255}},
             {"negative", {"6E", "-1", -256 + 0x6E, 0xFF}},
             {"below 32 bits", {"6E", "-1e10", 0x6E, 0}},
             // The typed address's bits above the first byte must not reach the value byte of the index.
             {"address above FF", {"16E", "1", 256 + 0x6E, 1}},
             {"unknown register", {"90", "5", 5 * 256 + 0x90, 0}}});
    }
    void write() {
        const auto& [address, typed, index, held] = fetchRow<std::tuple<QString, QString, int, int>>();
        ConnectedSim sim;
        QVERIFY(WriteTypedRegister(sim.usb(), address, TypedRegisterValue(typed)));
        QCOMPARE(sim.requestTexts(), QStringList{QStringLiteral("222 46 %1 0 0").arg(index)});
        QCOMPARE(sim.chip().read(index & 0xFF), held);
    }

    // The two value boxes mirror each other.
    void mirrors() {
        QStringList hex, decimal;
        for (const char* text : {"", "2.5", "-1", "2147483647", "-2147483648", "2147483648", "-2147483649"})
            hex << HexMirrorOfDecimal(QString::fromLatin1(text));
        QCOMPARE(hex, QStringList({"0", "2", "FFFFFFFF", "7FFFFFFF", "80000000", "", ""}));
        for (const char* text : {"7g1", "FFFFFFFF", "123456789"})
            decimal << DecimalMirrorOfHex(QString::fromLatin1(text));
        QCOMPARE(decimal, QStringList({"7", "4294967295", "305419896"}));
    }
};

QTEST_GUILESS_MAIN(TestRegisterView)
#include "tst_registerview.moc"
