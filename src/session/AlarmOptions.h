#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

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
    // A fan's stop duty in whole percent where it has been measured; unknown: UnknownStopDuty.
    std::array<std::optional<int>, 4> stopDuty{};
    bool operator==(const AlarmOptions&) const = default;
};
// A fan driven above this duty turns, unless its own stop duty is known to be higher.
inline constexpr int UnknownStopDuty = 30;

// The stored options; a missing key keeps its default. The stop duties are not stored.
AlarmOptions LoadAlarmOptions(const SettingsStore& store);
void StoreAlarmOptions(SettingsStore& store, const AlarmOptions& options);
