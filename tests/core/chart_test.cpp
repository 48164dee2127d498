#include "chart/chart.h"

#include <gtest/gtest.h>

#include "text/cp932.h"

using namespace tessaly;

namespace {

Chart chart_with_nodes(int n) {
    Chart chart;
    chart.reset(1920, 1080);
    for (int i = 0; i < n; ++i) EXPECT_TRUE(add_node(chart, "/d/f.csv", {i, i}, 1.0, kSourceNode, "n", 0));
    return chart;
}

}  // namespace

TEST(ChartTables, NewNodeDefaults) {
    Chart chart = chart_with_nodes(0);
    ASSERT_TRUE(add_node(chart, "/data/a.csv", {40, 30}, 1.0, kSourceNode, "a", 12));
    const NodeRecord& n = chart.nodes[0];
    EXPECT_EQ(cp932::field_text(n.description), cp932::literal("未設定"));
    EXPECT_EQ(cp932::field_text(n.key_sample), cp932::literal("未設定"));
    EXPECT_EQ(cp932::field_text(n.path), "/data/a.csv");
    EXPECT_EQ(n.key_first, -1);
    EXPECT_EQ(n.key_last, -1);
    EXPECT_FALSE(n.has_key());
    EXPECT_EQ(n.start_record, 1);
    EXPECT_EQ(n.record_count, 12);
    EXPECT_EQ(n.mandatory, 0);
    EXPECT_EQ(chart.node_states[0].selected, 0);
    EXPECT_EQ(n.rect, (Rect{40, 30, 40, 30}));
}

TEST(ChartTables, NewNodeCollapsesToThePointOverTheZoom) {
    Chart chart = chart_with_nodes(0);
    add_node(chart, "p", {250, 120}, 2.0, kSourceNode, "t", 0);
    add_node(chart, "p", {100, 100}, 0.75, kSourceNode, "t", 0);
    EXPECT_EQ(chart.nodes[0].rect, (Rect{125, 60, 125, 60}));
    EXPECT_EQ(chart.nodes[1].rect, (Rect{133, 133, 133, 133}));
}

TEST(ChartTables, LongTitleIsCutAtACharacterBoundary) {
    Chart chart = chart_with_nodes(0);
    // 'a' and 25 double-byte characters: 51 bytes, one more than a title holds.
    std::string title = "a";
    title += cp932::literal("あいうえおかきくけこさしすせそたちつてとなにぬねの");
    add_node(chart, "p", {0, 0}, 1.0, kSourceNode, title, 0);
    EXPECT_EQ(cp932::field_text(chart.nodes[0].title).size(), 49u);  // 'a' and 24 characters
}

TEST(ChartTables, NodeLimitIs1001) {
    Chart chart = chart_with_nodes(1000);
    EXPECT_TRUE(add_node(chart, "p", {0, 0}, 1.0, kSourceNode, "t", 0));
    EXPECT_EQ(chart.node_count(), 1001);
    Status refused = add_node(chart, "p", {0, 0}, 1.0, kSourceNode, "t", 0);
    EXPECT_EQ(refused.message_id, MessageId::TooManyNodes);
    EXPECT_EQ(chart.node_count(), 1001);
}

TEST(ChartTables, ArcLimitIs1000) {
    Chart chart = chart_with_nodes(2);
    for (int i = 0; i < 999; ++i) ASSERT_TRUE(add_arc(chart, 0, 1));
    EXPECT_TRUE(add_arc(chart, 0, 1));
    EXPECT_EQ(add_arc(chart, 0, 1).message_id, MessageId::TooManyArcs);
    EXPECT_EQ(chart.arc_count(), 1000);
}

TEST(ChartTables, ResultTitlesCountTheResultNodes) {
    Chart chart = chart_with_nodes(1);
    EXPECT_EQ(next_result_title(chart), cp932::literal("クロス結果 1"));
    add_node(chart, "r1", {0, 0}, 1.0, kResultNode, next_result_title(chart), 0);
    add_node(chart, "r2", {0, 0}, 1.0, kResultNode, next_result_title(chart), 0);
    EXPECT_EQ(next_result_title(chart), cp932::literal("クロス結果 3"));
    remove_node(chart, 1);  // the node numbered 1
    EXPECT_EQ(next_result_title(chart), cp932::literal("クロス結果 2"));
    EXPECT_EQ(cp932::field_text(chart.nodes[1].title), cp932::literal("クロス結果 2"));
}

TEST(NodeRemoval, DropsAndRenumbersArcs) {
    Chart chart = chart_with_nodes(5);
    add_arc(chart, 0, 4);
    add_arc(chart, 2, 4);
    add_arc(chart, 1, 3);
    chart.nodes[3].record_count = 33;
    remove_node(chart, 2);
    EXPECT_EQ(chart.node_count(), 4);
    EXPECT_EQ(chart.arcs, (std::vector<ArcRecord>{{0, 3}, {1, 2}}));
    EXPECT_EQ(chart.nodes[2].record_count, 33);
}

TEST(NodeRemoval, TheNextNodeTakesOverTheSelectionAndBecomesPrimary) {
    Chart chart = chart_with_nodes(5);
    chart.nodes[3].record_count = 33;
    chart.node_states[2].selected = 1;  // the node being deleted, alone
    chart.primary_node = 2;
    remove_node(chart, 2);
    EXPECT_EQ(chart.node_count(), 4);
    EXPECT_EQ(chart.nodes[2].record_count, 33);  // the old node 3
    EXPECT_EQ(chart.node_states[2].selected, 1);
    EXPECT_EQ(chart.primary_node, 2);

    chart.node_states[2].selected = 0;
    chart.node_states[1].selected = 1;
    remove_node(chart, 3);  // the last node: no one takes over
    EXPECT_EQ(chart.primary_node, 1);
    EXPECT_EQ(chart.node_states.size(), 3u);

    chart.node_states[1].selected = 0;
    remove_node(chart, 1);
    EXPECT_EQ(chart.primary_node, 0);  // nodes remain, none selected
    remove_node(chart, 0);
    remove_node(chart, 0);
    EXPECT_EQ(chart.primary_node, -1);
}

TEST(ChartTables, ResetRestoresTheDisplayDefaults) {
    Chart chart = chart_with_nodes(3);
    chart.display.node_font_size = 16;
    chart.display.show_ruler = 0;
    chart.reset(1280, 70000);
    EXPECT_EQ(chart.node_count(), 0);
    EXPECT_EQ(chart.display.node_font_size, 12);
    EXPECT_EQ(chart.display.show_ruler, 1);
    EXPECT_EQ(chart.display.show_description, 0);
    EXPECT_EQ(chart.display.view_width, 1280);
    EXPECT_EQ(chart.display.view_height, 70000 - 65536);  // cut to 16 bits
}
