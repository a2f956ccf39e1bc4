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

#include <algorithm>

namespace {

// A register map over a connected simulated board, shown offscreen at its designed size.
struct Fixture {
    Fixture() : polling(*sim.session) {
        sim.connect();
        sim.session->options.ReadingEnabled = false; // only the window's own requests reach the journal
        window = new frmRegMap(*sim.session, polling);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }
    ~Fixture() {
        if (window) window->close();
    }

    static QString read(int reg) { return QStringLiteral("222 46 %1 1 1").arg(reg); }
    static QString write(int value, int reg) {
        return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
    }
    QStringList journal() const { return sim.requestTexts(); }

    QTreeWidgetItem* node(const QString& text) const {
        const auto found = window->TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.front() : nullptr;
    }
    void clickNode(const QString& text) {
        QTreeWidgetItem* item = node(text);
        QVERIFY2(item, qPrintable(text));
        for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
            p->setExpanded(true);
        window->TreeView1->scrollToItem(item);
        QTest::mouseClick(window->TreeView1->viewport(), Qt::LeftButton, {},
                          window->TreeView1->visualItemRect(item).center());
    }
    // The bit names as the user reads them, from left to right.
    QStringList namesLeftToRight() const {
        auto labels = window->lblInfo;
        std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->x() < b->x(); });
        QStringList names;
        for (QLabel* l : labels)
            names << l->text();
        return names;
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
        QCOMPARE(w->designedSize(), QSize(562, 417));
        QVERIFY(sim.session->decl.RegisterMapOpen);
        QCOMPARE(sim.requests().size(), 0);

