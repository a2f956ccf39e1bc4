// The CSV data log as bytes in the file: header, start block, data lines and appending.
#include "monitoring/DataLog.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
LogSelectionArray select(std::initializer_list<int> channels) {
    LogSelectionArray selection{};
    for (int k : channels)
        selection[static_cast<std::size_t>(k)] = true;
    return selection;
}

QByteArray readAll(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

const LogSelectionArray All = select({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});

// Windows-1252: the degree sign is the single byte 0xB0.
const char FullHeader[] = "Time ,Temp1(\xB0"
                          "C) ,Temp2(\xB0"
                          "C) ,Temp3(\xB0"
                          "C) ,Temp4(\xB0"
                          "C) ,Tach1(RPM) ,Tach2(RPM) ,Tach3(RPM) ,Tach4(RPM) ,"
                          "PWM1(%) ,PWM2(%) ,PWM3(%) ,PWM4(%) ,";
} // namespace

class TestDataLog : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void headers() {
        QCOMPARE(LogHeader(All), QString::fromLatin1(FullHeader));
        QCOMPARE(LogHeader(select({11, 5})), QStringLiteral("Time ,Tach2(RPM) ,PWM4(%) ,"));
        QCOMPARE(LogHeader(LogSelectionArray{}), QStringLiteral("Time ,"));
    }

    void startBlockAndLineBytes() {
        QCOMPARE(LogStartBlock(All),
                 QByteArray("\r\nVORTANE Log File\r\n\r\n") + QByteArray(FullHeader) + QByteArray("\r\n"));
        QCOMPARE(LogStartBlock(select({0})), QByteArray("\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\xB0"
                                                        "C) ,\r\n"));
        // Characters outside Windows-1252 cannot corrupt the line; its own upper half is kept.
        QCOMPARE(LogLineBytes(QString::fromUtf16(u"0,\u00B0\u20AC\u4E2D")), QByteArray("0,\xB0\x80?\r\n"));
    }

    void lines_data() {
        QTest::addColumn<int>("sampleCount");
        QTest::addColumn<int>("interval");
        QTest::addColumn<LogSelectionArray>("selection");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every channel")
            << 0 << 1000 << All << "0, 25, 26,-5, 0, 1500, 82, 5400000, 0, 70, 0, 100, 50,";
        QTest::newRow("tenths") << 3 << 100 << select({0}) << ".3, 25,";
        QTest::newRow("thirds") << 7 << 333 << LogSelectionArray{} << "2.331,";
        QTest::newRow("product beyond 32 bits")
            << 3000000 << 3600000 << LogSelectionArray{} << "10800000000,";
    }
    void lines() {
        QFETCH(int, sampleCount);
        QFETCH(int, interval);
        QFETCH(LogSelectionArray, selection);
        QFETCH(QString, expected);
        Readings readings;
        readings.Temperatures = {25, 26, -5, 0, 99, 99, 99, 99, 99, 99, 99};
        readings.FanSpeeds = {1500, 82, 5400000, 0};
        readings.DutyCycles = {70, 0, 100, 50};
        QCOMPARE(LogLine(sampleCount, interval, readings, selection), expected);
    }

    void appendKeepsEarlierBlocks() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString fileName = dir.filePath(QStringLiteral("log.csv"));
        Readings readings;
        readings.Temperatures[0] = 25;
        readings.FanSpeeds[1] = 1500;
        const LogSelectionArray first = select({0});
        const LogSelectionArray second = select({5});
        QVERIFY(AppendToFile(fileName, LogStartBlock(first)));
        QVERIFY(AppendToFile(fileName, LogLineBytes(LogLine(0, 1000, readings, first))));
        QVERIFY(AppendToFile(fileName, LogLineBytes(LogLine(1, 1000, readings, first))));
        QVERIFY(AppendToFile(fileName, LogStartBlock(second)));
        QVERIFY(AppendToFile(fileName, LogLineBytes(LogLine(0, 500, readings, second))));
        QCOMPARE(readAll(fileName), QByteArray("\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\xB0"
                                               "C) ,\r\n"
                                               "0, 25,\r\n"
                                               "1, 25,\r\n"
                                               "\r\nVORTANE Log File\r\n\r\nTime ,Tach2(RPM) ,\r\n"
                                               "0, 1500,\r\n"));
    }

    void appendFailureIsReported() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QVERIFY(!AppendToFile(dir.filePath(QStringLiteral("missing/folder/log.csv")), "x\r\n"));
        // A device that accepts no data at all: the write must not be reported as done.
        if (QFile::exists(QStringLiteral("/dev/full")))
            QVERIFY(!AppendToFile(QStringLiteral("/dev/full"), QByteArray(100000, 'x')));
    }
};

QTEST_GUILESS_MAIN(TestDataLog)
#include "tst_datalog.moc"
