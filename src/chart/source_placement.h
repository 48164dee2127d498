#pragma once

// Putting text files on the chart as source nodes: each file once, with its
// line count, laid out in a diagonal row from the chosen point.

#include <filesystem>
#include <vector>

#include "chart/chart.h"
#include "text/status.h"

namespace tessaly {

inline constexpr std::size_t kMaxFilesAtOnce = 100;

// A file dropped on the chart must be a regular file (30301 for a FIFO or a
// device) and pass the text check (no message names the file here; the
// caller adds 30045 with the path).
Status admit_dropped_file(const std::filesystem::path& path);

// The number of lines of a file, empty ones included; 30003 with the path
// when it cannot be read.
Status count_lines(const std::filesystem::path& path, long long& lines);

// The title of a file's node: its name without the part from the last ".".
std::string node_title_for(const std::filesystem::path& path);

struct Placement {
    std::vector<Status> messages;  // to show, in order, one per refused file
    int placed = 0;
};

// Places at most 100 files from the start point (canvas pixels at the zoom).
// A file already on the chart (30032), one that cannot be read (30003) or
// whose path a node cannot hold (30300) is passed over without advancing the
// point; the node limit (30014) ends the placement.
Placement place_source_files(Chart& chart, const std::vector<std::filesystem::path>& files, CanvasPoint start,
                             double zoom);

}  // namespace tessaly
