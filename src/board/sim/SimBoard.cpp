#include "board/sim/SimBoard.h"

#include "base/Clock.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// The faults the simulator was asked for are named by their options.
QString toldToFail(const char* option) {
    return QStringLiteral("the simulated board was told to fail here (%1)").arg(QLatin1String(option));
}

} // namespace

QString JournalEntry::toText() const {
    if (firmware)
        return QStringLiteral("%1 LoadFirmWare \"%2\" -> %3").arg(timeMs).arg(firmwarePath).arg(status);
    QString line = QStringLiteral("%1 VendorIORequest %2 %3 %4 %5 %6 -> %7")
                       .arg(timeMs)
                       .arg(request)
                       .arg(value)
                       .arg(index)
                       .arg(direction)
                       .arg(length)
                       .arg(status);
    if (!data.isEmpty()) line += QLatin1Char(' ') + QString::fromLatin1(data.toHex(' ').toUpper());
    return line;
}

SimBoard::SimBoard(Clock& clock, SimOptions options)
    : clock_(clock), options_(std::move(options)), startMs_(clock.nowMs()) {
    for (int address : options_.chipAddresses)
        chips_.emplace(address & 0x7F, std::make_unique<SimChip>(options_.chip));
}

SimBoard::~SimBoard() = default;

SimChip* SimBoard::chip(int address) {
    const auto it = chips_.find(address);
    return it == chips_.end() ? nullptr : it->second.get();
}

bool SimBoard::setJournalFile(const QString& fileName) {
    auto file = std::make_unique<QFile>(fileName);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
    journalFile_ = std::move(file);
    return true;
}

void SimBoard::record(JournalEntry entry) {
    if (journalFile_) {
        journalFile_->write(entry.toText().toUtf8() + '\n');
        journalFile_->flush();
    }
    if (journalCapacity_ == 0) return;
    if (journal_.size() >= journalCapacity_) journal_.pop_front();
    journal_.push_back(std::move(entry));
}

void SimBoard::setJournalCapacity(std::size_t entries) {
    journalCapacity_ = entries;
    while (journal_.size() > journalCapacity_)
        journal_.pop_front();
}

void SimBoard::setReason(const QString& reason) {
    if (report && !reason.isEmpty() && reason != reason_) report(reason);
    reason_ = reason;
}

bool SimBoard::linkLost() {
    return options_.linkLostAfterMs >= 0 && clock_.nowMs() - startMs_ > options_.linkLostAfterMs;
}

void SimBoard::advanceChips() {
    const double chipTime = static_cast<double>(clock_.nowMs() - startMs_) * options_.timeScale;
    for (auto& [address, chip] : chips_)
        chip->advanceTo(static_cast<std::int64_t>(std::llround(chipTime)));
}

std::int16_t SimBoard::LoadFirmWare(const std::uint8_t* path) {
    JournalEntry entry;
    entry.timeMs = clock_.nowMs() - startMs_;
    entry.firmware = true;
    entry.firmwarePath = QFile::decodeName(reinterpret_cast<const char*>(path));
    entry.status = options_.firmwareFails || linkLost() ? std::int16_t(-1) : std::int16_t(0);
    setReason(entry.status == 0 ? QString()
                                : toldToFail(linkLost() ? "--sim-link-lost-after" : "--sim-firmware-fails"));
    firmwareLoaded_ = entry.status == 0;
    const std::int16_t status = entry.status;
    record(std::move(entry));
    return status;
}

std::int16_t SimBoard::registerRequest(std::int32_t value, std::int32_t index, std::int16_t direction,
                                       std::uint8_t* buffer) {
    SimChip* target = chip(value);
    if (direction == 1) {
        // Where no chip acknowledges, the bus floats high and the board returns 0xFF.
        buffer[0] = target ? static_cast<std::uint8_t>(target->read(index & 0xFF)) : 0xFF;
        return 0;
    }
    // Bits 8..15 of the index carry the value, bits 0..7 the register; the rest is ignored.
    if (target) target->write(index & 0xFF, (index >> 8) & 0xFF);
    return 0;
}

