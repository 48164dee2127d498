#include "text/unfinished_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <ctime>

#include "text/replace_file.h"

namespace tessaly {

namespace {

constexpr std::time_t kStaleAfterSeconds = 60 * 60;

std::filesystem::path hidden_name(const std::filesystem::path& folder, const std::string& stem) {
    return folder / hidden_name_for(stem);
}

std::filesystem::path descriptor_path(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

UnfinishedFile::~UnfinishedFile() { discard(); }

bool UnfinishedFile::open(const std::filesystem::path& folder, const std::string& stem) {
    discard();
    folder_ = folder;
    stem_ = stem;
    const std::string dir = folder.empty() ? std::string(".") : folder.string();
    // Nameless where the file system allows it, and where /proc lets it be
    // named (and reached by another writer) later.
    int fd = ::open(dir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (fd >= 0) {
        if (::access(descriptor_path(fd).c_str(), W_OK) == 0) {
            fd_ = fd;
            path_ = descriptor_path(fd);
            return true;
        }
        ::close(fd);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path name = hidden_name(folder, stem);
        fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            path_ = hidden_ = name;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool UnfinishedFile::finish(const std::filesystem::path& target) {
    if (fd_ < 0) {
        errno = EBADF;
        return false;
    }
    if (hidden_.empty()) {
        // A name for the blink of an eye: a file with none cannot replace
        // another, only be linked where nothing is.
        for (int attempt = 0; attempt < 100 && hidden_.empty(); ++attempt) {
            const std::filesystem::path name = hidden_name(folder_, stem_);
            if (::linkat(AT_FDCWD, path_.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0)
                hidden_ = name;
            else if (errno != EEXIST)
                break;
        }
        if (hidden_.empty()) {
            const int error = errno;
            discard();
            errno = error;
            return false;
        }
    }
    if (::rename(hidden_.c_str(), target.c_str()) != 0) {
        const int error = errno;
        discard();
        errno = error;
        return false;
    }
    hidden_.clear();
    ::close(fd_);
    fd_ = -1;
    path_.clear();
    return true;
}

void UnfinishedFile::discard() {
    if (!hidden_.empty()) ::unlink(hidden_.c_str());
    hidden_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

void remove_stale_unfinished_files(const std::filesystem::path& folder,
                                   const std::function<bool(std::string_view)>& stem_matches) {
    const std::string dir_name = folder.empty() ? std::string(".") : folder.string();
    const int dir_fd = ::open(dir_name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir_fd < 0) return;
    DIR* dir = ::fdopendir(dir_fd);
    if (!dir) {
        ::close(dir_fd);
        return;
    }
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        const std::string_view stem = hidden_name_target(name);
        if (stem.empty() || !stem_matches(stem)) continue;
        struct stat st {};
        if (::fstatat(dir_fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || now - st.st_mtime < kStaleAfterSeconds) continue;
        ::unlinkat(dir_fd, entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace tessaly
