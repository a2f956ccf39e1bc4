// The characterisation window inside the main window over the simulated board: a run from the
// Fan Control menu with the keyboard, its result and report, the report in the help browser, and
// the calibrated start duty offered (never written unasked) by the automatic control window.
#include "charts/QCustomPlotHeader.h"
#include "support/WindowFixture.h"
#include "windows/frmAutoControl.h"
#include "windows/frmCharacterisation.h"
#include "windows/frmHelp.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

namespace {
struct Main : MainFixture {
    explicit Main(const QString& ini) : MainFixture(ini, VORTANE_DOCS_DIR) {
        window.Form_Load(splash);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
};

} // namespace

class TestFrmCharacterisation : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void calibrationFromTheMenuToTheReportAndThePWMminOffer() {
        Main m(dir_.filePath("s.ini"));
        auto* item = m.window.findChild<QAction*>(QStringLiteral("mnuCharacterisation"));
        QVERIFY(item);
        QCOMPARE(item->text(), QStringLiteral("&Characterisation"));
        item->trigger();
        auto* w = qobject_cast<frmCharacterisation*>(m.window.findWindow("frmCharacterisation"));
        QVERIFY(w);
        w->reportsRoot = dir_.filePath("reports");
        // Every input is named for a screen reader.
        for (QWidget* c : std::initializer_list<QWidget*>{w->cmbRun, w->txtStep, w->cmbOutput, w->cmbHeater,
                                                          w->txtTolerance, w->prgRun, w->lblResult})
            QVERIFY2(!c->accessibleName().isEmpty(), qPrintable(c->objectName()));
        QCOMPARE(w->cmbRun->accessibleName(), QStringLiteral("Run:"));
        QVERIFY(w->fraFans->isVisible() && !w->fraCurve->isVisible());

        // By keyboard: output 3 instead of 1, then Start.
        w->chkOutput[0]->setFocus();
        QTest::keyClick(w->chkOutput[0], Qt::Key_Space);
        QTest::keyClick(w->chkOutput[2], Qt::Key_Space);
        QVERIFY(!w->chkOutput[0]->isChecked() && w->chkOutput[2]->isChecked());
        const QList<int> before = m.t.chipState();
        const qsizetype messages = m.t.prompts.messages.size();
        w->cmdStart->setFocus();
        QTest::keyClick(w->cmdStart, Qt::Key_Return);
        QCOMPARE(m.t.chipState(), before);
        QCOMPARE(m.t.prompts.messages.size(), messages);
        QVERIFY2(w->lblResult->text().startsWith(QStringLiteral("Output 3: start duty 34 %, stop duty 22 %")),
                 qPrintable(w->lblResult->text()));
        QCOMPARE(w->prgRun->value(), 100);
        QVERIFY(w->lblStatus->text().startsWith(QStringLiteral("Fan calibration: finished; report in ")));
        QVERIFY(w->cmdOpenReport->isEnabled() && !w->cmdStop->isEnabled());
        QVERIFY(w->pctLive->graph(0)->dataCount() > 20);

        // The report opens in the help browser, its charts drawn from the page itself.
        QTest::mouseClick(w->cmdOpenReport, Qt::LeftButton);
        auto* help = qobject_cast<frmHelp*>(m.window.findWindow("frmHelp"));
        QVERIFY(help);
        QTextBrowser* view = help->brwWebBrowser;
        QCOMPARE(view->source(), QUrl::fromLocalFile(w->reportFolder() + QStringLiteral("/report.html")));
        QVERIFY(view->toPlainText().contains(QStringLiteral("Chip restored: yes")));
        int images = 0;
        for (QTextBlock b = view->document()->begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it)
                if (it.fragment().charFormat().isImageFormat()) {
                    const QString name = it.fragment().charFormat().toImageFormat().name();
                    QVERIFY(name.startsWith(QStringLiteral("data:image/png;base64,")));
                    const QImage image = qvariant_cast<QImage>(
                        view->document()->resource(QTextDocument::ImageResource, QUrl(name)));
                    QVERIFY2(image.width() == 800 && image.height() == 450,
                             qPrintable(QString::number(image.width())));
                    ++images;
                }
        QCOMPARE(images, 2);

        // The automatic control window offers 34 % for PWM3 and writes nothing unless confirmed.
        auto* afc = static_cast<frmAutoControl*>(m.window.openWindow(QStringLiteral("AFC")));
        QVERIFY(!afc->cmdCalibrated->isEnabled());
        afc->cmbFan->setCurrentIndex(2);
        QVERIFY(afc->cmdCalibrated->isEnabled());
        const QString was = afc->txtPWMmin->text();
        m.t.board->clearJournal();
        m.t.prompts.answers = {MessageAnswer::No};
        afc->cmdCalibrated->click();
        QCOMPARE(afc->txtPWMmin->text(), was);
        QCOMPARE(
            m.t.prompts.messages.last().text,
            QStringLiteral("Set PWMmin of PWM3 to 34 %, the lowest duty at which the fan calibration saw its "
                           "fan start from standstill?"));
        afc->cmdCalibrated->click();
        QCOMPARE(afc->txtPWMmin->text(), QStringLiteral("34"));
        QVERIFY(m.t.requestTexts().filter(QRegularExpression(QStringLiteral(" 0 0$"))).isEmpty());
        afc->cmdApply->click();
        QCOMPARE(m.t.chip().read(0x6C), 87); // 34 % of 255
    }

    // Cancel, pressed while the run hands the event loop its turn, stops a curve check and puts
    // the chip back, heater included; Escape then closes the window.
    void cancelPutsTheChipBack() {
        Main m(dir_.filePath("c.ini"));
        auto* w =
            static_cast<frmCharacterisation*>(m.window.openWindow(QStringLiteral("frmCharacterisation")));
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
            heaterSeen = std::max(heaterSeen, m.t.board->heaterLevel(2));
            if (heaterSeen > 20 && w->cmdStop->isEnabled()) w->cmdStop->click();
        });
        poke.start(0);
        w->cmdStart->click();
        poke.stop();
        QVERIFY(heaterSeen > 20);
        QCOMPARE(m.t.chipState(), before);
        QVERIFY2(w->lblStatus->text().startsWith(QStringLiteral("Curve check: cancelled")),
                 qPrintable(w->lblStatus->text()));
        QTest::keyClick(w, Qt::Key_Escape);
        QTRY_VERIFY(!m.window.findWindow("frmCharacterisation"));
    }
};

QTEST_MAIN(TestFrmCharacterisation)
#include "tst_frmcharacterisation.moc"
