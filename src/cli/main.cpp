#include <malloc.h>
#include <unistd.h>
#include <atomic>
#include <csignal>
#include <iostream>

#include "cli/cli_run.h"

namespace {
std::atomic<int> stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");
}  // namespace

int main(int argc, char** argv) {
    // Large blocks straight from the system and back to it when freed: a
    // cross frees its key table before it builds the output, and the memory
    // should really go.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Ctrl+C (or a polite kill) stops the cross within a moment, whatever
    // stage it is in; the partial result goes with the work files and
    // the status is 128 + the signal's number, as if the signal had ended
    // the program. The first signal counts. (The work files have no name and
    // go with the process anyway.)
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, [](int caught) {
            int none = 0;
            stop_signal.compare_exchange_strong(none, caught);
        });
    // A write beyond the file size limit (ulimit -f) fails with EFBIG and is
    // reported (WriteFailed) instead of killing the program.
    std::signal(SIGXFSZ, SIG_IGN);
    std::ios::sync_with_stdio(false);
    tessaly::cli::Console console{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1, &stop_signal};
    return tessaly::cli::run(std::vector<std::string>(argv + 1, argv + argc), console);
}
