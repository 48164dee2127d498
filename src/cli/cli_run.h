#pragma once

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

namespace tessaly::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct Console {
    std::ostream& out;
    std::ostream& err;
    bool progress = false;                        // draw a progress bar on err
    const std::atomic<bool>* interrupted = nullptr;  // set when the user asks to stop
};

// Runs tessaly-cross with the arguments (without the program name).
int run(const std::vector<std::string>& args, Console& console);

}  // namespace tessaly::cli
