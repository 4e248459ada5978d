// The command line: dialect names and codes, formats and inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "dialect_name.h"
#include "options.h"

namespace cli_test {
namespace {

struct DialectCase {
    const char *text;
    std::optional<std::uint16_t> code;
};

class DialectNames : public ::testing::TestWithParam<DialectCase> {};

TEST_P(DialectNames, GiveTheirCode)
{
    EXPECT_EQ(sqlsplit::parse_dialect(GetParam().text), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Sqlsplit, DialectNames,
                         ::testing::Values(DialectCase{"generic", 0}, DialectCase{"oracle", 1},
                                           DialectCase{"sqlserver", 2}, DialectCase{"db2", 8}, DialectCase{"mysql", 32},
                                           DialectCase{"postgresql", 64}, DialectCase{"postgres", 64},
                                           DialectCase{"informix", 1024}, DialectCase{"MySQL", 32},
                                           DialectCase{"POSTGRES", 64}, DialectCase{"0", 0}, DialectCase{"32", 32},
                                           DialectCase{"65535", 65535}, DialectCase{"00064", 64},
                                           DialectCase{"65536", std::nullopt}, DialectCase{"100000", std::nullopt},
                                           DialectCase{"-1", std::nullopt}, DialectCase{"+1", std::nullopt},
                                           DialectCase{"3 2", std::nullopt}, DialectCase{"", std::nullopt},
                                           DialectCase{"sybase", std::nullopt}, DialectCase{"my sql", std::nullopt}),
                         [](const auto &info) {
                             // The text itself, with the bytes a test name cannot hold spelled out.
                             std::string name = *info.param.text == '\0' ? "empty" : "";
                             for (const char *c = info.param.text; *c != '\0'; ++c) {
                                 name += *c == '-'   ? "minus"
                                         : *c == '+' ? "plus"
                                         : std::isalnum(static_cast<unsigned char>(*c)) ? std::string(1, *c)
                                                                                        : "_";
                             }
                             return name;
                         });

struct CommandLineCase {
    const char *name;
    std::vector<std::string_view> arguments;
    std::uint16_t dialect = SPLT_WD_DIALECT_MYSQL;
    sqlsplit::OutputFormat format = sqlsplit::OutputFormat::table;
    std::vector<std::string> inputs = {};
    bool debug_lines = false;
    bool help = false;
};

class CommandLines : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLines, AreReadThisWay)
{
    sqlsplit::Options options;
    const CommandLineCase &expected = GetParam();
    ASSERT_EQ(sqlsplit::parse_options(expected.arguments, options), "");
    EXPECT_EQ(options.dialect, expected.dialect);
    EXPECT_EQ(options.format, expected.format);
    EXPECT_EQ(options.inputs, expected.inputs);
    EXPECT_EQ(options.debug_lines, expected.debug_lines);
    EXPECT_EQ(options.help, expected.help);
}

using sqlsplit::OutputFormat;

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, CommandLines,
    ::testing::Values(
        CommandLineCase{"Defaults", {}},
        CommandLineCase{"LongOptionsWithValuesApart",
                        {"--dialect", "db2", "--format", "jsonl", "a.sql"},
                        8,
                        OutputFormat::jsonl,
                        {"a.sql"}},
        CommandLineCase{"LongOptionsWithEquals", {"--dialect=1024", "--format=report"}, 1024, OutputFormat::report},
        CommandLineCase{"ShortOptions", {"-d", "oracle", "-f", "jsonl"}, 1, OutputFormat::jsonl},
        CommandLineCase{"LastOneWins", {"-d", "oracle", "--dialect", "generic"}, 0},
        CommandLineCase{"OptionsAndFilesMixed",
                        {"a.sql", "-d", "64", "-", "b.sql"},
                        64,
                        OutputFormat::table,
                        {"a.sql", "-", "b.sql"}},
        CommandLineCase{"DoubleDashEndsOptions", {"--", "-d", "--help"}, 32, OutputFormat::table, {"-d", "--help"}},
        CommandLineCase{"DebugLines", {"--debug-lines"}, 32, OutputFormat::table, {}, true},
        CommandLineCase{"Help", {"-h"}, 32, OutputFormat::table, {}, false, true}),
    [](const auto &info) { return std::string(info.param.name); });

// --jobs: a whole number of threads from 1 to 1024, by default one per
// processor; anything else is a usage mistake that says what it takes.
TEST(JobsOption, TakesAWholeNumberOfThreads)
{
    const std::string mistake = "bad number of threads '%': use a whole number from 1 to 1024";
    const struct {
        std::vector<std::string_view> arguments;
        unsigned jobs; // 0: a mistake
        std::string says = "";
    } cases[] = {
        {{}, std::clamp(std::thread::hardware_concurrency(), 1U, 1024U)},
        {{"-j", "3"}, 3},
        {{"--jobs", "1"}, 1},
        {{"--jobs=1024"}, 1024},
        {{"--jobs", "0"}, 0, "0"},
        {{"--jobs", "1025"}, 0, "1025"},
        {{"-j", "-2"}, 0, "-2"},
        {{"-j", "2.5"}, 0, "2.5"},
        {{"-j", "4x"}, 0, "4x"},
        {{"--jobs="}, 0, ""},
        {{"--jobs", "99999999999"}, 0, "99999999999"},
    };
    for (const auto &[arguments, jobs, says] : cases) {
        sqlsplit::Options options;
        const std::string got = sqlsplit::parse_options(arguments, options);
        const std::string shown = arguments.empty() ? "(none)" : std::string(arguments.back());
        if (jobs == 0) {
            EXPECT_EQ(got, std::string(mistake).replace(mistake.find('%'), 1, says)) << shown;
        } else {
            EXPECT_EQ(got, "") << shown;
            EXPECT_EQ(options.jobs, jobs) << shown;
        }
    }
    sqlsplit::Options options;
    EXPECT_EQ(sqlsplit::parse_options({"--jobs"}, options), "option --jobs needs a number of threads");
}

} // namespace
} // namespace cli_test
