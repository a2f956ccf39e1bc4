#include "monitoring/GraphHistory.h"

#include <algorithm>
#include <cmath>

GraphHistory::GraphHistory(double spanSeconds) {
    setSpan(spanSeconds);
}

GraphHistory::GraphHistory(const GraphHistory& source, std::size_t first, std::size_t end)
    : span_(source.span_) {
    copyPoints(source, first, end - first, std::max<std::size_t>(1, end - first));
}

GraphHistory GraphHistory::slice(double from, double to) const {
    const std::size_t first = lowerBound(from);
    return GraphHistory(*this, first, std::max(first, upperBound(to)));
}

void GraphHistory::setSpan(double seconds) {
    span_ = std::max(1.0, seconds);
    const auto room = static_cast<std::size_t>(std::ceil(span_ / DensestSpacing)) + 1;
    if (!empty()) {
        // Keep the newest points that fit the new span and the new ring (the newest always fits).
        const double newest = lastKey();
        while (count_ > room || firstKey() < newest - span_)
            dropOldest();
    }
    copyPoints(*this, 0, count_, room);
}

void GraphHistory::copyPoints(const GraphHistory& source, std::size_t first, std::size_t count,
                              std::size_t room) {
    std::vector<double> keys(room);
    std::array<std::vector<std::int32_t>, GraphSeriesCount> values;
    for (auto& column : values)
        column.resize(room);
    std::vector<std::uint16_t> present(room);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = source.slot(first + i);
        keys[i] = source.keys_[from];
        present[i] = source.present_[from];
        for (std::size_t s = 0; s < values.size(); ++s)
            values[s][i] = source.values_[s][from];
    }
    keys_.swap(keys);
    values_.swap(values);
    present_.swap(present);
    head_ = 0;
    count_ = count;
}

std::size_t GraphHistory::bytesAllocated() const {
    return keys_.capacity() * sizeof(double) +
           GraphSeriesCount * values_[0].capacity() * sizeof(std::int32_t) +
           present_.capacity() * sizeof(std::uint16_t);
}

void GraphHistory::dropOldest() {
    head_ = slot(1);
    --count_;
    ++dropped_;
}

void GraphHistory::append(double key, const GraphSample& values) {
    if (!empty()) key = std::max(key, lastKey());
    while (count_ > 0 && firstKey() < key - span_)
        dropOldest();
    if (count_ == keys_.size()) dropOldest();
    const std::size_t s = slot(count_);
    keys_[s] = key;
    std::uint16_t present = 0;
    for (std::size_t k = 0; k < values_.size(); ++k) {
        if (!values[k]) continue;
        values_[k][s] = *values[k];
        present = static_cast<std::uint16_t>(present | 1u << k);
    }
    present_[s] = present;
    ++count_;
}

std::size_t GraphHistory::lowerBound(double key) const {
    std::size_t lo = 0, hi = count_;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (this->key(mid) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

std::size_t GraphHistory::upperBound(double key) const {
    std::size_t lo = 0, hi = count_;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (this->key(mid) <= key)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void MinMaxDecimator::fold(std::int64_t index, std::int32_t value) {
    // A new column starts with the value as both its low and its high.
    if (columns_.size() == front_ || columns_.back().index != index)
        columns_.push_back({index, value, value, true});
    Column& c = columns_.back();
    if (value < c.min) {
        c.min = value;
        c.minFirst = false; // the low point came after the high one
    } else if (value > c.max) {
        c.max = value;
        c.minFirst = true;
    }
}

const std::vector<MinMaxColumn>& MinMaxDecimator::columns(const GraphHistory& history, double from, double to,
                                                          double width) {
    if (width != width_) {
        width_ = width;
        columns_.clear();
        front_ = 0;
        next_ = 0;
    }
    // Points dropped before they were seen, and points left of the range, are skipped.
    std::uint64_t number = std::max(next_, history.firstNumber() + history.lowerBound(from));
    for (std::size_t i = static_cast<std::size_t>(number - history.firstNumber()); i < history.size();
         ++i, ++number) {
        const double key = history.key(i);
        if (key > to) break;
        if (const auto value = history.value(series_, i))
            fold(static_cast<std::int64_t>(std::floor(key / width_)), *value);
    }
    next_ = std::max(next_, number);

    const auto firstIndex = static_cast<std::int64_t>(std::floor(from / width_));
    while (front_ < columns_.size() && columns_[front_].index < firstIndex)
        ++front_;
    if (front_ > 0 && front_ * 2 > columns_.size()) {
        columns_.erase(columns_.begin(), columns_.begin() + static_cast<std::ptrdiff_t>(front_));
        front_ = 0;
    }

    out_.clear();
    for (std::size_t c = front_; c < columns_.size(); ++c) {
        const Column& col = columns_[c];
        const double left = static_cast<double>(col.index) * width_;
        out_.push_back(col.minFirst ? MinMaxColumn{left, col.min, col.max}
                                    : MinMaxColumn{left, col.max, col.min});
    }
    return out_;
}
