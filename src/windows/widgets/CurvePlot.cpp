#include "windows/widgets/CurvePlot.h"

#include "windows/Named.h"
#include "windows/Twips.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace {
const QColor GridColour(192, 192, 192);
const QColor BorderColour(128, 128, 128);

// Cuts a line to a rectangle (Liang-Barsky). Points far outside the plot are legitimate data,
// but the rasteriser must not be handed coordinates of any size.
std::optional<QLineF> clipped(const QLineF& line, const QRectF& box) {
    if (!std::isfinite(line.x1()) || !std::isfinite(line.y1()) || !std::isfinite(line.x2()) ||
        !std::isfinite(line.y2()))
        return std::nullopt;
    const double dx = line.dx();
    const double dy = line.dy();
    double t0 = 0;
    double t1 = 1;
    const std::array p{-dx, dx, -dy, dy};
    const std::array q{line.x1() - box.left(), box.right() - line.x1(), line.y1() - box.top(),
                       box.bottom() - line.y1()};
    for (std::size_t k = 0; k < p.size(); ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return std::nullopt;
            continue;
        }
        const double r = q[k] / p[k];
        if (p[k] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1) return std::nullopt;
    }
    return QLineF(line.pointAt(t0), line.pointAt(t1));
}

QLineF mapped(const PlotScale& s, const CurvePoint& a, const CurvePoint& b) {
    return QLineF(s.T2X(a.temperature), s.P2Y(a.duty), s.T2X(b.temperature), s.P2Y(b.duty));
}
} // namespace

CurvePlot::CurvePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("pctGraph"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(130, 110);
}

QColor CurvePlot::curveColor(std::size_t k) {
    static const std::array<QColor, CurveCount> colours{QColor(255, 0, 0), QColor(0, 255, 0),
                                                        QColor(0, 0, 255), QColor(192, 0, 192)};
    return colours.at(k);
}

Qt::PenStyle CurvePlot::segmentStyle(std::size_t segment) {
    return segment == SwitchOnSegment ? Qt::DotLine : Qt::SolidLine;
}

PlotScale CurvePlot::scale() const {
    PlotScale s;
    s.W = static_cast<float>(width());
    s.H = static_cast<float>(height());
    return s;
}

void CurvePlot::SetupPlot() {
    setUp_ = true;
    curves_.fill(std::nullopt);
    markers_.fill(Marker{});
    update();
}

void CurvePlot::setCurve(std::size_t k, const Curve& curve) {
    auto& slot = curves_.at(k);
    if (slot == curve) return;
    slot = curve;
    update();
}

QLineF CurvePlot::segmentLine(std::size_t k, std::size_t segment) const {
    const auto& c = curve(k);
    if (!c) return {};
    const CurveSegment& s = c->at(segment);
    return mapped(scale(), s.from, s.to);
}

QLineF CurvePlot::gridLineX(int i) const {
    const PlotScale s = scale();
    const float t = 10.0f * static_cast<float>(i + 1);
    return QLineF(s.T2X(t), s.P2Y(0), s.T2X(t), s.P2Y(DutyAxisMax));
}

QLineF CurvePlot::gridLineY(int i) const {
    const PlotScale s = scale();
    const float d = 10.0f * static_cast<float>(i + 1);
    return QLineF(s.T2X(0), s.P2Y(d), s.T2X(TempAxisMax), s.P2Y(d));
}

void CurvePlot::showMarker(std::size_t i, std::optional<float> temperature, float duty) {
    Marker& m = markers_.at(i);
    const Marker before = m;
    if (temperature) m.temperature = *temperature;
    m.duty = duty;
    m.visible = true;
    if (before.temperature != m.temperature || before.duty != m.duty || !before.visible) update();
}

void CurvePlot::hideMarker(std::size_t i) {
    Marker& m = markers_.at(i);
    if (!m.visible) return;
    m.visible = false;
    update();
}

QRectF CurvePlot::markerRect(std::size_t i) const {
    const Marker& m = markers_.at(i);
    const PlotScale s = scale();
    const double size = MarkerSizeTwips / TwipsPerPixel;
    return QRectF(s.T2X(m.temperature) - size / 2, s.P2Y(m.duty) - size / 2, size, size);
}

void CurvePlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    if (!setUp_) return;

    const PlotScale s = scale();
    const QRectF box = QRectF(rect()).adjusted(-8, -8, 8, 8);

    p.setPen(QPen(GridColour, 0));
    for (int i = 0; i < GridLinesX; ++i)
        p.drawLine(gridLineX(i));
    for (int i = 0; i < GridLinesY; ++i)
        p.drawLine(gridLineY(i));

    p.setRenderHint(QPainter::Antialiasing);
    for (std::size_t k = 0; k < curves_.size(); ++k) {
        const auto& c = curves_[k];
        if (!c) continue;
        for (std::size_t seg = 0; seg < c->size(); ++seg) {
            const CurveSegment& cs = (*c)[seg];
            const auto line = clipped(mapped(s, cs.from, cs.to), box);
            if (!line) continue;
            p.setPen(QPen(curveColor(k), 2, segmentStyle(seg), Qt::FlatCap));
            p.drawLine(*line);
        }
    }

    for (std::size_t i = 0; i < markers_.size(); ++i) {
        const Marker& m = markers_[i];
        if (!m.visible) continue;
        const QRectF r = markerRect(i);
        if (!box.contains(r.center())) continue;
        p.setPen(QPen(curveColor(i), 1));
        p.setBrush(curveColor(i));
        p.drawEllipse(r);
    }

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(BorderColour, 0));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

CurvePlotFrame::CurvePlotFrame(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("fraGraph"));
    pctGraph = new CurvePlot(this);
    const auto label = [this](const QString& name, const QString& text, Qt::Alignment align) {
        auto* l = Named(new QLabel(text, this), name);
        l->setAlignment(align);
        return l;
    };
    for (std::size_t i = 0; i < lblX.size(); ++i)
        lblX[i] = label(Indexed("lblX", i), QString::number(10 * (i + 1)), Qt::AlignCenter);
    for (std::size_t i = 0; i < lblP.size(); ++i)
        lblP[i] = label(Indexed("lblP", i), QString::number(10 * i), Qt::AlignRight | Qt::AlignVCenter);
    // The numbers are a little smaller than the captions, so that twelve fit under a narrow plot.
    QFont numbers = font();
    numbers.setPointSizeF(numbers.pointSizeF() * 0.85);
    for (QLabel* l : lblX)
        l->setFont(numbers);
    for (QLabel* l : lblP)
        l->setFont(numbers);
    Label1 = label(QStringLiteral("Label1"), QStringLiteral("%"), Qt::AlignRight | Qt::AlignVCenter);
    Label2 = label(QStringLiteral("Label2"), QStringLiteral("Temperature °C"), Qt::AlignCenter);
}

namespace {
struct FrameMargins {
    int left, top, right, bottom, numberWidth, line;
};
FrameMargins frameMargins(const QFontMetrics& fm) {
    FrameMargins m{};
    m.line = fm.height();
    m.numberWidth = fm.horizontalAdvance(QStringLiteral("100")) + 2;
    m.left = m.numberWidth + 5;
    m.top = m.line + 2; // room for the "%" caption above the duty numbers
    m.right = fm.horizontalAdvance(QStringLiteral("120")) / 2 + 2;
    m.bottom = 2 * m.line + 4;
    return m;
}
} // namespace

QSize CurvePlotFrame::minimumSizeHint() const {
    const FrameMargins m = frameMargins(numberMetrics());
    return {m.left + m.right + 260, m.top + m.bottom + 200};
}

QSize CurvePlotFrame::sizeHint() const {
    const FrameMargins m = frameMargins(numberMetrics());
    return {m.left + m.right + 380, m.top + m.bottom + 290};
}

void CurvePlotFrame::resizeEvent(QResizeEvent*) {
    placeContents();
}

QFontMetrics CurvePlotFrame::numberMetrics() const {
    return QFontMetrics(lblX[0]->font());
}

void CurvePlotFrame::placeContents() {
    const FrameMargins m = frameMargins(numberMetrics());
    const QRect area(m.left, m.top, std::max(1, width() - m.left - m.right),
                     std::max(1, height() - m.top - m.bottom));
    pctGraph->setGeometry(area);
    const PlotScale s = pctGraph->scale();

    for (std::size_t i = 0; i < lblP.size(); ++i) {
        const int y = area.top() + qRound(s.P2Y(10.0f * static_cast<float>(i)));
        lblP[i]->setGeometry(area.left() - m.numberWidth - 3, y - m.line / 2, m.numberWidth, m.line);
    }
    const int numberWidth = m.numberWidth + 4;
    for (std::size_t i = 0; i < lblX.size(); ++i) {
        const int x = area.left() + qRound(s.T2X(10.0f * static_cast<float>(i + 1)));
        lblX[i]->setGeometry(x - numberWidth / 2, area.bottom() + 3, numberWidth, m.line);
    }
    Label1->setGeometry(area.left() - m.numberWidth - 3, 0, m.numberWidth, m.line);
    const int captionHeight = Label2->sizeHint().height();
    Label2->setGeometry(area.left(), height() - captionHeight, area.width(), captionHeight);
}
