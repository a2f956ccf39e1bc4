#include "charts/ChartImage.h"

#include <QApplication>
#include <QBuffer>
#include <QPixmap>

#include "charts/QCustomPlotHeader.h"

#include <array>

namespace {
constexpr std::array<QRgb, 4> SeriesColours{0x1F77B4, 0xD62728, 0x2CA02C, 0x9467BD};
} // namespace

QByteArray RenderChartPng(const BenchChart& chart, int width, int height) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return {};
    QCustomPlot plot;
    plot.plotLayout()->insertRow(0);
    // In the program's own typeface: for a font named by no family the font database picks one of
    // those installed, with the URW fonts there a Century Schoolbook.
    plot.plotLayout()->addElement(
        0, 0, new QCPTextElement(&plot, chart.title, QFont(plot.font().family(), 11, QFont::Bold)));
    plot.xAxis->setLabel(chart.xLabel);
    plot.yAxis->setLabel(chart.yLabel);
    bool any = false;
    for (std::size_t i = 0; i < chart.series.size(); ++i) {
        const ChartSeries& s = chart.series[i];
        QCPGraph* g = plot.addGraph();
        g->setName(s.name);
        const QColor colour(SeriesColours[i % SeriesColours.size()]);
        g->setPen(QPen(colour, 2));
        if (!s.line) {
            g->setLineStyle(QCPGraph::lsNone);
            g->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssCircle, colour, colour, 7));
        }
        QVector<double> x, y;
        for (const QPointF& p : s.points) {
            x << p.x();
            y << p.y();
        }
        // The points are in time or measurement order, not necessarily by x.
        g->setData(x, y, false);
        any = any || !s.points.empty();
    }
    if (any) plot.rescaleAxes();
    if (chart.series.size() > 1) plot.legend->setVisible(true);
    const QPixmap pixmap = plot.toPixmap(width, height);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!pixmap.save(&buffer, "PNG")) return {};
    return png;
}
