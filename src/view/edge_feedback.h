#pragma once

// While the canvas's right or bottom edge is dragged: a patterned bar where
// the edge would go, and the size the canvas would get, written beside the
// pointer. Everything is in canvas pixels (the painter carries the scroll).

#include <QPoint>
#include <QRect>
#include <QSize>

class QPainter;

namespace tessaly::view {

struct EdgeDrag {
    bool width = true;  // the right edge; else the bottom edge
    int edge = 0;       // where the edge would go
    int size = 0;       // the new view_width or view_height, chart units
    QPoint pointer;
    QRect window;  // the part of the canvas the window shows
    QSize canvas;  // the canvas as it is now
};

// The bar: 4 pixels across, centred on the edge, from the window's top (or
// left) to the canvas's bottom (or right) edge.
QRect edge_bar(const EdgeDrag& drag);

void paint_edge_feedback(QPainter& painter, const EdgeDrag& drag);

}  // namespace tessaly::view
