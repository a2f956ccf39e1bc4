// The CSV data log as bytes in the file: header, start block, data lines and appending.
#include "monitoring/DataLog.h"
#include "support/FileSizeLimit.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
LogSelectionArray select(std::initializer_list<int> channels) {
    LogSelectionArray selection{};
    for (int k : channels)
        selection[static_cast<std::size_t>(k)] = true;
    return selection;
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
    void headerAndStartBlock() {
        QCOMPARE(LogHeader(All), QString::fromLatin1(FullHeader));
        QCOMPARE(LogHeader(select({11, 5})), QStringLiteral("Time ,Tach2(RPM) ,PWM4(%) ,"));
        QCOMPARE(LogHeader(LogSelectionArray{}), QStringLiteral("Time ,"));
        QCOMPARE(LogStartBlock(All),
                 QByteArray("\r\nVORTANE Log File\r\n\r\n") + QByteArray(FullHeader) + QByteArray("\r\n"));
        // Characters outside Windows-1252 cannot corrupt the line; its own upper half is kept.
        QCOMPARE(LogLineBytes(QString::fromUtf16(u"0,\u00B0\u20AC\u4E2D")), QByteArray("0,\xB0\x80?\r\n"));
    }

    void lines() {
        Readings readings;
        readings.Temperatures = {25, 26, -5, 0, 99, 99, 99, 99, 99, 99, 99};
        readings.FanSpeeds = {1500, 82, 5400000, 0};
        readings.DutyCycles = {70, 0, 100, 50};
        QCOMPARE(LogLine(0, 1000, readings, All),
                 QStringLiteral("0, 25, 26,-5, 0, 1500, 82, 5400000, 0, 70, 0, 100, 50,"));
        // The time is the exact product of line number and interval: no drift, and no overflow.
        QCOMPARE(LogLine(3, 100, readings, select({0})), QStringLiteral(".3, 25,"));
        QCOMPARE(LogLine(7, 333, readings, {}), QStringLiteral("2.331,"));
        QCOMPARE(LogLine(3000000, 3600000, readings, {}), QStringLiteral("10800000000,"));
        QCOMPARE(LogLine(3000000000, 10, readings, {}), QStringLiteral("30000000,")); // a year at 10 ms
    }

    void appendKeepsEarlierBlocksAndReportsFailure() {
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
        QFile file(fileName);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\xB0"
                                            "C) ,\r\n"
                                            "0, 25,\r\n"
                                            "1, 25,\r\n"
                                            "\r\nVORTANE Log File\r\n\r\nTime ,Tach2(RPM) ,\r\n"
                                            "0, 1500,\r\n"));

        QVERIFY(!AppendToFile(dir.filePath(QStringLiteral("missing/folder/log.csv")), "x\r\n"));
        // A device that accepts no data at all: the write must not be reported as done.
        if (QFile::exists(QStringLiteral("/dev/full")))
            QVERIFY(!AppendToFile(QStringLiteral("/dev/full"), QByteArray(100000, 'x')));

        // A disk that takes part of a line only: the part is cut off again, the log ends whole.
        const qint64 whole = QFileInfo(fileName).size();
        QString reason;
        {
            FileSizeLimit limit(whole + 4);
            QVERIFY(!AppendToFile(fileName, "1, 1500,\r\n", &reason));
        }
        QCOMPARE(reason, QStringLiteral("File too large"));
        QCOMPARE(QFileInfo(fileName).size(), whole);
    }
};

QTEST_GUILESS_MAIN(TestDataLog)
#include "tst_datalog.moc"
