#include "chart/source_placement.h"

#include <gtest/gtest.h>

#include "temp_dir.h"
#include "text/cp932.h"

using namespace tessaly;

namespace {

Chart empty_chart() {
    Chart chart;
    chart.reset(1024, 768);
    return chart;
}

}  // namespace

// Every node 80 × 30, as the chart would measure a short title.
void size_80_by_30(Chart& chart, int node) {
    Rect& r = chart.nodes[static_cast<std::size_t>(node)].rect;
    r = Rect{r.left - 40, r.top - 15, r.left + 40, r.top + 15};
}

std::vector<std::filesystem::path> files_in(const TempDir& dir, int count) {
    std::vector<std::filesystem::path> files;
    for (int i = 0; i < count; ++i) {
        const auto path = dir / (std::to_string(i) + ".csv");
        write_bytes(path, "x\r\ny\r\n\r\nz");
        files.push_back(path);
    }
    return files;
}

TEST(SourcePlacement, FilesChosenTogetherStandSideBySideAndWrapAtTheEdge) {
    TempDir dir;
    Chart chart = empty_chart();
    chart.display.view_width = 400;
    Placement placed = place_source_files(chart, files_in(dir, 5), {100, 80}, 1.0, size_80_by_30);
    ASSERT_EQ(placed.placed, 5);
    EXPECT_TRUE(placed.messages.empty());
    EXPECT_EQ(chart.nodes[0].rect, (Rect{60, 65, 140, 95}));  // centred on the point
    EXPECT_EQ(chart.nodes[1].rect, (Rect{160, 65, 240, 95}));
    EXPECT_EQ(chart.nodes[2].rect, (Rect{260, 65, 340, 95}));
    EXPECT_EQ(chart.nodes[3].rect, (Rect{60, 115, 140, 145}));  // 360 + 80 is past the edge: under the first
    EXPECT_EQ(chart.nodes[4].rect, (Rect{160, 115, 240, 145}));
    EXPECT_EQ(chart.nodes[0].record_count, 4);  // every line, the empty one too
    EXPECT_EQ(cp932::field_text(chart.nodes[1].title), "1");
}

TEST(SourcePlacement, NewNodesKeepClearOfTheNodesThere) {
    TempDir dir;
    Chart chart = empty_chart();
    add_node(chart, "/old", {0, 0}, 1.0, kSourceNode, "old", 1);
    chart.nodes[0].rect = Rect{150, 50, 300, 100};  // in the way of the first
    place_source_files(chart, files_in(dir, 2), {100, 80}, 1.0, size_80_by_30);
    EXPECT_EQ(chart.nodes[1].rect, (Rect{320, 65, 400, 95}));  // past the old node, the gap apart
    EXPECT_EQ(chart.nodes[2].rect, (Rect{420, 65, 500, 95}));

    // Dropped again on the same point, files find the room beyond.
    TempDir more;
    place_source_files(chart, files_in(more, 1), {100, 80}, 1.0, size_80_by_30);
    EXPECT_EQ(chart.nodes[3].rect, (Rect{520, 65, 600, 95}));

    // A canvas with no room left puts the node at the point, over the others.
    Chart full = empty_chart();
    full.display.view_width = 100;
    full.display.view_height = 60;
    place_source_files(full, files_in(more, 2), {50, 30}, 1.0, size_80_by_30);
    EXPECT_EQ(full.nodes[1].rect, (Rect{10, 15, 90, 45}));
}

TEST(SourcePlacement, AFileAlreadyOnTheChartIsPassedOverWithoutAdvancing) {
    TempDir dir;
    write_bytes(dir / "a.csv", "x\n");
    write_bytes(dir / "b.csv", "y\n");
    Chart chart = empty_chart();
    place_source_files(chart, {dir / "a.csv"}, {0, 0}, 1.0);
    Placement placed = place_source_files(chart, {dir / "a.csv", dir / "b.csv"}, {300, 300}, 1.0);
    EXPECT_EQ(placed.placed, 1);
    ASSERT_EQ(placed.messages.size(), 1u);
    EXPECT_EQ(placed.messages[0].message_id, MessageId::FileAlreadySet);
    EXPECT_EQ(placed.messages[0].first_line, (dir / "a.csv").string());
    EXPECT_EQ(chart.nodes[1].rect, (Rect{300, 300, 300, 300}));  // b took a's place
}

