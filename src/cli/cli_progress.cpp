#include "cli/cli_progress.h"

#include <algorithm>
#include <ostream>

#include "text/messages.h"

namespace tessaly::cli {

ProgressBar::ProgressBar(Console& console, Clock clock) : console_(console), clock_(std::move(clock)) {}

void ProgressBar::finish() {
    redraw(true);
    clear();
}

void ProgressBar::clear() {
    if (!shown_.empty()) console_.err << "\r\x1b[K" << std::flush;
    shown_.clear();
}

void ProgressBar::message_line(MessageId id) {
    line_ = message_text(id);
    redraw(false);
}

void ProgressBar::progress_range(int maximum) {
    maximum_ = maximum;
    redraw(false);
}

void ProgressBar::progress_position(int position) {
    position_ = position;
    redraw(false);
}

bool ProgressBar::cancel_requested() { return stop_requested(console_); }

void ProgressBar::keep_alive() { redraw(false); }

void ProgressBar::redraw(bool now) {
    if (!console_.progress) return;
    const auto at = clock_();
    if (!now && !shown_.empty() && at - drawn_at_ < kRedrawInterval) return;
    std::string drawn = bar();
    if (drawn == shown_) return;
    console_.err << '\r' << drawn << "\x1b[K" << std::flush;
    shown_ = std::move(drawn);
    drawn_at_ = at;
}

std::string ProgressBar::bar() const {
    const int percent = maximum_ > 0 ? static_cast<int>(std::clamp(100LL * position_ / maximum_, 0LL, 100LL)) : 0;
    const int filled = percent * 30 / 100;
    std::string text = "[";
    text.append(static_cast<std::size_t>(filled), '#').append(static_cast<std::size_t>(30 - filled), ' ');
    return text.append("] ").append(std::to_string(percent)).append("% ").append(line_);
}

}  // namespace tessaly::cli
