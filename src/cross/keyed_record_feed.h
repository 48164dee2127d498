#pragma once

// Reads the selected nodes' files and cuts every record's key and result
// line on a thread of its own, handing them over a batch at a time, so that
// the caller stores one batch while the next is being cut.

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cross/cross_options.h"
#include "text/status.h"

namespace tessaly {

class KeyedRecordFeed {
public:
    struct Source {
        std::filesystem::path path;
        std::string_view title;  // cp932
        int key_first = 0;
        int key_last = 0;
        int start_record = 1;
    };

    struct Record {
        std::uint32_t source;       // index into the sources
        std::uint32_t key_length;   // 0: the record has no key and is not stored
        std::uint32_t line_length;  // its work line with the line feed
        std::uint32_t hash;         // of the key
        // With originals kept: the record as its file holds it, with a line
        // feed, stands in the lines right after the work line.
        std::uint32_t original_length;
        std::uint32_t field_count;  // at least the number of fields; exact up to 2,000
    };

    struct Batch {
        std::vector<Record> records;  // every non-empty record, in reading order
        std::string keys;             // their keys, one after another
        std::string lines;            // their work lines, one after another
        Status failure;               // why reading stopped, on the last batch
        bool last = false;
    };

    // Reads at most `limit` non-empty records in all. column_offset is the
    // largest key_first on the chart. keep_originals: every keyed record's
    // own line follows its work line (for the result workbook).
    KeyedRecordFeed(std::vector<Source> sources, const CrossOptions& options, int column_offset, long long limit,
                    bool keep_originals = false);
    // Stops the reading and waits for it.
    ~KeyedRecordFeed();
    KeyedRecordFeed(const KeyedRecordFeed&) = delete;
    KeyedRecordFeed& operator=(const KeyedRecordFeed&) = delete;

    // The next batch, once it is ready; it stays valid until the next call.
    const Batch& next();
    void stop();

private:
    void produce();
    Status read_source(std::uint32_t index, long long& count, Batch*& batch);
    Batch* hand_over(Batch* full);

    const std::vector<Source> sources_;
    const CrossOptions options_;
    const int column_offset_;
    const long long limit_;
    const bool keep_originals_;

    // Three batches: one being filled, one waiting, one with the caller.
    Batch batches_[3];
    std::vector<Batch*> free_;
    std::vector<Batch*> ready_;  // in order
    Batch* taken_ = nullptr;
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread reader_;
};

}  // namespace tessaly
