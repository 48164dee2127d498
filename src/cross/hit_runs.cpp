#include "cross/hit_runs.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string_view>

namespace tessaly {

namespace {

constexpr std::uint32_t kNone = UINT32_MAX;

// Big-endian first eight bytes: orders like the keys themselves, so that most
// comparisons of the sort never leave this array.
std::uint64_t key_prefix(std::string_view key) {
    unsigned char b[8] = {};
    std::memcpy(b, key.data(), std::min<std::size_t>(8, key.size()));
    std::uint64_t v = 0;
    for (unsigned char c : b) v = v << 8 | c;
    return v;
}

// A run is a hit only when every selected mandatory node has a record in it.
void mark_hits(HitRuns& runs, const MandatoryNodes& mandatory) {
    runs.is_hit.assign(runs.bounds.size() - 1, 1);
    if (mandatory.count == 0) return;
    const auto& firsts = mandatory.first_record_of_node;
    std::vector<std::uint32_t> seen_in_run(static_cast<std::size_t>(mandatory.count), kNone);
    for (std::uint32_t run = 0; run < runs.run_count(); ++run) {
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

HitRuns find_hit_runs(KeyGroups& groups, std::uint32_t min_hit, const MandatoryNodes& mandatory) {
    // The size of every group, then the long enough ones in key order.
    std::vector<std::uint32_t> run_of_group(groups.group_count(), 0);
    for (std::size_t r = 0; r < groups.record_count(); ++r) ++run_of_group[groups.group_of(r)];

    struct Candidate {
        std::uint64_t prefix;
        std::uint32_t group;
    };
    std::vector<Candidate> candidates;
    for (std::uint32_t g = 0; g < groups.group_count(); ++g)
        if (run_of_group[g] >= min_hit) candidates.push_back({key_prefix(groups.key_of(g)), g});
    std::sort(candidates.begin(), candidates.end(), [&](const Candidate& a, const Candidate& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        return groups.key_of(a.group) < groups.key_of(b.group);
    });

    HitRuns runs;
    runs.bounds.assign(candidates.size() + 1, 0);
    for (std::uint32_t i = 0; i < candidates.size(); ++i)
        runs.bounds[i + 1] = runs.bounds[i] + run_of_group[candidates[i].group];
    std::fill(run_of_group.begin(), run_of_group.end(), kNone);
    for (std::uint32_t i = 0; i < candidates.size(); ++i) run_of_group[candidates[i].group] = i;
    std::vector<Candidate>().swap(candidates);
    const std::vector<std::uint32_t> group_of_record = groups.release();

    // Each run's records in reading order: a counting sort by run.
    runs.records.assign(runs.bounds.back(), 0);
    std::vector<std::uint32_t> cursor(runs.bounds.begin(), runs.bounds.end() - 1);
    for (std::uint32_t r = 0; r < group_of_record.size(); ++r) {
        const std::uint32_t run = run_of_group[group_of_record[r]];
        if (run != kNone) runs.records[cursor[run]++] = r;
    }
    mark_hits(runs, mandatory);
    return runs;
}

}  // namespace tessaly
