#pragma once

#include "board/USBFunctions.h"
#include "board/sim/SimChip.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class Clock;

// How the simulated board is set up, and the faults it can be told to show.
struct SimOptions {
    std::vector<int> chipAddresses{0x2E}; // SMBus addresses where a chip answers; empty: no chip
    int enableSmbusFailures{};            // the first N SMBus enables fail
    bool firmwareFails = false;
    std::int64_t failRequestNumber{};  // request number N (1-based, vendor requests) fails; 0: none
    std::int64_t linkLostAfterMs = -1; // every request after this board time fails; -1: never
    bool failBlockReads = false;       // block reads fail and leave the buffer as it was
    int boardRevision = 1;             // 0 = A, 1 = B, 2 = C, 4 = D
    bool supply12V = true;
    bool supply5V = true;
    double timeScale = 1.0; // chip time runs this many times faster than the clock
    // The board reports a heater's level as the odd byte 2 x level - 1, half a step below what was
    // set (as a heater driver that counts in half steps and falls just short), instead of 2 x level.
    bool heaterHalfSteps = false;
    std::int64_t requestMs{}; // each vendor request takes this long on the clock, as a USB transfer does
    ChipScenario chip;
};

// One line of the board's request journal.
struct JournalEntry {
    std::int64_t timeMs{};
    bool firmware = false; // a LoadFirmWare call rather than a vendor request
    QString firmwarePath;
    std::int16_t request{};
    std::int32_t value{};
    std::int32_t index{};
    std::int16_t direction{};
    std::int16_t length{};
    std::int16_t status{};
    QByteArray data; // bytes returned (direction 1, success)

    QString toText() const;
};

// The built-in simulated evaluation board: answers every vendor request the program issues as
// the real board does, over one or more simulated chips, and keeps a bounded journal of what it
// was asked.
class SimBoard final : public USBFunctions {
public:
    SimBoard(Clock& clock, SimOptions options = {});
    ~SimBoard() override;

    std::int16_t LoadFirmWare(const std::uint8_t* path) override;
    std::int16_t VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                 std::int16_t direction, std::int16_t length, std::uint8_t* buffer) override;
    BoardIdentity identity() const override { return {}; }
    QString failureReason() const override { return reason_; }

    // The chip at an address, or nullptr.
    SimChip* chip(int address);
    const SimOptions& options() const { return options_; }
    SimOptions& options() { return options_; }
    const std::array<int, 2>& heaterLevels() const { return heaterLevels_; }

    static constexpr std::size_t JournalCapacity = 100000;
    const std::deque<JournalEntry>& journal() const { return journal_; }
    // How many entries the journal keeps in memory (the newest); 0 keeps none.
    void setJournalCapacity(std::size_t entries);
    void clearJournal() { journal_.clear(); }
    // Also writes every journal entry, as text, to this file. False when it cannot be opened.
    bool setJournalFile(const QString& fileName);

    std::int64_t requestCount() const { return requestCount_; }

    // Where it tells why a request failed, as the hardware backends do; once per run of failures.
    std::function<void(const QString&)> report;

private:
    void setReason(const QString& reason);
    bool linkLost();
    void advanceChips();
    void record(JournalEntry entry);
    std::int16_t registerRequest(std::int32_t value, std::int32_t index, std::int16_t direction,
                                 std::uint8_t* buffer);

    Clock& clock_;
    SimOptions options_;
    std::map<int, std::unique_ptr<SimChip>> chips_;
    std::int64_t startMs_;
    bool firmwareLoaded_ = false;
    bool smbusEnabled_ = false;
    int enableAttempts_{};
    std::int64_t requestCount_{};
    std::array<int, 2> heaterLevels_{};
    std::deque<JournalEntry> journal_;
    std::size_t journalCapacity_ = JournalCapacity;
    std::unique_ptr<QFile> journalFile_;
    QString reason_;
};
