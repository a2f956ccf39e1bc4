#include "board/Settings.h"
#include "monitoring/PollingCycle.h"
#include "registers/RegMapStuff.h"
#include "support/SimSession.h"
#include "windows/frmMain.h"
#include "windows/frmRegMap.h"
#include "windows/widgets/ClickableLabel.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

QString readText(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}
QString writeText(int value, int reg) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}

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
        sim.board->clearJournal();
    }
    ~Fixture() {
        if (window) window->close();
    }

    QTreeWidgetItem* node(const QString& text) const {
        const auto found = window->TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        return found.size() == 1 ? found.front() : nullptr;
    }
    void clickNode(const QString& text) {
        QTreeWidgetItem* item = node(text);
        QVERIFY2(item, qPrintable(text));
        window->TreeView1->scrollToItem(item);
        QTest::mouseClick(window->TreeView1->viewport(), Qt::LeftButton, {},
                          window->TreeView1->visualItemRect(item).center());
    }
    void read(const QString& address) {
        window->txtReadAddr->setText(address);
        QTest::mouseClick(window->cmdRead, Qt::LeftButton);
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
    int readsOf(int reg) const { return static_cast<int>(sim.requestTexts().count(readText(reg))); }

    SimSession sim;
    PollingCycle polling;
    QPointer<frmRegMap> window;
};

} // namespace

class TestFrmRegMap : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void load();
    void openedFromMainWindow();
    void treeNodes();
    void clickRegisterNode();
    void clickSecondName();
    void typedAddress_data();
    void typedAddress();
    void lookupByAddressAfterSecondName();
    void groupAndRootNodesDoNothing();
    void arrowKeysSelectRegisters();
    void bitClick();
    void bitKeyboardAndAccessibility();
    void writeValue_data();
    void writeValue();
    void linkFailureStopsWrite();
    void mirroredValueBoxes();
    void addressUpperCase();
    void continuousRead();
    void unload();
    void tabOrder();
    void bitLayout();
    void nothingClippedAtDesignedSize();
};

void TestFrmRegMap::load() {
    Fixture f;
    frmRegMap* w = f.window;
    QCOMPARE(w->objectName(), QStringLiteral("frmRegMap"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Register Map"));
    QCOMPARE(w->designedSize(), QSize(562, 417));
    QVERIFY(f.sim.session->decl.RegisterMapOpen);
    const QList<std::pair<QString, QString>> captions = {
        {"Frame1", "Register Map"},
        {"Frame6", "Read/Write"},
        {"Label11", "Address"},
        {"cmdRead", "Read"},
        {"chkContRead", "Continuous Read"},
        {"Label6", "Value(Dec)"},
        {"Label5", "Value(Hex)"},
        {"cmdWrite", "Write"},
        {"Frame3", "Register Details"},
        {"lblRegDescription", "Description"},
        {"Label7", "Register"},
        {"lblCurrentAddr", "Address"},
        {"Label8", "Address"},
        {"lblDecVal", "DecVal"},
        {"Label10", "Current Value (Dec)"},
        {"lblHexVal", "HexVal"},
        {"Label9", "Current Value (Hex)"},
        {"fraBits", "Bit Display"},
    };
    for (const auto& [name, text] : captions) {
        QWidget* control = w->findChild<QWidget*>(name);
        QVERIFY2(control, qPrintable(name));
        QString shown;
        if (auto* l = qobject_cast<QLabel*>(control))
            shown = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(control))
            shown = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(control))
            shown = g->title();
        QCOMPARE(shown, text);
    }
    for (const char* box : {"txtReadAddr", "txtDec", "txtHex"})
        QCOMPARE(w->findChild<QLineEdit*>(box)->text(), QString());
    QVERIFY(!w->chkContRead->isChecked());
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblBit_%1").arg(i))->text(), QStringLiteral("0"));
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("lblInfo_%1").arg(i))->text(), QStringLiteral("X"));
    }
    QCOMPARE(f.sim.requests().size(), 0);
}

