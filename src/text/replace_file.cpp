#include "text/replace_file.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
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

constexpr std::string_view kNameLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

// ".NAME." followed by six random letters and digits, as mkstemp makes them.
std::string replacement_name(const fs::path& folder, const std::string& target_name) {
    static thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kNameLetters.size() - 1);
    std::string name = "." + target_name + ".";
    for (int i = 0; i < 6; ++i) name += kNameLetters[pick(random)];
    return (folder / name).string();
}

bool copy_from_start(int from, int to) {
    char buffer[1 << 16];
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(from, buffer, sizeof buffer, at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!write_all(to, {buffer, static_cast<std::size_t>(got)})) return false;
        at += got;
    }
}

// Gives the finished nameless file a name beside the target, for the rename.
// Where that cannot be done (no /proc), its bytes go to a named copy.
bool name_nameless_file(int fd, const fs::path& folder, const std::string& target_name, mode_t mode,
                        std::string& named) {
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        named = replacement_name(folder, target_name);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) break;
    }
    named = (folder / ("." + target_name + ".XXXXXX")).string();
    const int copy = ::mkostemp(named.data(), O_CLOEXEC);
    if (copy < 0) {
        named.clear();  // nothing of ours to remove
        return false;
    }
    bool ok = copy_from_start(fd, copy) && ::fchmod(copy, mode) == 0 && ::fsync(copy) == 0;
    ok = ::close(copy) == 0 && ok;
    if (!ok) ::unlink(named.c_str());
    return ok;
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
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool is_replacement_name(std::string_view name, std::string_view target_name) {
    if (name.size() != target_name.size() + 8 || name[0] != '.' || name.substr(1, target_name.size()) != target_name ||
        name[target_name.size() + 1] != '.')
        return false;
    for (char c : name.substr(target_name.size() + 2))
        if (kNameLetters.find(c) == std::string_view::npos) return false;
    return true;
}

bool replace_file(const fs::path& path, std::string_view bytes, bool keep_backup) {
    return replace_file_with(path, [bytes](const FileSink& sink) { return sink(bytes); }, keep_backup);
}

bool replace_file_with(const fs::path& path, const std::function<bool(const FileSink&)>& write, bool keep_backup,
                       FileStamp* written) {
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
    const mode_t mode = exists ? (old_stat.st_mode & 07777) : new_file_mode();
    const std::string target_name = target.filename().string();

    std::string named;  // the new file's name, once it has one
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    const bool nameless = fd >= 0;
    if (!nameless) {
        named = (folder / ("." + target_name + ".XXXXXX")).string();
        fd = ::mkostemp(named.data(), O_CLOEXEC);
        if (fd < 0) return false;
    }

    bool ok = write([fd](std::string_view bytes) { return write_all(fd, bytes); });
    ok = ok && ::fchmod(fd, mode) == 0;
    ok = ok && ::fsync(fd) == 0;
    if (ok && nameless) ok = name_nameless_file(fd, folder, target_name, mode, named);
    ok = (::close(fd) == 0) && ok;
    if (ok && written) {
        // The rename keeps the time and size: the stamp the target will have.
        const std::optional<FileStamp> stamp = file_stamp(fs::path(named));
        ok = stamp.has_value();
        if (ok) *written = *stamp;
    }
    if (ok && exists && keep_backup) ok = make_backup(target, fs::path(target.string() + ".bak"));
    ok = ok && ::rename(named.c_str(), target.c_str()) == 0;
    if (!ok) {
        if (!named.empty()) ::unlink(named.c_str());
        return false;
    }
    sync_folder(folder);
    return true;
}

}  // namespace tessaly
