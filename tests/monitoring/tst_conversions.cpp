#include "monitoring/Conversions.h"

#include <QTest>

#include <cstdlib>

class TestConversions : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void temperatureFromByte_data();
    void temperatureFromByte();
    void temperatureToByte_data();
    void temperatureToByte();
    void temperatureRoundTrip();
    void tachToRpm_data();
    void tachToRpm();
    void rpmToTachCount_data();
    void rpmToTachCount();
    void tachCountFromBytes();
    void dutyPercentFromByte_data();
    void dutyPercentFromByte();
    void dutyByteFromPercent_data();
    void dutyByteFromPercent();
    void dutyRoundTrip();
};

void TestConversions::temperatureFromByte_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("celsius");
    QTest::newRow("0x00") << 0x00 << 0;
    QTest::newRow("0x19") << 0x19 << 25;
    QTest::newRow("0x7F") << 0x7F << 127;
    QTest::newRow("0x80") << 0x80 << -128;
    QTest::newRow("0xF6") << 0xF6 << -10;
    QTest::newRow("0xFF") << 0xFF << -1;
}

void TestConversions::temperatureFromByte() {
    QFETCH(int, byte);
    QFETCH(int, celsius);
    QCOMPARE(TemperatureFromByte(byte), celsius);
}

void TestConversions::temperatureToByte_data() {
    QTest::addColumn<int>("celsius");
    QTest::addColumn<int>("byte");
    QTest::newRow("-10") << -10 << 0xF6;
    QTest::newRow("0") << 0 << 0x00;
    QTest::newRow("25") << 25 << 0x19;
    QTest::newRow("127") << 127 << 0x7F;
    QTest::newRow("-1") << -1 << 0xFF;
    QTest::newRow("-128") << -128 << 0x80;
    QTest::newRow("above range clamps") << 200 << 0x7F;
    QTest::newRow("below range clamps") << -300 << 0x80;
}

void TestConversions::temperatureToByte() {
    QFETCH(int, celsius);
    QFETCH(int, byte);
    QCOMPARE(TemperatureToByte(celsius), byte);
}

void TestConversions::temperatureRoundTrip() {
    for (int b = 0; b < 256; ++b)
        QCOMPARE(TemperatureToByte(TemperatureFromByte(b)), b);
    for (int t = -128; t < 128; ++t)
        QCOMPARE(TemperatureFromByte(TemperatureToByte(t)), t);
}

void TestConversions::tachToRpm_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("tachClock");
    QTest::addColumn<int>("rpm");
    QTest::newRow("zero count") << 0 << DefaultTachClock << 5400000;
    QTest::newRow("negative count") << -5 << DefaultTachClock << 5400000;
    QTest::newRow("one") << 1 << DefaultTachClock << 5400000;
    QTest::newRow("0xFFFF: no stopped value") << 0xFFFF << DefaultTachClock << 82;
    QTest::newRow("2700") << 2700 << DefaultTachClock << 2000;
    QTest::newRow("2701 truncates") << 2701 << DefaultTachClock << 1999;
    QTest::newRow("1801 truncates") << 1801 << DefaultTachClock << 2998;
    QTest::newRow("other clock") << 1000 << 100000 << 6000;
    QTest::newRow("other clock zero count") << 0 << 100000 << 6000000;
    QTest::newRow("clock too fast saturates") << 0 << 2000000000 << 2147483647;
}

void TestConversions::tachToRpm() {
    QFETCH(int, count);
    QFETCH(int, tachClock);
    QFETCH(int, rpm);
    QCOMPARE(TachToRpm(count, tachClock), rpm);
}

void TestConversions::rpmToTachCount_data() {
    QTest::addColumn<double>("rpm");
    QTest::addColumn<qint64>("count");
    QTest::newRow("2000") << 2000.0 << qint64(2700);
    QTest::newRow("1000") << 1000.0 << qint64(5400);
    QTest::newRow("82 exceeds 16 bits") << 82.0 << qint64(65854);
    QTest::newRow("2999") << 2999.0 << qint64(1801);
    QTest::newRow("half goes to even") << 5400000.0 / 2.5 << qint64(2);
    QTest::newRow("fractional rpm") << 1234.5 << qint64(4374);
}

void TestConversions::rpmToTachCount() {
    QFETCH(double, rpm);
    QFETCH(qint64, count);
    QCOMPARE(RpmToTachCount(rpm), count);
}

void TestConversions::tachCountFromBytes() {
    QCOMPARE(TachCount(0x8C, 0x0A), 2700);
    QCOMPARE(TachToRpm(TachCount(0x8C, 0x0A)), 2000);
    QCOMPARE(TachCount(0xFF, 0xFF), 0xFFFF);
    QCOMPARE(TachCount(0x00, 0x01), 256);
    // Every count the chip can report converts to a speed that converts back within one count
    // once the truncation to whole RPM is allowed for.
    for (int count = 1; count <= 0xFFFF; ++count) {
        const std::int32_t rpm = TachToRpm(count);
        QVERIFY(rpm > 0);
        QVERIFY2(RpmToTachCount(rpm) >= count, qPrintable(QString::number(count)));
        QVERIFY2(RpmToTachCount(rpm + 1) <= count, qPrintable(QString::number(count)));
    }
}

void TestConversions::dutyPercentFromByte_data() {
    QTest::addColumn<int>("byte");
    QTest::addColumn<int>("percent");
    QTest::newRow("255") << 255 << 100;
    QTest::newRow("128") << 128 << 50;
    QTest::newRow("127") << 127 << 50;
    QTest::newRow("0") << 0 << 0;
    QTest::newRow("1") << 1 << 0;
    QTest::newRow("2") << 2 << 1;
    QTest::newRow("76") << 76 << 30;
    QTest::newRow("230") << 230 << 90;
}

void TestConversions::dutyPercentFromByte() {
    QFETCH(int, byte);
    QFETCH(int, percent);
    QCOMPARE(DutyPercentFromByte(byte), percent);
}

void TestConversions::dutyByteFromPercent_data() {
    QTest::addColumn<double>("percent");
    QTest::addColumn<qint64>("byte");
    QTest::newRow("0") << 0.0 << qint64(0);
    QTest::newRow("10 (25.5 up to even)") << 10.0 << qint64(26);
    QTest::newRow("30 (76.5 down to even)") << 30.0 << qint64(76);
    QTest::newRow("50 (127.5 up to even)") << 50.0 << qint64(128);
    QTest::newRow("70 (178.5 down to even)") << 70.0 << qint64(178);
    QTest::newRow("90 (229.5 up to even)") << 90.0 << qint64(230);
    QTest::newRow("100") << 100.0 << qint64(255);
    QTest::newRow("120 not range-checked") << 120.0 << qint64(306);
    QTest::newRow("33.3") << 33.3 << qint64(85);
}

void TestConversions::dutyByteFromPercent() {
    QFETCH(double, percent);
    QFETCH(qint64, byte);
    QCOMPARE(DutyByteFromPercent(percent), byte);
}

void TestConversions::dutyRoundTrip() {
    for (int b = 0; b < 256; ++b) {
        const int percent = DutyPercentFromByte(b);
        QVERIFY(percent >= 0 && percent <= 100);
        QVERIFY2(std::abs(DutyByteFromPercent(percent) - b) <= 2, qPrintable(QString::number(b)));
    }
    for (int p = 0; p <= 100; ++p)
        QCOMPARE(DutyPercentFromByte(static_cast<int>(DutyByteFromPercent(p))), p);
}

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
