// The register map window: what it shows and what its clicks, keys and polling send to the chip.
#include "registers/RegMapStuff.h"
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmRegMap.h"
#include "windows/widgets/ClickableLabel.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QTemporaryDir>
#include <QTest>

namespace {
struct Fixture : WindowFixture<frmRegMap> {
    Fixture() { QVERIFY(QTest::qWaitForWindowExposed(&open())); }
    void clickNode(const QString& text) {
        const auto found = w->TreeView1->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(found.size() == 1, qPrintable(text));
        w->TreeView1->expandAll();
        w->TreeView1->scrollToItem(found.front());
        QTest::mouseClick(w->TreeView1->viewport(), Qt::LeftButton, {},
                          w->TreeView1->visualItemRect(found.front()).center());
    }
    // Description, address, typed address, value in decimal and hex, bits 7..0.
    QStringList shown() const {
        return {w->lblRegDescription->text(), w->lblCurrentAddr->text(), w->txtReadAddr->text(),
                w->lblDecVal->text(),         w->lblHexVal->text(),      bits()};
    }
    QString bits() const {
        QString out;
        for (int i = 7; i >= 0; --i)
            out += w->lblBit[static_cast<std::size_t>(i)]->text();
        return out;
    }
};
} // namespace

class TestFrmRegMap : public QObject {
    Q_OBJECT
    std::unique_ptr<Fixture> f;
    frmRegMap* w = nullptr;

private Q_SLOTS:
    void init() {
        f = std::make_unique<Fixture>();
        w = f->w.get();
    }

    // Roots green, groups red, registers blue; only "General" open; opening reads nothing.
    void openingThroughTheMainWindowShowsTheTree() {
        QTemporaryDir dir;
        MainFixture m(dir.filePath(QStringLiteral("s.ini")));
        m.t.connect();
        auto* opened = qobject_cast<frmRegMap*>(m.window.openWindow(QStringLiteral("Tree")));
        QVERIFY(m.t.session->decl.RegisterMapOpen && m.t.requests().isEmpty());
        QTreeWidgetItem* general = opened->TreeView1->topLevelItem(0);
        QTreeWidgetItem* fan4 = opened->TreeView1->topLevelItem(2)->child(4);
        QCOMPARE((QStringList{general->text(0), fan4->text(0), fan4->child(8)->text(0)}),
                 (QStringList{"General", "Fan4", "Tach4 Max High Byte"}));
        QCOMPARE((QList<QColor>{general->foreground(0).color(), fan4->foreground(0).color(),
                                fan4->child(8)->foreground(0).color()}),
                 (QList<QColor>{QColor(0, 128, 0), QColor(192, 0, 0), QColor(0, 0, 192)}));
        QVERIFY(general->isExpanded() && !opened->TreeView1->topLevelItem(1)->isExpanded());
        opened->unloadWindow();
        QVERIFY(!m.t.session->decl.RegisterMapOpen);
    }

    // Nodes and typed addresses select registers; 0x7F, 0x7B: a node shows its own name, a Read the first.
    void selectingRegisters() {
        const QStringList before = f->shown();
        f->clickNode(QStringLiteral("Status"));
        QCOMPARE(f->shown(), before);
        f->t.chip().write(0x40, 0x0B);
        f->clickNode(QStringLiteral("Configuration 1"));
        QCOMPARE(f->shown(), QStringList({"Configuration 1", "40h", "40H", "11", "B", "00001011"}));
        QStringList heard; // what a screen reader says of each value: the caption naming it, then it
        for (QLabel* value : {w->lblRegDescription, w->lblCurrentAddr, w->lblDecVal, w->lblHexVal}) {
            QAccessibleInterface* a = QAccessible::queryAccessibleInterface(value);
            heard << a->text(QAccessible::Description) + u'=' + a->text(QAccessible::Name);
        }
        QCOMPARE(heard, QStringList({"Register=Configuration 1", "Address=40h", "Current Value (Dec)=11",
                                     "Current Value (Hex)=B"}));
        f->clickNode(QStringLiteral("PEXIL Coef Select 2"));
        QCOMPARE(f->shown().mid(0, 2), QStringList({"PEXIL Coef Select 2", "7Fh"}));
        f->clickNode(QStringLiteral("AFC"));
        QTest::mouseClick(w->cmdRead, Qt::LeftButton);
        QCOMPARE(w->lblRegDescription->text(), QStringLiteral("PEXIL Coef Option 3"));
        f->clickNode(QStringLiteral("Configuration 2"));
        QTest::keySequence(w->TreeView1, QKeySequence("Up, Up"));
        QCOMPARE(w->TreeView1->currentItem()->text(0) + u'/' + w->lblRegDescription->text(),
                 QStringLiteral("Configuration/Configuration 1"));
        retype(w->txtReadAddr, QStringLiteral("7"));
        QTest::keyClick(w->txtReadAddr, Qt::Key_Home);
        QTest::keyClick(w->txtReadAddr, 'a'); // upper-cased, the cursor left after it
        QCOMPARE(std::pair(w->txtReadAddr->text(), w->txtReadAddr->cursorPosition()),
                 std::pair(QString("A7"), 1));
        retype(w->txtReadAddr, QStringLiteral("7f"));
        QTest::mouseClick(w->cmdRead, Qt::LeftButton);
        QCOMPARE(f->shown().mid(0, 3), QStringList({"GPIO Enable", "7Fh", "7FH"}));
        QCOMPARE(f->journal(), QStringList({readText(0x40), readText(0x7F), readText(0x7B), readText(0x7B),
                                            readText(0x74), readText(0x40), readText(0x7F)}));
    }

