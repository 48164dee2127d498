#include "view/console_cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <numbers>

#include "view/chart_cursors.h"
#include "view/cursor_drawing.h"

namespace tessaly::view {

namespace {

// The edge of this set's figures.
constexpr double kEdge = 1.6;

// An arrowhead with its tip at `tip`, pointing along `angle` (radians).
QPainterPath arrowhead(QPointF tip, double angle, double length, double width) {
    const QPointF along(std::cos(angle), std::sin(angle));
    const QPointF across(-along.y(), along.x());
    const QPointF base = tip - along * length;
    QPainterPath path;
    path.moveTo(tip);
    path.lineTo(base + across * (width / 2));
    path.lineTo(base - across * (width / 2));
    path.closeSubpath();
    return path;
}

// Two curved arrows chasing each other round the centre: turning.
void draw_turning(QPainter& painter, QColor fill) {
    const QPointF c(16, 16);
    const double r = 9.5, band = 3.6;
    QPainterPath path;
    for (const double start : {200.0, 20.0}) {
        // A thick arc of 120 degrees (Qt counts counter-clockwise) …
        const double sweep = -120;
        QPainterPath arc;
        const QRectF outer(c.x() - r - band / 2, c.y() - r - band / 2, 2 * r + band, 2 * r + band);
        const QRectF inner(c.x() - r + band / 2, c.y() - r + band / 2, 2 * r - band, 2 * r - band);
        arc.arcMoveTo(outer, start);
        arc.arcTo(outer, start, sweep);
        arc.arcTo(inner, start + sweep, -sweep);
        arc.closeSubpath();
        path = path.united(arc);
        // … ending in a head that points clockwise along the circle.
        const double end = (start + sweep) * std::numbers::pi / 180;
        const QPointF tip = c + QPointF(std::cos(end), -std::sin(end)) * r;
        const double heading = -end + std::numbers::pi / 2;  // the clockwise tangent on the screen
        path = path.united(arrowhead(tip + QPointF(std::cos(heading), std::sin(heading)) * 4, heading, 7, 9));
    }
    outline_and_fill(painter, path, kEdge, fill);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(c, 1.5, 1.5);
}

// A magnifying glass with a plus or a minus in its lens.
void draw_magnifier(QPainter& painter, bool plus) {
    const QPointF lens(12, 12);
    QPainterPath handle;
    handle.moveTo(18.5, 18.5);
    handle.lineTo(28, 28);
    painter.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(handle);
    painter.setPen(QPen(QColor(120, 80, 40), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(handle);
    painter.setPen(QPen(Qt::black, 2.2));
    painter.setBrush(QColor(235, 245, 255));
    painter.drawEllipse(lens, 8.5, 8.5);
    painter.setPen(QPen(plus ? QColor(24, 70, 200) : QColor(196, 24, 24), 2.6, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(7.5, 12), QPointF(16.5, 12));
    if (plus) painter.drawLine(QPointF(12, 7.5), QPointF(12, 16.5));
}

}  // namespace

QImage console_cursor_picture(ConsoleCursor shape) {
    if (shape == ConsoleCursor::Hand) return {};
    if (shape == ConsoleCursor::Move) return chart_cursor_picture(ChartCursor::Move);
    QImage picture = blank_cursor_picture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (shape) {
        case ConsoleCursor::Ring:
            draw_turning(painter, Qt::white);
            break;
        case ConsoleCursor::RingDrag:
            draw_turning(painter, QColor(214, 214, 40));
            break;
        case ConsoleCursor::Move:
            break;
        case ConsoleCursor::Plus:
            draw_magnifier(painter, true);
            break;
        case ConsoleCursor::Minus:
            draw_magnifier(painter, false);
            break;
        case ConsoleCursor::Hand:
            break;
    }
    return picture;
}

QCursor console_cursor(ConsoleCursor shape) {
    if (shape == ConsoleCursor::Hand) return QCursor(Qt::PointingHandCursor);
    if (shape == ConsoleCursor::Move) return chart_cursor(ChartCursor::Move);
    // The magnifiers point with the middle of the lens, the others with their centre.
    const bool magnifier = shape == ConsoleCursor::Plus || shape == ConsoleCursor::Minus;
    return QCursor(QPixmap::fromImage(console_cursor_picture(shape)), magnifier ? 12 : 16, magnifier ? 12 : 16);
}

}  // namespace tessaly::view
