#pragma once

// What tessaly-cross prints after a cross: for people, the result file's
// path first and then the counts; for scripts (--json), one JSON object.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "cross/cross_figures.h"
#include "cross/cross_options.h"

namespace tessaly::cli {

// The names of the cross's stages, in the order of the engine's stage times.
inline constexpr std::array<const char*, 7> kStageNames = {"open",  "count", "allocate", "read",
                                                           "group", "write", "close"};

struct CrossedSource {
    std::string file;   // UTF-8, as the node holds it
    int key_first = 0;  // 0-based
    int key_last = 0;
    int start_record = 1;
    std::string title;  // UTF-8
    bool mandatory = false;
};

struct CrossSummary {
    std::string result;  // the result file's path
    long long records = 0;
    long long keys = 0;
    long long hits = 0;
    std::array<double, 7> stage_seconds{};
    double seconds = 0;  // the whole cross
    CrossOptions options;
    std::string result_folder;
    std::optional<std::string> chart;        // --chart
    std::optional<std::string> result_node;  // the node --save added
    std::vector<CrossedSource> sources;
    // The figures of each source, in the order of sources (empty before a
    // cross), and the result workbook when one was written.
    CrossFigures figures;
    std::optional<std::string> workbook;
    long long workbook_cut_cells = 0;
};

// The selected nodes of a chart, as the summary lists them.
std::vector<CrossedSource> crossed_sources(const Chart& chart);

std::string summary_text(const CrossSummary& summary);
// One line: the object and a line break.
std::string summary_json(const CrossSummary& summary);

}  // namespace tessaly::cli
