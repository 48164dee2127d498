#pragma once

// Selecting nodes on the chart: which node or mandatory mark a canvas point
// hits, and what a press on a node does to the selection.

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

// A rubber band released over the chart (canvas pixels): when it is more
// than 10 pixels each way and holds at least one node box entirely, those
// nodes become the selection, the last of them (table order) the primary.
bool select_in_band(Chart& chart, const QRect& band, float zoom);

}  // namespace tessaly::view

namespace tessaly::view {

// Where a dragged canvas edge lands, in chart units: the pointer (canvas
// pixels), no closer than the farthest node box, between 500 and 5,000.
int canvas_edge_for(const Chart& chart, int pointer, float zoom, bool width);

}  // namespace tessaly::view
