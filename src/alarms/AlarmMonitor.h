#pragma once

#include "deviceconfig/Limits.h"
#include "session/Events.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

class Session;

// The alarms: one per interrupt source the chip checks against its limits (the rows of the
// limits window: Temp 1 .. Temp 10, Fan 1 .. Fan 4, NORM), then one per fan for a stall.
inline constexpr std::size_t AlarmCount = InterruptRows + 4;
inline constexpr std::size_t FirstStallAlarm = InterruptRows;
// "Temp 1", "Fan 4", "NORM", "Fan 2 stall".
QString AlarmChannel(std::size_t alarm);

// A fan that drives above its stop duty yet reads no rotation for this long has stalled.
inline constexpr std::int64_t StallMs = 3000;
// The stop duty in whole percent: the program measures no fan's own, and a fan driven above this
// turns.
inline constexpr int StopDuty = 30;

struct AlarmState {
    bool active = false;
    Event raised; // the event that began the present episode
};

// Watches the chip for alarms, each raised once per episode and cleared when its condition ends:
// - an interrupt source whose status bit is set and whose mask bit is clear (a masked source
//   raises nothing, and one masked while active clears);
// - a fan whose output drives above StopDuty while its tach counts no rotation (0xFFFF) for
//   StallMs. A fan the chip reports as not present (the free-wheel test's result) is not judged,
//   nor one not seen turning since the monitor began (without a test since power-up the chip reports every
//   fan present, the unconnected ones too), nor while a free-wheel test runs, nor with its tach disabled or
//   its pin taken as GPIO.
// Every raise and clear is recorded in the session's events with the value and the limit.
class AlarmMonitor {
public:
    explicit AlarmMonitor(Session& session) : s_(session) {}

    // One look at the chip: a block read of 0x20 x 35 (readings, "Fans Not Present",
    // "Configuration 1", the status pair) and one of 0x72 x 3 (the mask pair, "Configuration 2"),
    // and of the limits (0x44 x 36) when an alarm changes. A failed read changes nothing and
    // gives false; it is not a link error, as for the measurement reads.
    bool poll();

    const std::array<AlarmState, AlarmCount>& alarms() const { return state_; }
    // Looks that read the chip; until the first, no alarm's state is known.
    std::uint64_t polls() const { return polls_; }
    // The channels of the active alarms, in alarm order.
    QStringList activeChannels() const;

private:
    Session& s_;
    std::array<AlarmState, AlarmCount> state_{};
    std::array<std::optional<std::int64_t>, 4> noRotationSince_{};
    std::array<bool, 4> seenTurning_{};
    std::uint64_t polls_{};
};

// The main window's entry for the active alarms: "Alarm: Temp 1, Fan 2 stall"; empty for none.
QString ActiveAlarmsText(const QStringList& channels);
