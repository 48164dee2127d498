#include "text/replace_file.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tessaly {

namespace fs = std::filesystem;

namespace {

bool write_all(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

mode_t new_file_mode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Keeps the current content of target as backup: a second name for the same
// file where the file system allows it, else a copy. It is made under a
// temporary name and renamed, so a failure leaves the old backup as it was.
bool make_backup(const fs::path& target, const fs::path& backup) {
    const fs::path fresh = backup.string() + ".new";
    std::error_code ec;
    fs::remove(fresh, ec);
    bool made = ::link(target.c_str(), fresh.c_str()) == 0;
    if (!made) made = fs::copy_file(target, fresh, fs::copy_options::overwrite_existing, ec) && !ec;
    if (made && ::rename(fresh.c_str(), backup.c_str()) == 0) return true;
    fs::remove(fresh, ec);
    return false;
}

void sync_folder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool replace_file(const fs::path& path, std::string_view bytes, bool keep_backup) {
    return replace_file_with(path, [bytes](const FileSink& sink) { return sink(bytes); }, keep_backup);
}

bool replace_file_with(const fs::path& path, const std::function<bool(const FileSink&)>& write, bool keep_backup) {
    std::error_code ec;
    fs::path target = path;
    if (fs::is_symlink(path, ec)) {
        target = fs::weakly_canonical(path, ec);
        if (ec) return false;
    }
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    struct stat old_stat {};
    const bool exists = ::stat(target.c_str(), &old_stat) == 0;
    if (exists && !S_ISREG(old_stat.st_mode)) return false;
    // A file the user has made read-only is not replaced behind their back.
    if (exists && ::access(target.c_str(), W_OK) != 0) return false;

    const std::string hidden_name = "." + target.filename().native();
    std::string temp = (folder / (hidden_name + ".XXXXXX")).string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;

    bool ok = write([fd](std::string_view bytes) { return write_all(fd, bytes); });
    ok = ok && ::fchmod(fd, exists ? (old_stat.st_mode & 07777) : new_file_mode()) == 0;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && exists && keep_backup) ok = make_backup(target, fs::path(target.string() + ".bak"));
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    sync_folder(folder);
    return true;
}

}  // namespace tessaly
