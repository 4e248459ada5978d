// The command line: usage text, options as whole arguments in any order,
// dialect values and file-name lengths.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "run_driver.h"
#include "expected_report.h"

namespace driver_test {
namespace {

namespace fs = std::filesystem;

std::string usage_text(const std::string &program)
{
    return "Usage:" + program + " -d dbvalue -i infile -o outfile\n"
           "dbvalue:\n"
           "\t\t1-oracle\n"
           "\t\t2-sqlserver\n"
           "\t\t8-db2\n"
           "\t\t32-mysql\n"
           "\t\t64-postgres\n"
           "\t\t1024-informix\n"
           "infile:\n"
           "\t\tinput sql file\n"
           "outfile:\n"
           "\t\toutput result file\n";
}

using Arguments = std::vector<std::string>;

// Runs in a folder that holds in.sql with «select a from t»; the arguments
// name files relative to it.
class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override { write_file(folder.path() / "in.sql", "select a from t"); }

    ChildRun run(const Arguments &arguments)
    {
        RunOptions options;
        options.working_directory = folder.path();
        return run_driver(arguments, options);
    }

    TempFolder folder;
};

class WrongArgumentCount : public CommandLineTest, public ::testing::WithParamInterface<Arguments> {};

TEST_P(WrongArgumentCount, PrintsUsageOnStandardOutputAndExitsWithTwo)
{
    const ChildRun result = run(GetParam());
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.out, usage_text(TEST_SPLIT_WORD_PATH));
    EXPECT_EQ(result.err, "");
    EXPECT_FALSE(fs::exists(folder.path() / "out.txt"));
}

INSTANTIATE_TEST_SUITE_P(Driver, WrongArgumentCount,
                         ::testing::Values(Arguments{}, Arguments{"-d"},
                                           Arguments{"-d", "0", "-i", "in.sql", "-o"},
                                           Arguments{"-d", "0", "-i", "in.sql", "-o", "out.txt", "out.txt"}),
                         [](const auto &info) { return std::to_string(info.param.size()) + "Arguments"; });

struct ProgramNameCase {
    const char *name;
    std::optional<const char *> argv0;
    std::string shown;
};

class ProgramName : public CommandLineTest, public ::testing::WithParamInterface<ProgramNameCase> {};

TEST_P(ProgramName, IsShownInTheUsageAsInvoked)
{
    RunOptions options;
    options.working_directory = folder.path();
    options.argv0 = GetParam().argv0;
    const ChildRun result = run_driver({}, options);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.out, usage_text(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(Driver, ProgramName,
                         ::testing::Values(ProgramNameCase{"Other", "splitter", "splitter"},
                                           ProgramNameCase{"Empty", "", "test_split_word"},
                                           ProgramNameCase{"Missing", nullptr, "test_split_word"}),
                         [](const auto &info) { return std::string(info.param.name); });

struct UsageErrorCase {
    const char *name;
    Arguments arguments;
    std::string err;
};

class UsageError : public CommandLineTest, public ::testing::WithParamInterface<UsageErrorCase> {};

TEST_P(UsageError, PrintsOneLineOnStandardErrorAndExitsWithTwo)
{
    const ChildRun result = run(GetParam().arguments);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, GetParam().err);
    EXPECT_FALSE(fs::exists(folder.path() / "out.txt"));
}

UsageErrorCase bad_dialect(const char *name, const std::string &value)
{
    return {name, {"-d", value, "-i", "in.sql", "-o", "out.txt"},
            "test_split_word: invalid dialect '" + value + "': expected a decimal number from 0 to 65535\n"};
}

INSTANTIATE_TEST_SUITE_P(
    Driver, UsageError,
    ::testing::Values(
        UsageErrorCase{"StrayArgument", {"x", "-i", "in.sql", "-o", "out.txt", "-d"},
                       "test_split_word: unexpected argument 'x'\n"},
        UsageErrorCase{"OptionGluedToValue", {"-d32", "-i", "in.sql", "-o", "out.txt", "0"},
                       "test_split_word: unexpected argument '-d32'\n"},
        UsageErrorCase{"OptionInsideArgument", {"-i", "in.sql", "x-o", "out.txt", "-d", "0"},
                       "test_split_word: unexpected argument 'x-o'\n"},
        UsageErrorCase{"MissingInput", {"-o", "out.txt", "-d", "0", "-o", "out.txt"},
                       "test_split_word: missing option -i infile\n"},
        UsageErrorCase{"MissingOutput", {"-i", "in.sql", "-d", "0", "-i", "in.sql"},
                       "test_split_word: missing option -o outfile\n"},
        bad_dialect("EmptyDialect", ""), bad_dialect("WordDialect", "mysql"),
        bad_dialect("NegativeDialect", "-1"), bad_dialect("DialectAbove16Bits", "65536"),
        bad_dialect("DialectWithPlus", "+32"), bad_dialect("DialectWithLeadingBlank", " 32"),
        bad_dialect("DialectWithTrailingBlank", "32 "), bad_dialect("DialectWithSuffix", "32x"),
        bad_dialect("HexadecimalDialect", "0x20"), bad_dialect("HugeDialect", "99999999999999999999")),
    [](const auto &info) { return std::string(info.param.name); });

struct ReportCase {
    const char *name;
    Arguments arguments;
    const char *report_file;
    Statement expected;
};

class ReportRun : public CommandLineTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(ReportRun, WritesTheReportOfTheChosenDialect)
{
    const ChildRun result = run(GetParam().arguments);
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(folder.path() / GetParam().report_file), report({GetParam().expected}));
}

