#include "preview/preview_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

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

// The kernel copies without passing the bytes through the program where it
// can; otherwise the copy goes block by block.
bool copy_all(int in, int out) {
    bool first = true;
    for (;;) {
        const ssize_t moved = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (moved == 0) return true;
        if (moved > 0) {
            first = false;
            continue;
        }
        if (errno == EINTR) continue;
        if (!first) return false;
        break;  // not supported here: copy by hand from the start
    }
    std::vector<char> buffer(kBlockSize);
    for (;;) {
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) return true;
        if (!write_all(out, buffer.data(), static_cast<std::size_t>(got))) return false;
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

PreviewFile::~PreviewFile() { close(); }

void PreviewFile::close() {
    if (copy_fd_ >= 0) ::close(copy_fd_);
    if (index_fd_ >= 0) ::close(index_fd_);
    copy_fd_ = index_fd_ = -1;
    copy_path_.clear();
    index_path_.clear();
    statistics_ = {};
}

Status PreviewFile::open(const std::filesystem::path& source, const ScanProgress& progress) {
    close();
    Status opened = [&]() -> Status {
        if (Status copied = make_copy(source); !copied) return copied;
        if (Status text = check_text_head(copy_fd_); !text) return text;
        index_fd_ = open_nameless_temp_file();
        if (index_fd_ < 0) return Status::failure(MessageId::TempFileFailed);
        index_path_ = descriptor_path(index_fd_);
        return scan(progress);
    }();
    if (!opened) close();
    return opened;
}

Status PreviewFile::make_copy(const std::filesystem::path& source) {
    int in = -1;
    if (Status readable = open_user_file(source, in); !readable) {
        // A folder, a FIFO or a device is named as such; any other failure
        // to read the source is a failed copy.
        return readable.message_id == MessageId::OpenFailed ? Status::failure(MessageId::TempFileFailed) : readable;
    }
    copy_fd_ = open_nameless_temp_file();
    if (copy_fd_ < 0) {
        ::close(in);
        return Status::failure(MessageId::TempFileFailed);
    }
    copy_path_ = descriptor_path(copy_fd_);
    const bool copied = copy_all(in, copy_fd_);
    ::close(in);
    return copied ? Status::ok() : Status::failure(MessageId::TempFileFailed);
}

// One pass over the copy, block by block: records end at a line feed (a CR
// right before it goes with it), a byte 0x1A ends the data, and the last
// record needs no line feed.
Status PreviewFile::scan(const ScanProgress& progress) {
    struct stat st {};
    if (::fstat(copy_fd_, &st) != 0) return Status::failure(MessageId::TempFileFailed);
    if (progress.set_range) progress.set_range(static_cast<std::int64_t>(st.st_size) / 100);

    PreviewStatistics& s = statistics_;
    std::string entries;
    entries.reserve(kBlockSize + kPositionEntrySize);

    QuotedFieldCount quoted;
    auto finish_record = [&](std::int64_t text_length, std::int64_t commas, std::int64_t end, bool line_end) {
        const auto quoted_fields = static_cast<std::int32_t>(quoted.finish());
        const std::int64_t length = text_length + (line_end ? 2 : 1);
        if (length > kPreviewRecordLimit) return Status::failure(MessageId::RecordTooLong);
        if (commas + 1 > kPreviewFieldLimit) return Status::failure(MessageId::TooManyFields);
        const auto record_length = static_cast<std::int32_t>(length);
        const auto field_count = static_cast<std::int32_t>(commas + 1);
        if (s.total_records == 0) {
            s.max_record_length = s.min_record_length = record_length;
            s.max_field_count = s.min_field_count = field_count;
            s.max_quoted_field_count = quoted_fields;
        } else {
            s.max_record_length = std::max(s.max_record_length, record_length);
            s.min_record_length = std::min(s.min_record_length, record_length);
            s.max_field_count = std::max(s.max_field_count, field_count);
            s.min_field_count = std::min(s.min_field_count, field_count);
            s.max_quoted_field_count = std::max(s.max_quoted_field_count, quoted_fields);
        }
        if (end > kLargestPosition) return Status::failure(MessageId::TempFileFailed);
        append_entry(entries, end);
        if (entries.size() >= kBlockSize) {
            if (!write_all(index_fd_, entries.data(), entries.size()))
                return Status::failure(MessageId::TempFileFailed);
            entries.clear();
        }
        ++s.total_records;
        if (progress.set_position && (s.total_records < 1000 || end % 100 == 0)) progress.set_position(end / 100);
        return Status::ok();
    };

    std::vector<char> block(kBlockSize);
    std::int64_t position = 0;  // of the block's first byte
    std::int64_t length = 0;    // bytes of the current record so far
    std::int64_t commas = 0;
    bool ends_in_cr = false;
    bool end_of_data = false;
    while (!end_of_data) {
        ssize_t got = pread_some(copy_fd_, block.data(), block.size(), position);
        if (got < 0) return Status::failure(MessageId::TempFileFailed);
        if (got == 0) break;
        if (const void* stop = std::memchr(block.data(), kEndOfData, static_cast<std::size_t>(got))) {
            got = static_cast<const char*>(stop) - block.data();
            end_of_data = true;
        }
        const char* p = block.data();
        const char* const e = p + got;
        while (p < e) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(e - p)));
            const char* piece_end = lf ? lf : e;
            if (piece_end > p) {
                commas += count_commas(p, piece_end);
                quoted.add(p, piece_end);
                length += piece_end - p;
                ends_in_cr = piece_end[-1] == '\r';
            }
            // Whatever follows, this record is already too long.
            if (length > kPreviewRecordLimit) return Status::failure(MessageId::RecordTooLong);
            if (!lf) break;
            const std::int64_t end = position + (lf - block.data()) + 1;
            if (Status done = finish_record(length - (ends_in_cr ? 1 : 0), commas, end, true); !done) return done;
            length = commas = 0;
            ends_in_cr = false;
            p = lf + 1;
        }
        position += got;
    }
    if (length > 0) {
        if (Status done = finish_record(length, commas, position, false); !done) return done;
    }
    if (!entries.empty() && !write_all(index_fd_, entries.data(), entries.size()))
        return Status::failure(MessageId::TempFileFailed);
    if (progress.set_position) progress.set_position(0);
    return Status::ok();
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