void TestFrmRegMap::openedFromMainWindow() {
    SimSession sim;
    sim.connect();
    PollingCycle polling(*sim.session);
    QTemporaryDir dir;
    SettingsStore settings(dir.filePath(QStringLiteral("settings.ini")));
    frmMain main(*sim.session, polling, settings);
    QVERIFY(main.mnuRegMap->isEnabled());
    auto* window = qobject_cast<frmRegMap*>(main.openWindow(QStringLiteral("Tree")));
    QVERIFY(window);
    QCOMPARE(main.openWindow(QStringLiteral("frmRegMap")), window);
    QVERIFY(sim.session->decl.RegisterMapOpen);
    QPointer<frmRegMap> closing(window);
    window->unloadWindow();
    QVERIFY(!sim.session->decl.RegisterMapOpen);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(closing.isNull());
    QCOMPARE(main.findWindow(QStringLiteral("frmRegMap")), nullptr);
}

void TestFrmRegMap::treeNodes() {
    Fixture f;
    QTreeWidget* tree = f.window->TreeView1;
    QCOMPARE(tree->indentation(), 13);

    const QList<RegisterTreeNode> expected = RegisterTreeNodes();
    QList<QTreeWidgetItem*> items;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        items << *it;
    QCOMPARE(items.size(), 113);
    const QColor colours[] = {QColor(0, 128, 0), QColor(192, 0, 0), QColor(0, 0, 192)};
    for (qsizetype n = 0; n < items.size(); ++n) {
        const RegisterTreeNode& want = expected[n];
        QTreeWidgetItem* item = items[n];
        QCOMPARE(item->text(0), want.text);
        QCOMPARE(item->data(0, Qt::UserRole).toString(), want.text);
        QCOMPARE(item->foreground(0).color(), colours[want.level]);
        QCOMPARE(item->parent() ? items.indexOf(item->parent()) : -1, want.parent);
    }
    QCOMPARE(tree->topLevelItemCount(), 3);
    QVERIFY(tree->topLevelItem(0)->isExpanded());
    QVERIFY(!tree->topLevelItem(1)->isExpanded());
    QVERIFY(!tree->topLevelItem(2)->isExpanded());
    QCOMPARE(f.node(QStringLiteral("Temperature1 Tmin")), nullptr);
}

void TestFrmRegMap::clickRegisterNode() {
    Fixture f;
    f.sim.chip().write(0x40, 0x0B);
    f.clickNode(QStringLiteral("Configuration 1"));
    frmRegMap* w = f.window;
    QCOMPARE(w->lblRegDescription->text(), QStringLiteral("Configuration 1"));
    QCOMPARE(w->lblCurrentAddr->text(), QStringLiteral("40h"));
    QCOMPARE(w->txtReadAddr->text(), QStringLiteral("40H"));
    QCOMPARE(f.namesLeftToRight(),
             QStringList({"T/FS", "H/LF", "FTCH", "LCK", "TODIS", "FSPD", "TEST", "STRT"}));
    QCOMPARE(w->lblDecVal->text(), QStringLiteral("11"));
    QCOMPARE(w->lblHexVal->text(), QStringLiteral("B"));
    QCOMPARE(f.bits(), QStringLiteral("00001011"));
    QCOMPARE(f.sim.requestTexts(), QStringList{readText(0x40)});

    // Each click reads again, also of the node already selected.
    f.clickNode(QStringLiteral("Configuration 1"));
    QCOMPARE(f.readsOf(0x40), 2);
    QCOMPARE(f.sim.requests().size(), 2);
}

void TestFrmRegMap::clickSecondName() {
    Fixture f;
    f.window->TreeView1->topLevelItem(1)->setExpanded(true);
    f.node(QStringLiteral("Control"))->setExpanded(true);
    f.clickNode(QStringLiteral("PEXIL Coef Select 2"));
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("PEXIL Coef Select 2"));
    QCOMPARE(f.window->lblCurrentAddr->text(), QStringLiteral("7Fh"));
    QCOMPARE(f.window->txtReadAddr->text(), QStringLiteral("7FH"));
    QCOMPARE(f.sim.requestTexts(), QStringList{readText(0x7F)});
}

void TestFrmRegMap::typedAddress_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("reg");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("names");

    const QStringList numbers{"7", "6", "5", "4", "3", "2", "1", "0"};
    QTest::newRow("7f") << "7f" << 0x7F << "GPIO Enable"
                        << "7Fh" << QStringList{"SEL1", "SEL0", "-", "-", "EN1", "EN2", "EN3", "EN4"};
    QTest::newRow("6E") << "6E" << 0x6E << "Temperature1 Tmin"
                        << "6Eh" << numbers;
    QTest::newRow("90") << "90" << 0x90 << "Unknown"
                        << "90h" << numbers;
}

