#include "preview/preview_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include "text/record_reader.h"
#include "text/temp_file.h"
#include "text/user_file.h"

namespace tessaly {

namespace {

constexpr std::size_t kBlockSize = 1 << 20;
constexpr char kEndOfData = 0x1A;
// The largest position an 11-character entry can hold.
constexpr std::int64_t kLargestPosition = 99'999'999'999;

ssize_t pread_some(int fd, char* dst, std::size_t n, std::int64_t at) {
    for (;;) {
        const ssize_t got = ::pread(fd, dst, n, at);
        if (got >= 0 || errno != EINTR) return got;
    }
}

bool pread_all(int fd, char* dst, std::size_t n, std::int64_t at) {
    while (n > 0) {
        const ssize_t got = pread_some(fd, dst, n, at);
        if (got <= 0) return false;
        dst += got;
        n -= static_cast<std::size_t>(got);
        at += got;
    }
    return true;
}

bool write_all(int fd, const char* src, std::size_t n) {
    while (n > 0) {
        const ssize_t put = ::write(fd, src, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        src += put;
        n -= static_cast<std::size_t>(put);
    }
    return true;
}

ssize_t read_some(int fd, char* dst, std::size_t n) {
    for (;;) {
        const ssize_t got = ::read(fd, dst, n);
        if (got >= 0 || errno != EINTR) return got;
    }
}

// Right-aligned in blanks, as "%11ld" writes it; positions are never negative.
void append_entry(std::string& out, std::int64_t position) {
    char digits[24];
    const std::size_t length =
        static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, position).ptr - digits);
    const std::size_t blanks = length < kPositionEntrySize ? kPositionEntrySize - length : 0;
    out.append(blanks, ' ');
    out.append(digits + (length - (kPositionEntrySize - blanks)), kPositionEntrySize - blanks);
}

// Commas in [p, end). A piece is at most one block, so 32-bit lanes hold the
// count, and the loop vectorises on narrower lanes than std::count's.
std::int64_t count_commas(const char* p, const char* end) {
    std::uint32_t commas = 0;
    for (; p < end; ++p) commas += *p == ',';
    return commas;
}

// Counts the fields of a record under the quote option as its pieces come,
// a record being split over blocks at any byte. Pieces without a double
// quote outside a quoted section are only counted for commas.
class QuotedFieldCount {
public:
    void add(const char* p, const char* end) {
        if (p == end) return;
        if (state_ == State::Outside && !std::memchr(p, '"', static_cast<std::size_t>(end - p))) {
            fields_ += count_commas(p, end);
            field_start_ = end[-1] == ',';
            return;
        }
        for (; p < end; ++p) step(*p);
    }
    std::int64_t finish() {
        const std::int64_t fields = fields_;
        *this = {};
        return fields;
    }

private:
    enum class State { Outside, Inside, InsideAfterQuote };
    void step(char c) {
        switch (state_) {
            case State::Inside:
                if (c == '"') state_ = State::InsideAfterQuote;
                return;
            case State::InsideAfterQuote:
                if (c == '"') {
                    state_ = State::Inside;  // a doubled quote
                    return;
                }
                state_ = State::Outside;  // closed: c is outside
                break;
            case State::Outside:
                break;
        }
        if (c == ',') {
            ++fields_;
            field_start_ = true;
            return;
        }
        if (c == '"' && field_start_) state_ = State::Inside;
        field_start_ = false;
    }

    State state_ = State::Outside;
    bool field_start_ = true;
    std::int64_t fields_ = 1;
};

// A name through which an open descriptor's file can be opened again.
std::filesystem::path descriptor_path(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

}  // namespace

std::string position_entry(std::int64_t position) {
    std::string entry;
    append_entry(entry, position);
    return entry;
}

std::optional<std::int64_t> parse_position_entry(std::string_view entry) {
    std::size_t i = 0;
    while (i < entry.size() && entry[i] == ' ') ++i;
    if (i == entry.size()) return std::nullopt;
    std::int64_t value = 0;
    for (; i < entry.size(); ++i) {
        if (entry[i] < '0' || entry[i] > '9') return std::nullopt;
        value = value * 10 + (entry[i] - '0');
    }
    return value;
}

namespace {

// Checks the records of the data as its blocks come, a record being split
// over blocks at any byte: records end at a line feed (a CR right before it
// goes with it), and the last record needs no line feed. Writes an index
// entry for each record.
class RecordScan {
public:
    RecordScan(PreviewStatistics& statistics, int index_fd, const ScanProgress& progress)
        : s_(statistics), index_fd_(index_fd), progress_(progress) {
        entries_.reserve(kBlockSize + kPositionEntrySize);
    }

