#pragma once

// Groups equal keys as they are read: every distinct key is kept once, and
// each record remembers its group.
// Memory is the distinct keys plus a few integers per record; the table is
// sized from the record count, so it never grows during a cross.

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace tessaly {

class KeyGroups {
public:
    // Room for up to `records` records. Throws std::bad_alloc when the memory
    // cannot be had. Without keep_records the group of each record is only
    // handed back by add_all (for the caller to keep where it likes), and
    // group_of() and release() know none.
    explicit KeyGroups(std::size_t records, bool keep_records = true);

    static std::uint32_t hash(std::string_view key);
    // Brings the table's line for the hash into the cache ahead of add().
    void prefetch(std::uint32_t hash) const;
    // Adds one record with a non-empty key (at most 255 bytes) and its
    // hash; false when the key store is full (4 GiB of distinct keys).
    // Throws std::bad_alloc when memory runs out.
    bool add(std::string_view key, std::uint32_t hash);
    // The same for a few records at once, in order: the lines of the table,
    // of the groups and of the stored keys that the adds will look at are
    // fetched for all of them first, so that their memory latencies overlap.
    bool add(std::span<const std::string_view> keys, std::span<const std::uint32_t> hashes);
    // The same for many records at once: each record's table line is
    // fetched a few tens of records ahead, then the line of its likely
    // group, then that group's key, so that memory is waited for only
    // seldom.
    // With groups, each record's group goes there too.
    bool add_all(std::span<const std::string_view> keys, std::span<const std::uint32_t> hashes,
                 std::uint32_t* groups = nullptr);

    std::size_t record_count() const { return records_; }
    std::size_t group_count() const { return groups_.size(); }
    std::uint32_t group_of(std::size_t record) const { return record_group_[record]; }
    // Every record's group, in order (when kept).
    std::span<const std::uint32_t> record_groups() const { return record_group_; }
    std::string_view key_of(std::uint32_t group) const;

    // The lookup table is needed no more once every record is in.
    void drop_lookup();
    // Hands over the group of every record and frees everything else.
    std::vector<std::uint32_t> release();

private:
    std::size_t home_slot(std::uint32_t hash) const {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * slots_.size()) >> 32);
    }
    std::uint32_t tag_of(std::uint32_t hash) const { return hash & tag_mask_; }
    const char* key_bytes(std::uint32_t at) const;
    // The group whose slot in the probe sequence of the hash carries its
    // tag first, or UINT32_MAX: a likely match, for fetching ahead only.
    std::uint32_t likely_group(std::uint32_t hash) const;
    std::uint32_t store_key(std::string_view key);
    // The group of the record added, or UINT32_MAX when the store is full.
    std::uint32_t add_one(std::string_view key, std::uint32_t hash);

    static constexpr unsigned kBlockBits = 22;  // keys are stored in 4 MiB blocks
    struct FreeBlock {
        void operator()(char* p) const;
    };
    std::vector<std::unique_ptr<char[], FreeBlock>> blocks_;
    std::size_t block_used_ = 0;  // bytes used in the last block

    std::vector<std::uint32_t> groups_;  // where each key stands in the store: length byte, then bytes
    // A slot holds the group in its low bits and, above them, some bits of
    // the key's hash, so that most probes are settled without leaving the
    // table. 0 is a free slot (the group part is never 0).
    std::vector<std::uint32_t> slots_;
    unsigned group_bits_ = 0;
    std::uint32_t tag_mask_ = 0;
    std::vector<std::uint32_t> record_group_;
    const bool keep_records_;
    std::size_t records_ = 0;
};

}  // namespace tessaly
