#pragma once

// Changes to how nodes show their text. Whenever the text a node shows
// changes, its box collapses to its centre point so that the next paint
// measures it anew around the same centre.

#include "chart/chart.h"
#include "text/status.h"

namespace tessaly {

enum class NodeText { Name, Description, KeySample, FilePath, RecordCount };

// The switch of the display state that shows this part of the node text.
std::int32_t& node_text_switch(DisplayState& display, NodeText which);

// Collapses every node's box to its centre point.
void collapse_nodes(Chart& chart);

// Flips one node-text switch and collapses the nodes. Refuses with CannotTurnAllOff,
// leaving the switch on, when it is the last one on.
Status flip_node_text(Chart& chart, NodeText which);

// Sets the node text's point size and collapses the nodes; false (and
// nothing changed) when the chart already uses that size.
bool set_node_font_size(Chart& chart, int points);

}  // namespace tessaly

namespace tessaly {

// A new canvas size (chart pixels), grown where needed so that every node
// box lies inside it; the chart scrolls back to its origin.
void set_canvas_size(Chart& chart, int width, int height);

}  // namespace tessaly