    // Bytes [data, data + n) of the data, the first at `position`.
    Status feed(const char* data, std::size_t n, std::int64_t position) {
        const char* p = data;
        const char* const e = data + n;
        while (p < e) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(e - p)));
            const char* piece_end = lf ? lf : e;
            if (piece_end > p) {
                commas_ += count_commas(p, piece_end);
                quoted_.add(p, piece_end);
                length_ += piece_end - p;
                ends_in_cr_ = piece_end[-1] == '\r';
            }
            // Whatever follows, this record is already too long.
            if (length_ > kPreviewRecordLimit) return Status::failure(MessageId::RecordTooLong);
            if (!lf) break;
            const std::int64_t end = position + (lf - data) + 1;
            if (Status done = finish_record(length_ - (ends_in_cr_ ? 1 : 0), end, true); !done) return done;
            length_ = commas_ = 0;
            ends_in_cr_ = false;
            p = lf + 1;
        }
        return Status::ok();
    }

    // The data ends at `end`: a record without a line end is the last one.
    Status finish(std::int64_t end) {
        if (length_ > 0) return finish_record(length_, end, false);
        return Status::ok();
    }

    // Writes the entries so far, so that every record counted can be found.
    Status flush() {
        if (!entries_.empty() && !write_all(index_fd_, entries_.data(), entries_.size()))
            return Status::failure(MessageId::TempFileFailed);
        entries_.clear();
        return Status::ok();
    }

private:
    Status finish_record(std::int64_t text_length, std::int64_t end, bool line_end) {
        const auto quoted_fields = static_cast<std::int32_t>(quoted_.finish());
        const std::int64_t length = text_length + (line_end ? 2 : 1);
        if (length > kPreviewRecordLimit) return Status::failure(MessageId::RecordTooLong);
        if (commas_ + 1 > kPreviewFieldLimit) return Status::failure(MessageId::TooManyFields);
        const auto record_length = static_cast<std::int32_t>(length);
        const auto field_count = static_cast<std::int32_t>(commas_ + 1);
        if (s_.total_records == 0) {
            s_.max_record_length = s_.min_record_length = record_length;
            s_.max_field_count = s_.min_field_count = field_count;
            s_.max_quoted_field_count = quoted_fields;
        } else {
            s_.max_record_length = std::max(s_.max_record_length, record_length);
            s_.min_record_length = std::min(s_.min_record_length, record_length);
            s_.max_field_count = std::max(s_.max_field_count, field_count);
            s_.min_field_count = std::min(s_.min_field_count, field_count);
            s_.max_quoted_field_count = std::max(s_.max_quoted_field_count, quoted_fields);
        }
        if (end > kLargestPosition) return Status::failure(MessageId::TempFileFailed);
        append_entry(entries_, end);
        if (entries_.size() >= kBlockSize) {
            if (Status written = flush(); !written) return written;
        }
        ++s_.total_records;
        if (progress_.set_position && (s_.total_records < 1000 || end % 100 == 0)) progress_.set_position(end / 100);
        return Status::ok();
    }

    PreviewStatistics& s_;
    int index_fd_;
    const ScanProgress& progress_;
    std::string entries_;
    QuotedFieldCount quoted_;
    std::int64_t length_ = 0;  // bytes of the current record so far
    std::int64_t commas_ = 0;
    bool ends_in_cr_ = false;
};

}  // namespace

void LoadHold::release() { released_ = true; }

bool LoadHold::holds(std::int64_t bytes_done) const { return !released_ && bytes_done >= at_bytes_; }

// One pass over the source, on the caller's thread or on a worker of its
// own. The worker owns the source; the copy and the index belong to the
// PreviewFile, which joins the worker before it closes them. What the pass
// has done is published under the mutex after every block, once the block
// is in the copy and its records are in the index.
class PreviewFile::Load {
public:
    struct Snapshot {
        PreviewStatistics statistics;
        LoadProgress progress;
        bool held = false;
    };

    Load(int source_fd, int copy_fd, int index_fd, std::int64_t size, std::shared_ptr<LoadHold> hold)
        : source_fd_(source_fd), copy_fd_(copy_fd), index_fd_(index_fd), hold_(std::move(hold)) {
        published_.progress.bytes_total = size;
    }
    ~Load() {
        stop();
        if (source_fd_ >= 0) ::close(source_fd_);
    }
    Load(const Load&) = delete;
    Load& operator=(const Load&) = delete;

