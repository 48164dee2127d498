#pragma once

// What the cursors we draw share: a 32 × 32 picture, on which every shape is
// a light figure with a black edge, so that it shows on any chart.

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace tessaly::view {

inline constexpr int kCursorSide = 32;

inline QImage blank_cursor_picture() {
    QImage picture(kCursorSide, kCursorSide, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    return picture;
}

inline void outline_and_fill(QPainter& painter, const QPainterPath& path, double edge_width, QColor fill = Qt::white) {
    painter.setPen(QPen(Qt::black, edge_width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(fill);
    painter.drawPath(path);
}

}  // namespace tessaly::view
