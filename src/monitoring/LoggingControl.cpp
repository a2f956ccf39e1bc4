#include "monitoring/LoggingControl.h"

#include "base/NumberText.h"
#include "base/Prompts.h"
#include "monitoring/SoftwareOptions.h"
#include "session/Session.h"

#include <QDir>

bool StartLogging(Session& s, const TickedChannels& ticked, const QString& intervalText) {
    Declarations& d = s.decl;
    const auto warn = [&s](const QString& text) {
        s.prompts.message(text, MessageIcon::Warning, MessageButtons::Ok);
        return false;
    };
    d.LogFileName.clear();
    const QString chosen = s.prompts.openFileName(s.dialogFolder(), LogFileFilter);
    // The polling cycle runs under the dialog; a link error there ends the program.
    if (chosen.isEmpty() || s.usb.linkHeld()) return false;
    d.LogFileName = chosen;

    bool any = false;
    for (std::size_t i = 0; i < ticked.size(); ++i) {
        d.LogSelection[i] = ticked[i];
        any = any || ticked[i];
    }
    if (!any) return warn(QStringLiteral("At least one item must be selected for logging"));

    // Checked before the file is touched, so a refused start leaves no header without lines.
    const std::optional<std::int32_t> interval = TypedInterval(intervalText, LargestInterval);
    if (!interval) return warn(IntervalRefusal(LoggingWindowIntervalLabel, LargestInterval));

    QString reason;
    if (!AppendToFile(d.LogFileName, LogStartBlock(d.LogSelection), &reason))
        return warn(QStringLiteral("Logging not started: cannot write to %1 (%2)")
                        .arg(QDir::toNativeSeparators(d.LogFileName), reason));

    s.options.LogInterval = *interval;
    d.LoggingActive = true;
    d.LogSampleCount = 0;
    s.setStatusText(QStringLiteral("Logging Enabled"));
    s.events.record(EventKind::LoggingStarted, QDir::toNativeSeparators(d.LogFileName),
                    QString::number(s.options.LogInterval), {}, QStringLiteral(" ms"));
    return true;
}

void StopLogging(Session& s) {
    // Recorded while logging is still on, so that it carries the data log's time and reaches the
    // event file before it closes.
    s.events.record(EventKind::LoggingStopped, QDir::toNativeSeparators(s.decl.LogFileName),
                    QString::number(s.decl.LogSampleCount), {}, QStringLiteral(" lines"));
    s.decl.LoggingActive = false;
    s.setStatusText(QStringLiteral("Ready"));
}
