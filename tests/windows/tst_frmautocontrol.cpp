// The automatic fan control window: what it shows and writes for the user's edits, the plot's markers.
#include "support/WindowFixture.h"
#include "windows/frmAutoControl.h"

#include <QTest>

class TestFrmAutoControl : public QObject {
    Q_OBJECT
    std::unique_ptr<WindowFixture<frmAutoControl>> f;
    frmAutoControl* w = nullptr;

    void open(std::initializer_list<std::pair<int, int>> registers = {}, bool updateOnChange = true) {
        f = std::make_unique<WindowFixture<frmAutoControl>>();
        f->t.session->decl.UpdateOnChange = updateOnChange;
        writeAll(f->t.chip(), registers);
        w = &f->open();
    }

private Q_SLOTS:
    // Distinct settings on outputs 2 to 4 (output 1 as the chip starts), update on change ticked.
    void init() {
        using R = std::pair<int, int>;
        open({R{0x39, 0xCC}, R{0x3A, 0x99}, R{0x3B, 0x66}, R{0x6B, 0x40}, R{0x6C, 0x33}, R{0x6D, 0x1A},
              R{0x6F, 45}, R{0x70, 50}, R{0x71, 55}, R{0x68, 0x40}, R{0x69, 0x40}, R{0x7C, 0x12},
              R{0x7D, 0x34}});
    }

    // Reached from another output, each shows its own settings; opening reads, switching writes nothing.
    void eachOutputShowsTheChipsSettings() {
        QStringList shown; // max, min, Tmin, zone, and whether automatic
        for (int n = 0; n < 4; ++n) {
            w->cmbFan->setCurrentIndex(3 - n);
            w->cmbFan->setCurrentIndex(n);
            shown << QStringList{w->txtPWMmax->text(), w->txtPWMmin->text(), w->txtTmin->text(),
                                 w->cmbZone->currentText(), QString::number(w->chkAutoControl->isChecked())}
                         .join(u' ');
        }
        shown << w->chkAutoControl->text() << w->windowTitle() << f->journal();
        QCOMPARE(shown,
                 (QStringList{"100 50 90 Temp1 0", "80 25 45 Temp2 1", "60 20 50 Temp3 0", "40 10 55 Temp4 1",
                              "Automatic Control Enabled on PWM4", "Automatic Fan Control", "220 46 56 1 4",
                              "220 46 106 1 8", "220 46 104 1 2", "220 46 124 1 2"}));
    }

    // 18 accesses per apply, plus the transport's ManualControl refresh after each config write.
    void withUpdateOnChangeEveryKeyApplies() {
        w->txtTmin->clear();
        f->forget();
        QTest::keyClicks(w->txtTmin, QStringLiteral("45"));
        const QStringList journal = f->journal();
        QCOMPARE(std::tuple(journal.size(), journal.at(2), journal.at(20 + 2)),
                 std::tuple(2 * (18 + 2), writeText(0x6E, 4), writeText(0x6E, 45)));
        retype(w->txtTmin, QStringLiteral("x")); // not a number: the value stays as it was
        QCOMPARE(f->t.chip().read(0x6E), 45);
        retype(w->txtPWMmin, QStringLiteral("-10"));
        QCOMPARE(f->t.chip().read(0x6A), 0);
        QTest::keyClick(w->cmbZone, Qt::Key_Down); // the next source is written at once
        QCOMPARE(std::pair(w->cmbZone->currentText(), f->t.chip().read(0x7C)),
                 std::pair(QString("Temp2"), 0x22));
    }

    // Apply writes zone code 12, which the list cannot show, as 11; OK writes all four and closes.
    void applyAndOk() {
        open({{0x7C, 0x0C}, {0x7D, 0x5F}}, false);
        w->cmbFan->setCurrentIndex(1);
        QCOMPARE(w->cmbZone->currentIndex(), -1);
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE((QList<int>{f->t.chip().read(0x7C), f->t.chip().read(0x7D)}), (QList<int>{0x0B, 0x5B}));
        f->forget();
        w->txtTmin->setFocus();
        QTest::keyClick(w->txtTmin, Qt::Key_Return); // OK
        QVERIFY(f->writes().size() == 16 && !w->isVisible());
    }

    // Close and the frame's close box drop the edits (the next window shows the chip), not the marker choice.
    void closingWritesNothing() {
        open({}, false);
        w->cmbFan->setCurrentIndex(1);
        retype(w->txtTmin, QStringLiteral("92"));
        w->chkAutoControl->setChecked(true);
        w->cmbZone->setCurrentIndex(4);
        w->chkShowConPoint->setChecked(false);
        QTest::keyClick(w->txtTmin, Qt::Key_Escape); // Cancel
        QVERIFY(!w->isVisible());
        frmAutoControl& again = f->open();
        QVERIFY(again.txtTmin->text() == "90" && again.chkShowConPoint->isChecked());
        again.cmbFan->setCurrentIndex(1);
        QVERIFY(!again.chkShowConPoint->isChecked());
        retype(again.txtPWMmin, QStringLiteral("20"));
        again.close();
        QVERIFY(!f->t.session->decl.AutoControlOpen && f->writes().isEmpty());
    }

    // The curve follows edits; markers move each second (no zone: x kept); hiding waits for the next poll.
    void thePlotFollowsEditsAndPolling() {
        open({}, false);
        CurvePlot* plot = w->pctGraph;
        const PlotScale s = plot->scale();
        Readings& r = f->t.session->readings;
        r.Temperatures[10] = 60; // Max Temp
        r.DutyCycles = {100, 40, 30, 20};
        f->polling.Tick(0);
        QVERIFY(!plot->markerVisible(0) && !plot->markerVisible(1)); // nothing read yet
        markRead(r);
        retype(w->txtPWMmax, QStringLiteral("80"));
        QCOMPARE(plot->curve(0)->at(4).from.duty, 80.0f);
        QCOMPARE(plot->segmentLine(1, 1), QLineF(s.T2X(86), s.P2Y(0), s.T2X(86), s.P2Y(50)));
        f->polling.Tick(1001);
        QCOMPARE(plot->markerRect(0).center(), QPointF(s.T2X(60), s.P2Y(80))); // duty held at PWMmax
        QCOMPARE(plot->markerRect(1).center(), QPointF(s.T2X(60), s.P2Y(40))); // not held at PWMmin
        QVERIFY(plot->markerVisible(1) && !plot->markerVisible(2));
        w->cmbFan->setCurrentIndex(1);
        w->cmbZone->setCurrentIndex(-1);
        r.Temperatures[10] = 65;
        r.DutyCycles[1] = 10;
        f->polling.Tick(1901);
        QCOMPARE(plot->markerRect(0).center().x(), double(s.T2X(60)));
        f->polling.Tick(2002);
        QCOMPARE(std::pair(plot->markerRect(0).center().x(), plot->markerRect(1).center()),
                 std::pair(double(s.T2X(65)), QPointF(s.T2X(60), s.P2Y(10))));
        w->chkShowConPoint->setChecked(false);
        QVERIFY(plot->markerVisible(1));
        f->polling.Tick(3003);
        QVERIFY(!plot->markerVisible(1) && plot->markerVisible(0));
    }
};

QTEST_MAIN(TestFrmAutoControl)
#include "tst_frmautocontrol.moc"
