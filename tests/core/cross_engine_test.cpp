#include "cross/cross_engine.h"
#include "cross/key_groups.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "chart/chart.h"
#include "chart/chart_file.h"
#include "cross/cross_start.h"
#include "cross/result_file.h"
#include "fifo.h"
#include "temp_dir.h"
#include "text/cp932.h"

using namespace tessaly;
using tessaly::cp932::literal;
namespace fs = std::filesystem;

namespace {

// A node as a test sets it up; title and file contents are UTF-8 in the
// test and cp932 on the chart and on disk.
struct Node {
    std::string title;
    fs::path path;
    int key_first = 0;
    int key_last = 0;
    int start_record = 1;
    int mandatory = 0;
    bool selected = true;
};

Chart make_chart(const std::vector<Node>& nodes) {
    Chart chart;
    chart.reset(1920, 1080);
    for (const Node& n : nodes) {
        EXPECT_TRUE(add_node(chart, cp932::from_utf8(n.path.string()).value(), {10, 10}, 1.0, kSourceNode,
                             literal(n.title), 0));
        NodeRecord& r = chart.nodes.back();
        r.key_first = n.key_first;
        r.key_last = n.key_last;
        r.start_record = static_cast<std::uint16_t>(n.start_record);
        r.mandatory = n.mandatory;
        chart.node_states.back().selected = n.selected ? 1 : 0;
    }
    return chart;
}

// How the recorder writes a message line among the progress steps.
std::string line_step(MessageId id) { return "line " + std::to_string(static_cast<int>(id)); }

class Recorder : public CrossObserver {
public:
    void message_line(MessageId id) override {
        lines.push_back(id);
        progress.push_back(line_step(id));
        calls_at_line = cancel_calls;
    }
    void progress_range(int maximum) override { progress.push_back("range " + std::to_string(maximum)); }
    void progress_position(int position) override { progress.push_back(std::to_string(position)); }
    void record_count(long long n) override { records.push_back(n); }
    void hit_count(long long h) override { hits.push_back(h); }
    bool cancel_requested() override {
        ++cancel_calls;
        return cancel_when && cancel_when(*this);
    }

    std::vector<MessageId> lines;
    std::vector<long long> records;
    std::vector<long long> hits;
    std::vector<std::string> progress;  // message lines, ranges and positions in order
    int cancel_calls = 0;
    int calls_at_line = 0;  // cancel_calls when the last message line came
    std::function<bool(const Recorder&)> cancel_when;
};

struct Outcome {
    CrossStage stage = CrossStage::Open;
    Status failure;
    long long records = 0;
    long long keys = 0;
    long long hits = 0;
};

CrossOptions plain_layout() {
    CrossOptions o;
    o.hit_numbers = false;
    o.blank_lines = false;
    return o;
}

class CrossEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* t = std::getenv("TMPDIR")) saved_tmpdir_ = t;
        fs::create_directories(dir_ / "work");
        fs::create_directories(dir_ / "src");
        fs::create_directories(dir_ / "out");
        // The engine's work files go here, where the test can count them.
        ::setenv("TMPDIR", (dir_ / "work").c_str(), 1);
    }
    void TearDown() override {
        if (saved_tmpdir_)
            ::setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

    // Writes a source file; the text is UTF-8 and lands as cp932.
    fs::path source(std::string_view name, std::string_view utf8_text) {
        const fs::path path = dir_ / "src" / name;
        write_bytes(path, literal(utf8_text));
        return path;
    }
    fs::path result_path() const { return dir_ / "out" / "CROSS0001.csv"; }
    std::string result() const { return read_bytes(result_path()); }

    // Files with a name in the temporary folder: never any, since the work
    // files have none.
    int work_files() const {
        return static_cast<int>(std::distance(fs::directory_iterator(dir_ / "work"), fs::directory_iterator()));
    }
    // Files this process holds open in the temporary folder, named or not.
    int open_work_files() const {
        const std::string folder = (dir_ / "work").string() + "/";
        int n = 0;
        for (const auto& e : fs::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (fs::read_symlink(e.path(), ec).string().starts_with(folder)) ++n;
        }
        return n;
    }

    Outcome cross(const Chart& chart, const CrossOptions& options, Recorder& recorder) {
        Outcome o;
        {
            CrossEngine engine(chart, options, result_path(), recorder);
            o.stage = engine.run();
            o.failure = engine.failure();
            o.records = engine.record_count();
            o.keys = engine.key_count();
            o.hits = engine.hit_count();
        }
        return o;
    }
    Outcome cross(const Chart& chart, const CrossOptions& options = {}) {
        Recorder recorder;
        return cross(chart, options, recorder);
    }
    // A fresh result file for the next cross in the same test.
    void remove_result() { fs::remove(result_path()); }

    TempDir dir_;
    std::optional<std::string> saved_tmpdir_;
};

}  // namespace

TEST_F(CrossEngineTest, MinHitCountsRecordsAcrossAndWithinFiles) {
    const fs::path a = source("a.csv", "1,山田太郎,東京\r\n2,佐藤花子,大阪\r\n3,鈴木一郎,京都\r\n4,佐藤花子,奈良\r\n");
    const fs::path b = source("b.csv", "山田太郎,x\r\n田中次郎,y\r\n佐藤花子,w\r\n鈴木一郎,z\r\n");
    const Chart chart = make_chart({{"A", a, 1, 1}, {"B", b, 0, 0}});

    // A key once in each file is a hit, and so is one twice in the same file;
    // a key found once is not.
    Outcome o = cross(chart);
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.hits, 3);
    EXPECT_EQ(result(),
              crlf_lines({"1,A,2,佐藤花子,大阪", "1,A,4,佐藤花子,奈良", "1,B,,佐藤花子,w", "", "2,A,1,山田太郎,東京",
                          "2,B,,山田太郎,x", "", "3,A,3,鈴木一郎,京都", "3,B,,鈴木一郎,z", ""}));

    // min_hit 3: two records in one file and one in the other make a hit.
    remove_result();
    CrossOptions three;
    three.min_hit = 3;
    o = cross(chart, three);
    EXPECT_EQ(o.hits, 1);
    EXPECT_EQ(result(), crlf_lines({"1,A,2,佐藤花子,大阪", "1,A,4,佐藤花子,奈良", "1,B,,佐藤花子,w", ""}));

    // Sources are only read.
    EXPECT_EQ(read_bytes(a), literal("1,山田太郎,東京\r\n2,佐藤花子,大阪\r\n3,鈴木一郎,京都\r\n4,佐藤花子,奈良\r\n"));

    // A single node finds the duplicates within its own file.
    remove_result();
    o = cross(make_chart({{"A", a, 1, 1}}));
    EXPECT_EQ(o.hits, 1);
    EXPECT_EQ(result(), crlf_lines({"1,A,2,佐藤花子,大阪", "1,A,4,佐藤花子,奈良", ""}));
}

