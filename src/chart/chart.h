#pragma once

// The chart: nodes (one per file on the chart), their run-time states, the
// arcs from the nodes of a cross to its result node, and the display state.
// A node is known by its index; the table order is the drawing order.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chart/records.h"
#include "text/status.h"

namespace tessaly {

inline constexpr int kMaxNodes = 1001;
inline constexpr int kMaxArcs = 1000;

struct CanvasPoint {
    int x = 0;
    int y = 0;
};

struct Chart {
    DisplayState display;
    std::vector<NodeRecord> nodes;       // nodes.size() is the node count
    std::vector<NodeState> node_states;  // parallel to nodes
    std::vector<ArcRecord> arcs;
    int primary_node = -1;  // -1: none
    // Changes whenever nodes are added, removed or all cleared, so that
    // anything kept per node (the undo history) can tell it no longer fits.
    std::uint64_t edition = 0;

    int node_count() const { return static_cast<int>(nodes.size()); }
    int arc_count() const { return static_cast<int>(arcs.size()); }

    // A new chart: no nodes or arcs; the display state stays as it is.
    void clear();
    // Empty chart with the default display state for a screen of this size.
    void reset(int screen_width, int screen_height);
};

// Appends a node whose box collapses to the point (canvas pixels) divided by
// the zoom factor. Texts are cp932 and must fit their fields; a title longer
// than 50 bytes is cut at a character boundary. Fails with TooManyNodes when the
// chart already holds 1,001 nodes.
Status add_node(Chart& chart, std::string_view path, CanvasPoint point, double zoom, NodeKind kind,
                std::string_view title, std::int32_t record_count);

// Fails with TooManyArcs when the chart already holds 1,000 arcs.
Status add_arc(Chart& chart, int from, int to);

// "クロス結果 N" (cp932), N one more than the result nodes on the chart.
std::string next_result_title(const Chart& chart);

// Removes node k with its arcs; later nodes and the arcs' indices move down
// by one, while the selection marks stay at their places (the next node takes
// over the deleted node's selection). The primary node becomes the highest
// selected node, else node 0, else none.
void remove_node(Chart& chart, int k);

// True when a cp932 path fits a node's path field.
bool path_fits_node(std::string_view cp932_path);

}  // namespace tessaly