INSTANTIATE_TEST_SUITE_P(
    Dialects, ReportRun,
    ::testing::Values(
        ReportCase{"Zero", {"-d", "0", "-i", "in.sql", "-o", "out.txt"}, "out.txt", kGenericSelect},
        ReportCase{"CodeOutsideTable", {"-d", "4", "-i", "in.sql", "-o", "out.txt"}, "out.txt", kGenericSelect},
        ReportCase{"Largest", {"-d", "65535", "-i", "in.sql", "-o", "out.txt"}, "out.txt", kGenericSelect},
        ReportCase{"Mysql", {"-d", "32", "-i", "in.sql", "-o", "out.txt"}, "out.txt", kMysqlSelect},
        ReportCase{"LeadingZeros", {"-d", "00032", "-i", "in.sql", "-o", "out.txt"}, "out.txt", kMysqlSelect}),
    [](const auto &info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    OptionOrders, ReportRun,
    ::testing::Values(
        ReportCase{"DialectInputOutput", {"-d", "32", "-i", "in.sql", "-o", "out.txt"}, "out.txt", kMysqlSelect},
        ReportCase{"OutputDialectInput", {"-o", "out.txt", "-d", "32", "-i", "in.sql"}, "out.txt", kMysqlSelect},
        ReportCase{"InputOutputDialect", {"-i", "in.sql", "-o", "out.txt", "-d", "32"}, "out.txt", kMysqlSelect},
        ReportCase{"OutputInputDialect", {"-o", "out.txt", "-i", "in.sql", "-d", "32"}, "out.txt", kMysqlSelect}),
    [](const auto &info) { return std::string(info.param.name); });

// Values are taken as they stand, even when they look like options.
class OptionValue : public ReportRun {};

TEST_P(OptionValue, IsNeverReadAsAnOption)
{
    write_file(folder.path() / "my-data.sql", "select a from t");
    write_file(folder.path() / "-d", "select a from t");
    const ChildRun result = run(GetParam().arguments);
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(folder.path() / GetParam().report_file), report({GetParam().expected}));
}

INSTANTIATE_TEST_SUITE_P(
    Driver, OptionValue,
    ::testing::Values(
        ReportCase{"InputNameContainingDashD", {"-d", "32", "-i", "my-data.sql", "-o", "out.txt"}, "out.txt",
                   kMysqlSelect},
        ReportCase{"NamesThatAreOptions", {"-o", "-i", "-i", "-d", "-d", "32"}, "-i", kMysqlSelect},
        ReportCase{"RepeatedOptionLastWinsAndDialectDefaultsToZero",
                   {"-i", "missing.sql", "-o", "out.txt", "-i", "in.sql"}, "out.txt", kGenericSelect}),
    [](const auto &info) { return std::string(info.param.name); });

// A path of exactly `length` bytes inside `folder`, its directories created.
std::string path_of_length(const fs::path &folder, size_t length)
{
    std::string path = folder.string();
    while (length - path.size() > 202) {
        path += "/" + std::string(199, 'd');
        fs::create_directories(path);
    }
    return path + "/" + std::string(length - path.size() - 1, 'f');
}

TEST_F(CommandLineTest, TakesInputAndOutputNamesOf1023Bytes)
{
    const std::string input = path_of_length(folder.path() / "in", 1023);
    const std::string output = path_of_length(folder.path() / "out", 1023);
    ASSERT_EQ(input.size(), 1023u);
    write_file(input, "select a from t");
    const ChildRun result = run({"-i", input, "-o", output, "-d", "0"});
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(read_file(output), report({kGenericSelect}));
}

// Cutting the name to 1023 bytes would open the file named by the cut.
TEST_F(CommandLineTest, RefusesNamesLongerThan1023BytesInsteadOfCuttingThem)
{
    const std::string long_input = path_of_length(folder.path() / "in", 1024);
    const std::string long_output = path_of_length(folder.path() / "out", 1024);
    const std::string cut_input = long_input.substr(0, 1023);
    const std::string cut_output = long_output.substr(0, 1023);
    write_file(cut_input, "select a from t");
    write_file(folder.path() / "in.sql", "select a from t");

    ChildRun result = run({"-i", long_input, "-o", "out.txt", "-d", "0"});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.err, "test_split_word: input file name is longer than 1023 bytes\n");
    EXPECT_FALSE(fs::exists(folder.path() / "out.txt"));

    result = run({"-i", "in.sql", "-o", long_output, "-d", "0"});
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_EQ(result.err, "test_split_word: output file name is longer than 1023 bytes\n");
    EXPECT_FALSE(fs::exists(cut_output));
}

} // namespace
} // namespace driver_test
