#include "cross/result_workbook.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "chart/chart.h"
#include "cross/cross_engine.h"
#include "cross/result_file.h"
#include "temp_dir.h"
#include "text/cp932.h"
#include "xlsx_reader.h"

using namespace tessaly;
using tessaly::cp932::literal;
namespace fs = std::filesystem;

namespace {

struct Source {
    std::string title;
    fs::path path;
    int key = 0;
};

Chart chart_of(const std::vector<Source>& sources) {
    Chart chart;
    chart.reset(1920, 1080);
    for (const Source& s : sources) {
        EXPECT_TRUE(add_node(chart, s.path.string(), {10, 10}, 1.0, kSourceNode, literal(s.title), 0));
        chart.nodes.back().key_first = s.key;
        chart.nodes.back().key_last = s.key;
        chart.node_states.back().selected = 1;
    }
    return chart;
}

struct Crossed {
    CrossStage stage;
    Status failure;
    CrossFigures figures;
    fs::path workbook;
};

Crossed cross(const Chart& chart, const CrossOptions& options, const fs::path& result) {
    CrossObserver quiet;
    CrossEngine engine(chart, options, result, quiet);
    engine.run();
    return {engine.stage(), engine.failure(), engine.figures(), engine.workbook_path()};
}

std::vector<std::string> row(const XlsxSheet& sheet, std::size_t r) {
    std::vector<std::string> values;
    if (r < sheet.rows.size())
        for (const XlsxCell& c : sheet.rows[r]) values.push_back(c.value);
    return values;
}

std::size_t entries(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

class ResultWorkbookTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir_ / "out");
        fs::create_directories(dir_ / "work");
        if (const char* t = std::getenv("TMPDIR")) saved_tmpdir_ = t;
        ::setenv("TMPDIR", (dir_ / "work").c_str(), 1);
    }
    void TearDown() override {
        if (saved_tmpdir_)
            ::setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    TempDir dir_;
    std::optional<std::string> saved_tmpdir_;
};

}  // namespace

