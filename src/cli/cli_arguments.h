#pragma once

// The command line of tessaly-cross.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "cross/cross_options.h"

namespace tessaly::cli {

struct SourceArgument {
    std::string file;
    int key_first = -1;  // 0-based, as stored in a node
    int key_last = -1;
    int start_record = 1;
    std::optional<std::string> title;  // UTF-8
    bool mandatory = false;
};

struct Arguments {
    enum class Mode { Files, Chart, List, ToCp932, Help, Version };
    Mode mode = Mode::Help;
    CrossOptions options;
    std::optional<std::string> result_folder;
    std::vector<SourceArgument> sources;  // Files
    std::string chart;                    // Chart, List
    std::vector<std::string> nodes;       // Chart: titles or #INDEX
    bool save = false;
    bool timings = false;  // seconds per stage on stderr
    bool json = false;     // the summary as one JSON object
    // ToCp932: the workbook, UTF-8 or UTF-16 file to copy as cp932, the
    // sheet (a name, or a number from 1) and whether an existing copy goes.
    std::string to_cp932;
    std::optional<std::string> sheet;
    bool overwrite = false;
};

struct UsageError {
    std::string text;
};

// Options as GNU tools take them: "-k 2", "-k2", "--key 2" and "--key=2"
// alike; the source options apply to the -f before them.
std::variant<Arguments, UsageError> parse_arguments(const std::vector<std::string>& args);

extern const char* const kUsage;
// The project's version, as --version shows it.
extern const char* const kVersion;

}  // namespace tessaly::cli
