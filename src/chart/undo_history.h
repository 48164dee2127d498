#pragma once

// The history of node moves: up to nine snapshots of the whole node table to
// go back to, and as many to go forward again. A snapshot holds only the node
// records (not arcs, states or the display), so a step taken before nodes
// were added or removed is dropped instead of applied.

#include <cstdint>
#include <vector>

#include "chart/chart.h"
#include "text/status.h"

namespace tessaly {

class UndoHistory {
public:
    static constexpr int kDepth = 9;

    // Stores the node records as the newest undo step and empties the redo
    // steps; the oldest step is dropped beyond nine. OutOfMemory when memory runs
    // out (the caller goes on with its change, without an undo step).
    Status take_snapshot(const Chart& chart);
    // Swaps the node records with the newest undo (redo) step; nothing
    // happens without one. OutOfMemory leaves everything as it was.
    Status undo(Chart& chart);
    Status redo(Chart& chart);
    void clear();

    // The counts of steps that still fit the chart's node table.
    int undo_count(const Chart& chart);
    int redo_count(const Chart& chart);

private:
    using Step = std::vector<NodeRecord>;
    Status swap_step(Chart& chart, std::vector<Step>& from, std::vector<Step>& to);
    void forget_if_stale(const Chart& chart);

    std::vector<Step> undo_;  // oldest first
    std::vector<Step> redo_;
    std::uint64_t edition_ = 0;  // of the chart the steps belong to
};

}  // namespace tessaly
