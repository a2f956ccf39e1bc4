// The general configuration window: what it shows, what its buttons write and in which order,
// and OK staying open after a refused entry.
#include "support/WindowFixture.h"
#include "windows/frmConfig.h"

#include <QLineEdit>
#include <QTest>

namespace {
QString shown(const frmConfig& w) {
    return QString::asprintf("%d%d %s %d %s %s %d", w.chkMonitoring->isChecked(), w.chkTODIS->isChecked(),
                             qPrintable(w.cmbPin13->currentText()), w.chkPowerDown->isChecked(),
                             qPrintable(w.cmbGain->currentText()), qPrintable(w.cmbOffset->currentText()),
                             w.chkUseDefault->isChecked());
}
} // namespace

class TestFrmConfig : public QObject, WindowCase<frmConfig> {
    Q_OBJECT

    // Every control changed by the user: gain 731 = 0xB6 << 2 | 3, offset 406 = 0x32 << 3 | 6.
    void editAll() {
        QTest::keyClick(w->chkMonitoring, Qt::Key_Space);
        QTest::keyClick(w->chkTODIS, Qt::Key_Space);
        QTest::keyClick(w->cmbPin13, Qt::Key_Down);
        retype(w->cmbGain->lineEdit(), QStringLiteral("731"));
        retype(w->cmbOffset->lineEdit(), QStringLiteral("406"));
        QTest::keyClick(w->chkUseDefault, Qt::Key_Space);
        f->forget();
    }

private Q_SLOTS:
    void init() { open({{0x40, 0x7C}, {0x74, 0x95}, {0x7A, 0x95}, {0x7B, 0x3F}, {0x7F, 0x05}}); }

    void openingShowsTheChipsSettings() {
        QCOMPARE(shown(*w), QStringLiteral("01 Full Speed Input 1 2 169 1"));
    }

    // The other bits kept.
    void applyWritesTheEditsInOrder() {
        editAll();
        QTest::mouseClick(w->cmdApply, Qt::LeftButton);
        QCOMPARE(f->journal(),
                 QStringList({readText(0x40), writeText(0x40, 0xF5), readText(0x74), writeText(0x74, 0x95),
                              writeText(0x79, 0xB6), readText(0x7A), writeText(0x7A, 0xD5), readText(0x7A),
                              writeText(0x7A, 0xF2), readText(0x7B), writeText(0x7B, 0xDF),
                              writeText(0x7E, 0xFF), readText(0x7F), writeText(0x7F, 0xC5), readText(0x7F)}));
    }

    // A refused gain or offset keeps the window open; the next OK closes it.
    void okAfterARefusedEntry() {
        for (auto [gain, offset] : {std::pair{"1024", "406"}, {"731", "512"}}) {
            retype(w->cmbGain->lineEdit(), QString::fromLatin1(gain));
            retype(w->cmbOffset->lineEdit(), QString::fromLatin1(offset));
            QTest::mouseClick(w->cmdOK, Qt::LeftButton);
            QVERIFY(w->isVisible() && !w->applyFailed());
        }
        QCOMPARE(f->t.prompts.messages.size(), 2);
        retype(w->cmbOffset->lineEdit(), QStringLiteral("406"));
        QTest::keyClick(w->cmbOffset, Qt::Key_Return); // Enter, in an editable list too, is OK
        QVERIFY(!w->isVisible());
    }

    // OK applies and closes; the next window shows the chip as applied, and its Cancel writes nothing.
    void okThenReopenAndCancel() {
        editAll();
        QTest::mouseClick(w->cmdOK, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QCOMPARE(shown(f->open()), QStringLiteral("10 PEXIL Start Output 1 731 406 0"));
        f->forget();
        QTest::keyClick(f->w->cmbGain, Qt::Key_Escape); // Cancel
        QVERIFY(f->journal().isEmpty() && !f->w->isVisible());
    }
};

QTEST_MAIN(TestFrmConfig)
#include "tst_frmconfig.moc"
