// The register map window over the simulated board: what it shows and what its clicks, keys and
// polling send to the chip (the request journal). Address and value rules are tested in core.
#include "board/Settings.h"
#include "monitoring/PollingCycle.h"
#include "registers/RegMapStuff.h"
#include "support/SimSession.h"
#include "windows/frmMain.h"
#include "windows/frmRegMap.h"
#include "windows/widgets/ClickableLabel.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A register map over a connected simulated board, shown offscreen at its designed size.
struct Fixture {
    Fixture() : polling(*sim.session) {
        sim.connect();
        sim.session->options.ReadingEnabled = false; // only the window's own requests reach the journal
        window = new frmRegMap(*sim.session, polling);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    ~Fixture() {
        if (window) window->close();
    }

    static QString read(int reg) { return QStringLiteral("222 46 %1 1 1").arg(reg); }
    static QString write(int v, int reg) { return QStringLiteral("222 46 %1 0 0").arg(v * 256 + reg); }
    QStringList journal() const { return sim.requestTexts(); }

    void clickNode(const QString& text) {
        const auto found = window->TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(found.size() == 1, qPrintable(text));
        window->TreeView1->expandAll();
        window->TreeView1->scrollToItem(found.front());
        QTest::mouseClick(window->TreeView1->viewport(), Qt::LeftButton, {},
                          window->TreeView1->visualItemRect(found.front()).center());
    }
    // Description, address, typed address, value in decimal and hex, bits 7..0.
    QStringList shown() const {
        return {window->lblRegDescription->text(), window->lblCurrentAddr->text(),
                window->txtReadAddr->text(),       window->lblDecVal->text(),
                window->lblHexVal->text(),         bits()};
    }
    QString bits() const {
        QString out;
        for (int i = 7; i >= 0; --i)
            out += window->lblBit[static_cast<std::size_t>(i)]->text();
        return out;
    }
    void tickFor(std::int64_t ms) {
        for (std::int64_t t = 0; t < ms; t += 10) {
            sim.clock.advance(10);
            polling.Tick(sim.clock.nowMs());
        }
    }

    SimSession sim;
    PollingCycle polling;
    QPointer<frmRegMap> window;
};

} // namespace

class TestFrmRegMap : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void openingThroughTheMainWindowShowsTheTree() {
        SimSession sim;
        sim.connect();
        PollingCycle polling(*sim.session);
        QTemporaryDir dir;
        SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
        frmMain main(*sim.session, polling, settings);
        sim.board->clearJournal();
        auto* w = qobject_cast<frmRegMap*>(main.openWindow(QStringLiteral("Tree")));
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Register Map"));
        QVERIFY(sim.session->decl.RegisterMapOpen);
        QCOMPARE(sim.requests().size(), 0);