TEST_F(CrossEngineTest, MandatoryNodesMustTakePartInEveryHit) {
    const fs::path a = source("a.csv", "k1,a\r\nk2,a\r\nk4,a\r\n");
    const fs::path b = source("b.csv", "k2,b\r\nk3,b\r\nk3,b2\r\nk4,b\r\n");
    const fs::path c = source("c.csv", "k1,c\r\nk1,c2\r\nk4,c\r\n");
    auto chart_of = [&](int a_mandatory, int b_mandatory, int c_mandatory, bool b_selected = true) {
        return make_chart({{"A", a, 0, 0, 1, a_mandatory},
                           {"B", b, 0, 0, 1, b_mandatory, b_selected},
                           {"C", c, 0, 0, 1, c_mandatory}});
    };

    // B mandatory: k1, found in A and C only, is passed over although it has
    // three records; k3 is all B's own.
    Outcome o = cross(chart_of(0, 1, 0), plain_layout());
    EXPECT_EQ(o.hits, 3);
    EXPECT_EQ(result(), crlf_lines({"A,k2,a", "B,k2,b", "B,k3,b", "B,k3,b2", "A,k4,a", "B,k4,b", "C,k4,c"}));

    // Nothing mandatory: all four keys.
    remove_result();
    EXPECT_EQ(cross(chart_of(0, 0, 0)).hits, 4);

    // B and C mandatory: only k4 has records of both.
    remove_result();
    o = cross(chart_of(0, 1, 1), plain_layout());
    EXPECT_EQ(o.hits, 1);
    EXPECT_EQ(result(), crlf_lines({"A,k4,a", "B,k4,b", "C,k4,c"}));

    // A mandatory node that is not selected restricts nothing.
    remove_result();
    o = cross(chart_of(0, 1, 0, false), plain_layout());
    EXPECT_EQ(o.hits, 2);
    EXPECT_EQ(result(), crlf_lines({"A,k1,a", "C,k1,c", "C,k1,c2", "A,k4,a", "C,k4,c"}));
}

TEST_F(CrossEngineTest, EmptyKeysNeverHitAndLeaveOtherHitsWhole) {
    // Empty key field, too few fields, and a key of blanks (spaces removed).
    const fs::path a = source("a.csv", "1,,x\r\n2,k,a\r\n3\r\n4,  　 ,b\r\n5,k,c\r\n6,,y\r\n7,,y\r\n");
    const fs::path b = source("b.csv", ",,z\r\n9,k,d\r\n, \r\n");
    Recorder recorder;
    Outcome o = cross(make_chart({{"A", a, 1, 1}, {"B", b, 1, 1}}), plain_layout(), recorder);
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.records, 10);  // every non-empty record is counted...
    EXPECT_EQ(o.keys, 3);      // ...but only those with a key are kept
    EXPECT_EQ(o.hits, 1);
    EXPECT_EQ(result(), crlf_lines({"A,2,k,a", "A,5,k,c", "B,9,k,d"}));

    // A cross in which no record has a key ends normally without hits.
    remove_result();
    o = cross(make_chart({{"A", a, 5, 5}, {"B", b, 5, 6}}));
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.keys, 0);
    EXPECT_EQ(o.hits, 0);
    EXPECT_TRUE(fs::exists(result_path()));
    EXPECT_EQ(fs::file_size(result_path()), 0u);
}

TEST_F(CrossEngineTest, ResultLayoutWithAndWithoutHitNumbersAndBlankLines) {
    // LF-only source: the result has CR LF everywhere all the same.
    const fs::path a = source("a.csv", "a,1\nb,1\na,2\nb,2\n");
    const Chart chart = make_chart({{"T", a, 0, 0}});
    struct Case {
        bool hit_numbers, blank_lines;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {true, true, {"1,T,a,1", "1,T,a,2", "", "2,T,b,1", "2,T,b,2", ""}},
        {true, false, {"1,T,a,1", "1,T,a,2", "2,T,b,1", "2,T,b,2"}},
        {false, true, {"T,a,1", "T,a,2", "", "T,b,1", "T,b,2", ""}},
        {false, false, {"T,a,1", "T,a,2", "T,b,1", "T,b,2"}},
    };
    for (const Case& c : cases) {
        remove_result();
        CrossOptions o;
        o.hit_numbers = c.hit_numbers;
        o.blank_lines = c.blank_lines;
        EXPECT_EQ(cross(chart, o).hits, 2);
        EXPECT_EQ(result(), crlf_lines(c.lines)) << "hit numbers " << c.hit_numbers << " blank lines " << c.blank_lines;
    }

    // Hit numbers have no leading zeros and no grouping: the tenth hit is 10.
    std::string many;
    for (int i = 0; i < 12; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "k%02d,r\n", i);
        many += line;
    }
    remove_result();
    EXPECT_EQ(cross(make_chart({{"T", source("m.csv", many + many), 0, 0}})).hits, 12);
    const std::string text = result();
    EXPECT_NE(text.find("\r\n\r\n10,T,k09,r\r\n10,T,k09,r\r\n\r\n11,T,k10,r\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(0, 22), "1,T,k00,r\r\n1,T,k00,r\r\n");
    EXPECT_EQ(text.size(), 18 * 11 + 6 * 12 + 12 * 2u);  // 18 lines of 9 bytes, 6 of 10, 12 empty
}

TEST_F(CrossEngineTest, HitsInByteOrderOfKeysRecordsInReadingOrder) {
    // Keys chosen so that a signed comparison, or one of the first eight
    // bytes alone, would order them differently.
    const std::vector<std::string> in_order = {"12345678", "12345678Z", "12345678山", "A",  "B", "a",
                                               "b",        "~",         "Ａ",         "山", "ｱ"};
    const std::vector<int> a_order = {10, 3, 8, 0, 6, 1, 9, 4, 2, 7, 5};
    std::string a_text, b_text;
    for (std::size_t i = 0; i < a_order.size(); ++i)
        a_text += in_order[a_order[i]] + ",a" + std::to_string(i + 1) + "\r\n";
    for (std::size_t i = in_order.size(); i-- > 0;) b_text += in_order[i] + ",b" + std::to_string(i) + "\r\n";
    // "b" once more in A, after its first record there.
    a_text += "b,a12\r\n";

    const Chart chart = make_chart({{"A", source("a.csv", a_text), 0, 0}, {"B", source("b.csv", b_text), 0, 0}});
    Outcome o = cross(chart, plain_layout());
    EXPECT_EQ(o.hits, 11);

    std::vector<std::string> expected;
    for (std::size_t k = 0; k < in_order.size(); ++k) {
        for (std::size_t i = 0; i < a_order.size(); ++i)
            if (a_order[i] == static_cast<int>(k))
                expected.push_back("A," + in_order[k] + ",a" + std::to_string(i + 1));
        if (in_order[k] == "b") expected.push_back("A,b,a12");
        expected.push_back("B," + in_order[k] + ",b" + std::to_string(k));
    }
    EXPECT_EQ(result(), crlf_lines(expected));
}

TEST_F(CrossEngineTest, KeysSharingAHashAreToldApart) {
    // Every key of the first grouping under one hash. Keys met once each
    // look like one hit until its records are read again; a key met after
    // another was kept differs at once. Either way the keys are grouped
    // again, and the cross comes out as it does without shared hashes,
    // with the same message lines.
    const Chart singles = make_chart({{"A", source("a.csv", "x,1\r\ny,2\r\n"), 0, 0}});
    KeyGroups::narrow_hashes_for_testing(0, 1);
    Outcome o = cross(singles, plain_layout());
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.hits, 0);
    EXPECT_EQ(result(), "");
    remove_result();

    const Chart chart = make_chart({{"A", source("b.csv", "x,1\r\ny,2\r\nx,3\r\nz,4\r\nw,5\r\n"), 0, 0},
                                    {"B", source("c.csv", "z,6\r\nv,7\r\n"), 0, 0}});
    Recorder plain, shared;
    cross(chart, plain_layout(), plain);
    const std::string expected = result();
    EXPECT_EQ(expected, crlf_lines({"A,x,1", "A,x,3", "A,z,4", "B,z,6"}));
    remove_result();
    KeyGroups::narrow_hashes_for_testing(0, 1);
    o = cross(chart, plain_layout(), shared);
    EXPECT_EQ(o.hits, 2);
    EXPECT_EQ(result(), expected);
    EXPECT_EQ(shared.lines, plain.lines);
}

