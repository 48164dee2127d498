#pragma once

// From grouped keys to hits: the runs of equal keys long enough to be hits,
// in ascending key order (bytes compared as unsigned values), each holding
// its records in reading order; a run lacking a record of any selected
// mandatory node is marked as no hit.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cross/key_groups.h"

namespace tessaly {

struct HitRuns {
    std::vector<std::uint32_t> records;  // record numbers, run after run
    std::vector<std::uint32_t> bounds;   // run i is records[bounds[i], bounds[i + 1])
    std::vector<std::uint32_t> lengths;  // of the records, as records
    std::vector<char> is_hit;
    // The runs' keys, by number (not in run order): key n ends at
    // key_ends[n]; run i's key is number key_number[i].
    std::string keys;
    std::vector<std::size_t> key_ends;
    std::vector<std::uint32_t> key_number;

    std::size_t run_count() const { return is_hit.size(); }
    std::string_view key(std::uint32_t number) const {
        const std::size_t begin = number == 0 ? 0 : key_ends[number - 1];
        return std::string_view(keys).substr(begin, key_ends[number] - begin);
    }
    std::string_view key_of(std::uint32_t run) const { return key(key_number[run]); }
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
// groups with the groups of the records from first on and, when lengths is
// not empty, lengths with their lengths; false when they cannot be had.
// Asked from two threads at once, for different records.
using RecordGroupSource =
    std::function<bool(std::size_t first, std::span<std::uint32_t> groups, std::span<std::uint32_t> lengths)>;

// Returns every run of at least min_hit (2 or more) of the records, whose
// groups record_groups tells, with its key, freeing the groups once their
// keys are sorted. The keys are those the groups kept: a caller reading the
// records again checks them against the records' own (see key_groups.h).
// Throws std::bad_alloc when memory runs out. cancelled, when given, is
// asked every few thousand steps (of the sort too) whether to stop; when it
// answers true, HitRunsCancelled is thrown.
HitRuns find_hit_runs(KeyGroups& groups, std::size_t records, std::uint32_t min_hit, const MandatoryNodes& mandatory,
                      const RecordGroupSource& record_groups, const std::function<bool()>& cancelled = {});

}  // namespace tessaly
