// tessaly-cross run as a program, for what only a real process shows: two
// of them at once, a FIFO where a file should be, a kill -9 in the middle of
// a cross, Ctrl+C, the file size limit.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "chart/chart.h"
#include "chart/chart_file.h"
#include "fifo.h"
#include "temp_dir.h"
#include "text/cp932.h"
#include "text/file_lock.h"
#include "text/messages.h"

extern char** environ;

using namespace tessaly;
using tessaly::cp932::literal;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

const std::string kProgram = TESSALY_BIN_DIR "/tessaly-cross";

// Generous: the machine may be busy with other builds and tests.
constexpr auto kPatience = 60s;

// One run of the program, its output going to files.
class ProgramRun {
public:
    // With a shell prefix, the program is run by /bin/sh after that prefix
    // (a ulimit, say).
    ProgramRun(const TempDir& dir, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env = {}, const std::string& shell_prefix = {}) {
        static int runs = 0;
        const std::string n = std::to_string(++runs);
        out_ = dir / ("run" + n + ".out");
        err_ = dir / ("run" + n + ".err");
        std::vector<std::string> argv;
        if (!shell_prefix.empty()) {
            std::string command = shell_prefix + " exec '" + kProgram + "'";
            for (const std::string& a : args) command += " '" + a + "'";
            argv = {"/bin/sh", "-c", command};
        } else {
            argv.push_back(kProgram);
            argv.insert(argv.end(), args.begin(), args.end());
        }
        // The settings of the test's own: an empty configuration folder.
        std::map<std::string, std::string> variables = {{"XDG_CONFIG_HOME", (dir / "no-config").string()}};
        for (const auto& [k, v] : env) variables[k] = v;
        std::vector<std::string> envs;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (!variables.contains(entry.substr(0, entry.find('=')))) envs.push_back(entry);
        }
        for (const auto& [k, v] : variables) envs.push_back(k + "=" + v);

        std::vector<char*> arg_ptrs, env_ptrs;
        for (std::string& a : argv) arg_ptrs.push_back(a.data());
        arg_ptrs.push_back(nullptr);
        for (std::string& e : envs) env_ptrs.push_back(e.data());
        env_ptrs.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, arg_ptrs.data(), env_ptrs.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~ProgramRun() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status_, 0);
        }
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    pid_t pid() const { return pid_; }
    bool running() {
        if (reaped_) return false;
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
        return !reaped_;
    }
    // Waits for the end, at most `limit`; false when it did not come (the
    // program is then killed).
    bool wait(std::chrono::steady_clock::duration limit = kPatience) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (running()) {
            if (std::chrono::steady_clock::now() > until) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status_, 0);
                reaped_ = true;
                return false;
            }
            std::this_thread::sleep_for(2ms);
        }
        return true;
    }
    // The exit status, or -1 when a signal ended it.
    int exit_code() const { return reaped_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }
    int end_signal() const { return reaped_ && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0; }
    std::string out() const { return read_bytes(out_); }
    std::string err() const { return read_bytes(err_); }

    // How many files the program holds open in the folder (named or not).
    int open_files_in(const fs::path& folder) const {
        const std::string prefix = folder.string() + "/";
        int n = 0;
        std::error_code ec;
        for (fs::directory_iterator it("/proc/" + std::to_string(pid_) + "/fd", ec), end; !ec && it != end;
             it.increment(ec)) {
            std::error_code link_ec;
            if (fs::read_symlink(it->path(), link_ec).string().starts_with(prefix)) ++n;
        }
        return n;
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool reaped_ = false;
    fs::path out_, err_;
};

std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

std::vector<std::string> hidden_entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().starts_with(".")) names.push_back(e.path().filename().string());
    return names;
}

// A chart of source nodes, all with a key in field 0.
void save_sample_chart(const fs::path& chart_path, const std::vector<fs::path>& sources) {
    Chart chart;
    chart.reset(1920, 1080);
    int i = 0;
    for (const fs::path& s : sources) {
        ASSERT_TRUE(add_node(chart, *cp932::from_utf8(s.string()), {100 * i, 50 * i}, 1.0, kSourceNode,
                             std::string("source").append(std::to_string(i)), 2));
        chart.nodes.back().key_first = chart.nodes.back().key_last = 0;
        ++i;
    }
    ASSERT_TRUE(save_chart(chart_path, chart, false));
}

