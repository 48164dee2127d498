#pragma once

// Groups equal keys as they are read: every distinct key is kept once, with
// the number of records that carry it, and each record remembers its group.
// Memory is the distinct keys plus a few integers per record; the table is
// sized from the record count, so it never grows during a cross.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tessaly {

class KeyGroups {
public:
    // Room for up to `records` records. Throws std::bad_alloc when the memory
    // cannot be had.
    explicit KeyGroups(std::size_t records);

    // Adds one record with a non-empty key; returns false when the key store
    // is full (4 GiB of distinct keys).
    bool add(std::string_view key);

    std::size_t record_count() const { return record_group_.size(); }
    std::size_t group_count() const { return groups_.size(); }
    std::uint32_t group_of(std::size_t record) const { return record_group_[record]; }
    std::uint32_t size_of(std::uint32_t group) const { return groups_[group].records; }
    std::string_view key_of(std::uint32_t group) const;

    // Hands over the group of every record and frees everything else.
    std::vector<std::uint32_t> release();

private:
    struct Group {
        std::uint32_t key_at;   // where the key stands in the store: length byte, then bytes
        std::uint32_t records;
        std::uint32_t hash;
    };

    const char* key_bytes(std::uint32_t at) const;
    std::uint32_t store_key(std::string_view key);

    static constexpr unsigned kBlockBits = 22;  // keys are stored in 4 MiB blocks
    std::vector<std::unique_ptr<char[]>> blocks_;
    std::uint64_t stored_ = 0;  // bytes used in the key store

    std::vector<Group> groups_;
    std::vector<std::uint32_t> slots_;  // group + 1; 0 is free
    std::vector<std::uint32_t> record_group_;
};

}  // namespace tessaly
