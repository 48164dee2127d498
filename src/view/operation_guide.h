#pragma once

// The operation guide: a one-line hint in the status bar about what the
// user can do where the pointer is. Hints that share a place take turns by
// the parity of the pointer's height or of the node's index, so that moving
// about shows more of them.

#include <QString>

#include "chart/chart.h"

namespace tessaly::view {

enum class GuidePlace {
    None,  // no hint here
    Ring,  // the zoom console's ring
    Mark,  // a node's 必須 mark
    SelectedNode,
    Node,        // a node that is not selected
    RightEdge,   // the canvas's right edge
    BottomEdge,  // the canvas's bottom edge
};

struct GuideSpot {
    GuidePlace place = GuidePlace::None;
    int node = -1;     // for the mark and the nodes
    int client_y = 0;  // the pointer's height in the window, for the ring
};

// The hint for the spot, empty where there is none.
QString guide_hint(const Chart& chart, const GuideSpot& spot, int preview_node);

// The text shown when F2 turns the guide on or off.
QString guide_switch_text(bool guide_on);

}  // namespace tessaly::view
