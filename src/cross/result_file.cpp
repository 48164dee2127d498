#include "cross/result_file.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace {

std::string result_file_name(int number) {
    char name[32];
    std::snprintf(name, sizeof name, "%s%04d.csv", "CROSS", number);
    return name;
}

// The number of a result file name, or 0 for any other name.
int result_file_number(const std::string& name) {
    if (!name.starts_with("CROSS") || !name.ends_with(".csv")) return 0;
    const std::string digits = name.substr(5, name.size() - 9);
    int number = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc() || end != digits.data() + digits.size() || number < 1 || number > kMaxResultFiles)
        return 0;
    return result_file_name(number) == name ? number : 0;
}

int create_new(const std::filesystem::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

std::filesystem::path find_result_file_name(const std::filesystem::path& folder) {
    for (int i = 1; i <= kMaxResultFiles; ++i) {
        std::filesystem::path candidate = folder / result_file_name(i);
        struct stat st {};
        if (::lstat(candidate.c_str(), &st) != 0 && errno == ENOENT) return candidate;
    }
    return {};
}

int create_result_file(std::filesystem::path& path) {
    int fd = create_new(path);
    if (fd >= 0 || errno != EEXIST) return fd;
    int number = result_file_number(path.filename().string());
    if (number == 0) return -1;
    const std::filesystem::path folder = path.parent_path();
    while (++number <= kMaxResultFiles) {
        const std::filesystem::path next = folder / result_file_name(number);
        fd = create_new(next);
        if (fd >= 0) {
            path = next;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace tessaly