void TestFrmRegMap::typedAddress() {
    QFETCH(QString, typed);
    QFETCH(int, reg);
    QFETCH(QString, description);
    QFETCH(QString, address);
    QFETCH(QStringList, names);

    Fixture f;
    f.window->txtReadAddr->setFocus();
    QTest::keyClicks(f.window->txtReadAddr, typed);
    QCOMPARE(f.sim.requests().size(), 0); // typing alone reads nothing
    QTest::mouseClick(f.window->cmdRead, Qt::LeftButton);
    QCOMPARE(f.window->lblRegDescription->text(), description);
    QCOMPARE(f.window->lblCurrentAddr->text(), address);
    QCOMPARE(f.window->txtReadAddr->text(), address.toUpper());
    QCOMPARE(f.namesLeftToRight(), names);
    QCOMPARE(f.window->lblDecVal->text(), QString::number(f.sim.chip().read(reg)));
    QCOMPARE(f.sim.requestTexts(), QStringList{readText(reg)});
}

void TestFrmRegMap::lookupByAddressAfterSecondName() {
    Fixture f;
    f.window->TreeView1->topLevelItem(2)->setExpanded(true);
    f.node(QStringLiteral("Fan Control"))->setExpanded(true);
    f.clickNode(QStringLiteral("AFC"));
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("AFC"));
    QTest::mouseClick(f.window->cmdRead, Qt::LeftButton);
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("PEXIL Coef Option 3"));
    QCOMPARE(f.readsOf(0x7B), 2);
}

void TestFrmRegMap::groupAndRootNodesDoNothing() {
    Fixture f;
    f.clickNode(QStringLiteral("Status"));
    f.clickNode(QStringLiteral("General"));
    f.clickNode(QStringLiteral("Temperature"));
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("Description"));
    QCOMPARE(f.window->lblCurrentAddr->text(), QStringLiteral("Address"));
    QCOMPARE(f.window->txtReadAddr->text(), QString());
    QCOMPARE(f.namesLeftToRight(), QStringList(8, QStringLiteral("X")));
    QCOMPARE(f.sim.requests().size(), 0);
}

void TestFrmRegMap::arrowKeysSelectRegisters() {
    Fixture f;
    QTreeWidget* tree = f.window->TreeView1;
    tree->setFocus();
    tree->setCurrentItem(f.node(QStringLiteral("Configuration")));
    QCOMPARE(f.sim.requests().size(), 0);
    QTest::keyClick(tree, Qt::Key_Right); // opens the group
    QCOMPARE(f.sim.requests().size(), 0);
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("Configuration 1"));
    QTest::keyClick(tree, Qt::Key_Down);
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("Configuration 2"));
    QCOMPARE(f.window->lblCurrentAddr->text(), QStringLiteral("74h"));
    QCOMPARE(f.sim.requestTexts(), QStringList({readText(0x40), readText(0x74)}));
    // Up past the first register lands on the group, which changes nothing.
    QTest::keyClick(tree, Qt::Key_Up);
    QTest::keyClick(tree, Qt::Key_Up);
    QCOMPARE(tree->currentItem()->text(0), QStringLiteral("Configuration"));
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("Configuration 1"));
    QCOMPARE(f.sim.requests().size(), 3);
}

void TestFrmRegMap::bitClick() {
    Fixture f;
    f.clickNode(QStringLiteral("Configuration 1"));
    QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("1")); // the chip's reset value
    f.sim.board->clearJournal();

    QTest::mouseClick(f.window->lblBit[3], Qt::LeftButton);
    QCOMPARE(f.sim.requestTexts(), QStringList({writeText(0x09, 0x40), readText(0x40)}));
    QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("9"));
    QCOMPARE(f.window->lblHexVal->text(), QStringLiteral("9"));
    QCOMPARE(f.bits(), QStringLiteral("00001001"));

    // What is shown afterwards is what the chip holds, not what was clicked: a read-only register
    // ignores the write and the bit comes back.
    f.read(QStringLiteral("41"));
    const int status = f.window->lblDecVal->text().toInt();
    QVERIFY(status < 0x80);
    f.sim.board->clearJournal();
    QTest::mouseClick(f.window->lblBit[7], Qt::LeftButton);
    QCOMPARE(f.sim.requestTexts(), QStringList({writeText(status | 0x80, 0x41), readText(0x41)}));
    QCOMPARE(f.window->lblBit[7]->text(), QStringLiteral("0"));

    // A press dragged off the label is no click.
    f.sim.board->clearJournal();
    ClickableLabel* bit = f.window->lblBit[2];
    QTest::mousePress(bit, Qt::LeftButton);
    QTest::mouseRelease(bit, Qt::LeftButton, {}, QPoint(bit->width() + 5, bit->height() / 2));
    QCOMPARE(f.sim.requests().size(), 0);
}