// Three files crossed by hand: 佐藤花子 in A, B and C; 山田太郎 twice in A and
// once in B; 田中次郎 in B and C; 鈴木一郎 and 高橋 once each.
TEST_F(ResultWorkbookTest, ThreeFilesGiveTheRecordsAsTheyStandAndTheFiguresOfTheirOverlap) {
    const fs::path a = dir_ / "a.csv", b = dir_ / "b.csv", c = dir_ / "c.csv";
    write_bytes(a, literal("0001,山田太郎,東京\r\n0002,佐藤花子,大阪\r\n0003,鈴木一郎,京都\r\n0004,山田太郎,奈良\r\n"));
    write_bytes(b, literal("山田太郎,x\r\n佐藤花子,y\r\n田中次郎,z\r\n"));
    // NEC row 13 (①), IBM (ⅰ, 髙), NEC-selected IBM (纊) and the wave dash
    // as Windows maps it (～, U+FF5E).
    write_bytes(c, literal("9,田中次郎,") + "\x87\x40\xFA\x40\xFB\xFC\xED\x40\x81\x60" +
                       literal("\r\n8,佐藤花子,00123\r\n7,高橋,w\r\n"));
    const Chart chart = chart_of({{"A", a, 1}, {"B", b, 0}, {"C", c, 1}});
    const fs::path result = dir_ / "out" / "CROSS0001.csv";

    // The result file is the same byte for byte with the workbook or without.
    CrossOptions options;
    ASSERT_EQ(cross(chart, options, result).stage, CrossStage::Finished);
    const std::string plain = read_bytes(result);
    fs::remove(result);
    options.workbook = true;
    const Crossed crossed = cross(chart, options, result);
    ASSERT_EQ(crossed.stage, CrossStage::Finished) << crossed.failure.message_id;
    EXPECT_EQ(read_bytes(result), plain);
    EXPECT_EQ(crossed.workbook, dir_ / "out" / "CROSS0001.xlsx");
    EXPECT_EQ(entries(dir_ / "out"), 2u);
    EXPECT_EQ(entries(dir_ / "work"), 0u);

    const CrossFigures& f = crossed.figures;
    ASSERT_EQ(f.sources.size(), 3u);
    EXPECT_EQ(f.hits, 3);
    const long long expected[3][3] = {{4, 3, 2}, {3, 3, 3}, {3, 2, 2}};  // records, in hits, hits
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(f.sources[i].records, expected[i][0]) << i;
        EXPECT_EQ(f.sources[i].records_in_hits, expected[i][1]) << i;
        EXPECT_EQ(f.sources[i].hits, expected[i][2]) << i;
    }
    EXPECT_EQ(f.sources[1].title, "B");
    const std::vector<std::vector<long long>> shared = {{2, 2, 1}, {2, 3, 2}, {1, 2, 2}};
    EXPECT_EQ(f.shared_hits, shared);

    const XlsxBook book = read_xlsx(crossed.workbook.string());
    ASSERT_EQ(book.sheets.size(), 2u);
    const XlsxSheet& hits = book.sheets[0];
    EXPECT_EQ(hits.name, "クロス結果");
    EXPECT_EQ(row(hits, 0),
              (std::vector<std::string>{"ヒット番号", "ファイル", "クロスキー", "項目1", "項目2", "項目3"}));
    const std::vector<std::vector<std::string>> rows = {
        {"1", "A", "佐藤花子", "0002", "佐藤花子", "大阪"},
        {"1", "B", "佐藤花子", "佐藤花子", "y"},
        {"1", "C", "佐藤花子", "8", "佐藤花子", "00123"},
        {"2", "A", "山田太郎", "0001", "山田太郎", "東京"},
        {"2", "A", "山田太郎", "0004", "山田太郎", "奈良"},
        {"2", "B", "山田太郎", "山田太郎", "x"},
        {"3", "B", "田中次郎", "田中次郎", "z"},
        {"3", "C", "田中次郎", "9", "田中次郎", "①ⅰ髙纊～"},
    };
    ASSERT_EQ(hits.rows.size(), rows.size() + 1);
    for (std::size_t r = 0; r < rows.size(); ++r) EXPECT_EQ(row(hits, r + 1), rows[r]) << r;
    // The hit number is a number; every other cell is text, leading zeros kept.
    EXPECT_FALSE(hits.rows[1][0].text);
    EXPECT_TRUE(hits.rows[1][3].text);
    EXPECT_TRUE(hits.rows[3][5].text);
    // Each hit in one tint, the next in the other.
    EXPECT_EQ(hits.rows[1][1].style, hits.rows[3][1].style);
    EXPECT_NE(hits.rows[3][1].style, hits.rows[4][1].style);
    EXPECT_EQ(hits.rows[7][1].style, hits.rows[1][1].style);
    EXPECT_NE(hits.rows[0][0].style, hits.rows[1][1].style);
    EXPECT_NE(hits.xml.find("state=\"frozen\""), std::string::npos);
    EXPECT_NE(hits.xml.find("<autoFilter ref=\"A1:F9\"/>"), std::string::npos);
    EXPECT_NE(hits.xml.find("<col "), std::string::npos);

    const XlsxSheet& figures = book.sheets[1];
    EXPECT_EQ(figures.name, "集計");
    EXPECT_EQ(row(figures, 0), (std::vector<std::string>{"ファイル", "パス", "レコード数", "ヒットしたレコード数",
                                                         "ヒット数", "重複率"}));
    EXPECT_EQ(row(figures, 1), (std::vector<std::string>{"A", a.string(), "4", "3", "2", "0.75"}));
    EXPECT_EQ(row(figures, 3), (std::vector<std::string>{"C", c.string(), "3", "2", "2", "0.6666666666666667"}));
    std::size_t m = 0;
    while (m < figures.rows.size() && figures.at(m, 0) != "ファイル間の共通ヒット") ++m;
    ASSERT_LT(m + 4, figures.rows.size() + 1);
    EXPECT_EQ(row(figures, m + 1), (std::vector<std::string>{"", "A", "B", "C"}));
    EXPECT_EQ(row(figures, m + 2), (std::vector<std::string>{"A", "2", "2", "1"}));
    EXPECT_EQ(row(figures, m + 3), (std::vector<std::string>{"B", "2", "3", "2"}));
    EXPECT_EQ(row(figures, m + 4), (std::vector<std::string>{"C", "1", "2", "2"}));
    EXPECT_NE(std::find(book.parts.begin(), book.parts.end(), "xl/charts/chart1.xml"), book.parts.end());

    // A workbook kept after its result file went keeps its number.
    fs::remove(result);
    EXPECT_EQ(find_result_file_name(dir_ / "out"), dir_ / "out" / "CROSS0002.csv");
}