    // Bit 7 leftmost, each name centred above its bit (wider too: the look images); all names fit.
    void theBitDisplay() {
        f->clickNode(QStringLiteral("Configuration 1"));
        const QStringList names{"T/FS", "H/LF", "FTCH", "LCK", "TODIS", "FSPD", "TEST", "STRT"};
        QVERIFY(std::abs(w->lblBit[7]->x() - 7) <= 1); // 100 twips from the left edge
        for (std::size_t k = 0; k < 8; ++k) {
            const QRect info = w->lblInfo[k]->geometry(), bit = w->lblBit[7 - k]->geometry();
            QCOMPARE(w->lblInfo[k]->text(), names[qsizetype(k)]);
            QVERIFY(std::abs(info.center().x() - bit.center().x()) <= 1 && info.bottom() < bit.top());
            if (k > 0) QVERIFY(w->lblBit[8 - k]->geometry().right() < bit.left());
        }
        for (const RegisterEntry& entry : BuildRegisterTable())
            for (const QString& name : SplitBitNames(entry))
                QVERIFY(w->lblInfo[0]->fontMetrics().horizontalAdvance(name) < w->lblBit[0]->width());
    }

    // Bit 3 of the shown 0x40 (another address typed, not read) clicked by each input, written, read back.
    void aClickedBitIsWrittenToTheShownRegister_data() {
        addRows<std::tuple<int, int, QString>>({{"mouse", {0, 0x01, "00001001"}},
                                                {"Space", {1, 0x09, "00000001"}},
                                                {"assistive toggle", {2, 0x01, "00001001"}}});
    }
    void aClickedBitIsWrittenToTheShownRegister() {
        const auto& [input, held, bits] = fetchRow<std::tuple<int, int, QString>>();
        f->t.chip().write(0x40, held);
        f->clickNode(QStringLiteral("Configuration 1"));
        retype(w->txtReadAddr, QStringLiteral("6E"));
        ClickableLabel* bit = w->lblBit[3];
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(bit);
        bit->setFocus();
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        if (input == 0) // before the click, a press dragged off the bit; before Space, a held key repeating
            QTest::mousePress(bit, Qt::LeftButton), QTest::mouseRelease(bit, Qt::LeftButton, {}, {-4, 0}),
                QTest::mouseClick(bit, Qt::LeftButton);
        if (input == 1) QApplication::sendEvent(bit, &repeat), QTest::keyClick(bit, Qt::Key_Space);
        if (input == 2) iface->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        const QString value = QString::number(held ^ 0x08);
        QCOMPARE(f->shown().mid(1) + f->journal()
                     << iface->text(QAccessible::Name) << iface->text(QAccessible::Description),
                 QStringList({"40h", "40H", value, value, bits, readText(0x40), writeText(0x40, held ^ 0x08),
                              readText(0x40), "Bit 3", "TODIS"}));
        QCOMPARE(std::pair(bool(iface->state().checked), bit->cursor().shape()),
                 std::pair(held == 0x01, Qt::PointingHandCursor)); // a hand over what a click changes
    }

    // The hex box mirrors it; Enter and Write send it to the typed address, clamped to a byte.
    void theDecimalBoxIsWrittenToTheTypedAddress() {
        w->txtReadAddr->setText(QStringLiteral("6E"));
        w->txtDec->setFocus();
        QTest::keyClicks(w->txtDec, QStringLiteral("0300")); // as typed: the mirror does not echo back
        QCOMPARE(w->txtDec->text() + ' ' + w->txtHex->text(), QStringLiteral("0300 12C"));
        QTest::keyClick(w->txtDec, Qt::Key_Return);
        QCOMPARE(w->lblDecVal->text(), QStringLiteral("255"));
        w->txtDec->clear();
        QTest::mouseClick(w->cmdWrite, Qt::LeftButton);
        QCOMPARE(f->journal(),
                 QStringList({writeText(0x6E, 255), readText(0x6E), writeText(0x6E, 0), readText(0x6E)}));
        w->txtHex->clear();
        QTest::keyClicks(w->txtHex, QStringLiteral("1F"));
        QCOMPARE(w->txtDec->text(), QStringLiteral("31"));
    }

    // Once a second, following the box and the chip; nothing unticked, nor closed with the flag forced.
    void continuousReadFollowsTheBoxUntilClosed() {
        w->txtReadAddr->setText(QStringLiteral("6e"));
        w->chkContRead->setChecked(true);
        f->run(3000);
        QCOMPARE(f->journal(), QStringList(3, readText(0x6E)));
        f->forget();
        w->txtReadAddr->setText(QStringLiteral("40"));
        f->t.chip().write(0x40, 0x03);
        f->run(1000);
        QCOMPARE(f->journal() << f->bits(), QStringList({readText(0x40), "00000011"}));
        f->forget();
        w->chkContRead->setChecked(false);
        f->run(3000);
        w->chkContRead->setChecked(true);
        w->close();
        f->t.session->decl.RegisterMapOpen = true;
        f->run(3000);
        QCOMPARE(f->t.requests().size(), 0);
        QVERIFY(!f->polling.nextDueMs(f->t.clock.nowMs())); // nothing left to wake the master timer for
    }
};

QTEST_MAIN(TestFrmRegMap)
#include "tst_frmregmap.moc"
