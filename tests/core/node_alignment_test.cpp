#include <gtest/gtest.h>

#include <vector>

#include "chart/node_alignment.h"

using namespace tessaly;

namespace {

// A chart of nodes with these boxes, all selected unless told otherwise;
// the primary node is given.
Chart chart_of(const std::vector<Rect>& boxes, int primary, int width = 1000, int height = 1000) {
    Chart chart;
    chart.reset(1920, 1080);
    chart.display.view_width = static_cast<std::uint16_t>(width);
    chart.display.view_height = static_cast<std::uint16_t>(height);
    for (const Rect& box : boxes) {
        add_node(chart, "/n.csv", {0, 0}, 1.0, kSourceNode, "n", 1);
        chart.nodes.back().rect = box;
        chart.node_states.back().selected = 1;
    }
    chart.primary_node = primary;
    return chart;
}

Rect box(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

}  // namespace

TEST(NodeAlignment, EdgesGoToThePrimaryNodesEdgeWithoutResizing) {
    Chart chart = chart_of({box(100, 0, 50, 20), box(40, 300, 80, 30), box(250, 600, 10, 10)}, 0);
    add_node(chart, "/x.csv", {0, 0}, 1.0, kSourceNode, "x", 1);
    chart.nodes.back().rect = box(7, 7, 5, 5);  // not selected: it stays put
    ASSERT_TRUE(align_selected_nodes(chart, NodeAlignment::Left));
    EXPECT_EQ(chart.nodes[1].rect, box(100, 300, 80, 30));
    EXPECT_EQ(chart.nodes[2].rect, box(100, 600, 10, 10));
    EXPECT_EQ(chart.nodes[3].rect, box(7, 7, 5, 5));

    align_selected_nodes(chart, NodeAlignment::Right);
    EXPECT_EQ(chart.nodes[1].rect.right, 150);
    EXPECT_EQ(chart.nodes[2].rect.right, 150);
    align_selected_nodes(chart, NodeAlignment::Top);
    EXPECT_EQ(chart.nodes[1].rect, box(70, 0, 80, 30));
    align_selected_nodes(chart, NodeAlignment::Bottom);
    EXPECT_EQ(chart.nodes[1].rect, box(70, -10, 80, 30));  // no clamping to the canvas
    EXPECT_EQ(chart.nodes[0].rect, box(100, 0, 50, 20));

    chart.primary_node = -1;
    align_selected_nodes(chart, NodeAlignment::Left);
    EXPECT_EQ(chart.nodes[1].rect, box(70, -10, 80, 30));
}

TEST(NodeAlignment, CentringMovesTheGroupAsOne) {
    Chart one = chart_of({{0, 10, 40, 50}}, 0);
    align_selected_nodes(one, NodeAlignment::VerticalCentre);
    EXPECT_EQ(one.nodes[0].rect, (Rect{0, 480, 40, 520}));

    // The group's box starts at (L - (hi - lo)) / 2, cut toward zero.
    Chart group = chart_of({box(10, 0, 30, 10), box(101, 0, 30, 10)}, 1, 1001);
    align_selected_nodes(group, NodeAlignment::HorizontalCentre);
    EXPECT_EQ(group.nodes[0].rect.left, 440);  // (1001 - 121) / 2
    EXPECT_EQ(group.nodes[1].rect.left, 531);

    Chart none = chart_of({box(10, 10, 10, 10)}, -1);
    none.node_states[0].selected = 0;
    align_selected_nodes(none, NodeAlignment::VerticalCentre);
    EXPECT_EQ(none.nodes[0].rect, box(10, 10, 10, 10));
}

TEST(NodeAlignment, EvenSpacingKeepsTheEndsAndSharesTheGaps) {
    Chart three = chart_of({box(0, 0, 5, 20), box(0, 100, 5, 20), box(0, 10, 5, 20)}, 0);
    ASSERT_TRUE(align_selected_nodes(three, NodeAlignment::VerticalEven));
    EXPECT_EQ(three.nodes[0].rect.top, 0);
    EXPECT_EQ(three.nodes[1].rect.top, 100);
    EXPECT_EQ(three.nodes[2].rect.top, 50);  // gap 30

    // Four 20-wide nodes over 0..111: 31 free over three gaps is 10.33, cut
    // to 10; the last gap takes the rest.
    Chart four = chart_of({box(0, 0, 20, 5), box(30, 0, 20, 5), box(5, 0, 20, 5), box(91, 0, 20, 5)}, 0);
    align_selected_nodes(four, NodeAlignment::HorizontalEven);
    EXPECT_EQ(four.nodes[2].rect.left, 30);
    EXPECT_EQ(four.nodes[1].rect.left, 60);
    EXPECT_EQ(four.nodes[3].rect.left, 91);

    // Equal left edges keep their table order; too little room gives a
    // negative gap, applied all the same.
    Chart tight = chart_of({box(0, 0, 50, 5), box(10, 0, 50, 5), box(10, 0, 50, 5), box(20, 0, 50, 5)}, 0);
    align_selected_nodes(tight, NodeAlignment::HorizontalEven);
    const int gap = static_cast<int>((50.0f + 20 - 200 - 0) / 3);  // -43
    EXPECT_EQ(tight.nodes[1].rect.left, 50 + gap);
    EXPECT_EQ(tight.nodes[2].rect.left, tight.nodes[1].rect.right + gap);
    EXPECT_EQ(tight.nodes[3].rect.left, 20);
}

TEST(NodeAlignment, EnablingFollowsTheNumberSelected) {
    Chart chart = chart_of({box(0, 0, 5, 5), box(9, 9, 5, 5), box(20, 20, 5, 5)}, 0);
    chart.node_states[1].selected = 0;
    chart.node_states[2].selected = 0;
    EXPECT_FALSE(alignment_enabled(chart, NodeAlignment::Left));
    EXPECT_TRUE(alignment_enabled(chart, NodeAlignment::VerticalCentre));
    chart.node_states[1].selected = 1;
    EXPECT_TRUE(alignment_enabled(chart, NodeAlignment::Bottom));
    EXPECT_FALSE(alignment_enabled(chart, NodeAlignment::HorizontalEven));
    chart.node_states[2].selected = 1;
    EXPECT_TRUE(alignment_enabled(chart, NodeAlignment::VerticalEven));
    chart.node_states.assign(3, NodeState{});
    EXPECT_TRUE(alignment_enabled(chart, NodeAlignment::HorizontalCentre));
}
