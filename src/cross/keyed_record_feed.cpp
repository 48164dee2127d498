#include "cross/keyed_record_feed.h"

#include <new>

#include "cross/key_groups.h"
#include "cross/key_normaliser.h"
#include "text/record_reader.h"

namespace tessaly {

namespace {

constexpr std::size_t kBatchRecords = 4096;
constexpr std::size_t kMaxFields = 2000;

}  // namespace

KeyedRecordFeed::KeyedRecordFeed(std::vector<Source> sources, const CrossOptions& options, int column_offset,
                                 long long limit, bool keep_originals)
    : sources_(std::move(sources)),
      options_(options),
      column_offset_(column_offset),
      limit_(limit),
      keep_originals_(keep_originals) {
    free_ = {&batches_[0], &batches_[1], &batches_[2]};
    reader_ = std::thread([this] { produce(); });
}

KeyedRecordFeed::~KeyedRecordFeed() {
    stop();
    reader_.join();
}

void KeyedRecordFeed::stop() {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    changed_.notify_all();
}

const KeyedRecordFeed::Batch& KeyedRecordFeed::next() {
    std::unique_lock lock(mutex_);
    if (taken_) free_.push_back(taken_);
    changed_.notify_all();
    changed_.wait(lock, [this] { return !ready_.empty(); });
    taken_ = ready_.front();
    ready_.erase(ready_.begin());
    return *taken_;
}

// Queues a filled batch and returns an empty one, or nullptr when stopped.
KeyedRecordFeed::Batch* KeyedRecordFeed::hand_over(Batch* full) {
    std::unique_lock lock(mutex_);
    if (full) ready_.push_back(full);
    changed_.notify_all();
    changed_.wait(lock, [this] { return stopping_ || !free_.empty(); });
    if (stopping_) return nullptr;
    Batch* empty = free_.back();
    free_.pop_back();
    empty->records.clear();
    empty->keys.clear();
    empty->lines.clear();
    return empty;
}

void KeyedRecordFeed::produce() {
    Batch* batch = hand_over(nullptr);
    if (!batch) return;
    Status status;
    try {
        long long count = 0;
        for (std::uint32_t i = 0; i < sources_.size() && count < limit_ && status && batch; ++i)
            status = read_source(i, count, batch);
    } catch (const std::bad_alloc&) {
        status = Status::failure(MessageId::OutOfMemory);
    }
    if (!batch) return;  // stopped
    batch->failure = status;
    batch->last = true;
    std::lock_guard lock(mutex_);
    ready_.push_back(batch);
    changed_.notify_all();
}

Status KeyedRecordFeed::read_source(std::uint32_t index, long long& count, Batch*& batch) {
    const Source& source = sources_[index];
    RecordReader reader;
    if (Status s = reader.open(source.path); !s) return s;
    reader.skip_lines(source.start_record - 1);
    KeyedRecord keyed;
    std::string_view record;
    while (count < limit_ && reader.next(record)) {
        if (record.empty()) continue;
        extract_key(record, source.key_first, source.key_last, options_, keyed);
        if (keyed.field_count > kMaxFields) return Status::failure(MessageId::TooManyFields, source.path.string());
        Record& r =
            batch->records.emplace_back(Record{index, 0, 0, 0, 0, static_cast<std::uint32_t>(keyed.field_count)});
        if (!keyed.key.empty()) {
            const std::size_t line_start = batch->lines.size();
            append_work_line(batch->lines, source.title, column_offset_, source.key_first, keyed);
            batch->lines.push_back('\n');
            r.key_length = static_cast<std::uint32_t>(keyed.key.size());
            r.line_length = static_cast<std::uint32_t>(batch->lines.size() - line_start);
            r.hash = KeyGroups::hash(keyed.key);
            batch->keys.append(keyed.key);
            if (keep_originals_) {
                batch->lines.append(record);
                batch->lines.push_back('\n');
                r.original_length = static_cast<std::uint32_t>(record.size() + 1);
            }
        }
        ++count;
        if (batch->records.size() == kBatchRecords) {
            batch = hand_over(batch);
            if (!batch) return Status::ok();
        }
    }
    if (reader.failed()) return Status::failure(MessageId::OpenFailed, source.path.string());
    return Status::ok();
}

}  // namespace tessaly
