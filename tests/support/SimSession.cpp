#include "support/SimSession.h"

#include "board/Startup.h"
#include "chip/RegisterTable.h"
#include "support/RecordingSplash.h"

SimSession::SimSession(SimOptions options, QString programFolder)
    : board(std::make_unique<SimBoard>(clock, std::move(options))),
      session(std::make_unique<Session>(clock, prompts, *board, std::move(programFolder))) {
    session->usb.onProgramEnd = [this](int code) { programEnds.append(code); };
}

void SimSession::connect() {
    usb().DownloadFirmware(session->programFolder);
    while (usb().EnableSmbus() != 0) {
    }
    usb().DeviceAddress =
        board->options().chipAddresses.empty() ? 0x2E : board->options().chipAddresses.front();
    SetDefaultValues(*session);
    board->clearJournal();
}

QList<JournalEntry> SimSession::requests() const {
    QList<JournalEntry> out;
    for (const JournalEntry& e : board->journal())
        if (!e.firmware) out.append(e);
    return out;
}

QStringList SimSession::requestTexts() const {
    QStringList out;
    for (const JournalEntry& e : requests())
        out << QString::asprintf("%d %d %d %d %d", e.request, e.value, e.index, e.direction, e.length);
    return out;
}

void BackendSession::start(std::unique_ptr<USBFunctions> backend, const QString& programFolder) {
    board = std::move(backend);
    session = std::make_unique<Session>(clock, prompts, *board, programFolder);
    session->usb.onProgramEnd = [this](int code) { ends << code; };
}

bool BackendSession::connect() {
    RecordingSplash splash(clock);
    return RunConnectionSequence(*session, splash, {});
}

QList<int> SimSession::chipState() {
    QList<int> state;
    for (int i = 0; i < RegisterCount; ++i)
        if (!RegisterAt(i).ReadOnly) state << chip().read(RegisterAt(i).Address);
    state << board->heaterLevel(1) << board->heaterLevel(2);
    return state;
}
