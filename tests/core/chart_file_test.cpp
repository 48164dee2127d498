#include "chart/chart_file.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include "fifo.h"
#include "temp_dir.h"
#include "text/cp932.h"
#include "text/file_lock.h"
#include "text/replace_file.h"

using namespace tessaly;

namespace {

Chart example_chart(int nodes, int arcs) {
    Chart chart;
    chart.reset(1920, 1080);
    for (int i = 0; i < nodes; ++i) {
        add_node(chart, "/data/member" + std::to_string(i) + ".csv", {10 * i, 20 * i}, 1.0,
                 i + 1 == nodes ? kResultNode : kSourceNode, cp932::literal("会員名簿"), i * 1000);
        chart.nodes[i].key_first = i % 3;
        chart.nodes[i].key_last = i % 3 + 1;
    }
    for (int i = 0; i < arcs; ++i) add_arc(chart, i % nodes, nodes - 1);
    return chart;
}

std::string be32(std::uint32_t n) {
    return {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8), static_cast<char>(n)};
}

Status parse(std::string_view bytes) {
    Chart out;
    return parse_chart(bytes, out);
}

}  // namespace

TEST(ChartFileImage, EmptyChartIs66Bytes) {
    Chart chart;
    chart.reset(1024, 768);
    const std::string bytes = chart_file_bytes(chart);
    ASSERT_EQ(bytes.size(), 66u);
    EXPECT_EQ(bytes.substr(0, 10), "TSY001    ");
    // scroll 0,0; font 12; 1024 x 768; switches 1 0 1 0 0; preview font 12; 1; 1
    const std::string display(
        "\0\0\0\0\0\0\0\0\x0c\0\0\0\x00\x04\x00\x03"
        "\x01\0\0\0\0\0\0\0\x01\0\0\0\0\0\0\0\0\0\0\0"
        "\x0c\0\0\0\x01\0\0\0\x01\0\0\0",
        48);
    EXPECT_EQ(bytes.substr(10, 48), display);
    EXPECT_EQ(bytes.substr(58), std::string(8, '\0'));
}

TEST(ChartFileImage, TwoArcsAndThreeNodes) {
    Chart chart = example_chart(3, 2);
    const std::string bytes = chart_file_bytes(chart);
    ASSERT_EQ(bytes.size(), 4142u);
    EXPECT_EQ(bytes.substr(58, 4), be32(2));
    EXPECT_EQ(bytes.substr(62, 8), std::string("\0\0\x02\0\x01\0\x02\0", 8));
    EXPECT_EQ(bytes.substr(70, 4), be32(3));
    // The second node record: rect, kind, record count as they lie in memory.
    const std::size_t node1 = 74 + 1356;
    EXPECT_EQ(bytes.substr(node1, 8), std::string("\x0a\0\0\0\x14\0\0\0", 8));
    EXPECT_EQ(bytes.substr(node1 + 1340, 4), std::string("\xe8\x03\0\0", 4));
    EXPECT_EQ(bytes.substr(node1 + 16, 4), std::string(4, '\0'));  // reserved bytes are zero
    EXPECT_EQ(bytes[74 + 2 * 1356 + 24], 1);                       // the result node's kind
}

TEST(ChartFileImage, FullChartRoundTrips) {
    Chart chart = example_chart(1001, 1000);
    chart.display.scroll_x = 300;
    chart.display.view_width = 4000;
    chart.display.show_file_path = 1;
    chart.nodes[500].mandatory = 1;
    chart.nodes[500].start_record = 10;
    const std::string bytes = chart_file_bytes(chart);
    ASSERT_EQ(bytes.size(), 66u + 4 * 1000 + 1356 * 1001);

    Chart back;
    back.reset(1, 1);
    ASSERT_TRUE(parse_chart(bytes, back));
    EXPECT_EQ(back.node_count(), 1001);
    EXPECT_EQ(back.arc_count(), 1000);
    EXPECT_EQ(back.node_states.size(), 1001u);
    EXPECT_EQ(back.display.scroll_x, 300);
    EXPECT_EQ(back.display.view_width, 4000);
    EXPECT_EQ(back.nodes[500].start_record, 10);
    EXPECT_EQ(chart_file_bytes(back), bytes);
}

