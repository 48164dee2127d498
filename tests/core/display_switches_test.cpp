#include "chart/display_switches.h"

#include <gtest/gtest.h>

using namespace tessaly;

namespace {

Chart chart_with_boxes() {
    Chart chart;
    chart.reset(1920, 1080);
    add_node(chart, "a", {0, 0}, 1.0, kSourceNode, "a", 0);
    add_node(chart, "b", {0, 0}, 1.0, kSourceNode, "b", 0);
    chart.nodes[0].rect = Rect{10, 20, 111, 61};
    chart.nodes[1].rect = Rect{-30, -10, 0, 5};
    return chart;
}

}  // namespace

TEST(DisplaySwitches, FlippingCollapsesEveryNodeToItsCentre) {
    Chart chart = chart_with_boxes();
    ASSERT_TRUE(flip_node_text(chart, NodeText::Description));
    EXPECT_EQ(chart.display.show_description, 1);
    EXPECT_EQ(chart.nodes[0].rect, (Rect{60, 40, 60, 40}));
    EXPECT_EQ(chart.nodes[1].rect, (Rect{-15, -2, -15, -2}));  // halving truncates toward zero
}

TEST(DisplaySwitches, TheLastSwitchOnStaysOn) {
    Chart chart = chart_with_boxes();
    ASSERT_TRUE(flip_node_text(chart, NodeText::KeySample));  // only the name is left on
    chart.nodes[0].rect = Rect{0, 0, 100, 50};
    Status refused = flip_node_text(chart, NodeText::Name);
    EXPECT_EQ(refused.message_id, MessageId::CannotTurnAllOff);
    EXPECT_EQ(chart.display.show_name, 1);
    EXPECT_EQ(chart.nodes[0].rect, (Rect{0, 0, 100, 50}));  // nothing collapsed
}

TEST(DisplaySwitches, TheSameFontSizeChangesNothing) {
    Chart chart = chart_with_boxes();
    EXPECT_FALSE(set_node_font_size(chart, 12));
    EXPECT_EQ(chart.nodes[0].rect, (Rect{10, 20, 111, 61}));
    EXPECT_TRUE(set_node_font_size(chart, 14));
    EXPECT_EQ(chart.display.node_font_size, 14);
    EXPECT_EQ(chart.nodes[0].rect, (Rect{60, 40, 60, 40}));
}
