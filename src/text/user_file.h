#pragma once

// Opening the user's files (sources, charts, the file a preview copies)
// safely: never waiting on a FIFO or a device, and taking only regular files,
// so that a named pipe cannot hang the program and /dev/zero cannot fill its
// memory.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "text/status.h"

namespace tessaly {

// Opens path for reading. The open itself never blocks (O_NONBLOCK, cleared
// again once the file is known to be regular). Refusals, each with the path:
// OpenFailed when it cannot be opened, IsAFolder for a folder, NotARegularFile for anything else
// that is not a regular file (a FIFO, a device, a socket). On success fd is
// a blocking, close-on-exec descriptor of a regular file.
Status open_user_file(const std::filesystem::path& path, int& fd);

// The settings file's whole text, read without ever waiting on it; empty
// when there is no such file. Refused unread, with the path (SettingsIgnored): a FIFO,
// a device, a folder or anything else but a regular file, and a file larger
// than kSettingsFileLimit, which no settings of ours come near. OpenFailed when it
// is there but cannot be opened.
inline constexpr std::int64_t kSettingsFileLimit = 1 << 20;
Status read_settings_file(const std::filesystem::path& path, std::string& text);

// What tells one version of a file from another, as editors compare it:
// the modification time (to the nanosecond) and the size.
struct FileStamp {
    std::int64_t modified_ns = 0;
    std::int64_t size = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file at path (symbolic links followed), or nullopt when
// there is no such file.
std::optional<FileStamp> file_stamp(const std::filesystem::path& path);
// The stamp of an open file.
std::optional<FileStamp> file_stamp(int fd);

// Which file an open descriptor reads, and which version of it: a file
// read more than once is still the one first read only when all of this
// is unchanged (a file saved as a new one under the old name has another
// inode, one written in place another stamp).
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    FileStamp stamp;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
std::optional<FileIdentity> file_identity(int fd);

}  // namespace tessaly
