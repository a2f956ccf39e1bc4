#include "session/AlarmOptions.h"

#include "session/Settings.h"

namespace {
QString trueFalse(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}
} // namespace

AlarmOptions LoadAlarmOptions(const SettingsStore& store) {
    namespace K = SettingsKeys;
    AlarmOptions o;
    o.watch = store.readBool(K::AlarmWatch, o.watch);
    o.mainWindow = store.readBool(K::AlarmMainWindow, o.mainWindow);
    o.notification = store.readBool(K::AlarmNotification, o.notification);
    o.sound = store.readBool(K::AlarmSound, o.sound);
    o.soundFile = store.readText(K::AlarmSoundFile);
    o.command = store.readBool(K::AlarmCommand, o.command);
    o.program = store.readText(K::AlarmProgram);
    // One argument per line, so that no quoting rule stands between the user and the program.
    const QString arguments = store.readText(K::AlarmArguments);
    if (!arguments.isEmpty()) o.arguments = arguments.split(u'\n');
    return o;
}

void StoreAlarmOptions(SettingsStore& store, const AlarmOptions& o) {
    namespace K = SettingsKeys;
    store.writeText(K::AlarmWatch, trueFalse(o.watch));
    store.writeText(K::AlarmMainWindow, trueFalse(o.mainWindow));
    store.writeText(K::AlarmNotification, trueFalse(o.notification));
    store.writeText(K::AlarmSound, trueFalse(o.sound));
    store.writeText(K::AlarmSoundFile, o.soundFile);
    store.writeText(K::AlarmCommand, trueFalse(o.command));
    store.writeText(K::AlarmProgram, o.program);
    store.writeText(K::AlarmArguments, o.arguments.join(u'\n'));
    store.sync();
}
