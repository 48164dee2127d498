#pragma once

// The chart file (.tsy): the magic "TSY001    ", the 48 bytes of display
// state, the arc count (big-endian) and the arcs, the node count (big-endian)
// and the nodes, records stored byte for byte. An empty chart is 66 bytes.

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

#include "chart/chart.h"
#include "text/status.h"
#include "text/user_file.h"

namespace tessaly {

class FileLock;

inline constexpr std::size_t kChartHeaderSize = 58;  // magic and display state
inline constexpr std::size_t kEmptyChartFileSize = 66;
// A key field beyond the 2,000 fields a record may have is never stored.
inline constexpr std::int32_t kMaxKeyFields = 2000;
// A node's box never lies this far from the canvas (at most 5,000 wide and
// high): its text may make it wider than the canvas, and a result node goes
// below the node it came from, but never by this much. Within it, sums and
// differences of coordinates (and their products with the zoom) stay far
// from the limits of 32 bits.
inline constexpr std::int32_t kNodeCoordinateLimit = 100000;
// How long a save waits for another program that holds the chart's lock.
inline constexpr std::chrono::milliseconds kChartLockPatience{2000};

// The file's bytes for the chart as it stands.
std::string chart_file_bytes(const Chart& chart);

// Reads a chart from the file's bytes into out (arcs, nodes, display state;
// the node states come out cleared). On failure out is untouched and the
// status holds WrongFileFormat (not a chart, or cut short, longer than its counts say
// (66 + 4 × arcs + 1,356 × nodes bytes exactly) or damaged, or holding a
// value the program can never store: a key field below -1 or at 2,000 and
// beyond, a pair of key fields that no key selection makes, a start record
// outside 1 to 10, a negative record count, a box coordinate beyond
// ±kNodeCoordinateLimit), WrongVersion (another version), ArcLimitExceeded (too many arcs) or
// NodeLimitExceeded (too many nodes). Odd but harmless values (boxes turned inside out,
// font sizes, the canvas) are taken as they are.
Status parse_chart(std::string_view bytes, Chart& out);

// Opens the chart file at path into out; out is untouched on failure:
// FileNotFound with the path when it does not exist, IsAFolder for a folder, NotARegularFile with
// the path for a FIFO or a device (never waited on), OpenFailed with the path when
// it cannot be read, or a refusal of parse_chart. With stamp, the stamp of
// the file as read.
Status open_chart(const std::filesystem::path& path, Chart& out, FileStamp* stamp = nullptr);

// Saves the chart safely (see replace_file). When a primary node exists the
// selection is cleared first, as a saved chart never carries selection marks.
// The save holds the chart's lock (file_lock.h): the caller's, when it
// holds it already (held), else its own, waiting for another program that
// holds it for at most kChartLockPatience. Left-over new charts of a save
// that was killed before its rename are removed. With written, the stamp of
// the saved file. Failure: ChartLocked with the path when another program kept the
// lock; WriteFailed with the path when the file cannot be written. Either way the
// file that was there is untouched.
Status save_chart(const std::filesystem::path& path, Chart& chart, bool keep_backup, const FileLock* held = nullptr,
                  FileStamp* written = nullptr);

}  // namespace tessaly
