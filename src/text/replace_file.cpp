#include "text/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <random>
#include <string>

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

// Refusals (see replace_file.h).
constexpr MessageId kOthersFile = MessageId::OthersFile;
constexpr MessageId kOthersFolder = MessageId::OthersFolder;
constexpr MessageId kNameTaken = MessageId::NameTaken;

constexpr std::string_view kNameLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int kHiddenSuffix = 6;

std::string replacement_name(const fs::path& folder, const std::string& target_name) {
    return (folder / hidden_name_for(target_name)).string();
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

// Gives the new file the group and mode of the file it replaces (old), or
// the mode of a new file when there is none. Only a member of a group may
// give a file to it; where we are not, the group the file has (ours) gets no
// more than others had, never what only the old group was given.
bool take_group_and_mode(int fd, const struct stat* old) {
    if (!old) return ::fchmod(fd, new_file_mode()) == 0;
    mode_t mode = old->st_mode & 07777;
    struct stat now {};
    if (::fstat(fd, &now) != 0) return false;
    // The group first: a change of group clears the set-group-ID bit.
    if (now.st_gid != old->st_gid && ::fchown(fd, static_cast<uid_t>(-1), old->st_gid) != 0)
        mode = (mode & ~static_cast<mode_t>(S_IRWXG | S_ISGID)) | (mode & (mode << 3) & S_IRWXG);
    return ::fchmod(fd, mode) == 0;
}

// Gives the finished nameless file a name beside the target, for the rename.
// Where that cannot be done (no /proc), its bytes go to a named copy.
bool name_nameless_file(int fd, const fs::path& folder, const std::string& target_name, const struct stat* old,
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
    bool ok = copy_from_start(fd, copy) && take_group_and_mode(copy, old) && ::fsync(copy) == 0;
    ok = ::close(copy) == 0 && ok;
    if (!ok) ::unlink(named.c_str());
    return ok;
}

// Keeps the current content of target (old) as backup: a second name for
// the same file where the file system allows it, else a copy. It is made
// under a fresh random name that no one else can have taken (link() and
// O_EXCL never follow a link planted there) and renamed, so a failure leaves
// the old backup as it was. A backup name taken by what is no regular file
// (a link, a folder) or by a file we may not replace is refused, named.
Status make_backup(const fs::path& target, const fs::path& backup, const struct stat& old, MessageId failure_id) {
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    const std::string target_name = target.filename().string();
    struct stat there {};
    if (::lstat(backup.c_str(), &there) == 0 && !S_ISREG(there.st_mode))
        return Status::failure(kNameTaken, backup.string());

    std::string fresh;
    bool made = false;
    for (int attempt = 0; attempt < 100 && !made; ++attempt) {
        fresh = replacement_name(folder, target_name);
        made = ::link(target.c_str(), fresh.c_str()) == 0;
        if (!made && errno != EEXIST) break;
    }
    if (!made) {
        fresh = (folder / ("." + target_name + ".XXXXXX")).string();
        const int copy = ::mkostemp(fresh.data(), O_CLOEXEC);
        if (copy < 0) return Status::failure(failure_id, target.string());
        const int from = ::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        made = from >= 0 && copy_from_start(from, copy) && take_group_and_mode(copy, &old) && ::fsync(copy) == 0;
        if (from >= 0) ::close(from);
        made = ::close(copy) == 0 && made;
    }
    if (made && ::rename(fresh.c_str(), backup.c_str()) == 0) return Status::ok();
    const int why = errno;
    ::unlink(fresh.c_str());
    if (made && (why == EPERM || why == EACCES || why == EISDIR || why == ENOTEMPTY || why == EEXIST))
        return Status::failure(kNameTaken, backup.string());
    return Status::failure(failure_id, target.string());
}

// Whether the folder is one with the sticky bit where only the owner of a
// file may replace it, and the file (old) is not ours.
bool sticky_and_not_ours(const fs::path& folder, const struct stat& old) {
    const uid_t me = ::geteuid();
    struct stat st {};
    return me != 0 && old.st_uid != me && ::stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISVTX) && st.st_uid != me;
}

// The refusal when no file can be made in the folder: OthersFolder when it is
// another user's who has not let us write in it.
Status folder_refusal(const fs::path& folder, const fs::path& path, int why, MessageId failure_id) {
    struct stat st {};
    if ((why == EACCES || why == EPERM) && ::stat(folder.c_str(), &st) == 0 && st.st_uid != ::geteuid())
        return Status::failure(kOthersFolder, folder.string());
    return Status::failure(failure_id, path.string());
}

