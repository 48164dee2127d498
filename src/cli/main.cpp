#include <atomic>
#include <csignal>
#include <iostream>
#include <unistd.h>

#include "cli_run.h"

namespace {
std::atomic<bool> interrupted{false};
}

int main(int argc, char** argv) {
    // Ctrl+C stops the cross at its next record, so that the work files are
    // removed on the way out.
    std::signal(SIGINT, [](int) { interrupted = true; });
    std::ios::sync_with_stdio(false);
    tessaly::cli::Console console{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1, &interrupted};
    return tessaly::cli::run(std::vector<std::string>(argv + 1, argv + argc), console);
}
