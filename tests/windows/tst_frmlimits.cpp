// The limits and interrupts window on the wire (open, refresh, choose, move, Apply), its lamps, and
// its gauge: which user actions move a pointer and notify, and how off-scale values are kept.
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmLimits.h"
#include "windows/widgets/Gauge.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

namespace {
QAccessibleValueInterface* pointerValue(Gauge* g, int pointer) {
    return QAccessible::queryAccessibleInterface(g)->child(pointer - 2)->valueInterface();
}
} // namespace

class TestFrmLimits : public QObject, WindowCase<frmLimits> {
    Q_OBJECT

    // Masks 0x85 and 0x48 (rows 0, 2, 12, 14 and the out-of-limit bit); returns what opening sent.
    QStringList openMasked() {
        open({{0x72, 0x85}, {0x73, 0x48}});
        const QStringList journal = f->journal();
        f->forget();
        return journal;
    }

private Q_SLOTS:
    void init() {
        open();
        f->forget();
    }

    void openingReadsAndShowsTheFirstChannelsAndTheMasks() {
        const QStringList journal = openMasked();
        QCOMPARE(journal, QStringList({readText(0x44), readText(0x45), readText(0x59), readText(0x58),
                                       readText(0x61), readText(0x60), "220 46 114 1 2"}));
        for (int k = 0; k < InterruptRows; ++k)
            QCOMPARE(w->chkMask[static_cast<std::size_t>(k)]->isChecked(),
                     k == 0 || k == 2 || k == 12 || k == 14);
        QCOMPARE((QList<double>{w->ggeTemp->pointer(2), w->ggeTemp->pointer(3), w->ggeFan->pointer(2),
                                w->ggeFan->pointer(3)}),
                 (QList<double>{-127, 127, 82, 5400000}));
        QCOMPARE((QStringList{w->windowTitle(), w->cmdApply->text(), w->ggeFan->toolTip(),
                              w->tglAlert[14]->toolTip()}),
                 (QStringList{"Limits and Interrupts", "Apply ", "Drag the sliders to change the limits",
                              "Interrupt Status: Green=OK, Red=Bad, Invisible=Disabled"}));
    }

    // With nothing edited, Apply writes back what was loaded, the out-of-limit bit included; a ticked
    // box writes nothing until Apply.
    void applyWritesTheMasks() {
        openMasked();
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QTest::mouseClick(w->chkMask[0], Qt::LeftButton);
        QTest::mouseClick(w->chkMask[14], Qt::LeftButton);
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE(f->journal(), QStringList({writeText(0x72, 0x85), writeText(0x73, 0x48),
                                            writeText(0x72, 0x84), writeText(0x73, 0x40)}));
        QVERIFY(w->isVisible());
    }

    // Once a second one status read; the needles follow the chosen channels; nothing once closed.
    void theRefreshReadsTheStatusAndMovesTheNeedles() {
        f->t.session->readings.Temperatures = {31, 0, -5};
        f->t.session->readings.FanSpeeds = {2400, 1800};
        f->run(1000, 100); // nothing read yet: no needle, no number
        QCOMPARE((QStringList{w->ggeTemp->caption(), w->ggeFan->caption()}), (QStringList{" —°C", " — RPM"}));
        QVERIFY(!w->ggeTemp->needle() && !w->ggeFan->needle());
        markRead(f->t.session->readings);
        f->run(2000, 100);
        QCOMPARE(f->journal(), QStringList(3, "220 46 65 1 2"));
        QCOMPARE((QStringList{w->ggeTemp->caption(), w->ggeFan->caption()}),
                 (QStringList{" 31°C", " 2400 RPM"}));
        QCOMPARE(w->ggeFan->needle(), 2400);
        w->cmbTemp->setCurrentIndex(2);
        w->cmbFan->setCurrentIndex(1);
        f->run(1000, 100);
        QCOMPARE((QStringList{w->ggeTemp->caption(), w->ggeFan->caption()}),
                 (QStringList{"-5°C", " 1800 RPM"}));
        QTest::mouseClick(w->cmdClose, Qt::LeftButton);
        QVERIFY(!f->t.session->decl.LimitsOpen);
        f->forget();
        f->run(3000, 100);
        QVERIFY(f->journal().isEmpty());
    }

