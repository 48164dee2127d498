#include "view/chart_cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "view/cursor_drawing.h"

namespace tessaly::view {

namespace {

// The edge of this set's figures.
constexpr double kEdge = 1.2;

// The ordinary pointer arrow, its tip at (1, 1).
QPainterPath arrow() {
    QPainterPath path;
    path.moveTo(1.5, 1.5);
    path.lineTo(1.5, 18.5);
    path.lineTo(5.5, 14.5);
    path.lineTo(8.5, 21);
    path.lineTo(11.2, 19.8);
    path.lineTo(8.2, 13.5);
    path.lineTo(13.5, 13.5);
    path.closeSubpath();
    return path;
}

// Four arrows out from the centre, reaching `reach` pixels each way.
QPainterPath four_way_sign(QPointF centre, double reach) {
    const double shaft = 1.3;
    const double head = 3.8;
    const double half_head = 3.4;
    QPainterPath sign;
    sign.setFillRule(Qt::WindingFill);
    const double arm = reach - head;
    sign.addRect(QRectF(centre.x() - shaft, centre.y() - arm, 2 * shaft, 2 * arm));
    sign.addRect(QRectF(centre.x() - arm, centre.y() - shaft, 2 * arm, 2 * shaft));
    for (int quarter = 0; quarter < 4; ++quarter) {
        const double angle = quarter * std::numbers::pi / 2;
        const QPointF along(std::cos(angle), std::sin(angle));
        const QPointF across(-along.y(), along.x());
        const QPointF tip = centre + along * reach;
        const QPointF base = tip - along * head;
        QPainterPath arrowhead;
        arrowhead.moveTo(tip);
        arrowhead.lineTo(base + across * half_head);
        arrowhead.lineTo(base - across * half_head);
        arrowhead.closeSubpath();
        sign.addPath(arrowhead);
    }
    return sign.simplified();
}

void draw_move(QPainter& painter) {
    outline_and_fill(painter, four_way_sign(QPointF(21.5, 21.5), 9.5), kEdge);
    outline_and_fill(painter, arrow(), kEdge);
}

// A red ring with a bar across it: no drop here.
void draw_prohibited(QPainter& painter) {
    const QPointF centre(16, 16);
    const double radius = 11;
    const QPointF bar = QPointF(std::cos(std::numbers::pi / 4), std::sin(std::numbers::pi / 4)) * radius;
    painter.setBrush(Qt::NoBrush);
    for (const auto& [width, colour] : {std::pair{7.0, QColor(Qt::black)}, std::pair{4.5, QColor(220, 20, 20)}}) {
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
        painter.drawEllipse(centre, radius, radius);
        painter.drawLine(centre - bar, centre + bar);
    }
}

// A hand pointing up with its index finger, the fingertip at (11, 1).
QPainterPath pointing_hand() {
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    hand.addRoundedRect(QRectF(8.5, 1, 5.5, 17), 2.75, 2.75);  // index finger
    hand.addRoundedRect(QRectF(14, 9, 4.5, 10), 2.2, 2.2);     // the other three
    hand.addRoundedRect(QRectF(18.5, 10, 4.5, 10), 2.2, 2.2);
    hand.addRoundedRect(QRectF(23, 11.5, 4.2, 10), 2.1, 2.1);
    hand.addRoundedRect(QRectF(8.5, 15, 18.7, 15), 4, 4);  // palm
    QPainterPath thumb;
    thumb.moveTo(9.5, 17);
    thumb.lineTo(5.5, 13.2);
    thumb.quadTo(3, 12.5, 3.5, 15.5);
    thumb.lineTo(8.5, 25);
    thumb.closeSubpath();
    hand.addPath(thumb);
    return hand.simplified();
}

void draw_mark_hand(QPainter& painter) {
    const QPainterPath hand = pointing_hand();
    outline_and_fill(painter, hand, kEdge);
    // The fingertip in red: a press here toggles the mark.
    QPainterPath tip;
    tip.addRoundedRect(QRectF(8.5, 1, 5.5, 17), 2.75, 2.75);
    QPainterPath top;
    top.addRect(QRectF(0, 0, kCursorSide, 7));
    outline_and_fill(painter, tip.intersected(top), kEdge, QColor(230, 30, 30));
    // Where the fingers part.
    painter.setPen(QPen(Qt::black, 1));
    for (const double x : {14.0, 18.5, 23.0}) painter.drawLine(QPointF(x, 14), QPointF(x, 19));
}

// Two arrows pointing away from a bar across the middle: the edge under the
// pointer can be dragged either way. Drawn across (left-right) or, turned,
// up and down.
void draw_resize(QPainter& painter, bool up_down) {
    if (up_down) {
        painter.translate(16, 16);
        painter.rotate(90);
        painter.translate(-16, -16);
    }
    QPainterPath sign;
    sign.setFillRule(Qt::WindingFill);
    sign.addRect(QRectF(14.5, 5, 3, 22));  // the edge
    for (const double side : {-1.0, 1.0}) {
        const double tip = 16 + side * 14.5;
        const double base = 16 + side * 8.5;
        QPainterPath arrowhead;
        arrowhead.moveTo(tip, 16);
        arrowhead.lineTo(base, 9.5);
        arrowhead.lineTo(base, 22.5);
        arrowhead.closeSubpath();
        sign.addPath(arrowhead);
        sign.addRect(QRectF(std::min(base, 16 + side * 3.5), 14.6, std::abs(base - (16 + side * 3.5)), 2.8));
    }
    outline_and_fill(painter, sign.simplified(), kEdge);
}

}  // namespace

QImage chart_cursor_picture(ChartCursor shape) {
    if (shape == ChartCursor::Arrow || shape == ChartCursor::Hand) return {};
    QImage picture = blank_cursor_picture();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    if (shape == ChartCursor::Move) draw_move(painter);
    if (shape == ChartCursor::Prohibited) draw_prohibited(painter);
    if (shape == ChartCursor::Mark) draw_mark_hand(painter);
    if (shape == ChartCursor::ResizeWidth) draw_resize(painter, false);
    if (shape == ChartCursor::ResizeHeight) draw_resize(painter, true);
    return picture;
}

QCursor chart_cursor(ChartCursor shape) {
    switch (shape) {
        case ChartCursor::Arrow:
            return QCursor(Qt::ArrowCursor);
        case ChartCursor::Hand:
            return QCursor(Qt::PointingHandCursor);
        case ChartCursor::ResizeWidth:
        case ChartCursor::ResizeHeight:
            return QCursor(QPixmap::fromImage(chart_cursor_picture(shape)), 16, 16);
        case ChartCursor::Move:
            return QCursor(QPixmap::fromImage(chart_cursor_picture(shape)), 1, 1);
        case ChartCursor::Prohibited:
            return QCursor(QPixmap::fromImage(chart_cursor_picture(shape)), 16, 16);
        case ChartCursor::Mark:
            return QCursor(QPixmap::fromImage(chart_cursor_picture(shape)), 11, 1);
    }
    return QCursor(Qt::ArrowCursor);
}

}  // namespace tessaly::view
