#include "windows/widgets/StripChart.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace {
// The four channels of a kind in the colours of the curve plot; the second kind of a combined
// chart is dashed so its traces stay apart from the temperatures in the same colours.
const std::array<QColor, 4> ChannelColours{QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 192),
                                           QColor(192, 0, 192)};

const QString ChartToolTip = QStringLiteral("Drag the arrows at the edges of this graph to zoom in and out");

// Room for a marker's label, which runs down beside its line; closer events share a line.
constexpr int MarkerGapPixels = 16;
constexpr int ClickSlopPixels = 3; // a press and release closer than this is a click, not a drag

QColor markerColour(EventKind kind) {
    switch (kind) {
    case EventKind::AlarmRaised:
    case EventKind::LinkError:
        return QColor(200, 0, 0);
    case EventKind::AlarmCleared:
        return QColor(0, 140, 0);
    case EventKind::RegisterWritten:
    case EventKind::ConfigurationRecalled:
        return QColor(0, 0, 192);
    default:
        return QColor(96, 96, 96);
    }
}
} // namespace

StripChart::StripChart(const GraphHistory& history, const GraphType& type, QWidget* parent)
    : QCustomPlot(parent), history_(history), type_(type) {
    setToolTip(ChartToolTip);
    setAccessibleName(type_.name + QStringLiteral(" graph"));
    setFocusPolicy(Qt::StrongFocus);
    setNoAntialiasingOnDrag(true);
    setNotAntialiasedElements(QCP::aeAll);

    auto* ticker = new QCPAxisTickerDateTime;
    ticker->setDateTimeFormat(QStringLiteral("HH mm ss"));
    ticker->setDateTimeSpec(Qt::LocalTime);
    xAxis->setTicker(QSharedPointer<QCPAxisTicker>(ticker));
    xAxis->setLabel(QStringLiteral("Time of day (hours minutes seconds)"));
    setUpAxis(yAxis, type_.leftAxis);
    if (type_.rightAxis) {
        setUpAxis(yAxis2, *type_.rightAxis);
        yAxis2->setVisible(true);
    }

    for (std::size_t c = 0; c < type_.channels.size(); ++c) {
        const int series = type_.channels[c];
        const bool secondKind = type_.rightAxis && SeriesAxis(series) == *type_.rightAxis;
        QCPGraph* g = addGraph(xAxis, secondKind ? yAxis2 : yAxis);
        g->setName(SeriesName(series));
        g->setAdaptiveSampling(false); // the points are already one column each
        // A one-pixel pen takes the painter's fast path; wider pens cost tens of ms per picture.
        QPen pen(ChannelColours[c % 4], 1);
        if (secondKind) pen.setStyle(Qt::DashLine);
        g->setPen(pen);
        traces_.push_back({g, MinMaxDecimator(series)});
    }

    // The legend sits in a row above the plot, four captions to a line, so it never hides a trace.
    legend->setVisible(true);
    legend->setWrap(4);
    legend->setFillOrder(QCPLayoutGrid::foColumnsFirst, true); // the wrap applies to items already in
    legend->setBorderPen(Qt::NoPen);
    plotLayout()->insertRow(0);
    plotLayout()->addElement(0, 0, legend);
    plotLayout()->setRowStretchFactor(0, 0.001);
    legend->setMargins(QMargins(4, 2, 4, 2));

    axisRect()->setRangeDrag(Qt::Vertical);
    axisRect()->setRangeZoom(Qt::Vertical);
    QList<QCPAxis*> valueAxes{yAxis};
    if (type_.rightAxis) valueAxes << yAxis2;
    axisRect()->setRangeDragAxes({}, valueAxes);
    axisRect()->setRangeZoomAxes({}, valueAxes);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);

    replotTimer_.setSingleShot(true);
    connect(&replotTimer_, &QTimer::timeout, this, &StripChart::replotNow);
}

QCPItemStraightLine* StripChart::verticalLine(double key, const QPen& pen) {
    auto* line = new QCPItemStraightLine(this);
    for (QCPItemPosition* p : {line->point1, line->point2}) {
        p->setTypeX(QCPItemPosition::ptPlotCoords);
        p->setTypeY(QCPItemPosition::ptAxisRectRatio);
    }
    line->point1->setCoords(key, 0);
    line->point2->setCoords(key, 1);
    line->setPen(pen); // left selectable: the chart takes no item selection, it only drags and zooms
    return line;
}

