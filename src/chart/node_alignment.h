#pragma once

// Lining up the selected nodes: edges to the primary node's, the group
// centred on the canvas, or the inner nodes spread to equal gaps. Boxes are
// only moved, never resized, and nodes may end up off the canvas: the arrow
// keys and a drag bring them back.

#include "chart/chart.h"
#include "text/status.h"

namespace tessaly {

// The ribbon's eight alignment commands.
enum class NodeAlignment {
    Left,
    Right,
    Top,
    Bottom,
    VerticalCentre,
    HorizontalCentre,
    VerticalEven,
    HorizontalEven,
};

// Whether the command can be chosen with this selection: edges need two
// selected nodes, even spacing three, centring is always offered.
bool alignment_enabled(const Chart& chart, NodeAlignment how);

// Moves the selected nodes. Edges and centring do nothing without a primary
// node. Fails only with OutOfMemory when the work lists cannot be had.
Status align_selected_nodes(Chart& chart, NodeAlignment how);

}  // namespace tessaly