        QTreeWidget* tree = w->TreeView1;
        QList<QTreeWidgetItem*> items;
        for (QTreeWidgetItemIterator it(tree); *it; ++it)
            items << *it;
        const QList<RegisterTreeNode> expected = RegisterTreeNodes();
        QCOMPARE(items.size(), 113);
        const QColor colours[] = {QColor(0, 128, 0), QColor(192, 0, 0), QColor(0, 0, 192)};
        for (qsizetype n = 0; n < items.size(); ++n) {
            QCOMPARE(items[n]->text(0), expected[n].text);
            QCOMPARE(items[n]->foreground(0).color(), colours[expected[n].level]);
            QCOMPARE(items[n]->parent() ? items.indexOf(items[n]->parent()) : -1, expected[n].parent);
        }
        QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("General"));
        QVERIFY(tree->topLevelItem(0)->isExpanded());
        QVERIFY(!tree->topLevelItem(1)->isExpanded() && !tree->topLevelItem(2)->isExpanded());
        w->unloadWindow();
        QVERIFY(!sim.session->decl.RegisterMapOpen);
    }

    void treeNodesSelectRegisters() {
        Fixture f;
        frmRegMap* w = f.window;
        f.clickNode(QStringLiteral("Status")); // groups and roots change nothing
        f.clickNode(QStringLiteral("General"));
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("Description"));
        QCOMPARE(w->txtReadAddr->text(), QString());
        QCOMPARE(f.sim.requests().size(), 0);

        f.sim.chip().write(0x40, 0x0B);
        f.clickNode(QStringLiteral("Configuration 1"));
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("Configuration 1"));
        QCOMPARE(w->lblCurrentAddr->text(), QStringLiteral("40h"));
        QCOMPARE(w->txtReadAddr->text(), QStringLiteral("40H"));
        QCOMPARE(f.namesLeftToRight(),
                 QStringList({"T/FS", "H/LF", "FTCH", "LCK", "TODIS", "FSPD", "TEST", "STRT"}));
        QCOMPARE(w->lblDecVal->text(), QStringLiteral("11"));
        QCOMPARE(w->lblHexVal->text(), QStringLiteral("B"));
        QCOMPARE(f.bits(), QStringLiteral("00001011"));
        f.clickNode(QStringLiteral("Configuration 1")); // the selected node reads again

        // 0x7F and 0x7B have second names; a node shows its own, a Read the address's first.
        f.clickNode(QStringLiteral("PEXIL Coef Select 2"));
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("PEXIL Coef Select 2"));
        QCOMPARE(w->lblCurrentAddr->text(), QStringLiteral("7Fh"));
        f.clickNode(QStringLiteral("AFC"));
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("AFC"));
        QTest::mouseClick(w->cmdRead, Qt::LeftButton);
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("PEXIL Coef Option 3"));

        // Arrow keys select registers as clicks do; the group above them changes nothing.
        w->TreeView1->setCurrentItem(f.node(QStringLiteral("Configuration 2")));
        QCOMPARE(w->lblCurrentAddr->text(), QStringLiteral("74h"));
        QTest::keyClick(w->TreeView1, Qt::Key_Up);
        QTest::keyClick(w->TreeView1, Qt::Key_Up);
        QCOMPARE(w->TreeView1->currentItem()->text(0), QStringLiteral("Configuration"));
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("Configuration 1"));
        QCOMPARE(f.journal(), QStringList({f.read(0x40), f.read(0x40), f.read(0x7F), f.read(0x7B),
                                           f.read(0x7B), f.read(0x74), f.read(0x40)}));
    }

    void typedAddressIsReadOnRead() {
        Fixture f;
        QLineEdit* box = f.window->txtReadAddr;
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("7h"));
        QTest::keyClick(box, Qt::Key_Left);
        QTest::keyClicks(box, QStringLiteral("f"));
        QCOMPARE(box->text(), QStringLiteral("7FH")); // upper case, the cursor where it was
        QCOMPARE(box->cursorPosition(), 2);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(f.sim.requests().size(), 0); // typing and Enter here read nothing
        QTest::mouseClick(f.window->cmdRead, Qt::LeftButton);
        QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("GPIO Enable"));
        QCOMPARE(f.window->lblDecVal->text(), QString::number(f.sim.chip().read(0x7F)));
        QCOMPARE(f.journal(), QStringList{f.read(0x7F)});
    }

    void bitsWriteAndShowTheChip() {
        Fixture f;
        f.clickNode(QStringLiteral("Configuration 1"));
        QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("1")); // the chip's reset value
        f.sim.board->clearJournal();
        ClickableLabel* bit = f.window->lblBit[3];
        QTest::mouseClick(bit, Qt::LeftButton);
        QCOMPARE(f.journal(), QStringList({f.write(0x09, 0x40), f.read(0x40)}));
        QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("9"));
        QCOMPARE(f.bits(), QStringLiteral("00001001"));
        bit->setFocus();
        QTest::keyClick(bit, Qt::Key_Space);
        QCOMPARE(f.journal().mid(2), QStringList({f.write(0x01, 0x40), f.read(0x40)}));
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(bit);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Bit 3"));
        QCOMPARE(iface->role(), QAccessible::CheckBox);
        iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("9"));
        QVERIFY(iface->state().checked);

        // A read-only register ignores the write: the bit shows what the chip holds, not the click.
        f.sim.board->clearJournal();
        f.window->txtReadAddr->setText(QStringLiteral("41"));
        QTest::mouseClick(f.window->lblBit[7], Qt::LeftButton);
        QCOMPARE(f.journal(), QStringList({f.write(0x80 | 0x09, 0x41), f.read(0x41)}));
        QCOMPARE(f.window->lblBit[7]->text(), QStringLiteral("0"));

        f.sim.board->clearJournal(); // a press dragged off the label is no click
        QTest::mousePress(f.window->lblBit[2], Qt::LeftButton);
        QTest::mouseRelease(f.window->lblBit[2], Qt::LeftButton, {}, QPoint(-5, 2));
        QCOMPARE(f.sim.requests().size(), 0);
    }

    // The two value boxes mirror each other; a write sends the decimal box and reads back.
    void writeTypedValue() {
        Fixture f;
        frmRegMap* w = f.window;
        w->txtReadAddr->setText(QStringLiteral("6E"));
        w->txtDec->setFocus();
        QTest::keyClicks(w->txtDec, QStringLiteral("300"));
        QCOMPARE(w->txtHex->text(), QStringLiteral("12C"));
        QTest::keyClick(w->txtDec, Qt::Key_Return);
        QCOMPARE(f.journal(), QStringList({f.write(255, 0x6E), f.read(0x6E)}));
        QCOMPARE(w->lblDecVal->text(), QStringLiteral("255"));
        QCOMPARE(w->txtDec->text(), QStringLiteral("300")); // the read-back leaves the boxes alone

        f.sim.board->clearJournal();
        w->txtDec->clear();
        QTest::mouseClick(w->cmdWrite, Qt::LeftButton);
        QCOMPARE(f.journal(), QStringList({f.write(0, 0x6E), f.read(0x6E)}));

        f.sim.board->clearJournal();
        w->txtHex->setFocus();
        w->txtHex->selectAll();
        QTest::keyClicks(w->txtHex, QStringLiteral("ff"));
        QCOMPARE(w->txtDec->text(), QStringLiteral("255"));
        QCOMPARE(w->txtHex->text(), QStringLiteral("ff")); // not rewritten by its own mirror
        QTest::keyClick(w->txtHex, Qt::Key_Enter);
        QCOMPARE(f.journal(), QStringList({f.write(255, 0x6E), f.read(0x6E)}));
    }

    void linkFailureStopsWrite() {
        Fixture f;
        f.window->txtReadAddr->setText(QStringLiteral("6E"));
        f.window->txtDec->setText(QStringLiteral("7"));
        f.sim.board->options().failRequestNumber = f.sim.board->requestCount() + 1;
        QTest::mouseClick(f.window->cmdWrite, Qt::LeftButton);
        QCOMPARE(f.sim.programEnds, QList<int>{3});
        QCOMPARE(f.journal(), QStringList{f.write(7, 0x6E)});
        QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("DecVal")); // no read-back shown
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
        QVERIFY(!f.sim.session->decl.RegisterMapOpen);
        QVERIFY(!f.polling.continuousReadTicked);
        f.sim.session->decl.RegisterMapOpen = true; // even with the flag forced, the refresh is gone
        f.tickFor(3000);
        QCOMPARE(f.sim.requests().size(), 0);
    }

    void bitDisplayLayout() {
        Fixture f;
        const auto& bit = f.window->lblBit;
        for (const int extra : {0, 200}) {
            f.window->resize(f.window->designedSize() + QSize(extra, 0));
            QCoreApplication::processEvents();
            QVERIFY(std::abs(bit[7]->x() - 7) <= 1); // 100 twips from the left edge
            for (std::size_t i = 0; i < 7; ++i)
                QVERIFY(bit[i + 1]->geometry().right() < bit[i]->x());
            for (std::size_t k = 0; k < 8; ++k) {
                const QRect info = f.window->lblInfo[k]->geometry();
                QVERIFY(std::abs(info.center().x() - bit[7 - k]->geometry().center().x()) <= 1);
                QVERIFY(info.bottom() < bit[0]->y());
            }
        }
        // Every bit name of every register fits over its bit.
        for (const RegisterEntry& entry : BuildRegisterTable())
            for (const QString& name : SplitBitNames(entry))
                QVERIFY2(f.window->lblInfo[0]->fontMetrics().horizontalAdvance(name) < bit[0]->width(),
                         qPrintable(name));
    }
};

QTEST_MAIN(TestFrmRegMap)
#include "tst_frmregmap.moc"
