#include "cli/cli_arguments.h"

#include <gtest/gtest.h>

using namespace tessaly::cli;

namespace {

Arguments parse_ok(std::vector<std::string> args) {
    auto parsed = parse_arguments(args);
    if (auto* e = std::get_if<UsageError>(&parsed)) ADD_FAILURE() << e->text;
    return std::holds_alternative<Arguments>(parsed) ? std::get<Arguments>(parsed) : Arguments{};
}

bool is_usage_error(std::vector<std::string> args) { return std::holds_alternative<UsageError>(parse_arguments(args)); }

std::string usage_error(std::vector<std::string> args) {
    auto parsed = parse_arguments(args);
    return std::holds_alternative<UsageError>(parsed) ? std::get<UsageError>(parsed).text : "(accepted)";
}

// What a source argument holds, to compare the forms that give it.
std::string described(const SourceArgument& s) {
    return s.file + " " + std::to_string(s.key_first) + "-" + std::to_string(s.key_last) + " r" +
           std::to_string(s.start_record) + " t" + s.title.value_or("(none)") + (s.mandatory ? " M" : "");
}

}  // namespace

TEST(CliArguments, FileOptionsApplyToTheLastFile) {
    Arguments a = parse_ok({"--min-hit", "3", "-o", "out", "-f", "a.csv", "-k", "2", "-f", "b.csv", "-k", "3-4", "-r",
                            "2", "-t", "会員", "-M", "--ignore-case", "--no-blank-lines"});
    EXPECT_EQ(a.mode, Arguments::Mode::Files);
    ASSERT_EQ(a.sources.size(), 2u);
    EXPECT_EQ(a.sources[0].key_first, 1);
    EXPECT_EQ(a.sources[0].key_last, 1);
    EXPECT_FALSE(a.sources[0].mandatory);
    EXPECT_EQ(a.sources[1].key_first, 2);
    EXPECT_EQ(a.sources[1].key_last, 3);
    EXPECT_EQ(a.sources[1].start_record, 2);
    EXPECT_EQ(a.sources[1].title, "会員");
    EXPECT_TRUE(a.sources[1].mandatory);
    EXPECT_EQ(a.options.min_hit, 3);
    EXPECT_TRUE(a.options.ignore_case);
    EXPECT_FALSE(a.options.blank_lines);
    EXPECT_TRUE(a.options.remove_spaces);
    EXPECT_EQ(a.result_folder, "out");
}

// Long options beside the short ones, and values attached to either, as GNU
// tools take them.
TEST(CliArguments, LongOptionsAndAttachedValuesMeanTheShortOnes) {
    const std::vector<std::vector<std::string>> forms = {
        {"-o", "out", "-f", "a.csv", "-k", "2-3", "-r", "2", "-t", "会員", "-M"},
        {"--output-dir", "out", "--file", "a.csv", "--key", "2-3", "--start-record", "2", "--title", "会員",
         "--mandatory"},
        {"--output-dir=out", "--file=a.csv", "--key=2-3", "--start-record=2", "--title=会員", "--mandatory"},
        {"-oout", "-fa.csv", "-k2-3", "-r2", "-t会員", "-M"},
    };
    for (const auto& args : forms) {
        const Arguments a = parse_ok(args);
        EXPECT_EQ(a.mode, Arguments::Mode::Files);
        EXPECT_EQ(a.result_folder, "out");
        ASSERT_EQ(a.sources.size(), 1u);
        EXPECT_EQ(described(a.sources[0]), "a.csv 1-2 r2 t会員 M") << args[0];
    }
    EXPECT_EQ(described(parse_ok({"-f", "a.csv", "-k2"}).sources.at(0)), "a.csv 1-1 r1 t(none)");
    EXPECT_EQ(described(parse_ok({"--file", "a.csv", "--key=12"}).sources.at(0)), "a.csv 11-11 r1 t(none)");

    // A value is taken as it stands: after "=" (which may hold another "="),
    // or as the next argument even when that looks like an option.
    EXPECT_EQ(parse_ok({"-f", "-k.csv", "-k", "1"}).sources.at(0).file, "-k.csv");
    EXPECT_EQ(parse_ok({"-f", "a", "-k", "1", "--title=x=y"}).sources.at(0).title, "x=y");
    EXPECT_EQ(parse_ok({"-f", "a", "-k", "1", "-t", "--json"}).sources.at(0).title, "--json");
    EXPECT_EQ(parse_ok({"--file=", "-k", "1"}).sources.at(0).file, "");

    const Arguments c = parse_ok({"--chart=c.tsy", "--node=会員", "--node", "#1", "--min-hit=3", "--json"});
    EXPECT_EQ(c.chart, "c.tsy");
    EXPECT_EQ(c.nodes, (std::vector<std::string>{"会員", "#1"}));
    EXPECT_EQ(c.options.min_hit, 3);
    EXPECT_TRUE(c.json);
    EXPECT_EQ(parse_ok({"--list=c.tsy"}).chart, "c.tsy");
    EXPECT_EQ(parse_ok({"--version"}).mode, Arguments::Mode::Version);
    EXPECT_EQ(parse_ok({"-f", "a", "--version"}).mode, Arguments::Mode::Version);
    EXPECT_EQ(parse_ok({"-h"}).mode, Arguments::Mode::Help);
    EXPECT_FALSE(parse_ok({"-f", "a", "-k", "1"}).json);
}

