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

LogSelectionArray all() {
    LogSelectionArray selection{};
    for (int k = 0; k < LogChannelCount; ++k)
        selection[static_cast<std::size_t>(k)] = true;
    return selection;
}

QByteArray readAll(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

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
    void channels_data();
    void channels();
    void channelValues();
    void headerWithEveryChannel();
    void headerWithSomeChannels();
    void startBlockBytes();
    void lines_data();
    void lines();
    void lineTimesDoNotDrift();
    void lineBytes();
    void appendKeepsEarlierBlocks();
    void appendToUnwritablePathFails();
};

void TestDataLog::channels_data() {
    QTest::addColumn<int>("k");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("label");
    const QStringList captions = {"Temp1", "Temp2", "Temp3",     "Temp4",     "Tach1",     "Tach2",
                                  "Tach3", "Tach4", "PWM1 Duty", "PWM2 Duty", "PWM3 Duty", "PWM4 Duty"};
    const QStringList labels = {QString::fromUtf8("Temp1(°C) ,"),
                                QString::fromUtf8("Temp2(°C) ,"),
                                QString::fromUtf8("Temp3(°C) ,"),
                                QString::fromUtf8("Temp4(°C) ,"),
                                "Tach1(RPM) ,",
                                "Tach2(RPM) ,",
                                "Tach3(RPM) ,",
                                "Tach4(RPM) ,",
                                "PWM1(%) ,",
                                "PWM2(%) ,",
                                "PWM3(%) ,",
                                "PWM4(%) ,"};
    for (int k = 0; k < LogChannelCount; ++k)
        QTest::addRow("%d", k) << k << captions[k] << labels[k];
    QTest::newRow("unused 12") << 12 << QString() << QString();
    QTest::newRow("negative") << -1 << QString() << QString();
}

void TestDataLog::channels() {
    QFETCH(int, k);
    QFETCH(QString, caption);
    QFETCH(QString, label);
    QCOMPARE(LogChannelCaption(k), caption);
    QCOMPARE(LogHeaderLabel(k), label);
}

void TestDataLog::channelValues() {
    Readings readings;
    readings.Temperatures = {11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 99};
    readings.FanSpeeds = {2100, 2200, 2300, 2400};
    readings.DutyCycles = {31, 32, 33, 34};
    const std::int32_t expected[LogChannelCount] = {11, 12, 13, 14, 2100, 2200, 2300, 2400, 31, 32, 33, 34};
    for (int k = 0; k < LogChannelCount; ++k)
        QCOMPARE(LogChannelValue(k, readings), expected[k]);
    QCOMPARE(LogChannelValue(12, readings), 0);
    QCOMPARE(LogChannelValue(-1, readings), 0);
}

void TestDataLog::headerWithEveryChannel() {
    QCOMPARE(LogHeader(all()), QString::fromLatin1(FullHeader));
    // The unused thirteenth flag adds nothing.
    LogSelectionArray withUnused = all();
    withUnused[12] = true;
    QCOMPARE(LogHeader(withUnused), QString::fromLatin1(FullHeader));
}

void TestDataLog::headerWithSomeChannels() {
    QCOMPARE(LogHeader(select({5, 11})), QStringLiteral("Time ,Tach2(RPM) ,PWM4(%) ,"));
    QCOMPARE(LogHeader(select({11, 5})), QStringLiteral("Time ,Tach2(RPM) ,PWM4(%) ,"));
    QCOMPARE(LogHeader(LogSelectionArray{}), QStringLiteral("Time ,"));
}

void TestDataLog::startBlockBytes() {
    QCOMPARE(LogStartBlock(all()),
             QByteArray("\r\nVORTANE Log File\r\n\r\n") + QByteArray(FullHeader) + QByteArray("\r\n"));
    const QByteArray block = LogStartBlock(select({0}));
    QCOMPARE(block, QByteArray("\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\xB0"
                               "C) ,\r\n"));
    // The degree sign is one byte, not the two of UTF-8.
    QCOMPARE(block.count('\xB0'), 1);
    QVERIFY(!block.contains("\xC2\xB0"));
}