    void run(const ScanProgress& progress) {
        const Status outcome = pass(progress);
        ::close(source_fd_);
        source_fd_ = -1;
        if (outcome.failed()) {
            std::lock_guard lock(mutex_);
            published_.progress.failure = outcome;
        }
        changed_.notify_all();
    }
    void run_in_background() {
        worker_ = std::thread([this] { run({}); });
    }
    // Asks the worker to end at the next block, and waits until it has.
    void stop() {
        {
            std::lock_guard lock(mutex_);
            cancelled_ = true;
        }
        changed_.notify_all();
        if (worker_.joinable()) worker_.join();
    }

    Snapshot snapshot() {
        std::lock_guard lock(mutex_);
        return published_;
    }
    template <class Done>
    Snapshot wait(Done done) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done(published_); });
        return published_;
    }

private:
    Status pass(const ScanProgress& progress) {
        if (progress.set_range) progress.set_range(published_.progress.bytes_total / 100);
        PreviewStatistics statistics;
        RecordScan scan(statistics, index_fd_, progress);
        std::vector<char> block(kBlockSize);
        std::int64_t position = 0;  // of the block's first byte
        bool end_of_data = false;
        for (;;) {
            if (cancelled_) return Status::ok();
            if (hold_ && hold_->holds(position)) {
                wait_while_held(position);
                continue;
            }
            const ssize_t got = read_some(source_fd_, block.data(), block.size());
            if (got < 0) return Status::failure(MessageId::TempFileFailed);
            if (got == 0) break;
            if (!write_all(copy_fd_, block.data(), static_cast<std::size_t>(got)))
                return Status::failure(MessageId::TempFileFailed);
            // A byte 0x1A ends the data; the rest is copied, not read.
            if (!end_of_data) {
                std::size_t data = static_cast<std::size_t>(got);
                if (const void* stop = std::memchr(block.data(), kEndOfData, data)) {
                    data = static_cast<std::size_t>(static_cast<const char*>(stop) - block.data());
                    end_of_data = true;
                }
                if (Status fed = scan.feed(block.data(), data, position); !fed) return fed;
                if (end_of_data) {
                    if (Status done = scan.finish(position + static_cast<std::int64_t>(data)); !done) return done;
                }
            }
            if (Status written = scan.flush(); !written) return written;
            position += got;
            publish(statistics, position, false);
        }
        if (!end_of_data) {
            if (Status done = scan.finish(position); !done) return done;
        }
        if (Status written = scan.flush(); !written) return written;
        if (progress.set_position) progress.set_position(0);
        publish(statistics, position, true);
        return Status::ok();
    }

    void publish(const PreviewStatistics& statistics, std::int64_t bytes_done, bool finished) {
        {
            std::lock_guard lock(mutex_);
            published_.statistics = statistics;
            published_.progress.bytes_done = bytes_done;
            published_.progress.finished = finished;
        }
        changed_.notify_all();
    }

    // The hold is the test's: it is only looked at now and then.
    void wait_while_held(std::int64_t position) {
        std::unique_lock lock(mutex_);
        published_.held = true;
        changed_.notify_all();
        while (!cancelled_ && hold_->holds(position)) changed_.wait_for(lock, std::chrono::milliseconds(2));
        published_.held = false;
    }

    int source_fd_;
    const int copy_fd_;
    const int index_fd_;
    const std::shared_ptr<LoadHold> hold_;
    std::thread worker_;
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    Snapshot published_;
};

PreviewFile::PreviewFile() = default;
PreviewFile::~PreviewFile() { close(); }

void PreviewFile::close() {
    // The worker writes into both files: it ends before they are closed.
    load_.reset();
    if (copy_fd_ >= 0) ::close(copy_fd_);
    if (index_fd_ >= 0) ::close(index_fd_);
    copy_fd_ = index_fd_ = -1;
    copy_path_.clear();
    index_path_.clear();
    statistics_ = {};
    progress_ = {};
}

