#include "cli/cli_arguments.h"

#include <charconv>
#include <string_view>

#include "chart/chart_file.h"

namespace tessaly::cli {

const char* const kVersion = TESSALY_VERSION;

const char* const kUsage = R"(Usage:
  tessaly-cross [OPTIONS] -f FILE -k KEY [-r N] [-t TITLE] [-M] [-f FILE ...]...
  tessaly-cross [OPTIONS] --chart CHART.tsy --node NODE... [--save]
  tessaly-cross --list CHART.tsy
  tessaly-cross --to-cp932 FILE [--sheet NAME|N] [--overwrite]

Finds the records whose cross key occurs at least twice (or --min-hit times)
over the given files and writes all records of every hit, hit by hit, to the
first free CROSS0001.csv ... CROSS10000.csv in the result folder. Files are
read as cp932 (Shift-JIS) text with comma-separated fields; a UTF-8 or UTF-16
file, or an Excel workbook, is refused with the command that makes a cp932
copy of it (--to-cp932).

Source files (-k, -r, -t and -M apply to the -f before them):
  -f, --file FILE        add a source file
  -k, --key A | A-B      the cross key: field A, or fields A to B, counted
                         from 1 (up to 2000, the most a record may have)
  -r, --start-record N   start reading at record N (1 to 10; default 1)
  -t, --title TITLE      the file's title in the result (default: the file
                         name without its extension)
  -M, --mandatory        a hit must have a record from this file

Saved chart:
  --chart CHART          cross nodes of a saved chart, with their own keys,
                         start records, mandatory marks and titles
  --node NODE            a node to cross: its title, or #INDEX (from 0)
  --save                 add the result node and its arcs to the chart and
                         save it; the chart is locked meanwhile (another
                         cross saving into it waits its turn)
  --list CHART           print the chart's arcs and nodes (key fields counted
                         from 1 as with -k; 0 for a node without a key)

Copies in cp932 (Shift-JIS):
  --to-cp932 FILE        write a cp932 copy of a UTF-8 or UTF-16 file beside
                         it as NAME.sjis.EXT, or of one sheet of an Excel
                         workbook (.xlsx, .xlsm) as NAME.sjis.csv, laid out
                         as a spreadsheet saves CSV (line breaks in a cell
                         become spaces); print the copy's path. Characters
                         cp932 lacks are listed by line and no copy is made
  --sheet NAME | N       the workbook's sheet: by name, or the Nth from 1
                         (default: the first)
  --overwrite            replace an existing copy (without it, an existing
                         copy is kept and the run fails)

Cross options:
  -o, --output-dir DIR   the result folder (default: the one in Tessaly's
                         settings)
  --min-hit N            a key found at least N times is a hit (2 to 100;
                         default 2)
  --keep-spaces          do not remove half- and full-width spaces from keys
  --remove-hyphens       remove - and － from keys
  --remove-parens        remove ( ) （ ） from keys
  --ignore-case          upper and lower case alike
  --old-new              old and new character forms alike (髙/高, 邊/辺 ...)
  --no-hit-numbers       do not start result lines with the hit number
  --no-blank-lines       no empty line after each hit
  --xlsx                 also write the result workbook CROSSnnnn.xlsx beside
                         the result file: the hit records as their files
                         hold them, and how the files overlap
  --quotes               a field in double quotes is one field, commas and
                         all ("a,""b""" is a,"b"), as spreadsheets write CSV

Output:
  --json                 print the summary as one JSON object (result,
                         workbook, records, keys, hits, seconds per stage,
                         the options, and the sources with their figures),
                         for scripts
  --timings              print the seconds each stage took on stderr
  -h, --help             show this help
  --version              show the version

A value may follow its option or be attached to it: -k 2-3, -k2-3, --key 2-3
and --key=2-3 are the same.

Example:
  tessaly-cross -o results -f members.csv -k 2-3 \
      --file=customers.csv --key=1-2 --start-record=2 --mandatory

On success the first line printed is the result file's path, then the
counts (with --json, one JSON object instead). Exit status: 0 success,
1 failure, 2 wrong usage; after Ctrl+C 130 and after SIGTERM 143. A result
file has its name only when complete: a cross that fails or is stopped
leaves none.
)";

