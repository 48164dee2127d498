#include <atomic>
#include <csignal>
#include <iostream>
#include <malloc.h>
#include <unistd.h>

#include "cli_run.h"

namespace {
std::atomic<bool> interrupted{false};
}

int main(int argc, char** argv) {
    // Large blocks straight from the system and back to it when freed: a
    // cross frees its key table before it builds the output, and the memory
    // should really go.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Ctrl+C (or a polite kill) stops the cross at its next record, so that
    // the work files are removed on the way out.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, [](int) { interrupted = true; });
    std::ios::sync_with_stdio(false);
    tessaly::cli::Console console{std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1, &interrupted};
    return tessaly::cli::run(std::vector<std::string>(argv + 1, argv + argc), console);
}
