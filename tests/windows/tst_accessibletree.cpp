// Every window as a screen reader meets it, against the texts in data/accessible: each control's
// role, name, description (its tool tip), value and state, and the order Tab visits them in. A
// control left unnamed, a tool tip lost or a control out of the Tab order shows here.
// VORTANE_UPDATE_LOOK=1 writes the texts afresh after an intended change.
#include "support/WindowFixture.h"
#include "windows/ChildWindow.h"
#include "windows/WindowTable.h"

#include <QAccessible>
#include <QTest>

namespace {

const QString Folder = QStringLiteral(VORTANE_TEST_DATA "/accessible");

// One line a node, indented by its depth; what the platform adds (geometry, focus now) left out.
void walk(QAccessibleInterface* node, int depth, QStringList& out) {
    const QAccessible::State s = node->state();
    QStringList states;
    for (const auto& [on, name] : {std::pair{bool(s.disabled), "disabled"},
                                   {bool(s.checked), "checked"},
                                   {bool(s.focusable), "focusable"},
                                   {bool(s.readOnly), "read-only"},
                                   {bool(s.invisible), "invisible"}})
        if (on) states << QLatin1String(name);
    QString value = node->text(QAccessible::Value);
    if (node->role() == QAccessible::StaticText || node->role() == QAccessible::Clock) value.clear();
    out << QString(depth * 2, u' ') +
               QStringLiteral("%1 \"%2\" \"%3\" \"%4\" [%5]")
                   .arg(qAccessibleRoleString(node->role()), node->text(QAccessible::Name),
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

} // namespace

class TestAccessibleTree : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void everyWindowAsAScreenReaderMeetsIt() {
        MainFixture m(dir_.filePath(QStringLiteral("s.ini")));
        m.t.session->options.ReadingEnabled = false;
        QVERIFY(m.window.Form_Load(m.splash));
        m.window.show();
        QStringList differ;
        for (const WindowRow& row : WindowTable()) {
            const QString name = QLatin1String(row.className);
            ChildWindow* w = m.window.openWindow(name);
            QVERIFY(w);
            QStringList lines;
            walk(QAccessible::queryAccessibleInterface(w), 0, lines);
            lines << QStringLiteral("Tab: ") + tabOrder(w).join(u' ');
            const QByteArray got = lines.join(u'\n').toUtf8() + '\n';
            const QString file = Folder + u'/' + name + QStringLiteral(".txt");
            if (qEnvironmentVariableIntValue("VORTANE_UPDATE_LOOK") == 1)
                QVERIFY(QDir().mkpath(Folder) && writeFile(file, got));
            else if (fileBytes(file) != got && writeFile(QStringLiteral("accessible-%1.txt").arg(name), got))
                differ << name + QStringLiteral(" (now: build/tests/accessible-%1.txt)").arg(name);
            w->close();
        }
        QCOMPARE(differ, QStringList());
    }
};

QTEST_MAIN(TestAccessibleTree)
#include "tst_accessibletree.moc"
