#include "cross/result_file.h"

#include <cstdio>
#include <sys/stat.h>

namespace tessaly {

std::filesystem::path find_result_file_name(const std::filesystem::path& folder) {
    for (int i = 1; i <= kMaxResultFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "%s%04d.csv", "CROSS", i);
        std::filesystem::path candidate = folder / name;
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) return candidate;
    }
    return {};
}

}  // namespace tessaly
