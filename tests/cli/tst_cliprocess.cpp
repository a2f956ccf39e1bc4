// The real vortane-cli executable: exit statuses, the streams it writes, its files, and how it
// ends on Ctrl+C. Each run waits for the simulated board's enumeration on the real clock.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

namespace {

struct Result {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Result runCli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VORTANE_CLI_PATH), args);
    Result r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QByteArray readFile(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The file as a CSV reader sees it: Windows-1252 text, CR LF records, comma-separated fields
// (the log never quotes).
QList<QStringList> csvRecords(const QByteArray& bytes) {
    QList<QStringList> records;
    const QString text = QString::fromLatin1(bytes); // 0xB0 is the same character in both code pages
    QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.back().isEmpty()) lines.removeLast();
    for (const QString& line : lines)
        records << line.split(u',');
    return records;
}

} // namespace

class TestCliProcess : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void helpAndBadArguments() {
        const Result help = runCli({"--help"});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.startsWith("Usage: vortane-cli"));
        QVERIFY(help.err.isEmpty());
        const Result bad = runCli({"write", "0x40"});
        QCOMPARE(bad.status, 2);
        QVERIFY(bad.out.isEmpty());
        QVERIFY(bad.err.startsWith("vortane-cli: 'write' needs more arguments\n\nUsage: vortane-cli"));
    }

    void dumpJsonParses() {
        const Result r = runCli({"dump", "--json"});
        QCOMPARE(r.status, 0);
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(r.out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(doc.object().value("registers").toArray().size(), 100);
        QCOMPARE(
            doc.object().value("registers").toArray()[0].toObject().value("decoded").toObject().value("unit"),
            QJsonValue(QString::fromUtf8("°C")));
    }

    void writeThenReadAgreeOverTheJournal() {
        QTemporaryDir dir;
        const QString journal = dir.filePath("journal.txt");
        const Result w = runCli({"--journal", journal, "write", "0x40", "0x01"});
        QCOMPARE(w.status, 0);
        QCOMPARE(w.out, QByteArray("0x40 0x01 Configuration 1: STRT\n"));
        QVERIFY(readFile(journal).contains(" VendorIORequest 222 46 320 0 0 -> 0\n"));
        const Result r = runCli({"read", "0x40"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, w.out);
    }

    void monitorCsvOpensAsCsv() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        const Result r = runCli({"monitor", "--interval", "50", "--count", "4", "--csv", csv});
        QCOMPARE(r.status, 0);
        const QList<QStringList> records = csvRecords(readFile(csv));
        QCOMPARE(records.size(), 3 + 1 + 4);
        QCOMPARE(records[0], QStringList{QString()});
        QCOMPARE(records[1], QStringList{"VORTANE Log File"});
        QCOMPARE(records[2], QStringList{QString()});
        QCOMPARE(records[3].size(), 14);
        QCOMPARE(records[3][0], QStringLiteral("Time "));
        QCOMPARE(records[3][1], QString::fromUtf8("Temp1(°C) "));
        QCOMPARE(records[3][12], QStringLiteral("PWM4(%) "));
        const QStringList times{"0", ".05", ".1", ".15"};
        for (int n = 0; n < 4; ++n) {
            const QStringList& record = records[4 + n];
            QCOMPARE(record.size(), 14);
            QCOMPARE(record[0], times[n]);
            for (int k = 1; k <= 12; ++k) {
                bool ok = false;
                record[k].trimmed().toInt(&ok);
                QVERIFY2(ok, qPrintable(record[k]));
            }
            QCOMPARE(record[13], QString());
        }
    }

    void lostLinkMidMonitorEndsWithTheMessage() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        const Result r =
            runCli({"--sim-link-lost-after", "4000", "monitor", "--interval", "100", "--csv", csv});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err, QByteArray("Communications Interrupted - Check USB connections\n"));
        const int rows = static_cast<int>(r.out.count('\n')) - 2;
        QVERIFY(rows >= 1);
        QCOMPARE(static_cast<int>(csvRecords(readFile(csv)).size()), 4 + rows);
    }

    void truncatedConfigurationWritesNothing() {
        QTemporaryDir dir;
        const QString saved = dir.filePath("bench.sav");
        QCOMPARE(runCli({"save", saved}).status, 0);
        const QByteArray bytes = readFile(saved);
        const QString cut = dir.filePath("cut.sav");
        QFile f(cut);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes.left(bytes.size() / 2));
        f.close();
        const QString journal = dir.filePath("journal.txt");
        const Result r = runCli({"--journal", journal, "recall", cut});
        QCOMPARE(r.status, 1);
        QVERIFY(r.err.startsWith(QStringLiteral("vortane-cli: %1:").arg(cut).toLocal8Bit()));
        QVERIFY(r.err.endsWith("; nothing was written\n"));
        QVERIFY(!readFile(journal).contains(" 0 0 -> "));
    }

    void interruptEndsMonitorAfterItsSample() {
        QTemporaryDir dir;
        const QString csv = dir.filePath("run.csv");
        QProcess p;
        p.start(QStringLiteral(VORTANE_CLI_PATH), {"monitor", "--interval", "100", "--csv", csv});
        QVERIFY(p.waitForStarted());
        QByteArray out;
        while (out.count('\n') < 2 + 3 && p.waitForReadyRead(10000))
            out += p.readAllStandardOutput();
        QVERIFY(out.count('\n') >= 5);
        ::kill(static_cast<pid_t>(p.processId()), SIGINT);
        QVERIFY(p.waitForFinished(10000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        out += p.readAllStandardOutput();
        QCOMPARE(static_cast<int>(csvRecords(readFile(csv)).size()),
                 4 + static_cast<int>(out.count('\n')) - 2);
    }
};

QTEST_GUILESS_MAIN(TestCliProcess)
#include "tst_cliprocess.moc"
