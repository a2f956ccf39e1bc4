// The main window: menus, toolbar, status bar, child windows and its remembered position.
#include "board/Settings.h"
#include "board/Startup.h"
#include "monitoring/PollingCycle.h"
#include "support/RecordingSplash.h"
#include "support/SimSession.h"
#include "windows/ChildWindow.h"
#include "windows/frmMain.h"

#include <QAccessible>
#include <QFile>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

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

// Runs the event loop for a while the way the program's own loop runs: blocking when idle, so
// timers fire and the master timer is re-armed as it is in the program.
void spin(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

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
        QCOMPARE(captions(m.window.mnuMainAbout->actions()),
                 (QStringList{"&Help", "A&bout the VORTANE Software..."}));
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
        }
        {
            Main m(file);
            QVERIFY(m.window.Form_Load(m.splash));
            m.window.show();
            m.window.move(200, 150);
            m.window.resize(640, 480);
            m.window.close();
        }
        // The store as another program would read it: group, keys and twips as text.
        QFile ini(file);
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[Settings]\nMainHeight=7200\nMainLeft=3000\nMainTop=2250\nMainWidth=9600\n"));
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

    // A message box runs its own event loop, so the master timer fires under it. From the moment
    // a link error is raised nothing may reach the board, whether the message is answered at once
    // or much later; the heater error answered No lets the polling go on afterwards.
    void nothingReachesTheBoardWhileALinkErrorIsShown() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        QVERIFY(m.window.Form_Load(m.splash));
        SetDefaultValues(*m.t.session); // reading on: every tick that runs reads the chip
        m.window.startPolling();
        const auto journalSize = [&m] { return m.t.board->journal().size(); };
        std::size_t underMessage = 0;
        m.t.prompts.whileShown = [&] {
            const std::size_t before = journalSize();
            for (int i = 0; i < 30; ++i) {
                m.t.clock.advance(20);
                spin(10);
            }
            underMessage = journalSize() - before;
        };
        const auto failNextRequest = [&m] { m.t.board->options().failRequestNumber = m.t.board->requestCount() + 1; };

        // The heater error answered No: no tick under the message, polling on afterwards.
        m.t.prompts.answers = {MessageAnswer::No};
        failNextRequest();
        QVERIFY(m.t.session->usb.SetHeater(1, 50) != 0);
        QCOMPARE(underMessage, std::size_t(0));
        const std::size_t afterNo = journalSize();
        m.t.clock.advance(500);
        spin(50);
        QVERIFY(journalSize() > afterNo);

        // Start-up's first flag read fails: nothing after the failed request, the position saved.
        failNextRequest();
        InitDefaults(*m.t.session);
        QCOMPARE(m.t.programEnds, QList<int>{CommunicationsInterrupted});
        QCOMPARE(underMessage, std::size_t(0));
        QVERIFY(m.t.board->journal().back().status != 0);
        const std::size_t atEnd = journalSize();
        m.t.clock.advance(500);
        spin(50);
        QCOMPARE(journalSize(), atEnd);
        QFile ini(dir.filePath(QStringLiteral("s.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[Settings]\nMainHeight=6500\nMainLeft=1000\nMainTop=1000\nMainWidth=6500\n"));
    }

    // A log that can no longer be written: its message comes from the event loop after the tick,
    // once, and the status bar reads "Ready".
    void loggingStoppedIsReportedOutsideTheTick() {
        QTemporaryDir dir;
        Main m(dir.filePath(QStringLiteral("s.ini")));
        auto& d = m.t.session->decl;
        d.LogFileName = dir.filePath(QStringLiteral("missing/log.csv"));
        d.LoggingActive = true;
        m.t.session->setStatusText(QStringLiteral("Logging Enabled"));
        m.polling.Tick(m.t.clock.nowMs());
        QVERIFY(!d.LoggingActive);
        QCOMPARE(m.window.sbPanels[0]->text(), QStringLiteral("Ready"));
        QVERIFY(m.t.prompts.messages.isEmpty());
        QTRY_COMPARE(m.t.prompts.messages.size(), 1);
        QCOMPARE(m.t.prompts.messages[0].text, QStringLiteral("Logging stopped: cannot write to ") + d.LogFileName);
        QCOMPARE(m.t.prompts.messages[0].icon, MessageIcon::Warning);
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