TEST(ChartFileRefusals, MagicAndVersion) {
    std::string bytes = chart_file_bytes(example_chart(2, 1));
    std::string other = bytes;
    other.replace(0, 3, "TSX");
    EXPECT_EQ(parse(other).message_id, MessageId::WrongFileFormat);
    other = bytes;
    other.replace(3, 3, "002");
    EXPECT_EQ(parse(other).message_id, MessageId::WrongVersion);
    other = bytes;
    other.replace(6, 4, "abcd");  // the last four bytes are not compared
    EXPECT_TRUE(parse(other));
    EXPECT_EQ(parse("").message_id, MessageId::WrongFileFormat);
    EXPECT_EQ(parse("TSY00").message_id, MessageId::WrongFileFormat);
    EXPECT_EQ(parse("TSY002").message_id, MessageId::WrongVersion);
}

TEST(ChartFileRefusals, CountsAboveTheLimits) {
    std::string header = chart_file_bytes(example_chart(0, 0)).substr(0, 58);
    EXPECT_EQ(parse(header + be32(1001)).message_id, MessageId::ArcLimitExceeded);
    EXPECT_EQ(parse(header + be32(0x80000000u)).message_id, MessageId::ArcLimitExceeded);
    EXPECT_EQ(parse(header + be32(0) + be32(1002)).message_id, MessageId::NodeLimitExceeded);

    Chart most = example_chart(1001, 0);
    EXPECT_TRUE(parse(chart_file_bytes(most)));
}

TEST(ChartFileRefusals, EveryTruncationUpToTheFirstNodeRecordIsRefused) {
    Chart chart = example_chart(2, 2);
    const std::string bytes = chart_file_bytes(chart);
    const std::size_t first_node = 66 + 2 * 4;
    for (std::size_t n = 0; n <= first_node + 1356 - 1; ++n) {
        Chart out;
        out.reset(1, 1);
        add_node(out, "kept", {0, 0}, 1.0, kSourceNode, "kept", 7);
        Status s = parse_chart(std::string_view(bytes).substr(0, n), out);
        ASSERT_EQ(s.message_id, MessageId::WrongFileFormat) << "length " << n;
        ASSERT_EQ(out.node_count(), 1) << "a refused file leaves the chart as it was";
    }
    // A count that promises more records than the file holds.
    std::string cut = bytes.substr(0, bytes.size() - 1);
    EXPECT_EQ(parse(cut).message_id, MessageId::WrongFileFormat);
}

// A chart is exactly 66 + 4 × arcs + 1,356 × nodes bytes. A node count
// damaged from 2 to 1 (or an arc count from 2 to 1, or bytes appended) would
// otherwise be read as a smaller chart, and the next save would drop the rest.
TEST(ChartFileRefusals, BytesBeyondTheCountedRecordsAreRefused) {
    const std::string bytes = chart_file_bytes(example_chart(2, 2));
    ASSERT_EQ(bytes.size(), 66u + 4 * 2 + 1356 * 2);
    EXPECT_TRUE(parse(bytes));

    std::string fewer_nodes = bytes;
    fewer_nodes.replace(66 + 4 * 2 - 4, 4, be32(1));
    EXPECT_EQ(parse(fewer_nodes).message_id, MessageId::WrongFileFormat);
    std::string fewer_arcs = bytes.substr(0, 58) + be32(1) + bytes.substr(62, 4) + bytes.substr(70);
    ASSERT_EQ(fewer_arcs.size(), bytes.size() - 4);
    EXPECT_EQ(parse(fewer_arcs + std::string(4, '\0')).message_id, MessageId::WrongFileFormat);
    EXPECT_EQ(parse(bytes + '\0').message_id, MessageId::WrongFileFormat);
    EXPECT_EQ(parse(chart_file_bytes(example_chart(0, 0)) + "x").message_id, MessageId::WrongFileFormat);

    // Opened from a file, refused as well, and a save is never reached.
    TempDir dir;
    write_bytes(dir / "long.tsy", fewer_nodes);
    Chart chart;
    EXPECT_EQ(open_chart(dir / "long.tsy", chart).message_id, MessageId::WrongFileFormat);
    EXPECT_EQ(chart.node_count(), 0);
}

