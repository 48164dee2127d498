#include "cross/cross_start.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "chart/chart_file.h"
#include "text/cp932.h"

namespace tessaly {

int first_selected_node_without_key(const Chart& chart) {
    for (int i = 0; i < chart.node_count(); ++i) {
        const NodeRecord& n = chart.nodes[i];
        if (chart.node_states[i].selected == 1 && (n.key_first == -1 || n.key_last == -1)) return i;
    }
    return -1;
}

std::string missing_key_prefix(const NodeRecord& node) {
    return "『" + cp932::to_utf8_lossy(cp932::field_text(node.title)) + "』に";
}

std::optional<CanvasPoint> result_node_point(const Chart& chart, double zoom) {
    int selected = 0;
    Rect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int i = 0; i < chart.node_count(); ++i) {
        if (chart.node_states[i].selected != 1) continue;
        const Rect& r = chart.nodes[i].rect;
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
        ++selected;
    }
    if (selected == 0) return std::nullopt;
    // In 64 bits: a box far out (from a chart made elsewhere, or nodes
    // moved there) must not overflow into a point on the other side of the
    // chart. The point is kept where a chart may hold a node, so that the
    // chart saved with it opens again.
    auto scaled = [zoom](std::int64_t v) { return static_cast<std::int64_t>(static_cast<double>(v) * zoom); };
    const std::int64_t reach = scaled(kNodeCoordinateLimit);
    auto placed = [reach](std::int64_t v) { return static_cast<int>(std::clamp(v, -reach, reach)); };
    const std::int64_t left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    if (selected == 1) {
        const std::int64_t width = scaled(right - left);
        const std::int64_t height = scaled(bottom - top);
        return CanvasPoint{placed(scaled(left) + width), placed(scaled(top) + 2 * height)};
    }
    return CanvasPoint{placed(scaled(left + (right - left) / 2)), placed(scaled(top + (bottom - top) / 2))};
}

ResultNodeOutcome add_result_node(Chart& chart, std::string_view cp932_path, CanvasPoint point, double zoom,
                                  std::string_view cp932_title, long long hits) {
    ResultNodeOutcome outcome;
    if (chart.node_count() >= kMaxNodes) {
        outcome.status = Status::failure(MessageId::TooManyNodes);
        return outcome;
    }
    const int result = chart.node_count();
    for (int i = 0; i < result; ++i) {
        if (chart.node_states[i].selected != 1) continue;
        if (Status s = add_arc(chart, i, result); !s) outcome.refused_arcs.push_back(s);
    }
    outcome.status = add_node(chart, cp932_path, point, zoom, kResultNode, cp932_title,
                              static_cast<std::int32_t>(std::min<long long>(hits, INT32_MAX)));
    return outcome;
}

}  // namespace tessaly
