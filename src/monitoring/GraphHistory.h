#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The graphs window's memory: the twelve plotted series (Temp1..4, Fan1..4, PWM1..4, in the data
// log's channel order) kept once, however many charts show them, for a bounded span of time.
//
// Every update appends one point to all twelve at one time key, so the keys are stored once and
// each series holds only its values. The store is a ring allocated whole when its span is set:
// memory is fixed from the window's opening on, and dropping the oldest point is moving an index.
// A reading never read has no value at its key: its trace starts at the first good reading.

inline constexpr int GraphSeriesCount = 12;
using GraphSample = std::array<std::optional<std::int32_t>, GraphSeriesCount>;

class GraphHistory {
public:
    // The polling timer ticks every 10 ms; the store has room for one point every 8 ms over its
    // span, so timer jitter never makes it drop a point that is still inside the span.
    static constexpr double DensestSpacing = 0.008; // s
    static constexpr double DefaultSpan = 600;      // s

    explicit GraphHistory(double spanSeconds = DefaultSpan);

    // The points with keys in [from, to] in a store of their own, sized to hold just them: what a
    // paused chart keeps while this history goes on filling and dropping its oldest points.
    GraphHistory slice(double from, double to) const;

    // Keeps the points of the last `seconds` (at least one second) and reallocates the ring for
    // that span; points already older are dropped at once.
    void setSpan(double seconds);
    double span() const { return span_; }
    // Points the ring can hold; past it the oldest point goes even inside the span.
    std::size_t capacity() const { return keys_.size(); }
    std::size_t bytesAllocated() const;

    // Appends a point at `key` (seconds, growing). A key earlier than the newest one is taken as
    // the newest, so the keys never go backwards. Points older than key - span are dropped.
    void append(double key, const GraphSample& values);

    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // Index 0 is the oldest point kept.
    double key(std::size_t i) const { return keys_[slot(i)]; }
    std::optional<std::int32_t> value(int series, std::size_t i) const {
        const std::size_t s = slot(i);
        if (!(present_[s] & (1u << series))) return std::nullopt;
        return values_[static_cast<std::size_t>(series)][s];
    }
    double firstKey() const { return key(0); }
    double lastKey() const { return key(count_ - 1); }
    // Index of the first point whose key is not below `key` (size() when there is none).
    std::size_t lowerBound(double key) const;
    std::size_t upperBound(double key) const; // first point whose key is above `key`

    // Points are numbered from the first ever appended, so a reader can tell which points it has
    // seen while old ones are dropped: index i is point number firstNumber() + i.
    std::uint64_t firstNumber() const { return dropped_; }
    std::uint64_t endNumber() const { return dropped_ + count_; }

private:
    GraphHistory(const GraphHistory& source, std::size_t first, std::size_t end);
    std::size_t slot(std::size_t i) const {
        const std::size_t s = head_ + i;
        return s < keys_.size() ? s : s - keys_.size();
    }
    void dropOldest();
    // Makes points first.. first + count - 1 of `source` (which may be this store) the whole
    // content of fresh stores of `room` slots, the oldest at slot 0.
    void copyPoints(const GraphHistory& source, std::size_t first, std::size_t count, std::size_t room);

    double span_ = DefaultSpan;
    std::vector<double> keys_;
    std::array<std::vector<std::int32_t>, GraphSeriesCount> values_{};
    std::vector<std::uint16_t> present_; // per point, bit s: series s has a value
    std::size_t head_{};
    std::size_t count_{};
    std::uint64_t dropped_{};
};

// One pixel column of a trace: the smallest and largest value of the points whose keys fall in
// it, in the order they came, so a line drawn through them keeps the trace's shape. Points
// without a value are left out.
struct MinMaxColumn {
    double key{}; // the column's left edge
    std::int32_t first{};
    std::int32_t second{};
};

// Reduces one series to at most two points per column of a given width (seconds per pixel, above 0), so
// drawing a trace costs the chart's width and not the points kept. Columns are aligned to
// multiples of the width, and finished columns are kept between calls: a replot folds in only the
// points appended since the last one. A new width starts over.
class MinMaxDecimator {
public:
    explicit MinMaxDecimator(int series) : series_(series) {}
    int series() const { return series_; }

    // The columns covering [from, to] after folding in the points not seen yet.
    const std::vector<MinMaxColumn>& columns(const GraphHistory& history, double from, double to,
                                             double width);

private:
    struct Column {
        std::int64_t index{};
        std::int32_t min{};
        std::int32_t max{};
        bool minFirst = true;
    };
    void fold(std::int64_t index, std::int32_t value);

    int series_;
    double width_{};
    std::uint64_t next_{}; // number of the next point to fold in
    std::vector<Column> columns_;
    std::size_t front_{}; // columns before it lie left of the range
    std::vector<MinMaxColumn> out_;
};
