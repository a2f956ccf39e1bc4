#pragma once

#include <QString>
#include <QStringList>

class SettingsStore;

// Where alarms go, as the Alarms page of the software options sets them. Read at every poll and
// every alarm, so a change takes effect at once; kept in the settings store between runs.
struct AlarmOptions {
    bool watch = true;        // look at the limits, interrupt status and fans once a second
    bool mainWindow = true;   // a red entry in the status bar and the taskbar's urgency hint
    bool notification = true; // a desktop notification
    bool sound = false;
    QString soundFile; // empty: the system bell
    bool command = false;
    QString program; // run with its arguments, never through a shell
    QStringList arguments;
    bool operator==(const AlarmOptions&) const = default;
};

// The stored options; a missing key keeps its default.
AlarmOptions LoadAlarmOptions(const SettingsStore& store);
void StoreAlarmOptions(SettingsStore& store, const AlarmOptions& options);