TEST_F(CrossEngineTest, KeyColumnPaddingCountsEveryNodeOnTheChart) {
    const fs::path a = source("a.csv", "K1,a\r\n");
    const fs::path b = source("b.csv", "x,y,K1,b\r\n");
    const fs::path c = source("c.csv", "p,q,r,s,K1,c\r\n");

    // C is not selected but its key_first of 4 sets the column: four padding
    // commas for A, two for B; the key stands in column 6 after the hit number.
    cross(make_chart({{"A", a, 0, 0}, {"B", b, 2, 2}, {"C", c, 4, 4, 1, 0, false}}));
    EXPECT_EQ(result(), crlf_lines({"1,A,,,,,K1,a", "1,B,,,x,y,K1,b", ""}));

    // Without C the column is 3 (4 with the hit number).
    remove_result();
    cross(make_chart({{"A", a, 0, 0}, {"B", b, 2, 2}}));
    EXPECT_EQ(result(), crlf_lines({"1,A,,,K1,a", "1,B,x,y,K1,b", ""}));

    // A node without a key on the chart does not move the column.
    remove_result();
    cross(make_chart({{"A", a, 0, 0}, {"B", b, 2, 2}, {"N", c, -1, -1, 1, 0, false}}));
    EXPECT_EQ(result(), crlf_lines({"1,A,,,K1,a", "1,B,x,y,K1,b", ""}));

    // A title is written as it is: its comma adds a column.
    remove_result();
    cross(make_chart({{"会員,名簿", a, 0, 0}, {"B", b, 2, 2}}), plain_layout());
    EXPECT_EQ(result(), crlf_lines({"会員,名簿,,,K1,a", "B,x,y,K1,b"}));
}

TEST_F(CrossEngineTest, NoHitsLeaveAnEmptyResultFile) {
    const fs::path a = source("a.csv", "1,x\r\n2,y\r\n");
    const fs::path b = source("b.csv", "3,z\r\n");
    Recorder recorder;
    Outcome o = cross(make_chart({{"A", a, 0, 0}, {"B", b, 0, 0}}), CrossOptions{}, recorder);
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.hits, 0);
    EXPECT_TRUE(recorder.hits.empty());
    ASSERT_TRUE(fs::exists(result_path()));
    EXPECT_EQ(fs::file_size(result_path()), 0u);
    EXPECT_EQ(work_files() + open_work_files(), 0);
}

TEST_F(CrossEngineTest, SourceReadingRulesHold) {
    // Two header lines skipped (one of them empty), empty lines left out,
    // a blank record counted, CR LF and LF alike, 0x1A ending the data.
    const fs::path a = source("a.csv", "header\r\n\r\nk,a1\r\n\r\n   \r\nk,a2\r\n");
    const fs::path b = source("b.csv",
                              "k,b1\nk,b2\n\x1A"
                              "k,b3\n");
    const fs::path blank = source("blank.csv", "\r\n\n\r\n");
    const fs::path short_file = source("short.csv", "k,s1\r\nk,s2\r\n");
    Recorder recorder;
    Outcome o = cross(make_chart({{"A", a, 0, 0, 3},
                                  {"B", b, 0, 0, 0},  // start_record 0 skips nothing, like 1
                                  {"Blank", blank, 0, 0},
                                  {"Short", short_file, 0, 0, 4}}),
                      plain_layout(), recorder);
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.records, 5);  // a1, the blank record, a2, b1, b2
    EXPECT_EQ(recorder.records, std::vector<long long>{5});
    EXPECT_EQ(o.keys, 4);
    EXPECT_EQ(result(), crlf_lines({"A,k,a1", "A,k,a2", "B,k,b1", "B,k,b2"}));

    // Options reach the keys: case matters unless folding is on, and the
    // line holds the folded key.
    const fs::path mixed = source("mixed.csv", "abc,1\r\nABC,2\r\n");
    remove_result();
    EXPECT_EQ(cross(make_chart({{"M", mixed, 0, 0}})).hits, 0);
    remove_result();
    CrossOptions fold = plain_layout();
    fold.ignore_case = true;
    EXPECT_EQ(cross(make_chart({{"M", mixed, 0, 0}}), fold).hits, 1);
    EXPECT_EQ(result(), crlf_lines({"M,ABC,1", "M,ABC,2"}));
}

TEST_F(CrossEngineTest, AResultFileCanBeCrossedAgain) {
    const fs::path a = source("a.csv", "k1,a\r\nk2,a\r\nk1,a2\r\n");
    const fs::path b = source("b.csv", "k2,b\r\nk1,b\r\n");
    ASSERT_EQ(cross(make_chart({{"A", a, 0, 0}, {"B", b, 0, 0}})).hits, 2);
    const fs::path first = dir_ / "out" / "first.csv";
    fs::rename(result_path(), first);

    // Its blank lines are no records; the key stands after the hit number
    // and the title.
    const fs::path c = source("c.csv", "k2,c\r\n");
    Outcome o = cross(make_chart({{"R", first, 2, 2}, {"C", c, 0, 0}}), plain_layout());
    EXPECT_EQ(o.records, 6);
    EXPECT_EQ(o.hits, 2);
    EXPECT_EQ(result(),
              crlf_lines({"R,1,A,k1,a", "R,1,A,k1,a2", "R,1,B,k1,b", "R,2,A,k2,a", "R,2,B,k2,b", "C,,,k2,c"}));
}

