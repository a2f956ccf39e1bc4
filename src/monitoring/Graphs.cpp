#include "monitoring/Graphs.h"

#include "base/NumberText.h"
#include "monitoring/DataLog.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace {
// The kind of a series, 0 temperature, 1 fan speed, 2 duty: the index into the tables by kind.
std::size_t kindOf(int series) {
    return static_cast<std::size_t>(series / 4);
}
} // namespace

const GraphAxisSpec& AxisSpec(GraphAxis axis) {
    static const std::array axes{
        GraphAxisSpec{QStringLiteral("Temperature (°C)"), {0, 60}, {-40, 130}},
        GraphAxisSpec{QStringLiteral("Fan Speed (RPM)"), {0, 12000}, {0, 15000}},
        GraphAxisSpec{QStringLiteral("PWM Drive (% Duty)"), {0, 105}, {0, 105}},
    };
    return axes[static_cast<std::size_t>(axis)];
}

GraphAxis SeriesAxis(int series) {
    return series < 4 ? GraphAxis::Temperature : series < 8 ? GraphAxis::FanSpeed : GraphAxis::Duty;
}

QString SeriesName(int series) {
    static const std::array kinds{"Temp", "Fan", "PWM"};
    return QLatin1String(kinds[kindOf(series)]) + QString::number(series % 4 + 1);
}

QString SeriesUnit(int series) {
    static const std::array units{QStringLiteral("°C"), QStringLiteral("RPM"), QStringLiteral("%")};
    return units[kindOf(series)];
}

QString GraphCaption(int series, std::optional<std::int32_t> value) {
    static const std::array kinds{"Temp", "Tach", "PWM"};
    return QLatin1String(kinds[kindOf(series)]) + QString::number(series % 4 + 1) + QLatin1Char('=') +
           ReadingText(value) + SeriesUnit(series);
}

GraphSample GraphValues(const Readings& readings) {
    GraphSample values{};
    for (std::size_t k = 0; k < values.size(); ++k)
        values[k] = LogChannelValue(k, readings);
    return values;
}

const std::array<GraphType, GraphTypeCount>& GraphTypes() {
    static const std::array<GraphType, GraphTypeCount> types{{
        {QStringLiteral("Temperature Only"), {0, 1, 2, 3}, GraphAxis::Temperature, std::nullopt},
        {QStringLiteral("Tach Only"), {4, 5, 6, 7}, GraphAxis::FanSpeed, std::nullopt},
        {QStringLiteral("PWM Only"), {8, 9, 10, 11}, GraphAxis::Duty, std::nullopt},
        {QStringLiteral("Temperature and Tach"),
         {0, 1, 2, 3, 4, 5, 6, 7},
         GraphAxis::Temperature,
         GraphAxis::FanSpeed},
        {QStringLiteral("Temperature and PWM"),
         {0, 1, 2, 3, 8, 9, 10, 11},
         GraphAxis::Temperature,
         GraphAxis::Duty},
    }};
    return types;
}

IntervalEdit TypedGraphInterval(const QString& text, std::int16_t& interval) {
    const std::optional<double> typed = LeadingNumber(text);
    if (!typed || !(*typed > 0)) return IntervalEdit::Unchanged;
    const std::optional<std::int32_t> held = TypedInterval(text, 32767);
    if (!held) return IntervalEdit::Refused;
    interval = static_cast<std::int16_t>(*held);
    return IntervalEdit::Set;
}

const std::vector<HistoryChoice>& HistoryChoices() {
    static const std::vector<HistoryChoice> choices{
        {QStringLiteral("1 minute"), 60},     {QStringLiteral("2 minutes"), 120},
        {QStringLiteral("5 minutes"), 300},   {QStringLiteral("10 minutes"), 600},
        {QStringLiteral("30 minutes"), 1800}, {QStringLiteral("1 hour"), 3600},
    };
    return choices;
}

ValueRange TimeRange(const GraphHistory& history, double span) {
    const double shortest = std::min(span, ShortestTimeAxis);
    if (history.empty()) return {0, shortest};
    const double first = history.firstKey();
    const double last = history.lastKey();
    if (last - first >= span) return {last - span, last};
    double width = shortest;
    if (last - first > shortest) {
        const double octaves = std::ceil(8 * std::log2((last - first) / shortest)) / 8;
        width = std::clamp(shortest * std::exp2(octaves), last - first, span);
    }
    return {first, first + width};
}

ValueRange ClampValueRange(ValueRange range, const ValueRange& limits) {
    const auto [low, high] = std::minmax(range.lower, range.upper);
    const double width = std::clamp(high - low, 1.0, limits.upper - limits.lower);
    const double centre = (low + high) / 2;
    const double lower = std::clamp(centre - width / 2, limits.lower, limits.upper - width);
    return {lower, lower + width};
}

ValueRange ZoomValueRange(ValueRange range, double factor, double centre, const ValueRange& limits) {
    if (!(factor > 0)) return ClampValueRange(range, limits);
    return ClampValueRange(
        {centre + (range.lower - centre) * factor, centre + (range.upper - centre) * factor}, limits);
}

