// The general configuration window over the simulated board: what it shows, what its buttons
// write and in which order, and OK staying open after a refused entry.
#include "monitoring/PollingCycle.h"
#include "support/SimSession.h"
#include "windows/frmConfig.h"

#include <QLineEdit>
#include <QTest>

namespace {
QString write(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}
QString read(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}

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
    void editApplyRefuseAndReopen() {
        SimSession t;
        t.connect();
        PollingCycle polling(*t.session);
        for (auto [reg, value] :
             {std::pair{0x40, 0x74}, {0x74, 0x95}, {0x7A, 0x95}, {0x7B, 0x3F}, {0x7F, 0x05}})
            t.chip().write(reg, value);
        auto w = std::make_unique<frmConfig>(*t.session, polling);
        w->show();
        QCOMPARE(shown(*w), QStringLiteral("00 Full Speed Input 1 2 169 1"));
        QTest::keyClick(w->chkMonitoring, Qt::Key_Space);
        QTest::keyClick(w->chkTODIS, Qt::Key_Space);
        QTest::keyClick(w->cmbPin13, Qt::Key_Down);
        retype(w->cmbGain, QStringLiteral("731"));
        retype(w->cmbOffset, QStringLiteral("406"));
        QTest::keyClick(w->chkUseDefault, Qt::Key_Space);
        t.board->clearJournal();
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        // Gain 731 = 0xB6 << 2 | 3, offset 406 = 0x32 << 3 | 6; the other bits kept.
        QCOMPARE(
            t.requestTexts(),
            QStringList({read(0x40), write(0x40, 0xFD), read(0x74), write(0x74, 0x95), write(0x79, 0xB6),
                         read(0x7A), write(0x7A, 0xD5), read(0x7A), write(0x7A, 0xF2), read(0x7B),
                         write(0x7B, 0xDF), write(0x7E, 0xFF), read(0x7F), write(0x7F, 0xC5), read(0x7F)}));

        // A refused gain or offset keeps the window open; the next OK closes it.
        for (auto [gain, offset] : {std::pair{"1024", "406"}, {"731", "512"}}) {
            retype(w->cmbGain, QString::fromLatin1(gain));
            retype(w->cmbOffset, QString::fromLatin1(offset));
            QTest::mouseClick(w->cmdOK, Qt::LeftButton);
            QVERIFY(w->isVisible() && !w->applyFailed());
        }
        QCOMPARE(t.prompts.messages.size(), 2);
        retype(w->cmbOffset, QStringLiteral("406"));
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        QVERIFY(!w->isVisible());

        w = std::make_unique<frmConfig>(*t.session, polling);
        QCOMPARE(shown(*w), QStringLiteral("11 PEXIL Start Output 1 731 406 0"));
        t.board->clearJournal();
        QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
        QVERIFY(t.requests().isEmpty());
    }
};

QTEST_MAIN(TestFrmConfig)
#include "tst_frmconfig.moc"
