#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace tessaly::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// Stopped by a signal: 128 + its number (130 after Ctrl+C, 143 after
// SIGTERM), as shells report a program the signal ended.
inline constexpr int kExitSignalBase = 128;

struct Console {
    std::ostream& out;
    std::ostream& err;
    bool progress = false;  // draw a progress bar on err
    // The signal that asked the program to stop (SIGINT, SIGTERM, SIGHUP);
    // 0 until one comes.
    const std::atomic<int>* stop_signal = nullptr;
};

// Whether a signal has asked the program to stop.
inline bool stop_requested(const Console& console) { return console.stop_signal && console.stop_signal->load() != 0; }

// Runs tessaly-cross with the arguments (without the program name).
int run(const std::vector<std::string>& args, Console& console);

}  // namespace tessaly::cli
