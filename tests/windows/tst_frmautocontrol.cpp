// The automatic fan control window over the simulated board: what it shows, what it writes (the
// request journal) for the user's edits, and where the plot puts curves and markers. Encodings,
// the order of an apply and the curve geometry are tested in core.
#include "monitoring/AutoControl.h"
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmAutoControl.h"

#include <QTest>

#include <memory>

namespace {
// The register writes of a journal, as (register, value), in order.
QList<QPair<int, int>> writes(const SimSession& t) {
    QList<QPair<int, int>> out;
    for (const JournalEntry& e : t.requests())
        if (e.request == 222 && e.direction == 0) out.append({e.index & 0xFF, (e.index >> 8) & 0xFF});
    return out;
}
int lastWrite(const SimSession& t, int reg) {
    int value = -1;
    for (const auto& [r, v] : writes(t))
        if (r == reg) value = v;
    return value;
}

struct Fixture {
    explicit Fixture(bool updateOnChange = true) {
        t.connect();
        t.session->options.ReadingEnabled = false; // readings are set by the tests
        t.session->decl.UpdateOnChange = updateOnChange;
    }
    frmAutoControl& open() {
        w = std::make_unique<frmAutoControl>(*t.session, polling);
        w->show();
        return *w;
    }
    SimSession t;
    PollingCycle polling{*t.session};
    std::unique_ptr<frmAutoControl> w;
};

void retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
}
} // namespace

