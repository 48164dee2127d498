#include "text/user_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace tessaly {

namespace {

FileStamp stamp_of(const struct stat& st) {
    return {static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec,
            static_cast<std::int64_t>(st.st_size)};
}

}  // namespace

Status open_user_file(const std::filesystem::path& path, int& fd) {
    fd = -1;
    int opened;
    do {
        opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0) return Status::failure(MessageId::OpenFailed, path.string());
    struct stat st {};
    if (::fstat(opened, &st) != 0) {
        ::close(opened);
        return Status::failure(MessageId::OpenFailed, path.string());
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(opened);
        return Status::failure(S_ISDIR(st.st_mode) ? MessageId::IsAFolder : MessageId::NotARegularFile, path.string());
    }
    const int flags = ::fcntl(opened, F_GETFL);
    if (flags < 0 || ::fcntl(opened, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(opened);
        return Status::failure(MessageId::OpenFailed, path.string());
    }
    fd = opened;
    return Status::ok();
}

Status read_settings_file(const std::filesystem::path& path, std::string& text) {
    text.clear();
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return Status::ok();
    int fd = -1;
    if (Status opened = open_user_file(path, fd); !opened)
        return opened.message_id == MessageId::OpenFailed ? opened
                                                          : Status::failure(MessageId::SettingsIgnored, path.string());
    Status result = Status::ok();
    if (::fstat(fd, &st) != 0 || st.st_size > kSettingsFileLimit) {
        result = Status::failure(MessageId::SettingsIgnored, path.string());
    } else {
        // Read to the limit and no further, should the file grow meanwhile.
        char buffer[8192];
        while (true) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                result = Status::failure(MessageId::OpenFailed, path.string());
                break;
            }
            if (got == 0) break;
            text.append(buffer, static_cast<std::size_t>(got));
            if (static_cast<std::int64_t>(text.size()) > kSettingsFileLimit) {
                result = Status::failure(MessageId::SettingsIgnored, path.string());
                break;
            }
        }
    }
    ::close(fd);
    if (!result) text.clear();
    return result;
}

std::optional<FileStamp> file_stamp(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return stamp_of(st);
}

std::optional<FileStamp> file_stamp(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return std::nullopt;
    return stamp_of(st);
}

}  // namespace tessaly
