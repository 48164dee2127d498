#include "cli/cli_run.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "chart/chart_file.h"
#include "cli/cli_arguments.h"
#include "cli/cli_copy.h"
#include "cli/cli_encoding.h"
#include "cli/cli_failure.h"
#include "cli/cli_progress.h"
#include "cli/cli_settings.h"
#include "cli/cli_summary.h"
#include "cross/cross_engine.h"
#include "cross/cross_start.h"
#include "cross/result_file.h"
#include "text/cp932.h"
#include "text/file_lock.h"
#include "text/messages.h"
#include "text/printable.h"
#include "text/quoted_fields.h"
#include "text/record_reader.h"
#include "text/temp_file.h"

namespace tessaly::cli {

namespace fs = std::filesystem;

namespace {

// The exit status of a run that a signal stopped.
int stopped_status(const Console& console) {
    const int signal = console.stop_signal ? console.stop_signal->load() : 0;
    return signal > 0 ? kExitSignalBase + signal : kExitFailure;
}

int fail(Console& console, std::string_view file, std::string_view reason) {
    console.err << failure_line(file, reason);
    return kExitFailure;
}

int fail(Console& console, const Status& status, std::string_view file, bool read = false,
         std::string_view text_prefix = {}) {
    console.err << status_line(status, file, read, text_prefix);
    return kExitFailure;
}

// A file as error lines name it: an empty name as '' (as GNU tools do), so
// that the line still says which file it is about.
std::string shown_name(std::string_view given) { return given.empty() ? "''" : std::string(given); }

// The absolute path of a file or folder given on the command line; nullopt
// and why when there is none: an empty name, or a relative one while the
// current folder has been removed.
std::optional<fs::path> absolute_path(const std::string& given, std::string& why) {
    if (given.empty()) {
        why = std::strerror(ENOENT);
        return std::nullopt;
    }
    std::error_code ec;
    fs::path path = fs::absolute(given, ec);
    if (ec) {
        why = "the current folder cannot be found (" + ec.message() + ")";
        return std::nullopt;
    }
    return path;
}

// Why no result file can be made in the folder, or an empty text when one can.
std::string result_folder_problem(const fs::path& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? "no such folder" : std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "not a folder";
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        return std::string("no files can be made there (") + std::strerror(errno) + ")";
    return {};
}

// A path as a node keeps it: cp932 within 259 bytes.
std::optional<std::string> node_path(const fs::path& path) {
    auto cp932_path = cp932::from_utf8(path.string());
    if (!cp932_path || !path_fits_node(*cp932_path)) return std::nullopt;
    return cp932_path;
}

// One line per arc and per node, fields between tabs (key fields counted
// from 1, as -k takes them; 0 for a node without a key); a tab or a line break
// in a title or a path is escaped, so a node is always one line of as many
// fields as any other.
void list_chart(const Chart& chart, std::ostream& out) {
    auto shown = [](std::string_view field) { return escape_controls(cp932::to_utf8_lossy(field)); };
    for (const ArcRecord& a : chart.arcs) out << "arc\t" << a.from << '\t' << a.to << '\n';
    for (int i = 0; i < chart.node_count(); ++i) {
        const NodeRecord& n = chart.nodes[i];
        out << "node\t" << i << '\t' << n.kind << '\t' << shown(cp932::field_text(n.title)) << '\t' << n.key_first + 1
            << '\t' << n.key_last + 1 << '\t' << n.start_record << '\t' << n.mandatory << '\t' << n.record_count << '\t'
            << n.rect.left << ',' << n.rect.top << ',' << n.rect.right << ',' << n.rect.bottom << '\t'
            << shown(cp932::field_text(n.path)) << '\n';
    }
}

// Puts the given files on a fresh chart, all selected. A file is named as
// it was given.
int chart_from_files(const Arguments& a, Console& console, Chart& chart) {
    chart.reset(0, 0);
    for (const SourceArgument& s : a.sources) {
        std::string why;
        const std::optional<fs::path> absolute = absolute_path(s.file, why);
        if (!absolute) return fail(console, shown_name(s.file), why);
        const fs::path& path = *absolute;
        auto cp932_path = node_path(path);
        if (!cp932_path) return fail(console, Status::failure(MessageId::PathUnusable), s.file);
        // Before the text check, which would take UTF-16 or a workbook for
        // a binary file.
        if (const std::string refusal = spreadsheet_refusal(path, s.file); !refusal.empty()) {
            console.err << refusal;
            return kExitFailure;
        }
        if (const std::string refusal = foreign_encoding_refusal(path, s.file); !refusal.empty()) {
            console.err << refusal;
            return kExitFailure;
        }
        if (Status check = check_text_file(path); !check) return fail(console, check, s.file, true);
        const std::string title_text = s.title ? *s.title : path.stem().string();
        auto title = cp932::from_utf8(title_text);
        if (!title) return fail(console, s.file, "the title \"" + title_text + "\" holds characters cp932 lacks");
        if (Status added = add_node(chart, *cp932_path, {0, 0}, 1.0, kSourceNode, *title, 0); !added)
            return fail(console, added, s.file);
        NodeRecord& node = chart.nodes.back();
        node.key_first = s.key_first;
        node.key_last = s.key_last;
        node.start_record = static_cast<std::uint16_t>(s.start_record);
        node.mandatory = s.mandatory ? 1 : 0;
        chart.node_states.back().selected = 1;
    }
    return kExitSuccess;
}

// A source as the user named it: as given with -f, else (a chart's node)
// its path.
std::string given_name(const Arguments& a, const std::string& path) {
    for (const SourceArgument& s : a.sources) {
        std::error_code error;
        if (fs::absolute(s.file, error) == fs::path(path) && !error) return s.file;
    }
    return path;
}

// Selects the named nodes of a saved chart.
int select_chart_nodes(const Arguments& a, Console& console, Chart& chart) {
    for (NodeState& s : chart.node_states) s.selected = 0;
    for (const std::string& name : a.nodes) {
        int index = -1;
        // "#INDEX" names a node by its place; any other text is a title.
        if (name.size() > 1 && name[0] == '#' && name.find_first_not_of("0123456789", 1) == std::string::npos &&
            name.size() <= 5) {
            index = std::stoi(name.substr(1));
            if (index >= chart.node_count()) index = -1;
        } else if (auto title = cp932::from_utf8(name)) {
            for (int i = 0; i < chart.node_count() && index < 0; ++i)
                if (cp932::field_text(chart.nodes[i].title) == *title) index = i;
        }
        if (index < 0) return fail(console, a.chart, "no node " + name);
        chart.node_states[index].selected = 1;
    }
    return kExitSuccess;
}

// A saved chart's node may hold a file in another encoding (placed before
// such files were recognised, or replaced since): refused as a given one is.
int refuse_foreign_nodes(const Chart& chart, Console& console) {
    for (int i = 0; i < chart.node_count(); ++i) {
        if (chart.node_states[i].selected != 1) continue;
        const auto path = cp932::to_utf8(cp932::field_text(chart.nodes[i].path));
        if (!path) continue;  // the cross says it cannot open it
        if (const std::string refusal = foreign_encoding_refusal(*path, *path); !refusal.empty()) {
            console.err << refusal;
            return kExitFailure;
        }
    }
    return kExitSuccess;
}

// Without --quotes, a source whose first records hold a quoted field with a
// comma inside has its fields shifted there: said once for each such source,
// and crossed all the same.
void warn_of_quoted_commas(const Arguments& a, const Chart& chart, Console& console) {
    if (a.options.quotes) return;
    for (int i = 0; i < chart.node_count(); ++i) {
        if (chart.node_states[i].selected != 1) continue;
        const auto path = cp932::to_utf8(cp932::field_text(chart.nodes[i].path));
        if (!path) continue;
        const QuotedCommaLine found = first_quoted_comma_line(*path);
        if (found.line == 0) continue;
        console.err << failure_line(given_name(a, *path), "line " + std::to_string(found.line) + ": " +
                                                              quoted_comma_excerpt(found) +
                                                              " ; --quotes reads quoted fields as one field");
    }
}

}  // namespace

static int run_unguarded(const std::vector<std::string>& args, Console& console) {
    auto parsed = parse_arguments(args);
    if (auto* usage = std::get_if<UsageError>(&parsed)) {
        console.err << "tessaly-cross: " << escape_controls(usage->text) << "\nTry 'tessaly-cross --help'.\n";
        return kExitUsage;
    }
    const Arguments& a = std::get<Arguments>(parsed);
    if (a.mode == Arguments::Mode::Help) {
        console.out << kUsage;
        return kExitSuccess;
    }
    if (a.mode == Arguments::Mode::Version) {
        console.out << "tessaly-cross " << kVersion << '\n';
        return kExitSuccess;
    }
    if (a.mode == Arguments::Mode::ToCp932) return run_to_cp932(a, console);

    // An empty chart name (--list '', --chart=) is no file, and no path can
    // be made of it.
    if ((a.mode == Arguments::Mode::List || a.mode == Arguments::Mode::Chart) && a.chart.empty())
        return fail(console, shown_name(a.chart), std::strerror(ENOENT));

    Chart chart;
    // With --save the chart is locked from reading it to renaming the saved
    // one over it, so that two crosses saving into one chart at once both
    // add their result node: the second waits for the first.
    FileLock chart_lock;
    Status locked;
    if (a.mode == Arguments::Mode::Chart && a.save) {
        bool told = false;
        locked = chart_lock.lock(a.chart, [&] {
            if (stop_requested(console)) return false;
            if (!told) console.err << failure_line({}, "waiting for " + a.chart + ", which another program is saving");
            told = true;
            return true;
        });
        if (!locked && stop_requested(console)) {
            console.err << failure_line(a.chart, "cancelled while another program was saving it");
            return stopped_status(console);
        }
    }
    if (a.mode == Arguments::Mode::List || a.mode == Arguments::Mode::Chart) {
        // A chart that cannot be locked is named by the reading's refusal
        // (not there, a folder, a FIFO), else by the lock's.
        if (Status opened = open_chart(a.chart, chart); !opened)
            return fail(console, opened, named_file(opened, a.chart), true);
        if (!locked) return fail(console, locked, named_file(locked, a.chart), true);
        if (a.mode == Arguments::Mode::List) {
            list_chart(chart, console.out);
            return kExitSuccess;
        }
        if (int e = select_chart_nodes(a, console, chart)) return e;
        if (int e = refuse_foreign_nodes(chart, console)) return e;
    } else if (int e = chart_from_files(a, console, chart)) {
        return e;
    }

    if (int i = first_selected_node_without_key(chart); i >= 0)
        return fail(console, Status::failure(MessageId::NoKeyFields), a.chart, false,
                    missing_key_prefix(chart.nodes[i]));
    warn_of_quoted_commas(a, chart, console);

    const SavedSettings saved = read_saved_settings();
    if (!saved.ignored.empty()) console.err << failure_line(settings_file().string(), saved.ignored);
    const std::string folder = a.result_folder ? *a.result_folder : saved.result_folder;
    if (folder.empty())
        return fail(console, "",
                    std::string(message_text(MessageId::NoResultFolder)) +
                        "（-o フォルダで指定するか、テサリーの環境設定で保存場所を決めてください）");
    std::string why;
    const std::optional<fs::path> absolute_folder = absolute_path(folder, why);
    if (!absolute_folder) return fail(console, folder, why);
    const fs::path& result_folder = *absolute_folder;
    if (const std::string problem = result_folder_problem(result_folder); !problem.empty())
        return fail(console, result_folder.string(), problem);
    // The result node would not fit: refused before anything is crossed.
    if (a.save && chart.node_count() >= kMaxNodes)
        return fail(console, Status::failure(MessageId::TooManyNodes), a.chart);
    const std::string result_title = next_result_title(chart);
    const fs::path chosen_path = find_result_file_name(result_folder);
    if (chosen_path.empty())
        return fail(console, result_folder.string(), "CROSS0001.csv to CROSS10000.csv are all taken");
    if (a.save && !node_path(chosen_path))
        return fail(console, Status::failure(MessageId::PathUnusable), chosen_path.string());
    // Stopped before the cross began: no result file is made at all.
    if (stop_requested(console)) {
        console.err << failure_line({}, "cancelled");
        return stopped_status(console);
    }

    const auto started = std::chrono::steady_clock::now();
    ProgressBar progress(console);
    // Another cross into the same folder may take the chosen number first:
    // then the next free one is taken.
    CrossEngine engine(chart, a.options, chosen_path, progress, TakenResultName::TakeNextFree);
    const CrossStage end = engine.run();
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    progress.finish();
    if (a.timings) {
        for (std::size_t i = 0; i < kStageNames.size(); ++i) {
            char line[64];
            std::snprintf(line, sizeof line, "%-9s %7.3fs\n", kStageNames[i], engine.stage_seconds()[i]);
            console.err << line;
        }
    }
    const fs::path& result_path = engine.result_path();
    if (end == CrossStage::Cancelled) {
        // The engine's work files are closed (and so gone) by now, and so is
        // the partial result: it never had its name.
        console.err << failure_line({}, "cancelled");
        return stopped_status(console);
    }
    if (end != CrossStage::Finished) {
        // A failure without a file of its own concerns the work files in
        // the temporary folder, or the result file it could not make.
        const Status& failure = engine.failure();
        std::string concerned;
        if (failure.message_id == MessageId::TempFileFailed ||
            (failure.message_id == MessageId::OpenFailed && engine.result_file_created()))
            concerned = temp_folder().string();
        else if (failure.message_id == MessageId::OpenFailed)
            concerned = result_path.string();
        // Only a source named by the failure was being read. A source whose
        // UTF-8 shows only past its first bytes is found as the records are
        // counted (other encodings show in those bytes and are refused
        // before the cross).
        if (failure.message_id == MessageId::NotCp932Cross)
            console.err << encoding_refusal(TextEncoding::Utf8, given_name(a, failure.first_line));
        else
            fail(console, failure, named_file(failure, concerned), !failure.first_line.empty());
        return kExitFailure;  // and no result file: it takes its name only when complete
    }

    CrossSummary summary;
    summary.sources = crossed_sources(chart);
    if (a.save) {
        // The result is complete and stays; a chart that cannot take its
        // node must not leave it unnamed.
        auto unreferenced = [&](int code) {
            console.err << failure_line(result_path.string(),
                                        "the result is complete, but " + a.chart + " was not saved with a node for it");
            return code;
        };
        const auto cp932_result = node_path(result_path);
        if (!cp932_result)
            return unreferenced(fail(console, Status::failure(MessageId::PathUnusable), result_path.string()));
        auto point = result_node_point(chart, 1.0);
        ResultNodeOutcome added =
            add_result_node(chart, *cp932_result, point.value_or(CanvasPoint{}), 1.0, result_title, engine.hit_count());
        for (const Status& refused : added.refused_arcs) console.err << status_line(refused, a.chart);
        if (!added.status) return unreferenced(fail(console, added.status, a.chart));
        if (Status saved_chart = save_chart(a.chart, chart, saved.make_backup, &chart_lock); !saved_chart)
            return unreferenced(fail(console, saved_chart, named_file(saved_chart, a.chart)));
        summary.result_node = cp932::to_utf8_lossy(result_title);
    }

    summary.result = result_path.string();
    summary.records = engine.record_count();
    summary.keys = engine.key_count();
    summary.hits = engine.hit_count();
    summary.figures = engine.figures();
    if (!engine.workbook_path().empty()) summary.workbook = engine.workbook_path().string();
    summary.workbook_cut_cells = engine.workbook_cut_cells();
    summary.stage_seconds = engine.stage_seconds();
    summary.seconds = elapsed;
    summary.options = a.options;
    summary.result_folder = result_folder.string();
    if (a.mode == Arguments::Mode::Chart) {
        std::error_code ec;
        const fs::path chart_path = fs::absolute(a.chart, ec);
        summary.chart = ec ? a.chart : chart_path.string();
    }
    console.out << (a.json ? summary_json(summary) : summary_text(summary));
    return kExitSuccess;
}

int run(const std::vector<std::string>& args, Console& console) {
    // The paths are made with the error-code forms of the file system calls;
    // should one of the throwing forms still meet a path it cannot handle,
    // that is a failure named like any other, never an abort.
    try {
        return run_unguarded(args, console);
    } catch (const fs::filesystem_error& e) {
        console.err << failure_line(e.path1().string(), e.code().message());
        return kExitFailure;
    }
}

}  // namespace tessaly::cli
