#include "text/read_only_file.h"

#include <sys/stat.h>
#include <cerrno>

namespace tessaly {

bool is_read_only(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & S_IWUSR) == 0;
}

Status permission_change_failure(int error) {
    if (error == EACCES || error == EPERM) return Status::failure(MessageId::AccessDenied);
    return Status::ok();
}

Status make_writable(const std::filesystem::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return permission_change_failure(errno);
    if (::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR) != 0) return permission_change_failure(errno);
    return Status::ok();
}

}  // namespace tessaly