// A source big enough for a cross to take a while (tens of megabytes).
fs::path large_source(const TempDir& dir) {
    const fs::path path = dir / "large.csv";
    std::string text;
    text.reserve(40u << 20);
    char line[96];
    for (int i = 0; i < 700000; ++i) {
        std::snprintf(line, sizeof line, "%d,name%d,%d,abcdefghijklmnopqrstuvwxyz0123456789\n", i % 250000, i, i * 7);
        text += line;
    }
    write_bytes(path, text);
    return path;
}

// Waits until the program holds its work files open in the temporary folder:
// the cross is under way.
bool wait_for_work_files(ProgramRun& run, const fs::path& temporary) {
    const auto until = std::chrono::steady_clock::now() + kPatience;
    while (run.running() && std::chrono::steady_clock::now() < until) {
        if (run.open_files_in(temporary) >= 2) return true;
        std::this_thread::sleep_for(1ms);
    }
    return false;
}

}  // namespace

// Item 13: two crosses saving into one chart at once both add their result
// node; the second waits for the first.
TEST(CrossProgram, TwoSavesIntoOneChartAtOnceBothLand) {
    TempDir dir;
    fs::create_directory(dir / "out");
    const fs::path a = dir / "a.csv";
    const fs::path b = dir / "b.csv";
    write_bytes(a, "k1,a\nk2,a\nk3,a\n");
    write_bytes(b, "k1,b\nk3,b\n");
    const fs::path chart_path = dir / "chart.tsy";
    save_sample_chart(chart_path, {a, b});

    constexpr int kRounds = 8;
    for (int round = 0; round < kRounds; ++round) {
        const std::vector<std::string> args = {
            "--chart", chart_path.string(), "--node", "#0", "--node", "#1", "--save", "-o", (dir / "out").string()};
        ProgramRun first(dir, args);
        ProgramRun second(dir, args);
        ASSERT_TRUE(first.wait());
        ASSERT_TRUE(second.wait());
        ASSERT_EQ(first.exit_code(), 0) << first.err();
        ASSERT_EQ(second.exit_code(), 0) << second.err();
        EXPECT_NE(first_line(first.out()), first_line(second.out()));
    }
    Chart chart;
    ASSERT_TRUE(open_chart(chart_path, chart));
    EXPECT_EQ(chart.node_count(), 2 + 2 * kRounds);
    EXPECT_EQ(chart.arc_count(), 2 * 2 * kRounds);
    std::set<std::string> paths, titles;
    for (int i = 2; i < chart.node_count(); ++i) {
        EXPECT_EQ(chart.nodes[i].kind, kResultNode);
        EXPECT_EQ(chart.nodes[i].record_count, 2);
        paths.insert(std::string(cp932::field_text(chart.nodes[i].path)));
        titles.insert(std::string(cp932::field_text(chart.nodes[i].title)));
    }
    EXPECT_EQ(paths.size(), static_cast<std::size_t>(2 * kRounds));
    EXPECT_EQ(titles.size(), static_cast<std::size_t>(2 * kRounds));
    EXPECT_EQ(entries(dir / "out"), static_cast<std::size_t>(2 * kRounds));
    EXPECT_TRUE(hidden_entries(dir.path()).empty());
    EXPECT_FALSE(fs::exists(dir / "chart.tsy.bak.new"));
    EXPECT_TRUE(fs::exists(dir / "chart.tsy.bak"));
}

