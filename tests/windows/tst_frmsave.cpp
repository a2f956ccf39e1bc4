// The save/recall window over the simulated board: the saved file's bytes, the recall's writes on
// the wire, refused files, and the polling cycle held still around the chip accesses.
#include "board/Startup.h"
#include "monitoring/PollingCycle.h"
#include "support/FileSizeLimit.h"
#include "support/SimSession.h"
#include "windows/frmSave.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Fixture {
    explicit Fixture(SimOptions o = {}) : t(std::move(o)) {
        t.connect();
        InitDefaults(*t.session); // its free-wheel test sets one bit, as at the program's start
        t.board->clearJournal();
        // Timers fire under a real dialog; while the cycle is held they read nothing.
        t.prompts.whileDialogOpen = [this] { polling.Tick(t.clock.nowMs() + 5000); };
    }
    QString path(const QString& name) const { return dir.filePath(name); }
    QByteArray bytes(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void write(const QString& name, const QByteArray& content) {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }
    // The polling cycle's reads: a save or recall makes no block read.
    qsizetype blockReads() const { return t.requestTexts().filter(QRegularExpression("^220 ")).size(); }
    QTemporaryDir dir;
    SimSession t;
    PollingCycle polling{*t.session};
    frmSave w{*t.session, polling};
};
} // namespace

class TestFrmSave : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void saveChangedOrAllRegisters() {
        Fixture f;
        f.w.chkNotDefaults->click();
        QTest::keyClicks(f.w.txtComment, QStringLiteral("  bench A "));
        f.t.prompts.fileNames << f.path(QStringLiteral("changed"));
        f.w.cmdsave->click();
        QStringList lines =
            QString::fromLatin1(f.bytes(QStringLiteral("changed.sav"))).split(QStringLiteral("\r\n"));
        QVERIFY(lines.value(3).startsWith(QStringLiteral("Saved: ")));
        lines[3] = QString();
        QCOMPARE(lines, (QStringList{"Heldrix Semiconductor", "VORTANE Evaluation Software", "", "", "",
                                     "Comment : bench A", "", "Address\tData\tRegister", "{",
                                     "0x40\t0x3\t // Configuration 1", "}", ""}));
        QCOMPARE(f.t.prompts.dialogFilters, QStringList{"Text Files (*.sav)|*.sav"});
        QCOMPARE(f.t.requests().size(), 75);

        f.w.chkNotDefaults->click();
        f.t.prompts.fileNames << f.path(QStringLiteral("all.sav"));
        f.w.cmdsave->click();
        const QString all = QString::fromLatin1(f.bytes(QStringLiteral("all.sav")));
        QCOMPARE((QList<qsizetype>{all.count(u"\r\n0x"), all.count(u"\r\n0x7F\t"), all.count(u"\r\n0x7B\t")}),
                 (QList<qsizetype>{75, 2, 2}));
        QCOMPARE(f.blockReads(), 0);
        f.polling.Tick(f.t.clock.nowMs() + 10000);
        QCOMPARE(f.blockReads(), 1);
    }

    void recall_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<QString>("shown");
        const QByteArray head("Heldrix\r\nComment : a { b\r\nAddress\tData\tRegister\r\n{\r\n");
        QTest::newRow("truncated")
            << head + "0x40\t0x1\t // Configuration 1\r\n0x4" << QStringList()
            << "Nothing was recalled: FILE, line 6: the file ends inside the register line.";
        QTest::newRow("value missing")
            << head + "0x40\t\t // Configuration 1\r\n}\r\n"
            << QStringList()
            << "Nothing was recalled: FILE, line 5: the line does not hold a register address and value.";
        QTest::newRow("hand-written") << head + "0x7F\t0x0\t // GPIO Enable\r\n0x40 0x1\r\n0x7F\t0xA\r\n}\r\n"
                                      << QStringList{"222 46 127 0 0", "222 46 320 0 0", "222 46 2687 0 0"}
                                      << "Recalled 3 registers from FILE";
    }
    void recall() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, writes);
        QFETCH(QString, shown);
        Fixture f;
        f.write(QStringLiteral("r.sav"), content);
        f.t.prompts.fileNames << f.path(QStringLiteral("r.sav"));
        f.w.cmdRecall->click();
        QCOMPARE(f.t.requestTexts().filter(QRegularExpression(" 0 0$")), writes);
        shown.replace(QStringLiteral("FILE"), f.path(QStringLiteral("r.sav")));
        QCOMPARE(writes.isEmpty() ? f.t.prompts.messages.value(0).text : f.t.session->statusText(), shown);
    }

    // A save the disk cannot take keeps the old file whole and says so; after it, and after a link
    // error, the polling cycle runs again.
    void failedSaves() {
        Fixture f;
        f.write(QStringLiteral("keep.sav"), "old\r\n");
        f.t.prompts.fileNames << f.path(QStringLiteral("keep.sav"));
        {
            FileSizeLimit full(100);
            f.w.cmdsave->click();
        }
        QCOMPARE(f.bytes(QStringLiteral("keep.sav")), QByteArray("old\r\n"));
        QCOMPARE(f.t.prompts.messages.value(0).text,
                 QStringLiteral("Configuration not saved: cannot write to %1 (File too large)")
                     .arg(f.path(QStringLiteral("keep.sav"))));
        f.polling.Tick(f.t.clock.nowMs() + 10000);
        QCOMPARE(f.blockReads(), 1);

        SimOptions o;
        o.failRequestNumber = 20;
        Fixture lost(o);
        lost.w.cmdsave->click();
        QCOMPARE(lost.t.programEnds, QList<int>{3});
        QVERIFY(lost.t.prompts.dialogFilters.isEmpty() && !lost.polling.paused());
    }
};

QTEST_MAIN(TestFrmSave)
#include "tst_frmsave.moc"
