#include "cli/cli_run.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "chart/chart.h"
#include "chart/chart_file.h"
#include "cli/cli_arguments.h"
#include "cli/cli_encoding.h"
#include "temp_dir.h"
#include "test_workbooks.h"
#include "text/cp932.h"
#include "text/messages.h"

using namespace tessaly;
using namespace tessaly::cli;
using tessaly::cp932::literal;
namespace fs = std::filesystem;

namespace {

// The program reads the desktop application's settings; point them at an
// empty folder, once for the whole process, so that no real settings count.
void isolate_settings() {
    static TempDir home;
    static const bool done = [] {
        ::setenv("HOME", home.path().c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        return true;
    }();
    (void)done;
}

struct CliOutcome {
    int code = -1;
    std::string out;
    std::string err;
};

CliOutcome run_cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    Console console{out, err};
    CliOutcome r;
    r.code = run(args, console);
    r.out = out.str();
    r.err = err.str();
    return r;
}

// A message of the catalogue as an error line holds it: on one line.
std::string one_line(MessageId id) {
    std::string text(message_text(id));
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

std::size_t entries_in(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    return lines;
}

class CliRun : public ::testing::Test {
protected:
    void SetUp() override {
        isolate_settings();
        fs::create_directories(dir_ / "out");
    }
    // A source file; the text is UTF-8 and lands as cp932.
    std::string source(std::string_view name, std::string_view utf8_text) {
        const fs::path path = dir_ / name;
        write_bytes(path, literal(utf8_text));
        return path.string();
    }
    std::string out() const { return (dir_ / "out").string(); }
    std::string result(int n = 1) const {
        char name[32];
        std::snprintf(name, sizeof name, "CROSS%04d.csv", n);
        return (dir_ / "out" / name).string();
    }

    TempDir dir_;
};

}  // namespace

TEST_F(CliRun, FilesModeReportsTheResult) {
    const std::string a = source("a.csv", "1,山田太郎\r\n2,佐藤花子\r\n3,\r\n");
    const std::string b = source("b.csv", "山田太郎,x\r\n鈴木一郎,y\r\n");

    CliOutcome r = run_cli({"-o", out(), "-f", a, "-k", "2", "-f", b, "-k", "1", "-t", "会員"});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 7u) << r.out;
    EXPECT_EQ(lines[0], result(1));
    EXPECT_EQ(lines[1], "records: 5");
    EXPECT_EQ(lines[2], "keyed records: 4");
    EXPECT_EQ(lines[3], "hits: 1");
    // One line a source: its records, those in hits and the hits they are in.
    EXPECT_EQ(lines[4], "source a: records 3, in hits 1 (33.3%), hits 1");
    EXPECT_EQ(lines[5], "source 会員: records 2, in hits 1 (50.0%), hits 1");
    EXPECT_TRUE(lines[6].starts_with("elapsed: ") && lines[6].ends_with("s")) << lines[6];
    EXPECT_FALSE(fs::exists(dir_ / "out" / "CROSS0001.xlsx"));
    // The title is the file name without its extension unless -t gives one.
    EXPECT_EQ(read_bytes(result(1)), crlf_lines({"1,a,1,山田太郎", "1,会員,,山田太郎,x", ""}));

    // The next cross takes the next number; the options reach the engine.
    r = run_cli({"-o", out(), "--no-hit-numbers", "--no-blank-lines", "--min-hit", "3", "-f", a, "-k", "2", "-f", b,
                 "-k", "1", "-f", b, "-k", "1", "-M"});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_EQ(lines_of(r.out).at(0), result(2));
    EXPECT_EQ(lines_of(r.out).at(3), "hits: 1");
    EXPECT_EQ(read_bytes(result(2)), crlf_lines({"a,1,山田太郎", "b,,山田太郎,x", "b,,山田太郎,x"}));

