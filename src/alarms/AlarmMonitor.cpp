#include "alarms/AlarmMonitor.h"

#include "base/Clock.h"
#include "monitoring/Conversions.h"
#include "session/Session.h"

#include <algorithm>

namespace {

constexpr int SnapshotFirst = 0x20; // Temperature 1 .. "Interrupt Status 2" (0x42)
constexpr int SnapshotCount = 0x43 - SnapshotFirst;
constexpr int MasksCount = 3;     // "Interrupt Mask 1", "Interrupt Mask 2", "Configuration 2"
constexpr int LimitsFirst = 0x44; // temperature limits, then the tach minimum and maximum pairs
constexpr int LimitsCount = 0x68 - LimitsFirst;
constexpr int StoppedCount = 0xFFFF; // the tach counter ran out: no pulse came

// Registers by address out of the block reads.
struct Registers {
    std::array<int, 256> byte{};
    void take(const std::array<std::uint8_t, 65>& buffer, int first, int count) {
        std::copy_n(buffer.begin(), count, byte.begin() + first);
    }
    int operator[](int address) const { return byte[static_cast<std::size_t>(address)]; }
    int pair(int low) const { return TachCount((*this)[low], (*this)[low + 1]); }
};

struct Details {
    QString value;
    QString limit;
    QString unit;
};

} // namespace

QString AlarmChannel(std::size_t alarm) {
    if (alarm < FirstStallAlarm) return InterruptRowCaption(alarm);
    return QStringLiteral("Fan %1 stall").arg(alarm - FirstStallAlarm + 1);
}

QString ActiveAlarmsText(const QStringList& channels) {
    return channels.isEmpty() ? QString() : QStringLiteral("Alarm: ") + channels.join(QStringLiteral(", "));
}

QStringList AlarmMonitor::activeChannels() const {
    QStringList channels;
    for (std::size_t a = 0; a < state_.size(); ++a)
        if (state_[a].active) channels << AlarmChannel(a);
    return channels;
}

bool AlarmMonitor::poll() {
    USBStuff& usb = s_.usb;
    Registers r;
    if (usb.ReadBlock(SnapshotFirst, SnapshotCount) != 0) return false;
    r.take(usb.TransferBuffer, SnapshotFirst, SnapshotCount);
    if (usb.ReadBlock(InterruptMaskFirst, MasksCount) != 0) return false;
    r.take(usb.TransferBuffer, InterruptMaskFirst, MasksCount);
    const std::int64_t now = s_.clock.nowMs();

    std::array<bool, AlarmCount> condition{};
    const InterruptRowStates status = InterruptRowsFromBytes(r[0x41], r[0x42]);
    const InterruptRowStates masked = InterruptRowsFromBytes(r[0x72], r[0x73]);
    for (std::size_t k = 0; k < InterruptRows; ++k)
        condition[k] = status[k] && !masked[k];

    const bool testRunning = (r[0x40] & 0x02) != 0; // TEST: fans run at full speed, presence unknown
    std::array<int, 4> drive{};
    for (std::size_t f = 0; f < 4; ++f) {
        const int n = static_cast<int>(f) + 1;
        drive[f] = DutyPercentFromByte(r[0x32 + n - 1]);
        // An inverted output (INVn of "PWM n/m Config", as last read) drives the complement.
        const std::optional<int> config = usb.knownValue(f < 2 ? 0x68 : 0x69);
        if (config && (*config & (f % 2 == 0 ? 0x20 : 0x10))) drive[f] = 100 - drive[f];
        const bool turning = r.pair(0x2A + 2 * static_cast<int>(f)) != StoppedCount;
        seenTurning_[f] = seenTurning_[f] || turning;
        const bool judged = seenTurning_[f] && !testRunning && !(r[0x36] & (1 << f)) &&
                            !(r[0x74] & (1 << f)) && !usb.GpioEnabled(n);
        auto& since = noRotationSince_[f];
        if (judged && !turning && drive[f] > StopDuty) {
            if (!since) since = now;
        } else {
            since.reset();
        }
        condition[FirstStallAlarm + f] = since && now - *since >= StallMs;
    }

    // Whether the limit an alarm names is the low one (the minimum speed) rather than the high one (the
    // maximum): where the value is now while it is raised; once it clears, the side it was raised on,
    // though the value is back between the two limits.
    const auto lowSide = [](const AlarmState& st, bool nowBelow) {
        if (st.active || st.raised.limit.isEmpty()) return nowBelow;
        return st.raised.value.toDouble() < st.raised.limit.toDouble();
    };
    std::optional<Registers> limits;
    const auto details = [&](std::size_t alarm) -> Details {
        if (alarm >= FirstStallAlarm) {
            const std::size_t f = alarm - FirstStallAlarm;
            return {QString::number(drive[f]), QString::number(StopDuty), QStringLiteral("%")};
        }
        if (alarm == InterruptRows - 1) return {}; // NORM: the chip's own state, no value
        if (!limits && usb.ReadBlock(LimitsFirst, LimitsCount) == 0) {
            limits.emplace();
            limits->take(usb.TransferBuffer, LimitsFirst, LimitsCount);
        }
        if (alarm < LimitTemperatureChannels) {
            const int n = static_cast<int>(alarm) + 1;
            const int value = TemperatureFromByte(r[0x20 + n - 1]);
            QString limit;
            if (limits) {
                const int low = TemperatureFromByte((*limits)[TemperatureLowLimitRegister(n)]);
                const int high = TemperatureFromByte((*limits)[TemperatureHighLimitRegister(n)]);
                limit = QString::number(lowSide(state_[alarm], value < low) ? low : high);
            }
            return {QString::number(value), limit, QStringLiteral("°C")};
        }
        const int fan = static_cast<int>(alarm) - LimitTemperatureChannels + 1;
        const int count = r.pair(0x2A + 2 * (fan - 1));
        QString limit;
        if (limits) {
            // Too slow against the minimum, else too fast against the maximum.
            const int minimum = limits->pair(TachLimitLowRegister(fan, TachLimit::Minimum));
            const int maximum = limits->pair(TachLimitLowRegister(fan, TachLimit::Maximum));
            const bool slow = lowSide(state_[alarm], count > minimum || maximum == 0);
            limit = QString::number(TachToRpm(slow ? minimum : maximum, s_.decl.TachClock));
        }
        return {QString::number(TachToRpm(count, s_.decl.TachClock)), limit, QStringLiteral(" RPM")};
    };

    for (std::size_t a = 0; a < AlarmCount; ++a) {
        AlarmState& st = state_[a];
        if (condition[a] == st.active) continue;
        st.active = condition[a];
        const Details d = details(a);
        const Event e = s_.events.record(st.active ? EventKind::AlarmRaised : EventKind::AlarmCleared,
                                         AlarmChannel(a), d.value, d.limit, d.unit);
        if (st.active) st.raised = e;
    }
    ++polls_;
    return true;
}
