#include "windows/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace {

const QColor kInk(52, 64, 84);
const QColor kAccent(45, 108, 223);
const QColor kWarm(214, 84, 40);

// Draws one icon on a 24 x 24 grid.
void draw(QPainter& p, const QString& key) {
    QPen ink(kInk, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    QPen accent(kAccent, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(ink);
    if (key == QLatin1String("Save")) { // a floppy disk
        QPainterPath disk;
        disk.moveTo(4, 4);
        disk.lineTo(17, 4);
        disk.lineTo(20, 7);
        disk.lineTo(20, 20);
        disk.lineTo(4, 20);
        disk.closeSubpath();
        p.drawPath(disk);
        p.drawRect(QRectF(8, 4, 7, 5));
        p.setPen(accent);
        p.drawRect(QRectF(7, 13, 10, 7));
    } else if (key == QLatin1String("Config")) { // a gear
        p.save();
        p.translate(12, 12);
        for (int i = 0; i < 8; ++i) {
            p.drawLine(QPointF(0, -7), QPointF(0, -10));
            p.rotate(45);
        }
        p.restore();
        p.drawEllipse(QPointF(12, 12), 7, 7);
        p.setPen(accent);
        p.drawEllipse(QPointF(12, 12), 2.5, 2.5);
    } else if (key == QLatin1String("Graphs")) { // axes with two traces
        p.drawLine(QPointF(4, 3), QPointF(4, 20));
        p.drawLine(QPointF(4, 20), QPointF(21, 20));
        p.setPen(accent);
        p.drawPolyline(QPolygonF({{5, 15}, {9, 10}, {13, 13}, {17, 6}, {21, 8}}));
        p.setPen(QPen(kWarm, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({{5, 18}, {10, 16}, {14, 17}, {21, 13}}));
    } else if (key == QLatin1String("Fan")) { // a four-bladed fan
        p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
        p.setPen(accent);
        p.save();
        p.translate(12, 12);
        for (int i = 0; i < 4; ++i) {
            QPainterPath blade;
            blade.moveTo(0, -2);
            blade.cubicTo(1, -7, 5, -8, 6, -5);
            blade.cubicTo(5, -3, 2, -2, 0, -2);
            p.drawPath(blade);
            p.rotate(90);
        }
        p.restore();
        p.drawEllipse(QPointF(12, 12), 1.8, 1.8);
    } else if (key == QLatin1String("Tree")) { // a register tree
        p.drawRect(QRectF(3, 3, 6, 4));
        p.drawLine(QPointF(6, 7), QPointF(6, 19));
        p.drawLine(QPointF(6, 12), QPointF(11, 12));
        p.drawLine(QPointF(6, 19), QPointF(11, 19));
        p.setPen(accent);
        p.drawRect(QRectF(12, 10, 9, 4));
        p.drawRect(QRectF(12, 17, 9, 4));
    } else if (key == QLatin1String("Limits")) { // a gauge with a needle and a red limit
        QPainterPath arc;
        arc.arcMoveTo(QRectF(3, 5, 18, 18), 180);
        arc.arcTo(QRectF(3, 5, 18, 18), 180, -180);
        p.drawPath(arc);
        p.setPen(QPen(kWarm, 2.4, Qt::SolidLine, Qt::FlatCap));
        QPainterPath limit;
        limit.arcMoveTo(QRectF(3, 5, 18, 18), 40);
        limit.arcTo(QRectF(3, 5, 18, 18), 40, -40);
        p.drawPath(limit);
        p.setPen(accent);
        p.drawLine(QPointF(12, 14), QPointF(16.5, 8.5));
        p.setBrush(kAccent);
        p.drawEllipse(QPointF(12, 14), 1.6, 1.6);
    } else if (key == QLatin1String("GPIO")) { // a chip with pins
        p.drawRoundedRect(QRectF(6, 6, 12, 12), 1.5, 1.5);
        for (int i = 0; i < 3; ++i) {
            const double c = 9 + 3 * i;
            p.drawLine(QPointF(c, 2.5), QPointF(c, 6));
            p.drawLine(QPointF(c, 18), QPointF(c, 21.5));
            p.drawLine(QPointF(2.5, c), QPointF(6, c));
            p.drawLine(QPointF(18, c), QPointF(21.5, c));
        }
        p.setPen(accent);
        p.drawEllipse(QPointF(12, 12), 2, 2);
    } else if (key == QLatin1String("Heaters")) { // a heating element with rising heat
        p.setPen(QPen(kWarm, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({{3, 19}, {6, 15}, {9, 19}, {12, 15}, {15, 19}, {18, 15}, {21, 19}}));
        p.setPen(ink);
        for (int i = 0; i < 3; ++i) {
            const double x = 7 + 5 * i;
            QPainterPath wave;
            wave.moveTo(x, 12);
            wave.cubicTo(x - 2, 10, x + 2, 7, x, 4);
            p.drawPath(wave);
        }
    } else if (key == QLatin1String("AFC")) { // a fan-control curve
        p.drawLine(QPointF(3, 3), QPointF(3, 21));
        p.drawLine(QPointF(3, 21), QPointF(21, 21));
        p.setPen(accent);
        p.drawPolyline(QPolygonF({{4, 20}, {8, 20}, {8, 15}, {11, 15}, {17, 6}, {21, 6}}));
        p.setPen(QPen(kWarm, 1.4, Qt::DotLine, Qt::RoundCap));
        p.drawLine(QPointF(11, 20), QPointF(11, 15));
    }
}

QPixmap render(const QString& key, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    draw(p, key);
    return pm;
}

} // namespace

QIcon ToolbarIcon(const QString& key) {
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(render(key, size));
    return icon;
}