    // Header records skipped with -r; no hits is still a success.
    r = run_cli({"-o", out(), "-f", a, "-k", "2", "-r", "2", "-f", b, "-k", "1"});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_EQ(lines_of(r.out).at(1), "records: 4");
    EXPECT_EQ(lines_of(r.out).at(3), "hits: 0");
    EXPECT_EQ(read_bytes(result(3)), "");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliRun, ExitStatusTellsUsageFromFailure) {
    const std::string a = source("a.csv", "k\r\nk\r\n");

    CliOutcome r = run_cli({"--help"});
    EXPECT_EQ(r.code, kExitSuccess);
    EXPECT_TRUE(r.out.starts_with("Usage:"));
    r = run_cli({"--version"});
    EXPECT_EQ(r.code, kExitSuccess);
    EXPECT_EQ(r.out, std::string("tessaly-cross ") + kVersion + "\n");
    EXPECT_TRUE(std::string(kVersion).find_first_not_of("0123456789.") == std::string::npos &&
                std::count(kVersion, kVersion + std::strlen(kVersion), '.') == 2)
        << kVersion;

    r = run_cli({"-f", a});  // no key
    EXPECT_EQ(r.code, kExitUsage);
    EXPECT_TRUE(r.err.starts_with("tessaly-cross: ")) << r.err;
    EXPECT_NE(r.err.find("--help"), std::string::npos);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(run_cli({}).code, kExitUsage);
    EXPECT_EQ(run_cli({"-o", out(), "-f", a, "-k", "1", "--bogus"}).code, kExitUsage);

    // A source file that is not there: named, with the reason.
    const std::string missing = (dir_ / "gone.csv").string();
    r = run_cli({"-o", out(), "-f", missing, "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + missing + ": " + one_line(MessageId::OpenFailed) +
                         "\ntessaly-cross: " + missing + ": " + std::strerror(ENOENT) + "\n");
    EXPECT_EQ(r.out, "");

    // A result folder that is not there: refused before the cross, named.
    r = run_cli({"-o", (dir_ / "no-such-folder").string(), "-f", a, "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + (dir_ / "no-such-folder").string() + ": no such folder\n");

    // A title that cp932 cannot hold.
    r = run_cli({"-o", out(), "-f", a, "-k", "1", "-t", "\U0001F600"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + a + ": the title \"\U0001F600\" holds characters cp932 lacks\n");

    EXPECT_FALSE(fs::exists(result(1)));

    // Asked to stop (Ctrl+C, SIGTERM) before the cross began: nothing is
    // made, and the status tells the signal as a shell does.
    for (int signal : {SIGINT, SIGTERM}) {
        std::ostringstream o, e;
        const std::atomic<int> stop{signal};
        Console console{o, e, false, &stop};
        EXPECT_EQ(run({"-o", out(), "-f", a, "-k", "1"}, console), 128 + signal);
        EXPECT_EQ(o.str(), "");
        EXPECT_EQ(e.str(), "tessaly-cross: cancelled\n");
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

TEST_F(CliRun, NoResultFolderAnywhere) {
    const std::string a = source("a.csv", "k\r\nk\r\n");
    CliOutcome r = run_cli({"-f", a, "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + one_line(MessageId::NoResultFolder) +
                         "（-o フォルダで指定するか、テサリーの環境設定で保存場所を決めてください）\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

TEST_F(CliRun, SourcesMustBeTextFiles) {
    const fs::path binary = dir_ / "image.bin";
    write_bytes(binary, std::string("PK\x03\x04\n\x00\x00", 7));
    CliOutcome r = run_cli({"-o", out(), "-f", binary.string(), "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + binary.string() + ": " + one_line(MessageId::NotAText) + "\n");

    const fs::path unbroken = dir_ / "one.csv";
    write_bytes(unbroken, "no line break");
    r = run_cli({"-o", out(), "-f", unbroken.string(), "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + unbroken.string() + ": " + one_line(MessageId::NoLineBreak) + "\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

// The result folder is looked at before anything is crossed: a file, a
// folder that is not there, or one where no file can be made is refused with
// its path and the reason.
TEST_F(CliRun, UnusableResultFoldersAreRefusedBeforeTheCross) {
    const std::string a = source("a.csv", "k\r\nk\r\n");
    const fs::path file = dir_ / "plain.txt";
    write_bytes(file, "x");
    CliOutcome r = run_cli({"-o", file.string(), "-f", a, "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + file.string() + ": not a folder\n");
    EXPECT_EQ(r.out, "");

    const fs::path missing = dir_ / "gone" / "deeper";
    r = run_cli({"-o", missing.string(), "-f", a, "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + missing.string() + ": no such folder\n");

    // A relative folder is named in full.
    r = run_cli({"-o", "tessaly-no-such-folder", "-f", a, "-k", "1"});
    EXPECT_EQ(r.err,
              "tessaly-cross: " + (fs::current_path() / "tessaly-no-such-folder").string() + ": no such folder\n");

    if (::geteuid() != 0) {  // the superuser may write anywhere
        const fs::path read_only = dir_ / "read-only";
        fs::create_directory(read_only);
        fs::permissions(read_only, fs::perms::owner_read | fs::perms::owner_exec);
        r = run_cli({"-o", read_only.string(), "-f", a, "-k", "1"});
        EXPECT_EQ(r.code, kExitFailure);
        EXPECT_TRUE(r.err.starts_with("tessaly-cross: " + read_only.string() + ": no files can be made there ("))
            << r.err;
        fs::permissions(read_only, fs::perms::owner_all);
        EXPECT_TRUE(fs::is_empty(read_only));
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

TEST_F(CliRun, AFolderGivenAsASourceIsRefusedAsAFolder) {
    const fs::path folder = dir_ / "members";
    fs::create_directory(folder);
    CliOutcome r = run_cli({"-o", out(), "-f", folder.string(), "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + folder.string() + ": " + one_line(MessageId::IsAFolder) + "\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

// A cross that fails part way leaves no result file, partial or empty.
TEST_F(CliRun, AFailedCrossLeavesNoResultFile) {
    const std::string ok = source("ok.csv", "k,a\r\nk,b\r\n");
    const std::string wide = source("wide.csv", "k" + std::string(2000, ',') + "\r\n");
    CliOutcome r = run_cli({"-o", out(), "-f", ok, "-k", "1", "-f", wide, "-k", "1"});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + wide + ": " + one_line(MessageId::TooManyFields) + "\n");
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

// With --save the result node must fit: a full node table is refused
// before anything is crossed.
TEST_F(CliRun, SavingIntoAFullChartIsRefusedBeforeTheCross) {
    const std::string a = source("a.csv", "k\r\nk\r\n");
    Chart chart;
    chart.reset(1920, 1080);
    for (int i = 0; i < kMaxNodes; ++i) {
        ASSERT_TRUE(add_node(chart, *cp932::from_utf8(a), {0, 0}, 1.0, kSourceNode, std::to_string(i), 2));
        chart.nodes.back().key_first = chart.nodes.back().key_last = 0;
    }
    const fs::path chart_path = dir_ / "full.tsy";
    ASSERT_TRUE(save_chart(chart_path, chart, false));
    const std::string before = read_bytes(chart_path);

    CliOutcome r = run_cli({"--chart", chart_path.string(), "--node", "#0", "--save", "-o", out()});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + chart_path.string() + ": " + one_line(MessageId::TooManyNodes) + "\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    EXPECT_EQ(read_bytes(chart_path), before);

    // Without --save the cross is made as ever.
    r = run_cli({"--chart", chart_path.string(), "--node", "#0", "-o", out()});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
}

namespace {

// A saved chart of three source nodes: 会員 and 顧客 with keys, and "other"
// whose key sits furthest right.
Chart sample_chart(const std::string& a, const std::string& b, const std::string& c) {
    Chart chart;
    chart.reset(1920, 1080);
    const struct {
        const char* title;
        const std::string& path;
        int key;
        Rect rect;
    } nodes[] = {
        {"会員", a, 1, {0, 0, 80, 40}}, {"顧客", b, 0, {200, 100, 280, 140}}, {"other", c, 3, {0, 300, 80, 340}}};
    for (const auto& n : nodes) {
        EXPECT_TRUE(add_node(chart, *cp932::from_utf8(n.path), {0, 0}, 1.0, kSourceNode, literal(n.title), 0));
        chart.nodes.back().key_first = chart.nodes.back().key_last = n.key;
        chart.nodes.back().rect = n.rect;
    }
    return chart;
}

}  // namespace

TEST_F(CliRun, ChartModeCrossesNamedNodesAndSavesTheResultNode) {
    const std::string a = source("a.csv", "1,山田太郎\r\n2,佐藤花子\r\n");
    const std::string b = source("b.csv", "山田太郎,x\r\n");
    const std::string c = source("c.csv", "p,q,r,山田太郎\r\n");
    const fs::path chart_path = dir_ / "chart.tsy";
    Chart chart = sample_chart(a, b, c);
    ASSERT_TRUE(save_chart(chart_path, chart, false));
    const std::string saved_bytes = read_bytes(chart_path);

    // Without --save the chart stays as it was; the unselected node still
    // sets the key column.
    CliOutcome r = run_cli({"--chart", chart_path.string(), "--node", "会員", "--node", "#1", "-o", out()});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_EQ(lines_of(r.out).at(0), result(1));
    EXPECT_EQ(lines_of(r.out).at(3), "hits: 1");
    EXPECT_EQ(read_bytes(result(1)), crlf_lines({"1,会員,,,1,山田太郎", "1,顧客,,,,山田太郎,x", ""}));
    EXPECT_EQ(read_bytes(chart_path), saved_bytes);

    // With --save: an arc from each crossed node to a new result node.
    r = run_cli({"--chart", chart_path.string(), "--node", "#0", "--node", "顧客", "--save", "-o", out()});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_EQ(lines_of(r.out).at(0), result(2));
    Chart saved;
    ASSERT_TRUE(open_chart(chart_path, saved));
    EXPECT_EQ(saved.arcs, (std::vector<ArcRecord>{{0, 3}, {1, 3}}));
    ASSERT_EQ(saved.node_count(), 4);
    const NodeRecord& node = saved.nodes[3];
    EXPECT_EQ(node.kind, kResultNode);
    EXPECT_EQ(node.record_count, 1);
    EXPECT_EQ(cp932::field_text(node.title), literal("クロス結果 1"));
    EXPECT_EQ(cp932::field_text(node.path), result(2));
    EXPECT_EQ(node.rect, (Rect{140, 70, 140, 70}));  // the middle of the two crossed nodes
    // The chart as it was is kept beside it.
    EXPECT_EQ(read_bytes(chart_path.string() + ".bak"), saved_bytes);

    r = run_cli({"--list", chart_path.string()});
    EXPECT_EQ(r.code, kExitSuccess);
    const auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 6u) << r.out;
    EXPECT_EQ(lines[0], "arc\t0\t3");
    EXPECT_EQ(lines[1], "arc\t1\t3");
    // Key fields as -k takes them, from 1; 0 for none.
    EXPECT_EQ(lines[2], "node\t0\t0\t会員\t2\t2\t1\t0\t0\t0,0,80,40\t" + a);
    EXPECT_TRUE(lines[3].starts_with("node\t1\t0\t顧客\t1\t1\t")) << lines[3];
    EXPECT_TRUE(lines[4].starts_with("node\t2\t0\tother\t4\t4\t")) << lines[4];
    EXPECT_EQ(lines[5], "node\t3\t1\tクロス結果 1\t0\t0\t1\t0\t1\t140,70,140,70\t" + result(2));

    // A result node, once given a key (the key column, after the hit number),
    // can be crossed in turn; the next one is number 2.
    saved.nodes[3].key_first = saved.nodes[3].key_last = 5;
    ASSERT_TRUE(save_chart(chart_path, saved, false));
    r = run_cli({"--chart", chart_path.string(), "--node", "クロス結果 1", "--node", "会員", "--save", "-o", out()});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    ASSERT_TRUE(open_chart(chart_path, saved));
    ASSERT_EQ(saved.node_count(), 5);
    EXPECT_EQ(cp932::field_text(saved.nodes[4].title), literal("クロス結果 2"));
    EXPECT_EQ(saved.nodes[4].record_count, 1);
    EXPECT_EQ(saved.arcs.size(), 4u);
}

TEST_F(CliRun, ChartNodesMustExistAndHaveAKey) {
    const std::string a = source("a.csv", "k\r\nk\r\n");
    const fs::path chart_path = dir_ / "chart.tsy";
    Chart chart = sample_chart(a, a, a);
    chart.nodes[1].key_first = -1;
    ASSERT_TRUE(save_chart(chart_path, chart, false));

    CliOutcome r = run_cli({"--chart", chart_path.string(), "--node", "会員", "--node", "顧客", "-o", out()});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err,
              "tessaly-cross: " + chart_path.string() + ": 『顧客』に" + one_line(MessageId::NoKeyFields) + "\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));

    r = run_cli({"--chart", chart_path.string(), "--node", "nobody", "-o", out()});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + chart_path.string() + ": no node nobody\n");
    r = run_cli({"--chart", chart_path.string(), "--node", "#3", "-o", out()});
    EXPECT_EQ(r.code, kExitFailure);
    const std::string none = (dir_ / "none.tsy").string();
    r = run_cli({"--chart", none, "--node", "#0", "-o", out()});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_EQ(r.err, "tessaly-cross: " + none + ": " + one_line(MessageId::FileNotFound) + "\ntessaly-cross: " + none +
                         ": " + std::strerror(ENOENT) + "\n");
    EXPECT_TRUE(fs::is_empty(dir_ / "out"));
}

TEST_F(CliRun, TheProgramItself) {
    const std::string a = source("a.csv", "1,山田太郎\r\n2,山田太郎\r\n");
    const std::string program = TESSALY_BIN_DIR "/tessaly-cross";
    auto quoted = [](const std::string& s) { return "'" + s + "'"; };

    // Success: status 0 and the result file's path first.
    auto first_line_of = [](const std::string& command, int& status) {
        FILE* pipe = ::popen(command.c_str(), "r");
        std::string text;
        char buffer[4096];
        for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
        status = pipe ? ::pclose(pipe) : -1;
        return text.substr(0, text.find('\n'));
    };
    int status = -1;
    std::string first =
        first_line_of(program + " -o " + quoted(out()) + " -f " + quoted(a) + " -k 2 2>/dev/null", status);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(first, result(1));
    EXPECT_EQ(read_bytes(result(1)), crlf_lines({"1,a,1,山田太郎", "1,a,2,山田太郎", ""}));

    // The result folder from the settings, when -o is not given.
    TempDir config;
    fs::create_directories(config / "Varnholt");
    write_bytes(config / "Varnholt" / "Tessaly.ini", "[KanSet]\nFolderPath=" + (dir_ / "out").string() + "\n");
    first = first_line_of(
        "XDG_CONFIG_HOME=" + quoted(config.path().string()) + " " + program + " -f " + quoted(a) + " -k 2 2>/dev/null",
        status);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(first, result(2));

    // Failure and wrong usage.
    status = std::system(
        (program + " -o " + quoted(out()) + " -f " + quoted((dir_ / "gone.csv").string()) + " -k 1 >/dev/null 2>&1")
            .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    status = std::system((program + " --min-hit 1 >/dev/null 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

namespace {

// The text (UTF-8) as UTF-16 with its byte order mark.
std::string utf16_with_mark(std::string_view utf8, bool little_endian) {
    std::string bytes;
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    auto put = [&](char16_t c) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += little_endian ? low : high;
        bytes += little_endian ? high : low;
    };
    put(0xFEFF);
    for (QChar c : text) put(c.unicode());
    return bytes;
}

}  // namespace

// A UTF-8 or UTF-16 list would be crossed as garbage: it is refused, naming
// the encoding, with the command that makes its cp932 copy; the copy made so
// crosses.
TEST_F(CliRun, SourcesInOtherEncodingsAreRefusedWithTheCommandThatConvertsThem) {
    const std::string text = "1,山田,太郎\r\n2,山田,太郎\r\n";
    const struct {
        const char* name;
        std::string bytes;
        const char* encoding;
    } files[] = {
        {"members.csv", text, "UTF-8"},
        {"marked.csv", "\xEF\xBB\xBF" + text, "UTF-8 (BOM)"},
        {"from windows.csv", utf16_with_mark(text, true), "UTF-16LE"},
        {"it's big.csv", utf16_with_mark(text, false), "UTF-16BE"},
    };
    const bool iconv_here = fs::exists("/usr/bin/iconv") || fs::exists("/bin/iconv");
    std::size_t crossed = 0;
    for (const auto& f : files) {
        const fs::path path = dir_ / f.name;
        write_bytes(path, f.bytes);
        CliOutcome r = run_cli({"-o", out(), "-f", path.string(), "-k", "2-3"});
        EXPECT_EQ(r.code, kExitFailure) << f.name;
        EXPECT_EQ(r.out, "");
        const auto lines = lines_of(r.err);
        ASSERT_EQ(lines.size(), 4u) << r.err;
        EXPECT_EQ(lines[0], "tessaly-cross: " + path.string() + ": the file is " + f.encoding +
                                ", and tessaly-cross reads cp932 (Shift-JIS) only; convert it with:");
        EXPECT_EQ(lines[1], "  tessaly-cross --to-cp932 " + shell_word(path.string()));
        EXPECT_EQ(lines[2], "or:");
        ASSERT_TRUE(lines[3].starts_with("  ") && lines[3].find("iconv -f") != std::string::npos) << lines[3];
        EXPECT_EQ(entries_in(dir_ / "out"), crossed);

        if (!iconv_here) continue;
        ASSERT_EQ(std::system(lines[3].c_str()), 0) << lines[3];
        r = run_cli({"-o", out(), "-f", cp932_copy_path(path).string(), "-k", "2-3"});
        EXPECT_EQ(r.code, kExitSuccess) << r.err;
        EXPECT_EQ(read_bytes(cp932_copy_path(path)), literal(text)) << f.name;
        EXPECT_EQ(lines_of(r.out).at(3), "hits: 1") << f.name;
        ++crossed;
    }
    // Japanese only past the first 64 KiB: found as the records are counted,
    // and refused alike.
    const fs::path late = dir_ / "late.csv";
    write_bytes(late, std::string(70000, '\n') + text);
    CliOutcome refused = run_cli({"-o", out(), "-f", late.string(), "-k", "2-3"});
    EXPECT_EQ(refused.code, kExitFailure);
    EXPECT_TRUE(refused.err.starts_with("tessaly-cross: " + late.string() + ": the file is UTF-8, and")) << refused.err;
    EXPECT_EQ(lines_of(refused.err).size(), 4u);
    EXPECT_EQ(entries_in(dir_ / "out"), crossed);
    // cp932 whose few bytes happen to be valid UTF-8 too ("緕ｱ" is the bytes
    // of "ぱ") is crossed as cp932.
    const fs::path chance = dir_ / "chance.csv";
    write_bytes(chance, "1,abc,\xE3\x81\xB1\r\n2,abc,\xE3\x81\xB1\r\n");
    CliOutcome by_chance = run_cli({"-o", out(), "-f", chance.string(), "-k", "2-3"});
    EXPECT_EQ(by_chance.code, kExitSuccess) << by_chance.err;
    EXPECT_EQ(lines_of(by_chance.out).at(3), "hits: 1");

    // The file is named, and converted, as it was given.
    EXPECT_EQ(conversion_command(TextEncoding::Utf8, "members.csv"),
              "iconv -f UTF-8 -t CP932 members.csv > members.sjis.csv");
    EXPECT_EQ(conversion_command(TextEncoding::Utf16Le, "-x.csv"), "iconv -f UTF-16 -t CP932 ./-x.csv > ./-x.sjis.csv");

    // A saved chart's node in another encoding is refused alike.
    const std::string cp932_source = source("plain.csv", "1,山田,太郎\r\n");
    const fs::path chart_path = dir_ / "chart.tsy";
    Chart chart = sample_chart(cp932_source, (dir_ / "from windows.csv").string(), cp932_source);
    ASSERT_TRUE(save_chart(chart_path, chart, false));
    const std::size_t before = entries_in(dir_ / "out");
    CliOutcome r = run_cli({"--chart", chart_path.string(), "--node", "#0", "--node", "#1", "-o", out()});
    EXPECT_EQ(r.code, kExitFailure);
    EXPECT_TRUE(r.err.starts_with("tessaly-cross: " + (dir_ / "from windows.csv").string() +
                                  ": the file is UTF-16LE, and tessaly-cross reads cp932 (Shift-JIS) only"))
        << r.err;
    EXPECT_EQ(entries_in(dir_ / "out"), before);
}

// --to-cp932 makes the copy the desktop program makes, from a workbook's
// sheet or a UTF-8 file, prints its path, and keeps an existing copy unless
// told to replace it; a workbook given as a source says how to copy it.
TEST_F(CliRun, ToCp932CopiesWorkbooksAndOtherEncodingsBesideThem) {
    const fs::path book = dir_ / "members.xlsx";
    test_workbooks::make(book,
                         {{"表紙", {{"会員名簿"}}}, {"名簿", {{"#1", "山田太郎", "a\nb"}, {"#2", "山田太郎", "c"}}}});
    CliOutcome refused = run_cli({"-o", out(), "-f", book.string(), "-k", "2"});
    EXPECT_EQ(refused.code, kExitFailure);
    EXPECT_EQ(lines_of(refused.err).at(1), "  tessaly-cross --to-cp932 " + book.string() + " [--sheet NAME|N]");

    const fs::path copy = dir_ / "members.sjis.csv";
    CliOutcome made = run_cli({"--to-cp932", book.string(), "--sheet", "名簿"});
    EXPECT_EQ(made.code, kExitSuccess) << made.err;
    EXPECT_EQ(made.out, copy.string() + "\n");
    EXPECT_EQ(made.err,
              "tessaly-cross: " + book.string() + ": 1 cell of sheet \"名簿\" had line breaks, each made one space\n");
    EXPECT_EQ(read_bytes(copy), literal("1,山田太郎,a b\r\n2,山田太郎,c\r\n"));
    EXPECT_EQ(run_cli({"-o", out(), "-f", copy.string(), "-k", "2"}).code, kExitSuccess);

    // An existing copy is kept, whatever the sheet asked for.
    CliOutcome kept = run_cli({"--to-cp932", book.string(), "--sheet", "1"});
    EXPECT_EQ(kept.code, kExitFailure);
    EXPECT_EQ(kept.err,
              "tessaly-cross: " + copy.string() + ": the copy exists already and is kept; --overwrite replaces it\n");
    EXPECT_EQ(read_bytes(copy), literal("1,山田太郎,a b\r\n2,山田太郎,c\r\n"));
    CliOutcome replaced = run_cli({"--to-cp932", book.string(), "--sheet=1", "--overwrite"});
    EXPECT_EQ(replaced.code, kExitSuccess) << replaced.err;
    EXPECT_EQ(read_bytes(copy), literal("会員名簿\r\n"));
    CliOutcome no_sheet = run_cli({"--to-cp932", book.string(), "--sheet", "3", "--overwrite"});
    EXPECT_EQ(no_sheet.code, kExitFailure);
    EXPECT_EQ(no_sheet.err, "tessaly-cross: " + book.string() + ": " + one_line(MessageId::NoSuchSheet) + "\n");

    const fs::path utf8 = dir_ / "utf8.csv";
    write_bytes(utf8, "1,山田太郎\r\n");
    CliOutcome from_utf8 = run_cli({"--to-cp932", utf8.string()});
    EXPECT_EQ(from_utf8.code, kExitSuccess) << from_utf8.err;
    EXPECT_EQ(from_utf8.out, (dir_ / "utf8.sjis.csv").string() + "\n");
    EXPECT_EQ(read_bytes(dir_ / "utf8.sjis.csv"), literal("1,山田太郎\r\n"));
    EXPECT_EQ(run_cli({"--to-cp932", utf8.string(), "--sheet", "1"}).code, kExitUsage);
}

// --json: the summary as one JSON object, for scripts, whatever the paths
// and titles hold.
TEST_F(CliRun, TheJsonSummaryParsesBack) {
    const fs::path folder = dir_ / "結果 \"quoted\" back\\slash\ttab";
    fs::create_directory(folder);
    const std::string a = source("a.csv", "1,山田,太郎\r\n2,佐藤,花子\r\n");
    const std::string b = source("b.csv", "header\r\n山田,太郎,x\r\n");
    CliOutcome r = run_cli({"--json", "--output-dir=" + folder.string(), "--ignore-case", "--no-blank-lines", "-f", a,
                            "-k2-3", "-f", b, "--key=1-2", "-r2", "--title", "顧客 \"B\"", "-M"});
    ASSERT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;

    auto parsed = [](const std::string& json) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << json;
        EXPECT_TRUE(document.isObject()) << json;
        return document.object();
    };
    auto text = [](const QJsonValue& value) { return value.toString().toStdString(); };
    QJsonObject summary = parsed(r.out);
    const fs::path result_file = folder / "CROSS0001.csv";
    EXPECT_EQ(text(summary["result"]), result_file.string());
    EXPECT_TRUE(fs::exists(result_file));
    EXPECT_EQ(summary["records"].toInteger(), 3);
    EXPECT_EQ(summary["keys"].toInteger(), 3);  // kept for scripts written before keyed_records
    EXPECT_EQ(summary["keyed_records"].toInteger(), 3);
    EXPECT_EQ(summary["hits"].toInteger(), 1);
    const QJsonObject seconds = summary["seconds"].toObject();
    EXPECT_EQ(seconds.size(), 8);
    for (const char* stage : {"open", "count", "allocate", "read", "group", "write", "close", "total"})
        EXPECT_TRUE(seconds[stage].isDouble() && seconds[stage].toDouble() >= 0) << stage;
    const QJsonObject options = summary["options"].toObject();
    EXPECT_EQ(text(options["result_folder"]), folder.string());
    EXPECT_EQ(options["min_hit"].toInteger(), 2);
    EXPECT_EQ(options["remove_spaces"], true);
    EXPECT_EQ(options["remove_hyphens"], false);
    EXPECT_EQ(options["remove_parens"], false);
    EXPECT_EQ(options["ignore_case"], true);
    EXPECT_EQ(options["old_new"], false);
    EXPECT_EQ(options["hit_numbers"], true);
    EXPECT_EQ(options["blank_lines"], false);
    EXPECT_EQ(options["quotes"], false);
    EXPECT_EQ(options["xlsx"], false);
    EXPECT_TRUE(summary["workbook"].isNull());
    EXPECT_TRUE(summary["chart"].isNull());
    const QJsonArray sources = summary["sources"].toArray();
    ASSERT_EQ(sources.size(), 2);
    EXPECT_EQ(sources[0].toObject(), (QJsonObject{{"file", QString::fromStdString(a)},
                                                  {"key", "2-3"},
                                                  {"start_record", 1},
                                                  {"title", "a"},
                                                  {"mandatory", false},
                                                  {"records", 2},
                                                  {"records_in_hits", 1},
                                                  {"hits", 1}}));
    EXPECT_EQ(sources[1].toObject(), (QJsonObject{{"file", QString::fromStdString(b)},
                                                  {"key", "1-2"},
                                                  {"start_record", 2},
                                                  {"title", QString::fromUtf8("顧客 \"B\"")},
                                                  {"mandatory", true},
                                                  {"records", 1},
                                                  {"records_in_hits", 1},
                                                  {"hits", 1}}));

    // --xlsx: the workbook beside the result file, named in the summary.
    r = run_cli({"--json", "--xlsx", "-o", out(), "-f", a, "-k2-3", "-f", b, "-k1-2", "-r2"});
    ASSERT_EQ(r.code, kExitSuccess) << r.err;
    summary = parsed(r.out);
    EXPECT_EQ(text(summary["workbook"]), (dir_ / "out" / "CROSS0001.xlsx").string());
    EXPECT_EQ(summary["workbook_cut_cells"].toInteger(), 0);
    EXPECT_EQ(summary["options"].toObject()["xlsx"], true);
    EXPECT_TRUE(fs::is_regular_file(dir_ / "out" / "CROSS0001.xlsx"));
    fs::remove(dir_ / "out" / "CROSS0001.csv");
    fs::remove(dir_ / "out" / "CROSS0001.xlsx");

    // From a saved chart with --save: the chart and the result node it got.
    const fs::path chart_path = dir_ / "chart.tsy";
    Chart chart = sample_chart(a, b, a);
    ASSERT_TRUE(save_chart(chart_path, chart, false));
    r = run_cli({"--chart", chart_path.string(), "--node", "会員", "--node", "#2", "--save", "--json", "-o", out()});
    ASSERT_EQ(r.code, kExitSuccess) << r.err;
    summary = parsed(r.out);
    EXPECT_EQ(text(summary["result"]), result(1));
    EXPECT_EQ(summary["chart"].toObject(), (QJsonObject{{"file", QString::fromStdString(chart_path.string())},
                                                        {"result_node", QString::fromUtf8("クロス結果 1")}}));
    const QJsonArray nodes = summary["sources"].toArray();
    ASSERT_EQ(nodes.size(), 2);
    EXPECT_EQ(nodes[0].toObject()["title"], QString::fromUtf8("会員"));
    EXPECT_EQ(nodes[0].toObject()["key"], "2");
    EXPECT_EQ(nodes[1].toObject()["title"], "other");
    EXPECT_EQ(nodes[1].toObject()["key"], "4");

    // Without --save the chart is named and no node was added.
    r = run_cli({"--chart", chart_path.string(), "--node", "#0", "--json", "-o", out()});
    ASSERT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_TRUE(parsed(r.out)["chart"].toObject()["result_node"].isNull());
}

TEST_F(CliRun, QuotedFieldsWithAndWithoutQuotes) {
    const std::string a = source("a.csv", "id,name\r\n1,\"山田,太郎\",x\r\n2,\"佐藤,花子\",y\r\n");
    const std::string b = source("b.csv", "\"山田,太郎\"\r\n");
    const std::string c = source("c.csv", "山田,次郎\r\n\"山田,次郎\"\r\n");

    // Without --quotes: one warning line for each such source, crossed as ever.
    CliOutcome r = run_cli({"-o", out(), "-f", a, "-k", "2", "-f", b, "-k", "1", "-f", c, "-k", "1"});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_EQ(r.err, "tessaly-cross: " + a +
                         ": line 2: 1,\"山田,太郎\",x ; --quotes reads quoted fields as one field\n"
                         "tessaly-cross: " +
                         b +
                         ": line 1: \"山田,太郎\" ; --quotes reads quoted fields as one field\n"
                         "tessaly-cross: " +
                         c + ": line 2: \"山田,次郎\" ; --quotes reads quoted fields as one field\n");
    EXPECT_EQ(read_bytes(result(1)),
              crlf_lines({"1,a,1,\"山田,太郎\",x", "1,b,,\"山田,太郎\"", "1,c,,\"山田,次郎\"", ""}));

    // With it: no warning, the quoted fields are one field each.
    r = run_cli({"-o", out(), "--quotes", "--json", "-f", a, "-k", "2", "-f", b, "-k", "1", "-f", c, "-k", "1"});
    EXPECT_EQ(r.code, kExitSuccess) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("\"quotes\":true"), std::string::npos) << r.out;
    EXPECT_EQ(read_bytes(result(2)), crlf_lines({"1,a,1,\"山田,太郎\",x", "1,b,,\"山田,太郎\"", ""}));
}
