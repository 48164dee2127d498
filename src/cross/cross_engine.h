#pragma once

// One cross, run step by step: open the work files and the result file,
// count the records, allocate, read and group the keys, write the hits,
// close. The caller drives the steps (a progress dialog between events, or a
// plain loop) and hears what happens through an observer.

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "cross/cross_figures.h"
#include "cross/cross_options.h"
#include "text/status.h"

namespace tessaly {

class CrossObserver {
public:
    virtual ~CrossObserver() = default;
    // The message-line text (by id) of the step under way.
    virtual void message_line(MessageId /*id*/) {}
    virtual void progress_range(int /*maximum*/) {}
    virtual void progress_position(int /*position*/) {}
    virtual void record_count(long long /*n*/) {}
    virtual void hit_count(long long /*h*/) {}
    // Asked before every block (1 MiB) of the counting pass, every few
    // thousand records of the reading pass and every hit of the output pass.
    virtual bool cancel_requested() { return false; }
    // Called every few tens of milliseconds during long steps, so that a
    // window can stay alive.
    virtual void keep_alive() {}
};

enum class CrossStage { Open, Count, Allocate, Read, Group, Write, Close, Finished, Failed, Cancelled };

// What the engine does when the result file's name is taken by the time it
// creates the file (another cross into the same folder, say).
enum class TakenResultName {
    Fail,          // OpenFailed: the caller's name is the only one it can use
    TakeNextFree,  // the next free CROSSnnnn.csv; result_path() follows it
};

class CrossEngine {
public:
    // Crosses the selected nodes of the chart into the (not yet existing)
    // result file. The chart must stay unchanged while the cross runs.
    CrossEngine(const Chart& chart, const CrossOptions& options, std::filesystem::path result_path,
                CrossObserver& observer, TakenResultName taken = TakenResultName::Fail);
    // Closes the work files, whatever the outcome; having no name, they are
    // gone with them (and with the process, however it ends). Unless the
    // cross finished, the result goes too: it takes its name only when
    // complete.
    ~CrossEngine();
    CrossEngine(const CrossEngine&) = delete;
    CrossEngine& operator=(const CrossEngine&) = delete;

    // Runs the next stage. False once the cross has ended: finished, failed
    // (failure() says why; OutOfMemory whenever memory runs out) or cancelled.
    bool step();
    // Runs every remaining stage.
    CrossStage run();

    CrossStage stage() const { return stage_; }
    const Status& failure() const { return failure_; }
    // The result file: the name given, or the one taken instead.
    const std::filesystem::path& result_path() const;
    // Whether the result file's name was claimed (see result_file.h): a
    // cross that then fails or is cancelled removes the claim and leaves no
    // result file.
    bool result_file_created() const;
    long long record_count() const { return records_; }  // N
    long long key_count() const { return keys_; }        // M
    long long hit_count() const { return hits_; }        // h
    // How the crossed files overlap; complete once the cross has finished.
    const CrossFigures& figures() const { return figures_; }
    // The result workbook beside the result file (options.workbook), once the
    // cross has finished with it; empty otherwise.
    const std::filesystem::path& workbook_path() const;
    // Its text cells cut at a cell's limit.
    long long workbook_cut_cells() const;
    // Seconds spent in each stage, indexed by CrossStage, for measurements.
    const std::array<double, 7>& stage_seconds() const { return seconds_; }

private:
    bool run_stage();

    struct Impl;
    CrossStage stage_ = CrossStage::Open;
    Status failure_;
    long long records_ = 0;
    long long keys_ = 0;
    long long hits_ = 0;
    CrossFigures figures_;
    std::array<double, 7> seconds_{};
    std::unique_ptr<Impl> impl_;
};

}  // namespace tessaly