TEST(ChartFileRefusals, DamagedRecords) {
    Chart chart = example_chart(2, 1);
    std::string bytes = chart_file_bytes(chart);
    std::string bad_arc = bytes;
    bad_arc[62 + 2] = 5;  // arc to node 5 of 2
    EXPECT_EQ(parse(bad_arc).message_id, MessageId::WrongFileFormat);

    std::string unterminated = bytes;
    const std::size_t title = 70 + 26;
    for (std::size_t i = 0; i < kTitleSize; ++i) unterminated[title + i] = 'x';
    EXPECT_EQ(parse(unterminated).message_id, MessageId::WrongFileFormat);
}

TEST(ChartFileOpen, MissingFileFolderAndGoodFile) {
    TempDir dir;
    Chart chart;
    Status missing = open_chart(dir / "none.tsy", chart);
    EXPECT_EQ(missing.message_id, MessageId::FileNotFound);
    EXPECT_EQ(missing.first_line, (dir / "none.tsy").string());
    EXPECT_EQ(open_chart(dir.path(), chart).message_id, MessageId::IsAFolder);

    write_bytes(dir / "binary.tsy", std::string("\x7f"
                                                "ELF\x02\x01\x01\0",
                                                8));
    EXPECT_EQ(open_chart(dir / "binary.tsy", chart).message_id, MessageId::WrongFileFormat);

    Chart saved = example_chart(3, 2);
    ASSERT_TRUE(save_chart(dir / "c.tsy", saved, false));
    ASSERT_TRUE(open_chart(dir / "c.tsy", chart));
    EXPECT_EQ(chart.node_count(), 3);
    EXPECT_EQ(chart.arc_count(), 2);
    EXPECT_EQ(chart.primary_node, -1);
}

TEST(ChartFileSave, ClearsTheSelectionMarks) {
    TempDir dir;
    Chart chart = example_chart(3, 0);
    chart.node_states[0].selected = 1;
    chart.node_states[2].selected = 1;
    chart.primary_node = 2;
    ASSERT_TRUE(save_chart(dir / "c.tsy", chart, false));
    EXPECT_EQ(chart.node_states[0].selected, 0);
    EXPECT_EQ(chart.node_states[2].selected, 0);
    EXPECT_EQ(chart.primary_node, 2);
}

