// Live-reading windows. Limits: the wire (open, refresh, choose, move, Apply), lamps, gauge (what moves
// and notifies, off-scale values). Graphs: opening, live captions, traces, update rate, pause, zoom, export.
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmGraph.h"
#include "windows/frmLimits.h"
#include "windows/widgets/CurvePlot.h"
#include "windows/widgets/Gauge.h"
#include "windows/widgets/Lamp.h"

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {
QAccessibleValueInterface* pointerValue(Gauge* g, int pointer) {
    return QAccessible::queryAccessibleInterface(g)->child(pointer - 2)->valueInterface();
}

struct GraphFixture : WindowFixture<frmGraph> {
    GraphFixture() {
        t.session->options.ReadingEnabled = true;
        open();
    }
};
} // namespace

class TestFrmLimits : public QObject, WindowCase<frmLimits> {
    Q_OBJECT

    // Masks 0x85 and 0x48 (rows 0, 2, 12, 14 and the out-of-limit bit), the journal cleared.
    void openMasked() {
        open({{0x72, 0x85}, {0x73, 0x48}});
        f->forget();
    }

private Q_SLOTS:
    void init() {
        open();
        f->forget();
    }

    // Unedited, Apply writes back what was loaded, out-of-limit bit included; a ticked box waits for Apply.
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
        const auto captions = [this] { return QStringList{w->ggeTemp->caption(), w->ggeFan->caption()}; };
        f->run(1000, 100); // nothing read yet: no needle, no number
        QCOMPARE(captions(), (QStringList{" —°C", " — RPM"}));
        QVERIFY(!w->ggeTemp->needle() && !w->ggeFan->needle());
        markRead(f->t.session->readings);
        f->run(2000, 100);
        QCOMPARE(f->journal(), QStringList(3, "220 46 65 1 2"));
        QVERIFY(captions() == QStringList({" 31°C", " 2400 RPM"}) && w->ggeFan->needle() == 2400);
        w->cmbTemp->setCurrentIndex(2), w->cmbFan->setCurrentIndex(1);
        f->run(1000, 100);
        QCOMPARE(captions(), (QStringList{"-5°C", " 1800 RPM"}));
        QTest::mouseClick(w->cmdClose, Qt::LeftButton);
        f->forget();
        f->run(3000, 100);
        QVERIFY(!f->t.session->decl.LimitsOpen && f->journal().isEmpty());
    }

    // Choosing reads the channel's limits; each key step writes the pair; Tab, Shift+Tab pass both pointers.
    void theChosenChannelIsReadAndWritten() {
        w->cmbTemp->setCurrentIndex(2), w->cmbFan->setCurrentIndex(1);
        QCOMPARE(f->journal(), QStringList({readText(0x48), readText(0x49), readText(0x5B), readText(0x5A),
                                            readText(0x63), readText(0x62)}));
        f->forget();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->cmbTemp->setFocus();
        for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Tab,
                            Qt::Key_Backtab, Qt::Key_Backtab, Qt::Key_Down, Qt::Key_Backtab})
            QTest::keyClick(QApplication::focusWidget(), key);
        QCOMPARE(QApplication::focusWidget(), w->cmbTemp);
        QCOMPARE(f->journal(),
                 QStringList({writeText(0x48, -127), writeText(0x49, 126), writeText(0x48, -127),
                              writeText(0x49, 116), writeText(0x48, -128), writeText(0x49, 116)}));
    }

    // A moved fan min writes its pair, the max pair as it was; then absent fan 4 is too slow, aloud too.
    void aMovedFanMinimumWritesBothPairs() {
        // Fan 1's and fan 4's maxima differ; fan 4's minimum is 2000 RPM (count 0A8Ch).
        open({{0x60, 0x10}, {0x61, 0x20}, {0x66, 0x34}, {0x67, 0x12}, {0x5E, 0x8C}, {0x5F, 0x0A}});
        w->cmbFan->setCurrentIndex(3);
        QCOMPARE(w->ggeFan->pointer(Gauge::LowPointer), 2000);
        f->forget();
        w->ggeFan->setPointer(Gauge::HighPointer, 3000);                  // from code: nothing written
        pointerValue(w->ggeFan, Gauge::LowPointer)->setCurrentValue(100); // count D2F0h, its high bit set
        QCOMPARE(f->journal(), QStringList({writeText(0x5E, 0xF0), writeText(0x5F, 0xD2),
                                            writeText(0x66, 0x34), writeText(0x67, 0x12)}));
        f->run(1000, 100);
        QCOMPARE(QAccessible::queryAccessibleInterface(w->tglAlert[13])->text(QAccessible::Value),
                 QStringLiteral("Alarm"));
    }

    // Within a second both ways (Temperature 1 reads 25 °C), and kept while status reads fail.
    void aLampFollowsTheStatus() {
        QAccessibleValueInterface* high = pointerValue(w->ggeTemp, Gauge::HighPointer);
        QVERIFY(!w->tglAlert[0]->isOn()); // each state as drawn: the look images
        high->setCurrentValue(20);
        f->run(1000, 100);
        QVERIFY(w->tglAlert[0]->isOn());
        // To a screen reader a read-only text and a value, both the state.
        QAccessibleInterface* lamp = QAccessible::queryAccessibleInterface(w->tglAlert[0]);
        QAccessibleTextInterface* text = lamp->textInterface();
        int start = -1, end = -1;
        text->attributes(2, &start, &end);
        QCOMPARE(std::tuple(text->text(0, -1), text->text(1, 3), text->text(-2, 99), text->text(3, 1),
                            text->characterCount(), end, lamp->valueInterface()->currentValue().toInt(),
                            text->cursorPosition(), text->offsetAtPoint({}), text->selectionCount()),
                 std::tuple(QStringLiteral("Alarm"), QStringLiteral("la"), QStringLiteral("Alarm"), QString(),
                            5, 5, 1, 0, -1, 0));
        f->t.board->options().failBlockReads = true;
        f->t.usb().TransferBuffer.fill(0);
        f->run(2000, 100);
        QVERIFY(w->tglAlert[0]->isOn());
        f->t.board->options().failBlockReads = false;
        high->setCurrentValue(127);
        f->run(1000, 100);
        QVERIFY(!w->tglAlert[0]->isOn());
    }

    void keys() {
        for (const QStringList& r : tableRows(VORTANE_TEST_DATA "/gauge-keys.txt")) {
            const double start = r[1].toDouble(), expected = r[3].toDouble();
            Gauge g(0, 12000, 2000, 500);
            g.setStep(50);
            g.setPointer(Gauge::HighPointer, start);
            g.setCurrentPointer(Gauge::HighPointer);
            QSignalSpy moved(&g, &Gauge::pointerMoved);
            QTest::keyClick(&g, QKeySequence(r[2])[0].key());
            QVERIFY2(g.pointer(Gauge::HighPointer) == expected &&
                         moved.count() == (expected == start ? 0 : 1),
                     qPrintable(r[0]));
        }
    }

    // Tab enters the gauge at its low pointer and Shift+Tab at its high one, wherever it was left.
    void tabAndBacktabChooseThePointer() {
        Gauge g(0, 100, 20, 5);
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
        QCOMPARE(QList<QVariantList>(moved),
                 (QList<QVariantList>{{Gauge::HighPointer}, {Gauge::LowPointer}, {Gauge::HighPointer}}));
    }

    void dragNotifiesOnceAtItsEnd() {
        Gauge g(-128, 127, 64, 16);
        g.resize(220, 300), g.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g));
        QSignalSpy moved(&g, &Gauge::pointerMoved);
        g.setNeedle(20), g.setPointer(Gauge::HighPointer, 127), g.setStep(2); // drags land on even values
        const auto drag = [&g](double to, bool escape, int which = Gauge::HighPointer, double set = qQNaN()) {
            QTest::mousePress(&g, Qt::LeftButton, {}, g.pointerRect(which).center().toPoint());
            QTest::mouseMove(&g, g.scalePoint(to, 1.15).toPoint());
            const double during = g.pointer(which); // the pointer follows the mouse
            if (escape) QTest::keyClick(&g, Qt::Key_Escape);
            if (!qIsNaN(set)) g.setPointer(which, set);
            QTest::mouseRelease(&g, Qt::LeftButton, {}, g.scalePoint(to, 1.15).toPoint());
            return during;
        };
        drag(50.3, false); // the pointer taken is the keyboard's too
        QCOMPARE(std::tuple(g.pointer(Gauge::HighPointer), moved.count(), moved.value(0).value(0).toInt(),
                            g.currentPointer()),
                 std::tuple(50.0, qsizetype(1), Gauge::HighPointer, int(Gauge::HighPointer)));
        drag(50, false);                  // back where it started
        QCOMPARE(drag(-20, true), -20.0); // then Escape puts it back
        QCOMPARE(std::pair(g.pointer(Gauge::HighPointer), moved.count()), std::pair(50.0, qsizetype(1)));
        drag(-20, false, Gauge::HighPointer, 60); // the program sets the pointer taken: the drag ends there
        QCOMPARE(std::pair(g.pointer(Gauge::HighPointer), moved.count()), std::pair(60.0, qsizetype(1)));

        // Beyond the scale: drawn at the end, kept as set.
        const QRectF atEnd = g.pointerRect(Gauge::LowPointer);
        g.setPointer(Gauge::LowPointer, -500);
        QCOMPARE(std::tuple(g.pointerRect(Gauge::LowPointer), g.pointer(Gauge::LowPointer), moved.count()),
                 std::tuple(atEnd, -500.0, qsizetype(1)));
        // The low pointer, drawn at the other end of the scale, is taken where it is drawn.
        drag(-30.2, false, Gauge::LowPointer);
        QCOMPARE(std::tuple(g.pointer(Gauge::LowPointer), g.pointer(Gauge::HighPointer), moved.count(),
                            moved.value(1).value(0).toInt()),
                 std::tuple(-30.0, 60.0, qsizetype(2), Gauge::LowPointer));

        // Where the angle wraps a press just before the pointer takes it; straight down is the scale's start.
        g.setPointer(Gauge::LowPointer, -100), g.setCurrentPointer(Gauge::HighPointer);
        QTest::mouseClick(&g, Qt::LeftButton, {}, g.scalePoint(-109, 1.0).toPoint()); // 9.5°: none taken
        QVERIFY(g.pointer(Gauge::LowPointer) == -100 && g.currentPointer() == Gauge::HighPointer);
        const QPoint before = g.scalePoint(-102, 1.0).toPoint();
        QTest::mouseClick(&g, Qt::LeftButton, {}, before);
        QCOMPARE(g.pointer(Gauge::LowPointer), -102);
        const QPointF start = g.scalePoint(-128, 1.0), bottom = (start + g.scalePoint(127, 1.0)) / 2;
        QTest::mousePress(&g, Qt::LeftButton, {}, before);
        QTest::mouseRelease(&g, Qt::LeftButton, {}, bottom.toPoint());
        QCOMPARE(g.pointer(Gauge::LowPointer), -128);
        drag(109.3, false); // below the centre on the right, where the angle has wrapped
        QCOMPARE(g.pointer(Gauge::HighPointer), 110.0);
        // Of two pointers near a press the nearer is taken, though the other is looked at after it.
        g.setPointer(Gauge::LowPointer, 100), g.setPointer(Gauge::HighPointer, 104);
        QTest::mouseClick(&g, Qt::LeftButton, {}, g.pointerRect(Gauge::HighPointer).center().toPoint());
        QCOMPARE(std::pair(g.currentPointer(), g.pointer(Gauge::LowPointer)),
                 std::pair(int(Gauge::HighPointer), 100.0));
    }

    void everyChangeIsDrawn() { // a gauge's, a lamp's and a curve plot's, and only a change
        Gauge g(-128, 127, 64, 16);
        Lamp lamp;
        CurvePlot plot;
        g.show(), lamp.show(), plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&g) && QTest::qWaitForWindowExposed(&lamp) &&
                QTest::qWaitForWindowExposed(&plot));
        g.activateWindow(); // the gauge's focus is drawn
        QVERIFY(QTest::qWaitForWindowActive(&g));
        struct Paints : QObject {
            int n = 0; // paint events seen
            bool eventFilter(QObject*, QEvent* e) override { return (n += e->type() == QEvent::Paint) < 0; }
        } paints;
        g.installEventFilter(&paints), lamp.installEventFilter(&paints), plot.installEventFilter(&paints);
        QList<int> drawn;
        for (const auto& change : std::initializer_list<std::function<void()>>{
                 [&] { g.setNeedle(20); }, [&] { g.setPointer(Gauge::HighPointer, 90); },
                 [&] { QTest::keyClick(&g, Qt::Key_Up); }, [&] { g.setCaption(QStringLiteral("Temp 2")); },
                 [&] { g.setPointerName(Gauge::LowPointer, QStringLiteral("Low")); },
                 [&] { g.setCurrentPointer(Gauge::HighPointer); }, [&] { lamp.setOn(true); },
                 [&] { lamp.setOn(true); }, [&] { plot.SetupPlot(); }, [&] { plot.setCurve(2, Curve{}); },
                 [&] { plot.showMarker(1, 40, 60); }, [&] { plot.showMarker(1, 40, 60); },
                 [&] { plot.hideMarker(1); }, [&] { plot.showMarker(1, 40, 60); }, [&] { g.clearFocus(); },
                 [&] { g.setFocus(); }}) {
            QCoreApplication::processEvents();
            paints.n = 0;
            change();
            QCoreApplication::processEvents();
            drawn << paints.n;
        }
        QCOMPARE(drawn, (QList<int>{1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1, 0, 1, 1, 1, 1})); // unchanged: no paint
    }

    void assistiveTechnologySetsPointers() {
        Gauge g(-128, 127, 64, 16);
        g.setNeedle(25);
        g.setPointer(Gauge::LowPointer, -118);
        g.setPointer(Gauge::HighPointer, 100);
        QSignalSpy moved(&g, &Gauge::pointerMoved);
        QAccessibleInterface* dial = QAccessible::queryAccessibleInterface(&g);
        dial->valueInterface()->setCurrentValue(40);
        // The needle is the program's; off the pointers nothing is found, each by its place and its index.
        QCOMPARE(std::tuple(dial->valueInterface()->currentValue().toDouble(), dial->childAt(-1, -1),
                            dial->indexOfChild(nullptr)),
                 std::tuple(25.0, static_cast<QAccessibleInterface*>(nullptr), -1));
        for (int i = 0; i < 2; ++i) {
            const QPoint at = dial->child(i)->rect().center();
            QCOMPARE(std::pair(dial->childAt(at.x(), at.y()), dial->indexOfChild(dial->child(i))),
                     std::pair(dial->child(i), i));
        }
        dial->child(1)->valueInterface()->setCurrentValue(300); // the high pointer
        QCOMPARE(std::pair(g.pointer(Gauge::HighPointer), moved.count()), std::pair(127.0, qsizetype(1)));
        // A screen reader's actions: a step down, a step up, then the keyboard on that pointer.
        g.setStep(5), g.setCurrentPointer(Gauge::HighPointer);
        g.show();
        QVERIFY(QTest::qWaitForWindowActive(&g));
        g.clearFocus(); // the focus action gives it back
        QAccessibleActionInterface* low = dial->child(0)->actionInterface();
        low->doAction(QAccessibleActionInterface::decreaseAction());
        QCOMPARE(g.pointer(Gauge::LowPointer), -123);
        low->doAction(QAccessibleActionInterface::increaseAction());
        low->doAction(QAccessibleActionInterface::increaseAction());
        low->doAction(QAccessibleActionInterface::setFocusAction());
        QTest::keyClick(&g, Qt::Key_Up);
        QCOMPARE(std::tuple(g.pointer(Gauge::LowPointer), g.currentPointer(), moved.count(), g.hasFocus()),
                 std::tuple(-108.0, int(Gauge::LowPointer), 5, true));
        g.setEnabled(false); // a disabled gauge takes neither an action nor a value
        low->doAction(QAccessibleActionInterface::increaseAction());
        dial->child(0)->valueInterface()->setCurrentValue(0);
        QCOMPARE(g.pointer(Gauge::LowPointer), -108.0);
    }

    // Opening reads nothing; all charts follow heater 1 warming Temperature 1; the history spans offered.
    void openingAndLiveTraces() {
        GraphFixture f;
        frmGraph& w = *f.w;
        QVERIFY(f.t.requestTexts().isEmpty() && w.windowTitle() == "Graphing" && w.txtUpdate->text() == "50");

        f.run(10); // the first tick reads the temperatures; the fan speeds have never been read
        QCOMPARE(w.stpGraph[3]->caption(0) + w.stpGraph[3]->caption(4),
                 QStringLiteral("Temp1=25°CTach1=—RPM"));
        QVERIFY(w.history().value(0, 0) && !w.history().value(4, 0)); // no point for it
        f.t.usb().SetHeater(1, 100);
        f.run(86990);
        f.t.session->options.ReadingEnabled = false; // the traces go on flat: a last column of one value
        f.run(3000);
        const Readings& r = f.t.session->readings;
        QVERIFY(r.Temperatures[0] > 30);
        QCOMPARE(w.stpGraph[3]->caption(0), QStringLiteral("Temp1=%1°C").arg(r.Temperatures[0]));
        QCOMPARE(w.stpGraph[3]->caption(5), QStringLiteral("Tach2=%1RPM").arg(r.FanSpeeds[1]));
        QCOMPARE(w.stpGraph[4]->caption(6), QStringLiteral("PWM3=%1%").arg(r.DutyCycles[2]));
        QCOMPARE(w.stpGraph[1]->caption(3), QStringLiteral("Tach4=82RPM"));
        QCOMPARE(w.history().size(), std::size_t(90000 / 50)); // every 50 ms, exactly, all of it kept

        w.stpGraph[3]->replotNow();
        const QCPGraph *temp1 = w.stpGraph[3]->graph(0), *tach2 = w.stpGraph[3]->graph(5); // each its own
        QCOMPARE(std::pair((temp1->data()->constEnd() - 1)->value, (tach2->data()->constEnd() - 1)->value),
                 std::pair(double(r.Temperatures[0]), double(r.FanSpeeds[1])));
        QVERIFY(temp1->data()->at(0)->value < 30);
        QVERIFY(std::max(temp1->dataCount(), tach2->dataCount()) <=
                2 * w.stpGraph[3]->axisRect()->width() + 2);

        w.cmbGraph->setCurrentIndex(0);
        QVERIFY(w.stpGraph[0]->isVisible() && !w.stpGraph[3]->isVisible());
        QStringList traces; // of every chart, those on the right axis marked
        for (const StripChart* chart : w.stpGraph)
            for (int g = 0; g < chart->graphCount(); ++g) // "Temp1=25°C"
                traces << chart->graph(g)->name().section(u'=', 0, 0) +
                              (chart->graph(g)->valueAxis() == chart->yAxis2 ? "'" : "");
        QCOMPARE(traces.join(u' '), "Temp1 Temp2 Temp3 Temp4 Tach1 Tach2 Tach3 Tach4 PWM1 PWM2 PWM3 PWM4 "
                                    "Temp1 Temp2 Temp3 Temp4 Tach1' Tach2' Tach3' Tach4' "
                                    "Temp1 Temp2 Temp3 Temp4 PWM1' PWM2' PWM3' PWM4'");
        QCOMPARE(w.stpGraph[4]->valueRange(GraphAxis::Duty), (ValueRange{0, 105})); // duty's axis as opened
        const QCPGraph* shown = w.stpGraph[0]->graph(0); // the whole history, not only since the switch
        QVERIFY(shown->data()->at(0)->value < 30);
        QCOMPARE(shown->data()->at(shown->dataCount() - 1)->value, double(r.Temperatures[0]));
        QList<double> spans; // each history choice keeps what its caption says, in seconds
        for (int k = 0; k < w.cmbHistory->count(); ++k)
            w.cmbHistory->setCurrentIndex(k), spans << w.history().span();
        QCOMPARE(spans, (QList<double>{60, 120, 300, 600, 1800, 3600}));

        w.close();
        QVERIFY(!f.t.session->decl.GraphOpen);
        const std::size_t before = w.history().size();
        f.run(1000);
        QCOMPARE(w.history().size(), before);
    }

    // A refused rate keeps the interval, Up steps it; pause holds range, points, export; +/- zoom in limits.
    void updateRatePauseAndZoom() {
        GraphFixture f;
        // Red only for a number the interval cannot hold, not for text it passes over.
        const auto red = [&f] { return f.w->txtUpdate->palette().color(QPalette::Text) == Qt::red; };
        for (const char* typed : {"250", "40000", "x"}) {
            f.w->txtUpdate->setText(QString::fromLatin1(typed));
            QCOMPARE(std::pair(+f.t.session->options.GraphInterval, red()), std::pair(250, typed[0] == '4'));
        }
        f.w->txtUpdate->setText(QStringLiteral("20"));
        QTest::keyClick(f.w->txtUpdate, Qt::Key_Up);
        QCOMPARE(f.t.session->options.GraphInterval, 30);

        StripChart* chart = f.w->stpGraph[3];
        f.run(1000);
        chart->replotNow();
        const QCPRange onScreen = chart->xAxis->range();
        const std::size_t points = f.w->history().size();
        const int drawn = chart->graph(0)->dataCount();
        QTest::mouseClick(f.w->cmdPause, Qt::LeftButton);
        f.run(700000);
        chart->replotNow();
        QCOMPARE(std::pair(chart->xAxis->range(), chart->graph(0)->dataCount()), std::pair(onScreen, drawn));
        f.t.prompts.fileNames << f.dir.filePath("held.csv");
        QTest::mouseClick(f.w->cmdSaveData, Qt::LeftButton);
        QCOMPARE(std::size_t(f.bytes("held.csv").count("\r\n")), 1 + points);
        QCOMPARE(f.w->cmdPause->text(), QStringLiteral("&Resume"));
        f.w->cmbGraph->setCurrentIndex(0), f.w->cmbGraph->setCurrentIndex(3); // the chart shown holds
        QVERIFY(chart->paused() && !f.w->stpGraph[0]->paused());
        QTest::mouseClick(f.w->cmdPause, Qt::LeftButton);
        QCOMPARE(chart->timeRange().upper, f.w->history().lastKey());

        const int replots = chart->replots();
        for (int k = 0; k < 20; ++k)
            QTest::keyClick(chart, Qt::Key_Minus);
        QCOMPARE(chart->valueRange(GraphAxis::Temperature), (ValueRange{-40, 130}));
        QCOMPARE(chart->valueRange(GraphAxis::FanSpeed), (ValueRange{0, 15000}));
        QTest::keyClick(chart, Qt::Key_Plus);
        QCOMPARE(std::pair(chart->valueRange(GraphAxis::Temperature), chart->replots() - replots),
                 std::pair(ValueRange{-23, 113}, 21)); // each zoom drawn at once

        // Dragging up on the speed axis's labels zooms that axis alone: 100 pixels halve it.
        const QPoint onAxis(chart->axisRect()->right() + 12, chart->axisRect()->center().y());
        const auto move = [chart, onAxis](int by, Qt::MouseButtons held) {
            QMouseEvent e(QEvent::MouseMove, onAxis + QPoint(0, by),
                          chart->mapToGlobal(onAxis + QPoint(0, by)), Qt::NoButton, held, {});
            QApplication::sendEvent(chart, &e);
        };
        QTest::mousePress(chart, Qt::LeftButton, {}, onAxis);
        move(-100, Qt::LeftButton);
        QTest::mouseRelease(chart, Qt::LeftButton, {}, onAxis - QPoint(0, 100));
        move(0, Qt::NoButton); // released: moving on zooms no more
        const ValueRange zoomed = chart->valueRange(GraphAxis::FanSpeed);
        QTest::mousePress(chart, Qt::LeftButton, {}, onAxis);
        move(300, Qt::LeftButton); // down: out, and no further than the axis's limits
        QCOMPARE(std::tuple(zoomed, chart->valueRange(GraphAxis::FanSpeed),
                            chart->valueRange(GraphAxis::Temperature)),
                 std::tuple(ValueRange{4500, 10500}, ValueRange{0, 15000}, ValueRange{-23, 113}));
        QTest::mouseRelease(chart, Qt::LeftButton, {}, onAxis + QPoint(0, 300));
        // The wheel zooms both value axes, never the time axis.
        const QPointF middle = chart->axisRect()->center();
        const QCPRange time = chart->xAxis->range();
        QWheelEvent wheel(middle, chart->mapToGlobal(middle), {}, {0, 120}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &wheel);
        QVERIFY(chart->xAxis->range() == time && chart->valueRange(GraphAxis::Temperature).upper < 113 &&
                chart->valueRange(GraphAxis::FanSpeed).upper < 15000);
    }

    // Events as labelled lines on charts (a crowd as one, by its most telling event) and in the data export;
    // two time cursors, clicked or keyed, tell how far apart two moments are and each trace's reading.
    void markersAndCursors() {
        GraphFixture f;
        f.w->cmbHistory->setCurrentIndex(0); // a minute: a tenth of a second to the pixel
        f.run(2000), f.t.usb().WriteRegister(0x2E, 0x45, 20), f.run(3000);
        for (int n = 0; n < 3; ++n)
            f.t.usb().WriteRegister(0x2E, 0x47, 20 + n);
        f.t.session->events.record(EventKind::AlarmRaised, QStringLiteral("Temp 2"));
        f.run(1000);
        StripChart* chart = f.w->shownChart();
        chart->replotNow();
        QStringList labels;
        for (const ChartMarker& m : chart->markers())
            labels << m.label;
        QCOMPARE(labels, (QStringList{"0x45=0x14", "Temp 2 alarm +3"}));
        // Each label in its line's colour and at its time; each kind in its own colour.
        QList<std::pair<QRgb, double>> lines, texts;
        for (int i = 0; i < chart->itemCount(); ++i)
            if (auto* l = qobject_cast<QCPItemStraightLine*>(chart->item(i)))
                lines << std::pair(l->pen().color().rgb(), l->point1->key());
            else if (auto* t = qobject_cast<QCPItemText*>(chart->item(i)))
                texts << std::pair(t->color().rgb(), t->position->key());
        QVERIFY(texts == lines && lines.size() == 2 && lines[0].first != lines[1].first &&
                lines[0].second > 0);

        const QRect plot = chart->axisRect()->rect();
        QSignalSpy drawn(chart, &QCustomPlot::afterReplot); // each cursor shows where it was put at once
        QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(plot.left() + 10, plot.center().y()));
        QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(plot.right() - 10, plot.center().y()));
        QCOMPARE(drawn.count(), 2);
        static const QRegularExpression readout(
            "^Cursor 1 at \\d\\d:\\d\\d:\\d\\d\\.\\d{3}, Cursor 2 at \\d\\d:\\d\\d:\\d\\d\\.\\d{3}: [0-9.]+ "
            "s apart\n"
            "Temp1 \\d+ \u2192 \\d+°C, Temp2 \\d+ \u2192 \\d+°C, .*, Fan4 82 \u2192 82RPM$");
        QVERIFY2(readout.match(f.w->lblCursors->text()).hasMatch(), qPrintable(f.w->lblCursors->text()));
        const double apart = *chart->cursor(1) - *chart->cursor(0);
        QTest::keySequence(chart, QKeySequence("Shift+Left, Right")); // ten pixels back, then one on
        QCOMPARE(*chart->cursor(1) - *chart->cursor(0),
                 apart - 9 * (chart->xAxis->pixelToCoord(1) - chart->xAxis->pixelToCoord(0)));
        QTest::keyClick(chart, Qt::Key_Escape); // their lines go; the markers' lines and labels stay
        QCOMPARE(std::pair(f.w->lblCursors->text(), chart->itemCount()),
                 std::pair(QStringLiteral("Time cursors: click the graph, or press 1 or 2 in it"), 4));
        QCursor::setPos(chart->mapToGlobal(QPoint(-20, -20))); // the mouse away: 1, then 2, in the middle
        QTest::keyClick(chart, Qt::Key_2);
        const std::optional<double> middle = (chart->timeRange().lower + chart->timeRange().upper) / 2;
        QCOMPARE(std::pair(chart->cursor(0), chart->cursor(1)), std::pair(std::optional<double>(), middle));
        QTest::keySequence(chart, QKeySequence("Esc, Left, 1")); // one keyed alone goes; arrows move none
        QCOMPARE(std::pair(chart->cursor(0), chart->cursor(1)), std::pair(middle, std::optional<double>()));

        f.t.prompts.fileNames << f.dir.filePath("data.csv");
        QTest::mouseClick(f.w->cmdSaveData, Qt::LeftButton);
        const QByteArray csv = f.bytes("data.csv");
        QCOMPARE(csv.count(",0x45=0x14\r\n"), 1);
        QCOMPARE(csv.count(",0x47=0x14; 0x47=0x15; 0x47=0x16; Temp 2 alarm\r\n"), 1);
    }

    // Both exports write the shown chart: a picture of its size, its traces as columns; a full disk is said.
    void exports() {
        GraphFixture f;
        f.w->cmbGraph->setCurrentIndex(4);
        f.run(3000);
        QVERIFY(QFile::link("/dev/full", f.dir.filePath("full.csv"))); // takes the bytes, fails to keep them
        f.t.prompts.fileNames << f.dir.filePath("shot") << f.dir.filePath("data.csv")
                              << f.dir.filePath("data.csv") << f.dir.filePath("full.csv");
        QTest::mouseClick(f.w->cmdSavePicture, Qt::LeftButton);
        QCOMPARE(QImage(f.dir.filePath("shot.png")).size(), f.w->stpGraph[4]->size());
        f.w->cmdSaveData->click(), f.w->cmdSaveData->click(); // saved over: one export in the file
        const QList<QByteArray> lines = f.bytes("data.csv").split('\n');
        QCOMPARE(QString::fromUtf8(lines.first()),
                 QStringLiteral("Time,Temp1 (°C),Temp2 (°C),Temp3 (°C),Temp4 (°C),PWM1 (%),PWM2 (%),PWM3 "
                                "(%),PWM4 (%),Events\r"));
        QVERIFY(lines.size() == 1 + 60 + 1 && f.t.prompts.messages.isEmpty()); // a line an update, CR LF ends
        QTest::mouseClick(f.w->cmdSaveData, Qt::LeftButton);
        QCOMPARE(f.t.prompts.messages.size(), 1);
    }
};

QTEST_MAIN(TestFrmLimits)
#include "tst_frmlimits.moc"
