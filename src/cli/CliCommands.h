#pragma once

#include "cli/Cli.h"
#include "cli/CliArgs.h"
#include "cli/CliConsole.h"
#include "evaluation/BenchReport.h"
#include "session/BoardOptions.h"

#include <memory>

class AlarmMonitor;
class EventFile;
class Session;

// Runs commands against one board connection, made when the first command needs the chip.
// Commands throw CliFailure when they cannot go on; a link error throws LinkEnded after its
// message has been printed.
class CliRunner {
public:
    CliRunner(CliEnvironment& env, BoardOptions board, int knownAddress, bool verbose);
    ~CliRunner();

    void run(const Command& command);
    // Lines of a batch script, all checked before the first one runs. name: how to call the
    // script in messages. Returns the exit status.
    int runBatch(const QString& name, const QString& script);

    // The connected session; connects at the first call.
    Session& session();
    // Where every event of the run goes, from the connection on (--events); empty: nowhere.
    void setEventsFile(const QString& fileName) { eventsFile_ = fileName; }

private:
    void probe();
    void read(const Command& c);
    void write(const Command& c);
    void dump(const Command& c);
    void monitor(const Command& c);
    void heater(const Command& c);
    void board();
    void save(const Command& c);
    void recall(const Command& c);
    void watch(const Command& c);
    void calibrateFan(const Command& c);
    void checkCurve(const Command& c);
    void checkLimits(const Command& c);
    // What every bench run shares: its control (Ctrl+C cancels), its report folder, its ending.
    RunControl benchControl();
    // Writes the report folder when asked for, then ends the command as the run ended.
    void finishBench(const Command& c, BenchReportData data);
    void serve(const Command& c);
    // The run's alarm monitor: one for all the lines of a batch, so an episode spans them.
    AlarmMonitor& alarms();
    // Ends the command when the event file could no longer be written.
    void checkEventFile();
    // Waits until the clock reaches the time, in short steps so that an interrupt is seen.
    // False when interrupted.
    bool waitUntil(std::int64_t timeMs);

    CliEnvironment& env_;
    BoardOptions boardOptions_;
    int knownAddress_;
    bool verbose_;
    ConsolePrompts prompts_;
    std::unique_ptr<USBFunctions> ownedBoard_;
    std::unique_ptr<Session> session_;
    QString eventsFile_;
    std::unique_ptr<EventFile> eventFile_;
    QString eventFileFailure_;
    std::unique_ptr<AlarmMonitor> alarms_;
};

// Reads a batch script or configuration file whole. Refuses files too large to be either.
QByteArray ReadSmallFile(const QString& fileName);
