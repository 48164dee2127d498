#include "text/file_lock.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <thread>

#include "text/user_file.h"

namespace tessaly {

Status FileLock::lock(const std::filesystem::path& path, const std::function<bool()>& keep_waiting) {
    unlock();
    for (;;) {
        int fd = -1;
        if (Status opened = open_user_file(path, fd); !opened) return opened;
        for (;;) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) break;
            if (errno == EINTR) continue;
            if (errno != EWOULDBLOCK) break;  // no locks here: go on without
            if (keep_waiting && !keep_waiting()) {
                ::close(fd);
                return Status::failure(MessageId::ChartLocked, path.string());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        // The file may have been replaced while we waited: then the lock is
        // on a file nobody will read again, and the new one is locked anew.
        struct stat held {
        }, now{};
        if (::fstat(fd, &held) == 0 && ::stat(path.c_str(), &now) == 0 && held.st_dev == now.st_dev &&
            held.st_ino == now.st_ino) {
            fd_ = fd;
            return Status::ok();
        }
        ::close(fd);
    }
}

void FileLock::unlock() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace tessaly
