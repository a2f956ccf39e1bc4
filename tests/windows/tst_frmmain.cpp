// The main window: menus, toolbar, status bar, child windows and its remembered position.
#include "board/Settings.h"
#include "monitoring/PollingCycle.h"
#include "support/RecordingSplash.h"
#include "support/SimSession.h"
#include "windows/ChildWindow.h"
#include "windows/frmMain.h"

#include <QAccessible>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A child window standing in for any real one: counts its loads and unloads.
class CountingWindow final : public ChildWindow {
public:
    CountingWindow(Session& s, PollingCycle& p, int& loads, int& unloads)
        : ChildWindow(s, p), unloads_(unloads) {
        ++loads;
        setWindowTitle(QStringLiteral("Counting"));
        setDesignedSize(4500, 3000);
    }

protected:
    void Form_Unload() override { ++unloads_; }

private:
    int& unloads_;
};

struct Main {
    explicit Main(const QString& settingsFile, SimOptions o = {})
        : t(std::move(o)), polling(*t.session), settings(settingsFile), window(*t.session, polling, settings),
          splash(t.clock) {
        t.session->usb.onProgramEnd = [this](int code) {
            t.programEnds.append(code);
            window.Form_Unload();
        };
    }
    SimSession t;
    PollingCycle polling;
    SettingsStore settings;
    frmMain window;
    RecordingSplash splash;
};

QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        if (!a->isSeparator()) out << a->text();
    return out;
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void menusInOrderWithAccessKeys() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        QCOMPARE(captions(m.window.menuBar()->actions()),
                 (QStringList{"&File", "&View", "&Configuration", "Fan Con&trol", "Boa&rd", "&Window", "&About"}));
        QCOMPARE(captions(m.window.mnuFile->actions()), (QStringList{"&Save/Recall Configuration", "&Log Data to File"}));
        QCOMPARE(captions(m.window.mnuDevice->actions()),
                 (QStringList{"&Register Map", "Gra&phing", "Li&mits, Interrupts"}));
        QCOMPARE(captions(m.window.mnuConfig->actions()),
                 (QStringList{"&General Configuration", "Fa&n Configuration", "GP&IO Configuration",
                              "&Software options"}));
        QCOMPARE(captions(m.window.mnuControl->actions()),
                 (QStringList{"Automatic Fan Control", "Man&ual Fan Control"}));
        QCOMPARE(captions(m.window.mnuBoard->actions()),
                 (QStringList{"E&valuation Board Information", "&On-Board Heater Control"}));
        QCOMPARE(captions(m.window.mnuMainAbout->actions()), QStringList{"A&bout the VORTANE Software..."});
        const char* names[] = {"mnuSave", "mnuLog", "mnuRegMap", "mnuGraph", "mnuLimits", "mnuGeneralConfig",
                               "mnuFanConfig", "mnuGPIO", "mnuSoftware", "mnuAutoControl", "mnuManual",
                               "mnuEvalBoard", "mnuHeaters", "mnuAbout"};
        for (const char* name : names) QVERIFY2(m.window.findChild<QAction*>(QLatin1String(name)), name);
    }

    void toolbarHasNineKeyedButtonsWithToolTipsAndIcons() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        const QList<QAction*> actions = m.window.tbToolBar->actions();
        const QStringList keys{"Save", "Config", "Graphs", "Fan", "Tree", "Limits", "GPIO", "Heaters", "AFC"};
        const QStringList tips{"Save/Recall Configuration", "General Device Configuration", "Temperature/Fan graphs",
                               "Fan Configuration", "Register Map Tree", "Interrupts/Limits", "GPIO Configuration",
                               "Heater Control", "Automatic Fan Control"};
        QCOMPARE(actions.size(), 9);
        for (int i = 0; i < 9; ++i) {
            QCOMPARE(actions[i]->data().toString(), keys[i]);
            QCOMPARE(actions[i]->toolTip(), tips[i]);
            QVERIFY(!actions[i]->icon().isNull());
        }
    }

    void everyCommandIsVisibleToAssistiveTechnology() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        m.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m.window));
        for (QAction* a : m.window.tbToolBar->actions()) {
            QWidget* button = m.window.tbToolBar->widgetForAction(a);
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button);
            QVERIFY(iface);
            QCOMPARE(iface->text(QAccessible::Name), a->toolTip());
        }
        for (QLabel* panel : m.window.sbPanels) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(panel);
            QVERIFY(iface);
            QCOMPARE(iface->text(QAccessible::Name), panel->text());
            QVERIFY(!panel->text().isEmpty());
        }
        QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(m.window.mnuDevice);
        QVERIFY(menu);
        QCOMPARE(menu->child(0)->text(QAccessible::Name), QStringLiteral("Register Map"));
    }

    void windowsThatDoNotExistYetAreDisabled() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        QVERIFY(!m.window.mnuAbout->isEnabled()); // no about window in the program yet
        QVERIFY(m.window.openWindow(QStringLiteral("frmAbout")) == nullptr);
        QVERIFY(m.window.mdiArea->subWindowList().isEmpty());
    }

    void aWindowOpensOnceAndComesToTheFront() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        int loads = 0;
        int unloads = 0;
        m.window.registerWindow(QStringLiteral("frmRegMap"), [&](Session& s, PollingCycle& p) -> ChildWindow* {
            return new CountingWindow(s, p, loads, unloads);
        });
        QVERIFY(m.window.mnuRegMap->isEnabled());
        QAction* tree = m.window.findChild<QAction*>(QStringLiteral("tbToolBar_Tree"));
        QVERIFY(tree->isEnabled());
        m.window.show();
        m.window.mnuRegMap->trigger();
        tree->trigger();
        QCOMPARE(loads, 1);
        QCOMPARE(m.window.mdiArea->subWindowList().size(), 1);
        QMdiSubWindow* frame = m.window.mdiArea->subWindowList().front();
        QCOMPARE(frame->size(), QSize(300, 200)); // designed 4500 x 3000 twips
        frame->close();
        QCOMPARE(unloads, 1);
        QTRY_VERIFY(m.window.findWindow(QStringLiteral("frmRegMap")) == nullptr);
        tree->trigger();
        QCOMPARE(loads, 2);
        // The Window menu lists it and offers cascade and tile.
        Q_EMIT m.window.mnuWindow->aboutToShow();
        const QStringList items = captions(m.window.mnuWindow->actions());
        QCOMPARE(items, (QStringList{"&Cascade", "&Tile", "&1 Counting"}));
        // Closing the main window unloads the child first.
        m.window.close();
        QCOMPARE(unloads, 2);
    }

    void firstRunUsesDefaultPositionAndReopensWhereLeft() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.ini"));
        {
            Main m(file);
            QVERIFY(m.window.Form_Load(m.splash));
            QCOMPARE(m.window.windowTitle(), QStringLiteral("VORTANE Evaluation Software"));
            QCOMPARE(m.window.sbPanels[0]->text(), QStringLiteral("Firmware download succesful"));
            QCOMPARE(m.window.pos(), QPoint(67, 67)); // 1000 twips
            QCOMPARE(m.window.size(), QSize(433, 433));
            m.window.close();
            SettingsStore s(file);
            QCOMPARE(s.readText(SettingsKeys::MainLeft), QStringLiteral("1000"));
            QCOMPARE(s.readText(SettingsKeys::MainHeight), QStringLiteral("6500"));
        }
        {
            Main m(file);
            QVERIFY(m.window.Form_Load(m.splash));
            m.window.show();
            m.window.move(200, 150);
            m.window.resize(640, 480);
            m.window.close();
        }
        SettingsStore s(file);
        QCOMPARE(s.readText(SettingsKeys::MainLeft), QStringLiteral("3000"));
        QCOMPARE(s.readText(SettingsKeys::MainTop), QStringLiteral("2250"));
        QCOMPARE(s.readText(SettingsKeys::MainWidth), QStringLiteral("9600"));
        QCOMPARE(s.readText(SettingsKeys::MainHeight), QStringLiteral("7200"));
        Main m(file);
        QVERIFY(m.window.Form_Load(m.splash));
        QCOMPARE(m.window.pos(), QPoint(200, 150));
        QCOMPARE(m.window.size(), QSize(640, 480));
    }

    void closingWhileMinimisedSavesNothing() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.ini"));
        {
            SettingsStore s(file);
            s.writeText(SettingsKeys::MainLeft, QStringLiteral("1500"));
            s.sync();
        }
        Main m(file);
        QVERIFY(m.window.Form_Load(m.splash));
        m.window.show();
        m.window.move(300, 300);
        m.window.showMinimized();
        QTRY_VERIFY(m.window.isMinimized());
        m.window.close();
        SettingsStore s(file);
        QCOMPARE(s.readText(SettingsKeys::MainLeft), QStringLiteral("1500"));
        QVERIFY(!s.contains(SettingsKeys::MainWidth));
    }

    void storedTextThatIsNotANumberFallsBackToTheDefault() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.ini"));
        {
            SettingsStore s(file);
            s.writeText(SettingsKeys::MainWidth, QStringLiteral("wide"));
            s.sync();
        }
        Main m(file);
        QVERIFY(m.window.Form_Load(m.splash));
        QCOMPARE(m.window.width(), 433);
    }

    void linkErrorAtStartUpStillSavesThePosition() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("s.ini"));
        SimOptions o;
        o.chipAddresses.clear();
        Main m(file, o);
        QVERIFY(!m.window.Form_Load(m.splash));
        QCOMPARE(m.t.programEnds, QList<int>{2});
        SettingsStore s(file);
        QCOMPARE(s.readText(SettingsKeys::MainTop), QStringLiteral("1000"));
    }

    void statusBarShowsDateAndTime() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        QCOMPARE(m.window.sbPanels[0]->text(), QStringLiteral("Status"));
        QCOMPARE(m.window.sbPanels[1]->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QVERIFY(!m.window.sbPanels[2]->text().isEmpty());
        QCOMPARE(m.window.tmrMaster->interval(), 10);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
