// The graphs window: what opening shows and sends, the live captions and traces, the update-rate
// box, pausing, keyboard zoom and both exports.
#include "support/WindowFixture.h"
#include "windows/frmGraph.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTest>

namespace {
struct Fixture : WindowFixture<frmGraph> {
    Fixture() {
        t.session->options.ReadingEnabled = true;
        open();
    }
};
} // namespace

class TestFrmGraph : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Opening reads nothing from the chip and shows "Temperature and Tach"; the traces and captions
    // of every chart, shown or not, follow the readings from their first as heater 1 warms
    // Temperature 1.
    void openingAndLiveTraces() {
        Fixture f;
        frmGraph& w = *f.w;
        QCOMPARE(f.t.requestTexts(), QStringList());
        QCOMPARE((QStringList{w.windowTitle(), w.cmbGraph->currentText(), w.txtUpdate->text(),
                              w.cmbHistory->currentText()}),
                 (QStringList{"Graphing", "Temperature and Tach", "50", "10 minutes"}));
        for (int j = 0; j < 5; ++j)
            QCOMPARE(w.stpGraph[j]->isVisible(), j == 3);
        QCOMPARE(w.stpGraph[3]->valueRange(GraphAxis::Temperature), (ValueRange{0, 60}));
        QCOMPARE(w.stpGraph[3]->valueRange(GraphAxis::FanSpeed), (ValueRange{0, 12000}));

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
        const QCPGraph* temp1 = w.stpGraph[3]->graph(0);
        QCOMPARE(temp1->data()->at(temp1->dataCount() - 1)->value, double(r.Temperatures[0]));
        QVERIFY(temp1->data()->at(0)->value < 30);
        QVERIFY(temp1->dataCount() <= 2 * w.stpGraph[3]->axisRect()->width() + 2);

        w.cmbGraph->setCurrentIndex(0);
        QVERIFY(w.stpGraph[0]->isVisible() && !w.stpGraph[3]->isVisible());
        // The chart switched to shows the whole history, not only what came after the switch.
        const QCPGraph* shown = w.stpGraph[0]->graph(0);
        QVERIFY(shown->data()->at(0)->value < 30);
        QCOMPARE(shown->data()->at(shown->dataCount() - 1)->value, double(r.Temperatures[0]));

        w.close();
        QVERIFY(!f.t.session->decl.GraphOpen);
        const std::size_t before = w.history().size();
        f.run(1000);
        QCOMPARE(w.history().size(), before);
    }

    // The update-rate box (what it accepts is tested in core: here a refused value leaves the
    // interval as it was, and Up steps it); pause holds the time range and the points on the screen
    // while the history fills and drops them, and exports them; +/- zoom within the limits.
    void updateRatePauseAndZoom() {
        Fixture f;
        // Red only for a number the interval cannot hold, not for text it passes over.
        const auto red = [&f] { return f.w->txtUpdate->palette().color(QPalette::Text) == Qt::red; };
        for (const char* typed : {"250", "40000", "x"}) {
            f.w->txtUpdate->setText(QString::fromLatin1(typed));
            QCOMPARE(f.t.session->options.GraphInterval, 250);
            QCOMPARE(red(), typed[0] == '4');
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
        QCOMPARE(chart->xAxis->range(), onScreen);
        QCOMPARE(chart->graph(0)->dataCount(), drawn);
        f.t.prompts.fileNames << f.dir.filePath("held.csv");
        QTest::mouseClick(f.w->cmdSaveData, Qt::LeftButton);
        QCOMPARE(std::size_t(f.bytes("held.csv").count("\r\n")), 1 + points);
        QCOMPARE(f.w->cmdPause->text(), QStringLiteral("&Resume"));
        QTest::mouseClick(f.w->cmdPause, Qt::LeftButton);
        QCOMPARE(chart->timeRange().upper, f.w->history().lastKey());

        for (int k = 0; k < 20; ++k)
            QTest::keyClick(chart, Qt::Key_Minus);
        QCOMPARE(chart->valueRange(GraphAxis::Temperature), (ValueRange{-40, 130}));
        QCOMPARE(chart->valueRange(GraphAxis::FanSpeed), (ValueRange{0, 15000}));
        QTest::keyClick(chart, Qt::Key_Plus);
        QCOMPARE(chart->valueRange(GraphAxis::Temperature), (ValueRange{-23, 113}));

        // Dragging up on the speed axis's labels zooms that axis alone: 100 pixels halve it.
        const QPoint onAxis(chart->axisRect()->right() + 12, chart->axisRect()->center().y());
        QTest::mousePress(chart, Qt::LeftButton, {}, onAxis);
        QMouseEvent move(QEvent::MouseMove, onAxis - QPoint(0, 100),
                         chart->mapToGlobal(onAxis - QPoint(0, 100)), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(chart, &move);
        QTest::mouseRelease(chart, Qt::LeftButton, {}, onAxis - QPoint(0, 100));
        QCOMPARE(chart->valueRange(GraphAxis::FanSpeed), (ValueRange{4500, 10500}));
        QCOMPARE(chart->valueRange(GraphAxis::Temperature), (ValueRange{-23, 113}));
    }

    // Events stand on the charts as labelled lines, a crowd of them as one named by its most
    // telling event, and go into the data export; two time cursors, clicked or keyed, tell how far
    // apart two moments are and what each trace read at both.
    void markersAndCursors() {
        Fixture f;
        f.w->cmbHistory->setCurrentIndex(0); // a minute: a tenth of a second to the pixel
        f.run(2000);
        f.t.usb().WriteRegister(0x2E, 0x45, 20);
        f.run(3000);
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

        const QRect plot = chart->axisRect()->rect();
        QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(plot.left() + 10, plot.center().y()));
        QTest::mouseClick(chart, Qt::LeftButton, {}, QPoint(plot.right() - 10, plot.center().y()));
        static const QRegularExpression readout(
            "^Cursor 1 at \\d\\d:\\d\\d:\\d\\d\\.\\d{3}, Cursor 2 at \\d\\d:\\d\\d:\\d\\d\\.\\d{3}: [0-9.]+ "
            "s apart\n"
            "Temp1 \\d+ \u2192 \\d+°C, Temp2 \\d+ \u2192 \\d+°C, .*, Fan4 82 \u2192 82RPM$");
        QVERIFY2(readout.match(f.w->lblCursors->text()).hasMatch(), qPrintable(f.w->lblCursors->text()));
        const double apart = *chart->cursor(1) - *chart->cursor(0);
        QTest::keyClick(chart, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(*chart->cursor(1) - *chart->cursor(0),
                 apart - 10 * (chart->xAxis->pixelToCoord(1) - chart->xAxis->pixelToCoord(0)));
        QTest::keyClick(chart, Qt::Key_Escape);
        QCOMPARE(f.w->lblCursors->text(),
                 QStringLiteral("Time cursors: click the graph, or press 1 or 2 in it"));

        f.t.prompts.fileNames << f.dir.filePath("data.csv");
        QTest::mouseClick(f.w->cmdSaveData, Qt::LeftButton);
        const QByteArray csv = f.bytes("data.csv");
        QCOMPARE(csv.count(",0x45=0x14\r\n"), 1);
        QCOMPARE(csv.count(",0x47=0x14; 0x47=0x15; 0x47=0x16; Temp 2 alarm\r\n"), 1);
    }

    // Both exports write the shown chart: a picture of its size, and its traces as columns.
    void exports() {
        Fixture f;
        f.w->cmbGraph->setCurrentIndex(4);
        f.run(3000);
        f.t.prompts.fileNames << f.dir.filePath("shot") << f.dir.filePath("data.csv")
                              << f.dir.filePath("no/such.csv");
        QTest::mouseClick(f.w->cmdSavePicture, Qt::LeftButton);
        QCOMPARE(QImage(f.dir.filePath("shot.png")).size(), f.w->stpGraph[4]->size());
        QTest::mouseClick(f.w->cmdSaveData, Qt::LeftButton);
        const QList<QByteArray> lines = f.bytes("data.csv").split('\n');
        QCOMPARE(QString::fromUtf8(lines.first()),
                 QStringLiteral("Time,Temp1 (°C),Temp2 (°C),Temp3 (°C),Temp4 (°C),PWM1 (%),PWM2 (%),PWM3 "
                                "(%),PWM4 (%),Events\r"));
        QCOMPARE(lines.size(), 1 + 60 + 1); // header, a line per update, nothing after the last CR LF
        QVERIFY(f.t.prompts.messages.isEmpty());
        QTest::mouseClick(f.w->cmdSaveData, Qt::LeftButton);
        QCOMPARE(f.t.prompts.messages.size(), 1);
    }
};

QTEST_MAIN(TestFrmGraph)
#include "tst_frmgraph.moc"
