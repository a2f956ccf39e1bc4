// The automatic fan control window over the simulated board: what it shows, what it writes (the
// request journal) for the user's edits, and where the plot puts curves and markers.
#include "monitoring/AutoControl.h"
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmAutoControl.h"

#include <QTest>

#include <memory>

namespace {
QString write(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}

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
        QVERIFY(f.t.session->decl.AutoControlOpen);
        QVERIFY(w.chkUpdateOnChange->isChecked());
        for (int n = 0; n < 4; ++n) {
            w.cmbFan->setCurrentIndex(n);
            QCOMPARE(w.CurrentFan, n);
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

    void captionsAndAccessibleNames() {
        Fixture f;
        frmAutoControl& w = f.open();
        QCOMPARE(w.Label11->text(), QStringLiteral("Control  Source"));
        QCOMPARE(w.Frame2->title(), QStringLiteral("Control Settings"));
        QCOMPARE(w.chkUpdateOnChange->text(), QStringLiteral("Automatically update device with changes"));
        QCOMPARE(w.chkShowConPoint->text(), QStringLiteral("Show Control Point"));
        QCOMPARE((QStringList{w.cmdOK->text(), w.cmdApply->text(), w.cmdClose->text()}),
                 (QStringList{QStringLiteral("OK"), QStringLiteral("Apply"), QStringLiteral("Cancel")}));
        QCOMPARE(w.txtTmin->accessibleName(), QStringLiteral("Tmin"));
        QCOMPARE(w.UpDown3->accessibleName(), QStringLiteral("PWMmin"));
        QCOMPARE(w.cmbZone->accessibleName(), QStringLiteral("Control  Source"));
        QCOMPARE(w.Label5->buddy(), w.txtPWMmax);
        QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("txtPWMmax")), w.txtPWMmax);
        QCOMPARE(w.Label2->text(), QStringLiteral("Temperature °C"));
        QCOMPARE(w.Label9->text(), QStringLiteral("PWM3"));
        QCOMPARE(w.Label8->palette().color(QPalette::WindowText), QColor(0, 192, 0));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblX_11"))->text(), QStringLiteral("120"));
        QCOMPARE(w.findChild<QLabel*>(QStringLiteral("lblP_10"))->text(), QStringLiteral("100"));
        QCOMPARE(w.designedSize(), QSize(618, 453));
    }

    void typingTwoKeysAppliesTwice() {
        Fixture f;
        frmAutoControl& w = f.open();
        w.txtTmin->clear();
        QCOMPARE(lastWrite(f.t, 0x6E), 90); // nothing numeric: the old value is applied again
        f.t.board->clearJournal();
        QTest::keyClicks(w.txtTmin, QStringLiteral("45"));
        const QStringList journal = f.t.requestTexts();
        // 18 accesses per apply, plus the transport's ManualControl refresh after each config write.
        QCOMPARE(journal.size(), 2 * (18 + 2));
        QCOMPARE(journal.at(2), write(0x6E, 4));
        QCOMPARE(journal.at(20 + 2), write(0x6E, 45));
        QCOMPARE(f.t.chip().read(0x6E), 45);
    }

    void dutyBoxesEncodeAndNegativesWriteZero() {
        Fixture f;
        frmAutoControl& w = f.open();
        retype(w.txtPWMmax, QStringLiteral("80"));
        QCOMPARE(lastWrite(f.t, 0x38), 204);
        w.txtPWMmax->clear();
        QCOMPARE(lastWrite(f.t, 0x38), 204);
        QCOMPARE(f.t.session->decl.AutoControlTable[0].PWMmax, 80.0f);
        retype(w.txtPWMmin, QStringLiteral("-10"));
        QCOMPARE(lastWrite(f.t, 0x6A), 0);
        QCOMPARE(f.t.chip().read(0x6A), 0);
        retype(w.txtTmin, QStringLiteral("-10"));
        QCOMPARE(lastWrite(f.t, 0x6E), 0);
    }

    void tminRoundsHalvesToEven_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("written");
        QTest::newRow("40.5") << QStringLiteral("40.5") << 40;
        QTest::newRow("41.5") << QStringLiteral("41.5") << 42;
        QTest::newRow("300") << QStringLiteral("300") << 255;
        QTest::newRow("45x keeps 45") << QStringLiteral("45x") << 45;
    }
    void tminRoundsHalvesToEven() {
        QFETCH(QString, typed);
        QFETCH(int, written);
        Fixture f(false);
        frmAutoControl& w = f.open();
        w.cmbFan->setCurrentIndex(2);
        retype(w.txtTmin, typed);
        QVERIFY(writes(f.t).isEmpty());
        QTest::mouseClick(w.cmdApply, Qt::LeftButton);
        QCOMPARE(lastWrite(f.t, 0x70), written);
        QCOMPARE(f.t.session->decl.UpdateOnChange, false);
    }

    void cancelWritesNothingAndReopeningReloads() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        retype(w.txtTmin, QStringLiteral("55"));
        w.chkAutoControl->setChecked(true);
        w.cmbZone->setCurrentIndex(4);
        w.chkShowConPoint->setChecked(false);
        w.cmbFan->setCurrentIndex(3);
        w.chkShowConPoint->setChecked(true);
        QTest::mouseClick(w.cmdClose, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QVERIFY(!f.t.session->decl.AutoControlOpen);
        QVERIFY(f.t.requests().size() == 4); // the loading reads only
        QCOMPARE(f.t.session->decl.AutoControlTable[0].Tmin, 55.0f);

        frmAutoControl& again = f.open();
        QCOMPARE(again.txtTmin->text(), QStringLiteral("90"));
        QCOMPARE(again.cmbZone->currentText(), QStringLiteral("Max Temp"));
        QVERIFY(!again.chkAutoControl->isChecked());
        QVERIFY(!again.chkShowConPoint->isChecked());
        again.cmbFan->setCurrentIndex(3);
        QVERIFY(again.chkShowConPoint->isChecked());
        QVERIFY(writes(f.t).isEmpty());
    }

    void closingByTheFrameIsCancel() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        retype(w.txtPWMmin, QStringLiteral("20"));
        w.close();
        QVERIFY(writes(f.t).isEmpty());
        QVERIFY(!f.t.session->decl.AutoControlOpen);
    }

    void okAppliesThenCloses() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        w.chkUpdateOnChange->setChecked(true);
        w.cmbFan->setCurrentIndex(1);
        QTest::mouseClick(w.chkAutoControl, Qt::LeftButton);
        QCOMPARE(f.t.chip().read(0x68), 0x40);
        QCOMPARE(f.t.usb().ManualControl(2), false);
        f.t.board->clearJournal();
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        QCOMPARE(writes(f.t).size(), 16);
        QVERIFY(!w.isVisible());
        QVERIFY(f.t.session->decl.UpdateOnChange);
        QVERIFY(!f.t.session->decl.AutoControlOpen);
    }

    void zoneNibbleOutsideTheListAppliesAsEleven() {
        Fixture f(false);
        f.t.chip().write(0x7C, 0x0C);
        f.t.chip().write(0x7D, 0x5F);
        frmAutoControl& w = f.open();
        w.cmbFan->setCurrentIndex(1);
        QCOMPARE(w.cmbZone->currentIndex(), -1);
        QCOMPARE(w.cmbZone->currentText(), QString());
        QTest::mouseClick(w.cmdApply, Qt::LeftButton);
        QCOMPARE(lastWrite(f.t, 0x7C), 0x0B);
        QCOMPARE(lastWrite(f.t, 0x7D), 0x5B);
    }

    void spinnersStepWithinTheirRange() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        QTest::mouseClick(w.UpDown1->upButton, Qt::LeftButton);
        QCOMPARE(w.txtTmin->text(), QStringLiteral("91"));
        QTest::keyClick(w.txtTmin, Qt::Key_Up);
        QCOMPARE(w.txtTmin->text(), QStringLiteral("92"));
        QTest::keyClick(w.txtTmin, Qt::Key_Down);
        QCOMPARE(f.t.session->decl.AutoControlTable[0].Tmin, 91.0f);
        QTest::mouseClick(w.UpDown2->upButton, Qt::LeftButton);
        QCOMPARE(w.txtPWMmax->text(), QStringLiteral("100"));
        retype(w.txtTmin, QStringLiteral("149.5"));
        QTest::keyClick(w.txtTmin, Qt::Key_Up);
        QTest::keyClick(w.txtTmin, Qt::Key_Up);
        QCOMPARE(w.txtTmin->text(), QStringLiteral("150"));
        retype(w.txtPWMmin, QStringLiteral("0"));
        QTest::mouseClick(w.UpDown3->downButton, Qt::LeftButton);
        QCOMPARE(w.txtPWMmin->text(), QStringLiteral("0"));
        QVERIFY(writes(f.t).isEmpty());
    }

    void curvesFollowEditsAndResizes() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        CurvePlot* plot = w.pctGraph;
        const auto& table = f.t.session->decl.AutoControlTable;
        for (int k = 0; k < 4; ++k)
            QCOMPARE(plot->curve(k), std::optional<Curve>(CurveSegments(table[static_cast<std::size_t>(k)])));
        QCOMPARE(CurvePlot::segmentStyle(5), Qt::DotLine);
        QCOMPARE(CurvePlot::segmentStyle(3), Qt::SolidLine);

        retype(w.txtPWMmin, QStringLiteral("100"));
        QCOMPARE(plot->curve(0)->at(3).from, plot->curve(0)->at(3).to);

        const PlotScale s = plot->scale();
        QCOMPARE(s.W, float(plot->width()));
        QCOMPARE(plot->segmentLine(1, 1), QLineF(s.T2X(86), s.P2Y(0), s.T2X(86), s.P2Y(50)));
        QCOMPARE(plot->gridLineX(11), QLineF(s.T2X(120), s.P2Y(0), s.T2X(120), s.P2Y(110)));
        const QRect label = w.lblX[2]->geometry();
        QVERIFY(std::abs(label.center().x() - (plot->x() + s.T2X(30))) <= 1);

        // A table change without an edit reaches the plot with the next resize.
        f.t.session->decl.AutoControlTable[3].PWMmax = 20;
        w.resize(w.width() + 40, w.height() + 30);
        QCOMPARE(plot->curve(3)->at(4).from.duty, 20.0f);
        QVERIFY(plot->scale().W > s.W);
    }

    void markersMoveWithThePollingCycle() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        CurvePlot* plot = w.pctGraph;
        Readings& r = f.t.session->readings;
        r.Temperatures[2] = 70;
        r.Temperatures[9] = 110;
        r.Temperatures[10] = 60;
        r.DutyCycles = {100, 40, 30, 20};
        retype(w.txtPWMmax, QStringLiteral("80"));
        w.cmbFan->setCurrentIndex(1);
        w.cmbZone->setCurrentIndex(3); // Temp3
        QVERIFY(!plot->markerVisible(0));

        f.polling.Tick(0);
        const PlotScale s = plot->scale();
        QCOMPARE(plot->markerRect(0).center(), QPointF(s.T2X(60), s.P2Y(80)));
        QCOMPARE(plot->markerRect(0).size(), QSizeF(7, 7));
        QCOMPARE(plot->markerRect(1).center(), QPointF(s.T2X(70), s.P2Y(40)));
        QVERIFY(plot->markerVisible(1));
        QVERIFY(!plot->markerVisible(2));

        r.Temperatures[10] = 65;
        f.polling.Tick(900);
        QCOMPARE(plot->markerRect(0).center().x(), double(s.T2X(60)));
        f.polling.Tick(1001);
        QCOMPARE(plot->markerRect(0).center().x(), double(s.T2X(65)));

        // An output without zone keeps its marker's horizontal place.
        w.cmbZone->setCurrentIndex(-1);
        r.Temperatures[2] = 20;
        r.DutyCycles[1] = 10;
        f.polling.Tick(2002);
        QCOMPARE(plot->markerRect(1).center(), QPointF(s.T2X(70), s.P2Y(10)));

        // Hiding waits for the next polling call; with no marker shown nothing is redrawn.
        w.chkShowConPoint->setChecked(false);
        w.cmbFan->setCurrentIndex(0);
        w.chkShowConPoint->setChecked(false);
        QVERIFY(plot->markerVisible(0));
        f.polling.Tick(3003);
        QVERIFY(!plot->markerVisible(0));
        QVERIFY(!plot->markerVisible(1));
        const int repaints = plot->repaintRequests();
        r.Temperatures[10] = 99;
        f.polling.Tick(4004);
        QCOMPARE(plot->repaintRequests(), repaints);
    }
};

QTEST_MAIN(TestFrmAutoControl)
#include "tst_frmautocontrol.moc"
