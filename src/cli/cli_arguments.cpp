#include "cli_arguments.h"

#include <charconv>

namespace tessaly::cli {

const char* const kUsage = R"(Usage:
  tessaly-cross [CROSS OPTIONS] [-o DIR] -f FILE -k KEY [-r N] [-t TITLE] [-M] [-f FILE ...]...
  tessaly-cross [CROSS OPTIONS] [-o DIR] --chart CHART.tsy --node NODE [--node NODE]... [--save]
  tessaly-cross --list CHART.tsy

Finds the records whose cross key occurs at least twice (or --min-hit times)
over the given files and writes all records of every hit, hit by hit, to the
first free CROSS0001.csv ... CROSS10000.csv in the result folder. Files are
read as cp932 (Shift-JIS) text with comma-separated fields.

Source files:
  -f FILE        add a source file; the options below apply to the last -f
  -k A | -k A-B  the cross key: field A, or fields A to B, counted from 1
  -r N           start reading at record N (1 to 10; default 1)
  -t TITLE       the file's title in the result (default: the file name
                 without its extension)
  -M             mandatory: a hit must have a record from this file

Saved chart:
  --chart CHART  cross nodes of a saved chart, with their own keys, start
                 records, mandatory marks and titles
  --node NODE    a node to cross: its title, or #INDEX (from 0)
  --save         add the result node and its arcs to the chart and save it;
                 the chart is locked meanwhile (another cross saving into it
                 waits its turn)
  --list CHART   print the chart's arcs and nodes

Cross options:
  -o DIR             the result folder (default: the one in Tessaly's settings)
  --min-hit N        a key found at least N times is a hit (2 to 100; default 2)
  --keep-spaces      do not remove half- and full-width spaces from keys
  --remove-hyphens   remove - and － from keys
  --remove-parens    remove ( ) （ ） from keys
  --ignore-case      upper and lower case alike
  --old-new          old and new character forms alike (髙/高, 邊/辺 ...)
  --no-hit-numbers   do not start result lines with the hit number
  --no-blank-lines   no empty line after each hit
  --timings          print the seconds each stage of the cross took
  -h, --help         show this help

On success the first line printed is the result file's path, then the
counts. Exit status: 0 success, 1 failure, 2 wrong usage.
)";

namespace {

std::optional<int> parse_int(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool parse_key(const std::string& text, SourceArgument& source) {
    const auto dash = text.find('-');
    auto first = parse_int(text.substr(0, dash));
    auto last = dash == std::string::npos ? first : parse_int(text.substr(dash + 1));
    if (!first || !last || *first < 1 || *last < *first) return false;
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
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        auto needs_file = [&]() -> SourceArgument* { return a.sources.empty() ? nullptr : &a.sources.back(); };

        if (arg == "-h" || arg == "--help") {
            a.mode = Arguments::Mode::Help;
            return a;
        } else if (arg == "-f") {
            auto v = value();
            if (!v) return UsageError{"-f needs a file"};
            a.sources.emplace_back().file = *v;
            files = true;
        } else if (arg == "-k" || arg == "-r" || arg == "-t") {
            SourceArgument* s = needs_file();
            if (!s) return UsageError{arg + " must follow -f FILE"};
            auto v = value();
            if (!v) return UsageError{arg + " needs a value"};
            if (arg == "-k" && !parse_key(*v, *s)) return UsageError{"-k takes A or A-B, fields counted from 1: " + *v};
            if (arg == "-r") {
                auto n = parse_int(*v);
                if (!n || *n < 1 || *n > 10) return UsageError{"-r takes a record number from 1 to 10: " + *v};
                s->start_record = *n;
            }
            if (arg == "-t") s->title = *v;
        } else if (arg == "-M") {
            SourceArgument* s = needs_file();
            if (!s) return UsageError{"-M must follow -f FILE"};
            s->mandatory = true;
        } else if (arg == "-o") {
            auto v = value();
            if (!v) return UsageError{"-o needs a folder"};
            a.result_folder = *v;
        } else if (arg == "--chart" || arg == "--list") {
            auto v = value();
            if (!v) return UsageError{arg + " needs a chart file"};
            a.chart = *v;
            (arg == "--chart" ? chart : list) = true;
        } else if (arg == "--node") {
            auto v = value();
            if (!v) return UsageError{"--node needs a title or #INDEX"};
            a.nodes.push_back(*v);
        } else if (arg == "--save") {
            a.save = true;
        } else if (arg == "--timings") {
            a.timings = true;
        } else if (arg == "--min-hit") {
            auto v = value();
            auto n = v ? parse_int(*v) : std::nullopt;
            if (!n || *n < kMinHitLowest || *n > kMinHitHighest)
                return UsageError{"--min-hit takes a number from 2 to 100"};
            a.options.MinHit = *n;
        } else if (arg == "--keep-spaces") {
            a.options.SpcCut = 0;
        } else if (arg == "--remove-hyphens") {
            a.options.Hifun = 1;
        } else if (arg == "--remove-parens") {
            a.options.Kakko = 1;
        } else if (arg == "--ignore-case") {
            a.options.Oomoji = 1;
        } else if (arg == "--old-new") {
            a.options.OldNew = 1;
        } else if (arg == "--no-hit-numbers") {
            a.options.HitNo = 0;
        } else if (arg == "--no-blank-lines") {
            a.options.Kaigyou = 0;
        } else {
            return UsageError{"unknown argument: " + arg};
        }
    }

    if (files + chart + list != 1) return UsageError{"give source files (-f), or --chart, or --list"};
    if (list) {
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
