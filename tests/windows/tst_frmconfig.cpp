// The general configuration window over the simulated board: what it shows, what its buttons
// write, and OK staying open after a refused entry. The order of the writes is tested in core.
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmConfig.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

namespace {
struct Fixture {
    Fixture() {
        t.connect();
        t.session->options.ReadingEnabled = false;
    }
    frmConfig& open() {
        w = std::make_unique<frmConfig>(*t.session, polling);
        w->show();
        return *w;
    }
    SimSession t;
    PollingCycle polling{*t.session};
    std::unique_ptr<frmConfig> w;
};

void retype(QComboBox* box, const QString& text) {
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), text);
}

QString shown(const frmConfig& w) {
    return QStringLiteral("%1%2 %3 %4 %5 %6 %7")
        .arg(w.chkMonitoring->isChecked())
        .arg(w.chkTODIS->isChecked())
        .arg(w.cmbPin13->currentText())
        .arg(w.chkPowerDown->isChecked())
        .arg(w.cmbGain->currentText(), w.cmbOffset->currentText())
        .arg(w.chkUseDefault->isChecked());
}
} // namespace

class TestFrmConfig : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void applyAndReopen() {
        Fixture f;
        f.t.chip().write(0x7A, 0x80);
        f.t.chip().write(0x7B, 0x20);
        frmConfig& w = f.open();
        QCOMPARE(w.windowTitle(), QStringLiteral("Configuration"));
        QCOMPARE(w.Frame1->title(), QStringLiteral("Device  Settings"));
        QCOMPARE(shown(w), QStringLiteral("10 Full Speed Input 0 2 1 1"));

        QTest::keyClick(w.chkTODIS, Qt::Key_Space);
        w.cmbPin13->setFocus();
        QTest::keyClick(w.cmbPin13, Qt::Key_Down);
        retype(w.cmbGain, QStringLiteral("731"));
        retype(w.cmbOffset, QStringLiteral("406"));
        QTest::keyClick(w.chkUseDefault, Qt::Key_Space);
        QTest::mouseClick(w.cmdApply, Qt::LeftButton);
        QCOMPARE(f.t.requests().size(), 4 + 15);
        QTest::mouseClick(w.cmdCancel, Qt::LeftButton);
        QVERIFY(!w.isVisible());

        QCOMPARE(shown(f.open()), QStringLiteral("11 PEXIL Start Output 0 731 406 0"));
        QCOMPARE((QList<int>{f.t.chip().read(0x40), f.t.chip().read(0x79), f.t.chip().read(0x7E)}),
                 (QList<int>{0x89, 0xB6, 0xFF}));
    }

    void okStaysOpenAfterARefusal() {
        Fixture f;
        frmConfig& w = f.open();
        retype(w.cmbGain, QStringLiteral("1023.5"));
        f.t.board->clearJournal();
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        QCOMPARE(f.t.requests().size(), 4);
        QVERIFY(w.isVisible() && !w.applyFailed());

        retype(w.cmbGain, QStringLiteral("751"));
        retype(w.cmbOffset, QStringLiteral("512"));
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        QVERIFY(w.isVisible());
        QCOMPARE(f.t.chip().read(0x79), 0xBB); // 751 >> 2
        QCOMPARE(f.t.prompts.messages.size(), 2);
        QCOMPARE(f.t.prompts.messages[1].text, QStringLiteral("Offset value must be in the range 0-511"));

        retype(w.cmbOffset, QStringLiteral("421"));
        QTest::mouseClick(w.cmdOK, Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(f.t.prompts.messages.size(), 2);
    }
};

QTEST_MAIN(TestFrmConfig)
#include "tst_frmconfig.moc"
