#include "chart/chart.h"

#include <algorithm>
#include <cstdio>

#include "text/cp932.h"

namespace tessaly {

namespace {

std::uint64_t next_edition() {
    static std::uint64_t last = 0;
    return ++last;
}

}  // namespace

void Chart::clear() {
    edition = next_edition();
    nodes.clear();
    node_states.clear();
    arcs.clear();
    primary_node = -1;
}

void Chart::reset(int screen_width, int screen_height) {
    clear();
    nodes.reserve(kMaxNodes);
    node_states.reserve(kMaxNodes);
    arcs.reserve(kMaxArcs);
    display = DisplayState{};
    display.view_width = static_cast<std::uint16_t>(screen_width);
    display.view_height = static_cast<std::uint16_t>(screen_height);
}

Status add_node(Chart& chart, std::string_view path, CanvasPoint point, double zoom, NodeKind kind,
                std::string_view title, std::int32_t record_count) {
    if (chart.node_count() >= kMaxNodes) return Status::failure(MessageId::TooManyNodes);

    static const std::string unset = cp932::literal("未設定");
    NodeRecord node;
    node.kind = kind;
    cp932::copy_to_field(node.title, title);
    cp932::copy_to_field(node.description, unset);
    cp932::copy_to_field(node.path, path);
    node.key_first = -1;
    node.key_last = -1;
    node.start_record = 1;
    node.record_count = record_count;
    cp932::copy_to_field(node.key_sample, unset);
    const auto x = static_cast<std::int32_t>(point.x / zoom);
    const auto y = static_cast<std::int32_t>(point.y / zoom);
    node.rect = Rect{x, y, x, y};
    node.mandatory = 0;

    chart.nodes.push_back(node);
    chart.node_states.push_back(NodeState{});
    chart.edition = next_edition();
    return Status::ok();
}

Status add_arc(Chart& chart, int from, int to) {
    if (chart.arc_count() >= kMaxArcs) return Status::failure(MessageId::TooManyArcs);
    chart.arcs.push_back(ArcRecord{static_cast<std::uint16_t>(from), static_cast<std::uint16_t>(to)});
    return Status::ok();
}

std::string next_result_title(const Chart& chart) {
    const auto results = std::count_if(chart.nodes.begin(), chart.nodes.end(),
                                       [](const NodeRecord& n) { return n.kind == kResultNode; });
    static const std::string prefix = cp932::literal("クロス結果 ");
    return prefix + std::to_string(results + 1);
}

void remove_node(Chart& chart, int k) {
    if (k < 0 || k >= chart.node_count()) return;
    chart.edition = next_edition();
    std::erase_if(chart.arcs, [k](const ArcRecord& a) { return a.from == k || a.to == k; });
    for (ArcRecord& a : chart.arcs) {
        if (a.from > k) --a.from;
        if (a.to > k) --a.to;
    }
    chart.nodes.erase(chart.nodes.begin() + k);
    // The selection marks stay where they are: the node that moves into the
    // deleted node's place takes over its selection, so that after a delete
    // the next node is selected, as in a list. The mark places move with
    // their nodes.
    for (int i = k; i + 1 < static_cast<int>(chart.node_states.size()); ++i)
        chart.node_states[i].mark_rect = chart.node_states[i + 1].mark_rect;
    chart.node_states.pop_back();

    chart.primary_node = chart.nodes.empty() ? -1 : 0;
    for (int i = chart.node_count() - 1; i >= 0; --i) {
        if (chart.node_states[i].selected == 1) {
            chart.primary_node = i;
            break;
        }
    }
}

bool path_fits_node(std::string_view cp932_path) { return cp932_path.size() < kPathSize; }

}  // namespace tessaly