TEST_F(CrossEngineTest, RecordWithTooManyFieldsFailsTheCross) {
    const fs::path ok = source("ok.csv", "k" + std::string(1999, ',') + "\r\nk,x\r\n");  // 2,000 fields
    Outcome o = cross(make_chart({{"A", ok, 0, 0}}));
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.hits, 1);

    remove_result();
    const fs::path wide = source("wide.csv", "k,a\r\nk" + std::string(2000, ',') + "\r\nk,b\r\n");
    o = cross(make_chart({{"A", ok, 0, 0}, {"W", wide, 0, 0}}));
    EXPECT_EQ(o.stage, CrossStage::Failed);
    EXPECT_EQ(o.failure.message_id, MessageId::TooManyFields);
    EXPECT_EQ(o.failure.first_line, wide.string());
    EXPECT_EQ(work_files() + open_work_files(), 0);
    // Found once the result file's name was claimed: neither it nor a
    // partial result stays.
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

TEST_F(CrossEngineTest, MissingSourceFileFailsTheCross) {
    const fs::path a = source("a.csv", "k,a\r\nk,b\r\n");
    const fs::path missing = dir_ / "src" / "gone.csv";
    Recorder recorder;
    Outcome o = cross(make_chart({{"A", a, 0, 0}, {"G", missing, 0, 0}}), CrossOptions{}, recorder);
    EXPECT_EQ(o.stage, CrossStage::Failed);
    EXPECT_EQ(o.failure.message_id, MessageId::OpenFailed);
    EXPECT_EQ(o.failure.first_line, missing.string());
    EXPECT_EQ(work_files() + open_work_files(), 0);
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    EXPECT_TRUE(recorder.hits.empty());

    // An unselected node's file is never opened.
    remove_result();
    o = cross(make_chart({{"A", a, 0, 0}, {"G", missing, 0, 0, 1, 0, false}}));
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.hits, 1);
}

TEST_F(CrossEngineTest, ASourceChangedAfterItWasCountedFailsTheCross) {
    // The records are read where they were counted, and the hit records'
    // lines read from the files again once the hits are known: a file
    // written to, or another file put in its place (of the same size and
    // time), since it was counted must not give a result.
    const fs::path a = source("a.csv", "k,1\r\nk,2\r\nx,3\r\n");
    const fs::path b = source("b.csv", "x,4\r\ny,5\r\n");
    const Chart chart = make_chart({{"A", a, 0, 0}, {"B", b, 0, 0}});
    for (const auto& [when, replaced] : {std::pair{CrossStage::Read, false}, std::pair{CrossStage::Read, true},
                                         std::pair{CrossStage::Group, false}, std::pair{CrossStage::Group, true}}) {
        remove_result();
        Recorder recorder;
        {
            CrossEngine engine(chart, plain_layout(), result_path(), recorder);
            while (engine.stage() != when) ASSERT_TRUE(engine.step());
            if (replaced) {
                const fs::path other = dir_ / "src" / "other.csv";
                write_bytes(other, "y,4\r\nx,5\r\n");
                fs::last_write_time(other, fs::last_write_time(b));
                fs::rename(other, b);
            } else {
                write_bytes(b, "x,4\r\ny,5\r\nx,6\r\n");
            }
            EXPECT_FALSE(engine.step());
            EXPECT_EQ(engine.stage(), CrossStage::Failed) << replaced;
            EXPECT_EQ(engine.failure().message_id, MessageId::ChangedDuringCross) << replaced;
            EXPECT_EQ(engine.failure().first_line, b.string());
        }
        EXPECT_TRUE(fs::is_empty(dir_ / "out"));
        EXPECT_EQ(work_files() + open_work_files(), 0);
        write_bytes(b, "x,4\r\ny,5\r\n");
    }
}

TEST_F(CrossEngineTest, ASourceRewrittenInPlaceWithItsSizeAndTimeIsReadAgain) {
    // The record that made a hit's group is checked against the hit's key
    // when read again: a file rewritten in place with its size and time kept
    // (nothing else tells it from the one read) shows there, and the keys
    // are grouped again from the file as it now is.
    const fs::path a = source("a.csv", "k,1\r\nk,2\r\nx,3\r\n");
    const Chart chart = make_chart({{"A", a, 0, 0}, {"B", source("b.csv", "y,4\r\n"), 0, 0}});
    Recorder recorder;
    CrossEngine engine(chart, plain_layout(), result_path(), recorder);
    while (engine.stage() != CrossStage::Group) ASSERT_TRUE(engine.step());
    const auto time = fs::last_write_time(a);
    {
        std::fstream out(a, std::ios::in | std::ios::out | std::ios::binary);
        out << "m,1\r\nm,2\r\n";
    }
    fs::last_write_time(a, time);
    EXPECT_EQ(engine.run(), CrossStage::Finished);
    EXPECT_EQ(engine.hit_count(), 1);
    EXPECT_EQ(result(), crlf_lines({"A,m,1", "A,m,2"}));
}

TEST_F(CrossEngineTest, ExistingResultFileIsNeverOverwritten) {
    const fs::path a = source("a.csv", "k,a\r\nk,b\r\n");
    write_bytes(result_path(), "somebody's file\r\n");
    Recorder recorder;
    Outcome o = cross(make_chart({{"A", a, 0, 0}}), CrossOptions{}, recorder);
    EXPECT_EQ(o.stage, CrossStage::Failed);
    EXPECT_EQ(o.failure.message_id, MessageId::OpenFailed);
    EXPECT_EQ(o.failure.first_line, "");
    EXPECT_EQ(result(), "somebody's file\r\n");
    EXPECT_EQ(work_files() + open_work_files(), 0);
    EXPECT_TRUE(recorder.lines.empty());  // nothing was read
}

TEST_F(CrossEngineTest, CancelLeavesNoResult) {
    // Records enough for the reading pass to ask several times.
    std::string text;
    for (int i = 0; i < 20000; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "k%d,r%d\r\n", i % 5, i);
        text += line;
    }
    const Chart chart = make_chart({{"A", source("a.csv", text), 0, 0}});

    // Cancelled while reading: no result file is left.
    for (int k : {0, 1, 3}) {
        remove_result();
        Recorder recorder;
        recorder.cancel_when = [k](const Recorder& r) {
            return r.lines.size() == 2 && r.cancel_calls - r.calls_at_line > k;
        };
        Outcome o = cross(chart, CrossOptions{}, recorder);
        EXPECT_EQ(o.stage, CrossStage::Cancelled) << k;
        EXPECT_EQ(o.hits, 0);
        EXPECT_TRUE(fs::is_empty(dir_ / "out"));
        EXPECT_EQ(work_files() + open_work_files(), 0);
        EXPECT_EQ(recorder.lines, (std::vector<MessageId>{MessageId::CountingRecords, MessageId::ReadingData}));
    }

    // Cancelled while writing, after the first hit: neither the hits so far
    // nor the claim on the name stay.
    Recorder recorder;
    recorder.cancel_when = [](const Recorder& r) { return r.hits.size() == 1; };
    Outcome o = cross(chart, CrossOptions{}, recorder);
    EXPECT_EQ(o.stage, CrossStage::Cancelled);
    EXPECT_EQ(o.hits, 1);
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    EXPECT_EQ(work_files() + open_work_files(), 0);
}

