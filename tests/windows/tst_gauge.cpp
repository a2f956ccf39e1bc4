// The gauge control: which user actions move a pointer and notify (keys, drags, an assistive
// technology's set), that values set from code never notify, and how off-scale values are kept.
#include "support/Rows.h"
#include "windows/widgets/Gauge.h"

#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTest>

class TestGauge : public QObject {
    Q_OBJECT

private Q_SLOTS:
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

QTEST_MAIN(TestGauge)
#include "tst_gauge.moc"