void sync_folder(const fs::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string hidden_name_for(std::string_view target_name) {
    static thread_local std::mt19937 random{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kNameLetters.size() - 1);
    std::string name;
    name.reserve(target_name.size() + 2 + kHiddenSuffix);
    name.append(1, '.').append(target_name).append(1, '.');
    for (int i = 0; i < kHiddenSuffix; ++i) name += kNameLetters[pick(random)];
    return name;
}

std::string_view hidden_name_target(std::string_view name) {
    if (name.size() < 3 + kHiddenSuffix || name[0] != '.' || name[name.size() - kHiddenSuffix - 1] != '.') return {};
    for (char c : name.substr(name.size() - kHiddenSuffix))
        if (kNameLetters.find(c) == std::string_view::npos) return {};
    return name.substr(1, name.size() - kHiddenSuffix - 2);
}

bool is_replacement_name(std::string_view name, std::string_view target_name) {
    return !target_name.empty() && hidden_name_target(name) == target_name;
}

bool replace_file(const fs::path& path, std::string_view bytes, bool keep_backup) {
    return replace_file_with(
        path, [bytes](const FileSink& sink) { return sink(bytes); }, keep_backup);
}

bool replace_file_with(const fs::path& path, const std::function<bool(const FileSink&)>& write, bool keep_backup,
                       FileStamp* written) {
    return static_cast<bool>(replace_file_checked(path, write, {.keep_backup = keep_backup, .written = written}));
}

Status replace_file_checked(const fs::path& path, const std::function<bool(const FileSink&)>& write,
                            const ReplaceOptions& options) {
    const Status failed = Status::failure(options.failure_id, path.string());
    std::error_code ec;
    fs::path target = path;
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (!options.follow_link) return Status::failure(kNameTaken, path.string());
        target = fs::weakly_canonical(path, ec);
        if (ec) return failed;
    }
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";

    struct stat old_stat {};
    const bool exists = ::stat(target.c_str(), &old_stat) == 0;
    if (exists && !S_ISREG(old_stat.st_mode))
        return options.follow_link ? failed : Status::failure(kNameTaken, path.string());
    const bool theirs = exists && old_stat.st_uid != ::geteuid();
    // A file the user has made read-only is not replaced behind their back;
    // nor is one another user has not let us write.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return theirs ? Status::failure(kOthersFile, path.string()) : failed;
    if (exists && sticky_and_not_ours(folder, old_stat)) return Status::failure(kOthersFile, path.string());
    const std::string target_name = target.filename().string();

    std::string named;  // the new file's name, once it has one
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    const bool nameless = fd >= 0;
    if (!nameless) {
        named = (folder / ("." + target_name + ".XXXXXX")).string();
        fd = ::mkostemp(named.data(), O_CLOEXEC);
        if (fd < 0) return folder_refusal(folder, path, errno, options.failure_id);
    }

    const struct stat* old = exists ? &old_stat : nullptr;
    bool ok = write([fd](std::string_view bytes) { return write_all(fd, bytes); });
    ok = ok && take_group_and_mode(fd, old);
    ok = ok && ::fsync(fd) == 0;
    if (ok && nameless) ok = name_nameless_file(fd, folder, target_name, old, named);
    ok = (::close(fd) == 0) && ok;
    if (ok && options.written) {
        // The rename keeps the time and size: the stamp the target will have.
        const std::optional<FileStamp> stamp = file_stamp(fs::path(named));
        ok = stamp.has_value();
        if (ok) *options.written = *stamp;
    }
    Status outcome = ok ? Status::ok() : failed;
    if (ok && exists && options.keep_backup)
        outcome = make_backup(target, fs::path(target.string() + ".bak"), old_stat, options.failure_id);
    if (outcome && ::rename(named.c_str(), target.c_str()) != 0)
        outcome = (errno == EPERM || errno == EACCES) && theirs ? Status::failure(kOthersFile, path.string()) : failed;
    if (!outcome) {
        if (!named.empty()) ::unlink(named.c_str());
        return outcome;
    }
    sync_folder(folder);
    return Status::ok();
}

}  // namespace tessaly
