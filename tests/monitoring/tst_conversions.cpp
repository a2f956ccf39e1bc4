// Register bytes to engineering values and back, at the boundaries where rounding, sign and
// truncation decide the result.
#include "monitoring/Conversions.h"

#include <QTest>

#include <utility>

class TestConversions : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void temperature() {
        using Reading = std::pair<int, int>; // byte, °C
        for (auto [byte, celsius] : {Reading{0x00, 0}, Reading{0x19, 25}, Reading{0x7F, 127},
                                     Reading{0x80, -128}, Reading{0xF6, -10}, Reading{0xFF, -1}}) {
            QCOMPARE(TemperatureFromByte(byte), celsius);
            QCOMPARE(TemperatureToByte(celsius), byte);
        }
        QCOMPARE((std::pair{TemperatureToByte(200), TemperatureToByte(-300)}), (std::pair{0x7F, 0x80}));
    }

    void tach() {
        // A zero count is the fastest; 0xFFFF is no "stopped" value; RPM truncates: 2699 gives 2000.74.
        using Speed = std::pair<int, int>; // count, RPM
        for (auto [count, rpm] :
             {Speed{0, 5400000}, Speed{0xFFFF, 82}, Speed{2700, 2000}, Speed{2701, 1999}, Speed{2699, 2000}})
            QCOMPARE(TachToRpm(count), rpm);
        QCOMPARE(TachCount(0x8C, 0x0A), 2700);
        // A limit from a speed may not fit the 16-bit register (its rounding: the limits' tests).
        QCOMPARE(RpmToTachCount(82), qint64(65854));
    }

    void duty() {
        using Percent = std::pair<int, int>; // byte, %
        for (auto [byte, percent] :
             {Percent{255, 100}, Percent{128, 50}, Percent{0, 0}, Percent{1, 0}, Percent{2, 1}})
            QCOMPARE(DutyPercentFromByte(byte), percent);
        // Halves go to the even byte: 25.5, 76.5, 127.5, 178.5, 229.5.
        using Byte = std::pair<double, qint64>; // %, byte
        for (auto [percent, byte] : {Byte{10, 26}, Byte{30, 76}, Byte{50, 128}, Byte{70, 178}, Byte{90, 230},
                                     Byte{100, 255}, Byte{0, 0}, Byte{120, 306}})
            QCOMPARE(DutyByteFromPercent(percent), byte);
    }
};

QTEST_GUILESS_MAIN(TestConversions)
#include "tst_conversions.moc"