void StripChart::drawMarkers(const ValueRange& range, double secondsPerPixel) {
    for (QCPAbstractItem* item : markerItems_)
        removeItem(item);
    markerItems_.clear();
    markers_ = markerSource ? markerSource(range.lower, range.upper, MarkerGapPixels * secondsPerPixel)
                            : std::vector<ChartMarker>{};
    for (const ChartMarker& m : markers_) {
        const QColor colour = markerColour(m.kind);
        markerItems_.push_back(verticalLine(m.key, QPen(colour, 1, Qt::DotLine)));
        auto* label = new QCPItemText(this);
        label->position->setTypeX(QCPItemPosition::ptPlotCoords);
        label->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
        label->position->setCoords(m.key, 0.01);
        label->setRotation(90);
        label->setPositionAlignment(Qt::AlignLeft | Qt::AlignBottom);
        label->setText(m.label);
        label->setColor(colour);
        markerItems_.push_back(label);
    }
    for (std::size_t c = 0; c < cursors_.size(); ++c) {
        if (cursorLines_[c]) removeItem(cursorLines_[c]);
        cursorLines_[c] =
            cursors_[c] ? verticalLine(*cursors_[c], QPen(Qt::black, 1, Qt::DashLine)) : nullptr;
    }
}

void StripChart::setCursor(std::size_t which, std::optional<double> key) {
    cursors_.at(which) = key;
    if (key) activeCursor_ = which;
    replotNow();
    Q_EMIT cursorsChanged();
}

void StripChart::setUpAxis(QCPAxis* axis, GraphAxis kind) {
    const GraphAxisSpec& design = AxisSpec(kind);
    axis->setLabel(design.title);
    axis->setRange(design.shown.lower, design.shown.upper);
    axis->setUpperEnding(QCPLineEnding::esSpikeArrow);
    axis->setLowerEnding(QCPLineEnding::esSpikeArrow);
    connect(axis, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
            [this, axis] { keepInLimits(axis); });
}

void StripChart::keepInLimits(QCPAxis* axis) {
    const GraphAxis kind = axis == yAxis ? type_.leftAxis : *type_.rightAxis;
    const ValueRange now{axis->range().lower, axis->range().upper};
    const ValueRange kept = ClampValueRange(now, AxisSpec(kind).limits);
    if (kept != now) axis->setRange(kept.lower, kept.upper);
}

QString StripChart::caption(std::size_t channel) const {
    return traces_.at(channel).graph->name();
}

void StripChart::setCaption(std::size_t channel, const QString& text) {
    QCPGraph* g = traces_.at(channel).graph;
    if (g->name() != text) g->setName(text);
}

void StripChart::dataAppended() {
    if (paused_ || !isVisible() || replotTimer_.isActive()) return;
    const ValueRange range = timeRange();
    const double columnMs = 1000 * (range.upper - range.lower) / std::max(1, axisRect()->width());
    replotTimer_.start(
        static_cast<int>(std::clamp<double>(columnMs, MinReplotIntervalMs, MaxReplotIntervalMs)));
}

void StripChart::setPaused(bool paused) {
    if (paused == paused_) return;
    if (paused) {
        // Taken while the chart still follows the history: the range it shows now.
        frozen_ = timeRange();
        held_ = history_.slice(frozen_.lower, frozen_.upper);
    } else {
        held_.reset();
    }
    paused_ = paused;
    replotTimer_.stop();
    // The columns folded so far came from the other store.
    for (Trace& t : traces_)
        t.decimator = MinMaxDecimator(t.decimator.series());
    if (isVisible()) replotNow();
}

ValueRange StripChart::timeRange() const {
    return paused_ ? frozen_ : TimeRange(history_, history_.span());
}

void StripChart::replotNow() {
    replotTimer_.stop();
    const ValueRange range = timeRange();
    xAxis->setRange(range.lower, range.upper);
    const double width = (range.upper - range.lower) / std::max(1, axisRect()->width());
    QStringList captions;
    for (Trace& t : traces_) {
        const std::vector<MinMaxColumn>& columns =
            t.decimator.columns(shownHistory(), range.lower, range.upper, width);
        QVector<QCPGraphData> points; // the graph keeps this buffer: one allocation a trace, of its size
        points.reserve(2 * static_cast<qsizetype>(columns.size()));
        for (const MinMaxColumn& c : columns)
            points << QCPGraphData(c.key, c.first) << QCPGraphData(c.key, c.second);
        t.graph->data()->set(points, true);
        captions << t.graph->name();
    }
    drawMarkers(range, width);
    const QString description = captions.join(QStringLiteral(", "));
    if (accessibleDescription() != description) setAccessibleDescription(description);
    replot();
    ++replots_;
}

