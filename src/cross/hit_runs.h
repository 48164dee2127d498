#pragma once

// From grouped keys to hits: the runs of equal keys long enough to be hits,
// in ascending key order (bytes compared as unsigned values), each holding
// its records in reading order; a run lacking a record of any selected
// mandatory node is marked as no hit.

#include <cstdint>
#include <functional>
#include <span>
#include <utility>
#include <vector>

#include "cross/key_groups.h"

namespace tessaly {

struct HitRuns {
    std::vector<std::uint32_t> records;  // record numbers, run after run
    std::vector<std::uint32_t> bounds;   // run i is records[bounds[i], bounds[i + 1])
    std::vector<char> is_hit;

    std::size_t run_count() const { return is_hit.size(); }
};

struct MandatoryNodes {
    // Where each node's records begin: (first record, node), ascending.
    std::vector<std::pair<std::uint32_t, int>> first_record_of_node;
    // For each node of the chart, its place among the selected mandatory
    // nodes, or -1.
    std::vector<int> slot_of_node;
    int count = 0;
};

// Thrown by find_hit_runs when it was asked to stop.
struct HitRunsCancelled {};
// Thrown by find_hit_runs when the groups of the records could not be read.
struct HitRunsUnreadable {};

// The group of each record, in reading order, a block at a time, for groups
// that do not keep them (see KeyGroups): fills block with the groups of the
// records from first on; false when they cannot be had.
using RecordGroupSource = std::function<bool(std::size_t first, std::span<std::uint32_t> block)>;

// Takes the groups apart (they are freed) and returns every run of at least
// min_hit records. Throws std::bad_alloc when memory runs out. cancelled,
// when given, is asked every few thousand steps (of the sort too) whether to
// stop; when it answers true, HitRunsCancelled is thrown. record_groups,
// when given, tells the group of each record instead of the groups.
HitRuns find_hit_runs(KeyGroups& groups, std::uint32_t min_hit, const MandatoryNodes& mandatory,
                      const std::function<bool()>& cancelled = {}, const RecordGroupSource& record_groups = {});

}  // namespace tessaly
