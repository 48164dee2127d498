#pragma once

// The file the file area shows. The source is copied once into the
// temporary folder and never touched again; one scan over the copy checks
// every record and writes a position index, so that any record is found at
// once and the file is never held in memory. The copy and the index have no
// name there (see temp_file.h): they vanish when closed, and with the
// process however it ends.
//
// Position index: fixed 11-byte entries, no separators. Entry k holds, as a
// decimal number right-aligned in blanks ("%11ld"), the byte position in the
// copy just past the line end of record k, which is where record k + 1
// begins. The cross engine keeps an index of the same format.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "text/status.h"

namespace tessaly {

// A record may take at most 5,000 bytes counted with a CR LF line end, so it
// holds at most 4,998 bytes of text (4,999 when it is the last one and has
// no line end).
inline constexpr std::int32_t kPreviewRecordLimit = 5000;
// A record may have at most 1,999 commas.
inline constexpr std::int32_t kPreviewFieldLimit = 2000;
inline constexpr int kPositionEntrySize = 11;

struct PreviewStatistics {
    std::int64_t total_records = 0;
    // Record lengths as a CR LF line end would make them: text + 2, or
    // text + 1 for a last record without a line end.
    std::int32_t max_record_length = 0;
    std::int32_t min_record_length = 0;
    std::int32_t max_field_count = 0;
    std::int32_t min_field_count = 0;
    // The most fields of a record as the quote option splits it.
    std::int32_t max_quoted_field_count = 0;
};

// Where the scan stands, for a progress bar: the range once (file size ÷
// 100), then the position ÷ 100 after every record of the first thousand
// and afterwards whenever the position is a multiple of 100, and 0 at the
// end. Either may be empty.
struct ScanProgress {
    std::function<void(std::int64_t maximum)> set_range;
    std::function<void(std::int64_t value)> set_position;
};

// The byte position written into an entry, and read back; nullopt for an
// entry that holds no number.
std::string position_entry(std::int64_t position);
std::optional<std::int64_t> parse_position_entry(std::string_view entry);

class PreviewFile {
public:
    PreviewFile() = default;
    ~PreviewFile();
    PreviewFile(const PreviewFile&) = delete;
    PreviewFile& operator=(const PreviewFile&) = delete;

    // Closes what was open, then makes the private copy of the source
    // (IsAFolder or NotARegularFile with the path for a folder, a FIFO or a device, which
    // is never waited on; TempFileFailed when the source cannot be read, no temporary
    // file can be made or the copy fails), checks that it is text (NoLineBreak,
    // NotAText), creates the position index (TempFileFailed) and scans every record
    // (RecordTooLong for a record over the length limit, TooManyFields for one with 2,000
    // commas or more; TempFileFailed when the index cannot be written). A failure
    // leaves nothing open.
    Status open(const std::filesystem::path& source, const ScanProgress& progress = {});

    // Closes both temporary files, which are gone with them.
    void close();

    bool is_open() const { return copy_fd_ >= 0; }
    const PreviewStatistics& statistics() const { return statistics_; }
    // Names through which the open copy and index can be read again while
    // they are open (/proc/self/fd/N); empty when closed.
    const std::filesystem::path& working_copy_path() const { return copy_path_; }
    const std::filesystem::path& index_path() const { return index_path_; }

    // Byte position of record n in the copy: 0 for the first, else entry
    // n − 1 of the index; nullopt when n is out of range or unreadable.
    std::optional<std::int64_t> record_start(std::int64_t n) const;

    // Records first … first + count − 1 (fewer at the end of the file), each
    // without its line end. Reads only those records.
    std::vector<std::string> read_records(std::int64_t first, std::int64_t count) const;
    std::optional<std::string> read_record(std::int64_t n) const;

private:
    Status make_copy(const std::filesystem::path& source);
    Status scan(const ScanProgress& progress);

    int copy_fd_ = -1;
    int index_fd_ = -1;
    std::filesystem::path copy_path_;
    std::filesystem::path index_path_;
    PreviewStatistics statistics_;
};

}  // namespace tessaly
