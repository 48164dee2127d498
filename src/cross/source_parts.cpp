#include "cross/source_parts.h"

#include "text/file_writer.h"
#include "text/record_reader.h"

namespace tessaly {

namespace {

// Parts of about this many bytes: enough to keep both threads busy to the
// end, few enough that opening one costs nothing worth measuring.
constexpr long long kPartBytes = 4 << 20;
// Records of a batch: their keys go into the table together, their entries
// into the index in one write.
constexpr std::size_t kBatchRecords = 4096;
constexpr std::size_t kMaxFields = 2000;

}  // namespace

void CutRecorder::note(long long offset, long long records, bool last) {
    if (cuts_.empty() || last || offset - cuts_.back().offset >= kPartBytes) {
        if (last && cuts_.size() > 1 && offset - cuts_.back().offset < kPartBytes / 4) cuts_.pop_back();
        cuts_.push_back({offset, records});
    }
}

std::vector<SourcePart> parts_of(const std::vector<CountedSource>& sources) {
    std::vector<SourcePart> parts;
    long long first = 0;
    for (std::uint32_t s = 0; s < sources.size(); ++s) {
        const std::vector<SourceCut>& cuts = sources[s].cuts;
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const long long records = cuts[c + 1].records - cuts[c].records;
            if (records == 0) continue;
            parts.push_back({s, cuts[c].offset, cuts[c + 1].offset, first + cuts[c].records, records});
        }
        if (!cuts.empty()) first += cuts.back().records;
    }
    return parts;
}

PartReader::PartReader(KeyGroups& groups, const CrossOptions& options, FileWriter& index)
    : groups_(groups), adder_(groups), options_(options), index_(index), reader_(std::make_unique<RecordReader>()) {}

PartReader::~PartReader() = default;

Status PartReader::read(const SourcePart& part, const CountedSource& source,
                        const std::function<bool(long long)>& go_on) {
    RecordReader& reader = *reader_;
    if (Status s = reader.open_part(source.path, part.begin, part.end); !s) return s;
    auto changed = [&] { return Status::failure(MessageId::ChangedDuringCross, source.path.string()); };
    auto unchanged = [&] {
        const std::optional<FileIdentity> now = file_identity(reader.descriptor());
        return now && now == source.identity;
    };
    if (!unchanged()) return changed();
    long long read = 0;
    long long batch_first = part.first_record;
    std::string_view record;
    auto start_batch = [&] {
        entries_.clear();
        keys_.clear();
        key_ends_.clear();
        keyed_entries_.clear();
    };
    start_batch();
    while (reader.next(record)) {
        if (record.empty()) continue;
        // More records than were counted: the file is another by now.
        if (read == part.records) return changed();
        ++read;
        extract_key(record, source.key_first, source.key_last, options_, record_, FieldCount::WhenTooMany);
        if (record_.field_count > kMaxFields) return Status::failure(MessageId::TooManyFields, source.path.string());
        if (!record_.key.empty()) {
            keyed_entries_.push_back(static_cast<std::uint32_t>(entries_.size()));
            keys_.append(record_.key);
            key_ends_.push_back(static_cast<std::uint32_t>(keys_.size()));
        }
        entries_.push_back({reader.offset_of(record), static_cast<std::uint32_t>(record.size()), kNoGroup, false});
        if (entries_.size() == kBatchRecords) {
            if (!flush_batch(batch_first)) return Status::failure(MessageId::OutOfMemory);
            batch_first += kBatchRecords;
            start_batch();
            if (!go_on(kBatchRecords)) return Status::ok();
        }
    }
    if (reader.failed()) return Status::failure(MessageId::OpenFailed, source.path.string());
    if (read != part.records || !unchanged()) return changed();
    reader.close();
    const auto rest = static_cast<long long>(entries_.size());
    if (!flush_batch(batch_first)) return Status::failure(MessageId::OutOfMemory);
    go_on(rest);
    return Status::ok();
}

// Groups the batch's keys and writes its entries at their records' place.
// False when the key store is full.
bool PartReader::flush_batch(long long first_record) {
    views_.clear();
    hashes_.clear();
    std::uint32_t at = 0;
    for (const std::uint32_t end : key_ends_) {
        views_.push_back(std::string_view(keys_).substr(at, end - at));
        hashes_.push_back(groups_.hash(views_.back()));
        at = end;
    }
    group_of_key_.resize(views_.size());
    made_group_.resize(views_.size());
    if (!adder_.add_all(views_, hashes_, group_of_key_.data(), made_group_.data())) return false;
    for (std::size_t k = 0; k < keyed_entries_.size(); ++k) {
        IndexEntry& e = entries_[keyed_entries_[k]];
        e.group = group_of_key_[k];
        e.made_group = made_group_[k];
    }
    keyed_ += static_cast<long long>(keyed_entries_.size());
    out_.resize(entries_.size() * kIndexEntry);
    for (std::size_t i = 0; i < entries_.size(); ++i) format_index_entry(entries_[i], out_.data() + i * kIndexEntry);
    // A write that fails shows when the index is flushed.
    index_.write_at(first_record * static_cast<long long>(kIndexEntry), out_);
    return true;
}

}  // namespace tessaly
