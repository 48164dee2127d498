#pragma once

// Reading source files record by record. A record is a line without its line
// feed; a carriage return right before the line feed goes with it, so CR LF
// and LF files read alike. A byte 0x1A ends the readable data. The file is
// read in large blocks; a record may be of any length.

#include <filesystem>
#include <span>
#include <string_view>
#include <type_traits>
#include <vector>

#include "text/status.h"

namespace tessaly {

class EncodingScan;

class RecordReader {
public:
    RecordReader() = default;
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // Opens a regular file without ever waiting on it; the refusals of
    // open_user_file (OpenFailed, IsAFolder, NotARegularFile, each with the path).
    Status open(const std::filesystem::path& path);
    // The same, reading only the bytes from begin to end as if they were
    // the whole file: a part of it cut right after a line feed (see
    // position()) reads as the same records as in a reading of the whole.
    Status open_part(const std::filesystem::path& path, long long begin, long long end);
    void close();

    // The next record, or false at the end of the data or on a read error
    // (see failed()). The view lives until the next call.
    bool next(std::string_view& record);

    // Throws away up to n lines, empty ones included.
    void skip_lines(int n);

    // Reads the rest of the data and counts its non-empty records, block by
    // block rather than record by record; every block calls back with the
    // count so far (of the records before position()), and a call back
    // that answers false stops the count early (the result is then short).
    template <typename EachBlock>
    long long count_rest(EachBlock each_block);

    bool failed() const { return failed_; }
    // Where the next record starts in the file: right after a line feed,
    // or at the end of the data.
    long long position() const { return base_ + static_cast<long long>(begin_); }

    // Where a record next() gave, still valid, starts in the file.
    long long offset_of(std::string_view record) const {
        return base_ + static_cast<long long>(record.data() - buffer_.data());
    }
    // The open file, for a look at it (file_identity) without reading.
    int descriptor() const { return fd_; }

    // Hands every block read from here on (up to the end of the data) to
    // scan as well, so that a count of the records judges the encoding of
    // the whole file in the same reading. The scan must outlive the reading.
    void watch_encoding(EncodingScan* scan) { scan_ = scan; }

private:
    bool fill();
    long long count_block(bool at_end);

    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    long long base_ = 0;    // where buffer_[0] stands in the file
    long long limit_ = -1;  // where the part read ends, or -1: the whole file
    bool at_end_ = false;
    bool failed_ = false;
    EncodingScan* scan_ = nullptr;
};

template <typename EachBlock>
long long RecordReader::count_rest(EachBlock each_block) {
    long long n = count_block(false);
    while (fill()) {
        n += count_block(false);
        if constexpr (std::is_void_v<std::invoke_result_t<EachBlock&, long long>>) {
            each_block(n);
        } else if (!each_block(n)) {
            return n;
        }
    }
    return n + count_block(true);
}

// Fills fields with the fields of record divided at separator, with no
// quoting; returns the number of fields (separators + 1). When fields has
// fewer slots, the last slot takes the whole rest of the record. Separators
// below 0x40 (comma, tab) are never the second byte of a cp932 character, so
// a plain byte search finds the same places as a character walk; the cross
// engine divides records the same way.
std::size_t split_fields(std::string_view record, char separator, std::span<std::string_view> fields);

// Number of fields a record divides into at commas.
std::size_t count_fields(std::string_view record);

// Whether a file may be taken as a source: its first 5,000 bytes hold no
// control byte other than tab, CR and LF (NotAText) and at least one line break
// (NoLineBreak; an empty file too). The refusals of open_user_file (OpenFailed, IsAFolder,
// NotARegularFile, each with the path) when it cannot be opened or is no regular file.
Status check_text_file(const std::filesystem::path& path);
// The same check on the first 5,000 bytes of an open file, wherever its
// position stands (which it leaves as it is).
Status check_text_head(int fd);

}  // namespace tessaly