TEST_F(CrossEngineTest, ObserverFollowsTheStages) {
    const fs::path a = source("a.csv", "1,山田太郎\r\n2,佐藤花子\r\n3,佐藤花子\r\n4,\r\n");
    const fs::path b = source("b.csv", "山田太郎\r\n鈴木一郎\r\n鈴木一郎\r\n");
    const Chart chart = make_chart({{"A", a, 1, 1}, {"U", b, 0, 0, 1, 0, false}, {"B", b, 0, 0}});

    Recorder recorder;
    CrossStage seen[9];
    int steps = 0;
    {
        CrossEngine engine(chart, CrossOptions{}, result_path(), recorder);
        EXPECT_EQ(engine.stage(), CrossStage::Open);
        bool more = true;
        while (more && steps < 9) {
            more = engine.step();
            seen[steps++] = engine.stage();
        }
        EXPECT_FALSE(more);
        EXPECT_EQ(engine.record_count(), 7);
        EXPECT_EQ(engine.key_count(), 6);
        EXPECT_EQ(engine.hit_count(), 3);
        EXPECT_FALSE(engine.step());
        EXPECT_EQ(engine.stage(), CrossStage::Finished);
    }
    const CrossStage expected[] = {CrossStage::Count, CrossStage::Allocate, CrossStage::Read,    CrossStage::Group,
                                   CrossStage::Write, CrossStage::Close,    CrossStage::Finished};
    ASSERT_EQ(steps, 7);
    for (int i = 0; i < steps; ++i) EXPECT_EQ(seen[i], expected[i]) << i;

    EXPECT_EQ(recorder.lines, (std::vector<MessageId>{MessageId::CountingRecords, MessageId::ReadingData,
                                                      MessageId::FindingDuplicates, MessageId::WritingResults}));
    EXPECT_EQ(recorder.records, std::vector<long long>{7});
    EXPECT_EQ(recorder.hits, (std::vector<long long>{1, 2, 3}));
    EXPECT_EQ(work_files() + open_work_files(), 0);

    // The counting pass moves the bar node by node, selected or not; every
    // pass leaves it at 0.
    const std::vector<std::string> counting = {
        line_step(MessageId::CountingRecords), "range 3", "0", "1", "2", "3", "0", line_step(MessageId::ReadingData)};
    ASSERT_GE(recorder.progress.size(), counting.size());
    EXPECT_EQ(std::vector<std::string>(recorder.progress.begin(), recorder.progress.begin() + counting.size()),
              counting);
    EXPECT_EQ(recorder.progress.back(), "0");
}

TEST_F(CrossEngineTest, QuotedFieldsAreOneFieldUnderTheQuoteOption) {
    const fs::path a = source("a.csv",
                              "1,\"山田,太郎\",東京\r\n"
                              "2,\"Smith \"\"Bob\"\"\",\"NY, US\"\r\n"
                              "3,\"佐藤\"x,\"open\r\n");
    const fs::path b = source("b.csv",
                              "\"山田,太郎\",b1\n"
                              "\"Smith \"\"Bob\"\"\",b2\n"
                              "佐藤x\n"
                              "\"佐藤x\n");
    CrossOptions o;
    o.quotes = true;
    const Chart chart = make_chart({{"A", a, 1, 1}, {"B", b, 0, 0}});
    Outcome out = cross(chart, o);
    EXPECT_EQ(out.stage, CrossStage::Finished);
    EXPECT_EQ(out.hits, 3);
    // Keys are values (spaces removed as ever) in byte order; fields around
    // the key keep their raw text; a key with a comma or quote is quoted.
    EXPECT_EQ(result(), crlf_lines({"1,A,2,\"Smith\"\"Bob\"\"\",\"NY, US\"", "1,B,,\"Smith\"\"Bob\"\"\",b2", "",
                                    "2,A,3,佐藤x,\"open", "2,B,,佐藤x", "2,B,,佐藤x", "", "3,A,1,\"山田,太郎\",東京",
                                    "3,B,,\"山田,太郎\",b1", ""}));

    // Without the option the same files split at every comma, as ever.
    remove_result();
    EXPECT_EQ(cross(chart).hits, 2);
    EXPECT_EQ(result(), crlf_lines({"1,A,2,\"Smith\"\"Bob\"\"\",\"NY, US\"", "1,B,,\"Smith\"\"Bob\"\"\",b2", "",
                                    "2,A,1,\"山田,太郎\",東京", "2,B,,\"山田,太郎\",b1", ""}));

    // A quote left open on every line: each line is one field.
    remove_result();
    const fs::path open = source("open.csv", "\"k,1\n\"k,1\n\"k,2\n");
    EXPECT_EQ(cross(make_chart({{"O", open, 0, 0}}), o).hits, 1);
    EXPECT_EQ(result(), crlf_lines({"1,O,\"k,1\"", "1,O,\"k,1\"", ""}));
}

namespace {

// An independent reading of the quote rules, one byte at a time.
std::vector<std::pair<std::string, std::string>> model_fields(const std::string& line) {
    std::vector<std::pair<std::string, std::string>> fields;  // raw, value
    std::size_t i = 0;
    for (;;) {
        const std::size_t start = i;
        std::string value;
        if (i < line.size() && line[i] == '"') {
            bool open = true;
            for (++i; open && i < line.size();) {
                if (line[i] != '"') {
                    value += line[i++];
                } else if (i + 1 < line.size() && line[i + 1] == '"') {
                    value += '"';
                    i += 2;
                } else {
                    ++i;
                    open = false;
                }
            }
        }
        while (i < line.size() && line[i] != ',') value += line[i++];
        fields.emplace_back(line.substr(start, i - start), value);
        if (i == line.size()) return fields;
        ++i;
    }
}

}  // namespace

