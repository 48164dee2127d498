#include "cli/cli_summary.h"

#include <cstdio>

#include "cli/cli_json.h"
#include "text/cp932.h"
#include "text/printable.h"

namespace tessaly::cli {

namespace {

// A key as -k takes it: "2", or "2-3".
std::string key_text(int first, int last) {
    std::string text = std::to_string(first + 1);
    if (last != first) text.append("-").append(std::to_string(last + 1));
    return text;
}

}  // namespace

std::vector<CrossedSource> crossed_sources(const Chart& chart) {
    std::vector<CrossedSource> sources;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (chart.node_states[i].selected != 1) continue;
        const NodeRecord& node = chart.nodes[i];
        CrossedSource& s = sources.emplace_back();
        s.file = cp932::to_utf8_lossy(cp932::field_text(node.path));
        s.key_first = node.key_first;
        s.key_last = node.key_last;
        // 0 skips nothing, as 1 does.
        s.start_record = node.start_record == 0 ? 1 : node.start_record;
        s.title = cp932::to_utf8_lossy(cp932::field_text(node.title));
        s.mandatory = node.mandatory != 0;
    }
    return sources;
}

std::string summary_text(const CrossSummary& summary) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", summary.seconds);
    std::string text = escape_controls(summary.result);
    text.append("\nrecords: ").append(std::to_string(summary.records));
    text.append("\nkeyed records: ").append(std::to_string(summary.keys));
    text.append("\nhits: ").append(std::to_string(summary.hits));
    // One line a source: its records, those in hits and the hits holding them.
    for (std::size_t i = 0; i < summary.sources.size() && i < summary.figures.sources.size(); ++i) {
        const SourceFigures& f = summary.figures.sources[i];
        char percent[32];
        std::snprintf(percent, sizeof percent, "%.1f%%", CrossFigures::duplicate_percent(f));
        text.append("\nsource ").append(escape_controls(summary.sources[i].title));
        text.append(": records ").append(std::to_string(f.records));
        text.append(", in hits ").append(std::to_string(f.records_in_hits)).append(" (").append(percent).append(")");
        text.append(", hits ").append(std::to_string(f.hits));
    }
    if (summary.workbook) {
        text.append("\nworkbook: ").append(escape_controls(*summary.workbook));
        if (summary.workbook_cut_cells > 0)
            text.append("\nworkbook cells cut at 32,767 characters: ")
                .append(std::to_string(summary.workbook_cut_cells));
    }
    return text.append("\nelapsed: ").append(seconds).append("s\n");
}

std::string summary_json(const CrossSummary& summary) {
    JsonObject seconds;
    for (std::size_t i = 0; i < kStageNames.size(); ++i)
        seconds.raw(kStageNames[i], json_seconds(summary.stage_seconds[i]));
    seconds.raw("total", json_seconds(summary.seconds));

    const CrossOptions& o = summary.options;
    JsonObject options;
    options.text("result_folder", summary.result_folder)
        .integer("min_hit", o.min_hit)
        .flag("remove_spaces", o.remove_spaces)
        .flag("remove_hyphens", o.remove_hyphens)
        .flag("remove_parens", o.remove_parens)
        .flag("ignore_case", o.ignore_case)
        .flag("old_new", o.old_new)
        .flag("hit_numbers", o.hit_numbers)
        .flag("blank_lines", o.blank_lines)
        .flag("quotes", o.quotes)
        .flag("xlsx", o.workbook);

    std::vector<std::string> sources;
    for (std::size_t i = 0; i < summary.sources.size(); ++i) {
        const CrossedSource& s = summary.sources[i];
        const SourceFigures f = i < summary.figures.sources.size() ? summary.figures.sources[i] : SourceFigures{};
        sources.push_back(JsonObject()
                              .text("file", s.file)
                              .text("key", key_text(s.key_first, s.key_last))
                              .integer("start_record", s.start_record)
                              .text("title", s.title)
                              .flag("mandatory", s.mandatory)
                              .integer("records", f.records)
                              .integer("records_in_hits", f.records_in_hits)
                              .integer("hits", f.hits)
                              .str());
    }

    JsonObject object;
    object.text("result", summary.result);
    if (summary.workbook)
        object.text("workbook", *summary.workbook);
    else
        object.null("workbook");
    object.integer("workbook_cut_cells", summary.workbook_cut_cells)
        .integer("records", summary.records)
        .integer("keys", summary.keys)
        .integer("keyed_records", summary.keys)
        .integer("hits", summary.hits)
        .raw("seconds", seconds.str())
        .raw("options", options.str());
    if (summary.chart) {
        JsonObject chart;
        chart.text("file", *summary.chart);
        if (summary.result_node)
            chart.text("result_node", *summary.result_node);
        else
            chart.null("result_node");
        object.raw("chart", chart.str());
    } else {
        object.null("chart");
    }
    object.raw("sources", json_array(sources));
    return object.str() + "\n";
}

}  // namespace tessaly::cli
