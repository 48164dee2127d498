#pragma once

#include <filesystem>

namespace tessaly {

inline constexpr int kMaxResultFiles = 10000;

// The first of CROSS0001.csv ... CROSS10000.csv that does not exist in the
// folder, or an empty path when all are taken.
std::filesystem::path find_result_file_name(const std::filesystem::path& folder);

}  // namespace tessaly