void TestDataLog::lines_data() {
    QTest::addColumn<int>("sampleCount");
    QTest::addColumn<int>("interval");
    QTest::addColumn<QList<int>>("channels");
    QTest::addColumn<QString>("expected");
    QTest::newRow("first line") << 0 << 1000 << QList<int>{0, 1, 4} << "0, 25, 26, 1500,";
    QTest::newRow("second line") << 1 << 1000 << QList<int>{0, 1, 4} << "1, 25, 26, 1500,";
    QTest::newRow("tenths") << 3 << 100 << QList<int>{0} << ".3, 25,";
    QTest::newRow("negative temperature") << 2 << 500 << QList<int>{2} << "1,-5,";
    QTest::newRow("duty and zero") << 4 << 250 << QList<int>{8, 9} << "1, 70, 0,";
    QTest::newRow("no channels") << 7 << 333 << QList<int>{} << "2.331,";
    QTest::newRow("every channel") << 0 << 1000 << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}
                                   << "0, 25, 26,-5, 0, 1500, 82, 5400000, 0, 70, 0, 100, 50,";
}

void TestDataLog::lines() {
    QFETCH(int, sampleCount);
    QFETCH(int, interval);
    QFETCH(QList<int>, channels);
    QFETCH(QString, expected);
    Readings readings;
    readings.Temperatures = {25, 26, -5, 0, 99, 99, 99, 99, 99, 99, 99};
    readings.FanSpeeds = {1500, 82, 5400000, 0};
    readings.DutyCycles = {70, 0, 100, 50};
    LogSelectionArray selection{};
    for (int k : channels)
        selection[static_cast<std::size_t>(k)] = true;
    QCOMPARE(LogLine(sampleCount, interval, readings, selection), expected);
}

void TestDataLog::lineTimesDoNotDrift() {
    const Readings readings;
    const LogSelectionArray none{};
    const QStringList thirds = {"0,", ".333,", ".666,", ".999,", "1.332,"};
    for (int n = 0; n < thirds.size(); ++n)
        QCOMPARE(LogLine(n, 333, readings, none), thirds[n]);
    // Counts and intervals whose product overflows 32 bits.
    QCOMPARE(LogLine(3000000, 3600000, readings, none), QStringLiteral("10800000000,"));
    QCOMPARE(LogLine(2147483647, 1001, readings, none), QStringLiteral("2149631130.647,"));
}

void TestDataLog::lineBytes() {
    QCOMPARE(LogLineBytes(QStringLiteral("0, 25,-5,")), QByteArray("0, 25,-5,\r\n"));
    QCOMPARE(LogLineBytes(QString()), QByteArray("\r\n"));
    // Characters outside Windows-1252 cannot corrupt the line, and its own upper half is kept.
    QCOMPARE(LogLineBytes(QString::fromUtf16(u"\u00B0\u20AC\u4E2D")), QByteArray("\xB0\x80?\r\n"));
}

void TestDataLog::appendKeepsEarlierBlocks() {
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

    const QByteArray expected = "\r\nVORTANE Log File\r\n\r\nTime ,Temp1(\xB0"
                                "C) ,\r\n"
                                "0, 25,\r\n"
                                "1, 25,\r\n"
                                "\r\nVORTANE Log File\r\n\r\nTime ,Tach2(RPM) ,\r\n"
                                "0, 1500,\r\n";
    QCOMPARE(readAll(fileName), expected);
    QVERIFY(AppendToFile(fileName, QByteArray()));
    QCOMPARE(readAll(fileName), expected);
}

void TestDataLog::appendToUnwritablePathFails() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(!AppendToFile(dir.filePath(QStringLiteral("missing/folder/log.csv")), "x\r\n"));
    QVERIFY(!AppendToFile(dir.path(), "x\r\n")); // a folder, not a file
    QVERIFY(!AppendToFile(QString(), "x\r\n"));
    const QString readOnly = dir.filePath(QStringLiteral("readonly.csv"));
    QVERIFY(AppendToFile(readOnly, "a\r\n"));
    QVERIFY(QFile::setPermissions(readOnly, QFileDevice::ReadOwner));
    QFile probe(readOnly);
    const bool privileged = probe.open(QIODevice::Append); // root ignores the permission
    probe.close();
    if (!privileged) {
        QVERIFY(!AppendToFile(readOnly, "b\r\n"));
        QCOMPARE(readAll(readOnly), QByteArray("a\r\n"));
    }
    // A device that accepts no data at all: the write must not be reported as done.
    if (QFile::exists(QStringLiteral("/dev/full")))
        QVERIFY(!AppendToFile(QStringLiteral("/dev/full"), QByteArray(100000, 'x')));
}

QTEST_GUILESS_MAIN(TestDataLog)
#include "tst_datalog.moc"