TEST_F(CrossEngineTest, RandomQuotedFilesGiveTheModelsResult) {
    std::mt19937 random(19);
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    // Characters of the values, whole (cp932); ',' and '"' among them.
    const std::vector<std::string> chars = {"a", "b", ",", "\"", " ", literal("山"), literal("田"), literal("ｱ")};
    auto doubled = [](const std::string& v) {
        std::string d;
        for (char c : v) d += c == '"' ? std::string("\"\"") : std::string(1, c);
        return d;
    };
    long long all_hits = 0;
    for (int round = 0; round < 40; ++round) {
        // A few values, so that keys repeat; each written in one of the
        // ways a value can be.
        std::vector<std::vector<std::string>> values(6);
        for (auto& v : values)
            for (std::size_t n = pick(4); n-- > 0;) v.push_back(chars[pick(chars.size())]);
        auto write_field = [&](const std::vector<std::string>& v, bool last) {
            std::string text;
            for (const std::string& c : v) text += c;
            const std::size_t cut = pick(v.size() + 1);
            std::string tail;
            for (std::size_t k = cut; k < v.size(); ++k) tail += v[k];
            const bool plain_ok = text.find(',') == std::string::npos && (text.empty() || text[0] != '"');
            switch (pick(4)) {
                case 0:
                    if (plain_ok) return text;
                    [[fallthrough]];
                case 1:
                    return "\"" + doubled(text) + "\"";
                case 2:
                    if (tail.find(',') == std::string::npos)
                        return "\"" + doubled(text.substr(0, text.size() - tail.size())) + "\"" + tail;
                    return "\"" + doubled(text) + "\"";
                default:
                    if (last) return "\"" + doubled(text);  // open to the end of the line
                    return "\"" + doubled(text) + "\"";
            }
        };
        const int node_count = 2 + static_cast<int>(pick(2));
        std::vector<Node> nodes;
        int column_offset = 0;
        std::map<std::string, std::vector<std::string>> model;  // key -> lines
        for (int n = 0; n < node_count; ++n) {
            Node node;
            node.title = "N" + std::to_string(n);
            node.key_first = static_cast<int>(pick(3));
            node.key_last = node.key_first + static_cast<int>(pick(2));
            column_offset = std::max(column_offset, node.key_first);
            std::string text;
            for (std::size_t r = pick(30); r-- > 0;) {
                const std::size_t fields = 1 + pick(5);
                std::string line;
                for (std::size_t f = 0; f < fields; ++f)
                    line += (f ? "," : "") + write_field(values[pick(values.size())], f + 1 == fields);
                text += line + (pick(2) ? "\r\n" : "\n");
            }
            node.path = dir_ / "src" / (node.title + ".csv");
            write_bytes(node.path, text);
            nodes.push_back(node);
        }
        CrossOptions o;
        o.quotes = true;
        o.hit_numbers = pick(2) != 0;
        o.blank_lines = pick(2) != 0;
        for (const Node& node : nodes) {
            std::string text = read_bytes(node.path);
            for (std::size_t at = 0; at < text.size();) {
                const std::size_t lf = text.find('\n', at);
                std::string line = text.substr(at, lf - at);
                at = lf + 1;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.empty()) continue;
                const auto fields = model_fields(line);
                if (static_cast<int>(fields.size()) <= node.key_first) continue;
                std::string key;
                for (int f = node.key_first; f <= node.key_last && f < static_cast<int>(fields.size()); ++f)
                    for (char c : fields[f].second)
                        if (c != ' ') key += c;
                if (key.empty()) continue;
                std::string out = node.title + "," + std::string(column_offset - node.key_first, ',');
                for (int f = 0; f < node.key_first; ++f) out += fields[f].first + ",";
                out += key.find_first_of(",\"") == std::string::npos ? key : "\"" + doubled(key) + "\"";
                for (int f = node.key_last + 1; f < static_cast<int>(fields.size()); ++f) out += "," + fields[f].first;
                model[key].push_back(out);
            }
        }
        std::string expected;
        long long hits = 0;
        for (const auto& [key, lines] : model) {
            if (lines.size() < 2) continue;
            ++hits;
            for (const std::string& l : lines)
                expected += (o.hit_numbers ? std::to_string(hits) + "," : "") + l + "\r\n";
            if (o.blank_lines) expected += "\r\n";
        }
        remove_result();
        const Outcome out = cross(make_chart(nodes), o);
        ASSERT_EQ(out.stage, CrossStage::Finished) << "round " << round;
        EXPECT_EQ(out.hits, hits) << "round " << round;
        ASSERT_EQ(result(), expected) << "round " << round;
        all_hits += hits;
    }
    EXPECT_GT(all_hits, 100);  // the rounds did cross something
}

TEST_F(CrossEngineTest, LargeCrossComesOutWhole) {
    // Tens of megabytes of hits and one record of more than a megabyte: the
    // result must hold every line in its place, however it is buffered.
    constexpr int kKeys = 3000;
    constexpr std::size_t kPayload = 4000;
    auto payload = [&](char file, int line) {
        std::string p = std::string(1, file) + std::to_string(line) + ":";
        while (p.size() < kPayload) p += static_cast<char>('a' + (line + p.size()) % 26);
        return p;
    };
    auto key = [](int k) {
        char b[16];
        std::snprintf(b, sizeof b, "k%05d", k);
        return std::string(b);
    };
    const std::string huge = "H" + std::string(3 << 19, 'h');  // 1.5 MiB
    std::string a_text, b_text;
    std::vector<std::vector<std::string>> lines(kKeys);
    for (int i = 0; i < 2 * kKeys; ++i) {
        const std::string p = i == 77 ? huge : payload('a', i);
        a_text += key(i % kKeys) + "," + p + "\n";
        lines[i % kKeys].push_back("A," + key(i % kKeys) + "," + p);
    }
    for (int i = 0; i < kKeys; ++i) {
        const int k = kKeys - 1 - i;
        b_text += key(k) + "," + payload('b', i) + "\r\n";
        lines[k].push_back("B," + key(k) + "," + payload('b', i));
    }
    std::string expected;
    for (const auto& hit : lines)
        for (const std::string& l : hit) expected += l + "\r\n";

    const fs::path a = dir_ / "src" / "a.csv";
    const fs::path b = dir_ / "src" / "b.csv";
    write_bytes(a, a_text);
    write_bytes(b, b_text);
    Outcome o = cross(make_chart({{"A", a, 0, 0}, {"B", b, 0, 0}}), plain_layout());
    EXPECT_EQ(o.stage, CrossStage::Finished);
    EXPECT_EQ(o.records, 3 * kKeys);
    EXPECT_EQ(o.hits, kKeys);
    const std::string got = result();
    EXPECT_EQ(got.size(), expected.size());
    EXPECT_TRUE(got == expected);  // too long to print on failure
    EXPECT_EQ(work_files() + open_work_files(), 0);
}

TEST_F(CrossEngineTest, WorkFilesHaveNoName) {
    const fs::path a = source("a.csv", "k,a\r\nk,b\r\n");
    const Chart chart = make_chart({{"A", a, 0, 0}});
    Recorder recorder;
    {
        CrossEngine engine(chart, CrossOptions{}, result_path(), recorder);
        ASSERT_TRUE(engine.step());  // open
        // The record work file and the position index are open in the
        // temporary folder, yet nothing there has a name that could outlive
        // the process.
        EXPECT_EQ(open_work_files(), 2);
        EXPECT_EQ(work_files(), 0);
        EXPECT_TRUE(fs::exists(result_path()));
        EXPECT_TRUE(engine.result_file_created());
        EXPECT_EQ(engine.run(), CrossStage::Finished);
        EXPECT_EQ(work_files(), 0);
    }
    EXPECT_EQ(open_work_files(), 0);

    // An engine given up before it ends leaves nothing behind either.
    remove_result();
    {
        CrossEngine engine(chart, CrossOptions{}, result_path(), recorder);
        engine.step();
        engine.step();
    }
    EXPECT_EQ(open_work_files(), 0);
    EXPECT_EQ(work_files(), 0);
}

