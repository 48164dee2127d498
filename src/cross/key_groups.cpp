#include "cross/key_groups.h"

#include "cross/huge_pages.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

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

}  // namespace

void KeyGroups::FreeBlock::operator()(char* p) const { std::free(p); }

std::uint32_t KeyGroups::hash(std::string_view key) {
    const char* p = key.data();
    std::size_t n = key.size();
    std::uint64_t h = 0x9e3779b97f4a7c15ull ^ n;
    while (n >= 8) {
        h = mix(h, load64(p));
        p += 8;
        n -= 8;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, p, n);
    h = mix(h, tail ^ (static_cast<std::uint64_t>(n) << 56));
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

KeyGroups::KeyGroups(std::size_t records, bool keep_records) : keep_records_(keep_records) {
    if (keep_records_) record_group_.reserve(records);
    groups_.reserve(records);
    // At most one group per record: a load of at most 0.77.
    slots_.reserve(records + records / 3 + 16);
    if (keep_records_) advise_huge_pages(record_group_.data(), records * sizeof(std::uint32_t));
    advise_huge_pages(groups_.data(), records * sizeof(std::uint32_t));
    advise_huge_pages(slots_.data(), slots_.capacity() * sizeof(std::uint32_t));
    slots_.assign(slots_.capacity(), 0);
    // The group (plus one) takes the low bits; the hash's top bits the rest.
    group_bits_ = std::bit_width(records + 1);
    tag_mask_ = group_bits_ >= 32 ? 0 : ~0u << group_bits_;
}

void KeyGroups::prefetch(std::uint32_t hash) const { __builtin_prefetch(&slots_[home_slot(hash)]); }

const char* KeyGroups::key_bytes(std::uint32_t at) const {
    return blocks_[at >> kBlockBits].get() + (at & ((1u << kBlockBits) - 1));
}

std::string_view KeyGroups::key_of(std::uint32_t group) const {
    const char* p = key_bytes(groups_[group]);
    return {p + 1, static_cast<unsigned char>(*p)};
}

std::uint32_t KeyGroups::store_key(std::string_view key) {
    constexpr std::size_t block_size = std::size_t{1} << kBlockBits;
    const std::size_t need = key.size() + 1;
    if (blocks_.empty() || block_used_ + need > block_size) {
        if (blocks_.size() >= (std::size_t{1} << (32 - kBlockBits))) return UINT32_MAX;
        // Aligned so that the whole block can be huge pages.
        char* block = static_cast<char*>(std::aligned_alloc(2u << 20, block_size));
        if (!block) throw std::bad_alloc();
        advise_huge_pages(block, block_size);
        blocks_.emplace_back(block);
        block_used_ = 0;
    }
    char* p = blocks_.back().get() + block_used_;
    p[0] = static_cast<char>(key.size());
    std::memcpy(p + 1, key.data(), key.size());
    const auto at = static_cast<std::uint32_t>(((blocks_.size() - 1) << kBlockBits) | block_used_);
    block_used_ += need;
    return at;
}

bool KeyGroups::add(std::string_view key, std::uint32_t hash) { return add_one(key, hash) != UINT32_MAX; }

std::uint32_t KeyGroups::add_one(std::string_view key, std::uint32_t hash) {
    const std::uint32_t tag = tag_of(hash);
    const std::uint32_t group_mask = ~tag_mask_;
    const std::size_t size = slots_.size();
    std::size_t i = home_slot(hash);
    std::uint32_t group = UINT32_MAX;
    for (;;) {
        const std::uint32_t slot = slots_[i];
        if (slot == 0) break;
        if ((slot & tag_mask_) == tag) {
            const std::uint32_t g = (slot & group_mask) - 1;
            const char* stored = key_bytes(groups_[g]);
            if (static_cast<unsigned char>(*stored) == key.size() &&
                std::memcmp(stored + 1, key.data(), key.size()) == 0) {
                group = g;
                break;
            }
        }
        if (++i == size) i = 0;
    }
    if (group == UINT32_MAX) {
        const std::uint32_t at = store_key(key);
        if (at == UINT32_MAX) return UINT32_MAX;
        group = static_cast<std::uint32_t>(groups_.size());
        groups_.push_back(at);
        slots_[i] = tag | (group + 1);
    }
    if (keep_records_) record_group_.push_back(group);
    ++records_;
    return group;
}

std::uint32_t KeyGroups::likely_group(std::uint32_t hash) const {
    const std::uint32_t tag = tag_of(hash);
    for (std::size_t i = home_slot(hash);;) {
        const std::uint32_t slot = slots_[i];
        if (slot == 0) return UINT32_MAX;
        if ((slot & tag_mask_) == tag) return (slot & ~tag_mask_) - 1;
        if (++i == slots_.size()) i = 0;
    }
}

bool KeyGroups::add(std::span<const std::string_view> keys, std::span<const std::uint32_t> hashes) {
    std::uint32_t likely[64];
    const std::size_t n = std::min<std::size_t>(keys.size(), std::size(likely));
    for (std::size_t b = 0; b < n; ++b) {
        likely[b] = likely_group(hashes[b]);
        if (likely[b] != UINT32_MAX) __builtin_prefetch(&groups_[likely[b]]);
    }
    for (std::size_t b = 0; b < n; ++b)
        if (likely[b] != UINT32_MAX) __builtin_prefetch(key_bytes(groups_[likely[b]]));
    for (std::size_t b = 0; b < keys.size(); ++b)
        if (!add(keys[b], hashes[b])) return false;
    return true;
}

bool KeyGroups::add_all(std::span<const std::string_view> keys, std::span<const std::uint32_t> hashes,
                        std::uint32_t* groups) {
    // How far ahead each line is fetched: the table's, the group's, the key's.
    constexpr std::size_t kSlotAhead = 24, kGroupAhead = 12, kKeyAhead = 6;
    const std::size_t n = keys.size();
    std::uint32_t likely[kGroupAhead + 1];  // by record, modulo
    auto likely_of = [&](std::size_t i) -> std::uint32_t& { return likely[i % (kGroupAhead + 1)]; };
    for (std::size_t i = 0; i < std::min(n, kSlotAhead); ++i) prefetch(hashes[i]);
    for (std::size_t i = 0; i < std::min(n, kGroupAhead); ++i) {
        likely_of(i) = likely_group(hashes[i]);
        if (likely_of(i) != UINT32_MAX) __builtin_prefetch(&groups_[likely_of(i)]);
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (i + kSlotAhead < n) prefetch(hashes[i + kSlotAhead]);
        if (i + kGroupAhead < n) {
            std::uint32_t& g = likely_of(i + kGroupAhead);
            g = likely_group(hashes[i + kGroupAhead]);
            if (g != UINT32_MAX) __builtin_prefetch(&groups_[g]);
        }
        if (i + kKeyAhead < n) {
            const std::uint32_t g = likely_of(i + kKeyAhead);
            if (g != UINT32_MAX) __builtin_prefetch(key_bytes(groups_[g]));
        }
        const std::uint32_t group = add_one(keys[i], hashes[i]);
        if (group == UINT32_MAX) return false;
        if (groups) groups[i] = group;
    }
    return true;
}

void KeyGroups::drop_lookup() { std::vector<std::uint32_t>().swap(slots_); }

std::vector<std::uint32_t> KeyGroups::release() {
    std::vector<std::uint32_t> records = std::move(record_group_);
    std::vector<std::unique_ptr<char[], FreeBlock>>().swap(blocks_);
    std::vector<std::uint32_t>().swap(groups_);
    drop_lookup();
    block_used_ = 0;
    records_ = 0;
    return records;
}

}  // namespace tessaly
