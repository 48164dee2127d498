#pragma once

// The progress bar tessaly-cross draws on the terminal during a cross, and
// the observer through which Ctrl+C reaches the engine.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "cli/cli_run.h"
#include "cross/cross_engine.h"

namespace tessaly::cli {

class ProgressBar : public CrossObserver {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // The engine reports far more often than a terminal can show, and every
    // redraw is output (a slow terminal, or a log of the session): the bar
    // is redrawn at most once in this time.
    static constexpr std::chrono::milliseconds kRedrawInterval{100};

    // Draws on console.err when console.progress is set.
    explicit ProgressBar(
        Console& console, Clock clock = [] { return std::chrono::steady_clock::now(); });
    ~ProgressBar() override { clear(); }
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Draws the latest state when the bar does not show it yet (however
    // soon after the last redraw), then takes the bar off the line.
    void finish();
    // Takes the bar off the line.
    void clear();

    void message_line(MessageId id) override;
    void progress_range(int maximum) override;
    void progress_position(int position) override;
    bool cancel_requested() override;
    void keep_alive() override;

private:
    void redraw(bool now);
    std::string bar() const;

    Console& console_;
    Clock clock_;
    std::string_view line_;
    int maximum_ = 0;
    int position_ = 0;
    std::string shown_;  // the bar as drawn; empty when none is
    std::chrono::steady_clock::time_point drawn_at_{};
};

}  // namespace tessaly::cli