void TestFrmRegMap::bitKeyboardAndAccessibility() {
    Fixture f;
    f.read(QStringLiteral("40"));
    f.sim.board->clearJournal();
    ClickableLabel* bit = f.window->lblBit[3];
    QCOMPARE(bit->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(bit->frameShape() != QFrame::NoFrame);
    QCOMPARE(bit->focusPolicy(), Qt::StrongFocus);

    bit->setFocus();
    QTest::keyClick(bit, Qt::Key_Space);
    QCOMPARE(f.sim.requestTexts(), QStringList({writeText(0x09, 0x40), readText(0x40)}));
    QTest::keyClick(bit, Qt::Key_Return);
    QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("1"));
    QTest::keyClick(bit, Qt::Key_Enter);
    QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("9"));
    QCOMPARE(f.sim.requests().size(), 6);

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(bit);
    QVERIFY(iface);
    QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Bit 3"));
    QCOMPARE(iface->text(QAccessible::Description), QStringLiteral("TODIS"));
    QCOMPARE(iface->role(), QAccessible::CheckBox);
    QVERIFY(iface->state().checkable);
    QVERIFY(iface->state().checked);
    QVERIFY(iface->state().focusable);
    QAccessibleActionInterface* actions = iface->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("1"));
    QVERIFY(!iface->state().checked);
    QCOMPARE(QAccessible::queryAccessibleInterface(f.window->lblBit[0])->text(QAccessible::Description),
             QStringLiteral("STRT"));

    for (QWidget* box :
         {static_cast<QWidget*>(f.window->txtReadAddr), static_cast<QWidget*>(f.window->txtDec),
          static_cast<QWidget*>(f.window->txtHex), static_cast<QWidget*>(f.window->TreeView1)}) {
        QVERIFY2(!QAccessible::queryAccessibleInterface(box)->text(QAccessible::Name).isEmpty(),
                 qPrintable(box->objectName()));
    }
    QCOMPARE(f.window->txtDec->accessibleName(), QStringLiteral("Value(Dec)"));
    QCOMPARE(f.window->Label6->buddy(), f.window->txtDec);
}

void TestFrmRegMap::writeValue_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("how"); // 0 Write button, 1 Enter in txtDec, 2 Enter in txtHex
    QTest::addColumn<int>("sent");
    QTest::addColumn<QString>("hex");

    QTest::newRow("300, Enter") << "300" << 1 << 255 << "12C";
    QTest::newRow("17, button") << "17" << 0 << 17 << "11";
    QTest::newRow("17, Enter in hex box") << "17" << 2 << 17 << "11";
    QTest::newRow("empty") << "" << 0 << 0 << "";
    QTest::newRow("half to even") << "6.5" << 0 << 6 << "6";
}

void TestFrmRegMap::writeValue() {
    QFETCH(QString, typed);
    QFETCH(int, how);
    QFETCH(int, sent);
    QFETCH(QString, hex);

    Fixture f;
    f.sim.chip().write(0x6E, 0x5A);
    f.window->txtReadAddr->setText(QStringLiteral("6E"));
    f.window->txtDec->setFocus();
    QTest::keyClicks(f.window->txtDec, typed);
    QCOMPARE(f.window->txtHex->text(), hex);
    if (how == 0) QTest::mouseClick(f.window->cmdWrite, Qt::LeftButton);
    if (how == 1) QTest::keyClick(f.window->txtDec, Qt::Key_Return);
    if (how == 2) QTest::keyClick(f.window->txtHex, Qt::Key_Enter);
    QCOMPARE(f.sim.requestTexts(), QStringList({writeText(sent, 0x6E), readText(0x6E)}));
    QCOMPARE(f.window->lblDecVal->text(), QString::number(sent));
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("Temperature1 Tmin"));
    // Reading never touches what the user typed.
    QCOMPARE(f.window->txtDec->text(), typed);
    QCOMPARE(f.window->txtHex->text(), hex);
}

