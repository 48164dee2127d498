#pragma once

#include <string>

namespace tessaly::app {

// What `tessaly ARGUMENTS` asks for. It is read from argv before anything
// else is set up, so that asking for help or the version needs no display,
// leaves the single-instance lock alone and never reaches a running window:
// only a chart path is ever handed over.
struct CommandLine {
    enum class Mode {
        Window,    // the main window, with `chart` when one was named
        Help,      // the usage on the standard output
        Version,   // the version on the standard output
        PrintPdf,  // --print-pdf: the rest of the arguments are its own
        Wrong      // `error` on the standard error, exit status 2
    };
    Mode mode = Mode::Window;
    std::string chart;
    std::string error;
};

CommandLine parse_command_line(int argc, const char* const* argv);

// The usage printed by --help, and the version line printed by --version.
const char* command_line_usage();
std::string command_line_version();

// Carries out Help, Version and Wrong: prints, and returns the exit status.
int answer_without_window(const CommandLine& line);

}  // namespace tessaly::app
