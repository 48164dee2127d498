#pragma once

// The parts of starting a cross that need no window: checking the selected
// nodes, placing the result node, and adding it with its arcs afterwards.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chart/chart.h"
#include "text/status.h"

namespace tessaly {

// The first selected node (table order) without a complete cross key, or -1.
int first_selected_node_without_key(const Chart& chart);

// The prefix that goes before message NoKeyFields for that node: 『TITLE』に (UTF-8).
std::string missing_key_prefix(const NodeRecord& node);

// Where a result node goes when the cross was started without a point, in
// canvas pixels at the zoom: the middle of the selected nodes' bounding box,
// or one node height below the right edge of a single selected node; nullopt
// when nothing is selected. Worked out in 64 bits and kept within
// ±kNodeCoordinateLimit chart coordinates (chart_file.h), however far out the
// boxes lie.
std::optional<CanvasPoint> result_node_point(const Chart& chart, double zoom);

struct ResultNodeOutcome {
    Status status;                     // TooManyNodes when the node table is full
    std::vector<Status> refused_arcs;  // a TooManyArcs for each arc that did not fit
};

// After a successful cross: an arc from every selected node to the new
// result node, then the node itself (kind result, record count = hits).
ResultNodeOutcome add_result_node(Chart& chart, std::string_view cp932_path, CanvasPoint point, double zoom,
                                  std::string_view cp932_title, long long hits);

}  // namespace tessaly
