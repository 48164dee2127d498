#pragma once

// Selecting nodes on the chart: which node or mandatory mark a canvas point
// hits, and what a press on a node does to the selection.

#include <algorithm>
#include <functional>

#include <QPoint>
#include <QRect>

#include "chart/chart.h"

namespace tessaly::view {

// The topmost node whose box (canvas pixels at the zoom) holds the point, or -1.
int hit_node(const Chart& chart, QPoint canvas_point, float zoom);
// The topmost node whose "必須" mark, as last drawn, holds the point, or -1.
int hit_mark(const Chart& chart, QPoint canvas_point);

// Clears every selection mark when there is a primary node.
void deselect_all(Chart& chart);

// Node d alone selected, and the primary node.
void select_only(Chart& chart, int d);

// The key state of a press, compared as a whole: Ctrl or Shift alone with
// the button, or plain (any other combination counts as plain).
enum class PressKeys { Plain, Ctrl, Shift };

// A press on node d: changes the selection and the primary node; true when
// the press starts dragging the selected nodes.
bool press_on_node(Chart& chart, int d, PressKeys keys);

}  // namespace tessaly::view

namespace tessaly::view {

// Called once just before nodes move, to keep the undo step.
using BeforeMove = std::function<void()>;

// Moves every selected node by a delta in window pixels at the zoom (an
// exact ±1 pixel stays one chart unit), each kept on the canvas on its own;
// false when the delta is nothing.
bool move_selected_nodes(Chart& chart, int dx, int dy, float zoom, const BeforeMove& before_move = {});

// The drag of the primary node ended at the pointer: the delta from where
// the pointer's grab offset puts the node's centre; below two pixels both
// ways nothing moves.
bool drop_dragged_nodes(Chart& chart, QPoint pointer, QPoint grab_offset, float zoom,
                        const BeforeMove& before_move = {});

}  // namespace tessaly::view

namespace tessaly::view {

// Every node selected; the primary node becomes node 0 when there was none.
void select_all(Chart& chart);

// A rubber band from the press to the pointer, in canvas pixels. Its
// edges are the two points themselves: a drag of 10 pixels makes a band 10
// pixels wide (whose outline, drawn on both edges, covers 11 columns).
struct Band {
    QPoint start;
    QPoint end;

    int left() const { return std::min(start.x(), end.x()); }
    int right() const { return std::max(start.x(), end.x()); }
    int top() const { return std::min(start.y(), end.y()); }
    int bottom() const { return std::max(start.y(), end.y()); }
    int width() const { return right() - left(); }
    int height() const { return bottom() - top(); }
    // Shown once it is at least 10 pixels wide or high.
    bool shown() const { return width() >= 10 || height() >= 10; }
    // Selects only when more than 10 pixels wide and more than 10 high.
    bool selects() const { return width() > 10 && height() > 10; }
    // A node box (right and bottom edges as canvas_box gives them) lies
    // entirely inside: its edges may lie on the band's, not beyond.
    bool holds(const QRect& box) const {
        return box.x() >= left() && box.y() >= top() && box.x() + box.width() <= right() &&
               box.y() + box.height() <= bottom();
    }
};

// A rubber band released over the chart: when it selects and holds at
// least one node box entirely, those nodes become the selection, the last
// of them (table order) the primary.
bool select_in_band(Chart& chart, const Band& band, float zoom);

}  // namespace tessaly::view

namespace tessaly::view {

// Where a dragged canvas edge lands, in canvas pixels: at the pointer (canvas
// pixels), no closer than the farthest node box, between 500 and 5,000
// chart units times the zoom.
int canvas_edge_pixels(const Chart& chart, int pointer, float zoom, bool width);
// The same edge in chart units: the new view_width or view_height.
int canvas_edge_for(const Chart& chart, int pointer, float zoom, bool width);

}  // namespace tessaly::view
