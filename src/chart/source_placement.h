#pragma once

// Putting text files on the chart as source nodes: each file once, with its
// line count, laid out side by side from the chosen point.

#include <filesystem>
#include <functional>
#include <vector>

#include "chart/chart.h"
#include "text/status.h"
#include "text/text_encoding.h"

namespace tessaly {

inline constexpr std::size_t kMaxFilesAtOnce = 100;

// A file dropped on the chart must be a regular file (NotARegularFile for a FIFO or a
// device) and pass the text check (no message names the file here; the
// caller puts the path above the message).
Status admit_dropped_file(const std::filesystem::path& path);

// The number of lines of a file, empty ones included; OpenFailed with the path
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
    std::vector<Status> messages;      // to show, in order, one per refused file
    std::vector<ForeignFile> foreign;  // passed over without a message: for the caller to offer a cp932 copy
    int placed = 0;
};

// Gives a new node, still collapsed to its point, the box the chart will
// draw it in (its size comes from its text in the node font).
using SizeNewNode = std::function<void(Chart& chart, int node)>;

// Room kept between placed nodes, in chart units: enough for the "必須"
// mark that stands out of a box's corner and for the selection's halo.
inline constexpr int kPlacementGap = 20;

// Places at most 100 files from the start point (canvas pixels at the zoom):
// the first centred on it where there is room, the others to its right in
// a row that wraps under the first at the canvas's right edge, each on a
// free place beside the nodes already there. Only a canvas with no free
// place left gets a node over others, at the start point. A file already on
// the chart (FileAlreadySet), one that cannot be read (OpenFailed) or whose path a node
// cannot hold (PathUnusable) is passed over without taking a place, as is one whose
// whole text turns out to be no cp932 (a list whose Japanese comes after the
// part looked at before: read as cp932 it would give wrong keys without a
// word); the node limit (TooManyNodes) ends the placement. Without size_new_node
// the nodes stay collapsed to the points they are given.
Placement place_source_files(Chart& chart, const std::vector<std::filesystem::path>& files, CanvasPoint start,
                             double zoom, const SizeNewNode& size_new_node = {});

}  // namespace tessaly