void TestFrmRegMap::linkFailureStopsWrite() {
    Fixture f;
    f.window->txtReadAddr->setText(QStringLiteral("6E"));
    f.window->txtDec->setText(QStringLiteral("7"));
    f.sim.board->options().failRequestNumber = f.sim.board->requestCount() + 1;
    QTest::mouseClick(f.window->cmdWrite, Qt::LeftButton);
    QCOMPARE(f.sim.programEnds, QList<int>{3});
    QCOMPARE(f.sim.requestTexts(), QStringList{writeText(7, 0x6E)}); // and no read-back after it
    QCOMPARE(f.window->lblDecVal->text(), QStringLiteral("DecVal"));
}

void TestFrmRegMap::mirroredValueBoxes() {
    Fixture f;
    frmRegMap* w = f.window;
    w->txtHex->setFocus();
    QTest::keyClicks(w->txtHex, QStringLiteral("ff"));
    QCOMPARE(w->txtDec->text(), QStringLiteral("255"));
    QCOMPARE(w->txtHex->text(), QStringLiteral("ff")); // not rewritten by its own mirror
    w->txtDec->clear();
    QCOMPARE(w->txtHex->text(), QStringLiteral("0"));
    w->txtDec->setFocus();
    QTest::keyClicks(w->txtDec, QStringLiteral("-1"));
    QCOMPARE(w->txtHex->text(), QStringLiteral("FFFFFFFF"));
    w->txtDec->setText(QStringLiteral("99999999999"));
    QCOMPARE(w->txtHex->text(), QString());
    QCOMPARE(w->txtDec->text(), QStringLiteral("99999999999"));
    // Enter in the address box does nothing.
    QTest::keyClick(w->txtReadAddr, Qt::Key_Return);
    QCOMPARE(f.sim.requests().size(), 0);
}

void TestFrmRegMap::addressUpperCase() {
    Fixture f;
    QLineEdit* box = f.window->txtReadAddr;
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("7fh"));
    QCOMPARE(box->text(), QStringLiteral("7FH"));
    QCOMPARE(box->cursorPosition(), 3);
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClicks(box, QStringLiteral("e"));
    QCOMPARE(box->text(), QStringLiteral("7EFH"));
    QCOMPARE(box->cursorPosition(), 2);
}

void TestFrmRegMap::continuousRead() {
    Fixture f;
    f.window->txtReadAddr->setText(QStringLiteral("6e"));
    f.tickFor(3000);
    QCOMPARE(f.sim.requests().size(), 0);

    f.window->chkContRead->setChecked(true);
    f.tickFor(3000);
    QCOMPARE(f.sim.requestTexts(), QStringList(3, readText(0x6E)));
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("Temperature1 Tmin"));
    const QList<JournalEntry> reads = f.sim.requests();
    QVERIFY(reads[1].timeMs - reads[0].timeMs > 1000 && reads[1].timeMs - reads[0].timeMs <= 1010);

    // A hand-typed address is followed, and the chip's changes show up.
    f.sim.board->clearJournal();
    f.window->txtReadAddr->setText(QStringLiteral("40"));
    f.sim.chip().write(0x40, 0x03);
    f.tickFor(1000);
    QCOMPARE(f.sim.requestTexts(), QStringList{readText(0x40)});
    QCOMPARE(f.window->lblRegDescription->text(), QStringLiteral("Configuration 1"));
    QCOMPARE(f.bits(), QStringLiteral("00000011"));

    f.sim.board->clearJournal();
    f.window->chkContRead->setChecked(false);
    f.tickFor(3000);
    QCOMPARE(f.sim.requests().size(), 0);
}

void TestFrmRegMap::unload() {
    Fixture f;
    f.window->txtReadAddr->setText(QStringLiteral("40"));
    f.window->chkContRead->setChecked(true);
    f.window->close();
    QVERIFY(!f.sim.session->decl.RegisterMapOpen);
    QVERIFY(!f.polling.continuousReadTicked);
    f.sim.session->decl.RegisterMapOpen = true; // even with the flag forced, the refresh is gone
    f.tickFor(3000);
    QCOMPARE(f.sim.requests().size(), 0);
}

void TestFrmRegMap::tabOrder() {
    Fixture f;
    frmRegMap* w = f.window;
    QList<QWidget*> expected{w->TreeView1, w->txtReadAddr, w->cmdRead, w->chkContRead,
                             w->txtDec,    w->txtHex,      w->cmdWrite};
    for (int i = 7; i >= 0; --i)
        expected << w->lblBit[static_cast<std::size_t>(i)];
    w->TreeView1->setFocus();
    QCOMPARE(QApplication::focusWidget(), w->TreeView1);
    for (qsizetype k = 1; k < expected.size(); ++k) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), expected[k]);
    }
}

