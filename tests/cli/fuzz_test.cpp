// A bounded fuzz run of what reads input from anyone: the chart reader and
// tessaly-cross's command line. Damaged charts (bytes flipped, counts
// changed, cut short or lengthened, parts spliced) and argument lists made of
// the options, odd values and file names are run through the reader and the
// program itself, in process. Whatever comes in: no crash or exception, an
// exit status of 0, 1 or 2, every line printed free of control bytes, and an
// accepted chart exactly as long as its counts say and read back the same.
//
// A few thousand cases by default, seeded so a failure repeats; for a longer
// run, TESSALY_FUZZ_SECONDS=N fuzzes for N seconds (TESSALY_FUZZ_SEED picks
// another seed) and prints the counts.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "chart/chart.h"
#include "chart/chart_file.h"
#include "cli/cli_arguments.h"
#include "cli/cli_run.h"
#include "cross/cross_start.h"
#include "temp_dir.h"
#include "text/cp932.h"

using namespace tessaly;
using namespace tessaly::cli;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The cases to run: the default count, or as many as fit the time asked for.
class Budget {
public:
    explicit Budget(long long default_cases) : cases_(default_cases) {
        if (const char* s = std::getenv("TESSALY_FUZZ_SECONDS")) {
            seconds_ = std::atoi(s);
            if (seconds_ > 0) cases_ = -1;
        }
    }
    bool more(long long done) const {
        if (cases_ >= 0) return done < cases_;
        return (done & 63) != 0 || Clock::now() - start_ < std::chrono::seconds(seconds_);
    }
    bool timed() const { return cases_ < 0; }

private:
    long long cases_;
    int seconds_ = 0;
    Clock::time_point start_ = Clock::now();
};

std::mt19937_64 seeded_random() {
    const char* s = std::getenv("TESSALY_FUZZ_SEED");
    return std::mt19937_64(s ? std::strtoull(s, nullptr, 10) : 20261209);
}

// A line printed by the program may hold any byte but a control byte: a
// name with a line break or an escape sequence in it is shown escaped. Only
// --list separates its fields by tabs.
::testing::AssertionResult printable_lines(const std::string& text, bool tabs = false) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b < 0x20 && b != '\n' && !(tabs && b == '\t')) || b == 0x7F)
            return ::testing::AssertionFailure() << "control byte " << int(b) << " at " << i << " in: " << text;
    }
    return ::testing::AssertionSuccess();
}

struct Outcome {
    int code;
    std::string out, err;
};

Outcome run_in_process(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Console console{out, err};
    const int code = run(args, console);
    return {code, out.str(), err.str()};
}

// The program's own settings come from an empty folder, and a run's files
// (results, a saved chart) from a folder of the test's own, made current.
class FuzzFolder {
public:
    FuzzFolder() : before_(fs::current_path()) {
        ::setenv("HOME", dir_.path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        fs::current_path(dir_.path());
    }
    ~FuzzFolder() { fs::current_path(before_); }
    fs::path operator/(std::string_view name) const { return dir_ / name; }
    // Removes what the last run made: results and backups, and the chart it may have saved.
    void tidy(const std::string& chart_bytes) {
        for (const auto& entry : fs::directory_iterator(dir_.path())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("CROSS") || name.starts_with(".") || name.ends_with(".bak"))
                fs::remove_all(entry.path());
        }
        write_bytes(dir_ / "c.tsy", chart_bytes);
    }

private:
    TempDir dir_;
    fs::path before_;
};

Chart sample_chart(int nodes, int arcs) {
    Chart chart;
    chart.reset(1920, 1080);
    for (int i = 0; i < nodes; ++i) {
        add_node(chart, "/data/list" + std::to_string(i) + ".csv", {40 * i, 30 * i}, 1.0,
                 i + 1 == nodes ? kResultNode : kSourceNode, cp932::literal("会員名簿"), i * 100);
        chart.nodes[i].key_first = i % 3;
        chart.nodes[i].key_last = i % 3 + 1;
    }
    for (int i = 0; i < arcs; ++i) add_arc(chart, i % nodes, nodes - 1);
    return chart;
}

void put_be32(std::string& bytes, std::size_t at, std::uint32_t n) {
    for (int i = 0; i < 4 && at + i < bytes.size(); ++i) bytes[at + i] = static_cast<char>(n >> (24 - 8 * i));
}