// Wrong forms are refused naming the option as it was written.
TEST(CliArguments, WrongOptionFormsAreRefusedByTheirWrittenName) {
    EXPECT_EQ(usage_error({"-f", "a", "--key=0"}), "--key takes A or A-B, fields counted from 1 to 2000: 0");
    EXPECT_EQ(usage_error({"-f", "a", "-k3-2"}), "-k takes A or A-B, fields counted from 1 to 2000: 3-2");
    EXPECT_EQ(usage_error({"-f", "a", "-k", "1", "--start-record=11"}),
              "--start-record takes a record number from 1 to 10: 11");
    EXPECT_EQ(usage_error({"--mandatory", "-f", "a"}), "--mandatory must follow -f FILE");
    EXPECT_EQ(usage_error({"-f", "a", "--key"}), "--key needs a key (A or A-B)");
    EXPECT_EQ(usage_error({"--output-dir"}), "--output-dir needs a folder");
    EXPECT_EQ(usage_error({"-f", "a", "-k", "1", "--mandatory=yes"}), "--mandatory takes no value");
    EXPECT_EQ(usage_error({"--chart", "c.tsy", "--node", "#0", "--save=1"}), "--save takes no value");
    EXPECT_EQ(usage_error({"-f", "a", "-k", "1", "-Mx"}), "unknown option: -Mx");
    EXPECT_EQ(usage_error({"-f", "a", "-k", "1", "--bogus=1"}), "unknown option: --bogus");
    EXPECT_EQ(usage_error({"-f", "a", "-k", "1", "--ke=1"}), "unknown option: --ke");
    EXPECT_EQ(usage_error({"-f", "a", "-k", "1", "b.csv"}), "unexpected argument: b.csv (a source file goes after -f)");
    EXPECT_EQ(usage_error({"--list", "c.tsy", "--json"}), "--json goes with a cross, not with --list");
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "-"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--"}));
}

// --help names every option, the long and the short form, with an example.
TEST(CliArguments, HelpShowsEveryOption) {
    const std::string usage = kUsage;
    for (const char* option : {"-f, --file",
                               "-k, --key",
                               "-r, --start-record",
                               "-t, --title",
                               "-M, --mandatory",
                               "-o, --output-dir",
                               "--chart",
                               "--node",
                               "--save",
                               "--list",
                               "--min-hit",
                               "--keep-spaces",
                               "--remove-hyphens",
                               "--remove-parens",
                               "--ignore-case",
                               "--old-new",
                               "--no-hit-numbers",
                               "--no-blank-lines",
                               "--json",
                               "--timings",
                               "-h, --help",
                               "--version",
                               "-k2-3",
                               "--key=2-3",
                               "\nExample:\n  tessaly-cross "})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    // Fits a terminal of 80 columns (a kanji or a full-width sign takes two).
    for (std::size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = usage.substr(start, end - start);
        std::size_t columns = 0;
        for (unsigned char c : line) columns += c < 0x80 ? 1 : c >= 0xE0 ? 2 : 0;
        EXPECT_LE(columns, 80u) << line;
    }
}

TEST(CliArguments, ChartAndListModes) {
    Arguments c = parse_ok({"--chart", "c.tsy", "--node", "A", "--node", "#3", "--save", "--keep-spaces"});
    EXPECT_EQ(c.mode, Arguments::Mode::Chart);
    EXPECT_EQ(c.nodes, (std::vector<std::string>{"A", "#3"}));
    EXPECT_TRUE(c.save);
    EXPECT_FALSE(c.options.remove_spaces);
    EXPECT_EQ(parse_ok({"--list", "c.tsy"}).mode, Arguments::Mode::List);
    EXPECT_EQ(parse_ok({"--help"}).mode, Arguments::Mode::Help);
}

TEST(CliArguments, WrongUsageIsRefused) {
    EXPECT_TRUE(is_usage_error({}));
    EXPECT_TRUE(is_usage_error({"-k", "1", "-f", "a"}));  // -k before any file
    EXPECT_TRUE(is_usage_error({"-f", "a"}));             // no key
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "0"}));  // fields count from 1
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "3-2"}));
    // No field beyond the 2,000 a record (and a chart's key) may have.
    EXPECT_EQ(parse_ok({"-f", "a", "-k", "1999-2000"}).sources[0].key_last, 1999);
    EXPECT_EQ(usage_error({"-f", "a", "-k", "2001"}), "-k takes A or A-B, fields counted from 1 to 2000: 2001");
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1-20000000"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "--key=2147483647"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1-2147483648"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "-r", "11"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--min-hit", "1"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--min-hit", "101"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--bogus"}));
    EXPECT_TRUE(is_usage_error({"--chart", "c.tsy"}));  // no node
    EXPECT_TRUE(is_usage_error({"--chart", "c.tsy", "--node", "x", "-f", "a", "-k", "1"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--save"}));
}
