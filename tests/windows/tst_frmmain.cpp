// The main window: menus, toolbar, child windows, its remembered place, the board under a message.
#include "board/Startup.h"
#include "support/WindowFixture.h"
#include "windows/ChildWindow.h"
#include "windows/QtPrompts.h"
#include "windows/widgets/UpDown.h"

#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
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
    int& unloads_;
};

// Moves the clock on, then runs the event loop as the program's does, so the master timer re-arms.
void spin(ManualClock& clock, std::int64_t advanceMs, int ms) {
    clock.advance(advanceMs);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Reachable unnamed elements (focusable, or a control by role) as "window role objectName"; items by text.
void unnamedControls(QAccessibleInterface* parent, const QString& window, QStringList& unnamed) {
    using A = QAccessible;
    static const QList<A::Role> controls{A::PushButton,   A::CheckBox,   A::RadioButton, A::ComboBox,
                                         A::EditableText, A::SpinBox,    A::Slider,      A::Dial,
                                         A::PageTab,      A::ButtonMenu, A::Link,        A::MenuItem};
    for (int i = 0; i < parent->childCount(); ++i) {
        QAccessibleInterface* child = parent->child(i);
        const bool dropDown = parent->role() == A::ComboBox && child->role() == A::List;
        if ((child->state().focusable || controls.contains(child->role())) && !dropDown &&
            child->text(A::Name).trimmed().isEmpty())
            unnamed << window + u' ' + QString::number(child->role()) + u' ' + child->object()->objectName();
        if (!QList<A::Role>{A::List, A::Tree, A::Table}.contains(child->role()))
            unnamedControls(child, window, unnamed);
    }
}

const QString AccessibleFolder = QStringLiteral(VORTANE_TEST_DATA "/accessible");

// One line a node, indented by its depth, with what a screen reader can do with it; geometry, focus left out.
void walk(QAccessibleInterface* node, int depth, QStringList& out) {
    const QAccessible::State s = node->state();
    const std::pair<bool, const char*> flags[]{{s.disabled, "disabled"},  {s.checkable, "checkable"},
                                               {s.checked, "checked"},    {s.focusable, "focusable"},
                                               {s.readOnly, "read-only"}, {s.invisible, "invisible"}};
    QStringList states;
    for (const auto& [on, name] : flags)
        if (on) states << QLatin1String(name);
    QString value = node->text(QAccessible::Value);
    if (node->role() == QAccessible::StaticText || node->role() == QAccessible::Clock) value.clear();
    if (const QAccessibleValueInterface* v = node->valueInterface()) // the range it takes, and its least step
        value += QStringLiteral(" (%1..%2 by %3)")
                     .arg(v->minimumValue().toString(), v->maximumValue().toString(),
                          v->minimumStepSize().toString());
    if (const QString keys = node->text(QAccessible::Accelerator); !keys.isEmpty())
        value += " <" + keys + '>';
    if (const QAccessibleActionInterface* a = node->actionInterface(); a && !a->actionNames().isEmpty())
        value += QStringLiteral(" {%1}").arg(a->actionNames().join(u','));
    for (const auto& [label, relation] : node->relations(QAccessible::Label)) // the label naming it
        if (qobject_cast<const QLabel*>(label->object())) value += " by " + label->object()->objectName();
    if (const auto* u = qobject_cast<const UpDown*>(node->object())) // the box's arrows: the range, the step
        value += QStringLiteral(" (%1..%2 by %3)").arg(u->minimum()).arg(u->maximum()).arg(u->increment());
    out << QString(depth * 2, u' ') +
               QStringLiteral("%1 %2 \"%3\" \"%4\" \"%5\" [%6]")
                   .arg(qAccessibleRoleString(node->role()),
                        node->object() ? node->object()->objectName() : "-", node->text(QAccessible::Name),
                        node->text(QAccessible::Description), value, states.join(u' '));
    for (int i = 0; i < node->childCount(); ++i)
        if (QAccessibleInterface* child = node->child(i)) walk(child, depth + 1, out);
}

// The controls Tab visits from the window's first one, by object name, until it comes round.
QStringList tabOrder(QWidget* window) {
    QStringList out;
    QWidget* w = window;
    do {
        w = w->nextInFocusChain();
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled() &&
            window->isAncestorOf(w))
            out << (w->objectName().isEmpty() ? QLatin1String(w->metaObject()->className())
                                              : w->objectName());
    } while (w != window && out.size() < 400);
    return out;
}