QString EventMarkerLabel(const Event& e) {
    switch (e.kind) {
    case EventKind::AlarmRaised:
        return e.channel + QStringLiteral(" alarm");
    case EventKind::AlarmCleared:
        return e.channel + QStringLiteral(" clear");
    case EventKind::RegisterWritten:
        return e.channel.section(u' ', 0, 0) + u'=' + e.value;
    case EventKind::ConfigurationRecalled:
        return QStringLiteral("recall");
    case EventKind::LoggingStarted:
        return QStringLiteral("log start");
    case EventKind::LoggingStopped:
        return QStringLiteral("log stop");
    case EventKind::LinkError:
        return QStringLiteral("link error");
    case EventKind::CommandFailed:
        return QStringLiteral("command failed");
    }
    return {};
}

namespace {
// Which event of a crowded marker names it: the lower, the more telling.
int telling(EventKind kind) {
    static constexpr std::array order{EventKind::LinkError,      EventKind::AlarmRaised,
                                      EventKind::AlarmCleared,   EventKind::ConfigurationRecalled,
                                      EventKind::LoggingStarted, EventKind::LoggingStopped,
                                      EventKind::CommandFailed,  EventKind::RegisterWritten};
    return static_cast<int>(std::ranges::find(order, kind) - order.begin());
}

QString timeOfDay(double key) {
    return QDateTime::fromMSecsSinceEpoch(std::llround(key * 1000.0))
        .toString(QStringLiteral("HH:mm:ss.zzz"));
}
} // namespace

std::vector<ChartMarker> ChartMarkers(const std::deque<Event>& events, const GraphClock& clock, double from,
                                      double to, double minGap) {
    std::vector<ChartMarker> markers;
    // Events closer together than the gap: one line at the first, labelled by the most telling.
    struct Crowd {
        double first;
        const Event* shown;
        int more; // events beside the one shown
    };
    std::optional<Crowd> crowd;
    const auto finish = [&] {
        if (!crowd) return;
        const QString more = crowd->more ? QStringLiteral(" +%1").arg(crowd->more) : QString();
        markers.push_back({crowd->first, EventMarkerLabel(*crowd->shown) + more, crowd->shown->kind});
    };
    for (const Event& e : events) {
        const double key = clock.key(e.steadyMs);
        if (key < from || key > to) continue;
        if (crowd && key - crowd->first < minGap) {
            ++crowd->more;
            if (telling(e.kind) < telling(crowd->shown->kind)) crowd->shown = &e;
            continue;
        }
        finish();
        crowd = Crowd{key, &e, 0};
    }
    finish();
    return markers;
}

QString CursorReadout(const GraphHistory& history, const std::vector<int>& series,
                      std::optional<double> first, std::optional<double> second) {
    std::vector<std::pair<int, double>> cursors;
    if (first) cursors.emplace_back(1, *first);
    if (second) cursors.emplace_back(2, *second);
    if (cursors.empty()) return {};
    QStringList where;
    for (const auto& [n, key] : cursors)
        where << QStringLiteral("Cursor %1 at %2").arg(n).arg(timeOfDay(key));
    QString text = where.join(QStringLiteral(", "));
    if (first && second) text += QStringLiteral(": %1 s apart").arg(SevenDigits(std::abs(*second - *first)));
    QStringList values;
    for (int s : series) {
        QStringList at;
        for (const auto& cursor : cursors) {
            const std::size_t after = history.upperBound(cursor.second);
            const auto value = after == 0 ? std::nullopt : history.value(s, after - 1);
            at << (value ? QString::number(*value) : QStringLiteral("-"));
        }
        values << SeriesName(s) + u' ' + at.join(QStringLiteral(" \u2192 ")) + SeriesUnit(s);
    }
    return text + u'\n' + values.join(QStringLiteral(", "));
}

QByteArray GraphCsv(const GraphHistory& history, const std::vector<int>& series, double from, double to,
                    const std::vector<ChartMarker>& markers) {
    QString text = QStringLiteral("Time");
    for (int s : series)
        text += QLatin1Char(',') + SeriesName(s) + QStringLiteral(" (") + SeriesUnit(s) + QLatin1Char(')');
    text += QStringLiteral(",Events\r\n");
    QByteArray bytes = text.toUtf8();
    const std::size_t begin = history.lowerBound(from);
    const std::size_t end = history.upperBound(to);
    auto marker = markers.begin();
    for (std::size_t i = begin; i < end; ++i) {
        const auto ms = static_cast<qint64>(std::llround(history.key(i) * 1000.0));
        QByteArray line =
            QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
        for (int s : series) {
            line += ',';
            if (const auto value = history.value(s, i)) line += QByteArray::number(*value);
        }
        QStringList labels;
        for (; marker != markers.end() && (marker->key <= history.key(i) || i + 1 == end); ++marker)
            labels << marker->label;
        line += ',' + labels.join(QStringLiteral("; ")).toUtf8() + "\r\n";
        bytes += line;
    }
    return bytes;
}
