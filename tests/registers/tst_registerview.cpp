// What the register map reads and writes for typed addresses and values, on the simulator's wire,
// and the texts of its bit display and mirrored value boxes.
#include "registers/RegisterView.h"
#include "support/SimSession.h"

#include <QTest>

namespace {
void typedRow(const char* name, const char* typed, int reg, const char* description, const char* address,
              const char* bit7Name) {
    QTest::newRow(name) << QString(typed) << reg << QString(description) << QString(address)
                        << QString(bit7Name);
}
void mirrorRow(const char* name, bool fromDecimal, const char* text, const char* mirrored) {
    QTest::newRow(name) << fromDecimal << QString(text) << QString(mirrored);
}
void writeRow(const char* name, const char* address, const char* typed, int reg, std::int32_t index,
              int held) {
    QTest::newRow(name) << QString(address) << QString(typed) << reg << index << held;
}
} // namespace

class TestRegisterView : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void typedRegister_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("reg");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("bit7Name");

        typedRow("lower case", "7f", 0x7F, "GPIO Enable", "7Fh", "SEL1");
        typedRow("no tree node", "6E", 0x6E, "Temperature1 Tmin", "6Eh", "7");
        typedRow("as the box shows it", "40H", 0x40, "Configuration 1", "40h", "T/FS");
        typedRow("outside table", "90", 0x90, "Unknown", "90h", "7");
        typedRow("empty", "", 0, "Unknown", "0h", "7");
        typedRow("above one byte", "140", 0x40, "Configuration 1", "40h", "T/FS");
    }
    void typedRegister() {
        QFETCH(QString, typed);
        QFETCH(int, reg);
        QFETCH(QString, description);
        QFETCH(QString, address);
        QFETCH(QString, bit7Name);

        SimSession sim;
        sim.connect();
        const RegisterView view = ReadTypedRegister(sim.usb(), typed);
        QCOMPARE(view.description, description);
        QCOMPARE(view.addressText, address);
        QCOMPARE(view.bitNames[0], bit7Name);
        QCOMPARE(view.value, sim.chip().read(reg));
        QCOMPARE(sim.requestTexts(), QStringList{QStringLiteral("222 46 %1 1 1").arg(reg)});
        if (description == QLatin1String("Unknown"))
            QCOMPARE(QStringList(view.bitNames.begin(), view.bitNames.end()),
                     QStringList({"7", "6", "5", "4", "3", "2", "1", "0"}));
    }

    void bitTexts() {
        for (int value = 0; value < 256; ++value) {
            const std::array<QString, 8> texts = BitTexts(value);
            for (std::size_t i = 0; i < 8; ++i)
                QCOMPARE(texts[i], (value >> i) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
            QCOMPARE(BitSum(texts), value);
        }
        // A bit showing anything but "0" counts as set, and a click clears it.
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
        QTest::addColumn<int>("reg");
        QTest::addColumn<std::int32_t>("index");
        QTest::addColumn<int>("held");

        writeRow("byte", "6E", "9", 0x6E, 9 * 256 + 0x6E, 9);
        writeRow("half down to even", "6E", "2.5", 0x6E, 2 * 256 + 0x6E, 2);
        writeRow("half up to even", "6E", "3.5", 0x6E, 4 * 256 + 0x6E, 4);
        writeRow("beyond 32 bits", "6E", "1e10", 0x6E, 255 * 256 + 0x6E, 255);
        writeRow("negative", "6E", "-1", 0x6E, -256 + 0x6E, 0xFF);
        writeRow("below 32 bits", "6E", "-1e10", 0x6E, 0x6E, 0);
        // The typed address's bits above the first byte must not reach the value byte of the index.
        writeRow("address above FF", "16E", "1", 0x6E, 256 + 0x6E, 1);
        writeRow("unknown register", "90", "5", 0x90, 5 * 256 + 0x90, 0);
    }
    void write() {
        QFETCH(QString, address);
        QFETCH(QString, typed);
        QFETCH(int, reg);
        QFETCH(std::int32_t, index);
        QFETCH(int, held);

        SimSession sim;
        sim.connect();
        QVERIFY(WriteTypedRegister(sim.usb(), address, TypedRegisterValue(typed)));
        QCOMPARE(sim.requestTexts(), QStringList{QStringLiteral("222 46 %1 0 0").arg(index)});
        QCOMPARE(sim.chip().read(reg), held);
    }

    void mirrors_data() {
        QTest::addColumn<bool>("fromDecimal");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("mirrored");

        mirrorRow("empty decimal", true, "", "0");
        mirrorRow("half to even", true, "2.5", "2");
        mirrorRow("minus one", true, "-1", "FFFFFFFF");
        mirrorRow("largest", true, "2147483647", "7FFFFFFF");
        mirrorRow("smallest", true, "-2147483648", "80000000");
        mirrorRow("above range", true, "2147483648", "");
        mirrorRow("below range", true, "-2147483649", "");
        mirrorRow("stops at non-hex", false, "7g1", "7");
        mirrorRow("eight digits", false, "FFFFFFFF", "4294967295");
        mirrorRow("nine digits", false, "123456789", "305419896");
    }
    void mirrors() {
        QFETCH(bool, fromDecimal);
        QFETCH(QString, text);
        QFETCH(QString, mirrored);
        QCOMPARE(fromDecimal ? HexMirrorOfDecimal(text) : DecimalMirrorOfHex(text), mirrored);
    }
};

QTEST_GUILESS_MAIN(TestRegisterView)
#include "tst_registerview.moc"
