#pragma once

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// A FIFO that nobody writes to: a program that opens it for reading in the
// ordinary way waits for ever. So that a test of such a program fails
// instead of hanging, a guard opens the FIFO for writing once the patience
// is over, which lets a reader stuck in open() or read() go on (to the end
// of the data).
class Fifo {
public:
    explicit Fifo(std::filesystem::path path, std::chrono::seconds patience = std::chrono::seconds(10))
        : path_(std::move(path)) {
        ::mkfifo(path_.c_str(), 0600);
        guard_ = std::thread([this, patience] {
            std::unique_lock lock(mutex_);
            if (done_changed_.wait_for(lock, patience, [this] { return done_; })) return;
            while (!done_) {
                const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                if (fd >= 0) ::close(fd);
                done_changed_.wait_for(lock, std::chrono::milliseconds(10), [this] { return done_; });
            }
        });
    }
    ~Fifo() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        done_changed_.notify_all();
        guard_.join();
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    std::mutex mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;
    std::thread guard_;
};