TEST(ChartFileSave, KeepsABackupOnlyWhenAskedAndAFileIsReplaced) {
    TempDir dir;
    const auto path = dir / "c.tsy";
    Chart first = example_chart(1, 0);
    Chart second = example_chart(2, 1);
    ASSERT_TRUE(save_chart(path, first, true));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.tsy.bak"));
    ASSERT_TRUE(save_chart(path, second, true));
    EXPECT_EQ(read_bytes(dir / "c.tsy.bak"), chart_file_bytes(first));
    EXPECT_EQ(read_bytes(path), chart_file_bytes(second));
    ASSERT_TRUE(save_chart(path, first, false));
    EXPECT_EQ(read_bytes(dir / "c.tsy.bak"), chart_file_bytes(first));  // untouched
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ChartFileSave, FailureLeavesTheOldFileAndNoLitter) {
    TempDir dir;
    const auto path = dir / "c.tsy";
    Chart old_chart = example_chart(1, 0);
    ASSERT_TRUE(save_chart(path, old_chart, false));
    const std::string old_bytes = read_bytes(path);

    // A disk that fills up in the middle of the write.
    Chart big = example_chart(50, 10);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    Status s = save_chart(path, big, true);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(s.message_id, MessageId::WriteFailed);
    EXPECT_EQ(s.first_line, path.string());
    EXPECT_EQ(read_bytes(path), old_bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    EXPECT_EQ(save_chart(dir / "no-such-folder" / "c.tsy", big, false).message_id, MessageId::WriteFailed);
    EXPECT_EQ(save_chart(dir.path(), big, false).message_id, MessageId::WriteFailed);  // a folder is never replaced
}

// Values the program itself can never store are refused on opening, node by
// node, selected or not: a key at field 100,000,000 would pad every line of
// a cross to that many columns. Odd values that do no harm are kept.
TEST(ChartFileRefusals, ValuesTheProgramCanNeverStore) {
    struct Case {
        const char* what;
        std::function<void(Chart&)> change;
        MessageId expected;  // None: accepted
    };
    const std::vector<Case> cases = {
        {"no key", [](Chart& c) { c.nodes[1].key_first = c.nodes[1].key_last = -1; }, MessageId::None},
        {"keyboard's half-set key", [](Chart& c) { c.nodes[1].key_first = -1, c.nodes[1].key_last = 4; },
         MessageId::None},
        {"one field", [](Chart& c) { c.nodes[1].key_first = c.nodes[1].key_last = 0; }, MessageId::None},
        {"last field of 2,000", [](Chart& c) { c.nodes[1].key_first = c.nodes[1].key_last = 1999; }, MessageId::None},
        {"key_first 100,000,000", [](Chart& c) { c.nodes[1].key_first = c.nodes[1].key_last = 100000000; },
         MessageId::WrongFileFormat},
        {"key_first 2,000", [](Chart& c) { c.nodes[1].key_first = c.nodes[1].key_last = 2000; },
         MessageId::WrongFileFormat},
        {"key_last 2,000", [](Chart& c) { c.nodes[1].key_first = 3, c.nodes[1].key_last = 2000; },
         MessageId::WrongFileFormat},
        {"key_last beyond, first unset", [](Chart& c) { c.nodes[1].key_first = -1, c.nodes[1].key_last = 5000; },
         MessageId::WrongFileFormat},
        {"key_first -2", [](Chart& c) { c.nodes[1].key_first = -2, c.nodes[1].key_last = 3; },
         MessageId::WrongFileFormat},
        {"key_last -2", [](Chart& c) { c.nodes[1].key_first = -1, c.nodes[1].key_last = -2; },
         MessageId::WrongFileFormat},
        {"first after last", [](Chart& c) { c.nodes[1].key_first = 5, c.nodes[1].key_last = 3; },
         MessageId::WrongFileFormat},
        {"first set, last unset", [](Chart& c) { c.nodes[1].key_first = 2, c.nodes[1].key_last = -1; },
         MessageId::WrongFileFormat},
        {"most negative", [](Chart& c) { c.nodes[1].key_first = c.nodes[1].key_last = INT32_MIN; },
         MessageId::WrongFileFormat},
        {"start record 1", [](Chart& c) { c.nodes[1].start_record = 1; }, MessageId::None},
        {"start record 10", [](Chart& c) { c.nodes[1].start_record = 10; }, MessageId::None},
        {"start record 0", [](Chart& c) { c.nodes[1].start_record = 0; }, MessageId::WrongFileFormat},
        {"start record 11", [](Chart& c) { c.nodes[1].start_record = 11; }, MessageId::WrongFileFormat},
        {"start record 65,535", [](Chart& c) { c.nodes[1].start_record = 65535; }, MessageId::WrongFileFormat},
        {"record count 0", [](Chart& c) { c.nodes[1].record_count = 0; }, MessageId::None},
        {"record count at most", [](Chart& c) { c.nodes[1].record_count = INT32_MAX; }, MessageId::None},
        {"record count -1", [](Chart& c) { c.nodes[1].record_count = -1; }, MessageId::WrongFileFormat},
        {"last node too", [](Chart& c) { c.nodes[2].record_count = -5; }, MessageId::WrongFileFormat},
        // A box two billion pixels away overflows whatever places or draws it.
        {"box at the limits",
         [](Chart& c) {
             c.nodes[1].rect = {-100000, -100000, 100000, 100000};
         },
         MessageId::None},
        {"box far away",
         [](Chart& c) {
             c.nodes[1].rect = {INT32_MIN, 0, INT32_MAX, 5};
         },
         MessageId::WrongFileFormat},
        {"left beyond", [](Chart& c) { c.nodes[1].rect.left = -100001; }, MessageId::WrongFileFormat},
        {"top beyond", [](Chart& c) { c.nodes[1].rect.top = -100001; }, MessageId::WrongFileFormat},
        {"right beyond", [](Chart& c) { c.nodes[1].rect.right = 100001; }, MessageId::WrongFileFormat},
        {"bottom beyond", [](Chart& c) { c.nodes[2].rect.bottom = 2000000000; }, MessageId::WrongFileFormat},
        // Odd but harmless: kept as they are.
        {"box turned inside out",
         [](Chart& c) {
             c.nodes[1].rect = {500, 400, -30, -20};
         },
         MessageId::None},
        {"node font 0", [](Chart& c) { c.display.node_font_size = 0; }, MessageId::None},
        {"preview font 999", [](Chart& c) { c.display.preview_font_size = 999; }, MessageId::None},
        {"canvas 0 x 0", [](Chart& c) { c.display.view_width = c.display.view_height = 0; }, MessageId::None},
        {"mandatory 7", [](Chart& c) { c.nodes[1].mandatory = 7; }, MessageId::None},
    };
    for (const Case& c : cases) {
        Chart chart = example_chart(3, 2);  // node 1 is neither selected nor special
        c.change(chart);
        Chart out;
        out.reset(1, 1);
        add_node(out, "kept", {0, 0}, 1.0, kSourceNode, "kept", 7);
        const Status s = parse_chart(chart_file_bytes(chart), out);
        EXPECT_EQ(s.message_id, c.expected) << c.what;
        if (c.expected != MessageId::None) {
            EXPECT_EQ(s.first_line, "") << c.what;
            EXPECT_EQ(out.node_count(), 1) << c.what << ": a refused file leaves the chart as it was";
        } else {
            EXPECT_EQ(out.node_count(), 3) << c.what;
        }
    }
}

TEST(ChartFileOpen, FifoAndDevicesAreRefusedWithoutWaiting) {
    TempDir dir;
    Fifo fifo(dir / "pipe.tsy");
    const auto started = std::chrono::steady_clock::now();
    for (const std::filesystem::path& path : {fifo.path(), std::filesystem::path("/dev/zero")}) {
        Chart chart;
        const Status s = open_chart(path, chart);
        EXPECT_EQ(s.message_id, MessageId::NotARegularFile) << path;
        EXPECT_EQ(s.first_line, path.string());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "waited on the FIFO";
}

TEST(ChartFileOpen, GivesTheStampOfWhatItRead) {
    TempDir dir;
    Chart chart = example_chart(2, 1);
    FileStamp written;
    ASSERT_TRUE(save_chart(dir / "c.tsy", chart, false, nullptr, &written));
    EXPECT_EQ(file_stamp(dir / "c.tsy"), written);
    EXPECT_EQ(written.size, static_cast<std::int64_t>(chart_file_bytes(chart).size()));
    FileStamp read;
    Chart back;
    ASSERT_TRUE(open_chart(dir / "c.tsy", back, &read));
    EXPECT_EQ(read, written);
}

namespace {

// The names a save gives its new chart for the rename: ".NAME.XXXXXX".
int hidden_entries(const TempDir& dir) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().starts_with(".")) ++n;
    return n;
}

void age(const std::filesystem::path& path, std::chrono::seconds by) {
    const auto when = std::filesystem::last_write_time(path) - by;
    std::filesystem::last_write_time(path, when);
}

}  // namespace

