// The automatic fan control window: what it shows, what it writes for the user's edits, and where
// the plot puts curves and markers. Encodings, the order of an apply and the curve geometry are
// tested in core.
#include "support/WindowFixture.h"
#include "windows/frmAutoControl.h"

#include <QTest>

namespace {
struct Fixture : WindowFixture<frmAutoControl> {
    explicit Fixture(bool updateOnChange = true) { t.session->decl.UpdateOnChange = updateOnChange; }
};
} // namespace

class TestFrmAutoControl : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Opening shows the chip's reset values and writes nothing; then every key applies.
    void openingAndUpdateOnChange() {
        Fixture f;
        frmAutoControl& w = f.open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Automatic Fan Control"));
        QCOMPARE(w.Label11->text(), QStringLiteral("Control  Source"));
        QVERIFY(w.chkUpdateOnChange->isChecked());
        for (int n = 3; n >= 0; --n) { // ending on PWM1
            w.cmbFan->setCurrentIndex(n);
            QCOMPARE((QStringList{w.txtPWMmax->text(), w.txtPWMmin->text(), w.txtTmin->text(),
                                  w.cmbZone->currentText(), w.chkAutoControl->text()}),
                     (QStringList{"100", "50", "90", "Max Temp",
                                  QStringLiteral("Automatic Control Enabled on PWM%1").arg(n + 1)}));
            QVERIFY(!w.chkAutoControl->isChecked());
        }
        // Equal settings on every output: switching shows no change, so nothing is applied.
        QCOMPARE(f.t.requestTexts(),
                 QStringList({"220 46 56 1 4", "220 46 106 1 8", "220 46 104 1 2", "220 46 124 1 2"}));

        w.txtTmin->clear();
        f.forget();
        QTest::keyClicks(w.txtTmin, QStringLiteral("45"));
        const QStringList journal = f.t.requestTexts();
        // 18 accesses per apply, plus the transport's ManualControl refresh after each config write.
        QCOMPARE(journal.size(), 2 * (18 + 2));
        QCOMPARE(journal.at(2), writeText(0x6E, 4));
        QCOMPARE(journal.at(20 + 2), writeText(0x6E, 45));

        retype(w.txtPWMmin, QStringLiteral("-10"));
        QCOMPARE(f.t.chip().read(0x6A), 0);
    }

    // Apply and OK write the settings; Cancel and closing the frame write nothing.
    void buttonsAndClosing() {
        Fixture f(false);
        f.t.chip().write(0x7C, 0x0C);
        f.t.chip().write(0x7D, 0x5F);
        frmAutoControl& w = f.open();
        w.cmbFan->setCurrentIndex(1);
        QCOMPARE(w.cmbZone->currentIndex(), -1); // zone code 12 is none of the list
        QTest::mouseClick(w.cmdApply, Qt::LeftButton);
        QCOMPARE(f.t.chip().read(0x7C), 0x0B);
        QCOMPARE(f.t.chip().read(0x7D), 0x5B);

        f.forget();
        retype(w.txtTmin, QStringLiteral("92"));
        w.chkAutoControl->setChecked(true);
        w.cmbZone->setCurrentIndex(4);
        w.chkShowConPoint->setChecked(false);
        QTest::mouseClick(w.cmdClose, Qt::LeftButton);
        QVERIFY(!w.isVisible());

        // Reopening shows the chip's settings again; the control point choices stay.
        frmAutoControl& again = f.open();
        QCOMPARE(again.txtTmin->text(), QStringLiteral("90"));
        QVERIFY(again.chkShowConPoint->isChecked());
        again.cmbFan->setCurrentIndex(1);
        QVERIFY(!again.chkShowConPoint->isChecked());
        retype(again.txtPWMmin, QStringLiteral("20"));
        again.close();
        QVERIFY(!f.t.session->decl.AutoControlOpen);
        QCOMPARE(f.writes().size(), 0);

        QTest::mouseClick(f.open().cmdOK, Qt::LeftButton);
        QCOMPARE(f.writes().size(), 16);
        QVERIFY(!f.w->isVisible());
    }

    // The plot follows the edits; the polling cycle moves the markers once a second.
    void plotFollowsEditsAndPolling() {
        Fixture f(false);
        frmAutoControl& w = f.open();
        CurvePlot* plot = w.pctGraph;
        Readings& r = f.t.session->readings;
        r.Temperatures[10] = 60; // Max Temp
        r.DutyCycles = {100, 40, 30, 20};
        retype(w.txtPWMmax, QStringLiteral("80"));
        QCOMPARE(plot->curve(0)->at(4).from.duty, 80.0f);
        const PlotScale s = plot->scale();
        QCOMPARE(plot->segmentLine(1, 1), QLineF(s.T2X(86), s.P2Y(0), s.T2X(86), s.P2Y(50)));

        f.polling.Tick(0);
        QCOMPARE(plot->markerRect(0).center(), QPointF(s.T2X(60), s.P2Y(80))); // duty held at PWMmax
        QCOMPARE(plot->markerRect(1).center(), QPointF(s.T2X(60), s.P2Y(40))); // not held at PWMmin
        QVERIFY(plot->markerVisible(1) && !plot->markerVisible(2));

        // An output without zone keeps its marker's horizontal place.
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
        QVERIFY(plot->markerVisible(1));
        f.polling.Tick(2002);
        QVERIFY(!plot->markerVisible(1) && plot->markerVisible(0));
    }
};

QTEST_MAIN(TestFrmAutoControl)
#include "tst_frmautocontrol.moc"
