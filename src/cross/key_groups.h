#pragma once

// Groups equal keys as they are read: every distinct key is kept once, and
// each record added learns its key's group. Several threads may add at
// once, each through an Adder of its own: the table's slots are claimed
// with atomic operations, and each adder stores its keys in blocks of its
// own, so that the threads wait for each other only when two of them meet
// the same new key at the same moment.
// Memory is the distinct keys plus a few integers per record; the table is
// sized from the record count, so it never grows during a cross.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

namespace tessaly {

// The group of a record without a key.
constexpr std::uint32_t kNoGroup = UINT32_MAX;

class KeyGroups {
public:
    // The group handed back when the key store is full (4 GiB of distinct keys).
    static constexpr std::uint32_t kFull = UINT32_MAX;

    // Room for up to `records` records with a key. Throws std::bad_alloc
    // when the memory cannot be had.
    explicit KeyGroups(std::size_t records);
    ~KeyGroups();
    KeyGroups(const KeyGroups&) = delete;
    KeyGroups& operator=(const KeyGroups&) = delete;

    static std::uint32_t hash(std::string_view key);

    // One thread's way in: adds records with a non-empty key (at most 255
    // bytes) and its hash, and tells each one's group.
    class Adder {
    public:
        explicit Adder(KeyGroups& groups) : groups_(groups) {}
        // The group of the key, or kFull. Throws std::bad_alloc when
        // memory runs out.
        std::uint32_t add(std::string_view key, std::uint32_t hash);
        // The same for many records at once, their groups going to groups:
        // each record's table line is fetched a few tens of records ahead,
        // then the line of its likely group, then that group's key, so that
        // memory is waited for only seldom. False when the store is full.
        bool add_all(std::span<const std::string_view> keys, std::span<const std::uint32_t> hashes,
                     std::uint32_t* groups);

    private:
        friend class KeyGroups;
        KeyGroups& groups_;
        std::uint32_t next_group_ = 0;  // the groups this adder may give out
        std::uint32_t end_group_ = 0;
        char* block_ = nullptr;  // where this adder stores its keys
        std::uint32_t block_index_ = 0;
        std::size_t block_used_ = 0;
    };

    // Once every adder has finished. Each adder takes the numbers of its new
    // groups a range at a time (so that the adders do not fight over one
    // counter), and a group number left unused at the end has no key and no
    // record.
    std::size_t group_count() const { return next_group_.load(std::memory_order_acquire); }
    std::string_view key_of(std::uint32_t group) const;
    // Bring into the cache where a group's key stands, then the key itself.
    void prefetch_place(std::uint32_t group) const { __builtin_prefetch(&groups_[group]); }
    void prefetch_key(std::uint32_t group) const { __builtin_prefetch(key_bytes(groups_[group])); }

    // The memory in use, in bytes (roughly: the key store's blocks whole).
    std::size_t footprint() const;
    // The lookup table is needed no more once every record is in.
    void drop_lookup();
    // Frees everything: the keys are needed no more.
    void release();

private:
    std::size_t home_slot(std::uint32_t hash) const {
        return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * slot_count_) >> 32);
    }
    std::uint32_t tag_of(std::uint32_t hash) const { return hash & tag_mask_; }
    const char* key_bytes(std::uint32_t at) const;
    std::uint32_t load_slot(std::size_t i) const {
        return std::atomic_ref<std::uint32_t>(slots_[i]).load(std::memory_order_acquire);
    }
    // The group whose slot in the probe sequence of the hash carries its
    // tag first, or kFull: a likely match, for fetching ahead only.
    std::uint32_t likely_group(std::uint32_t hash) const;
    // Where the key now stands in the store, or kFull.
    std::uint32_t store_key(std::string_view key, Adder& adder);
    std::uint32_t add_one(std::string_view key, std::uint32_t hash, Adder& adder);
    // A number for a new group, or kFull.
    std::uint32_t new_group(Adder& adder);

    struct Free {
        void operator()(void* p) const;
    };

    static constexpr unsigned kBlockBits = 22;  // keys are stored in 4 MiB blocks
    static constexpr std::size_t kMaxBlocks = std::size_t{1} << (32 - kBlockBits);
    std::unique_ptr<char*[], Free> blocks_;  // kMaxBlocks, the first block_count_ in use
    std::size_t block_count_ = 0;
    std::mutex block_mutex_;

    static constexpr std::uint32_t kGroupRange = 1024;
    std::size_t capacity_ = 0;  // groups: the records, and room for the adders' ranges
    // Where each group's key stands in the store: length byte, then bytes.
    std::unique_ptr<std::uint32_t[], Free> groups_;
    std::atomic<std::uint32_t> next_group_ = 0;
    // A slot holds the group plus one in its low bits and, above them, some
    // bits of the key's hash, so that most probes are settled without
    // leaving the table. 0 is a free slot; a group part of all ones is a
    // slot being claimed, whose key is being stored.
    std::unique_ptr<std::uint32_t[], Free> slots_;
    std::size_t slot_count_ = 0;
    std::uint32_t tag_mask_ = 0;
    std::uint32_t group_mask_ = 0;
    std::atomic<bool> full_ = false;
};

}  // namespace tessaly
