#pragma once

// Putting text files on the chart as source nodes: each file once, with its
// line count, laid out in a diagonal row from the chosen point.

#include <filesystem>
#include <vector>

#include "chart/chart.h"
#include "text/status.h"
#include "text/text_encoding.h"

namespace tessaly {

inline constexpr std::size_t kMaxFilesAtOnce = 100;

// A file dropped on the chart must be a regular file (30301 for a FIFO or a
// device) and pass the text check (no message names the file here; the
// caller puts the path above the message).
Status admit_dropped_file(const std::filesystem::path& path);

// The number of lines of a file, empty ones included; 30003 with the path
// when it cannot be read. With encoding, the encoding of the whole file is
// judged in the same reading.
Status count_lines(const std::filesystem::path& path, long long& lines, TextEncoding* encoding = nullptr);

// The title of a file's node: its name without the part from the last ".".
std::string node_title_for(const std::filesystem::path& path);

// A file that turned out, on counting its lines, to be in another encoding.
struct ForeignFile {
    std::filesystem::path path;
    TextEncoding encoding;
};

struct Placement {
    std::vector<Status> messages;  // to show, in order, one per refused file
    std::vector<ForeignFile> foreign;  // passed over without a message: for the caller to offer a cp932 copy
    int placed = 0;
    CanvasPoint next;  // where a further file would go
};

// Places at most 100 files from the start point (canvas pixels at the zoom).
// A file already on the chart (30032), one that cannot be read (30003) or
// whose path a node cannot hold (30300) is passed over without advancing the
// point, as is one whose whole text turns out to be no cp932 (a list whose
// Japanese comes after the part looked at before: read as cp932 it would
// give wrong keys without a word); the node limit (30014) ends the placement.
Placement place_source_files(Chart& chart, const std::vector<std::filesystem::path>& files, CanvasPoint start,
                             double zoom);

}  // namespace tessaly
