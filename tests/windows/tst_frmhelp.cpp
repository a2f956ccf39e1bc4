// Help, about, characterisation: manual, start-up choice, links; keyed calibration, report, PWMmin from it.
#include "charts/QCustomPlotHeader.h"
#include "support/Rows.h"
#include "support/WindowFixture.h"
#include "windows/frmAbout.h"
#include "windows/frmAutoControl.h"
#include "windows/frmCharacterisation.h"
#include "windows/frmHelp.h"

#include <QAction>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

namespace {
struct Main : MainFixture {
    explicit Main(const QString& ini, const QString& folder = VORTANE_DOCS_DIR) : MainFixture(ini, folder) {
        window.Form_Load(splash);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    frmHelp* help() { return qobject_cast<frmHelp*>(window.findWindow("frmHelp")); }
};
} // namespace

class TestHelpAndAbout : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString ini() const { return dir_.filePath("s.ini"); }

private Q_SLOTS:
    void helpOpensAtStartUpUntilRefusedAndF1BringsItBack() {
        Main first(ini());
        first.window.showHelpAtStartUp();
        QVERIFY(first.help() && !first.help()->chkHelp->isChecked());
        QTest::mouseClick(first.help()->chkHelp, Qt::LeftButton);
        first.window.close();
        QVERIFY(fileBytes(ini()).contains("\nDisplayHelp=False\n"));
        Main m(ini());
        m.window.showHelpAtStartUp();
        QVERIFY(!m.help());
        m.window.resize(1000, 900);
        QTest::keyClick(&m.window, Qt::Key_F1);
        QVERIFY(m.help() && m.help()->chkHelp->isChecked());
        QWidget* f = m.help()->parentWidget(); // centred across the client area, 100 px above its centre
        const QRect frame = f->geometry(), area = m.window.mdiArea->viewport()->rect();
        QVERIFY(qAbs(frame.left() + frame.right() + 1 - area.width()) <= 1);
        QVERIFY(qAbs(area.height() - (frame.top() + frame.bottom() + 1) - 200) <= 1);
        f->move(5, 7), f->hide(), f->show(); // shown again, as restored, it stays where it was put
        QCOMPARE(f->pos(), QPoint(5, 7));
        m.help()->chkHelp->click(); // stored at every closing
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!m.help());
        QTest::keyClick(&m.window, Qt::Key_F1); // opened again, as it was left
        QVERIFY(fileBytes(ini()).contains("\nDisplayHelp=True\n") && !m.help()->chkHelp->isChecked());
    }

    void everyWindowHasASectionAndEveryLinkLeadsSomewhere() {
        Main m(ini());
        QTextBrowser* view = static_cast<frmHelp*>(m.window.openWindow("Help"))->brwWebBrowser;
        QStringList names, hrefs;
        for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                names += f.anchorNames();
                if (!f.anchorHref().isEmpty()) hrefs << f.anchorHref();
            }
        QVERIFY(names.contains("frmMain"));
        for (const WindowRow& w : WindowTable())
            QVERIFY2(names.contains(w.className), w.className);
        for (const QString& h : hrefs)
            QVERIFY2(h.startsWith("https://") || names.contains(h.mid(1)), qPrintable(h));
        const QUrl page = view->source();
        Q_EMIT view->anchorClicked(QUrl("https://www.heldrix.com/"));
        QCOMPARE(view->source(), page); // a web page goes to the browser, never into the help view
        view->setFocus();
        QTest::keySequence(view, QKeySequence("Tab, Return")); // the first link: Getting started
        QCOMPARE(m.t.prompts.openedUrls << view->source().fragment(),
                 QStringList({"https://www.heldrix.com/", "start"}));
        QTemporaryDir empty(QDir::temp().filePath("help <b>-XXXXXX")); // a folder named like HTML
        Main missing(ini(), empty.path());
        view = static_cast<frmHelp*>(missing.window.openWindow("Help"))->brwWebBrowser;
        QVERIFY(view->toPlainText().contains(QDir::toNativeSeparators(empty.filePath("VORTANEHelp.htm"))));
    }

    void aboutLinksOpenInOrderAndTurnPurple() {
        Main m(ini());
        auto* about = static_cast<frmAbout*>(m.window.openWindow("frmAbout"));
        const auto colour = [](QLabel* l) { return l->palette().color(l->foregroundRole()); };
        QTest::mouseClick(about->lblDeviceInfo, Qt::LeftButton);
        QCOMPARE(colour(about->lblSensorInfo), QColor(0, 0, 192));
        about->lblDeviceInfo->setFocus();
        for (int key : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Return})
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        auto* link = QAccessible::queryAccessibleInterface(about->lblDeviceInfo)->actionInterface();
        link->doAction(QAccessibleActionInterface::pressAction()); // as a screen reader presses it
        QCOMPARE(m.t.prompts.openedUrls,
                 (QStringList{"https://www.heldrix.com/products/vortane",
                              "https://www.heldrix.com/products/temperature-sensors",
                              "https://www.heldrix.com/", "https://www.heldrix.com/products/vortane"}));
        for (QLabel* l : {about->lblDeviceInfo, about->lblSensorInfo, about->Label6})
            QCOMPARE(colour(l), QColor(128, 0, 128));
    }

    void calibrationFromTheMenuToTheReportAndThePWMminOffer() {
        Main m(dir_.filePath("k.ini"));
        m.window.findChild<QAction*>(QStringLiteral("mnuCharacterisation"))->trigger();
        auto* w = qobject_cast<frmCharacterisation*>(m.window.findWindow("frmCharacterisation"));
        QCOMPARE(w->reportsRoot, VORTANE_DOCS_DIR "/VORTANE reports"); // where the file dialogs open
        w->reportsRoot = dir_.filePath("reports");

        w->chkOutput[2]->setFocus(); // by keyboard: output 3 besides 1, then Start
        QTest::keyClick(w->chkOutput[2], Qt::Key_Space);
        const QList<int> before = m.t.chipState();
        const qsizetype messages = m.t.prompts.messages.size();
        QSignalSpy drawn(w->pctLive, &QCustomPlot::afterReplot); // the live chart follows the run, in seconds
        w->cmdStart->setFocus(), QTest::keyClick(w->cmdStart, Qt::Key_Return);
        // The result can be selected by keyboard, to copy.
        QTest::keySequence(w->lblResult, QKeySequence("Ctrl+Home, Ctrl+Shift+End"));
        QCOMPARE(std::tuple(m.t.chipState(), m.t.prompts.messages.size(), w->prgRun->value(),
                            w->lblResult->selectedText().left(41), w->lblStatus->text().left(37)),
                 std::tuple(before, messages, 100,
                            QStringLiteral("Output 1: start duty 30 %, stop duty 18 %"),
                            QStringLiteral("Fan calibration: finished; report in ")));
        QVERIFY(w->cmdOpenReport->isEnabled() && !w->cmdStop->isEnabled() && drawn.count() > 10 &&
                w->pctLive->graph(0)->dataCount() > 20 && w->pctLive->xAxis->range().upper < 3600 &&
                w->pctLive->yAxis->label() == "Speed (RPM)" &&
                w->lblResult->text().contains(u"\nOutput 3: ")); // a line each

        // The report opens in the help browser, its charts drawn from the page itself.
        QTest::mouseClick(w->cmdOpenReport, Qt::LeftButton);
        QTextBrowser* view = m.help()->brwWebBrowser;
        QCOMPARE(view->source(), QUrl::fromLocalFile(w->reportFolder() + QStringLiteral("/report.html")));
        QVERIFY(view->toPlainText().contains(QStringLiteral("Chip restored: yes")));
        QStringList images; // each as its URL's scheme and the size of the picture it holds
        for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (const QString name = it.fragment().charFormat().toImageFormat().name(); !name.isEmpty()) {
                    const QImage image = qvariant_cast<QImage>(
                        view->document()->resource(QTextDocument::ImageResource, QUrl(name)));
                    images << name.section(u',', 0, 0) +
                                  QStringLiteral(" %1x%2").arg(image.width()).arg(image.height());
                }
        QCOMPARE(images, QStringList(4, "data:image/png;base64 800x450")); // two charts a fan

        // The automatic control window offers 34 % for PWM3 and writes nothing unless confirmed.
        auto* afc = static_cast<frmAutoControl*>(m.window.openWindow(QStringLiteral("AFC")));
        afc->cmbFan->setCurrentIndex(1); // PWM2's fan was not calibrated
        QVERIFY(!afc->cmdCalibrated->isEnabled());
        afc->cmbFan->setCurrentIndex(2);
        QVERIFY(afc->cmdCalibrated->isEnabled());
        const QString was = afc->txtPWMmin->text();
        m.t.board->clearJournal();
        m.t.prompts.answers = {MessageAnswer::No};
        afc->cmdCalibrated->click();
        QCOMPARE(std::pair(afc->txtPWMmin->text(), m.t.prompts.messages.last().text),
                 std::pair(was, QStringLiteral("Set PWMmin of PWM3 to 34 %, the lowest duty at which the fan "
                                               "calibration saw its fan start from standstill?")));
        afc->cmdCalibrated->click();
        QCOMPARE(afc->txtPWMmin->text(), QStringLiteral("34"));
        QVERIFY(m.t.requestTexts().filter(QRegularExpression(QStringLiteral(" 0 0$"))).isEmpty());
        afc->cmdApply->click();
        QCOMPARE(m.t.chip().read(0x6C), 87); // 34 % of 255
    }

    // Cancel, pressed under the run's event loop, stops a curve check, the chip and heater put back.
    void cancelPutsTheChipBack_data() { addRows<bool>({{"Stop", false}, {"closing the window", true}}); }
    void cancelPutsTheChipBack() {
        const bool closing = fetchRow<bool>();
        Main m(dir_.filePath("c.ini"));
        auto* w = static_cast<frmCharacterisation*>(m.window.openWindow("frmCharacterisation"));
        w->reportsRoot = dir_.filePath("reports");
        w->cmbRun->setCurrentIndex(1);
        QVERIFY(!w->fraFans->isVisible() && w->fraCurve->isVisible());
        w->cmbHeater->setCurrentIndex(1);
        m.t.usb().SetHeater(2, 20);
        const QList<int> before = m.t.chipState();
        int heaterSeen = 0;
        QTimer poke;
        connect(&poke, &QTimer::timeout, w, [&] {
            // Once the run has driven the heater past what it was, the user cancels.
            heaterSeen = std::max(heaterSeen, m.t.board->heaterLevels()[1]);
            if (heaterSeen > 20 && w->cmdStop->isEnabled()) closing ? void(w->close()) : w->cmdStop->click();
        });
        poke.start(0);
        w->cmdStart->click();
        poke.stop();
        QVERIFY(heaterSeen > 20 && m.t.chipState() == before);
        if (!closing) { // a closed window goes once the run is over
            QVERIFY(w->lblStatus->text().startsWith("Curve check: cancelled") && w->prgRun->value() > 0 &&
                    w->prgRun->value() < 100); // the bar stays where the run stopped
            w->cmbRun->setCurrentIndex(2);     // the next run is not cancelled by the last one's Stop
            QVERIFY(!w->fraFans->isVisible() && !w->fraCurve->isVisible()); // the limit run has no choices
            m.t.chip().write(0x45, 40);
            w->cmdStart->click();
            QCOMPARE(w->lblStatus->text().section(u';', 0, 0), QStringLiteral("Limit trip points: finished"));
            QTimer::singleShot(0, w->cmdStop, &QPushButton::click); // stopped at once: no result to give
            w->cmdStart->click();
            QCOMPARE(w->lblStatus->text().left(28) + w->lblResult->text(), "Limit trip points: cancelled");
            QTest::keyClick(w, Qt::Key_Escape);
        }
        QTRY_VERIFY(!m.window.findWindow("frmCharacterisation"));
    }

    // The curve check and the limit trips run to their end from the window: each result as the user reads it.
    void curveCheckAndLimitTripsResults() {
        Main m(dir_.filePath("r.ini"));
        auto* w = static_cast<frmCharacterisation*>(m.window.openWindow("frmCharacterisation"));
        w->reportsRoot = dir_.filePath("reports");
        // Limits Temp1 high 40 °C, Temp2 low 27 °C, Temp3 high (no heater); PWM1 a GPIO: output 3 checked.
        writeAll(m.t.chip(), {{0x45, 40}, {0x46, 27}, {0x49, 50}, {0x7F, 0x08}});
        w->txtTolerance->setValue(0.5);
        w->cmbOutput->setCurrentIndex(2);
        QStringList results;
        bool stale = false; // the last run's report or result, while the next one runs
        QTimer poke;
        connect(&poke, &QTimer::timeout, w, [&] {
            stale |=
                w->cmdStop->isEnabled() && (w->cmdOpenReport->isEnabled() || !w->lblResult->text().isEmpty());
        });
        poke.start(0);
        for (int run : {1, 2}) {
            w->cmbRun->setCurrentIndex(run);
            w->cmdStart->click();
            results << w->lblStatus->text().section(u';', 0, 0) << w->lblResult->text();
        }
        w->cmbRun->setCurrentIndex(1), w->cmbOutput->setCurrentIndex(0), w->cmdStart->click(); // PWM1 a GPIO
        results << w->lblStatus->text(); // refused: nothing to report
        QVERIFY(!stale);
        QCOMPARE(results,
                 QStringList({"Curve check: finished", "FAIL: largest deviation 0.7 points (tolerance 0.5)",
                              "Limit trip points: finished",
                              "Temp1 high limit 40 °C: set at 41, cleared at 40\n"
                              "Temp2 low limit 27 °C: set at 26, cleared at 27",
                              "Curve check: refused (PWM output 1 is used as a GPIO pin)"}));
    }
};

QTEST_MAIN(TestHelpAndAbout)
#include "tst_frmhelp.moc"