// One to four damages of one of these kinds, as a fuzzer makes them.
std::string damaged(std::string bytes, const std::vector<std::string>& seeds, std::mt19937_64& random) {
    auto pick = [&](std::size_t n) { return n == 0 ? 0 : static_cast<std::size_t>(random() % n); };
    static const std::uint32_t kOddNumbers[] = {0,    1,     2,          99,         100,        101,    1999,
                                                2000, 65535, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 100001, 0xFFFE7961};
    const int damages = 1 + static_cast<int>(random() % 4);
    for (int d = 0; d < damages; ++d) {
        switch (random() % 7) {
            case 0:  // a byte changed
                if (!bytes.empty()) bytes[pick(bytes.size())] = static_cast<char>(random());
                break;
            case 1:  // a 32-bit number anywhere made an odd one
                put_be32(bytes, pick(bytes.size()), kOddNumbers[pick(std::size(kOddNumbers))]);
                break;
            case 2:  // the same, little-endian as the node fields are
            {
                std::uint32_t n = kOddNumbers[pick(std::size(kOddNumbers))];
                n = __builtin_bswap32(n);
                put_be32(bytes, pick(bytes.size()), n);
                break;
            }
            case 3:  // cut short
                bytes.resize(pick(bytes.size() + 1));
                break;
            case 4:  // lengthened
                bytes.append(pick(1400), static_cast<char>(random()));
                break;
            case 5:  // a count changed by one
                if (bytes.size() >= kChartHeaderSize + 4) {
                    auto& b = bytes[kChartHeaderSize + 3];
                    b = static_cast<char>(b + (random() % 2 ? 1 : -1));
                }
                break;
            default:  // a piece of another chart spliced in
            {
                const std::string& other = seeds[pick(seeds.size())];
                const std::size_t from = pick(other.size());
                const std::size_t length = pick(other.size() - from + 1);
                const std::size_t at = pick(bytes.size() + 1);
                bytes.replace(at, pick(bytes.size() - at + 1), other.substr(from, length));
                break;
            }
        }
    }
    return bytes;
}

std::size_t arc_count_of(const Chart& chart) { return chart.arcs.size(); }

}  // namespace

TEST(Fuzz, DamagedChartsAreReadOrRefusedNeverMisread) {
    FuzzFolder folder;
    std::vector<std::string> seeds;
    for (auto [nodes, arcs] : {std::pair{0, 0}, {1, 0}, {2, 1}, {3, 2}, {5, 4}})
        seeds.push_back(chart_file_bytes(sample_chart(nodes, arcs)));
    std::mt19937_64 random = seeded_random();
    const Budget budget(6000);
    long long cases = 0, accepted = 0, listed = 0;
    for (; budget.more(cases); ++cases) {
        const std::string bytes = damaged(seeds[random() % seeds.size()], seeds, random);
        Chart chart;
        if (parse_chart(bytes, chart)) {
            ++accepted;
            const std::string again = chart_file_bytes(chart);
            ASSERT_EQ(bytes.size(), kEmptyChartFileSize + 4 * arc_count_of(chart) + 1356 * chart.nodes.size());
            Chart reread;
            ASSERT_TRUE(parse_chart(again, reread)) << "case " << cases;
            ASSERT_EQ(chart_file_bytes(reread), again) << "case " << cases;
            // Every node selected: the result node's place stays on the canvas's scale.
            for (NodeState& s : reread.node_states) s.selected = 1;
            if (auto point = result_node_point(reread, 4.0)) {
                EXPECT_LE(std::abs(point->x), 4 * kNodeCoordinateLimit);
                EXPECT_LE(std::abs(point->y), 4 * kNodeCoordinateLimit);
            }
        }
        // Some through the program itself: --list of the file.
        if (cases % 8 == 0) {
            ++listed;
            write_bytes(folder / "c.tsy", bytes);
            const Outcome o = run_in_process({"--list", "c.tsy"});
            ASSERT_TRUE(o.code == kExitSuccess || o.code == kExitFailure) << o.err;
            ASSERT_TRUE(printable_lines(o.out, true));
            ASSERT_TRUE(printable_lines(o.err));
        }
    }
    if (budget.timed())
        std::printf("charts: %lld cases, %lld accepted, %lld listed by the program\n", cases, accepted, listed);
    EXPECT_GT(accepted, 0);
}

