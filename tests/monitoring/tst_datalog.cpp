// The CSV data log in core: what the whole-file tests of the logging window and of the CLI's
// monitor cannot reach: the encoding, the exact time column, and writes the disk refuses.
#include "monitoring/DataLog.h"
#include "support/FileSizeLimit.h"
#include "support/SimSession.h"

#include <QTemporaryDir>
#include <QTest>

class TestDataLog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lineTexts() {
        QCOMPARE(LogHeader(LogSelectionArray{}), QStringLiteral("Time ,"));
        // Characters outside Windows-1252 cannot corrupt the line; its own upper half is kept.
        QCOMPARE(LogLineBytes(QString::fromUtf16(u"0,\u00B0\u20AC\u4E2D")), QByteArray("0,\xB0\x80?\r\n"));
        Readings readings;
        readings.Temperatures[0] = -5;
        LogSelectionArray temp1{};
        temp1[0] = true;
        const QString unread = LogLine(3, 100, readings, temp1); // a gap, not a false 0
        markRead(readings);
        // The time is the exact product of line number and interval: no drift, and no overflow.
        QCOMPARE(
            (QStringList{unread, LogLine(3, 100, readings, temp1), LogLine(7, 333, readings, {}),
                         LogLine(3000000, 3600000, readings, {}), LogLine(3000000000, 10, readings, {})}),
            (QStringList{".3,,", ".3,-5,", "2.331,", "10800000000,", "30000000,"})); // a year at 10 ms
    }

    // A write the disk refuses, whole or in part, is reported, and never leaves half a line.
    void refusedWrites() {
        QTemporaryDir dir;
        const QString fileName = dir.filePath(QStringLiteral("log.csv"));
        QVERIFY(AppendToFile(fileName, "0, 25,\r\n"));
        QVERIFY(!AppendToFile(dir.filePath(QStringLiteral("missing/folder/log.csv")), "x\r\n"));
        QString reason;
        {
            FileSizeLimit limit(8 + 4);
            QVERIFY(!AppendToFile(fileName, "1, 1500,\r\n", &reason));
        }
        QCOMPARE(reason, QStringLiteral("File too large"));
        QCOMPARE(fileBytes(fileName), QByteArray("0, 25,\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestDataLog)
#include "tst_datalog.moc"
