#include "view/console_pictures.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

namespace tessaly::view {

namespace {

QImage blank(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull()) image.fill(Qt::transparent);
    return image;
}

// A button sign: a bar or a cross of bars, lit from above.
void draw_sign(QPainter& painter, const QPainterPath& shape, QColor light, QColor dark) {
    const QRectF box = shape.boundingRect();
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, light);
    fill.setColorAt(1, dark);
    // A soft shadow under the sign lifts it off the dial.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 40, 0, 70));
    painter.drawPath(shape.translated(0.8, 1.2));
    painter.setBrush(fill);
    painter.setPen(QPen(dark.darker(140), 1.0));
    painter.drawPath(shape);
}

QPainterPath bar(QRectF rect) {
    QPainterPath path;
    path.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    return path;
}

// The seven segments of a figure in a 32 × 50 cell, slightly slanted like
// a real display: a top, b top right, c bottom right, d bottom, e bottom
// left, f top left, g middle.
QPolygonF segment(int which) {
    constexpr double left = 6, right = 26, top = 4.5, middle = 25, bottom = 45.5;
    constexpr double half = 2.9;  // half the stroke
    constexpr double gap = 1.1;   // between neighbouring segments
    constexpr double slant = 0.09;
    QPointF from, to;
    switch (which) {
        case 0:
            from = {left, top};
            to = {right, top};
            break;
        case 1:
            from = {right, top};
            to = {right, middle};
            break;
        case 2:
            from = {right, middle};
            to = {right, bottom};
            break;
        case 3:
            from = {left, bottom};
            to = {right, bottom};
            break;
        case 4:
            from = {left, middle};
            to = {left, bottom};
            break;
        case 5:
            from = {left, top};
            to = {left, middle};
            break;
        default:
            from = {left, middle};
            to = {right, middle};
            break;
    }
    QPolygonF shape;
    if (from.y() == to.y()) {
        const double y = from.y(), x0 = from.x() + gap, x1 = to.x() - gap;
        shape << QPointF(x0, y) << QPointF(x0 + half, y - half) << QPointF(x1 - half, y - half) << QPointF(x1, y)
              << QPointF(x1 - half, y + half) << QPointF(x0 + half, y + half);
    } else {
        const double x = from.x(), y0 = from.y() + gap, y1 = to.y() - gap;
        shape << QPointF(x, y0) << QPointF(x + half, y0 + half) << QPointF(x + half, y1 - half) << QPointF(x, y1)
              << QPointF(x - half, y1 - half) << QPointF(x - half, y0 + half);
    }
    for (QPointF& p : shape) p.rx() += slant * (middle - p.y());
    return shape;
}

// Which segments each figure lights, bit n for segment n.
constexpr unsigned kLit[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

}  // namespace

QImage console_face() {
    QImage face = blank(kConsoleSize, kConsoleSize);
    if (face.isNull()) return face;
    QPainter painter(&face);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(kConsoleSize / 2.0, kConsoleSize / 2.0);
    const double radius = kConsoleSize / 2.0 - 0.75;

    // The dial: light in the middle, deepening toward the rim.
    QRadialGradient dial(centre, radius, centre - QPointF(0, 6));
    dial.setColorAt(0.0, QColor(226, 249, 208));
    dial.setColorAt(0.45, QColor(172, 226, 140));
    dial.setColorAt(0.80, QColor(96, 178, 82));
    dial.setColorAt(1.0, QColor(40, 118, 50));
    painter.setPen(QPen(QColor(28, 88, 38), 1.5));
    painter.setBrush(dial);
    painter.drawEllipse(centre, radius, radius);

    // A faint highlight on the upper half makes the dial look domed.
    QLinearGradient gloss(0, 4, 0, 62);
    gloss.setColorAt(0, QColor(255, 255, 255, 90));
    gloss.setColorAt(1, QColor(255, 255, 255, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(gloss);
    painter.drawEllipse(QRectF(centre.x() - 50, 5, 100, 62));

    // Plus at the top, minus at the bottom, exactly on their buttons.
    QPainterPath plus = bar(QRectF(59, 5, 12, 30)).united(bar(QRectF(50, 14, 30, 12)));
    draw_sign(painter, plus, QColor(110, 160, 255), QColor(24, 70, 200));
    draw_sign(painter, bar(QRectF(50, 104, 30, 12)), QColor(255, 120, 110), QColor(196, 24, 24));
    return face;
}

QImage digit_strip() {
    QImage strip = blank(10 * kDigitWidth, kDigitHeight);
    if (strip.isNull()) return strip;
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int d = 0; d < 10; ++d) {
        for (int s = 0; s < 7; ++s) {
            QPolygonF shape = segment(s).translated(d * kDigitWidth, 0);
            if (kLit[d] & (1u << s)) {
                painter.setPen(QPen(QColor(120, 0, 0), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                painter.setBrush(QColor(228, 22, 22));
            } else {
                // Unlit segments stay faintly visible, as on a real display.
                painter.setPen(Qt::NoPen);
                painter.setBrush(QColor(20, 80, 20, 28));
            }
            painter.drawPolygon(shape);
        }
    }
    return strip;
}

}  // namespace tessaly::view
