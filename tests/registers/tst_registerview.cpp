#include "registers/RegMapStuff.h"
#include "registers/RegisterView.h"
#include "support/SimSession.h"

#include <QTest>

#include <limits>

namespace {

QStringList namesOf(const RegisterView& view) {
    return QStringList(view.bitNames.begin(), view.bitNames.end());
}

QString readText(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}
QString writeText(std::int32_t index) {
    return QStringLiteral("222 46 %1 0 0").arg(index);
}

} // namespace

class TestRegisterView : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void tableRegister();
    void typedRegister_data();
    void typedRegister();
    void bitTextsAndSumRoundTrip();
    void bitSumCountsAnyTextButZero();
    void flippedBitText_data();
    void flippedBitText();
    void typedValue_data();
    void typedValue();
    void write_data();
    void write();
    void writeStopsAfterLinkFailure();
    void hexMirror_data();
    void hexMirror();
    void decimalMirror_data();
    void decimalMirror();
};

void TestRegisterView::tableRegister() {
    SimSession sim;
    sim.connect();
    sim.chip().write(0x40, 0x5A);
    const RegisterView view = ReadTableRegister(sim.usb(), 32);
    QCOMPARE(view.description, QStringLiteral("Configuration 1"));
    QCOMPARE(view.addressText, QStringLiteral("40h"));
    QCOMPARE(namesOf(view), QStringList({"T/FS", "H/LF", "FTCH", "LCK", "TODIS", "FSPD", "TEST", "STRT"}));
    QCOMPARE(view.value, 0x5A);
    QCOMPARE(sim.requestTexts(), QStringList{readText(0x40)});

    // The second name of 0x7F keeps its own description when chosen by index.
    sim.board->clearJournal();
    const RegisterView second = ReadTableRegister(sim.usb(), 98);
    QCOMPARE(second.description, QStringLiteral("PEXIL Coef Select 2"));
    QCOMPARE(second.addressText, QStringLiteral("7Fh"));
    QCOMPARE(sim.requestTexts(), QStringList{readText(0x7F)});
}

void TestRegisterView::typedRegister_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("reg");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("bit7Name");

    QTest::newRow("lower case") << "7f" << 0x7F << "GPIO Enable"
                                << "7Fh"
                                << "SEL1";
    QTest::newRow("first name of 7B") << "7B" << 0x7B << "PEXIL Coef Option 3"
                                      << "7Bh"
                                      << "OFF2";
    QTest::newRow("no tree node") << "6E" << 0x6E << "Temperature1 Tmin"
                                  << "6Eh"
                                  << "7";
    QTest::newRow("suffix h") << "40h" << 0x40 << "Configuration 1"
                              << "40h"
                              << "T/FS";
    QTest::newRow("suffix H") << "40H" << 0x40 << "Configuration 1"
                              << "40h"
                              << "T/FS";
    QTest::newRow("leading blanks") << "  2a" << 0x2A << "Tach1 Low Byte"
                                    << "2Ah"
                                    << "7";
    QTest::newRow("high byte names") << "2B" << 0x2B << "Tach1 High Byte"
                                     << "2Bh"
                                     << "15";
    QTest::newRow("outside table") << "90" << 0x90 << "Unknown"
                                   << "90h"
                                   << "7";
    QTest::newRow("below table") << "1F" << 0x1F << "Unknown"
                                 << "1Fh"
                                 << "7";
    QTest::newRow("empty") << "" << 0 << "Unknown"
                           << "0h"
                           << "7";
    QTest::newRow("no hex digit") << "zz" << 0 << "Unknown"
                                  << "0h"
                                  << "7";
    QTest::newRow("above one byte") << "140" << 0x40 << "Configuration 1"
                                    << "40h"
                                    << "T/FS";
    QTest::newRow("eight digits") << "FFFFFF82" << 0x82 << "Unknown"
                                  << "82h"
                                  << "7";
}

void TestRegisterView::typedRegister() {
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
    QCOMPARE(sim.requestTexts(), QStringList{readText(reg)});
    if (description == QLatin1String("Unknown"))
        QCOMPARE(namesOf(view), QStringList({"7", "6", "5", "4", "3", "2", "1", "0"}));
}

void TestRegisterView::bitTextsAndSumRoundTrip() {
    for (int value = 0; value < 256; ++value) {
        const std::array<QString, 8> texts = BitTexts(value);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(texts[static_cast<std::size_t>(i)],
                     (value >> i) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(BitSum(texts), value);
    }
}

void TestRegisterView::bitSumCountsAnyTextButZero() {
    // Before the first read the bits show their designed captions; anything but "0" is a set bit.
    std::array<QString, 8> texts = BitTexts(0);
    texts[3] = QStringLiteral("X");
    texts[7] = QString();
    QCOMPARE(BitSum(texts), 0x88);
}

void TestRegisterView::flippedBitText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("flipped");
    QTest::newRow("0") << "0"
                       << "1";
    QTest::newRow("1") << "1"
                       << "0";
    QTest::newRow("other") << "X"
                           << "0";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("00") << "00"
                        << "0";
}

