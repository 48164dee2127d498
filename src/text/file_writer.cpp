#include "text/file_writer.h"

#include <unistd.h>
#include <cerrno>

#include "text/temp_file.h"

namespace tessaly {

FileWriter::~FileWriter() {
    stop_writer();
    if (fd_ >= 0) ::close(fd_);
}

void FileWriter::write_behind() {
    if (writer_.joinable() || fd_ < 0) return;
    stopping_ = false;
    writer_ = std::thread([this] {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return busy_ || stopping_; });
            if (!busy_) return;
            lock.unlock();
            write_out(handed_);
            handed_.clear();
            lock.lock();
            busy_ = false;
            changed_.notify_all();
        }
    });
}

// Gives the full buffer to the writer thread and takes its empty one back.
void FileWriter::hand_over() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    handed_.swap(buffer_);
    buffer_.reserve(kBufferSize);
    busy_ = true;
    changed_.notify_all();
}

void FileWriter::wait_idle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
}

void FileWriter::stop_writer() {
    if (!writer_.joinable()) return;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        stopping_ = true;
        changed_.notify_all();
    }
    writer_.join();
}

bool FileWriter::open_nameless() {
    adopt(open_nameless_temp_file());
    return fd_ >= 0;
}

void FileWriter::adopt(int fd) {
    if (fd_ >= 0) close();
    fd_ = fd;
    failed_ = false;
    written_ = 0;
    buffer_.reserve(kBufferSize);
}

bool FileWriter::write_out(std::string_view bytes) {
    // Only one thread writes at a time: the writer thread, or the caller
    // once the writer thread is idle or gone.
    while (!bytes.empty() && !failed_) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            failed_ = true;
        } else {
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }
    return !failed_;
}

bool FileWriter::write_at(long long offset, std::string_view bytes) {
    while (!bytes.empty() && !failed_) {
        const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            failed_ = true;
        } else {
            bytes.remove_prefix(static_cast<std::size_t>(n));
            offset += n;
        }
    }
    return !failed_;
}

void FileWriter::spill(std::string_view bytes) {
    if (writer_.joinable()) {
        hand_over();
        if (bytes.size() >= kBufferSize) wait_idle();  // keep the order of the bytes
    } else {
        write_out(buffer_);
        buffer_.clear();
    }
    if (bytes.size() >= kBufferSize)
        write_out(bytes);
    else
        buffer_.append(bytes);
}

bool FileWriter::flush() {
    if (fd_ < 0) return false;
    stop_writer();
    write_out(buffer_);
    buffer_.clear();
    return !failed_;
}

bool FileWriter::read_at(long long offset, std::size_t n, std::string& out) const {
    out.resize(n);
    return read_at(offset, n, out.data());
}

bool FileWriter::read_at(long long offset, std::size_t n, char* out) const {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::pread(fd_, out + got, n - got, static_cast<off_t>(offset + static_cast<long long>(got)));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

bool FileWriter::close() {
    if (fd_ < 0) return !failed_;
    flush();
    if (::close(fd_) != 0) failed_ = true;
    fd_ = -1;
    return !failed_;
}

}  // namespace tessaly
