#include "chart/node_alignment.h"

#include <algorithm>
#include <climits>
#include <new>
#include <vector>

namespace tessaly {

namespace {

int selected_count(const Chart& chart) {
    int count = 0;
    for (const NodeState& state : chart.node_states) count += state.selected ? 1 : 0;
    return count;
}

bool has_primary(const Chart& chart) { return chart.primary_node >= 0 && chart.primary_node < chart.node_count(); }

// The start and end edge of a box along one axis.
struct Axis {
    bool vertical;
    std::int32_t start(const Rect& r) const { return vertical ? r.top : r.left; }
    std::int32_t end(const Rect& r) const { return vertical ? r.bottom : r.right; }
    Rect moved(const Rect& r, std::int32_t by) const { return vertical ? r.moved(0, by) : r.moved(by, 0); }
};

void align_edges(Chart& chart, NodeAlignment how) {
    if (!has_primary(chart)) return;
    const bool vertical = how == NodeAlignment::Top || how == NodeAlignment::Bottom;
    const bool end = how == NodeAlignment::Right || how == NodeAlignment::Bottom;
    const auto edge = [&](const Rect& r) {
        const Axis axis{vertical};
        return end ? axis.end(r) : axis.start(r);
    };
    const std::int32_t target = edge(chart.nodes[chart.primary_node].rect);
    for (int i = 0; i < chart.node_count(); ++i) {
        if (i == chart.primary_node || !chart.node_states[i].selected) continue;
        Rect& r = chart.nodes[i].rect;
        r = Axis{vertical}.moved(r, target - edge(r));
    }
}

void centre_group(Chart& chart, Axis axis) {
    if (!has_primary(chart) || selected_count(chart) == 0) return;
    const int extent = axis.vertical ? chart.display.view_height : chart.display.view_width;
    std::int32_t lo = INT_MAX;
    std::int32_t hi = 0;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (!chart.node_states[i].selected) continue;
        lo = std::min(lo, axis.start(chart.nodes[i].rect));
        hi = std::max(hi, axis.end(chart.nodes[i].rect));
    }
    // In 64 bits: boxes far off the canvas must not overflow the sum.
    const long long by = (static_cast<long long>(extent) + lo - hi) / 2 - lo;
    for (int i = 0; i < chart.node_count(); ++i)
        if (chart.node_states[i].selected)
            chart.nodes[i].rect = axis.moved(chart.nodes[i].rect, static_cast<std::int32_t>(by));
}

Status spread_evenly(Chart& chart, Axis axis) {
    std::vector<int> order;
    try {
        order.reserve(static_cast<std::size_t>(chart.node_count()));
    } catch (const std::bad_alloc&) {
        return Status::failure(MessageId::OutOfMemory);
    }
    long long lo = LLONG_MAX;
    long long hi = LLONG_MIN;
    long long sizes = 0;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (!chart.node_states[i].selected) continue;
        const Rect& r = chart.nodes[i].rect;
        lo = std::min<long long>(lo, axis.start(r));
        hi = std::max<long long>(hi, axis.start(r));
        sizes += axis.end(r) - axis.start(r);
        order.push_back(i);
    }
    const int m = static_cast<int>(order.size());
    if (m < 3) return Status::ok();  // the first and the last node stay
    // By start edge, then table index: a stable sort of indices in table order.
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return axis.start(chart.nodes[a].rect) < axis.start(chart.nodes[b].rect); });
    const Rect& last = chart.nodes[order.back()].rect;
    const long long size_last = axis.end(last) - axis.start(last);
    // The free space from the first node's start to the last one's end,
    // shared over the gaps, in single precision and cut toward zero.
    const auto gap =
        static_cast<std::int32_t>(static_cast<float>(size_last + hi - sizes - lo) / static_cast<float>(m - 1));
    for (int k = 1; k < m - 1; ++k) {
        const std::int32_t after = axis.end(chart.nodes[order[k - 1]].rect) + gap;
        Rect& r = chart.nodes[order[k]].rect;
        r = axis.moved(r, after - axis.start(r));
    }
    return Status::ok();
}

}  // namespace

bool alignment_enabled(const Chart& chart, NodeAlignment how) {
    switch (how) {
        case NodeAlignment::VerticalCentre:
        case NodeAlignment::HorizontalCentre:
            return true;
        case NodeAlignment::VerticalEven:
        case NodeAlignment::HorizontalEven:
            return selected_count(chart) >= 3;
        default:
            return selected_count(chart) >= 2;
    }
}

Status align_selected_nodes(Chart& chart, NodeAlignment how) {
    switch (how) {
        case NodeAlignment::VerticalCentre:
            centre_group(chart, Axis{true});
            return Status::ok();
        case NodeAlignment::HorizontalCentre:
            centre_group(chart, Axis{false});
            return Status::ok();
        case NodeAlignment::VerticalEven:
            return spread_evenly(chart, Axis{true});
        case NodeAlignment::HorizontalEven:
            return spread_evenly(chart, Axis{false});
        default:
            align_edges(chart, how);
            return Status::ok();
    }
}

}  // namespace tessaly