void TestRegisterView::flippedBitText() {
    QFETCH(QString, text);
    QFETCH(QString, flipped);
    QCOMPARE(FlippedBitText(text), flipped);
}

void TestRegisterView::typedValue_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("no number") << "abc" << 0;
    QTest::newRow("plain") << "300" << 300;
    QTest::newRow("trailing text") << "12x" << 12;
    QTest::newRow("half down to even") << "2.5" << 2;
    QTest::newRow("half up to even") << "3.5" << 4;
    QTest::newRow("above half") << "2.51" << 3;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("exponent") << "1e2" << 100;
    QTest::newRow("too large") << "1e10" << std::numeric_limits<int>::max();
    QTest::newRow("too small") << "-1e10" << std::numeric_limits<int>::min();
}

void TestRegisterView::typedValue() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(TypedRegisterValue(text), value);
}

void TestRegisterView::write_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("reg");
    QTest::addColumn<std::int32_t>("index");
    QTest::addColumn<int>("held");

    QTest::newRow("byte") << "6E" << 9 << 0x6E << std::int32_t{9 * 256 + 0x6E} << 9;
    QTest::newRow("lowered to 255") << "6E" << 300 << 0x6E << std::int32_t{255 * 256 + 0x6E} << 255;
    QTest::newRow("huge") << "6E" << std::numeric_limits<int>::max() << 0x6E << std::int32_t{255 * 256 + 0x6E}
                          << 255;
    QTest::newRow("negative") << "6E" << -1 << 0x6E << std::int32_t{-256 + 0x6E} << 0xFF;
    QTest::newRow("zero") << "40h" << 0 << 0x40 << std::int32_t{0x40} << 0;
    // The typed address's bits above the first byte must not reach the value byte of the index.
    QTest::newRow("address above FF") << "16E" << 1 << 0x6E << std::int32_t{256 + 0x6E} << 1;
    QTest::newRow("unknown register") << "90" << 5 << 0x90 << std::int32_t{5 * 256 + 0x90} << 0;
}

void TestRegisterView::write() {
    QFETCH(QString, address);
    QFETCH(int, value);
    QFETCH(int, reg);
    QFETCH(std::int32_t, index);
    QFETCH(int, held);

    SimSession sim;
    sim.connect();
    QVERIFY(WriteTypedRegister(sim.usb(), address, value));
    QCOMPARE(sim.requestTexts(), QStringList{writeText(index)});
    QCOMPARE(sim.chip().read(reg), held);
}

void TestRegisterView::writeStopsAfterLinkFailure() {
    SimSession sim;
    sim.connect();
    sim.board->options().failRequestNumber = sim.board->requestCount() + 1;
    QVERIFY(!WriteTypedRegister(sim.usb(), QStringLiteral("6E"), 7));
    QCOMPARE(sim.programEnds, QList<int>{3});
    QVERIFY(!WriteTypedRegister(sim.usb(), QStringLiteral("6E"), 7));
    QCOMPARE(sim.programEnds, QList<int>{3});
    QCOMPARE(sim.requests().size(), 1);
}

void TestRegisterView::hexMirror_data() {
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("hex");
    QTest::newRow("300") << "300"
                         << "12C";
    QTest::newRow("255") << "255"
                         << "FF";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("no number") << "abc"
                               << "0";
    QTest::newRow("half to even") << "2.5"
                                  << "2";
    QTest::newRow("minus one") << "-1"
                               << "FFFFFFFF";
    QTest::newRow("largest") << "2147483647"
                             << "7FFFFFFF";
    QTest::newRow("smallest") << "-2147483648"
                              << "80000000";
    QTest::newRow("above range") << "2147483648"
                                 << "";
    QTest::newRow("below range") << "-2147483649"
                                 << "";
    QTest::newRow("far above range") << "1e300"
                                     << "";
}

void TestRegisterView::hexMirror() {
    QFETCH(QString, decimal);
    QFETCH(QString, hex);
    QCOMPARE(HexMirrorOfDecimal(decimal), hex);
}

void TestRegisterView::decimalMirror_data() {
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QString>("decimal");
    QTest::newRow("12C") << "12C"
                         << "300";
    QTest::newRow("lower case") << "ff"
                                << "255";
    QTest::newRow("empty") << ""
                           << "0";
    QTest::newRow("stops at non-hex") << "7g1"
                                      << "7";
    QTest::newRow("eight digits") << "FFFFFFFF"
                                  << "4294967295";
    QTest::newRow("nine digits") << "123456789"
                                 << "305419896";
}

void TestRegisterView::decimalMirror() {
    QFETCH(QString, hex);
    QFETCH(QString, decimal);
    QCOMPARE(DecimalMirrorOfHex(hex), decimal);
}

QTEST_GUILESS_MAIN(TestRegisterView)
#include "tst_registerview.moc"
