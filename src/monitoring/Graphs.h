#pragma once

#include "board/Declarations.h"
#include "monitoring/GraphHistory.h"
#include "session/Events.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

// The graphs window's rules without a widget: the five graph types, the captions written into
// the legends, the axes and their zoom limits, the update-rate box, the time keys and the export
// of the shown data.

enum class GraphAxis { Temperature, FanSpeed, Duty };

struct ValueRange {
    double lower{};
    double upper{};
    bool operator==(const ValueRange&) const = default;
};

struct GraphAxisSpec {
    QString title;
    ValueRange shown;  // at load
    ValueRange limits; // zooming stays inside
};
const GraphAxisSpec& AxisSpec(GraphAxis axis);

// Series 0..3 Temp1..4 (°C), 4..7 Fan1..4 (RPM), 8..11 PWM1..4 (% duty).
GraphAxis SeriesAxis(int series);
QString SeriesName(int series); // "Temp1", "Fan1", "PWM1": the names stored with the chart
QString SeriesUnit(int series); // "°C", "RPM", "%"
// The legend caption of a series at a value: "Temp2=-5°C", "Tach2=1500RPM", "PWM3=40%"; for a
// reading never read "Temp2=—°C".
QString GraphCaption(int series, std::optional<std::int32_t> value);
// The latest readings as the twelve series take them, none for those never read.
GraphSample GraphValues(const Readings& readings);

// A graph type: its list entry, the series on its channels (channel c shows series
// channels[c]), and its axes; the second, when there is one, is drawn on the right.
struct GraphType {
    QString name;
    std::vector<int> channels;
    GraphAxis leftAxis;
    std::optional<GraphAxis> rightAxis;
};
inline constexpr int GraphTypeCount = 5;
const std::array<GraphType, GraphTypeCount>& GraphTypes();
inline constexpr int GraphTypeAtLoad = 3; // "Temperature and Tach"

// The update-rate box: a positive leading number sets the interval, rounded to a whole number;
// empty text, 0 or a negative number leave it. A number the 16-bit interval cannot hold is
// refused rather than wrapped to a negative interval.
enum class IntervalEdit { Unchanged, Refused, Set };
IntervalEdit TypedGraphInterval(const QString& text, std::int16_t& interval);

// How much history the window keeps and shows, as offered to the user.
struct HistoryChoice {
    QString caption;
    double seconds;
};
const std::vector<HistoryChoice>& HistoryChoices();
inline constexpr int HistoryChoiceAtLoad = 3; // 10 minutes

// Time keys: seconds since the epoch (shown as local time of day), taken from the steady clock anchored at
// the wall clock's time when the window opened, so a wall-clock step never moves a point back.
class GraphClock {
public:
    GraphClock(std::int64_t steadyMsAtOpen, std::int64_t epochMsAtOpen)
        : steadyMs_(steadyMsAtOpen), epochMs_(epochMsAtOpen) {}
    double key(std::int64_t steadyMs) const {
        return static_cast<double>(epochMs_ + (steadyMs - steadyMs_)) / 1000.0;
    }

private:
    std::int64_t steadyMs_;
    std::int64_t epochMs_;
};

// The time range a chart shows for a span. Until the history fills the span, the axis runs from
// the first point to about the newest, so that a few minutes of a ten-minute span are not a
// sliver at the left: it is at least ShortestTimeAxis wide (or the span, when shorter), and it
// widens in steps of an eighth of an octave (about 9 %) rather than at every point, so that a
// chart redraws from the whole history only now and then. Once the span is full, the range
// scrolls with the newest point at the right edge.
inline constexpr double ShortestTimeAxis = 60; // s
ValueRange TimeRange(const GraphHistory& history, double span);

// A value axis zoomed by `factor` about `centre` (above 1 zooms out), kept inside the axis's
// limits and no narrower than one unit.
ValueRange ZoomValueRange(ValueRange range, double factor, double centre, const ValueRange& limits);
// A range moved or zoomed by other means, brought back inside the limits.
ValueRange ClampValueRange(ValueRange range, const ValueRange& limits);

// An event as a labelled vertical line on the charts.
struct ChartMarker {
    double key{};  // seconds since the epoch, as the points
    QString label; // "Temp 1 alarm", "0x38=0xCC", "recall"; "+N" when N more events share the line
    EventKind kind{};
};
// The short label of one event: "Temp 1 alarm", "Temp 1 clear", "0x38=0xCC", "recall", "log start",
// "log stop", "link error", "command failed".
QString EventMarkerLabel(const Event& event);
// The events in [from, to] as markers, in time order. An event less than `minGap` seconds after a
// marker's first event joins that marker, which then shows the label of its most telling event
// (a link error before an alarm raised, cleared, a recall, logging, a write) with "+N".
std::vector<ChartMarker> ChartMarkers(const std::deque<Event>& events, const GraphClock& clock, double from,
                                      double to, double minGap);

// The two time cursors in words: when each stands, how far apart, and each series' value at both
// (the last point at or before the cursor; "-" before the first or where it was never read). Empty
// when neither is placed.
QString CursorReadout(const GraphHistory& history, const std::vector<int>& series,
                      std::optional<double> first, std::optional<double> second);

// The points kept with keys in [from, to] as CSV, UTF-8 with CR LF line ends: a header
// "Time,Temp1 (°C),Fan1 (RPM),...,Events" with one column per given series, then one line per
// point: the local date and time to the millisecond, the whole values (a field left empty where a
// reading had never been read), and the labels of the markers (joined by "; ") that fall after the
// point before and up to this one; markers after the last point go with it.
QByteArray GraphCsv(const GraphHistory& history, const std::vector<int>& series, double from, double to,
                    const std::vector<ChartMarker>& markers = {});
