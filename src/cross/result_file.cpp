#include "cross/result_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <string>

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
    if (ec != std::errc() || end != digits.data() + digits.size() || number < 1 || number > kMaxResultFiles) return 0;
    return result_file_name(number) == name ? number : 0;
}

constexpr mode_t kClaimMode = 0200;

bool same_file(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The name made ours: a new empty file, or one a killed cross left.
int claim(const std::filesystem::path& path) {
    int fd;
    do {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kClaimMode);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
        ::fchmod(fd, kClaimMode);  // whatever the umask
        // Another cross may have taken the new file for a left claim in the
        // blink between making and locking it: then it is theirs.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        ::close(fd);
        errno = EEXIST;
        return -1;
    }
    if (errno != EEXIST) return -1;
    // A left claim: an empty file of ours of the claim's mode that nobody
    // holds locked, and still under the name once locked.
    fd = ::open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat opened {
    }, named{};
    if (fd >= 0 && ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_size == 0 &&
        (opened.st_mode & 07777) == kClaimMode && opened.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::lstat(path.c_str(), &named) == 0 && same_file(opened, named))
        return fd;
    if (fd >= 0) ::close(fd);
    errno = EEXIST;
    return -1;
}

}  // namespace

bool is_result_file_name(std::string_view name) { return result_file_number(std::string(name)) != 0; }

std::filesystem::path find_result_file_name(const std::filesystem::path& folder) {
    for (int i = 1; i <= kMaxResultFiles; ++i) {
        std::filesystem::path candidate = folder / result_file_name(i);
        struct stat st {};
        // A result workbook kept after its result file went (with its
        // node) keeps its number: a later cross would replace it.
        std::filesystem::path workbook = candidate;
        workbook.replace_extension(".xlsx");
        if (::lstat(workbook.c_str(), &st) == 0) continue;
        if (::lstat(candidate.c_str(), &st) != 0) {
            if (errno == ENOENT) return candidate;
            continue;
        }
        // A claim left by a killed cross is free; looking takes it for a
        // moment only.
        if (S_ISREG(st.st_mode) && st.st_size == 0 && (st.st_mode & 07777) == kClaimMode) {
            const int fd = claim(candidate);
            if (fd >= 0) {
                ::close(fd);
                return candidate;
            }
        }
    }
    return {};
}

int create_result_file(std::filesystem::path& path, bool take_next_free) {
    int fd = claim(path);
    if (fd >= 0 || errno != EEXIST || !take_next_free) return fd;
    int number = result_file_number(path.filename().string());
    if (number == 0) return -1;
    const std::filesystem::path folder = path.parent_path();
    while (++number <= kMaxResultFiles) {
        const std::filesystem::path next = folder / result_file_name(number);
        fd = claim(next);
        if (fd >= 0) {
            path = next;
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

void release_result_claim(int fd, const std::filesystem::path& path) {
    if (fd < 0) return;
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && same_file(held, named)) ::unlink(path.c_str());
    ::close(fd);
}

}  // namespace tessaly