std::int16_t SimBoard::VendorIORequest(std::int16_t request, std::int32_t value, std::int32_t index,
                                       std::int16_t direction, std::int16_t length, std::uint8_t* buffer) {
    ++requestCount_;
    clock_.sleepMs(options_.requestMs); // 0: no time at all
    advanceChips();
    JournalEntry entry;
    entry.timeMs = clock_.nowMs() - startMs_;
    entry.request = request;
    entry.value = value;
    entry.index = index;
    entry.direction = direction;
    entry.length = length;

    std::int16_t status = 1;
    const bool failed = !firmwareLoaded_ || linkLost() ||
                        (options_.failRequestNumber > 0 && requestCount_ == options_.failRequestNumber);
    // A buffer smaller than asked for cannot be told apart here; the transport never asks for more
    // than its 65 bytes.
    const bool lengthOk = length >= 0 && length <= 65 && (direction == 0 || buffer != nullptr);
    if (!failed && lengthOk) {
        switch (request) {
        case RegisterRequest:
            if (smbusEnabled_ && ((direction == 1 && length == 1) || direction == 0))
                status = registerRequest(value, index, direction, buffer);
            break;
        case BlockReadRequest:
            if (smbusEnabled_ && direction == 1 && !options_.failBlockReads) {
                SimChip* target = chip(value);
                for (int i = 0; i < length; ++i)
                    buffer[i] = target ? static_cast<std::uint8_t>(target->read((index + i) & 0xFF)) : 0xFF;
                status = 0;
            }
            break;
        case BoardRequest:
            if (direction == 0 && value == 48 && index == 51) {
                if (enableAttempts_++ >= options_.enableSmbusFailures) {
                    smbusEnabled_ = true;
                    status = 0;
                }
            } else if (direction == 1 && value == 0 && index == 0) {
                const std::array<std::uint8_t, 6> info{
                    0x01,
                    0x00,
                    static_cast<std::uint8_t>((options_.supply12V ? 0x04 : 0) |
                                              (options_.supply5V ? 0x08 : 0)),
                    0x00,
                    static_cast<std::uint8_t>(options_.boardRevision & 0x07),
                    0x00};
                std::copy_n(info.begin(), std::min(static_cast<std::size_t>(length), info.size()), buffer);
                status = 0;
            }
            break;
        case HeaterRequest:
            if (direction == 0 && (value == 1 || value == 2)) {
                const int level = std::clamp(index, 0, 100);
                heaterLevels_[static_cast<std::size_t>(value - 1)] = level;
                for (auto& [address, c] : chips_)
                    c->setHeaterLevel(value, level);
                status = 0;
            } else if (direction == 1 && value == 0 && index == 0) {
                // The board reports each heater's drive as twice its level.
                const auto reported = [this](int level) {
                    return static_cast<std::uint8_t>(options_.heaterHalfSteps && level > 0 ? 2 * level - 1
                                                                                           : 2 * level);
                };
                const std::array<std::uint8_t, 3> levels{reported(heaterLevels_[0]),
                                                         reported(heaterLevels_[1]), 0};
                std::copy_n(levels.begin(), std::min(static_cast<std::size_t>(length), levels.size()),
                            buffer);
                status = 0;
            }
            break;
        default:
            break;
        }
    }
    entry.status = status;
    if (status == 0)
        setReason({});
    else if (!firmwareLoaded_)
        setReason(QStringLiteral("the simulated board has no firmware yet"));
    else if (failed)
        setReason(toldToFail(linkLost() ? "--sim-link-lost-after" : "--sim-fail-request"));
    else if (request == BoardRequest && direction == 0)
        setReason(toldToFail("--sim-enable-failures"));
    else if (!smbusEnabled_)
        setReason(QStringLiteral("the simulated board's SMBus bridge is not enabled yet"));
    else if (request == BlockReadRequest && options_.failBlockReads)
        setReason(toldToFail("--sim-fail-block-reads"));
    else
        setReason(QStringLiteral("the simulated board does not carry out request %1").arg(request));
    if (status == 0 && direction == 1 && buffer)
        entry.data = QByteArray(reinterpret_cast<const char*>(buffer), length);
    record(std::move(entry));
    return status;
}
