#pragma once

// Reading source files record by record. A record is a line without its line
// feed; a carriage return right before the line feed goes with it, so CR LF
// and LF files read alike. A byte 0x1A ends the readable data. The file is
// read in large blocks; a record may be of any length.

#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

#include "text/status.h"

namespace tessaly {

class RecordReader {
public:
    RecordReader() = default;
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // Fails with 30003 and the path when the file cannot be opened.
    Status open(const std::filesystem::path& path);
    void close();

    // The next record, or false at the end of the data or on a read error
    // (see failed()). The view lives until the next call.
    bool next(std::string_view& record);

    // Throws away up to n lines, empty ones included.
    void skip_lines(int n);

    // Reads the rest of the data and counts its non-empty records, block by
    // block rather than record by record; every block calls back.
    template <typename EachBlock>
    long long count_rest(EachBlock each_block);

    bool failed() const { return failed_; }

private:
    bool fill();
    long long count_block(bool at_end);

    int fd_ = -1;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
    bool failed_ = false;
};

template <typename EachBlock>
long long RecordReader::count_rest(EachBlock each_block) {
    long long n = count_block(false);
    while (fill()) {
        n += count_block(false);
        each_block();
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
// control byte other than tab, CR and LF (30033) and at least one line break
// (30006; an empty file too). 30003 with the path when it cannot be opened.
Status check_text_file(const std::filesystem::path& path);

}  // namespace tessaly
