#pragma once

// Reads the selected nodes' files and cuts and hashes every record's key on
// a thread of its own, handing them over a batch at a time, so that the
// caller groups one batch while the next is being cut. Of the record itself
// only where it stands in its file is handed over: its result line is made
// again, from the file, only should it turn out to be in a hit.

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cross/cross_options.h"
#include "text/status.h"
#include "text/user_file.h"

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
        std::uint32_t source;      // index into the sources
        std::uint32_t key_length;  // 0: the record has no key and is not stored
        std::uint32_t hash;        // of the key
        std::uint32_t length;      // of the record, without its line break
        long long offset;          // where the record starts in its file
    };

    struct Batch {
        std::vector<Record> records;  // every non-empty record, in reading order
        std::string keys;             // their keys, one after another
        Status failure;               // why reading stopped, on the last batch
        bool last = false;
    };

    // Reads at most `limit` non-empty records in all.
    KeyedRecordFeed(std::vector<Source> sources, const CrossOptions& options, long long limit);
    // Stops the reading and waits for it.
    ~KeyedRecordFeed();
    KeyedRecordFeed(const KeyedRecordFeed&) = delete;
    KeyedRecordFeed& operator=(const KeyedRecordFeed&) = delete;

    // The next batch, once it is ready; it stays valid until the next call.
    const Batch& next();
    void stop();

    // Each source as it was when its last record was read: known for all
    // sources read once the last batch has come.
    const std::vector<std::optional<FileIdentity>>& identities() const { return identities_; }

private:
    void produce();
    Status read_source(std::uint32_t index, long long& count, Batch*& batch);
    Batch* hand_over(Batch* full);

    const std::vector<Source> sources_;
    const CrossOptions options_;
    const long long limit_;
    std::vector<std::optional<FileIdentity>> identities_;

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