// Past a sheet's rows or columns the records go on in further sheets; a text
// longer than a cell holds is cut and counted. Small limits stand in for the
// real ones. Under the quote option the fields are their values.
TEST_F(ResultWorkbookTest, RowsAndColumnsPastTheLimitsGoOnInFurtherSheets) {
    const fs::path target = dir_ / "out" / "CROSS0001.xlsx";
    ResultWorkbook book({.rows = 3, .columns = 5, .text = 4});
    ASSERT_TRUE(book.open(target, 4, true));
    book.add_row(1, "A", "k", R"("1,2",bb,ccccc,"d""")");
    book.add_row(1, "B", "k", "e,f");
    book.add_row(2, "A", "k2", "g,h,i,j");
    CrossFigures figures;
    figures.sources = {{"A", "/a.csv", 3, 2, 2}, {"B", "/b.csv", 1, 1, 1}};
    figures.shared_hits = {{2, 1}, {1, 1}};
    figures.hits = 2;
    ASSERT_TRUE(book.finish(figures));
    EXPECT_EQ(book.cut_cells(), 1);
    EXPECT_EQ(entries(dir_ / "out"), 1u);

    const XlsxBook read = read_xlsx(target.string());
    ASSERT_EQ(read.sheets.size(), 5u);
    const std::vector<std::string> names = {"クロス結果", "クロス結果 (2)", "クロス結果 (3)", "クロス結果 (4)", "集計"};
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(read.sheets[i].name, names[i]);
    using Row = std::vector<std::string>;
    EXPECT_EQ(row(read.sheets[0], 0), (Row{"ヒット番号", "ファイル", "クロスキー", "項目1", "項目2"}));
    EXPECT_EQ(row(read.sheets[0], 1), (Row{"1", "A", "k", "1,2", "bb"}));
    EXPECT_EQ(row(read.sheets[0], 2), (Row{"1", "B", "k", "e", "f"}));
    EXPECT_EQ(row(read.sheets[1], 0), (Row{"ヒット番号", "ファイル", "クロスキー", "項目3", "項目4"}));
    EXPECT_EQ(row(read.sheets[1], 1), (Row{"1", "A", "k", "cccc", "d\""}));
    EXPECT_EQ(row(read.sheets[1], 2), (Row{"1", "B", "k"}));
    EXPECT_EQ(row(read.sheets[2], 1), (Row{"2", "A", "k2", "g", "h"}));
    EXPECT_EQ(row(read.sheets[3], 1), (Row{"2", "A", "k2", "i", "j"}));
    EXPECT_EQ(read.sheets[2].rows.size(), 2u);
    // The figures say how many cells were cut.
    const XlsxSheet& sums = read.sheets[4];
    bool told = false;
    for (std::size_t r = 0; r < sums.rows.size(); ++r)
        if (sums.at(r, 0) == "32,767文字で切った項目") told = sums.at(r, 4) == "1";
    EXPECT_TRUE(told);
}

// A disk that fills while the workbook is written: the cross fails with
// WriteFailed naming the workbook, and neither it nor the result file is left,
// under its name or a hidden one.
TEST_F(ResultWorkbookTest, AFullDiskLeavesNoWorkbook) {
    // Many short fields: the sheet's XML is far larger than the result
    // file and the work files, so it alone reaches the limit.
    std::string text;
    for (int i = 0; i < 3000; ++i) {
        text.append("k").append(std::to_string(i % 1000));
        for (int f = 0; f < 24; ++f) text.append(",").append(std::to_string(f));
        text.append("\r\n");
    }
    const fs::path a = dir_ / "a.csv";
    write_bytes(a, text);
    ASSERT_LT(text.size(), 300000u);
    CrossOptions options;
    options.workbook = true;
    const fs::path result = dir_ / "out" / "CROSS0001.csv";

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 1 << 20;
    setrlimit(RLIMIT_FSIZE, &small);
    const Crossed crossed = cross(chart_of({{"A", a, 0}}), options, result);
    setrlimit(RLIMIT_FSIZE, &saved);

    EXPECT_EQ(crossed.stage, CrossStage::Failed);
    EXPECT_EQ(crossed.failure.message_id, MessageId::WriteFailed);
    EXPECT_EQ(crossed.failure.first_line, (dir_ / "out" / "CROSS0001.xlsx").string());
    EXPECT_EQ(entries(dir_ / "out"), 0u);
    EXPECT_EQ(entries(dir_ / "work"), 0u);

    // Stopped while the workbook's rows are written: nothing is left either.
    struct CancelInWorkbook : CrossObserver {
        int hits = 0;
        void hit_count(long long) override { ++hits; }
        // The result file's hits are all written before the workbook's.
        bool cancel_requested() override { return hits == 1000 && ++asked > 10; }
        int asked = 0;
    } cancelling;
    {
        const Chart chart = chart_of({{"A", a, 0}});
        CrossEngine engine(chart, options, result, cancelling);
        EXPECT_EQ(engine.run(), CrossStage::Cancelled);
    }
    EXPECT_EQ(entries(dir_ / "out"), 0u);
    EXPECT_EQ(entries(dir_ / "work"), 0u);

    // With room, the same cross writes both.
    const Crossed room = cross(chart_of({{"A", a, 0}}), options, result);
    EXPECT_EQ(room.stage, CrossStage::Finished);
    EXPECT_EQ(entries(dir_ / "out"), 2u);
}
