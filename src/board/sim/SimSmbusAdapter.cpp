#include "board/sim/SimSmbusAdapter.h"

#include "base/Clock.h"

#include <cerrno>
#include <cmath>

SimSmbusAdapter::SimSmbusAdapter(Clock& clock, SimOptions options)
    : clock_(clock), options_(std::move(options)), startMs_(clock.nowMs()) {
    for (int address : options_.chipAddresses)
        chips_.emplace(address & 0x7F, std::make_unique<SimChip>(options_.chip));
}

SimSmbusAdapter::~SimSmbusAdapter() = default;

SimChip* SimSmbusAdapter::chip(int address) {
    const auto it = chips_.find(address);
    return it == chips_.end() ? nullptr : it->second.get();
}

int SimSmbusAdapter::setAddress(int address) {
    if (driverBound.count(address)) return -EBUSY;
    address_ = address;
    return 0;
}

SimChip* SimSmbusAdapter::target() {
    const double chipTime = static_cast<double>(clock_.nowMs() - startMs_) * options_.timeScale;
    for (auto& [address, c] : chips_)
        c->advanceTo(static_cast<std::int64_t>(std::llround(chipTime)));
    return chip(address_);
}

bool SimSmbusAdapter::linkLost() const {
    return options_.linkLostAfterMs >= 0 && clock_.nowMs() - startMs_ > options_.linkLostAfterMs;
}

int SimSmbusAdapter::log(SmbusTransfer::Kind kind, int reg, int value, int result) {
    if (transfers_.size() >= LogCapacity) transfers_.pop_front();
    transfers_.push_back({kind, address_, reg, value, result});
    return result;
}

int SimSmbusAdapter::readByteData(int reg) {
    const bool lost = linkLost();
    SimChip* c = target();
    return log(SmbusTransfer::Read, reg, 0, lost ? -EIO : c ? c->read(reg) : -ENXIO);
}

int SimSmbusAdapter::writeByteData(int reg, std::uint8_t value) {
    const bool lost = linkLost();
    SimChip* c = target();
    if (c && !lost) c->write(reg, value);
    return log(SmbusTransfer::Write, reg, value, lost ? -EIO : c ? 0 : -ENXIO);
}
