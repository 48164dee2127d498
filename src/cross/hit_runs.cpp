#include "cross/hit_runs.h"

#include "cross/huge_pages.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace tessaly {

namespace {

constexpr std::uint32_t kNone = UINT32_MAX;

// The first twelve bytes as two big-endian numbers: they order like the
// keys themselves, so that most comparisons of the sort never leave the
// candidate array for the key store.
struct KeyPrefix {
    std::uint64_t high = 0;
    std::uint32_t low = 0;
    auto operator<=>(const KeyPrefix&) const = default;  // NOLINT(modernize-use-nullptr): a tidy 14 false alarm
};

KeyPrefix key_prefix(std::string_view key) {
    unsigned char b[12] = {};
    std::memcpy(b, key.data(), std::min<std::size_t>(12, key.size()));
    KeyPrefix p;
    for (int i = 0; i < 8; ++i) p.high = p.high << 8 | b[i];
    for (int i = 8; i < 12; ++i) p.low = p.low << 8 | b[i];
    return p;
}

// Tables indexed at random by record: fetching a few iterations ahead hides
// most of the memory latency.
constexpr std::size_t kAhead = 16;

// Asks whether to stop once every 16,384 steps.
class CancelPoint {
public:
    explicit CancelPoint(const std::function<bool()>& cancelled) : cancelled_(cancelled) {}
    void step() {
        if ((++steps_ & 0x3FFF) == 0 && cancelled_ && cancelled_()) throw HitRunsCancelled{};
    }

private:
    const std::function<bool()>& cancelled_;
    std::uint64_t steps_ = 0;
};

// A run is a hit only when every selected mandatory node has a record in it.
void mark_hits(HitRuns& runs, const MandatoryNodes& mandatory, CancelPoint& cancel) {
    runs.is_hit.assign(runs.bounds.size() - 1, 1);
    if (mandatory.count == 0) return;
    const auto& firsts = mandatory.first_record_of_node;
    std::vector<std::uint32_t> seen_in_run(static_cast<std::size_t>(mandatory.count), kNone);
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
        cancel.step();
        int seen = 0;
        for (std::uint32_t p = runs.bounds[run]; p < runs.bounds[run + 1]; ++p) {
            auto it = std::upper_bound(firsts.begin(), firsts.end(), std::make_pair(runs.records[p], INT32_MAX));
            const int slot = mandatory.slot_of_node[static_cast<std::size_t>(std::prev(it)->second)];
            if (slot >= 0 && seen_in_run[static_cast<std::size_t>(slot)] != run) {
                seen_in_run[static_cast<std::size_t>(slot)] = run;
                ++seen;
            }
        }
        runs.is_hit[run] = seen == mandatory.count;
    }
}

}  // namespace