// A widget's place in its parent: a label by its drawn text (scale labels may overhang, touch), else its box.
QRect drawn(const QWidget* w) {
    const auto* label = qobject_cast<const QLabel*>(w);
    if (!label || label->text().isEmpty()) return w->geometry();
    const QSize text = label->fontMetrics().size(Qt::TextShowMnemonic, label->text());
    return QStyle::alignedRect(label->layoutDirection(), label->alignment(), text, label->contentsRect())
        .translated(w->pos());
}

// Widgets overlapping by over 2 px (a font's line spacing) as "window a b": one left out sits at the corner.
void overlapping(const QWidget* parent, const QString& window, QStringList& out) {
    QList<const QWidget*> shown;
    for (const QObject* o : parent->children())
        if (const auto* w = qobject_cast<const QWidget*>(o); w && w->isVisible() && !w->isWindow())
            shown << w;
    for (qsizetype a = 0; a < shown.size(); ++a) {
        for (qsizetype b = a + 1; b < shown.size(); ++b)
            if (const QRect both = drawn(shown[a]) & drawn(shown[b]); both.width() > 2 && both.height() > 2)
                out << QStringLiteral("%1 %2 %3").arg(window, shown[a]->objectName(), shown[b]->objectName());
        overlapping(shown[a], window, out);
    }
}

// A menu's captions, the checked one marked with a star, a separator as "-".
QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (QAction* a : actions)
        out << (a->isSeparator() ? "-" : a->text() + (a->isChecked() ? "*" : ""));
    return out;
}
} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int loads = 0;
    int unloads = 0;
    QString ini() const { return dir_.filePath(QStringLiteral("s.ini")); }
    // A counting window in the place of the register map, opened from the menu.
    QMdiSubWindow* openCounting(MainFixture& m) {
        const bool replaced =
            m.window.replaceWindowFactory(QStringLiteral("frmRegMap"), [this](const WindowContext& c) {
                return static_cast<ChildWindow*>(new CountingWindow(c.session, c.polling, loads, unloads));
            });
        if (!replaced) QTest::qFail("frmRegMap is not in the window table", __FILE__, __LINE__);
        m.window.show();
        m.window.mnuRegMap->trigger();
        return m.window.mdiArea->subWindowList().value(0);
    }

