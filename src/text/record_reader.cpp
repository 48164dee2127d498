#include "text/record_reader.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "text/text_encoding.h"
#include "text/user_file.h"

namespace tessaly {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
constexpr char kEndOfData = 0x1A;

ssize_t read_some(int fd, char* dst, std::size_t n) {
    for (;;) {
        ssize_t got = ::read(fd, dst, n);
        if (got >= 0 || errno != EINTR) return got;
    }
}

}  // namespace

RecordReader::~RecordReader() { close(); }

Status RecordReader::open(const std::filesystem::path& path) {
    close();
    if (Status opened = open_user_file(path, fd_); !opened) return opened;
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    buffer_.resize(kBlockSize);
    begin_ = end_ = 0;
    base_ = 0;
    limit_ = -1;
    at_end_ = failed_ = false;
    return Status::ok();
}

Status RecordReader::open_part(const std::filesystem::path& path, long long begin, long long end) {
    if (Status opened = open(path); !opened) return opened;
    if (::lseek(fd_, static_cast<off_t>(begin), SEEK_SET) < 0) {
        close();
        return Status::failure(MessageId::OpenFailed, path.string());
    }
    base_ = begin;
    limit_ = end;
    return Status::ok();
}

void RecordReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

// Moves the unread bytes to the front, makes room and reads one more block.
// Returns false when nothing more can come.
bool RecordReader::fill() {
    if (at_end_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        base_ += static_cast<long long>(begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (buffer_.size() - end_ < kBlockSize / 2) buffer_.resize(buffer_.size() * 2);
    std::size_t room = buffer_.size() - end_;
    if (limit_ >= 0) {
        const long long left = limit_ - base_ - static_cast<long long>(end_);
        if (left <= 0) {
            at_end_ = true;
            return false;
        }
        room = static_cast<std::size_t>(std::min<long long>(left, static_cast<long long>(room)));
    }
    ssize_t got = read_some(fd_, buffer_.data() + end_, room);
    if (got < 0) {
        failed_ = true;
        at_end_ = true;
        return false;
    }
    if (got == 0) {
        at_end_ = true;
        return false;
    }
    const char* fresh = buffer_.data() + end_;
    if (const void* stop = std::memchr(fresh, kEndOfData, static_cast<std::size_t>(got))) {
        got = static_cast<const char*>(stop) - fresh;
        at_end_ = true;
    }
    if (scan_) scan_->feed(std::string_view(fresh, static_cast<std::size_t>(got)));
    end_ += static_cast<std::size_t>(got);
    return true;
}

bool RecordReader::next(std::string_view& record) {
    std::size_t searched = begin_;
    for (;;) {
        const char* base = buffer_.data();
        if (const void* lf = std::memchr(base + searched, '\n', end_ - searched)) {
            const std::size_t at = static_cast<const char*>(lf) - base;
            std::size_t length = at - begin_;
            if (length > 0 && base[at - 1] == '\r') --length;
            record = std::string_view(base + begin_, length);
            begin_ = at + 1;
            return true;
        }
        const std::size_t searched_so_far = end_ - begin_;
        if (!fill()) break;
        searched = begin_ + searched_so_far;
    }
    if (failed_ || begin_ == end_) return false;
    // The last record needs no line feed.
    record = std::string_view(buffer_.data() + begin_, end_ - begin_);
    begin_ = end_;
    return true;
}

// Counts the non-empty records whose line feed is in the buffer (and, at the
// end, the last record without one) and consumes them.
long long RecordReader::count_block(bool at_end) {
    const char* base = buffer_.data();
    long long n = 0;
    std::size_t start = begin_;
    while (const void* lf = std::memchr(base + start, '\n', end_ - start)) {
        const std::size_t at = static_cast<const char*>(lf) - base;
        const std::size_t length = at - start;
        if (length > 1 || (length == 1 && base[start] != '\r')) ++n;
        start = at + 1;
    }
    if (at_end && start < end_) {
        ++n;
        start = end_;
    }
    begin_ = start;
    return n;
}

void RecordReader::skip_lines(int n) {
    std::string_view ignored;
    for (int i = 0; i < n && next(ignored); ++i) {}
}

std::size_t split_fields(std::string_view record, char separator, std::span<std::string_view> fields) {
    std::size_t start = 0;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        const std::size_t end = f + 1 == fields.size() ? std::string_view::npos : record.find(separator, start);
        if (end == std::string_view::npos) {
            fields[f] = record.substr(start);
            break;
        }
        fields[f] = record.substr(start, end - start);
        start = end + 1;
    }
    return static_cast<std::size_t>(std::count(record.begin(), record.end(), separator)) + 1;
}

std::size_t count_fields(std::string_view record) {
    return static_cast<std::size_t>(std::count(record.begin(), record.end(), ',')) + 1;
}

Status check_text_file(const std::filesystem::path& path) {
    int fd = -1;
    if (Status opened = open_user_file(path, fd); !opened) return opened;
    Status checked = check_text_head(fd);
    ::close(fd);
    return checked;
}

Status check_text_head(int fd) {
    unsigned char head[5000];
    std::size_t got = 0;
    while (got < sizeof head) {
        ssize_t n = ::pread(fd, reinterpret_cast<char*>(head) + got, sizeof head - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got == 0) return Status::failure(MessageId::NoLineBreak);
    bool line_break = false;
    for (std::size_t i = 0; i < got; ++i) {
        const unsigned char b = head[i];
        if (b == 0x0A || b == 0x0D) {
            line_break = true;
        } else if (b < 0x20 && b != 0x09) {
            return Status::failure(MessageId::NotAText);
        }
    }
    return line_break ? Status::ok() : Status::failure(MessageId::NoLineBreak);
}

}  // namespace tessaly