TEST_F(CrossEngineTest, CancelDuringTheCountingPass) {
    // Several read blocks (1 MiB): the request is seen after the first.
    std::string text;
    while (text.size() < (3u << 20)) text.append("k").append(std::to_string(text.size() % 97)).append(",record\r\n");
    const Chart chart = make_chart({{"A", source("a.csv", text), 0, 0}});
    Recorder recorder;
    recorder.cancel_when = [](const Recorder&) { return true; };
    Outcome o = cross(chart, CrossOptions{}, recorder);
    EXPECT_EQ(o.stage, CrossStage::Cancelled);
    EXPECT_EQ(recorder.lines, std::vector<MessageId>{MessageId::CountingRecords});
    EXPECT_EQ(recorder.cancel_calls, 1);
    EXPECT_EQ(recorder.progress.back(), "0");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    EXPECT_EQ(open_work_files(), 0);
}

TEST_F(CrossEngineTest, CancelDuringTheGroupingPass) {
    // Enough records for the grouping pass to ask (every 16,384 steps).
    std::string text;
    for (int i = 0; i < 40000; ++i) text.append("k").append(std::to_string(i % 20000)).append("\n");
    const Chart chart = make_chart({{"A", source("a.csv", text), 0, 0}});
    Recorder recorder;
    recorder.cancel_when = [](const Recorder& r) { return r.lines.size() == 3; };
    Outcome o = cross(chart, CrossOptions{}, recorder);
    EXPECT_EQ(o.stage, CrossStage::Cancelled);
    EXPECT_EQ(recorder.lines, (std::vector<MessageId>{MessageId::CountingRecords, MessageId::ReadingData,
                                                      MessageId::FindingDuplicates}));
    EXPECT_EQ(o.hits, 0);
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    EXPECT_EQ(open_work_files(), 0);
}

TEST_F(CrossEngineTest, ATakenResultNameIsFollowedByTheNextFreeNumberWhenAsked) {
    const fs::path a = source("a.csv", "k,a\r\nk,b\r\n");
    const Chart chart = make_chart({{"A", a, 0, 0}});
    // Another cross took CROSS0001 and CROSS0002 since the name was chosen.
    write_bytes(result_path(), "somebody's file\r\n");
    write_bytes(dir_ / "out" / "CROSS0002.csv", "another\r\n");
    Recorder recorder;
    CrossEngine engine(chart, plain_layout(), result_path(), recorder, TakenResultName::TakeNextFree);
    EXPECT_EQ(engine.run(), CrossStage::Finished);
    EXPECT_EQ(engine.result_path(), dir_ / "out" / "CROSS0003.csv");
    EXPECT_EQ(read_bytes(dir_ / "out" / "CROSS0003.csv"), "A,k,a\r\nA,k,b\r\n");
    EXPECT_EQ(result(), "somebody's file\r\n");
    EXPECT_EQ(read_bytes(dir_ / "out" / "CROSS0002.csv"), "another\r\n");

    // A name of another pattern has no next number.
    const fs::path own = dir_ / "out" / "mine.csv";
    write_bytes(own, "kept");
    CrossEngine other(chart, plain_layout(), own, recorder, TakenResultName::TakeNextFree);
    EXPECT_EQ(other.run(), CrossStage::Failed);
    EXPECT_EQ(other.failure().message_id, MessageId::OpenFailed);
    EXPECT_FALSE(other.result_file_created());
    EXPECT_EQ(read_bytes(own), "kept");
}

