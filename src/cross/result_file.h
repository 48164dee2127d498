#pragma once

#include <filesystem>
#include <string_view>

namespace tessaly {

inline constexpr int kMaxResultFiles = 10000;

// The first of CROSS0001.csv ... CROSS10000.csv that is free in the folder
// (not there, or the claim of a cross that was killed; see below), and whose
// result workbook (CROSSnnnn.xlsx) is not there either, or an empty path
// when all are taken.
std::filesystem::path find_result_file_name(const std::filesystem::path& folder);

// Claims the result file's name while the result is written under another
// (see unfinished_file.h) and returns the claim's descriptor: an empty file
// under the name, made never over an existing file (O_EXCL), of mode 0200
// (which no finished result has) and locked (flock) for as long as the
// descriptor is open. The finished result is renamed over it; a cross that
// fails removes it (release_result_claim). A claim a killed cross left is
// locked by nobody: it is taken over as if the name were free.
// When the name is taken, is a result file name (CROSSnnnn.csv) and
// take_next_free is set, the next free number is taken instead and path
// follows it. -1 when no name
// could be claimed (errno tells why; EEXIST when every number up to 10,000
// is taken).
int create_result_file(std::filesystem::path& path, bool take_next_free = true);

// Removes the claim on path, unless the name no longer holds it, and closes
// the descriptor.
void release_result_claim(int fd, const std::filesystem::path& path);

// Whether name is a result file name (CROSSnnnn.csv).
bool is_result_file_name(std::string_view name);

}  // namespace tessaly