// New charts of saves that were killed before their rename are removed by
// the next save: any of them under the chart's lock; beside a chart saved for
// the first time (nothing to lock), only those untouched for an hour.
TEST(ChartFileSave, RemovesWhatKilledSavesLeft) {
    TempDir dir;
    const auto path = dir / "c.tsy";
    Chart chart = example_chart(2, 1);
    ASSERT_TRUE(save_chart(path, chart, false));
    const std::string chart_bytes = chart_file_bytes(chart);
    write_bytes(dir / ".c.tsy.Ab12Cd", chart_bytes.substr(0, 1000));  // killed while writing
    write_bytes(dir / ".c.tsy.QQQQQQ", "");                           // killed before writing
    write_bytes(dir / "c.tsy.bak.new", chart_bytes);                  // killed while keeping the backup
    // Not ours: other names, or not a chart.
    write_bytes(dir / ".c.tsy.backup", "my own notes\n");
    write_bytes(dir / ".c.tsy.Ab12C", chart_bytes);
    write_bytes(dir / ".d.tsy.Ab12Cd", chart_bytes);
    write_bytes(dir / "c.tsy.Ab12Cd", chart_bytes);

    ASSERT_TRUE(save_chart(path, chart, false));
    EXPECT_FALSE(std::filesystem::exists(dir / ".c.tsy.Ab12Cd"));
    EXPECT_FALSE(std::filesystem::exists(dir / ".c.tsy.QQQQQQ"));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.tsy.bak.new"));
    EXPECT_EQ(read_bytes(dir / ".c.tsy.backup"), "my own notes\n");
    EXPECT_TRUE(std::filesystem::exists(dir / ".c.tsy.Ab12C"));
    EXPECT_TRUE(std::filesystem::exists(dir / ".d.tsy.Ab12Cd"));
    EXPECT_TRUE(std::filesystem::exists(dir / "c.tsy.Ab12Cd"));
    EXPECT_EQ(read_bytes(path), chart_bytes);

    // A chart saved for the first time.
    write_bytes(dir / ".new.tsy.Recent", chart_bytes);  // perhaps another program's save under way
    write_bytes(dir / ".new.tsy.OldOne", chart_bytes);
    age(dir / ".new.tsy.OldOne", std::chrono::hours(2));
    ASSERT_TRUE(save_chart(dir / "new.tsy", chart, false));
    EXPECT_TRUE(std::filesystem::exists(dir / ".new.tsy.Recent"));
    EXPECT_FALSE(std::filesystem::exists(dir / ".new.tsy.OldOne"));
}

