#include "cli/cli_progress.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <sstream>
#include <string>

#include "text/messages.h"

using namespace tessaly;
using namespace tessaly::cli;
using namespace std::chrono_literals;

namespace {

// A clock the test moves by hand.
struct ManualClock {
    std::chrono::steady_clock::time_point now{};
    ProgressBar::Clock function() {
        return [this] { return now; };
    }
};

std::size_t redraws(const std::string& terminal) {
    std::size_t n = 0;
    for (std::size_t at = terminal.find("\r["); at != std::string::npos; at = terminal.find("\r[", at + 1)) ++n;
    return n;
}

// The last bar drawn, without its line control.
std::string last_bar(const std::string& terminal) {
    const auto start = terminal.rfind("\r[");
    if (start == std::string::npos) return {};
    return terminal.substr(start + 1, terminal.find("\x1b[K", start) - start - 1);
}

}  // namespace

// The engine reports every few records; the terminal sees at most ten
// redraws a second, and never loses the last state.
TEST(CliProgress, RedrawsAtMostTenTimesASecond) {
    std::ostringstream out, err;
    Console console{out, err, true};
    ManualClock clock;
    {
        ProgressBar bar(console, clock.function());
        bar.message_line(MessageId::ReadingData);
        bar.progress_range(1000);
        // Two seconds of reports, one every millisecond.
        for (int i = 1; i <= 2000; ++i) {
            clock.now += 1ms;
            bar.progress_position(i / 2);
            bar.keep_alive();
        }
        EXPECT_GE(redraws(err.str()), 15u);
        EXPECT_LE(redraws(err.str()), 21u);  // the first at once, then one each 100 ms

        // A new stage right after a redraw waits for its turn...
        bar.message_line(MessageId::WritingResults);
        bar.progress_range(10);
        bar.progress_position(3);
        EXPECT_NE(last_bar(err.str()),
                  "[#########                     ] 30% " + std::string(message_text(MessageId::WritingResults)));
        // ... and the end draws it, however soon, before the bar goes.
        bar.finish();
        const std::string terminal = err.str();
        EXPECT_EQ(last_bar(terminal),
                  "[#########                     ] 30% " + std::string(message_text(MessageId::WritingResults)));
        EXPECT_TRUE(terminal.ends_with("\r\x1b[K")) << terminal;
    }
    EXPECT_EQ(out.str(), "");
}

TEST(CliProgress, NothingIsDrawnWithoutATerminalAndNothingTwice) {
    std::ostringstream out, err;
    ManualClock clock;
    Console quiet{out, err, false};
    {
        ProgressBar bar(quiet, clock.function());
        bar.message_line(MessageId::CountingRecords);
        bar.keep_alive();
        bar.finish();
    }
    EXPECT_EQ(err.str(), "");

    // The same bar once more is no redraw, however much time passed.
    Console terminal{out, err, true};
    ProgressBar bar(terminal, clock.function());
    bar.message_line(MessageId::CountingRecords);
    for (int i = 0; i < 10; ++i) {
        clock.now += 1s;
        bar.keep_alive();
    }
    bar.finish();
    EXPECT_EQ(redraws(err.str()), 1u);
}

TEST(CliProgress, ASignalAsksTheEngineToStop) {
    std::ostringstream out, err;
    std::atomic<int> stop{0};
    Console console{out, err, false, &stop};
    ProgressBar bar(console);
    EXPECT_FALSE(bar.cancel_requested());
    stop = SIGTERM;
    EXPECT_TRUE(bar.cancel_requested());
}
