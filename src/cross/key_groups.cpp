#include "cross/key_groups.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "cross/huge_pages.h"

namespace tessaly {

namespace {

std::uint64_t load64(const char* p) {
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

std::uint64_t mix(std::uint64_t a, std::uint64_t b) {
    const __uint128_t r = static_cast<__uint128_t>(a ^ 0xa0761d6478bd642full) * (b ^ 0xe7037ed1a0b428dbull);
    return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
}

// n zeroed Ts, fresh from the system (not touched yet) for large n.
template <typename T>
T* zeroed(std::size_t n) {
    void* p = std::calloc(std::max<std::size_t>(n, 1), sizeof(T));
    if (!p) throw std::bad_alloc();
    advise_huge_pages(p, n * sizeof(T));
    return static_cast<T*>(p);
}

// Tests' narrowed hashes: how many tables still to make so, and how narrow.
std::atomic<int> narrow_tables = 0;
std::atomic<unsigned> narrow_bits = 64;

}  // namespace

void KeyGroups::narrow_hashes_for_testing(unsigned bits, int tables) {
    narrow_bits = bits;
    narrow_tables = tables;
}

void KeyGroups::Free::operator()(void* p) const { std::free(p); }

std::uint64_t KeyGroups::hash(std::string_view key) const {
    const char* p = key.data();
    std::size_t n = key.size();
    std::uint64_t h = (0x9e3779b97f4a7c15ull + seed_) ^ n;
    while (n >= 8) {
        h = mix(h, load64(p));
        p += 8;
        n -= 8;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    return mix(h, tail ^ (static_cast<std::uint64_t>(n) << 56)) & hash_mask_;
}

KeyGroups::KeyGroups(std::size_t records, std::uint64_t seed) : seed_(seed), capacity_(records + 8 * kGroupRange) {
    if (narrow_tables.load() > 0 && narrow_tables.fetch_sub(1) > 0)
        hash_mask_ = (std::uint64_t{1} << narrow_bits.load()) - 1;
    blocks_.reset(zeroed<char*>(kMaxBlocks));
    // Never touched beyond the groups there are.
    groups_.reset(static_cast<Group*>(std::malloc(capacity_ * sizeof(Group))));
    if (!groups_) throw std::bad_alloc();
    advise_huge_pages(groups_.get(), capacity_ * sizeof(Group));
    // At most one group per record: a load of at most 0.77.
    slot_count_ = records + records / 3 + 16;
    slots_.reset(zeroed<std::uint32_t>(slot_count_));
    // The group (plus one) takes the low bits, with all ones left for a
    // slot being claimed; the hash's bits the rest.
    const unsigned group_bits = std::bit_width(capacity_ + 1);
    tag_mask_ = group_bits >= 32 ? 0 : ~0u << group_bits;
    group_mask_ = ~tag_mask_;
}

KeyGroups::~KeyGroups() { release(); }

void KeyGroups::release() {
    if (blocks_)
        for (std::size_t b = 0; b < block_count_; ++b) std::free(blocks_[b]);
    block_count_ = 0;
    blocks_.reset();
    groups_.reset();
    slots_.reset();
}

const char* KeyGroups::key_bytes(std::uint32_t at) const {
    return blocks_[at >> kBlockBits] + (at & ((1u << kBlockBits) - 1));
}

std::string_view KeyGroups::key_of(std::uint32_t group) const {
    const char* p = key_bytes(groups_[group].key_at - 1);
    return {p + kKeyHead, static_cast<unsigned char>(*p)};
}

// A kept key: its length, its group, its bytes; a length of 0 ends a block.
std::uint32_t KeyGroups::store_key(std::string_view key, std::uint32_t group, Adder& adder) {
    constexpr std::size_t block_size = std::size_t{1} << kBlockBits;
    const std::size_t need = kKeyHead + key.size();
    if (!adder.block_ || adder.block_used_ + need > block_size) {
        // Aligned so that the whole block can be huge pages.
        char* block = static_cast<char*>(std::aligned_alloc(2u << 20, block_size));
        if (!block) throw std::bad_alloc();
        advise_huge_pages(block, block_size);
        std::lock_guard lock(block_mutex_);
        if (block_count_ == kMaxBlocks) {
            std::free(block);
            return kFull;
        }
        blocks_[block_count_] = block;
        adder.block_ = block;
        adder.block_index_ = static_cast<std::uint32_t>(block_count_++);
        adder.block_used_ = 0;
    }
    char* p = adder.block_ + adder.block_used_;
    p[0] = static_cast<char>(key.size());
    std::memcpy(p + 1, &group, 4);
    std::memcpy(p + kKeyHead, key.data(), key.size());
    const auto at = static_cast<std::uint32_t>((std::size_t{adder.block_index_} << kBlockBits) | adder.block_used_);
    adder.block_used_ += need;
    adder.end_block();
    return at;
}

void KeyGroups::Adder::end_block() {
    if (block_used_ < (std::size_t{1} << kBlockBits)) block_[block_used_] = 0;
}

std::uint32_t KeyGroups::Adder::add(std::string_view key, std::uint64_t hash, bool& made) {
    return groups_.add_one(key, hash, *this, made);
}

// A free slot is claimed (marked as being claimed, with the key's tag) before
// its group is made: another thread meeting the same key waits the few
// instructions until it can compare, and no hash ever has two groups.
std::uint32_t KeyGroups::add_one(std::string_view key, std::uint64_t hash, Adder& adder, bool& made) {
    made = false;
    const std::uint32_t tag = tag_of(hash);
    std::size_t i = home_slot(hash);
    for (;;) {
        std::uint32_t slot = load_slot(i);
        if (slot == 0) {
            std::atomic_ref<std::uint32_t> claim(slots_[i]);
            if (claim.compare_exchange_strong(slot, tag | group_mask_, std::memory_order_acquire)) {
                const std::uint32_t group = new_group(adder);
                if (group == kFull) {
                    full_ = true;
                    return kFull;
                }
                groups_[group] = {static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(hash >> 32), 0};
                claim.store(tag | (group + 1), std::memory_order_release);
                made = true;
                return group;
            }
            // Another thread took the slot first: slot now holds what it put.
        }
        if ((slot & tag_mask_) == tag) {
            while ((slot & group_mask_) == group_mask_) {
                if (full_) return kFull;
                __builtin_ia32_pause();
                slot = load_slot(i);
            }
            const std::uint32_t g = (slot & group_mask_) - 1;
            if (groups_[g].hash() == hash) return seen_again(g, key, adder);
        }
        if (++i == slot_count_) i = 0;
    }
}

std::uint32_t KeyGroups::seen_again(std::uint32_t group, std::string_view key, Adder& adder) {
    std::atomic_ref<std::uint32_t> kept(groups_[group].key_at);
    std::uint32_t at = kept.load(std::memory_order_acquire);
    if (at == 0) {
        const std::uint32_t mine = store_key(key, group, adder);
        if (mine == kFull) {
            full_ = true;
            return kFull;
        }
        if (kept.compare_exchange_strong(at, mine + 1, std::memory_order_acq_rel)) return group;
        // Another thread kept its key first: this one is taken back.
        adder.block_used_ = mine & ((1u << kBlockBits) - 1);
        adder.end_block();
    }
    const char* stored = key_bytes(at - 1);
    if (static_cast<unsigned char>(*stored) != key.size() ||
        std::memcmp(stored + kKeyHead, key.data(), key.size()) != 0)
        collided_.store(true, std::memory_order_relaxed);
    return group;
}

std::uint32_t KeyGroups::new_group(Adder& adder) {
    if (adder.next_group_ == adder.end_group_) {
        std::uint32_t first = next_group_.load(std::memory_order_relaxed);
        std::uint32_t take = 0;
        do {
            take = static_cast<std::uint32_t>(std::min<std::size_t>(kGroupRange, capacity_ - first));
            if (take == 0) return kFull;
        } while (!next_group_.compare_exchange_weak(first, first + take, std::memory_order_relaxed));
        adder.next_group_ = first;
        adder.end_group_ = first + take;
    }
    return adder.next_group_++;
}

std::uint32_t KeyGroups::likely_group(std::uint64_t hash) const {
    const std::uint32_t tag = tag_of(hash);
    for (std::size_t i = home_slot(hash);;) {
        const std::uint32_t slot = load_slot(i);
        if (slot == 0) return kFull;
        if ((slot & tag_mask_) == tag) {
            if ((slot & group_mask_) == group_mask_) return kFull;
            return (slot & group_mask_) - 1;
        }
        if (++i == slot_count_) i = 0;
    }
}

bool KeyGroups::Adder::add_all(std::span<const std::string_view> keys, std::span<const std::uint64_t> hashes,
                               std::uint32_t* groups, char* made) {
    // How far ahead each line is fetched: the table's, the group's, the key's.
    constexpr std::size_t kSlotAhead = 24, kGroupAhead = 12, kKeyAhead = 6;
    KeyGroups& g = groups_;
    const std::size_t n = keys.size();
    std::uint32_t likely[kGroupAhead + 1];  // by record, modulo
    auto likely_of = [&](std::size_t i) -> std::uint32_t& { return likely[i % (kGroupAhead + 1)]; };
    // For writing: a new key's slot is claimed with an atomic exchange,
    // which wants the line to itself.
    auto fetch_slot = [&](std::size_t i) { __builtin_prefetch(&g.slots_[g.home_slot(hashes[i])], 1); };
    auto fetch_group = [&](std::size_t i) {
        std::uint32_t& l = likely_of(i);
        l = g.likely_group(hashes[i]);
        if (l != kFull) __builtin_prefetch(&g.groups_[l]);
    };
    for (std::size_t i = 0; i < std::min(n, kSlotAhead); ++i) fetch_slot(i);
    for (std::size_t i = 0; i < std::min(n, kGroupAhead); ++i) fetch_group(i);
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kSlotAhead < n) fetch_slot(i + kSlotAhead);
        if (i + kGroupAhead < n) fetch_group(i + kGroupAhead);
        if (i + kKeyAhead < n) {
            const std::uint32_t l = likely_of(i + kKeyAhead);
            if (l != kFull) g.prefetch_key(l);
        }
        bool made_it = false;
        const std::uint32_t group = g.add_one(keys[i], hashes[i], *this, made_it);
        if (group == kFull) return false;
        groups[i] = group;
        made[i] = made_it;
    }
    return true;
}

std::size_t KeyGroups::footprint() const {
    return (slots_ ? slot_count_ * sizeof(std::uint32_t) : 0) + (groups_ ? group_count() * sizeof(Group) : 0) +
           block_count_ * (std::size_t{1} << kBlockBits);
}

void KeyGroups::drop_lookup() {
    slots_.reset();
    groups_.reset();
}

}  // namespace tessaly