void TestFrmRegMap::bitLayout() {
    Fixture f;
    f.read(QStringLiteral("40"));
    for (const int extra : {0, 200}) {
        f.window->resize(f.window->designedSize() + QSize(extra, 0));
        QCoreApplication::processEvents();
        QGroupBox* frame = f.window->fraBits;
        const auto& bit = f.window->lblBit;
        // Bit 7 leftmost, equal widths, 100 twips (about 7 pixels) clear of both edges.
        for (int i = 0; i < 7; ++i)
            QVERIFY(bit[static_cast<std::size_t>(i + 1)]->geometry().right() <
                    bit[static_cast<std::size_t>(i)]->x());
        QVERIFY(std::abs(bit[7]->x() - 7) <= 1);
        QVERIFY(std::abs(frame->width() - 1 - bit[0]->geometry().right() - 7) <= 1);
        QVERIFY(std::abs(bit[7]->width() - bit[0]->width()) <= 1);
        for (int k = 0; k < 8; ++k) {
            QLabel* info = f.window->lblInfo[static_cast<std::size_t>(k)];
            QVERIFY(std::abs(info->geometry().center().x() -
                             bit[static_cast<std::size_t>(7 - k)]->geometry().center().x()) <= 1);
            QVERIFY(info->geometry().bottom() < bit[0]->y());
            QVERIFY(info->y() >= frame->contentsRect().top());
        }
        QVERIFY(bit[0]->geometry().bottom() < frame->height());
    }
}

void TestFrmRegMap::nothingClippedAtDesignedSize() {
    // Inside the main window's frame the client area is smaller than the designed outer size.
    SimSession sim;
    sim.connect();
    PollingCycle polling(*sim.session);
    QMdiArea area;
    area.resize(900, 700);
    auto* w = new frmRegMap(*sim.session, polling);
    QMdiSubWindow* frame = area.addSubWindow(w);
    frame->resize(w->designedSize());
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QVERIFY(w->minimumSizeHint().width() <= w->width());
    QVERIFY(w->minimumSizeHint().height() <= w->height());

    // The longest texts the labels can show.
    w->txtReadAddr->setText(QStringLiteral("57"));
    w->cmdRead_Click();
    QCOMPARE(w->lblRegDescription->text(), QStringLiteral("Temperature10 High Limit"));
    QCoreApplication::processEvents();
    for (QLabel* label : w->findChildren<QLabel*>()) {
        const QRect inWindow(label->mapTo(w, QPoint(0, 0)), label->size());
        QVERIFY2(w->rect().contains(inWindow), qPrintable(label->objectName()));
        QVERIFY2(label->contentsRect().width() >= label->fontMetrics().horizontalAdvance(label->text()),
                 qPrintable(label->objectName()));
        QVERIFY2(label->height() >= label->fontMetrics().height(), qPrintable(label->objectName()));
    }
    for (const char* name :
         {"txtReadAddr", "cmdRead", "chkContRead", "txtDec", "txtHex", "cmdWrite", "TreeView1"}) {
        QWidget* control = w->findChild<QWidget*>(QLatin1String(name));
        const QRect inWindow(control->mapTo(w, QPoint(0, 0)), control->size());
        QVERIFY2(w->rect().contains(inWindow), name);
        QVERIFY2(control->width() >= control->minimumSizeHint().width(), name);
    }
    // Every bit name of every register fits over its bit.
    const int bitWidth = w->lblBit[0]->width();
    for (const RegisterEntry& entry : BuildRegisterTable())
        for (const QString& name : SplitBitNames(entry))
            QVERIFY2(w->lblInfo[0]->fontMetrics().horizontalAdvance(name) < bitWidth, qPrintable(name));
    // Long register names scroll sideways instead of being cut short.
    w->TreeView1->expandAll();
    QTreeWidgetItem* longest =
        w->TreeView1
            ->findItems(QStringLiteral("Temperature10 High Limit"), Qt::MatchExactly | Qt::MatchRecursive)
            .front();
    w->TreeView1->scrollToItem(longest);
    QCoreApplication::processEvents();
    const QRect row = w->TreeView1->visualItemRect(longest);
    QVERIFY(row.width() >= w->TreeView1->fontMetrics().horizontalAdvance(longest->text(0)));
}

QTEST_MAIN(TestFrmRegMap)
#include "tst_frmregmap.moc"
