// Every way a run can go wrong: one line on standard error, and the exit
// status that tells a usage mistake (2) from a failed run (1).  A statement
// that fails to split is no failure of the run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"
#include "run_sqlsplit.h"

namespace cli_test {
namespace {

// "{folder}" in arguments and expectations stands for the test's folder.
std::string in_folder(std::string text, const TempFolder &folder)
{
    for (std::size_t at; (at = text.find("{folder}")) != std::string::npos;) {
        text.replace(at, 8, folder.path().string());
    }
    return text;
}

struct ErrorCase {
    const char *name;
    std::vector<std::string> arguments;
    std::string standard_output_path; // empty: captured
    int exit_status;
    std::string err;
    std::string out = "";
};

class Errors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Errors, EndTheRunThisWay)
{
    TempFolder folder;
    write_file(folder.path() / "good.sql", "select 1");
    std::vector<std::string> arguments;
    for (const std::string &argument : GetParam().arguments) {
        arguments.push_back(in_folder(argument, folder));
    }
    const ChildRun run = run_sqlsplit(
        arguments, {.standard_input = "select 2", .standard_output_path = GetParam().standard_output_path});
    EXPECT_EQ(run.exit_status, GetParam().exit_status);
    EXPECT_EQ(run.err, in_folder(GetParam().err, folder));
    EXPECT_EQ(run.out, GetParam().out);
}

const char kGoodJsonl[] = "{\"statement\":1,\"text\":\"select 1\",\"result\":32,\"words\":["
                          "{\"text\":\"select\",\"type\":12,\"type_name\":\"select\",\"mask\":\"0x0080\"},"
                          "{\"text\":\" \",\"type\":16,\"type_name\":\"space\",\"mask\":\"0x0028\"},"
                          "{\"text\":\"1\",\"type\":7,\"type_name\":\"number\",\"mask\":\"0x0010\"}]}\n";

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, Errors,
    ::testing::Values(
        ErrorCase{"UnknownOption",
                  {"--frobnicate"},
                  "",
                  2,
                  "sqlsplit: unknown option '--frobnicate' (sqlsplit --help lists the options)\n"},
        ErrorCase{"UnknownDialect",
                  {"--dialect", "sybase", "{folder}/good.sql"},
                  "",
                  2,
                  "sqlsplit: unknown dialect 'sybase': use generic, oracle, sqlserver, db2, mysql, postgresql, "
                  "informix or a code 0-65535\n"},
        ErrorCase{"DialectCodeTooLarge",
                  {"-d", "65536"},
                  "",
                  2,
                  "sqlsplit: unknown dialect '65536': use generic, oracle, sqlserver, db2, mysql, postgresql, "
                  "informix or a code 0-65535\n"},
        ErrorCase{"EmptyDialect",
                  {"--dialect="},
                  "",
                  2,
                  "sqlsplit: unknown dialect '': use generic, oracle, sqlserver, db2, mysql, postgresql, "
                  "informix or a code 0-65535\n"},
        ErrorCase{"MissingDialect", {"--dialect"}, "", 2, "sqlsplit: option --dialect needs a dialect name or code\n"},
        ErrorCase{"MissingFormat", {"-f"}, "", 2, "sqlsplit: option --format needs a format\n"},
        ErrorCase{
            "UnknownFormat", {"-f", "csv"}, "", 2, "sqlsplit: unknown format 'csv': use table, jsonl, report or digest\n"},
        // Digests read by the accurate profile alone.
        ErrorCase{"ClassicSummary",
                  {"--classic", "--summary"},
                  "",
                  2,
                  "sqlsplit: --summary digests statements as the accurate profile reads them: leave out --classic\n"},
        ErrorCase{"ClassicDigestFormat",
                  {"-f", "digest", "--classic"},
                  "",
                  2,
                  "sqlsplit: --format digest digests statements as the accurate profile reads them: leave out "
                  "--classic\n"},
        ErrorCase{"ClassicSummaryOfDigests",
                  {"--summary", "--classic", "-f", "digest"},
                  "",
                  2,
                  "sqlsplit: --summary digests statements as the accurate profile reads them: leave out --classic\n"},
        ErrorCase{"MissingFile",
                  {"{folder}/missing.sql"},
                  "",
                  1,
                  "sqlsplit: cannot read {folder}/missing.sql: No such file or directory\n"},
        ErrorCase{"Folder", {"{folder}"}, "", 1, "sqlsplit: cannot read {folder}: Is a directory\n"},
        // Like cat: the inputs that can be read are still split.
        ErrorCase{"MissingFileAmongGoodOnes",
                  {"--classic", "-f", "jsonl", "{folder}/missing.sql", "{folder}/good.sql"},
                  "",
                  1,
                  "sqlsplit: cannot read {folder}/missing.sql: No such file or directory\n",
                  kGoodJsonl},
        ErrorCase{"OutputDeviceFull",
                  {"{folder}/good.sql"},
                  "/dev/full",
                  1,
                  "sqlsplit: cannot write standard output: No space left on device\n"},
        ErrorCase{"HelpOnDeviceFull",
                  {"--help"},
                  "/dev/full",
                  1,
                  "sqlsplit: cannot write standard output: No space left on device\n"},
        ErrorCase{"MistakeWinsOverHelp",
                  {"--help", "--dialect", "sybase"},
                  "",
                  2,
                  "sqlsplit: unknown dialect 'sybase': use generic, oracle, sqlserver, db2, mysql, postgresql, "
                  "informix or a code 0-65535\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Errors, DollarTagMismatchIsShownInTheOutputAndTheRunGoesOn)
{
    const ChildRun run =
        run_sqlsplit({"--classic", "-f", "jsonl", "-d", "postgres"}, {.standard_input = "SELECT $a$ x $b$ y $a$;select 1"});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out,
              std::string("{\"statement\":1,\"text\":\"SELECT $a$ x $b$ y $a$\",\"result\":-5,\"words\":[]}\n") +
                  std::string(kGoodJsonl).replace(13, 1, "2"));
    EXPECT_EQ(run.err, "sqlsplit: standard input: statement 1: split failed with result -5 (a dollar-quoted string "
                       "closed with a different tag)\n");
}

// --help and --version answer on standard output and split nothing.
TEST(Help, IsTheUsageOnStandardOutput)
{
    const struct {
        const char *option;
        std::string_view out;
    } cases[] = {{"--help", sqlsplit::usage_text()}, {"--version", sqlsplit::version_text()}};
    for (const auto &c : cases) {
        const ChildRun run = run_sqlsplit({c.option}, {.standard_input = "select 1"});
        EXPECT_EQ(run.exit_status, 0) << c.option;
        EXPECT_EQ(run.out, c.out) << c.option;
        EXPECT_EQ(run.err, "") << c.option;
    }
}

} // namespace
} // namespace cli_test
