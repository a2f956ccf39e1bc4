#pragma once

#include "base/Clock.h"
#include "board/Startup.h"
#include "board/sim/SimBoard.h"
#include "chip/RegisterTable.h"
#include "monitoring/PollingCycle.h"
#include "session/Session.h"
#include "support/RecordingSplash.h"
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

inline void runPolling(ManualClock& clock, PollingCycle& polling, std::int64_t ms, std::int64_t step = 10,
                       const std::function<void()>& check = {}) {
    for (const std::int64_t end = clock.nowMs() + ms; clock.nowMs() < end;) {
        clock.advance(step);
        polling.Tick(clock.nowMs());
        if (check) check();
    }
}

// A simulated board's session with a manual clock and scripted prompts; link errors' program ends recorded.
struct SimSession {
    explicit SimSession(SimOptions options = {}, QString programFolder = QStringLiteral("/opt/vortane"))
        : board(std::make_unique<SimBoard>(clock, std::move(options))),
          session(std::make_unique<Session>(clock, prompts, *board, std::move(programFolder))) {
        session->usb.onProgramEnd = [this](int code) { programEnds.append(code); };
        session->events.wallClock = [] { return QDateTime(QDate(2026, 12, 7), QTime(15, 48, 30)); };
    }

    // Board up the short way (firmware, SMBus enable, first chip address), defaults applied, journal cleared.
    void connect() {
        usb().DownloadFirmware(session->programFolder);
        while (usb().EnableSmbus() != 0) {
        }
        usb().DeviceAddress =
            board->options().chipAddresses.empty() ? 0x2E : board->options().chipAddresses.front();
        SetDefaultValues(*session);
        board->clearJournal();
    }

    QList<JournalEntry> requests() const {
        QList<JournalEntry> out;
        for (const JournalEntry& e : board->journal())
            if (!e.firmware) out.append(e);
        return out;
    }
    // "222 46 64 1 1": request, value, index, direction, length of each vendor request.
    QStringList requestTexts() const {
        QStringList out;
        for (const JournalEntry& e : requests())
            out << QString::asprintf("%d %d %d %d %d", e.request, e.value, e.index, e.direction, e.length);
        return out;
    }

    // The next request fails as a broken link would.
    void failNextRequest() { board->options().failRequestNumber = board->requestCount() + 1; }

    ManualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<SimBoard> board;
    std::unique_ptr<Session> session;
    QList<int> programEnds; // link error codes that ended the program
    SimChip& chip() { return *board->chip(board->options().chipAddresses.front()); }
    USBStuff& usb() { return session->usb; }
    // Every register a program can write and both heater levels: what a run must hand back as it found it.
    QList<int> chipState() {
        QList<int> state;
        for (int i = 0; i < RegisterCount; ++i)
            if (!RegisterAt(i).ReadOnly) state << chip().read(RegisterAt(i).Address);
        return state << board->heaterLevels()[0] << board->heaterLevels()[1];
    }
};

// A session over a backend a test builds, prompts scripted; backend reports to `told`, link errors to `ends`.
struct BackendSession {
    void start(std::unique_ptr<USBFunctions> backend, const QString& programFolder = "/opt/vortane") {
        board = std::move(backend);
        session = std::make_unique<Session>(clock, prompts, *board, programFolder);
        session->usb.onProgramEnd = [this](int code) { ends << code; };
    }
    bool connect() {
        RecordingSplash splash(clock);
        return RunConnectionSequence(*session, splash, {});
    }
    ManualClock clock;
    ScriptedPrompts prompts;
    QStringList told;
    QList<int> ends;
    std::unique_ptr<USBFunctions> board;
    std::unique_ptr<Session> session;
};

struct ConnectedSim : SimSession {
    explicit ConnectedSim(SimOptions options = {}) : SimSession(std::move(options)) { connect(); }
};
