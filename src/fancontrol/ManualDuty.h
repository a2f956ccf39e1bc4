#pragma once

#include <array>
#include <cstdint>
#include <optional>

class Session;

// Driving a PWM output by hand: the duty the user sets goes to the output's "PWMn Current Duty
// Cycle" register (0x32 + n), and the control that sets it follows the chip's duty reading only
// where that cannot undo the user's own change.
class ManualDuty {
public:
    explicit ManualDuty(Session& session) : s_(session) {}

    // Writes percent x 255 / 100, rounded half to even, to 0x32 + output (0-based; above 100 %
    // the write lowers it to 255). The write goes whether or not the output is under manual
    // control: when it is not, the chip's own loop overwrites it. Returns the write's status.
    std::int16_t set(int output, int percent);

    // The duty the control should move to on a refresh, or none while it must stay: while the
    // user holds it, and after the user's write until a duty reading taken after that write has
    // come in; before then the reading shows the duty the chip had before, and following it
    // would snap the control back under the user's hands. Before the first duty reading there is
    // nothing to follow.
    std::optional<int> follow(int output, bool held) const;

private:
    Session& s_;
    // Per output, the count of duty readings at the user's last write.
    std::array<std::optional<std::uint64_t>, 4> writtenAt_{};
};