TEST(SourcePlacement, TitlesCountsAndLimits) {
    EXPECT_EQ(node_title_for("/d/data.2024.csv"), "data.2024");
    EXPECT_EQ(node_title_for("/d/README"), "README");

    TempDir dir;
    write_bytes(dir / "empty.csv", "");
    std::vector<std::filesystem::path> many;
    for (int i = 0; i < 120; ++i) {
        std::string name = std::to_string(i);
        name += ".csv";
        const auto path = dir / name;
        write_bytes(path, "1\n");
        many.push_back(path);
    }
    Chart chart = empty_chart();
    EXPECT_EQ(place_source_files(chart, {dir / "empty.csv"}, {0, 0}, 1.0).placed, 1);
    EXPECT_EQ(chart.nodes[0].record_count, 0);
    EXPECT_EQ(place_source_files(chart, many, {0, 0}, 1.0).placed, 100);
}

TEST(SourcePlacement, RefusalsNameTheFile) {
    TempDir dir;
    const std::string long_name(250, 'n');
    write_bytes(dir / long_name, "x\n");
    write_bytes(dir / "ok.csv", "x\n");
    Chart chart = empty_chart();
    Placement placed = place_source_files(chart, {dir / long_name, dir / "missing.csv", dir / "ok.csv"}, {0, 0}, 1.0);
    EXPECT_EQ(placed.placed, 1);
    ASSERT_EQ(placed.messages.size(), 2u);
    EXPECT_EQ(placed.messages[0].message_id, MessageId::PathUnusable);
    EXPECT_EQ(placed.messages[1].message_id, MessageId::OpenFailed);
    EXPECT_EQ(placed.messages[1].first_line, (dir / "missing.csv").string());

    for (int i = 0; i < kMaxNodes - 1; ++i) add_node(chart, std::to_string(i), {0, 0}, 1.0, kSourceNode, "t", 0);
    write_bytes(dir / "late.csv", "x\n");
    write_bytes(dir / "later.csv", "x\n");
    Placement full = place_source_files(chart, {dir / "late.csv", dir / "later.csv"}, {0, 0}, 1.0);
    EXPECT_EQ(full.placed, 0);
    EXPECT_EQ(full.messages.back().message_id, MessageId::TooManyNodes);
    EXPECT_EQ(full.messages.size(), 1u);  // the limit ends the placement
}

TEST(SourcePlacement, DroppedFilesMustBeText) {
    TempDir dir;
    write_bytes(dir / "bin.dat", std::string("ab\0cd\n", 6));
    write_bytes(dir / "one-line.txt", "no line break");
    write_bytes(dir / "empty.txt", "");
    write_bytes(dir / "good.csv", "a,b\r\n");
    EXPECT_EQ(admit_dropped_file(dir / "bin.dat").message_id, MessageId::NotAText);
    EXPECT_EQ(admit_dropped_file(dir / "one-line.txt").message_id, MessageId::NoLineBreak);
    EXPECT_EQ(admit_dropped_file(dir / "empty.txt").message_id, MessageId::NoLineBreak);
    EXPECT_TRUE(admit_dropped_file(dir / "good.csv"));
}

// The first bytes alone can deceive: a UTF-8 list whose Japanese starts
// past them is found as its lines are counted, and passed over for the
// caller to offer a copy; cp932 whose bytes happen to be UTF-8 is placed.
TEST(SourcePlacement, TheWholeFileDecidesItsEncoding) {
    TempDir dir;
    std::string ascii;
    for (int i = 0; ascii.size() < 1536 * 1024; ++i) ascii += std::to_string(i) + ",abc,1990/01/02\r\n";
    write_bytes(dir / "late.csv", ascii + "9,山田太郎,1990/01/02\r\n10,佐藤花子,1985/03/04\r\n");
    write_bytes(dir / "cp932.csv", ascii + cp932::literal("9,山田太郎,1990/01/02\r\n"));
    write_bytes(dir / "chance.csv", "1,abc,\xE3\x81\xB1\r\n");
    Chart chart = empty_chart();
    Placement placed =
        place_source_files(chart, {dir / "late.csv", dir / "cp932.csv", dir / "chance.csv"}, {100, 80}, 1.0);
    EXPECT_TRUE(placed.messages.empty());
    ASSERT_EQ(placed.foreign.size(), 1u);
    EXPECT_EQ(placed.foreign[0].path, dir / "late.csv");
    EXPECT_EQ(placed.foreign[0].encoding, TextEncoding::Utf8);
    ASSERT_EQ(placed.placed, 2);
    EXPECT_EQ(cp932::field_text(chart.nodes[0].path), (dir / "cp932.csv").string());
    EXPECT_EQ(chart.nodes[0].rect.left, 100);  // the passed-over file took no place
    EXPECT_EQ(cp932::field_text(chart.nodes[1].path), (dir / "chance.csv").string());
}
