// The save/recall window: the saved file's bytes, the recall's writes on the wire, refused files,
// and the polling cycle held still around the chip accesses.
#include "board/Startup.h"
#include "support/FileSizeLimit.h"
#include "support/WindowFixture.h"
#include "windows/frmSave.h"

#include <QFile>
#include <QTest>

namespace {
struct Fixture : WindowFixture<frmSave> {
    explicit Fixture(SimOptions o = {}) : WindowFixture<frmSave>(std::move(o)) {
        InitDefaults(*t.session); // readings on; its free-wheel test sets one bit, as at start-up
        forget();
        // Timers fire under a real dialog; while the cycle is held they read nothing.
        t.prompts.whileDialogOpen = [this] { polling.Tick(t.clock.nowMs() + 5000); };
        open();
    }
    // Sets the file the dialog answers with, and the file's content when given.
    QString file(const QString& name, const QByteArray& content = {}) {
        QFile f(dir.filePath(name));
        if (!content.isEmpty() && f.open(QIODevice::WriteOnly)) f.write(content);
        t.prompts.fileNames << f.fileName();
        return f.fileName();
    }
    // The polling cycle's reads: a save or recall makes no block read.
    qsizetype blockReads() const { return journal().filter(QRegularExpression("^220 ")).size(); }
};
} // namespace

class TestFrmSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void saveChangedOrAllRegisters() {
        Fixture f;
        f.w->chkNotDefaults->click();
        QTest::keyClicks(f.w->txtComment, QStringLiteral("  bench A "));
        f.file(QStringLiteral("changed"));
        f.w->cmdsave->click();
        QStringList lines =
            QString::fromLatin1(f.bytes(QStringLiteral("changed.sav"))).split(QStringLiteral("\r\n"));
        QVERIFY(lines.value(3).startsWith(QStringLiteral("Saved: ")));
        lines[3] = QString();
        QCOMPARE(lines, (QStringList{"Heldrix Semiconductor", "VORTANE Evaluation Software", "", "", "",
                                     "Comment : bench A", "", "Address\tData\tRegister", "{",
                                     "0x40\t0x3\t // Configuration 1", "}", ""}));
        QCOMPARE(f.t.prompts.dialogFilters, QStringList{"Text Files (*.sav)|*.sav"});
        QCOMPARE(f.t.requests().size(), 75);

        f.w->chkNotDefaults->click();
        f.file(QStringLiteral("all.sav"));
        f.w->cmdsave->click();
        QCOMPARE(QString::fromLatin1(f.bytes(QStringLiteral("all.sav"))).count(u"\r\n0x"), 75);
        QCOMPARE(f.blockReads(), 0);
        f.polling.Tick(f.t.clock.nowMs() + 10000);
        QCOMPARE(f.blockReads(), 1);
    }

    // A file cut short or over the size limit writes nothing; a hand-written one with a brace in its
    // comment is written in file order. (Every other refusal of the parse is tested with it.)
    void recall() {
        const QByteArray head("Heldrix\r\nComment : a { b\r\nAddress\tData\tRegister\r\n{\r\n");
        QList<std::tuple<QByteArray, QStringList, QString>> cases{
            {head + "0x40\t0x1\t // Configuration 1\r\n0x4",
             {},
             "Nothing was recalled: %1, line 6: the file ends inside the register line."},
            {head + "0x7F\t0x0\t // GPIO Enable\r\n0x40 0x1\r\n0x7F\t0xA\r\n}\r\n",
             {"222 46 127 0 0", "222 46 320 0 0", "222 46 2687 0 0"},
             "Recalled 3 registers from %1"}};
        // A megabyte is the most a saved configuration may hold: blank lines fill one to the byte.
        const auto filled = [&head](qsizetype size) {
            const QByteArray line = head + "0x40\t0x1\r\n", end = "}\r\n";
            return line + QByteArray(size - line.size() - end.size(), '\n') + end;
        };
        cases.append({filled(1 << 20), {"222 46 320 0 0"}, "Recalled 1 registers from %1"});
        cases.append(
            {filled((1 << 20) + 1),
             {},
             "Nothing was recalled: cannot read %1 (the file is too large to be a saved configuration)."});
        for (const auto& [content, writes, shown] : cases) {
            Fixture f;
            const QString name = f.file(QStringLiteral("r.sav"), content);
            f.w->cmdRecall->click();
            QCOMPARE(f.writes(), writes);
            QCOMPARE(writes.isEmpty() ? f.t.prompts.messages.value(0).text : f.t.session->statusText(),
                     shown.arg(name));
        }
    }

    // A comment the file cannot hold is refused before the chip is read; a save the disk cannot take
    // keeps the old file whole and says so. After it, and after a link error, the polling cycle runs
    // again.
    void failedSaves() {
        Fixture f;
        f.w->txtComment->setText(QStringLiteral("fan \u03A9"));
        f.w->cmdsave->click();
        QCOMPARE(f.t.prompts.messages.takeFirst().text,
                 QStringLiteral("Configuration not saved: the comment holds \"\u03A9\" (U+03A9), which a "
                                ".sav file cannot hold."));
        QVERIFY(f.t.requests().isEmpty() && f.t.prompts.dialogFilters.isEmpty());
        f.w->txtComment->clear();
        const QString name = f.file(QStringLiteral("keep.sav"), "old\r\n");
        {
            FileSizeLimit full(100);
            f.w->cmdsave->click();
        }
        QCOMPARE(f.bytes(QStringLiteral("keep.sav")), QByteArray("old\r\n"));
        QCOMPARE(f.t.prompts.messages.value(0).text,
                 QStringLiteral("Configuration not saved: cannot write to %1 (File too large)").arg(name));
        f.polling.Tick(f.t.clock.nowMs() + 10000);
        QCOMPARE(f.blockReads(), 1);

        SimOptions o;
        o.failRequestNumber = 20; // among the save's reads
        Fixture lost(o);
        lost.w->cmdsave->click();
        QVERIFY(lost.t.programEnds == QList<int>{3} && !lost.polling.paused());
    }
};

QTEST_MAIN(TestFrmSave)
#include "tst_frmsave.moc"
