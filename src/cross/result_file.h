#pragma once

#include <filesystem>

namespace tessaly {

inline constexpr int kMaxResultFiles = 10000;

// The first of CROSS0001.csv ... CROSS10000.csv that does not exist in the
// folder, or an empty path when all are taken.
std::filesystem::path find_result_file_name(const std::filesystem::path& folder);

// Creates the result file at path, never over an existing file (O_EXCL),
// and returns its descriptor, open for writing. When another program took
// the name between choosing and creating it and the name is a result file
// name (CROSSnnnn.csv), the next free number is taken instead and path
// follows it. -1 when no file could be made (errno tells why; EEXIST when
// every number up to 10,000 is taken).
int create_result_file(std::filesystem::path& path);

}  // namespace tessaly
