#pragma once

#include "base/Clock.h"
#include "board/sim/SimBoard.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "support/ScriptedPrompts.h"

#include <QFile>
#include <QList>

#include <functional>
#include <memory>

// One register access as the journal shows it.
inline QString readText(int reg) {
    return QStringLiteral("222 46 %1 1 1").arg(reg);
}
inline QString writeText(int reg, int value) {
    return QStringLiteral("222 46 %1 0 0").arg(value * 256 + reg);
}

// A file's bytes; none when it cannot be read.
inline QByteArray fileBytes(const QString& name) {
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
inline bool writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

// Sets registers the way the chip holds them before a test, with nothing on the wire.
inline void writeAll(SimChip& chip, std::initializer_list<std::pair<int, int>> registers) {
    for (const auto& [reg, value] : registers)
        chip.write(reg, value);
}

// Readings a test sets by hand, counted as read once so that every surface shows them.
inline void markRead(Readings& r) {
    r.temperaturesReads = r.maxTemperatureReads = r.fanSpeedsReads = r.dutyCyclesReads = 1;
}

// Moves the clock on by `ms`, a polling tick every `step`; `check` runs after each tick.
inline void runPolling(ManualClock& clock, PollingCycle& polling, std::int64_t ms, std::int64_t step = 10,
                       const std::function<void()>& check = {}) {
    for (const std::int64_t end = clock.nowMs() + ms; clock.nowMs() < end;) {
        clock.advance(step);
        polling.Tick(clock.nowMs());
        if (check) check();
    }
}

// A session over a simulated board with a manual clock and scripted prompts. The program end
// of a link error is recorded instead of ending the test process.
struct SimSession {
    explicit SimSession(SimOptions options = {}, QString programFolder = QStringLiteral("/opt/vortane"));

    // Brings the board up the short way (firmware, SMBus enable, chip at its first address),
    // applies the program's defaults and forgets the journal, ready for a test's requests.
    void connect();

    // The vendor requests of the journal (firmware downloads left out).
    QList<JournalEntry> requests() const;
    // "222 46 64 1 1": request, value, index, direction, length of each vendor request.
    QStringList requestTexts() const;

    ManualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<SimBoard> board;
    std::unique_ptr<Session> session;
    QList<int> programEnds; // link error codes that ended the program
    SimChip& chip() { return *board->chip(board->options().chipAddresses.front()); }
    USBStuff& usb() { return session->usb; }
    // Every register a program can write, and both heaters' levels: what a run that changes the
    // chip for a while must hand back as it found it.
    QList<int> chipState();
};

// A session over a board backend a test builds (on a simulated bus), with scripted prompts; what
// the backend reports goes to `told`, the link errors that ended the program to `ends`.
struct BackendSession {
    void start(std::unique_ptr<USBFunctions> backend, const QString& programFolder = "/opt/vortane");
    bool connect(); // the start-up's connection sequence; true once a chip has answered
    ManualClock clock;
    ScriptedPrompts prompts;
    QStringList told;
    QList<int> ends;
    std::unique_ptr<USBFunctions> board;
    std::unique_ptr<Session> session;
};

// A session already connected, as SimSession::connect leaves it.
struct ConnectedSim : SimSession {
    explicit ConnectedSim(SimOptions options = {}) : SimSession(std::move(options)) { connect(); }
};
