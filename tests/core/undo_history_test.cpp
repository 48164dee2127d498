#include <gtest/gtest.h>

#include <cstdio>

#include "chart/undo_history.h"

using namespace tessaly;

namespace {

Chart two_nodes() {
    Chart chart;
    chart.reset(1024, 768);
    add_node(chart, "/a.csv", {0, 10}, 1.0, kSourceNode, "a", 1);
    add_node(chart, "/b.csv", {100, 10}, 1.0, kSourceNode, "b", 1);
    return chart;
}

void place(Chart& chart, int left) {
    chart.nodes[0].rect = {left, 10, left + 40, 30};
    chart.nodes[1].rect = {left + 100, 10, left + 140, 30};
}

}  // namespace

TEST(UndoHistory, NineStepsBackAfterElevenMovesThenForwardAgain) {
    UndoHistory history;
    Chart chart = two_nodes();
    place(chart, 0);
    for (int move = 1; move <= 11; ++move) {
        ASSERT_TRUE(history.take_snapshot(chart));
        place(chart, move * 10);
    }
    EXPECT_EQ(history.undo_count(chart), 9);
    for (int i = 0; i < 9; ++i) ASSERT_TRUE(history.undo(chart));
    EXPECT_EQ(history.undo_count(chart), 0);
    EXPECT_EQ(history.redo_count(chart), 9);
    // Back to where the third move started.
    EXPECT_EQ(chart.nodes[0].rect.left, 20);
    EXPECT_EQ(chart.nodes[1].rect.left, 120);
    history.undo(chart);  // nothing more to undo
    EXPECT_EQ(chart.nodes[0].rect.left, 20);

    for (int i = 0; i < 9; ++i) ASSERT_TRUE(history.redo(chart));
    EXPECT_EQ(chart.nodes[0].rect.left, 110);
    EXPECT_EQ(history.redo_count(chart), 0);
    EXPECT_EQ(history.undo_count(chart), 9);
}

TEST(UndoHistory, ANewMoveAfterUndoEmptiesRedo) {
    UndoHistory history;
    Chart chart = two_nodes();
    history.take_snapshot(chart);
    place(chart, 50);
    history.undo(chart);
    EXPECT_EQ(history.redo_count(chart), 1);
    history.take_snapshot(chart);
    EXPECT_EQ(history.redo_count(chart), 0);
    EXPECT_EQ(history.undo_count(chart), 1);
}

TEST(UndoHistory, UndoBringsBackWholeRecordsNotJustPlaces) {
    UndoHistory history;
    Chart chart = two_nodes();
    history.take_snapshot(chart);
    chart.nodes[0].rect = chart.nodes[0].rect.moved(30, 0);
    std::snprintf(chart.nodes[0].title, sizeof chart.nodes[0].title, "renamed");
    chart.nodes[0].mandatory = 1;
    history.undo(chart);
    EXPECT_STREQ(chart.nodes[0].title, "a");
    EXPECT_EQ(chart.nodes[0].rect.left, 0);
    EXPECT_EQ(chart.nodes[0].mandatory, 0);
    history.redo(chart);
    EXPECT_STREQ(chart.nodes[0].title, "renamed");
}

// Adding or removing nodes ends the history, even when the count comes back
// to what it was: an old step would put one node's record over another's.
TEST(UndoHistory, StepsDoNotOutliveAChangeOfTheNodeTable) {
    UndoHistory history;
    Chart chart = two_nodes();
    history.take_snapshot(chart);
    add_node(chart, "/c.csv", {200, 10}, 1.0, kSourceNode, "c", 1);
    EXPECT_EQ(history.undo_count(chart), 0);

    history.take_snapshot(chart);
    remove_node(chart, 0);
    add_node(chart, "/d.csv", {300, 10}, 1.0, kSourceNode, "d", 1);
    history.undo(chart);
    EXPECT_STREQ(chart.nodes[2].title, "d");
    EXPECT_EQ(history.redo_count(chart), 0);
}
