#pragma once

#include "fancontrol/AutoControl.h"

#include <QColor>
#include <QLabel>
#include <QLineF>
#include <QRectF>
#include <QWidget>

#include <array>
#include <cstddef>
#include <optional>

// The plot area of the fan-control curves: duty (%) against temperature (°C) on a white ground
// with a light grey grid, one six-segment curve and one control-point marker per PWM output.
// Everything is kept in temperature and duty and mapped to pixels with the area's present size
// at every paint, so the picture follows resizing by itself.
class CurvePlot final : public QWidget {
    Q_OBJECT
public:
    static constexpr int CurveCount = 4;
    static constexpr int GridLinesX = 12; // 10 .. 120 °C
    static constexpr int GridLinesY = 10; // 10 .. 100 %
    static constexpr int MarkerSizeTwips = 105;

    explicit CurvePlot(QWidget* parent = nullptr);

    static QColor curveColor(std::size_t k);
    // Solid, except the dotted switch-on edge.
    static Qt::PenStyle segmentStyle(std::size_t segment);
    // The mapping at the area's present size.
    PlotScale scale() const;

    // Creates the curves and the grid afresh: no curve drawn, every marker hidden.
    void SetupPlot();
    bool isSetUp() const { return setUp_; }
    // Repaints only when the curve changed.
    void setCurve(std::size_t k, const Curve& curve);
    const std::optional<Curve>& curve(std::size_t k) const { return curves_.at(k); }
    // A segment of curve k in pixel coordinates of the area.
    QLineF segmentLine(std::size_t k, std::size_t segment) const;
    QLineF gridLineX(int i) const; // mLnX(i)
    QLineF gridLineY(int i) const; // mLnY(i)

    // Shows marker i centred at (temperature, duty); without a temperature it keeps its
    // horizontal place. Hiding and showing repaint only when something changed.
    void showMarker(std::size_t i, std::optional<float> temperature, float duty);
    void hideMarker(std::size_t i);
    bool markerVisible(std::size_t i) const { return markers_.at(i).visible; }
    // Marker i's square in pixel coordinates of the area (its place also while hidden).
    QRectF markerRect(std::size_t i) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Marker {
        float temperature{};
        float duty{};
        bool visible = false;
    };
    bool setUp_ = false;
    std::array<std::optional<Curve>, CurveCount> curves_{};
    std::array<Marker, CurveCount> markers_{};
};

// The frame that holds the plot area with its axis numbers and captions around it; it places
// each number beside its grid line whenever its size changes.
class CurvePlotFrame final : public QWidget {
    Q_OBJECT
public:
    explicit CurvePlotFrame(QWidget* parent = nullptr);

    CurvePlot* pctGraph{};
    std::array<QLabel*, CurvePlot::GridLinesX> lblX{};     // "10" .. "120"
    std::array<QLabel*, CurvePlot::GridLinesY + 1> lblP{}; // "0" .. "100"
    QLabel* Label1{};                                      // "%"
    QLabel* Label2{};                                      // "Temperature °C"

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QFontMetrics numberMetrics() const;
    void placeContents();
};