// The new chart has no name while it is written: a save killed in the middle
// leaves nothing beside the chart.
TEST(ChartFileSave, TheNewChartHasNoNameWhileItIsWritten) {
    TempDir dir;
    const auto path = dir / "c.tsy";
    Chart chart = example_chart(1, 0);
    ASSERT_TRUE(save_chart(path, chart, false));
    int entries_while_writing = -1;
    const bool replaced = replace_file_with(
        path,
        [&](const FileSink& sink) {
            entries_while_writing = static_cast<int>(
                std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()));
            return sink("TSY001    ") && sink(std::string(1 << 20, 'x'));
        },
        false);
    EXPECT_TRUE(replaced);
    EXPECT_EQ(entries_while_writing, 1);  // the chart alone
    EXPECT_EQ(hidden_entries(dir), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 10u + (1u << 20));
}

TEST(ChartFileSave, WaitsForTheLockOfAnotherProgram) {
    TempDir dir;
    const auto path = dir / "c.tsy";
    Chart first = example_chart(1, 0);
    Chart second = example_chart(2, 1);
    ASSERT_TRUE(save_chart(path, first, false));

    // Another program (a command-line cross) holds the chart's lock and
    // lets go soon: the save waits for it, then replaces the chart.
    FileLock other;
    ASSERT_TRUE(other.lock(path, {}));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.unlock();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(save_chart(path, second, false));
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(250));
    release.join();
    EXPECT_EQ(read_bytes(path), chart_file_bytes(second));

    // One that keeps it: refused after a while, the chart untouched.
    ASSERT_TRUE(other.lock(path, {}));
    const Status s = save_chart(path, first, false);
    EXPECT_EQ(s.message_id, MessageId::ChartLocked);
    EXPECT_EQ(s.first_line, path.string());
    EXPECT_EQ(read_bytes(path), chart_file_bytes(second));

    // The holder itself saves under its lock.
    EXPECT_TRUE(save_chart(path, first, true, &other));
    EXPECT_EQ(read_bytes(path), chart_file_bytes(first));
    EXPECT_EQ(read_bytes(dir / "c.tsy.bak"), chart_file_bytes(second));
}

TEST(FileLock, AWaiterLocksTheFileThatReplacedTheOneItWaitedFor) {
    TempDir dir;
    const auto path = dir / "c.tsy";
    write_bytes(path, "old");
    FileLock first;
    ASSERT_TRUE(first.lock(path, {}));
    EXPECT_TRUE(first.locked());

    std::atomic<int> waits = 0;
    std::atomic<bool> second_locked = false;
    FileLock second;
    std::thread waiter([&] {
        const Status s = second.lock(path, [&] {
            ++waits;
            return true;
        });
        second_locked = s.message_id == MessageId::None;
    });
    while (waits == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(second_locked);
    // The holder puts a new file in place and lets go.
    write_bytes(dir / "new", "new");
    std::filesystem::rename(dir / "new", path);
    first.unlock();
    waiter.join();
    EXPECT_TRUE(second_locked);

    // The new file is the one locked: a third program must wait, and may
    // give up.
    FileLock third;
    const Status s = third.lock(path, [] { return false; });
    EXPECT_EQ(s.message_id, MessageId::ChartLocked);
    EXPECT_EQ(s.first_line, path.string());
    EXPECT_FALSE(third.locked());

    EXPECT_EQ(FileLock().lock(dir / "absent", {}).message_id, MessageId::OpenFailed);
    EXPECT_EQ(FileLock().lock(dir.path(), {}).message_id, MessageId::IsAFolder);
}
