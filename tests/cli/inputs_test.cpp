// What sqlsplit reads: files in order, standard input, "-", and inputs
// with many or long statements.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "json_reader.h"
#include "run_sqlsplit.h"

namespace cli_test {
namespace {

using Numbered = std::vector<std::pair<std::int64_t, std::string>>;

// The statement numbers and texts of a JSON Lines output.
Numbered statements_of(const std::string &jsonl)
{
    Numbered statements;
    std::size_t start = 0;
    while (start < jsonl.size()) {
        const std::size_t end = jsonl.find('\n', start);
        const std::string line = jsonl.substr(start, end - start);
        const std::optional<JsonValue> value = parse_json(line);
        EXPECT_TRUE(value) << line;
        if (!value) break;
        statements.emplace_back(value->integer("statement").value_or(-1), value->string("text").value_or("?"));
        if (end == std::string::npos) {
            ADD_FAILURE() << "the last line has no line feed";
            break;
        }
        start = end + 1;
    }
    return statements;
}

struct InputCase {
    const char *name;
    std::vector<std::pair<std::string, std::string>> files; // name and content, in the folder
    std::vector<std::string> arguments;                     // file names stand for their paths
    std::string standard_input;
    Numbered statements;
};

class Inputs : public ::testing::TestWithParam<InputCase> {};

TEST_P(Inputs, AreCutInOrderAndNumberedAcrossTheRun)
{
    TempFolder folder;
    for (const auto &[name, content] : GetParam().files) {
        write_file(folder.path() / name, content);
    }
    std::vector<std::string> arguments{"--format", "jsonl"};
    for (const std::string &argument : GetParam().arguments) {
        const bool is_file = std::any_of(GetParam().files.begin(), GetParam().files.end(),
                                         [&](const auto &file) { return file.first == argument; });
        arguments.push_back(is_file ? folder.file(argument) : argument);
    }
    const ChildRun run = run_sqlsplit(arguments, {.standard_input = GetParam().standard_input});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(statements_of(run.out), GetParam().statements);
}

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, Inputs,
    ::testing::Values(
        InputCase{
            "StandardInputWhenNoFileIsNamed", {}, {}, "select 1;\nselect 2;\n", {{1, "select 1"}, {2, "select 2"}}},
        InputCase{"FilesInTheOrderNamed",
                  {{"a.sql", "select 1; select 2;"}, {"b.sql", "select 3"}},
                  {"b.sql", "a.sql"},
                  "select 9",
                  {{1, "select 3"}, {2, "select 1"}, {3, "select 2"}}},
        InputCase{"DashIsStandardInput",
                  {{"a.sql", "select 1"}, {"b.sql", "select 3"}},
                  {"a.sql", "-", "b.sql"},
                  "select 2;",
                  {{1, "select 1"}, {2, "select 2"}, {3, "select 3"}}},
        InputCase{"DoubleDashEndsTheOptions", {{"-f", "select 1"}}, {"--", "-f"}, "", {{1, "select 1"}}},
        // The string left open at the end of a.sql does not go on in b.sql.
        InputCase{"NoStatementSpansTwoFiles",
                  {{"a.sql", "select 'x"}, {"b.sql", "y'; select 2"}},
                  {"a.sql", "b.sql"},
                  "",
                  {{1, "select 'x"}, {2, "y'; select 2"}}},
        InputCase{"EmptyFileAddsNothing",
                  {{"a.sql", ""}, {"b.sql", " ;\r\n;\t"}, {"c.sql", "select 1"}},
                  {"a.sql", "b.sql", "c.sql"},
                  "",
                  {{1, "select 1"}}},
        InputCase{"StandardInputReadOnce", {}, {"-", "-"}, "select 1", {{1, "select 1"}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Inputs, ManyStatementsAllComeOutInOrder)
{
    std::string input;
    Numbered expected;
    for (int i = 1; i <= 20000; ++i) {
        const std::string statement = "select " + std::to_string(i) + " from t" + std::to_string(i % 7);
        input += statement + (i % 3 == 0 ? ";\r\n" : ";");
        expected.emplace_back(i, statement);
    }
    const ChildRun run = run_sqlsplit({"-f", "jsonl"}, {.standard_input = input});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(statements_of(run.out) == expected);
}

// Far longer than the first window the cutter tries, with separators
// inside strings all along.
TEST(Inputs, LongStatementsAreCutWhole)
{
    std::string long_string = "'";
    for (int i = 0; i < 30000; ++i) {
        long_string += "x;y ";
    }
    long_string += "'";
    const std::string first = "select " + long_string + " from t";
    const std::string second = "select 2";
    const std::string third = "insert into t values (" + long_string + ", " + long_string + ")";
    const ChildRun run =
        run_sqlsplit({"-f", "jsonl", "-d", "mysql"}, {.standard_input = first + ";" + second + ";\n" + third + ";"});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(statements_of(run.out) == (Numbered{{1, first}, {2, second}, {3, third}}));
}

} // namespace
} // namespace cli_test
