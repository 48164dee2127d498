#include "cli_arguments.h"

#include <gtest/gtest.h>

using namespace tessaly::cli;

namespace {

Arguments parse_ok(std::vector<std::string> args) {
    auto parsed = parse_arguments(args);
    if (auto* e = std::get_if<UsageError>(&parsed)) ADD_FAILURE() << e->text;
    return std::holds_alternative<Arguments>(parsed) ? std::get<Arguments>(parsed) : Arguments{};
}

bool is_usage_error(std::vector<std::string> args) {
    return std::holds_alternative<UsageError>(parse_arguments(args));
}

}  // namespace

TEST(CliArguments, FileOptionsApplyToTheLastFile) {
    Arguments a = parse_ok({"--min-hit", "3", "-o", "out", "-f", "a.csv", "-k", "2", "-f", "b.csv", "-k", "3-4",
                            "-r", "2", "-t", "会員", "-M", "--ignore-case", "--no-blank-lines"});
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
    EXPECT_EQ(a.options.MinHit, 3);
    EXPECT_EQ(a.options.Oomoji, 1);
    EXPECT_EQ(a.options.Kaigyou, 0);
    EXPECT_EQ(a.options.SpcCut, 1);
    EXPECT_EQ(a.result_folder, "out");
}

TEST(CliArguments, ChartAndListModes) {
    Arguments c = parse_ok({"--chart", "c.tsy", "--node", "A", "--node", "#3", "--save", "--keep-spaces"});
    EXPECT_EQ(c.mode, Arguments::Mode::Chart);
    EXPECT_EQ(c.nodes, (std::vector<std::string>{"A", "#3"}));
    EXPECT_TRUE(c.save);
    EXPECT_EQ(c.options.SpcCut, 0);
    EXPECT_EQ(parse_ok({"--list", "c.tsy"}).mode, Arguments::Mode::List);
    EXPECT_EQ(parse_ok({"--help"}).mode, Arguments::Mode::Help);
}

TEST(CliArguments, WrongUsageIsRefused) {
    EXPECT_TRUE(is_usage_error({}));
    EXPECT_TRUE(is_usage_error({"-k", "1", "-f", "a"}));                 // -k before any file
    EXPECT_TRUE(is_usage_error({"-f", "a"}));                            // no key
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "0"}));                 // fields count from 1
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "3-2"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "-r", "11"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--min-hit", "1"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--min-hit", "101"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--bogus"}));
    EXPECT_TRUE(is_usage_error({"--chart", "c.tsy"}));                   // no node
    EXPECT_TRUE(is_usage_error({"--chart", "c.tsy", "--node", "x", "-f", "a", "-k", "1"}));
    EXPECT_TRUE(is_usage_error({"-f", "a", "-k", "1", "--save"}));
}