QCPAxis* StripChart::valueAxis(GraphAxis axis) const {
    if (axis == type_.leftAxis) return yAxis;
    if (type_.rightAxis && axis == *type_.rightAxis) return yAxis2;
    return nullptr;
}

ValueRange StripChart::valueRange(GraphAxis axis) const {
    const QCPAxis* a = valueAxis(axis);
    return a ? ValueRange{a->range().lower, a->range().upper} : ValueRange{};
}

void StripChart::zoomValueAxes(double factor) {
    for (QCPAxis* axis : {yAxis, yAxis2}) {
        if (!axis->visible()) continue;
        const GraphAxis kind = axis == yAxis ? type_.leftAxis : *type_.rightAxis;
        const ValueRange r = ZoomValueRange({axis->range().lower, axis->range().upper}, factor,
                                            axis->range().center(), AxisSpec(kind).limits);
        axis->setRange(r.lower, r.upper);
    }
    replotNow();
}

void StripChart::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomValueAxes(1 / KeyZoomFactor);
        return;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        zoomValueAxes(KeyZoomFactor);
        return;
    case Qt::Key_1:
    case Qt::Key_2: {
        const QPoint at = mapFromGlobal(QCursor::pos());
        const ValueRange range = timeRange();
        const double key = axisRect()->rect().contains(at) ? keyAt(at.x()) : (range.lower + range.upper) / 2;
        setCursor(event->key() == Qt::Key_1 ? 0 : 1, key);
        return;
    }
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const auto& placed = cursors_[activeCursor_];
        if (!placed) break;
        const double step = (keyAt(1) - keyAt(0)) * ((event->modifiers() & Qt::ShiftModifier) ? 10 : 1);
        setCursor(activeCursor_, *placed + (event->key() == Qt::Key_Left ? -step : step));
        return;
    }
    case Qt::Key_Escape:
        if (!cursors_[0] && !cursors_[1]) break;
        cursors_ = {};
        replotNow();
        Q_EMIT cursorsChanged();
        return;
    default:
        break;
    }
    QCustomPlot::keyPressEvent(event);
}

QCPAxis* StripChart::axisAt(const QPoint& pos) const {
    for (QCPAxis* axis : {yAxis, yAxis2})
        if (axis->visible() && axis->selectTest(pos, false) >= 0) return axis;
    return nullptr;
}

void StripChart::mousePressEvent(QMouseEvent* event) {
    pressedAt_ = event->pos();
    zoomingAxis_ = event->button() == Qt::LeftButton ? axisAt(event->pos()) : nullptr;
    if (!zoomingAxis_) return QCustomPlot::mousePressEvent(event);
    zoomFromY_ = event->pos().y();
    event->accept();
}

void StripChart::mouseMoveEvent(QMouseEvent* event) {
    if (!zoomingAxis_) return QCustomPlot::mouseMoveEvent(event);
    // Dragging up stretches the axis (zooms in), down shrinks it; 100 pixels double or halve it.
    const double factor = std::pow(2.0, (event->pos().y() - zoomFromY_) / 100.0);
    zoomFromY_ = event->pos().y();
    zoomingAxis_->scaleRange(factor, zoomingAxis_->range().center());
    replotNow();
}

void StripChart::mouseReleaseEvent(QMouseEvent* event) {
    if (!zoomingAxis_) {
        const bool click = event->button() == Qt::LeftButton &&
                           (event->pos() - pressedAt_).manhattanLength() < ClickSlopPixels &&
                           axisRect()->rect().contains(event->pos());
        QCustomPlot::mouseReleaseEvent(event);
        if (click) setCursor(1 - activeCursor_, keyAt(event->pos().x()));
        return;
    }
    zoomingAxis_ = nullptr;
}

void StripChart::showEvent(QShowEvent* event) {
    QCustomPlot::showEvent(event);
    replotNow();
}

void StripChart::resizeEvent(QResizeEvent* event) {
    QCustomPlot::resizeEvent(event);
    if (isVisible()) replotNow();
}