// Item 13: a chart locked by another program is waited for, with a note;
// Ctrl+C or SIGTERM ends the wait, with the status a shell expects.
TEST(CrossProgram, ALockedChartIsWaitedForAndTheWaitCanBeInterrupted) {
    TempDir dir;
    fs::create_directory(dir / "out");
    const fs::path a = dir / "a.csv";
    write_bytes(a, "k1\nk1\n");
    const fs::path chart_path = dir / "chart.tsy";
    save_sample_chart(chart_path, {a});
    const std::string before = read_bytes(chart_path);
    const std::vector<std::string> args = {"--chart", chart_path.string(),   "--node", "#0", "--save",
                                           "-o",      (dir / "out").string()};

    FileLock held;
    ASSERT_TRUE(held.lock(chart_path, {}));
    for (int signal : {SIGINT, SIGTERM}) {
        ProgramRun waiting(dir, args);
        const std::string note =
            "tessaly-cross: waiting for " + chart_path.string() + ", which another program is saving\n";
        const auto until = std::chrono::steady_clock::now() + 20s;
        while (waiting.err() != note && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(5ms);
        EXPECT_EQ(waiting.err(), note);
        EXPECT_TRUE(waiting.running());
        ::kill(waiting.pid(), signal);
        const auto interrupted = std::chrono::steady_clock::now();
        ASSERT_TRUE(waiting.wait());
        EXPECT_LT(std::chrono::steady_clock::now() - interrupted, 2s);
        EXPECT_EQ(waiting.exit_code(), 128 + signal);
        EXPECT_EQ(waiting.err(),
                  note + "tessaly-cross: " + chart_path.string() + ": cancelled while another program was saving it\n");
    }
    EXPECT_EQ(read_bytes(chart_path), before);
    EXPECT_TRUE(fs::is_empty(dir / "out"));

    // Let go while it waits: it goes on and saves.
    ProgramRun patient(dir, args);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(patient.running());
    held.unlock();
    ASSERT_TRUE(patient.wait());
    EXPECT_EQ(patient.exit_code(), 0) << patient.err();
    Chart chart;
    ASSERT_TRUE(open_chart(chart_path, chart));
    EXPECT_EQ(chart.node_count(), 2);
}

// Item 17: crosses into one result folder at once each get a file of their
// own, also when another takes the chosen number first.
TEST(CrossProgram, CrossesIntoOneFolderAtOnceTakeNumbersOfTheirOwn) {
    TempDir dir;
    fs::create_directory(dir / "out");
    const fs::path a = dir / "a.csv";
    write_bytes(a, "k1,a\nk1,b\n");
    constexpr int kCrosses = 6;
    std::vector<std::unique_ptr<ProgramRun>> runs;
    for (int i = 0; i < kCrosses; ++i)
        runs.push_back(std::make_unique<ProgramRun>(
            dir, std::vector<std::string>{"-o", (dir / "out").string(), "-f", a.string(), "-k", "1"}));
    std::set<std::string> results;
    for (auto& run : runs) {
        ASSERT_TRUE(run->wait());
        EXPECT_EQ(run->exit_code(), 0) << run->err();
        results.insert(first_line(run->out()));
    }
    EXPECT_EQ(results.size(), static_cast<std::size_t>(kCrosses));
    EXPECT_EQ(entries(dir / "out"), static_cast<std::size_t>(kCrosses));
    for (const std::string& r : results) EXPECT_EQ(read_bytes(r), "1,a,k1,a\r\n1,a,k1,b\r\n\r\n") << r;
}

// Item 15: a FIFO as a source, as a chart or as a node's file is refused at
// once, naming it; so is a device.
TEST(CrossProgram, AFifoOrADeviceIsRefusedAtOnce) {
    TempDir dir;
    fs::create_directory(dir / "out");
    Fifo fifo(dir / "pipe.csv", 20s);
    const fs::path a = dir / "a.csv";
    write_bytes(a, "k1\nk1\n");
    const std::string refused = std::string(message_text(MessageId::NotARegularFile)) + "\n";
    auto refusal = [&](const fs::path& file) { return "tessaly-cross: " + file.string() + ": " + refused; };

    auto refuses = [&](const std::vector<std::string>& args, const std::string& expected_err) {
        ProgramRun run(dir, args);
        ASSERT_TRUE(run.wait(15s)) << "still waiting";
        EXPECT_EQ(run.exit_code(), 1);
        EXPECT_EQ(run.err(), expected_err);
        EXPECT_EQ(run.out(), "");
    };
    refuses({"-o", (dir / "out").string(), "-f", fifo.path().string(), "-k", "1"}, refusal(fifo.path()));
    refuses({"-o", (dir / "out").string(), "-f", "/dev/zero", "-k", "1"}, refusal("/dev/zero"));
    refuses({"--chart", fifo.path().string(), "--node", "#0", "-o", (dir / "out").string()}, refusal(fifo.path()));
    refuses({"--list", fifo.path().string()}, refusal(fifo.path()));
    refuses({"--chart", fifo.path().string(), "--node", "#0", "--save", "-o", (dir / "out").string()},
            refusal(fifo.path()));
    EXPECT_TRUE(fs::is_empty(dir / "out"));

    // A node's file swapped for a FIFO or a device: the cross fails, naming
    // it, and leaves no result file.
    for (const fs::path& odd : {fifo.path(), fs::path("/dev/zero")}) {
        const fs::path chart_path = dir / "chart.tsy";
        save_sample_chart(chart_path, {a, odd});
        ProgramRun run(dir,
                       {"--chart", chart_path.string(), "--node", "#0", "--node", "#1", "-o", (dir / "out").string()});
        ASSERT_TRUE(run.wait(15s)) << "still waiting";
        EXPECT_EQ(run.exit_code(), 1);
        const std::string err = run.err();
        EXPECT_TRUE(err.starts_with(refusal(odd))) << err;
        EXPECT_TRUE(fs::is_empty(dir / "out"));
    }
}

// An empty file name, or a relative one while the current folder has been
// removed, is a failure that names the file: never an abort from a path
// that cannot be made absolute.
TEST(CrossProgram, APathThatCannotBeMadeIsAFailureNotAnAbort) {
    TempDir dir;
    fs::create_directory(dir / "out");
    const fs::path a = dir / "a.csv";
    write_bytes(a, "k1\nk1\n");
    const std::string out = (dir / "out").string();
    const std::string gone = std::string(std::strerror(ENOENT));
    auto fails = [&](const std::vector<std::string>& args, const std::string& expected_err,
                     const std::string& prefix = {}) {
        ProgramRun run(dir, args, {}, prefix);
        ASSERT_TRUE(run.wait()) << "still running";
        EXPECT_EQ(run.end_signal(), 0) << expected_err;
        EXPECT_EQ(run.exit_code(), 1) << expected_err;
        EXPECT_EQ(run.err(), expected_err);
        EXPECT_EQ(run.out(), "");
    };
    const std::string empty = "tessaly-cross: '': " + gone + "\n";
    fails({"-o", out, "-f", "", "-k", "1"}, empty);
    fails({"-o", out, "--file=", "--key=1"}, empty);
    fails({"--list", ""}, empty);
    fails({"--chart=", "--node", "#0", "--save", "-o", out}, empty);

    // Run in a folder removed before the program starts.
    const std::string in_removed_folder =
        "mkdir '" + (dir / "cwd").string() + "' && cd '" + (dir / "cwd").string() + "' && rmdir \"$PWD\" &&";
    const std::string no_folder = ": the current folder cannot be found (" + gone + ")\n";
    fails({"-o", out, "-f", "a.csv", "-k", "1"}, "tessaly-cross: a.csv" + no_folder, in_removed_folder);
    fails({"-o", "results", "-f", a.string(), "-k", "1"}, "tessaly-cross: results" + no_folder, in_removed_folder);
    EXPECT_TRUE(fs::is_empty(dir / "out"));
    // Absolute paths need no current folder.
    ProgramRun absolute(dir, {"-o", out, "-f", a.string(), "-k", "1"}, {}, in_removed_folder);
    ASSERT_TRUE(absolute.wait());
    EXPECT_EQ(absolute.exit_code(), 0) << absolute.err();
    EXPECT_EQ(first_line(absolute.out()), (dir / "out" / "CROSS0001.csv").string());
}

// The settings file swapped for a FIFO, for /dev/zero or for something far
// larger than settings are: the cross neither waits on it nor reads it, says
// so, and runs with the defaults.
TEST(CrossProgram, ASettingsFileThatIsNoFileIsPassedOver) {
    TempDir dir;
    fs::create_directories(dir / "config" / "Varnholt");
    fs::create_directory(dir / "out");
    const fs::path a = dir / "a.csv";
    write_bytes(a, "k1,a\nk1,b\n");
    const fs::path ini = dir / "config" / "Varnholt" / "Tessaly.ini";
    std::string ignored(message_text(MessageId::SettingsIgnored));
    std::replace(ignored.begin(), ignored.end(), '\n', ' ');
    for (int kind = 0; kind < 3; ++kind) {
        fs::remove(ini);
        std::optional<Fifo> fifo;
        if (kind == 0) fifo.emplace(ini, 20s);
        if (kind == 1) fs::create_symlink("/dev/zero", ini);
        if (kind == 2) write_bytes(ini, "[KanSet]\nMakeBackup=0\n" + std::string(2 << 20, ';'));
        ProgramRun run(dir, {"-o", (dir / "out").string(), "-f", a.string(), "-k", "1"},
                       {{"XDG_CONFIG_HOME", (dir / "config").string()}});
        ASSERT_TRUE(run.wait(15s)) << "still waiting, kind " << kind;
        EXPECT_EQ(run.exit_code(), 0) << run.err();
        EXPECT_EQ(run.err(), "tessaly-cross: " + ini.string() + ": " + ignored + "\n");
        EXPECT_EQ(read_bytes(first_line(run.out())), "1,a,k1,a\r\n1,a,k1,b\r\n\r\n");
    }
}

// Item 16: killed in the middle of a cross, the program leaves no work file
// in the temporary folder and nothing beside the chart.
TEST(CrossProgram, KilledInTheMiddleItLeavesNothingBehind) {
    TempDir dir;
    fs::create_directory(dir / "out");
    fs::create_directory(dir / "tmp");
    const fs::path large = large_source(dir);
    const fs::path chart_path = dir / "chart.tsy";
    save_sample_chart(chart_path, {large});
    const std::string before = read_bytes(chart_path);

    for (const auto& extra : {0ms, 60ms}) {
        ProgramRun run(dir, {"--chart", chart_path.string(), "--node", "#0", "--save", "-o", (dir / "out").string()},
                       {{"TMPDIR", (dir / "tmp").string()}});
        ASSERT_TRUE(wait_for_work_files(run, dir / "tmp")) << "the cross ended before it was caught: " << run.err();
        // Open, yet without a name.
        EXPECT_EQ(entries(dir / "tmp"), 0u);
        std::this_thread::sleep_for(extra);
        ASSERT_EQ(::kill(run.pid(), SIGKILL), 0);
        ASSERT_TRUE(run.wait());
        EXPECT_EQ(run.end_signal(), SIGKILL) << "it ended by itself: " << run.err();
        EXPECT_EQ(entries(dir / "tmp"), 0u);
        EXPECT_TRUE(hidden_entries(dir.path()).empty());
        EXPECT_EQ(read_bytes(chart_path), before);
    }
}

// Item 15: Ctrl+C (or SIGTERM) ends a cross at once, whatever it is doing;
// once the work files and the partial result are gone, the
// status is 130 (or 143), as a shell reports a program the signal ended.
TEST(CrossProgram, InterruptedItStopsAtOnce) {
    TempDir dir;
    fs::create_directory(dir / "out");
    fs::create_directory(dir / "tmp");
    const fs::path large = large_source(dir);
    for (int signal : {SIGINT, SIGTERM}) {
        ProgramRun run(dir, {"-o", (dir / "out").string(), "-f", large.string(), "-k", "2"},
                       {{"TMPDIR", (dir / "tmp").string()}});
        ASSERT_TRUE(wait_for_work_files(run, dir / "tmp")) << "the cross ended before it was caught";
        std::this_thread::sleep_for(30ms);
        ::kill(run.pid(), signal);
        const auto sent = std::chrono::steady_clock::now();
        ASSERT_TRUE(run.wait());
        // Half a second on a quiet machine; more room for a busy one.
        EXPECT_LT(std::chrono::steady_clock::now() - sent, 2s);
        if (run.exit_code() == 0) continue;  // finished before the signal came
        EXPECT_EQ(run.exit_code(), 128 + signal);
        EXPECT_EQ(run.err(), "tessaly-cross: cancelled\n");
        EXPECT_EQ(entries(dir / "tmp"), 0u);
        EXPECT_EQ(entries(dir / "out"), 0u);
    }
}

// Item 16: a write beyond the file size limit fails with WriteFailed instead of
// killing the program (SIGXFSZ).
TEST(CrossProgram, TheFileSizeLimitIsAFailedWriteNotADeath) {
    TempDir dir;
    fs::create_directory(dir / "out");
    fs::create_directory(dir / "tmp");
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text.append("k").append(std::to_string(i % 1000)).append(",some data to fill the file\n");
    write_bytes(dir / "a.csv", text);
    // ulimit -f counts blocks of 512 bytes in the POSIX shell: 16 KiB here.
    ProgramRun run(dir, {"-o", (dir / "out").string(), "-f", (dir / "a.csv").string(), "-k", "1"},
                   {{"TMPDIR", (dir / "tmp").string()}}, "ulimit -f 32;");
    ASSERT_TRUE(run.wait());
    EXPECT_EQ(run.end_signal(), 0);
    EXPECT_EQ(run.exit_code(), 1);
    // The work files in the temporary folder are the first to reach it.
    EXPECT_EQ(run.err(), "tessaly-cross: " + (dir / "tmp").string() + ": " +
                             std::string(message_text(MessageId::WriteFailed)) + "\n");
    EXPECT_EQ(entries(dir / "tmp"), 0u);
    EXPECT_EQ(entries(dir / "out"), 0u);
}