Status PreviewFile::prepare(const std::filesystem::path& source, const LoadOptions& options) {
    close();
    int in = -1;
    if (Status readable = open_user_file(source, in); !readable) {
        // A folder, a FIFO or a device is named as such; any other failure
        // to read the source is a failed copy.
        return readable.message_id == MessageId::OpenFailed ? Status::failure(MessageId::TempFileFailed) : readable;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0) {
        ::close(in);
        return Status::failure(MessageId::TempFileFailed);
    }
    // The copy will hold the same bytes: they are checked where they are.
    if (Status text = check_text_head(in); !text) {
        ::close(in);
        return text;
    }
    copy_fd_ = open_nameless_temp_file();
    if (copy_fd_ >= 0) index_fd_ = open_nameless_temp_file();
    if (index_fd_ < 0) {
        ::close(in);
        return Status::failure(MessageId::TempFileFailed);
    }
    copy_path_ = descriptor_path(copy_fd_);
    index_path_ = descriptor_path(index_fd_);
    const auto size = static_cast<std::int64_t>(st.st_size);
    load_ = std::make_unique<Load>(in, copy_fd_, index_fd_, size, options.hold);
    progress_ = {};
    progress_.bytes_total = size;
    return Status::ok();
}

Status PreviewFile::open(const std::filesystem::path& source, const ScanProgress& progress) {
    Status opened = prepare(source, {});
    if (opened) {
        load_->run(progress);
        opened = update().failure;
    }
    if (!opened) close();
    return opened;
}

Status PreviewFile::start(const std::filesystem::path& source, const LoadOptions& options) {
    Status started = prepare(source, options);
    if (started) {
        load_->run_in_background();
        const std::int64_t part = options.foreground_bytes;
        const bool whole = part >= progress_.bytes_total;
        load_->wait([&](const Load::Snapshot& s) {
            return s.progress.finished || s.progress.failure.failed() || s.held ||
                   (!whole && s.progress.bytes_done >= part);
        });
        started = update().failure;
    }
    if (!started) close();
    return started;
}

LoadProgress PreviewFile::update() {
    if (!load_) return progress_;
    const Load::Snapshot s = load_->snapshot();
    statistics_ = s.statistics;
    progress_ = s.progress;
    return progress_;
}

LoadProgress PreviewFile::wait_for_records(std::int64_t n) {
    if (!loading()) return progress_;
    load_->wait([n](const Load::Snapshot& s) {
        return s.statistics.total_records >= n || s.progress.finished || s.progress.failure.failed();
    });
    return update();
}

std::int64_t PreviewFile::expected_records() const {
    const std::int64_t records = statistics_.total_records;
    if (!loading() || progress_.bytes_done <= 0 || progress_.bytes_done >= progress_.bytes_total) return records;
    const double rest = static_cast<double>(progress_.bytes_total - progress_.bytes_done);
    const double per_byte = static_cast<double>(records) / static_cast<double>(progress_.bytes_done);
    return records + static_cast<std::int64_t>(std::ceil(rest * per_byte));
}

std::optional<std::int64_t> PreviewFile::record_start(std::int64_t n) const {
    if (index_fd_ < 0 || n < 0 || n > statistics_.total_records) return std::nullopt;
    if (n == 0) return 0;
    char entry[kPositionEntrySize];
    if (!pread_all(index_fd_, entry, sizeof entry, (n - 1) * kPositionEntrySize)) return std::nullopt;
    return parse_position_entry({entry, sizeof entry});
}

std::vector<std::string> PreviewFile::read_records(std::int64_t first, std::int64_t count) const {
    std::vector<std::string> records;
    if (first < 0 || first >= statistics_.total_records || count <= 0) return records;
    const std::int64_t last = std::min(first + count, statistics_.total_records);
    const std::optional<std::int64_t> begin = record_start(first);
    const std::optional<std::int64_t> end = record_start(last);
    if (!begin || !end || *end < *begin) return records;
    std::string bytes(static_cast<std::size_t>(*end - *begin), '\0');
    if (!pread_all(copy_fd_, bytes.data(), bytes.size(), *begin)) return records;

    records.reserve(static_cast<std::size_t>(last - first));
    std::size_t at = 0;
    for (std::int64_t n = first; n < last; ++n) {
        const std::size_t lf = bytes.find('\n', at);
        if (lf == std::string::npos) {
            records.push_back(bytes.substr(at));
            break;
        }
        std::size_t length = lf - at;
        if (length > 0 && bytes[lf - 1] == '\r') --length;
        records.push_back(bytes.substr(at, length));
        at = lf + 1;
    }
    return records;
}

std::optional<std::string> PreviewFile::read_record(std::int64_t n) const {
    std::vector<std::string> one = read_records(n, 1);
    if (one.empty()) return std::nullopt;
    return std::move(one.front());
}

}  // namespace tessaly