TEST_F(CrossEngineTest, FifoAndDeviceSourcesAreRefusedWithoutWaiting) {
    const fs::path a = source("a.csv", "k,a\r\nk,b\r\n");
    Fifo fifo(dir_ / "src" / "pipe.csv");
    const auto started = std::chrono::steady_clock::now();
    for (const fs::path& odd : {fifo.path(), fs::path("/dev/zero")}) {
        remove_result();
        Outcome o = cross(make_chart({{"A", a, 0, 0}, {"P", odd, 0, 0}}));
        EXPECT_EQ(o.stage, CrossStage::Failed) << odd;
        EXPECT_EQ(o.failure.message_id, MessageId::NotARegularFile) << odd;
        EXPECT_EQ(o.failure.first_line, odd.string());
        EXPECT_EQ(open_work_files(), 0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "waited on the FIFO";
}

TEST(ResultFileName, FirstFreeNumber) {
    TempDir dir;
    EXPECT_EQ(find_result_file_name(dir.path()), dir / "CROSS0001.csv");
    write_bytes(dir / "CROSS0001.csv", "");
    write_bytes(dir / "CROSS0003.csv", "");
    EXPECT_EQ(find_result_file_name(dir.path()), dir / "CROSS0002.csv");
    // A folder of that name takes the number too.
    fs::create_directory(dir / "CROSS0002.csv");
    EXPECT_EQ(find_result_file_name(dir.path()), dir / "CROSS0004.csv");
}

TEST(ResultFileName, AllTenThousandTaken) {
    TempDir dir;
    char name[32];
    for (int i = 1; i <= 9999; ++i) {
        std::snprintf(name, sizeof name, "CROSS%04d.csv", i);
        write_bytes(dir / name, "");
    }
    EXPECT_EQ(find_result_file_name(dir.path()), dir / "CROSS10000.csv");
    write_bytes(dir / "CROSS10000.csv", "");
    EXPECT_EQ(find_result_file_name(dir.path()), fs::path());
    fs::remove(dir / "CROSS0500.csv");
    EXPECT_EQ(find_result_file_name(dir.path()), dir / "CROSS0500.csv");
}

TEST(ResultFileName, CreatingTakesTheNextFreeNumberWhenTheNameWasTaken) {
    TempDir dir;
    write_bytes(dir / "CROSS0001.csv", "theirs");
    write_bytes(dir / "CROSS0002.csv", "theirs too");
    fs::path path = dir / "CROSS0001.csv";
    int fd = create_result_file(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(path, dir / "CROSS0003.csv");
    EXPECT_EQ(read_bytes(dir / "CROSS0001.csv"), "theirs");
    EXPECT_TRUE(fs::exists(dir / "CROSS0003.csv"));

    // A free name is taken as it is.
    path = dir / "CROSS0007.csv";
    fd = create_result_file(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(path, dir / "CROSS0007.csv");

    // No next number for a name of another pattern, nor beyond 10,000.
    write_bytes(dir / "mine.csv", "");
    path = dir / "mine.csv";
    EXPECT_EQ(create_result_file(path), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(path, dir / "mine.csv");
    write_bytes(dir / "CROSS10000.csv", "");
    path = dir / "CROSS10000.csv";
    EXPECT_EQ(create_result_file(path), -1);
    EXPECT_EQ(path, dir / "CROSS10000.csv");
    // A folder that is not there: no number helps.
    path = dir / "gone" / "CROSS0001.csv";
    EXPECT_EQ(create_result_file(path), -1);
    EXPECT_EQ(errno, ENOENT);
}

// Starting a cross: what can be decided without a window.

namespace {

Chart chart_of_rects(const std::vector<Rect>& rects, const std::vector<int>& selected) {
    Chart chart;
    chart.reset(1920, 1080);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        add_node(chart, "/d/f.csv", {0, 0}, 1.0, kSourceNode, std::string("n").append(std::to_string(i)), 0);
        chart.nodes.back().rect = rects[i];
        chart.nodes.back().key_first = chart.nodes.back().key_last = 0;
        chart.node_states.back().selected = selected[i];
    }
    return chart;
}

}  // namespace

TEST(CrossStart, ResultNodePoint) {
    // One selected node: one node height below its right edge.
    auto p = result_node_point(chart_of_rects({{100, 100, 180, 140}, {500, 500, 580, 540}}, {1, 0}), 1.0);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 180);
    EXPECT_EQ(p->y, 180);
    // At a zoom, each part is scaled and truncated on its own.
    p = result_node_point(chart_of_rects({{1, 1, 2, 2}}, {1}), 1.5);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 2);  // 1 + 1, not 3 (the scaled right edge)
    EXPECT_EQ(p->y, 3);
    p = result_node_point(chart_of_rects({{100, 100, 180, 140}}, {1}), 0.5);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 90);
    EXPECT_EQ(p->y, 90);

    // Several: the middle of their bounding box; unselected nodes do not count.
    p = result_node_point(chart_of_rects({{0, 0, 80, 40}, {900, 900, 980, 940}, {200, 100, 280, 140}}, {1, 0, 1}), 1.0);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 140);
    EXPECT_EQ(p->y, 70);
    // Halved in integers before the zoom.
    p = result_node_point(chart_of_rects({{0, 0, 81, 41}, {1, 1, 2, 2}}, {1, 1}), 2.0);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 80);
    EXPECT_EQ(p->y, 40);

    EXPECT_FALSE(result_node_point(chart_of_rects({{0, 0, 80, 40}}, {0}), 1.0));
    EXPECT_FALSE(result_node_point(chart_of_rects({}, {}), 1.0));

    // Boxes far out never overflow into a point on the other side of the
    // chart; the point stays where a chart may hold a node.
    p = result_node_point(chart_of_rects({{0, 2000000000, 10, 2100000000}}, {1}), 1.0);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 10);
    EXPECT_EQ(p->y, kNodeCoordinateLimit);
    p = result_node_point(chart_of_rects({{INT32_MIN, INT32_MIN, -5, -5}, {7, 7, INT32_MAX, INT32_MAX}}, {1, 1}), 2.0);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, -2);  // INT32_MIN + (INT32_MAX - INT32_MIN) / 2 = -1, at zoom 2
    EXPECT_EQ(p->y, -2);
    p = result_node_point(chart_of_rects({{-90000, -90000, 90000, 90000}}, {1}), 0.5);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->x, 45000);
    EXPECT_EQ(p->y, kNodeCoordinateLimit / 2);
}

TEST(CrossStart, NodesWithoutAKey) {
    Chart chart = chart_of_rects({{}, {}, {}, {}}, {1, 0, 1, 1});
    EXPECT_EQ(first_selected_node_without_key(chart), -1);
    // Unselected nodes are not asked.
    chart.nodes[1].key_first = chart.nodes[1].key_last = -1;
    EXPECT_EQ(first_selected_node_without_key(chart), -1);
    // Half a key is no key, whichever half is missing.
    chart.nodes[3].key_last = -1;
    EXPECT_EQ(first_selected_node_without_key(chart), 3);
    chart.nodes[2].key_first = -1;
    chart.nodes[2].key_last = 4;
    EXPECT_EQ(first_selected_node_without_key(chart), 2);

    cp932::copy_to_field(chart.nodes[2].title, literal("会員名簿"));
    EXPECT_EQ(missing_key_prefix(chart.nodes[2]), "『会員名簿』に");
}

TEST(CrossStart, AddResultNode) {
    Chart chart = chart_of_rects({{}, {}, {}}, {1, 0, 1});
    const std::string title = next_result_title(chart);
    ResultNodeOutcome added = add_result_node(chart, "/out/CROSS0001.csv", {180, 90}, 1.0, title, 42);
    EXPECT_TRUE(added.status);
    EXPECT_TRUE(added.refused_arcs.empty());
    ASSERT_EQ(chart.node_count(), 4);
    EXPECT_EQ(chart.arcs, (std::vector<ArcRecord>{{0, 3}, {2, 3}}));
    const NodeRecord& node = chart.nodes[3];
    EXPECT_EQ(node.kind, kResultNode);
    EXPECT_EQ(node.record_count, 42);
    EXPECT_EQ(cp932::field_text(node.title), literal("クロス結果 1"));
    EXPECT_EQ(cp932::field_text(node.path), "/out/CROSS0001.csv");
    EXPECT_EQ(node.rect, (Rect{180, 90, 180, 90}));
    EXPECT_EQ(next_result_title(chart), literal("クロス結果 2"));

    // Table full: nothing is added, not even the arcs.
    Chart full = chart_of_rects(std::vector<Rect>(kMaxNodes), std::vector<int>(kMaxNodes, 1));
    added = add_result_node(full, "/out/x.csv", {0, 0}, 1.0, "r", 1);
    EXPECT_EQ(added.status.message_id, MessageId::TooManyNodes);
    EXPECT_EQ(full.node_count(), kMaxNodes);
    EXPECT_TRUE(full.arcs.empty());

    // Arc table full: each refused arc is reported, the node is still added.
    Chart crowded = chart_of_rects({{}, {}, {}}, {1, 1, 1});
    for (int i = 0; i < kMaxArcs - 1; ++i) add_arc(crowded, 0, 1);
    added = add_result_node(crowded, "/out/y.csv", {0, 0}, 1.0, "r", 0);
    EXPECT_TRUE(added.status);
    ASSERT_EQ(added.refused_arcs.size(), 2u);
    for (const Status& s : added.refused_arcs) EXPECT_EQ(s.message_id, MessageId::TooManyArcs);
    EXPECT_EQ(crowded.arc_count(), kMaxArcs);
    EXPECT_EQ(crowded.arcs.back(), (ArcRecord{0, 3}));
    ASSERT_EQ(crowded.node_count(), 4);
    EXPECT_EQ(crowded.nodes[3].kind, kResultNode);
    EXPECT_EQ(crowded.nodes[3].record_count, 0);
}