        // Roots green, groups red, registers blue; only "General" open.
        QCOMPARE(w->TreeView1->topLevelItemCount(), 3);
        QTreeWidgetItem* general = w->TreeView1->topLevelItem(0);
        QTreeWidgetItem* fan4 = w->TreeView1->topLevelItem(2)->child(4);
        QCOMPARE((QStringList{general->text(0), fan4->text(0), fan4->child(8)->text(0)}),
                 (QStringList{"General", "Fan4", "Tach4 Max High Byte"}));
        QCOMPARE(general->foreground(0).color(), QColor(0, 128, 0));
        QCOMPARE(fan4->foreground(0).color(), QColor(192, 0, 0));
        QCOMPARE(fan4->child(8)->foreground(0).color(), QColor(0, 0, 192));
        QVERIFY(general->isExpanded() && !w->TreeView1->topLevelItem(1)->isExpanded());
        w->unloadWindow();
        QVERIFY(!sim.session->decl.RegisterMapOpen);
    }

    // Tree nodes (clicked or reached with the arrow keys) and typed addresses select registers.
    void selectingRegisters() {
        Fixture f;
        frmRegMap* w = f.window;
        const QStringList before = f.shown();
        f.clickNode(QStringLiteral("Status")); // a group changes nothing
        QCOMPARE(f.shown(), before);
        QCOMPARE(f.sim.requests().size(), 0);

        f.sim.chip().write(0x40, 0x0B);
        f.clickNode(QStringLiteral("Configuration 1"));
        QCOMPARE(f.shown(), QStringList({"Configuration 1", "40h", "40H", "11", "B", "00001011"}));
        // Bit 7 leftmost, each bit's name centred above it, at the designed size and wider.
        const QStringList names{"T/FS", "H/LF", "FTCH", "LCK", "TODIS", "FSPD", "TEST", "STRT"};
        for (const int extra : {0, 200}) {
            w->resize(w->designedSize() + QSize(extra, 0));
            QCoreApplication::processEvents();
            QVERIFY(std::abs(w->lblBit[7]->x() - 7) <= 1); // 100 twips from the left edge
            for (std::size_t k = 0; k < 8; ++k) {
                const QRect info = w->lblInfo[k]->geometry(), bit = w->lblBit[7 - k]->geometry();
                QCOMPARE(w->lblInfo[k]->text(), names[qsizetype(k)]);
                QVERIFY(std::abs(info.center().x() - bit.center().x()) <= 1 && info.bottom() < bit.top());
                if (k > 0) QVERIFY(w->lblBit[8 - k]->geometry().right() < bit.left());
            }
        }
        for (const RegisterEntry& entry : BuildRegisterTable()) // every register's bit names fit
            for (const QString& name : SplitBitNames(entry))
                QVERIFY2(w->lblInfo[0]->fontMetrics().horizontalAdvance(name) < w->lblBit[0]->width(),
                         qPrintable(name));

        // 0x7F and 0x7B have second names; a node shows its own, a Read the address's first.
        f.clickNode(QStringLiteral("PEXIL Coef Select 2"));
        QCOMPARE(f.shown().mid(0, 2), QStringList({"PEXIL Coef Select 2", "7Fh"}));
        f.clickNode(QStringLiteral("AFC"));
        QTest::mouseClick(w->cmdRead, Qt::LeftButton);
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("PEXIL Coef Option 3"));

        f.clickNode(QStringLiteral("Configuration 2"));
        QTest::keyClick(w->TreeView1, Qt::Key_Up);
        QTest::keyClick(w->TreeView1, Qt::Key_Up);
        QCOMPARE(w->TreeView1->currentItem()->text(0), QStringLiteral("Configuration"));
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("Configuration 1"));

        w->txtReadAddr->clear();
        QTest::keyClicks(w->txtReadAddr, QStringLiteral("7f"));
        QTest::mouseClick(w->cmdRead, Qt::LeftButton);
        QCOMPARE(f.shown().mid(0, 3), QStringList({"GPIO Enable", "7Fh", "7FH"}));
        QCOMPARE(f.journal(), QStringList({f.read(0x40), f.read(0x7F), f.read(0x7B), f.read(0x7B),
                                           f.read(0x74), f.read(0x40), f.read(0x7F)}));
    }

    // A clicked bit (mouse, Space, accessible toggle) and the decimal box (Enter, Write) are written
    // to the register and the register read back.
    void writes() {
        Fixture f;
        frmRegMap* w = f.window;
        f.clickNode(QStringLiteral("Configuration 1")); // the chip holds 0x01 after reset
        // Another address typed but not read: the bits shown are still those of 0x40, and so is the write.
        w->txtReadAddr->clear();
        QTest::keyClicks(w->txtReadAddr, QStringLiteral("6E"));
        ClickableLabel* bit = w->lblBit[3];
        QTest::mouseClick(bit, Qt::LeftButton);
        QCOMPARE(f.shown().mid(1), QStringList({"40h", "40H", "9", "9", "00001001"}));
        bit->setFocus();
        QTest::keyClick(bit, Qt::Key_Space);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(bit);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Bit 3"));
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(w->lblDecVal->text(), QStringLiteral("9"));
        QVERIFY(iface->state().checked);

        w->txtReadAddr->setText(QStringLiteral("6E"));
        w->txtDec->setFocus();
        QTest::keyClicks(w->txtDec, QStringLiteral("300"));
        QCOMPARE(w->txtHex->text(), QStringLiteral("12C"));
        QTest::keyClick(w->txtDec, Qt::Key_Return);
        QCOMPARE(w->lblDecVal->text(), QStringLiteral("255"));
        w->txtDec->clear();
        QTest::mouseClick(w->cmdWrite, Qt::LeftButton);
        QCOMPARE(f.journal(),
                 QStringList({f.read(0x40), f.write(0x09, 0x40), f.read(0x40), f.write(0x01, 0x40),
                              f.read(0x40), f.write(0x09, 0x40), f.read(0x40), f.write(255, 0x6E),
                              f.read(0x6E), f.write(0, 0x6E), f.read(0x6E)}));
    }

    void continuousReadFollowsTheBoxUntilClosed() {
        Fixture f;
        f.window->txtReadAddr->setText(QStringLiteral("6e"));
        f.window->chkContRead->setChecked(true);
        f.tickFor(3000);
        QCOMPARE(f.journal(), QStringList(3, f.read(0x6E)));
        const QList<JournalEntry> reads = f.sim.requests();
        QVERIFY(reads[1].timeMs - reads[0].timeMs > 1000 && reads[1].timeMs - reads[0].timeMs <= 1010);

        f.sim.board->clearJournal(); // a hand-typed address is followed and the chip's changes show
        f.window->txtReadAddr->setText(QStringLiteral("40"));
        f.sim.chip().write(0x40, 0x03);
        f.tickFor(1000);
        QCOMPARE(f.journal(), QStringList{f.read(0x40)});
        QCOMPARE(f.bits(), QStringLiteral("00000011"));

        f.sim.board->clearJournal();
        f.window->chkContRead->setChecked(false);
        f.tickFor(3000);
        QCOMPARE(f.sim.requests().size(), 0);

        f.window->chkContRead->setChecked(true);
        f.window->close();
        f.sim.session->decl.RegisterMapOpen = true; // even with the flag forced, the refresh is gone
        f.tickFor(3000);
        QCOMPARE(f.sim.requests().size(), 0);
    }
};

QTEST_MAIN(TestFrmRegMap)
#include "tst_frmregmap.moc"
