#pragma once

#include "board/i2c/SmbusAdapter.h"
#include "board/sim/SimBoard.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <set>

class Clock;

// One SMBus transfer as the simulated adapter carried it out.
struct SmbusTransfer {
    enum Kind : char { Read = 'R', Write = 'W' };
    Kind kind = Read;
    int address{};
    int reg{};
    int value{}; // the byte written
    int result{};
    friend bool operator==(const SmbusTransfer&, const SmbusTransfer&) = default;
};

// A host's SMBus adapter with simulated chips wired to it (the chips, their scenario, the
// time scale and a lost link come from the simulator's options).
class SimSmbusAdapter final : public SmbusAdapter {
public:
    SimSmbusAdapter(Clock& clock, SimOptions options);
    ~SimSmbusAdapter() override;

    QString path() const override { return {}; }
    int setAddress(int address) override;
    int readByteData(int reg) override;
    int writeByteData(int reg, std::uint8_t value) override;

    std::set<int> driverBound; // addresses a kernel driver has taken

    SimChip* chip(int address);
    static constexpr std::size_t LogCapacity = 100000;
    const std::deque<SmbusTransfer>& transfers() const { return transfers_; }
    void clearTransfers() { transfers_.clear(); }

private:
    SimChip* target(); // the addressed chip after moving time on; nullptr: no acknowledge
    bool linkLost() const;
    int log(SmbusTransfer::Kind kind, int reg, int value, int result);

    Clock& clock_;
    SimOptions options_;
    std::map<int, std::unique_ptr<SimChip>> chips_;
    std::int64_t startMs_;
    int address_ = -1;
    std::deque<SmbusTransfer> transfers_;
};