TEST(Fuzz, AnyArgumentListEndsInAnAnswer) {
    FuzzFolder folder;
    write_bytes(folder / "a.csv", "1,山田,東京\r\n2,佐藤,大阪\r\n");
    write_bytes(folder / "b.csv", "1,山田,東京\r\n3,鈴木,京都\r\n");
    write_bytes(folder / "a\nb\x1b[31m.csv", "1,x\r\n");
    fs::create_directory(folder / "out");
    Chart two;
    two.reset(1920, 1080);
    for (const char* name : {"a.csv", "b.csv"}) {
        add_node(two, (folder / name).string(), {40, 30 * two.node_count()}, 1.0, kSourceNode, name, 2);
        two.nodes.back().key_first = 1;
        two.nodes.back().key_last = 2;
    }
    const std::string chart_bytes = chart_file_bytes(two);
    folder.tidy(chart_bytes);

    static const std::vector<std::string> kWords = {"-f",
                                                    "--file",
                                                    "--file=",
                                                    "-k",
                                                    "--key",
                                                    "--key=",
                                                    "-r",
                                                    "--start-record",
                                                    "-t",
                                                    "--title",
                                                    "-M",
                                                    "--mandatory",
                                                    "-o",
                                                    "--output-dir",
                                                    "--chart",
                                                    "--node",
                                                    "--save",
                                                    "--list",
                                                    "--min-hit",
                                                    "--keep-spaces",
                                                    "--ignore-case",
                                                    "--old-new",
                                                    "--no-hit-numbers",
                                                    "--json",
                                                    "--timings",
                                                    "--help",
                                                    "--version",
                                                    "--",
                                                    "-",
                                                    "",
                                                    "=",
                                                    "a.csv",
                                                    "b.csv",
                                                    "c.tsy",
                                                    "out",
                                                    "a\nb\x1b[31m.csv",
                                                    "missing.csv",
                                                    "/",
                                                    "/dev/null",
                                                    ".",
                                                    "..",
                                                    "0",
                                                    "1",
                                                    "2",
                                                    "3",
                                                    "1-2",
                                                    "2-1",
                                                    "1999",
                                                    "2000",
                                                    "-1",
                                                    "2147483647",
                                                    "2147483648",
                                                    "99999999999999999999",
                                                    "1e3",
                                                    " 1",
                                                    "0x10",
                                                    "#0",
                                                    "#1",
                                                    "#-1",
                                                    "#99",
                                                    "会員名簿",
                                                    "\xff\xfe",
                                                    "\x81",
                                                    "--nosuch",
                                                    "-x",
                                                    "-kk",
                                                    "-ffile",
                                                    "--to-cp932",
                                                    "--sheet",
                                                    "--overwrite"};
    std::mt19937_64 random = seeded_random();
    const Budget budget(2500);
    long long cases = 0, usage = 0, failed = 0, crossed = 0;
    for (; budget.more(cases); ++cases) {
        std::vector<std::string> args;
        const int length = static_cast<int>(random() % 9);
        for (int i = 0; i < length; ++i) {
            std::string word = kWords[random() % kWords.size()];
            // Now and then two words run together, as "-k2" or "--title=x".
            if (random() % 6 == 0) word += kWords[random() % kWords.size()];
            args.push_back(word);
        }
        // Parsing alone never throws, and a key kept is one a chart could hold.
        const auto parsed = parse_arguments(args);
        if (const auto* a = std::get_if<Arguments>(&parsed))
            for (const SourceArgument& s : a->sources) {
                ASSERT_LT(s.key_first, kMaxKeyFields);
                ASSERT_LT(s.key_last, kMaxKeyFields);
            }
        const Outcome o = run_in_process(args);
        ASSERT_TRUE(o.code == kExitSuccess || o.code == kExitFailure || o.code == kExitUsage)
            << "exit " << o.code << ": " << o.err;
        ASSERT_TRUE(printable_lines(o.out, true));
        ASSERT_TRUE(printable_lines(o.err));
        usage += o.code == kExitUsage;
        failed += o.code == kExitFailure;
        crossed += o.code == kExitSuccess && o.out.find("CROSS") != std::string::npos;
        folder.tidy(chart_bytes);
    }
    if (budget.timed())
        std::printf("argument lists: %lld cases, %lld usage errors, %lld failures, %lld crosses\n", cases, usage,
                    failed, crossed);
    EXPECT_GT(usage, 0);
    EXPECT_GT(failed, 0);
}
