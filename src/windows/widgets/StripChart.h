#pragma once

#include "monitoring/GraphHistory.h"
#include "monitoring/Graphs.h"

#include "charts/QCustomPlotHeader.h"
#include <QTimer>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// A strip chart: the traces of one graph type against the time of day, drawn from the shared
// history. The chart keeps no data of its own beyond one pixel column's minimum and maximum per
// trace, and redraws at most at display rate, only while it is shown and not paused.
//
// The value axes carry arrows at their ends: dragging up or down on an axis zooms it, the mouse
// wheel over the plot zooms both value axes, and +/- zoom them from the keyboard; the zoom stays
// within each axis's limits. Dragging inside the plot moves the value ranges.
//
// Events stand on the chart as labelled vertical lines. Two time cursors are placed by clicking
// the plot (the first click places cursor 1, the next cursor 2, and so on in turn) or with the keys
// 1 and 2 (at the mouse pointer over the plot, else in the middle of the time range); Left and
// Right move the cursor placed last by a pixel column (with Shift by ten), Escape removes both.
class StripChart final : public QCustomPlot {
    Q_OBJECT
public:
    // A new picture waits for the time one pixel column of the time axis covers (0.6 s for ten
    // minutes on a thousand pixels): drawing more often would repeat the same pixels. It never
    // draws more than 25 pictures a second, and never waits longer than a quarter of a second, so
    // the newest column and the live values in the legend keep up.
    static constexpr int MinReplotIntervalMs = 40;
    static constexpr int MaxReplotIntervalMs = 250;
    static constexpr double KeyZoomFactor = 1.25;

    StripChart(const GraphHistory& history, const GraphType& type, QWidget* parent = nullptr);

    const GraphType& type() const { return type_; }
    // The legend caption of a channel's trace; set from code, it shows at the next picture.
    QString caption(std::size_t channel) const;
    void setCaption(std::size_t channel, const QString& text);

    // New points are in the history: a picture follows within the display interval when shown.
    void dataAppended();
    // A paused chart holds the time range it showed and the points in it, for its picture and
    // for an export, however long it stays paused; the history keeps filling meanwhile.
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // The points the chart draws from: those it holds while paused, else the history.
    const GraphHistory& shownHistory() const { return held_ ? *held_ : history_; }
    // Redraws at once from the history.
    void replotNow();
    int replots() const { return replots_; }

    // The time range shown (seconds since the epoch) and a value axis's range.
    ValueRange timeRange() const;
    QCPAxis* valueAxis(GraphAxis axis) const;
    ValueRange valueRange(GraphAxis axis) const;
    // Zooms every value axis about its centre; above 1 zooms out.
    void zoomValueAxes(double factor);

    // The markers between two keys, merging those closer than the gap (seconds); asked at every
    // picture.
    std::function<std::vector<ChartMarker>(double from, double to, double minGap)> markerSource;
    const std::vector<ChartMarker>& markers() const { return markers_; }
    // Cursor 0 or 1 (shown as 1 and 2): its key, none when not placed.
    std::optional<double> cursor(std::size_t which) const { return cursors_.at(which); }
    void setCursor(std::size_t which, std::optional<double> key);

Q_SIGNALS:
    void cursorsChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Trace {
        QCPGraph* graph{};
        MinMaxDecimator decimator;
    };
    void setUpAxis(QCPAxis* axis, GraphAxis kind);
    void drawMarkers(const ValueRange& range, double secondsPerPixel);
    QCPItemStraightLine* verticalLine(double key, const QPen& pen);
    double keyAt(int x) const { return xAxis->pixelToCoord(x); }
    QCPAxis* axisAt(const QPoint& pos) const;
    void keepInLimits(QCPAxis* axis);

    const GraphHistory& history_;
    GraphType type_;
    std::vector<Trace> traces_;
    QTimer replotTimer_;
    bool paused_ = false;
    ValueRange frozen_;
    std::optional<GraphHistory> held_;
    int replots_{};
    QCPAxis* zoomingAxis_ = nullptr;
    int zoomFromY_{};
    std::vector<ChartMarker> markers_;
    std::vector<QCPAbstractItem*> markerItems_;
    std::array<std::optional<double>, 2> cursors_{};
    std::array<QCPItemStraightLine*, 2> cursorLines_{};
    std::size_t activeCursor_ = 1; // the cursor placed last; a click places the other
    QPoint pressedAt_;
};