HitRuns find_hit_runs(KeyGroups& groups, std::size_t records, std::uint32_t min_hit, const MandatoryNodes& mandatory,
                      const RecordGroupSource& record_groups, const std::function<bool()>& cancelled) {
    CancelPoint cancel(cancelled);
    std::vector<std::uint32_t> block;
    auto each_block = [&](auto each) {
        constexpr std::size_t kBlock = 1 << 16;
        for (std::size_t first = 0; first < records; first += kBlock) {
            block.resize(std::min(kBlock, records - first));
            if (!record_groups(first, block)) throw HitRunsUnreadable{};
            each(first, std::span<const std::uint32_t>(block));
        }
    };

    // The size of every group, then the long enough ones in key order.
    std::vector<std::uint32_t> run_of_group;
    assign_huge<std::uint32_t>(run_of_group, groups.group_count(), 0);
    each_block([&](std::size_t, std::span<const std::uint32_t> g) {
        for (std::size_t i = 0; i < g.size(); ++i) {
            cancel.step();
            if (i + kAhead < g.size() && g[i + kAhead] != kNoGroup) __builtin_prefetch(&run_of_group[g[i + kAhead]]);
            if (g[i] != kNoGroup) ++run_of_group[g[i]];
        }
    });

    // Sixteen bytes a candidate: the prefix spelled out.
    struct Candidate {
        std::uint64_t high;
        std::uint32_t low;
        std::uint32_t group;
        KeyPrefix prefix() const { return {high, low}; }
    };
    static_assert(sizeof(Candidate) == 16);
    std::vector<Candidate> candidates;
    for (std::uint32_t g = 0; g < groups.group_count(); ++g)
        if (run_of_group[g] >= std::max(min_hit, 2u)) candidates.push_back({0, 0, g});
    // Each key's place in the store is fetched well ahead, then the key.
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        cancel.step();
        if (i + 2 * kAhead < candidates.size()) groups.prefetch_place(candidates[i + 2 * kAhead].group);
        if (i + kAhead < candidates.size()) groups.prefetch_key(candidates[i + kAhead].group);
        const KeyPrefix p = key_prefix(groups.key_of(candidates[i].group));
        candidates[i].high = p.high;
        candidates[i].low = p.low;
    }
    // By prefix first, never looking at the keys; then each stretch of equal
    // prefixes by the whole keys, which are fetched ahead in the order the
    // stretches come.
    std::sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
        cancel.step();
        if (a.prefix() != b.prefix()) return a.prefix() < b.prefix();
        return a.group < b.group;
    });
    std::size_t fetched = 0;
    auto fetch_up_to = [&](std::size_t end) {
        for (end = std::min(end, candidates.size()); fetched < end; ++fetched) {
            groups.prefetch_place(candidates[fetched].group);
            if (fetched >= kAhead) groups.prefetch_key(candidates[fetched - kAhead].group);
        }
    };
    for (std::size_t i = 0; i < candidates.size();) {
        std::size_t j = i + 1;
        while (j < candidates.size() && candidates[j].prefix() == candidates[i].prefix()) ++j;
        if (j - i > 1) {
            fetch_up_to(j + 2 * kAhead);
            std::sort(candidates.begin() + static_cast<std::ptrdiff_t>(i),
                      candidates.begin() + static_cast<std::ptrdiff_t>(j), [&](const Candidate& a, const Candidate& b) {
                          cancel.step();
                          return groups.key_of(a.group) < groups.key_of(b.group);
                      });
        }
        i = j;
    }

    HitRuns runs;
    runs.key_ends.reserve(candidates.size());
    fetched = 0;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        cancel.step();
        fetch_up_to(i + 2 * kAhead);
        runs.keys.append(groups.key_of(candidates[i].group));
        runs.key_ends.push_back(runs.keys.size());
    }
    runs.bounds.assign(candidates.size() + 1, 0);
    for (std::uint32_t i = 0; i < candidates.size(); ++i)
        runs.bounds[i + 1] = runs.bounds[i] + run_of_group[candidates[i].group];
    std::fill(run_of_group.begin(), run_of_group.end(), kNone);
    for (std::uint32_t i = 0; i < candidates.size(); ++i) run_of_group[candidates[i].group] = i;
    std::vector<Candidate>().swap(candidates);
    groups.release();

    // Each run's records in reading order: a counting sort by run.
    assign_huge<std::uint32_t>(runs.records, runs.bounds.back(), 0);
    std::vector<std::uint32_t> cursor(runs.bounds.begin(), runs.bounds.end() - 1);
    each_block([&](std::size_t first, std::span<const std::uint32_t> g) {
        for (std::size_t i = 0; i < g.size(); ++i) {
            cancel.step();
            if (i + kAhead < g.size() && g[i + kAhead] != kNoGroup) __builtin_prefetch(&run_of_group[g[i + kAhead]]);
            if (g[i] == kNoGroup) continue;
            const std::uint32_t run = run_of_group[g[i]];
            if (run != kNone) runs.records[cursor[run]++] = static_cast<std::uint32_t>(first + i);
        }
    });
    mark_hits(runs, mandatory, cancel);
    return runs;
}

}  // namespace tessaly
