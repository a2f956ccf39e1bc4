#pragma once

#include "base/Prompts.h"
#include "board/Startup.h"

#include <QString>
#include <QTextStream>

// Exit statuses of the command-line tool.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1; // a link error, an unreadable or malformed file, ...
inline constexpr int ExitUsage = 2;   // bad arguments
inline constexpr int ExitAlarm = 3;   // watch --until-alarm saw an alarm
// A bench check that ran to its end and failed its tolerance: the same status as an alarm, since
// a script waits on either for the same reason (the chip did not behave).
inline constexpr int ExitCheckFailed = ExitAlarm;
inline constexpr int ExitInterrupted = 130;

// A command that cannot go on; RunCli reports the message and ends with the status.
struct CliFailure {
    int status;
    QString message;
};

// Thrown by watch --until-alarm at the first alarm: the tool ends with ExitAlarm, a batch at that
// line.
struct AlarmSeen {};

// Thrown by the transport's program-end hook: the link error's message has been printed, and no
// request may follow. RunCli ends with ExitFailure.
struct LinkEnded {
    int code;
};

// Messages go to the error stream as plain lines, the same texts the desktop program shows in
// its message boxes; their details are the board link's reasons, which it has written to the
// error stream already as it found them. Nobody can answer a question here: the heater error's "close the
// application?" is taken as yes, so the tool ends as on every other link error.
class ConsolePrompts final : public Prompts {
public:
    explicit ConsolePrompts(QTextStream& err) : err_(err) {}
    MessageAnswer message(const QString& text, MessageIcon icon, MessageButtons buttons,
                          const QString& details = {}) override;
    QString openFileName(const QString&, const QString&) override { return {}; }
    QString saveFileName(const QString&, const QString&) override { return {}; }
    void openUrl(const QString&) override {}

private:
    QTextStream& err_;
};

// The connection sequence's progress: nothing, or its status texts on the error stream.
class ConsoleSplash final : public SplashView {
public:
    explicit ConsoleSplash(QTextStream* progress) : progress_(progress) {}
    // The enumeration wait is counted in hundredths of this width; it is the desktop splash
    // window's, so that the board gets the same 1.7 s after its firmware download.
    int progressDesignWidth() const override { return 6000; }
    void setProgressVisible() override {}
    void setProgressWidth(float) override {}
    void setProgInfo(const QString& text) override;
    void processEvents() override {}
    void setBoardText(const QString&) override {} // probe and the JSON outputs name the board

private:
    QTextStream* progress_;
};