private Q_SLOTS:
    void init() { QFile::remove(ini()), loads = unloads = 0; }

    // Closing its frame unloads a window, loaded again by the next open; closing the main window too.
    void menuAndToolbarOpenAWindowOnceAtItsDesignedSizeClosingUnloadsIt() {
        MainFixture m(ini());
        QAction* tree = m.window.findChild<QAction*>(QStringLiteral("tbToolBar_Tree"));
        QVERIFY(m.window.mnuRegMap->isEnabled() && tree->isEnabled());
        QMdiSubWindow* frame = openCounting(m);
        tree->trigger(); // designed 4500 x 3000 twips
        QCOMPARE(std::tuple(loads, m.window.mdiArea->subWindowList().size(), frame->size()),
                 std::tuple(1, qsizetype(1), QSize(300, 200)));
        const QString about =
            m.window.openWindow(QStringLiteral("frmAbout"))->windowTitle(); // shown last: active
        Q_EMIT m.window.mnuWindow->aboutToShow();
        QCOMPARE(captions(m.window.mnuWindow->actions()).mid(2),
                 (QStringList{"-", "&1 Counting", "&2 " + about + '*'}));
        frame->showMinimized(), tree->trigger(); // opened again: to the front, minimised no more
        Q_EMIT m.window.mnuWindow->aboutToShow();
        QCOMPARE(std::pair(captions(m.window.mnuWindow->actions()), frame->isMinimized()),
                 std::pair(QStringList{"&Cascade", "&Tile", "-", "&1 Counting*", "&2 " + about}, false));
        frame->close();
        QCOMPARE(unloads, 1);
        QTRY_VERIFY(m.window.findWindow(QStringLiteral("frmRegMap")) == nullptr);
        tree->trigger();
        m.t.session->decl.LoggingActive = true; // a data log still running ends with the program
        m.window.close();
        QCOMPARE(std::tuple(loads, unloads, m.t.session->decl.LoggingActive), std::tuple(2, 2, false));
    }

    // The store as another program would read it: group, keys and twips as text.
    void firstRunUsesDefaultPositionAndReopensWhereLeft() {
        {
            MainFixture m(ini());
            QVERIFY(m.window.Form_Load(m.splash));
            QCOMPARE(QRect(m.window.pos(), m.window.size()), QRect(67, 67, 433, 433)); // 1000, 6500 twips
            m.window.show();
            m.window.move(100, 60);
            m.window.resize(640, 480);
            m.window.close();
        }
        QCOMPARE(fileBytes(ini()),
                 QByteArray("[Settings]\nMainHeight=7200\nMainLeft=1500\nMainTop=900\nMainWidth=9600\n"));
        MainFixture m(ini());
        QVERIFY(m.window.Form_Load(m.splash));
        QCOMPARE(QRect(m.window.pos(), m.window.size()), QRect(100, 60, 640, 480));
    }

    // Named by no option, the store is the user's, where the desktop keeps each program's settings.
    void theStoreIsTheUsersByDefault() {
        QStandardPaths::setTestModeEnabled(true);
        const QString file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                             "/VORTANE Evaluation Software/VORTANE Evaluation Software.ini";
        QFile::remove(file);
        SettingsStore().writeText("DisplayHelp", "0");
        QCOMPARE(fileBytes(file), QByteArray("[Settings]\nDisplayHelp=0\n"));
    }

    // Text that is not a number falls back to the default; closing minimised saves nothing.
    void badStoredTextAndClosingMinimised() {
        const QByteArray stored(
            "[Settings]\nMainLeft=1500\nMainWidth=wide\nDisplayHelp=\" FALSE \"\nAlarmSound=tRUE\n");
        QVERIFY(writeFile(ini(), stored));
        MainFixture m(ini());
        QVERIFY(m.window.Form_Load(m.splash)); // flags in any case, with blanks
        QVERIFY(m.window.width() == 433 && !m.t.session->decl.DisplayHelp && m.t.session->alarmOptions.sound);
        m.window.show();
        m.window.move(300, 300);
        m.window.showMinimized();
        QTRY_VERIFY(m.window.isMinimized());
        m.window.close();
        QCOMPARE(fileBytes(ini()), stored);
    }

    // Every window as a screen reader, keyboard and board meet it: controls named; tree, Tab order, requests
    // as stored (VORTANE_UPDATE_LOOK=1 rewrites); no overlaps; Escape closing with Cancel, Close, lone OK.
    void everyWindowNamesItsControlsAndClosesOnEscape() {
        MainFixture m(ini());
        QVERIFY(m.window.Form_Load(m.splash));
        m.window.show();
        for (int i = 0; i < RegisterCount; ++i) // every writable register apart from its neighbours
            if (const int a = RegisterAt(i).Address; !RegisterAt(i).ReadOnly)
                m.t.chip().write(a, (a * 37 + 11) % 256);
        writeAll(m.t.chip(), {{0x40, 0x01}, {0x74, 0x00}}); // monitoring on, the chip not shut down
        QStringList unnamed, escapeMissed, overlaps, treesDiffer;
        // As a screen reader meets a window at first, against its text in data/accessible.
        const auto sameTree = [&](QWidget* w, const QString& name) {
            unnamedControls(QAccessible::queryAccessibleInterface(w), name, unnamed);
            QStringList tree;
            walk(QAccessible::queryAccessibleInterface(w), 0, tree);
            tree << QStringLiteral("Tab: ") + tabOrder(w).join(u' ') << "Wire:" << m.t.requestTexts();
            const QByteArray got = tree.join(u'\n').toUtf8() + '\n';
            const QString file = AccessibleFolder + u'/' + name + QStringLiteral(".txt");
            if (qEnvironmentVariableIntValue("VORTANE_UPDATE_LOOK") == 1)
                QVERIFY(QDir().mkpath(AccessibleFolder) && writeFile(file, got));
            else if (fileBytes(file) != got && writeFile(QStringLiteral("accessible-%1.txt").arg(name), got))
                treesDiffer << name + QStringLiteral(" (now: build/tests/accessible-%1.txt)").arg(name);
        };
        m.window.sbPanels[1]->setText("7 Dec 2026"), m.window.sbPanels[2]->setText("15:48:30");
        sameTree(&m.window, QStringLiteral("frmMain"));
        for (const WindowRow& row : WindowTable()) {
            const QString name = QLatin1String(row.className);
            m.t.board->clearJournal(); // what opening it and one tick ask of the board
            ChildWindow* w = m.window.openWindow(name);
            QCOMPARE(w->objectName(), name);         // as the window table names it
            m.t.clock.advance(PollingCycle::TickMs); // one tick: the window's live values
            m.polling.Tick(m.t.clock.nowMs());
            sameTree(w, name);
            overlapping(w, name, overlaps);
            for (QTabWidget* tabs : w->findChildren<QTabWidget*>())
                for (int page = 1; page < tabs->count(); ++page) {
                    tabs->setCurrentIndex(page);
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                    overlapping(tabs->widget(page), name + u'/' + tabs->tabText(page), overlaps);
                }
            QStringList buttons;
            for (const QPushButton* b : w->findChildren<QPushButton*>())
                buttons << b->text();
            QTest::keyClick(w, Qt::Key_Escape);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            if (!m.window.findWindow(name) !=
                (buttons.contains("Cancel") || buttons.contains("Close") || buttons == QStringList{"OK"}))
                escapeMissed << name;
        }
        for (const WindowRow& row : WindowTable()) // all open: from the tenth on, no mnemonic
            m.window.openWindow(QLatin1String(row.className));
        Q_EMIT m.window.mnuWindow->aboutToShow();
        QCOMPARE(captions(m.window.mnuWindow->actions()).mid(11, 2),
                 (QStringList{"&9 GPIO", "10 Software Options"}));
        QCOMPARE((unnamed + overlaps + escapeMissed + treesDiffer).join(u'\n'), QString());
    }

    // A place off the screen (a removed monitor) comes back on it, at a size that fits; closed, no polling.
    void aStoredPlaceOffTheScreenComesBackOnIt() {
        QVERIFY(writeFile(ini(),
                          "[Settings]\nMainHeight=99000\nMainLeft=45000\nMainTop=-3000\nMainWidth=6000\n"));
        MainFixture m(ini());
        QVERIFY(m.window.Form_Load(m.splash));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QRect placed(screen.right() + 1 - 400, screen.top(), 400, screen.height());
        QCOMPARE(QRect(m.window.pos(), m.window.size()), placed);
        SetDefaultValues(*m.t.session); // reading on
        m.window.startPolling();
        m.window.close();
        const std::size_t closedAt = m.t.board->journal().size();
        spin(m.t.clock, 500, 50);
        QCOMPARE(m.t.board->journal().size(), closedAt);
        QCOMPARE(QString::fromLatin1(fileBytes(ini())),
                 QString::asprintf("[Settings]\nMainHeight=%d\nMainLeft=%d\nMainTop=%d\nMainWidth=6000\n",
                                   placed.height() * 15, placed.x() * 15, placed.y() * 15));
    }

    // The master timer sleeps until the next task; a sooner one wakes it. Under a message box's loop, from a
    // link error on nothing reaches the board however late the answer; No to a heater error: polling goes on.
    void theMasterTimerWakesForASoonerTaskAndNothingReachesTheBoardWhileALinkErrorIsShown() {
        MainFixture m(ini());
        QVERIFY(m.window.Form_Load(m.splash));
        SetDefaultValues(*m.t.session); // reading on: every tick that runs reads the chip
        m.t.session->options.ReadInterval = 60000;
        m.window.startPolling();
        const auto journalSize = [&m] { return m.t.board->journal().size(); };
        spin(m.t.clock, 0, 20); // the first group read, then nothing for a minute
        const std::size_t first = journalSize();
        spin(m.t.clock, 200, 20);
        QCOMPARE(journalSize(), first);
        for (const bool held : {true, false}) { // stopped while a window holds the cycle, then armed again
            const auto pause = held ? std::make_unique<PollingCycle::Pause>(m.polling) : nullptr;
            Q_EMIT QAbstractEventDispatcher::instance()->aboutToBlock();
            QCOMPARE(m.window.tmrMaster->isActive(), !held);
        }
        m.t.session->options.ReadInterval = 100; // due 100 ms ago: the timer fires at once, then on the grid
        Q_EMIT QAbstractEventDispatcher::instance()->aboutToBlock();
        QCOMPARE(m.window.tmrMaster->interval(), 0);
        spin(m.t.clock, 0, 50);
        QVERIFY(journalSize() > first && m.window.tmrMaster->interval() == 100);

        std::size_t underMessage = 0;
        m.t.prompts.whileShown = [&] {
            const std::size_t before = journalSize();
            for (int i = 0; i < 30; ++i)
                spin(m.t.clock, 20, 10);
            underMessage = journalSize() - before;
        };

        m.t.prompts.answers = {MessageAnswer::No};
        m.t.failNextRequest();
        QVERIFY(m.t.session->usb.SetHeater(1, 50) != 0 && underMessage == 0);
        const std::size_t afterNo = journalSize();
        spin(m.t.clock, 500, 50);
        QVERIFY(journalSize() > afterNo);

        // Start-up's first flag read fails: nothing after the failed request, the position saved.
        m.t.failNextRequest();
        InitDefaults(*m.t.session);
        QCOMPARE(m.t.programEnds, QList<int>{CommunicationsInterrupted});
        QCOMPARE(fileBytes(ini()), // on disk at once: the program ends without another turn of its event loop
                 QByteArray("[Settings]\nMainHeight=6500\nMainLeft=1000\nMainTop=1000\nMainWidth=6500\n"));
        QVERIFY(underMessage == 0 && m.t.board->journal().back().status != 0);
        const std::size_t atEnd = journalSize();
        spin(m.t.clock, 500, 50);
        QVERIFY(journalSize() == atEnd && m.t.session->usb.SetHeater(2, 10) != 0); // refused, not sent
    }

    // The active alarms in red in the status bar, as the chip shows them, unless the options say not.
    void alarmsInTheStatusBar() {
        for (const bool shown : {true, false}) {
            QVERIFY(writeFile(ini(), shown ? "" : "[Settings]\nAlarmMainWindow=False\n"));
            MainFixture m(ini());
            QVERIFY(m.window.Form_Load(m.splash));
            SetDefaultValues(*m.t.session);
            writeAll(m.t.chip(), {{0x45, 20}, {0x47, 20}}); // high limits of Temp 1 and 2 below 25 °C
            runPolling(m.t.clock, m.polling, 1100);
            QCOMPARE(std::pair(m.window.sbAlarms->isHidden(),
                               m.window.sbAlarms->grab().toImage().pixelColor(2, 2)),
                     std::pair(!shown, QColor(0xC0, 0, 0))); // white on red
            QCOMPARE(m.window.sbAlarms->text(), shown ? QStringLiteral("Alarm: Temp 1, Temp 2") : QString());
            writeAll(m.t.chip(), {{0x45, 127}});
            runPolling(m.t.clock, m.polling, 1000);
            QCOMPARE(m.window.sbAlarms->text(), shown ? QStringLiteral("Alarm: Temp 2") : QString());
            m.t.session->options.ReadingEnabled = false; // no longer read: the entry goes with the clock
            QTRY_VERIFY(m.window.sbAlarms->isHidden());
        }
    }

    // A message as seen: the title, its kind's icon, buttons, the reason under "Show Details"; a file filter.
    void messagesAsShown() {
        QCOMPARE(QtNameFilter("CSV (*.csv)|*.csv|All (*.*)|*.*"), "CSV (*.csv);;All (*.*)");
        using Box = QMessageBox;
        using Row = std::tuple<MessageIcon, MessageButtons, Box::Icon, Box::StandardButton, MessageAnswer>;
        for (const auto& [kind, asked, shownIcon, press, answer] :
             {Row{MessageIcon::Critical, MessageButtons::Ok, Box::Critical, Box::Ok, MessageAnswer::Ok},
              Row{MessageIcon::Warning, MessageButtons::Ok, Box::Warning, Box::Ok, MessageAnswer::Ok},
              Row{MessageIcon::Information, MessageButtons::Ok, Box::Information, Box::Ok, MessageAnswer::Ok},
              Row{MessageIcon::None, MessageButtons::YesNo, Box::NoIcon, Box::No, MessageAnswer::No},
              Row{MessageIcon::None, MessageButtons::YesNo, Box::NoIcon, Box::Yes, MessageAnswer::Yes}}) {
            QStringList shown; // title, text, details, icon, buttons
            QTimer poll;       // until the box is up
            connect(&poll, &QTimer::timeout, [&, press = press] {
                if (auto* box = qobject_cast<Box*>(QApplication::activeModalWidget())) {
                    poll.stop();
                    shown << box->windowTitle() << box->text() << box->detailedText()
                          << QString::number(box->icon()) << QString::number(box->standardButtons().toInt());
                    box->button(press)->click();
                }
            });
            poll.start(10);
            QCOMPARE(QtPrompts().message(QStringLiteral("Failed"), kind, asked, "why"), answer);
            const int buttons = asked == MessageButtons::Ok ? int(Box::Ok) : (Box::Yes | Box::No).toInt();
            QCOMPARE(shown, (QStringList{"VORTANE Evaluation Software", "Failed", "why",
                                         QString::number(shownIcon), QString::number(buttons)}));
        }
    }

    // Several boards: the first is offered, the one picked is answered, Cancel answers none.
    void chooseBoardOffersTheFirst() {
        for (const bool pick : {true, false}) {
            QStringList shown;
            QTimer poll;
            connect(&poll, &QTimer::timeout, [&] {
                if (auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                    poll.stop();
                    shown << dialog->labelText() << dialog->textValue() << dialog->comboBoxItems();
                    dialog->setTextValue(QStringLiteral("USB 3-1"));
                    pick ? dialog->accept() : dialog->reject();
                }
            });
            poll.start(10);
            QCOMPARE(ChooseBoard({"USB 1-4", "USB 3-1"}), pick ? std::optional<int>(1) : std::nullopt);
            QCOMPARE(shown, (QStringList{"Several evaluation boards are plugged in. Which board should the "
                                         "program use?",
                                         "USB 1-4", "USB 1-4", "USB 3-1"}));
        }
    }

    // A log that can no longer be written: one message, from the event loop after the tick; "Ready".
    void loggingStoppedIsReportedOutsideTheTick() {
        MainFixture m(ini());
        auto& d = m.t.session->decl;
        d.LogFileName = dir_.filePath(QStringLiteral("missing/log.csv"));
        d.LoggingActive = true;
        m.t.session->setStatusText(QStringLiteral("Logging Enabled"));
        m.polling.Tick(m.t.clock.nowMs());
        QVERIFY(m.window.sbPanels[0]->text() == "Ready" && m.t.prompts.messages.isEmpty());
        QTRY_COMPARE(m.t.prompts.messages.size(), 1);
        const QString text =
            "Logging stopped: cannot write to " + d.LogFileName + " (the file no longer exists)";
        QCOMPARE(m.t.prompts.messages[0],
                 (ScriptedPrompts::Shown{text, MessageIcon::Warning, MessageButtons::Ok, {}}));
    }
};

QTEST_MAIN(TestFrmMain)
#include "tst_frmmain.moc"
