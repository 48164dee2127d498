#include "chart/undo_history.h"

#include <new>

namespace tessaly {

namespace {

// Pushes a step, dropping the oldest beyond the depth; never allocates the
// list itself, which is reserved beforehand.
void push(std::vector<std::vector<NodeRecord>>& steps, std::vector<NodeRecord> records) {
    if (static_cast<int>(steps.size()) == UndoHistory::kDepth) steps.erase(steps.begin());
    steps.push_back(std::move(records));
}

}  // namespace

void UndoHistory::forget_if_stale(const Chart& chart) {
    if (chart.edition == edition_) return;
    clear();
    edition_ = chart.edition;
}

Status UndoHistory::take_snapshot(const Chart& chart) {
    forget_if_stale(chart);
    try {
        undo_.reserve(kDepth);
        std::vector<NodeRecord> copy = chart.nodes;
        redo_.clear();
        push(undo_, std::move(copy));
    } catch (const std::bad_alloc&) {
        return Status::failure(MessageId::OutOfMemory);
    }
    return {};
}

Status UndoHistory::swap_step(Chart& chart, std::vector<Step>& from, std::vector<Step>& to) {
    forget_if_stale(chart);
    if (from.empty()) return {};
    try {
        to.reserve(kDepth);
        std::vector<NodeRecord> current = chart.nodes;
        chart.nodes.swap(from.back());
        from.pop_back();
        push(to, std::move(current));
    } catch (const std::bad_alloc&) {
        return Status::failure(MessageId::OutOfMemory);
    }
    return {};
}

Status UndoHistory::undo(Chart& chart) { return swap_step(chart, undo_, redo_); }
Status UndoHistory::redo(Chart& chart) { return swap_step(chart, redo_, undo_); }

void UndoHistory::clear() {
    undo_.clear();
    redo_.clear();
}

int UndoHistory::undo_count(const Chart& chart) {
    forget_if_stale(chart);
    return static_cast<int>(undo_.size());
}

int UndoHistory::redo_count(const Chart& chart) {
    forget_if_stale(chart);
    return static_cast<int>(redo_.size());
}

}  // namespace tessaly