namespace {

enum class Option {
    File,
    Key,
    StartRecord,
    Title,
    Mandatory,
    OutputDir,
    Chart,
    Node,
    Save,
    List,
    MinHit,
    KeepSpaces,
    RemoveHyphens,
    RemoveParens,
    IgnoreCase,
    OldNew,
    NoHitNumbers,
    NoBlankLines,
    Quotes,
    Xlsx,
    Json,
    Timings,
    Help,
    Version,
    ToCp932,
    Sheet,
    Overwrite,
};

struct OptionSpec {
    Option option;
    char short_name;             // 0: none
    std::string_view long_name;  // without the leading "--"
    std::string_view value;      // what the value is ("a file"); empty: takes none
};

constexpr OptionSpec kOptions[] = {
    {Option::File, 'f', "file", "a file"},
    {Option::Key, 'k', "key", "a key (A or A-B)"},
    {Option::StartRecord, 'r', "start-record", "a record number"},
    {Option::Title, 't', "title", "a title"},
    {Option::Mandatory, 'M', "mandatory", {}},
    {Option::OutputDir, 'o', "output-dir", "a folder"},
    {Option::Chart, 0, "chart", "a chart file"},
    {Option::Node, 0, "node", "a title or #INDEX"},
    {Option::Save, 0, "save", {}},
    {Option::List, 0, "list", "a chart file"},
    {Option::MinHit, 0, "min-hit", "a number"},
    {Option::KeepSpaces, 0, "keep-spaces", {}},
    {Option::RemoveHyphens, 0, "remove-hyphens", {}},
    {Option::RemoveParens, 0, "remove-parens", {}},
    {Option::IgnoreCase, 0, "ignore-case", {}},
    {Option::OldNew, 0, "old-new", {}},
    {Option::NoHitNumbers, 0, "no-hit-numbers", {}},
    {Option::NoBlankLines, 0, "no-blank-lines", {}},
    {Option::Quotes, 0, "quotes", {}},
    {Option::Xlsx, 0, "xlsx", {}},
    {Option::Json, 0, "json", {}},
    {Option::Timings, 0, "timings", {}},
    {Option::Help, 'h', "help", {}},
    {Option::Version, 0, "version", {}},
    {Option::ToCp932, 0, "to-cp932", "a file"},
    {Option::Sheet, 0, "sheet", "a sheet name or number"},
    {Option::Overwrite, 0, "overwrite", {}},
};

const OptionSpec* find_long(std::string_view name) {
    for (const OptionSpec& spec : kOptions)
        if (spec.long_name == name) return &spec;
    return nullptr;
}

const OptionSpec* find_short(char name) {
    for (const OptionSpec& spec : kOptions)
        if (spec.short_name != 0 && spec.short_name == name) return &spec;
    return nullptr;
}

std::optional<int> parse_int(std::string_view text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// A key as a chart may hold it: no field beyond the 2,000 a record may
// have (a key at field 20,000,000 pads every result line to that many
// columns).
bool parse_key(std::string_view text, SourceArgument& source) {
    const auto dash = text.find('-');
    auto first = parse_int(text.substr(0, dash));
    auto last = dash == std::string_view::npos ? first : parse_int(text.substr(dash + 1));
    if (!first || !last || *first < 1 || *last < *first || *last > kMaxKeyFields) return false;
    source.key_first = *first - 1;
    source.key_last = *last - 1;
    return true;
}

}  // namespace

std::variant<Arguments, UsageError> parse_arguments(const std::vector<std::string>& args) {
    Arguments a;
    bool files = false;
    bool chart = false;
    bool list = false;
    bool to_cp932 = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // The option as written (errors name it so) and a value attached to it.
        const OptionSpec* spec = nullptr;
        std::string written;
        std::optional<std::string> attached;
        if (arg.starts_with("--") && arg.size() > 2) {
            const auto equals = arg.find('=');
            written = arg.substr(0, equals);
            if (equals != std::string::npos) attached = arg.substr(equals + 1);
            spec = find_long(std::string_view(written).substr(2));
        } else if (arg.size() >= 2 && arg[0] == '-' && arg[1] != '-') {
            written = arg.substr(0, 2);
            if (arg.size() > 2) attached = arg.substr(2);
            spec = find_short(arg[1]);
        }
        if (!spec) {
            if (arg.starts_with("-")) return UsageError{"unknown option: " + (written.empty() ? arg : written)};
            return UsageError{"unexpected argument: " + arg + " (a source file goes after -f)"};
        }
        std::string value;
        if (!spec->value.empty()) {
            if (attached) {
                value = *attached;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return UsageError{written + " needs " + std::string(spec->value)};
            }
        } else if (attached) {
            // "-Mx" is no option; "--save=x" is one given a value it cannot take.
            if (written.size() == 2) return UsageError{"unknown option: " + arg};
            return UsageError{written + " takes no value"};
        }
        SourceArgument* source = a.sources.empty() ? nullptr : &a.sources.back();

        switch (spec->option) {
            case Option::Help:
                a.mode = Arguments::Mode::Help;
                return a;
            case Option::Version:
                a.mode = Arguments::Mode::Version;
                return a;
            case Option::File:
                a.sources.emplace_back().file = value;
                files = true;
                break;
            case Option::Key:
            case Option::StartRecord:
            case Option::Title:
            case Option::Mandatory:
                if (!source) return UsageError{written + " must follow -f FILE"};
                if (spec->option == Option::Key && !parse_key(value, *source))
                    return UsageError{written + " takes A or A-B, fields counted from 1 to " +
                                      std::to_string(kMaxKeyFields) + ": " + value};
                if (spec->option == Option::StartRecord) {
                    auto n = parse_int(value);
                    if (!n || *n < 1 || *n > 10)
                        return UsageError{written + " takes a record number from 1 to 10: " + value};
                    source->start_record = *n;
                }
                if (spec->option == Option::Title) source->title = value;
                if (spec->option == Option::Mandatory) source->mandatory = true;
                break;
            case Option::OutputDir:
                a.result_folder = value;
                break;
            case Option::Chart:
            case Option::List:
                a.chart = value;
                (spec->option == Option::Chart ? chart : list) = true;
                break;
            case Option::Node:
                a.nodes.push_back(value);
                break;
            case Option::Save:
                a.save = true;
                break;
            case Option::MinHit: {
                auto n = parse_int(value);
                if (!n || *n < kMinHitLowest || *n > kMinHitHighest)
                    return UsageError{written + " takes a number from 2 to 100: " + value};
                a.options.min_hit = *n;
                break;
            }
            case Option::KeepSpaces:
                a.options.remove_spaces = false;
                break;
            case Option::RemoveHyphens:
                a.options.remove_hyphens = true;
                break;
            case Option::RemoveParens:
                a.options.remove_parens = true;
                break;
            case Option::IgnoreCase:
                a.options.ignore_case = true;
                break;
            case Option::OldNew:
                a.options.old_new = true;
                break;
            case Option::NoHitNumbers:
                a.options.hit_numbers = false;
                break;
            case Option::NoBlankLines:
                a.options.blank_lines = false;
                break;
            case Option::Quotes:
                a.options.quotes = true;
                break;
            case Option::Xlsx:
                a.options.workbook = true;
                break;
            case Option::Json:
                a.json = true;
                break;
            case Option::Timings:
                a.timings = true;
                break;
            case Option::ToCp932:
                a.to_cp932 = value;
                to_cp932 = true;
                break;
            case Option::Sheet:
                a.sheet = value;
                break;
            case Option::Overwrite:
                a.overwrite = true;
                break;
        }
    }

    if (files + chart + list + to_cp932 != 1)
        return UsageError{"give source files (-f), or --chart, or --list, or --to-cp932"};
    if (to_cp932) {
        if (a.json || a.timings || a.result_folder) return UsageError{"--to-cp932 makes a copy, not a cross"};
        a.mode = Arguments::Mode::ToCp932;
        return a;
    }
    if (a.sheet || a.overwrite) return UsageError{"--sheet and --overwrite go with --to-cp932"};
    if (list) {
        if (a.json) return UsageError{"--json goes with a cross, not with --list"};
        a.mode = Arguments::Mode::List;
        return a;
    }
    if (chart) {
        if (a.nodes.empty()) return UsageError{"--chart needs at least one --node"};
        a.mode = Arguments::Mode::Chart;
        return a;
    }
    if (!a.nodes.empty() || a.save) return UsageError{"--node and --save go with --chart"};
    for (const SourceArgument& s : a.sources)
        if (s.key_first < 0) return UsageError{"-f " + s.file + " needs a cross key (-k)"};
    a.mode = Arguments::Mode::Files;
    return a;
}

}  // namespace tessaly::cli
