// Register bytes to engineering values and back, at the boundaries where rounding, sign and
// truncation decide the result.
#include "monitoring/Conversions.h"

#include <QTest>

#include <cstdlib>

class TestConversions : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void temperature_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("celsius");
        for (auto [byte, celsius] :
             {std::pair{0x00, 0}, {0x19, 25}, {0x7F, 127}, {0x80, -128}, {0xF6, -10}, {0xFF, -1}})
            QTest::addRow("0x%02X", byte) << byte << celsius;
    }
    void temperature() {
        QFETCH(int, byte);
        QFETCH(int, celsius);
        QCOMPARE(TemperatureFromByte(byte), celsius);
        QCOMPARE(TemperatureToByte(celsius), byte);
    }

    void tachToRpm_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rpm");
        QTest::newRow("zero count") << 0 << 5400000;
        QTest::newRow("0xFFFF: no stopped value") << 0xFFFF << 82;
        QTest::newRow("2700") << 2700 << 2000;
        QTest::newRow("2701 truncates") << 2701 << 1999;
        QTest::newRow("2699 truncates, not rounds") << 2699 << 2000; // 2000.74
    }
    void tachToRpm() {
        QFETCH(int, count);
        QFETCH(int, rpm);
        QCOMPARE(TachToRpm(count), rpm);
    }

    void rpmToTachCount_data() {
        QTest::addColumn<double>("rpm");
        QTest::addColumn<qint64>("count");
        QTest::newRow("2000") << 2000.0 << qint64(2700);
        QTest::newRow("1000") << 1000.0 << qint64(5400);
        QTest::newRow("82 exceeds 16 bits") << 82.0 << qint64(65854);
        QTest::newRow("2999 rounds") << 2999.0 << qint64(1801);
    }
    void rpmToTachCount() {
        QFETCH(double, rpm);
        QFETCH(qint64, count);
        QCOMPARE(RpmToTachCount(rpm), count);
    }

    void dutyPercentFromByte_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("percent");
        for (auto [byte, percent] : {std::pair{255, 100}, {128, 50}, {0, 0}, {1, 0}, {2, 1}})
            QTest::addRow("%d", byte) << byte << percent;
    }
    void dutyPercentFromByte() {
        QFETCH(int, byte);
        QFETCH(int, percent);
        QCOMPARE(DutyPercentFromByte(byte), percent);
    }

    void dutyByteFromPercent_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<qint64>("byte");
        // Halves go to the even byte: 25.5, 76.5, 127.5, 178.5, 229.5.
        for (auto [percent, byte] :
             {std::pair{10, 26}, {30, 76}, {50, 128}, {70, 178}, {90, 230}, {100, 255}, {0, 0}, {120, 306}})
            QTest::addRow("%d %%", percent) << double(percent) << qint64(byte);
    }
    void dutyByteFromPercent() {
        QFETCH(double, percent);
        QFETCH(qint64, byte);
        QCOMPARE(DutyByteFromPercent(percent), byte);
    }

    void everyByteRoundTrips() {
        for (int b = 0; b < 256; ++b) {
            QCOMPARE(TemperatureToByte(TemperatureFromByte(b)), b);
            const int percent = DutyPercentFromByte(b);
            QVERIFY(percent >= 0 && percent <= 100);
            QVERIFY2(std::abs(DutyByteFromPercent(percent) - b) <= 2, qPrintable(QString::number(b)));
        }
        QCOMPARE(TemperatureToByte(200), 0x7F);
        QCOMPARE(TemperatureToByte(-300), 0x80);
        QCOMPARE(TachCount(0x8C, 0x0A), 2700);
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
