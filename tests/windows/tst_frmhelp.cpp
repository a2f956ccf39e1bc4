// The help and about windows: the manual beside the program, the start-up choice, the maker's links.
#include "support/WindowFixture.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"
#include "windows/frmSplash.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

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
        // Centred across the client area, 1500 twips (100 px) above its centre.
        const QRect frame = m.help()->parentWidget()->geometry();
        const QSize area = m.window.mdiArea->viewport()->size();
        QVERIFY(qAbs(frame.left() + frame.right() + 1 - area.width()) <= 1);
        QVERIFY(qAbs(area.height() - (frame.top() + frame.bottom() + 1) - 200) <= 1);
        m.help()->chkHelp->click();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W,
                        Qt::ControlModifier); // stored at every closing
        QTRY_VERIFY(!m.help());
        QVERIFY(fileBytes(ini()).contains("\nDisplayHelp=True\n"));
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
        QTest::keyClick(view, Qt::Key_Tab); // the first link: Getting started
        QTest::keyClick(view, Qt::Key_Return);
        QCOMPARE(view->source().fragment(), "start");
        QCOMPARE(m.t.prompts.openedUrls, QStringList{"https://www.heldrix.com/"});
        QTemporaryDir empty;
        Main missing(ini(), empty.path());
        view = static_cast<frmHelp*>(missing.window.openWindow("Help"))->brwWebBrowser;
        QVERIFY(view->toPlainText().contains(QDir::toNativeSeparators(empty.filePath("VORTANEHelp.htm"))));
    }

    void aboutShowsTheSplashVersionAndItsLinksOpenInOrderAndTurnPurple() {
        Main m(ini());
        auto* about = static_cast<frmAbout*>(m.window.openWindow("frmAbout"));
        QCOMPARE(about->Label1->text(),
                 "VORTANE Evaluation Software " + frmSplash().lblVersion->text() + " ");
        const auto colour = [](QLabel* l) { return l->palette().color(l->foregroundRole()); };
        QTest::mouseClick(about->lblDeviceInfo, Qt::LeftButton);
        QCOMPARE(colour(about->lblSensorInfo), QColor(0, 0, 192));
        about->lblDeviceInfo->setFocus();
        for (int key : {Qt::Key_Tab, Qt::Key_Space, Qt::Key_Tab, Qt::Key_Return})
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QCOMPARE(m.t.prompts.openedUrls,
                 (QStringList{MakerPages::Product, MakerPages::Sensors, MakerPages::Home}));
        for (QLabel* l : {about->lblDeviceInfo, about->lblSensorInfo, about->Label6})
            QCOMPARE(colour(l), QColor(128, 0, 128));
    }
};

QTEST_MAIN(TestHelpAndAbout)
#include "tst_frmhelp.moc"
