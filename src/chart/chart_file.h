#pragma once

// The chart file (.tsy): the magic "TSY001    ", the 48 bytes of display
// state, the arc count (big-endian) and the arcs, the node count (big-endian)
// and the nodes, records stored byte for byte. An empty chart is 66 bytes.

#include <filesystem>
#include <string>
#include <string_view>

#include "chart/chart.h"
#include "text/status.h"

namespace tessaly {

inline constexpr std::size_t kChartHeaderSize = 58;  // magic and display state
inline constexpr std::size_t kEmptyChartFileSize = 66;

// The file's bytes for the chart as it stands.
std::string chart_file_bytes(const Chart& chart);

// Reads a chart from the file's bytes into out (arcs, nodes, display state;
// the node states come out cleared). On failure out is untouched and the
// status holds 30013 (not a chart, or cut short or damaged), 30016 (another
// version), 30043 (too many arcs) or 30044 (too many nodes).
Status parse_chart(std::string_view bytes, Chart& out);

// Opens the chart file at path into out; out is untouched on failure:
// 30177 with the path when it does not exist, 30166 for a folder, 30003 with
// the path when it cannot be read, or a refusal of parse_chart.
Status open_chart(const std::filesystem::path& path, Chart& out);

// Saves the chart safely (see replace_file). When a primary node exists the
// selection is cleared first, as a saved chart never carries selection marks.
// Failure: 30015 with the path; the file that was there is untouched.
Status save_chart(const std::filesystem::path& path, Chart& chart, bool keep_backup);

}  // namespace tessaly