    // Choosing reads the channel's limits; each keyboard step writes the pair.
    void theChosenChannelIsReadAndWritten() {
        w->cmbTemp->setCurrentIndex(2);
        w->cmbFan->setCurrentIndex(1);
        QCOMPARE(f->journal(), QStringList({readText(0x48), readText(0x49), readText(0x5B), readText(0x5A),
                                            readText(0x63), readText(0x62)}));
        f->forget();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->cmbTemp->setFocus();
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Tab})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(QApplication::focusWidget(), w->cmbFan);
        QCOMPARE(f->journal(), QStringList({writeText(0x48, -127), writeText(0x49, 126),
                                            writeText(0x48, -127), writeText(0x49, 116)}));
    }

    // A moved fan minimum writes its pair and the maximum pair back as it was; then the absent
    // fan 4 is too slow, and its lamp says so to a screen reader too.
    void aMovedFanMinimumWritesBothPairs() {
        open({{0x60, 0x10}, {0x61, 0x20}, {0x66, 0x34}, {0x67, 0x12}}); // fan 1's and fan 4's maxima differ
        w->cmbFan->setCurrentIndex(3);
        w->ggeFan->setPointer(Gauge::HighPointer, 3000); // from code: nothing written
        f->forget();
        pointerValue(w->ggeFan, Gauge::LowPointer)->setCurrentValue(1000);
        QCOMPARE(f->journal(), QStringList({writeText(0x5E, 0x18), writeText(0x5F, 0x15),
                                            writeText(0x66, 0x34), writeText(0x67, 0x12)}));
        f->run(1000, 100);
        QCOMPARE(QAccessible::queryAccessibleInterface(w->tglAlert[13])->text(QAccessible::Value),
                 QStringLiteral("Alarm"));
    }

    // Within a second both ways (Temperature 1 reads 25 °C), and kept while status reads fail.
    void aLampFollowsTheStatus() {
        QAccessibleValueInterface* high = pointerValue(w->ggeTemp, Gauge::HighPointer);
        high->setCurrentValue(20);
        f->run(1000, 100);
        QVERIFY(w->tglAlert[0]->isOn());
        f->t.board->options().failBlockReads = true;
        f->t.usb().TransferBuffer.fill(0);
        f->run(2000, 100);
        QVERIFY(w->tglAlert[0]->isOn());
        f->t.board->options().failBlockReads = false;
        high->setCurrentValue(127);
        f->run(1000, 100);
        QVERIFY(!w->tglAlert[0]->isOn());
    }

    // The pointer's value, the key pressed and the value after it.
    void keys_data() {
        addRows<std::tuple<double, Qt::Key, double>>(
            {{"up from between steps", {82, Qt::Key_Up, 100}},
             {"down from between steps", {82, Qt::Key_Left, 50}},
             {"page up", {100, Qt::Key_PageUp, 600}},
             {"down to the end", {20, Qt::Key_Down, 0}},
             {"up at the end", {12000, Qt::Key_Up, 12000}},
             {"up beyond the scale", {5400000, Qt::Key_Up, 5400000}},
             {"down from beyond the scale", {5400000, Qt::Key_Down, 11950}},
             {"home", {3000, Qt::Key_Home, 0}}});
    }
    void keys() {
        const auto& [start, key, expected] = fetchRow<std::tuple<double, Qt::Key, double>>();
        Gauge g(0, 12000);
        g.setStep(50);
        g.setPointer(Gauge::HighPointer, start);
        g.setCurrentPointer(Gauge::HighPointer);
        QSignalSpy moved(&g, &Gauge::pointerMoved);
        QTest::keyClick(&g, key);
        QCOMPARE(g.pointer(Gauge::HighPointer), expected);
        QCOMPARE(moved.count(), expected == start ? 0 : 1);
    }

    // Tab enters the gauge at its low pointer and Shift+Tab at its high one, wherever it was left.
    void tabAndBacktabChooseThePointer() {
        Gauge g(0, 100);
        g.setStep(10);
        g.setPointer(Gauge::LowPointer, 20);
        g.setPointer(Gauge::HighPointer, 60);
        QSignalSpy moved(&g, &Gauge::pointerMoved);
        for (const Qt::FocusReason reason :
             {Qt::BacktabFocusReason, Qt::TabFocusReason, Qt::BacktabFocusReason}) {
            QFocusEvent in(QEvent::FocusIn, reason);
            QApplication::sendEvent(&g, &in);
            QTest::keyClick(&g, Qt::Key_Up);
        }
        QCOMPARE(moved.count(), 3);
        QCOMPARE((QList<int>{moved[0][0].toInt(), moved[1][0].toInt(), moved[2][0].toInt()}),
                 (QList<int>{Gauge::HighPointer, Gauge::LowPointer, Gauge::HighPointer}));
    }

    void dragNotifiesOnceAtItsEnd() {
        Gauge g(-128, 127);
        g.resize(220, 300);
        g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QSignalSpy moved(&g, &Gauge::pointerMoved);
        g.setNeedle(20);
        g.setPointer(Gauge::HighPointer, 127);
        const auto drag = [&g](double to, bool escape, int which = Gauge::HighPointer) {
            QTest::mousePress(&g, Qt::LeftButton, {}, g.pointerRect(which).center().toPoint());
            QTest::mouseMove(&g, g.scalePoint(to, 1.15).toPoint());
            if (escape) QTest::keyClick(&g, Qt::Key_Escape);
            QTest::mouseRelease(&g, Qt::LeftButton, {}, g.scalePoint(to, 1.15).toPoint());
        };
        drag(50.3, false);
        QCOMPARE(g.pointer(Gauge::HighPointer), 50);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(moved.at(0).at(0).toInt(), Gauge::HighPointer);
        drag(50, false); // back where it started
        drag(-20, true);
        QCOMPARE(g.pointer(Gauge::HighPointer), 50);
        QCOMPARE(moved.count(), 1);

        // Beyond the scale: drawn at the end, kept as set.
        const QRectF atEnd = g.pointerRect(Gauge::LowPointer);
        g.setPointer(Gauge::LowPointer, -500);
        QCOMPARE(g.pointerRect(Gauge::LowPointer), atEnd);
        QCOMPARE(g.pointer(Gauge::LowPointer), -500);
        QCOMPARE(moved.count(), 1);
        // The low pointer, drawn at the other end of the scale, is taken where it is drawn.
        drag(-30.2, false, Gauge::LowPointer);
        QCOMPARE((std::pair{g.pointer(Gauge::LowPointer), g.pointer(Gauge::HighPointer)}),
                 (std::pair{-30.0, 50.0}));
        QCOMPARE(moved.count(), 2);
        QCOMPARE(moved.at(1).at(0).toInt(), Gauge::LowPointer);
    }

    void assistiveTechnologySetsPointers() {
        Gauge g(-128, 127);
        g.setPointerName(Gauge::LowPointer, QStringLiteral("Low limit"));
        g.setPointerName(Gauge::HighPointer, QStringLiteral("High limit"));
        g.setNeedle(25);
        g.setPointer(Gauge::HighPointer, 100);
        QSignalSpy moved(&g, &Gauge::pointerMoved);
        QAccessibleInterface* dial = QAccessible::queryAccessibleInterface(&g);
        QCOMPARE(dial->role(), QAccessible::Dial);
        dial->valueInterface()->setCurrentValue(40); // the needle is the program's
        QCOMPARE(dial->valueInterface()->currentValue().toDouble(), 25.0);
        QStringList pointers; // as a screen reader walks the dial
        for (int i = 0; i < dial->childCount(); ++i)
            pointers << dial->child(i)->text(QAccessible::Name);
        QCOMPARE(pointers, (QStringList{"Low limit", "High limit"}));
        QAccessibleInterface* high = dial->child(1);
        QCOMPARE(high->role(), QAccessible::Slider);
        high->valueInterface()->setCurrentValue(300);
        QCOMPARE(g.pointer(Gauge::HighPointer), 127);
        QCOMPARE(moved.count(), 1);
    }
};

QTEST_MAIN(TestFrmLimits)
#include "tst_frmlimits.moc"
