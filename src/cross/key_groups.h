#pragma once

// Groups equal keys as they are read, by their 64-bit hashes: a key seen
// once is known by its hash alone, and its bytes are kept from its second
// sighting on, so that memory is a few integers per record plus the keys
// that repeat (the only ones a hit can have). Two keys of one hash would
// share a group: the table notices when a key later seen differs from the
// one kept, and whoever uses the groups checks the rest (a key seen once
// before was never compared) and groups again under another seed. Several
// threads may add at once, each through an Adder of its own: the table's
// slots are claimed with atomic operations, and each adder stores its keys
// in blocks of its own, so that the threads wait for each other only when
// two of them meet the same new key at the same moment. The table is sized
// from the record count, so it never grows during a cross.

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <span>
#include <string_view>

namespace tessaly {

// The group of a record without a key.
constexpr std::uint32_t kNoGroup = UINT32_MAX;

class KeyGroups {
public:
    // The group handed back when the key store is full (4 GiB of kept keys).
    static constexpr std::uint32_t kFull = UINT32_MAX;

    // Room for up to `records` records with a key, hashed under the seed.
    // Throws std::bad_alloc when the memory cannot be had.
    explicit KeyGroups(std::size_t records, std::uint64_t seed = 0);
    ~KeyGroups();
    KeyGroups(const KeyGroups&) = delete;
    KeyGroups& operator=(const KeyGroups&) = delete;

    std::uint64_t hash(std::string_view key) const;

    // For tests: the next `tables` tables made keep only the lowest `bits`
    // bits of their hashes, so that different keys share them.
    static void narrow_hashes_for_testing(unsigned bits, int tables);

    // One thread's way in: adds records with a non-empty key (at most 255
    // bytes) and its hash, and tells each one's group.
    class Adder {
    public:
        explicit Adder(KeyGroups& groups) : groups_(groups) {}
        // The group of the key, or kFull; made tells whether the key made
        // it. Throws std::bad_alloc when memory runs out.
        std::uint32_t add(std::string_view key, std::uint64_t hash, bool& made);
        // The same for many records at once, their groups going to groups
        // and whether they made them to made: each record's table line is
        // fetched a few tens of records ahead, then the line of its likely
        // group, then that group's key, so that memory is waited for only
        // seldom. False when the store is full.
        bool add_all(std::span<const std::string_view> keys, std::span<const std::uint64_t> hashes,
                     std::uint32_t* groups, char* made);

    private:
        friend class KeyGroups;
        void end_block();  // marks where this adder's keys end, for now
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
    // The key of a group of at least two records (until drop_lookup).
    std::string_view key_of(std::uint32_t group) const;
    // Calls each(group, key) for every group of at least two records, in
    // the order their keys stand in memory (a walk from one end to the
    // other).
    template <typename Each>
    void each_kept_key(Each each) const {
        for (std::size_t b = 0; b < block_count_; ++b) {
            const char* p = blocks_[b];
            const char* const end = p + (std::size_t{1} << kBlockBits);
            while (end - p >= static_cast<std::ptrdiff_t>(kKeyHead) && *p != 0) {
                const auto length = static_cast<unsigned char>(*p);
                std::uint32_t group;
                std::memcpy(&group, p + 1, 4);
                each(group, std::string_view(p + kKeyHead, length));
                p += kKeyHead + length;
            }
        }
    }
    // Whether two different keys were seen under one hash.
    bool collided() const { return collided_.load(std::memory_order_relaxed); }
    // Bring a group's kept key into the cache.
    void prefetch_key(std::uint32_t group) const {
        // Read while other threads may be keeping a key: a hint only.
        if (const std::uint32_t at = __atomic_load_n(&groups_[group].key_at, __ATOMIC_ACQUIRE))
            __builtin_prefetch(key_bytes(at - 1));
    }

    // The memory in use, in bytes (roughly: the key store's blocks whole).
    std::size_t footprint() const;
    // Once every record is in, only the kept keys are needed (each_kept_key):
    // the lookup table and the groups' hashes go.
    void drop_lookup();
    // Frees everything: the keys are needed no more.
    void release();

private:
    // A group: its key's hash, and where its key stands in the store plus
    // one (0 until the key is seen a second time).
    struct Group {
        std::uint32_t hash_low;
        std::uint32_t hash_high;
        std::uint32_t key_at;
        std::uint64_t hash() const { return std::uint64_t{hash_high} << 32 | hash_low; }
    };

    std::size_t home_slot(std::uint64_t hash) const {
        return static_cast<std::size_t>(((hash >> 32) * slot_count_) >> 32);
    }
    std::uint32_t tag_of(std::uint64_t hash) const { return static_cast<std::uint32_t>(hash) & tag_mask_; }
    const char* key_bytes(std::uint32_t at) const;
    std::uint32_t load_slot(std::size_t i) const {
        return std::atomic_ref<std::uint32_t>(slots_[i]).load(std::memory_order_acquire);
    }
    // The group whose slot in the probe sequence of the hash carries its
    // tag first, or kFull: a likely match, for fetching ahead only.
    std::uint32_t likely_group(std::uint64_t hash) const;
    // Where the key now stands in the store, or kFull.
    std::uint32_t store_key(std::string_view key, std::uint32_t group, Adder& adder);
    std::uint32_t add_one(std::string_view key, std::uint64_t hash, Adder& adder, bool& made);
    // A key of the group's hash seen again: kept the first time, compared
    // with the one kept from then on.
    std::uint32_t seen_again(std::uint32_t group, std::string_view key, Adder& adder);
    // A number for a new group, or kFull.
    std::uint32_t new_group(Adder& adder);

    struct Free {
        void operator()(void* p) const;
    };

    static constexpr unsigned kBlockBits = 21;  // keys are stored in 2 MiB blocks
    static constexpr std::size_t kKeyHead = 5;  // a kept key's length and group
    // Places in the store are kept plus one in 32 bits.
    static constexpr std::size_t kMaxBlocks = (std::size_t{1} << (32 - kBlockBits)) - 1;
    std::unique_ptr<char*[], Free> blocks_;  // kMaxBlocks, the first block_count_ in use
    std::size_t block_count_ = 0;
    std::mutex block_mutex_;

    std::uint64_t seed_ = 0;
    std::uint64_t hash_mask_ = ~std::uint64_t{0};
    static constexpr std::uint32_t kGroupRange = 1024;
    std::size_t capacity_ = 0;  // groups: the records, and room for the adders' ranges
    std::unique_ptr<Group[], Free> groups_;
    std::atomic<std::uint32_t> next_group_ = 0;
    // A slot holds the group plus one in its low bits and, above them, some
    // bits of the key's hash, so that most probes are settled without
    // leaving the table. 0 is a free slot; a group part of all ones is a
    // slot being claimed, whose group is being made.
    std::unique_ptr<std::uint32_t[], Free> slots_;
    std::size_t slot_count_ = 0;
    std::uint32_t tag_mask_ = 0;
    std::uint32_t group_mask_ = 0;
    std::atomic<bool> full_ = false;
    std::atomic<bool> collided_ = false;
};

}  // namespace tessaly
