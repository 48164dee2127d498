#pragma once

// Drawing the chart: the canvas, the arcs with their arrowheads and the nodes
// with their text, selection halo and "必須" mark. The same routine serves the
// screen, the print preview and the printer, so it draws through a QPainter
// in canvas pixels (chart coordinates times the zoom factor, truncated toward
// zero) and leaves the scroll offset to the caller's painter transform.
//
// Painting writes into the chart only the size of each collapsed node (it is
// measured from the node's text) and each node's mark_rect, which the hit
// tests of the chart view use afterwards.

#include <QPoint>
#include <QRect>
#include <QString>
#include <array>

#include "chart/chart.h"

class QPainter;

namespace tessaly::view {

struct PaintState {
    float zoom = 1.0f;
    bool tint = false;      // the tint setting is on and the chart area is the active pane
    int preview_node = -1;  // the node shown in the file area: drawn bold
    bool printer = false;   // fonts at their own point size, not scaled by zoom
    QRect visible;          // canvas pixels to draw; empty: everything
};

// The text a node shows: name, description, key sample, path and count, each
// when its display switch is on and it is not empty, one per line.
QString node_text(const Chart& chart, int node);

// The box of a collapsed node, sized around its centre for a text of the
// given extent and then moved back onto a canvas of view_width × view_height.
Rect sized_box(Rect collapsed, int text_width, int text_height, int font_size, int view_width, int view_height);

// Every collapsed node gets its box from the text it shows. The size is
// measured in the node font at its own point size and kept in chart
// coordinates: it does not depend on the zoom or the device drawn on.
void size_collapsed_nodes(Chart& chart, int preview_node);

// A node's box in canvas pixels. Its right and bottom edges are
// x() + width() and y() + height(), as everywhere in this file.
QRect canvas_box(const Rect& rect, float zoom);

// Where the straight line from the box's centre toward other_centre leaves
// the box (right and bottom edges as for canvas_box). When the two centres
// coincide there is no direction: the centre itself is returned.
QPoint border_point(const QRect& box, QPoint other_centre);

// The arrowhead at tip for a line coming from `from`: first base corner, tip,
// second base corner. 16 pixels long and 9 wide at zoom 1.0.
std::array<QPoint, 3> arrowhead(QPoint from, QPoint tip, float zoom);

// Draws the whole chart. Collapsed nodes get their size; every node gets
// its mark_rect.
void paint_chart(QPainter& painter, Chart& chart, const PaintState& state);

}  // namespace tessaly::view
