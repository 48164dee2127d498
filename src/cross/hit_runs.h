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

// The group of each record, in reading order, a block at a time: fills
// block with the groups of the records from first on; false when they
// cannot be had.
using RecordGroupSource = std::function<bool(std::size_t first, std::span<std::uint32_t> block)>;

// Returns every run of at least min_hit of the records, whose groups
// record_groups tells, freeing the groups once their keys are sorted.
// Throws std::bad_alloc when memory runs out. cancelled, when given, is
// asked every few thousand steps (of the sort too) whether to stop; when it
// answers true, HitRunsCancelled is thrown.
HitRuns find_hit_runs(KeyGroups& groups, std::size_t records, std::uint32_t min_hit, const MandatoryNodes& mandatory,
                      const RecordGroupSource& record_groups, const std::function<bool()>& cancelled = {});

}  // namespace tessaly
