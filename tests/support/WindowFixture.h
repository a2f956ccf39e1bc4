#pragma once

#include "monitoring/PollingCycle.h"
#include "session/Settings.h"
#include "support/RecordingSplash.h"
#include "support/SimSession.h"
#include "windows/frmMain.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

inline void retype(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
}

// A child window over a connected simulated board, readings held still: the journal holds its own requests.
template <class W> struct WindowFixture {
    explicit WindowFixture(SimOptions o = {}) : t(std::move(o)) {
        t.connect();
        t.session->options.ReadingEnabled = false;
    }
    W& open() {
        w = std::make_unique<W>(*t.session, polling);
        w->show();
        return *w;
    }
    void run(std::int64_t ms, std::int64_t step = 10, const std::function<void()>& check = {}) {
        runPolling(t.clock, polling, ms, step, check);
    }
    QStringList journal() const { return t.requestTexts(); }
    QStringList writes() const { return journal().filter(QRegularExpression("^222 .* 0 0$")); }
    void forget() { t.board->clearJournal(); }
    QByteArray bytes(const QString& name) const { return fileBytes(dir.filePath(name)); }

    SimSession t;
    PollingCycle polling{*t.session};
    std::unique_ptr<W> w;
    QTemporaryDir dir;
};

// A window test class's second base: a fresh fixture for each test, the window it opened in `w`.
template <class W> struct WindowCase {
    // Opens over a chip that differs from its reset values in `registers`.
    W& open(std::initializer_list<std::pair<int, int>> registers = {}, SimOptions o = {}) {
        f = std::make_unique<WindowFixture<W>>(std::move(o));
        writeAll(f->t.chip(), registers);
        w = &f->open();
        return *w;
    }
    std::unique_ptr<WindowFixture<W>> f;
    W* w = nullptr;
};

// The main window over a simulated board, its settings in `ini`; a link error unloads it, as the end does.
struct MainFixture {
    explicit MainFixture(const QString& ini, QString programFolder = QStringLiteral("/opt/vortane"))
        : t({}, std::move(programFolder)), settings(ini), window(*t.session, polling, settings) {
        t.session->decl.TachClock = 90000; // as the program starts
        t.session->usb.onProgramEnd = [this](int code) {
            t.programEnds.append(code);
            window.Form_Unload();
        };
    }
    SimSession t;
    PollingCycle polling{*t.session};
    SettingsStore settings;
    frmMain window;
    RecordingSplash splash{t.clock};
};
