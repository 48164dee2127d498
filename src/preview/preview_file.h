#pragma once

// The file the file area shows. The source is copied once into the
// temporary folder and never touched again; one pass reads it block by
// block, writes each block to the copy, checks every record and writes a
// position index, so that any record is found at once and the file is never
// held in memory. The copy and the index have no name there (see
// temp_file.h): they vanish when closed, and with the process however it
// ends.
//
// A large file is loaded in the background: start() comes back once the
// first blocks are indexed, a worker thread does the rest, and the caller
// takes over how far it has come with update(). Only the worker writes the
// copy and the index; the caller reads the records the last update()
// counted, which are on disk by then.
//
// Position index: fixed 11-byte entries, no separators. Entry k holds, as a
// decimal number right-aligned in blanks ("%11ld"), the byte position in the
// copy just past the line end of record k, which is where record k + 1
// begins. The cross engine keeps an index of the same format.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
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

// How far a load has come, as update() takes it over.
struct LoadProgress {
    std::int64_t bytes_total = 0;  // the source's size
    std::int64_t bytes_done = 0;   // copied, and scanned up to the end of data
    bool finished = false;         // the copy, the scan and the index are complete
    Status failure;                // a refusal met on the way: the load is over
};

// Tests hold a background load part-way to see it there: the worker stops
// once it has done at least `at_bytes` and waits until release() (or until
// the load is closed).
class LoadHold {
public:
    explicit LoadHold(std::int64_t at_bytes) : at_bytes_(at_bytes) {}
    void release();
    bool holds(std::int64_t bytes_done) const;

private:
    std::int64_t at_bytes_;
    std::atomic<bool> released_{false};
};

struct LoadOptions {
    // start() waits until this many bytes are done (or all of a smaller
    // file): a small file is then whole at once, refusals included, and a
    // large one has its first screen indexed.
    std::int64_t foreground_bytes = 4 << 20;
    std::shared_ptr<LoadHold> hold = nullptr;
};

// The byte position written into an entry, and read back; nullopt for an
// entry that holds no number.
std::string position_entry(std::int64_t position);
std::optional<std::int64_t> parse_position_entry(std::string_view entry);

class PreviewFile {
public:
    PreviewFile();
    ~PreviewFile();
    PreviewFile(const PreviewFile&) = delete;
    PreviewFile& operator=(const PreviewFile&) = delete;

    // Closes what was open, then opens the source (IsAFolder or
    // NotARegularFile with the path for a folder, a FIFO or a device, which
    // is never waited on; TempFileFailed when it cannot be read), checks that
    // it is text (NoLineBreak, NotAText), makes the nameless copy and
    // position index (TempFileFailed when none can be made) and copies and
    // scans every record (RecordTooLong for a record over the length limit,
    // TooManyFields for one with 2,000 commas or more; TempFileFailed when
    // the copy or the index cannot be written). A failure leaves nothing
    // open. The progress is reported on this thread.
    Status open(const std::filesystem::path& source, const ScanProgress& progress = {});

    // The same load with the rest in the background: returns once the
    // options' foreground part is done, with the refusals open() gives up to
    // there (a failure leaves nothing open). Refusals met later end the load
    // and come with update(); the file stays open until close().
    Status start(const std::filesystem::path& source, const LoadOptions& options = {});

    // Takes over what the background has done: statistics() then count the
    // records indexed so far (all of them once finished).
    LoadProgress update();
    // The last update()'s progress; loading() while the worker still runs.
    const LoadProgress& progress() const { return progress_; }
    bool loading() const { return is_open() && !progress_.finished && !progress_.failure.failed(); }
    // Waits until at least n records are indexed or the load is over, and
    // takes over the progress.
    LoadProgress wait_for_records(std::int64_t n);
    LoadProgress wait_until_finished() { return wait_for_records(std::numeric_limits<std::int64_t>::max()); }
    // The record count as far as it can be told: the count itself once
    // finished, else the records so far stretched over the bytes still to
    // come.
    std::int64_t expected_records() const;

    // Stops the background work (it ends at the next block and is joined),
    // then closes both temporary files, which are gone with them.
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
    class Load;
    Status prepare(const std::filesystem::path& source, const LoadOptions& options);

    int copy_fd_ = -1;
    int index_fd_ = -1;
    std::filesystem::path copy_path_;
    std::filesystem::path index_path_;
    // What the caller sees, as of the last update().
    PreviewStatistics statistics_;
    LoadProgress progress_;
    std::unique_ptr<Load> load_;
};

}  // namespace tessaly
