#pragma once

// An exclusive lock on a file that is replaced by renaming a new file over
// it (a chart): every program that writes the file takes the lock first and
// keeps it until its new file has been renamed into place, so that two
// writers never both read the old content and the later one's rename never
// loses the earlier one's change. The lock is an flock on the file itself;
// a waiter that wakes to find the file replaced locks the new one.

#include <filesystem>
#include <functional>

#include "text/status.h"

namespace tessaly {

class FileLock {
public:
    FileLock() = default;
    ~FileLock() { unlock(); }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Locks the existing regular file at path. While another program holds
    // the lock, keep_waiting is asked every 20 ms whether to go on waiting.
    // Refusals: ChartLocked with the path when keep_waiting gave up, else those of
    // open_user_file (OpenFailed, IsAFolder, NotARegularFile with the path). A file system
    // without locks counts as locked, so that saving still works there.
    Status lock(const std::filesystem::path& path, const std::function<bool()>& keep_waiting);
    void unlock();
    bool locked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace tessaly