class TestFrmAutoControl : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void openingShowsResetValuesAndWritesNothing() {
        Fixture f;
        frmAutoControl& w = f.open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Automatic Fan Control"));
        QCOMPARE(w.designedSize(), QSize(618, 453));
        QCOMPARE(w.Label11->text(), QStringLiteral("Control  Source"));
        QCOMPARE(w.chkUpdateOnChange->text(), QStringLiteral("Automatically update device with changes"));
        QVERIFY(f.t.session->decl.AutoControlOpen);
        QVERIFY(w.chkUpdateOnChange->isChecked());
        for (int n = 0; n < 4; ++n) {
            w.cmbFan->setCurrentIndex(n);
            QCOMPARE(w.txtPWMmax->text(), QStringLiteral("100"));
            QCOMPARE(w.txtPWMmin->text(), QStringLiteral("50"));
            QCOMPARE(w.txtTmin->text(), QStringLiteral("90"));
            QCOMPARE(w.cmbZone->currentText(), QStringLiteral("Max Temp"));
            QVERIFY(!w.chkAutoControl->isChecked());
            QCOMPARE(w.chkAutoControl->text(),
                     QStringLiteral("Automatic Control Enabled on PWM%1").arg(n + 1));
        }
        // Equal settings on every output: switching shows no change, so nothing is applied.
        QCOMPARE(f.t.requestTexts(),
                 (QStringList{QStringLiteral("220 46 56 1 4"), QStringLiteral("220 46 106 1 8"),
                              QStringLiteral("220 46 104 1 2"), QStringLiteral("220 46 124 1 2")}));
    }

    void everyKeyAppliesWhenUpdateIsTicked() {
        Fixture f;
        frmAutoControl& w = f.open();
        w.txtTmin->clear();
        QCOMPARE(lastWrite(f.t, 0x6E), 90); // nothing numeric: the old value is applied again
        f.t.board->clearJournal();
        QTest::keyClicks(w.txtTmin, QStringLiteral("45"));
        const QStringList journal = f.t.requestTexts();
        // 18 accesses per apply, plus the transport's ManualControl refresh after each config write.
        QCOMPARE(journal.size(), 2 * (18 + 2));
        QCOMPARE(journal.at(2), QStringLiteral("222 46 %1 0 0").arg(4 * 256 + 0x6E));
        QCOMPARE(journal.at(20 + 2), QStringLiteral("222 46 %1 0 0").arg(45 * 256 + 0x6E));
        QCOMPARE(f.t.chip().read(0x6E), 45);

        retype(w.txtPWMmax, QStringLiteral("80"));
        QCOMPARE(lastWrite(f.t, 0x38), 204);
        retype(w.txtPWMmin, QStringLiteral("-10"));
        QCOMPARE(lastWrite(f.t, 0x6A), 0);
    }

    void cancelAndFrameCloseWriteNothing() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        QTest::mouseClick(w.UpDown1->upButton, Qt::LeftButton); // the spinners step their boxes
        QCOMPARE(w.txtTmin->text(), QStringLiteral("91"));
        QTest::keyClick(w.txtTmin, Qt::Key_Up);
        QCOMPARE(w.txtTmin->text(), QStringLiteral("92"));
        QTest::mouseClick(w.UpDown2->upButton, Qt::LeftButton);
        QCOMPARE(w.txtPWMmax->text(), QStringLiteral("100")); // at the top of its range
        w.chkAutoControl->setChecked(true);
        w.cmbZone->setCurrentIndex(4);
        w.chkShowConPoint->setChecked(false);
        w.cmbFan->setCurrentIndex(3);
        w.chkShowConPoint->setChecked(true);
        QTest::mouseClick(w.cmdClose, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(!f.t.session->decl.AutoControlOpen);
        QCOMPARE(f.t.session->decl.AutoControlTable[0].Tmin, 92.0f); // kept, but not written

        // Reopening shows the chip's settings again; the control point choices stay.
        frmAutoControl& again = f.open();
        QCOMPARE(again.txtTmin->text(), QStringLiteral("90"));
        QCOMPARE(again.cmbZone->currentText(), QStringLiteral("Max Temp"));
        QVERIFY(!again.chkAutoControl->isChecked());
        QVERIFY(!again.chkShowConPoint->isChecked());
        again.cmbFan->setCurrentIndex(3);
        QVERIFY(again.chkShowConPoint->isChecked());
        retype(again.txtPWMmin, QStringLiteral("20"));
        again.close();
        QVERIFY(!f.t.session->decl.AutoControlOpen);
        QVERIFY(writes(f.t).isEmpty());
    }

    void applyAndOk() {
        Fixture f(false);
        f.t.chip().write(0x7C, 0x0C);
        f.t.chip().write(0x7D, 0x5F);
        frmAutoControl& w = f.open();
        w.cmbFan->setCurrentIndex(1);
        QCOMPARE(w.cmbZone->currentIndex(), -1); // zone code 12 is none of the list
        QTest::mouseClick(w.cmdApply, Qt::LeftButton);
        QCOMPARE(lastWrite(f.t, 0x7C), 0x0B);
        QCOMPARE(lastWrite(f.t, 0x7D), 0x5B);

        w.chkUpdateOnChange->setChecked(true);
        QTest::mouseClick(w.chkAutoControl, Qt::LeftButton);
        QCOMPARE(f.t.chip().read(0x68), 0x40);
        f.t.board->clearJournal();
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        QCOMPARE(writes(f.t).size(), 16);
        QVERIFY(!w.isVisible());
        QVERIFY(f.t.session->decl.UpdateOnChange);
        QVERIFY(!f.t.session->decl.AutoControlOpen);
    }

    void curvesFollowTheSettingsAndTheSize() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        CurvePlot* plot = w.pctGraph;
        auto& table = f.t.session->decl.AutoControlTable;
        retype(w.txtPWMmin, QStringLiteral("30"));
        for (std::size_t k = 0; k < 4; ++k)
            QCOMPARE(plot->curve(int(k)), std::optional<Curve>(CurveSegments(table[k])));
        QCOMPARE(plot->curve(0)->at(2).from.duty, 30.0f);
        QCOMPARE(CurvePlot::segmentStyle(SwitchOnSegment), Qt::DotLine);

        const PlotScale s = plot->scale();
        QCOMPARE(plot->segmentLine(1, 1), QLineF(s.T2X(86), s.P2Y(0), s.T2X(86), s.P2Y(50)));
        QVERIFY(std::abs(w.lblX[2]->geometry().center().x() - (plot->x() + s.T2X(30))) <= 1);

        // A table change without an edit reaches the plot with the next resize.
        table[3].PWMmax = 20;
        w.resize(w.width() + 40, w.height() + 30);
        QCOMPARE(plot->curve(3)->at(4).from.duty, 20.0f);
        QVERIFY(plot->scale().W > s.W);
    }

    void markersMoveWithThePollingCycle() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        CurvePlot* plot = w.pctGraph;
        Readings& r = f.t.session->readings;
        r.Temperatures[10] = 60; // Max Temp
        r.DutyCycles = {100, 40, 30, 20};
        retype(w.txtPWMmax, QStringLiteral("80"));
        QVERIFY(!plot->markerVisible(0));

        f.polling.Tick(0);
        const PlotScale s = plot->scale();
        QCOMPARE(plot->markerRect(0).center(), QPointF(s.T2X(60), s.P2Y(80))); // duty held at PWMmax
        QCOMPARE(plot->markerRect(0).size(), QSizeF(7, 7));
        QCOMPARE(plot->markerRect(1).center(), QPointF(s.T2X(60), s.P2Y(40)));
        QVERIFY(plot->markerVisible(1));
        QVERIFY(!plot->markerVisible(2));

        // Once a second; an output without zone keeps its marker's horizontal place.
        w.cmbFan->setCurrentIndex(1);
        w.cmbZone->setCurrentIndex(-1);
        r.Temperatures[10] = 65;
        r.DutyCycles[1] = 10;
        f.polling.Tick(900);
        QCOMPARE(plot->markerRect(0).center().x(), double(s.T2X(60)));
        f.polling.Tick(1001);
        QCOMPARE(plot->markerRect(0).center().x(), double(s.T2X(65)));
        QCOMPARE(plot->markerRect(1).center(), QPointF(s.T2X(60), s.P2Y(10)));

        // Hiding waits for the next polling call.
        w.chkShowConPoint->setChecked(false);
        w.cmbFan->setCurrentIndex(0);
        w.chkShowConPoint->setChecked(false);
        QVERIFY(plot->markerVisible(0));
        f.polling.Tick(2002);
        QVERIFY(!plot->markerVisible(0) && !plot->markerVisible(1));
    }
};

QTEST_MAIN(TestFrmAutoControl)
#include "tst_frmautocontrol.moc"
