#pragma once

// Reading the sources on several threads at once: each source is cut into
// parts right after a line break, where the counting of its records passed,
// so that every part knows the number of its first record before it is
// read. A thread takes a part, cuts and hashes each record's key, groups it
// and writes where the record stands into the position index at the
// record's own place; the records come out numbered exactly as in one
// reading of the sources in order.

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cross/cross_options.h"
#include "cross/key_groups.h"
#include "cross/key_normaliser.h"
#include "text/status.h"
#include "text/user_file.h"

namespace tessaly {

class FileWriter;
class RecordReader;

// The position index: for each non-empty record, where it starts in its
// file, how long it is, its key's group (kNoGroup without a key) and
// whether it made the group (its key was the first of its hash the groups
// met, and the only one of the group never compared with the group's kept
// key), in the machine's own byte order (the file lives no longer than the
// process).
struct IndexEntry {
    long long offset;
    std::uint32_t length;
    std::uint32_t group;
    bool made_group = false;
};
constexpr std::size_t kIndexEntry = 16;

// Offsets take 63 bits at most; the top one tells whether the record made
// its group.
inline void format_index_entry(const IndexEntry& e, char* out) {
    const std::uint64_t offset = static_cast<std::uint64_t>(e.offset) | std::uint64_t{e.made_group} << 63;
    std::memcpy(out, &offset, 8);
    std::memcpy(out + 8, &e.length, 4);
    std::memcpy(out + 12, &e.group, 4);
}

inline IndexEntry parse_index_entry(const char* p) {
    IndexEntry e;
    std::uint64_t offset;
    std::memcpy(&offset, p, 8);
    e.offset = static_cast<long long>(offset & ~(std::uint64_t{1} << 63));
    e.made_group = offset >> 63;
    std::memcpy(&e.length, p + 8, 4);
    std::memcpy(&e.group, p + 12, 4);
    return e;
}

// A place where a source may be cut: right after a line feed (or its
// first record, or the end of its data), with the number of its non-empty
// records before it.
struct SourceCut {
    long long offset;
    long long records;
};

// A source as its records were counted: where it may be cut, from its
// first record to the end of its data, and the file as it was then.
struct CountedSource {
    std::filesystem::path path;
    int key_first = 0;
    int key_last = 0;
    std::vector<SourceCut> cuts;
    std::optional<FileIdentity> identity;
};

// Notes where the source may be cut while its records are counted: about
// every few megabytes, and at both ends.
class CutRecorder {
public:
    explicit CutRecorder(std::vector<SourceCut>& cuts) : cuts_(cuts) { cuts_.clear(); }
    void note(long long offset, long long records, bool last = false);

private:
    std::vector<SourceCut>& cuts_;
};

struct SourcePart {
    std::uint32_t source;
    long long begin;  // bytes of the file
    long long end;
    long long first_record;  // among the non-empty records of all sources
    long long records;       // non-empty ones in the part
};

// Every source's parts, in reading order, numbered across the sources.
std::vector<SourcePart> parts_of(const std::vector<CountedSource>& sources);

// One thread's reader of parts.
class PartReader {
public:
    PartReader(KeyGroups& groups, const CrossOptions& options, FileWriter& index);
    ~PartReader();

    // Reads the part: its records' places and groups go to the index. Calls
    // back after every few thousand records with how many were read since;
    // when the call back answers false the reading stops (and answers ok).
    // Fails when the source cannot be read, a record has too many fields,
    // the key store is full (OutOfMemory) or the file is no longer the one
    // counted (ChangedDuringCross).
    Status read(const SourcePart& part, const CountedSource& source, const std::function<bool(long long)>& go_on);

    long long keyed() const { return keyed_; }  // records with a key, so far

private:
    bool flush_batch(long long first_record);

    KeyGroups& groups_;
    KeyGroups::Adder adder_;
    const CrossOptions& options_;
    FileWriter& index_;
    std::unique_ptr<RecordReader> reader_;  // kept, with its buffer, from part to part
    KeyedRecord record_;
    // The batch: every record's entry, and the keys of those with one.
    std::vector<IndexEntry> entries_;
    std::string keys_;
    std::vector<std::uint32_t> key_ends_;
    std::vector<std::uint32_t> keyed_entries_;  // which entries have the keys
    std::vector<std::string_view> views_;
    std::vector<std::uint64_t> hashes_;
    std::vector<std::uint32_t> group_of_key_;
    std::vector<char> made_group_;
    std::string out_;
    long long keyed_ = 0;
};

}  // namespace tessaly
