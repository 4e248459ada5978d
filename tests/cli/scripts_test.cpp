// sqlsplit --script: statements, client commands and data blocks in every
// format, the usage mistakes, and a dump whose data outgrow the pieces an
// input is read in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "json_reader.h"
#include "run_sqlsplit.h"

namespace cli_test {
namespace {

// A psql script: a meta-command, COPY data whose rows look like
// statements, and a statement after them.
const char kPsqlScript[] = "\\connect shop\n"
                           "COPY t (a) FROM stdin;\n"
                           "SELECT 1; -- a row\n"
                           "\\.\n"
                           "SELECT 2;\n";

struct ScriptCase {
    const char *name;
    std::vector<std::string> arguments;
    std::string input;
    std::string out;
};

class Scripts : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(Scripts, WriteExactlyThis)
{
    const ChildRun run = run_sqlsplit(GetParam().arguments, {.standard_input = GetParam().input});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, Scripts,
    ::testing::Values(
        ScriptCase{"TableShowsCommandsAndData",
                   {"-d", "postgresql"},
                   kPsqlScript,
                   "  stmt    word  type               mask    text\n"
                   "== command 1: \\\\connect shop\n"
                   "== statement 1 (11 words): COPY t (a) FROM stdin\n"
                   "     1       1  name            9  0x0011  COPY\n"
                   "     1       2  space          16  0x0028   \n"
                   "     1       3  name            9  0x0011  t\n"
                   "     1       4  space          16  0x0028   \n"
                   "     1       5  lparen         18  0x0040  (\n"
                   "     1       6  name            9  0x0011  a\n"
                   "     1       7  rparen         19  0x0010  )\n"
                   "     1       8  space          16  0x0028   \n"
                   "     1       9  from           13  0x0104  FROM\n"
                   "     1      10  space          16  0x0028   \n"
                   "     1      11  name            9  0x0011  stdin\n"
                   "== data 1: bytes 37-58 (21 bytes)\n"
                   "== statement 2 (3 words): SELECT 2\n"
                   "     2       1  select         12  0x0080  SELECT\n"
                   "     2       2  space          16  0x0028   \n"
                   "     2       3  number          7  0x0010  2\n"},
        ScriptCase{"ReportLeavesCommandsOut",
                   {"-d", "sqlserver", "-f", "report", "--script", "sqlcmd"},
                   "GO\n",
                   ""},
        ScriptCase{"NoneReadsClientLinesAsSql",
                   {"--script", "none", "-f", "digest"},
                   "DELIMITER ;;\n",
                   R"j({"statement":1,"file":"standard input","start":0,"end":10,"fingerprint":"894f6deb0b90819a","kind":"OTHER","tables":[],"normalized":"delimiter"})j" "\n"}),
    [](const auto &info) { return std::string(info.param.name); });

// One JSON line, in short: "statement 1 0-8 SELECT 1", "command 1 10-22
// DELIMITER ;;", "data 1 30-50 20 bytes".
std::string jsonl_line_in_short(const JsonValue &line)
{
    for (const char *kind : {"statement", "command", "data"}) {
        if (!line.integer(kind)) continue;
        std::string shown = std::string(kind) + " " + std::to_string(*line.integer(kind)) + " " +
                            std::to_string(line.integer("start").value_or(-1)) + "-" +
                            std::to_string(line.integer("end").value_or(-1)) + " ";
        if (line.string("file") != "standard input") shown += "(file?) ";
        if (std::string(kind) == "data") return shown + std::to_string(line.integer("bytes").value_or(-1)) + " bytes";
        return shown + line.string("text").value_or("(no text)");
    }
    return "(no kind)";
}

struct JsonlCase {
    const char *name;
    std::vector<std::string> arguments;
    std::string input;
    std::vector<std::string> lines;
};

class ScriptJsonl : public ::testing::TestWithParam<JsonlCase> {};

TEST_P(ScriptJsonl, GivesEachPieceOnALine)
{
    const ChildRun run = run_sqlsplit(GetParam().arguments, {.standard_input = GetParam().input});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::optional<JsonValue> line = parse_json(std::string_view(run.out).substr(start, end - start));
        lines.push_back(line ? jsonl_line_in_short(*line) : "(not JSON)");
    }
    EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, ScriptJsonl,
    ::testing::Values(
        JsonlCase{"MysqlDelimiters",
                  {"-d", "mysql", "--script", "mysql", "-f", "jsonl"},
                  "DELIMITER ;;\nCREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW BEGIN SET NEW.a = 1; END;;\nDELIMITER ;\nSELECT 1;",
                  {"command 1 0-12 DELIMITER ;;",
                   "statement 1 13-87 CREATE TRIGGER tr BEFORE INSERT ON t FOR EACH ROW BEGIN SET NEW.a = 1; END",
                   "command 2 90-101 DELIMITER ;", "statement 2 102-110 SELECT 1"}},
        JsonlCase{"PsqlByDefaultForPostgresql",
                  {"-d", "postgresql", "-f", "jsonl"},
                  kPsqlScript,
                  {"command 1 0-13 \\connect shop", "statement 1 14-35 COPY t (a) FROM stdin", "data 1 37-58 21 bytes",
                   "statement 2 59-67 SELECT 2"}},
        JsonlCase{"NumbersRunAcrossInputs",
                  {"-d", "sqlserver", "-f", "jsonl", "-", "-"},
                  "SELECT 1\nGO 2\n",
                  {"statement 1 0-8 SELECT 1", "command 1 9-13 GO 2"}},
        JsonlCase{"SqlplusBlocks",
                  {"-d", "oracle", "-f", "jsonl"},
                  "BEGIN\n  NULL;\nEND;\n/\nSELECT 1 FROM dual;\n/",
                  {"statement 1 0-18 BEGIN\n  NULL;\nEND;", "command 1 19-20 /", "statement 2 21-39 SELECT 1 FROM dual",
                   "command 2 41-42 /"}}),
    [](const auto &info) { return std::string(info.param.name); });

struct MistakeCase {
    const char *name;
    std::vector<std::string> arguments;
    std::string err;
};

class ScriptMistakes : public ::testing::TestWithParam<MistakeCase> {};

TEST_P(ScriptMistakes, AreUsageMistakes)
{
    const ChildRun run = run_sqlsplit(GetParam().arguments, {.standard_input = "SELECT 1;"});
    EXPECT_EQ(run.exit_status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, GetParam().err);
}

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, ScriptMistakes,
    ::testing::Values(
        MistakeCase{"ClientWithClassic", {"--classic", "--script", "mysql"},
                    "sqlsplit: --script mysql reads scripts from the words of the accurate profile: leave out --classic, "
                    "or use --script none\n"},
        MistakeCase{"AutoWithClassic", {"--script=auto", "--classic"},
                    "sqlsplit: --script auto reads scripts from the words of the accurate profile: leave out --classic, "
                    "or use --script none\n"},
        MistakeCase{"UnknownClient", {"--script", "isql"},
                    "sqlsplit: unknown client 'isql': use auto, none, mysql, psql, sqlcmd or sqlplus\n"},
        MistakeCase{"MissingClient", {"--script"}, "sqlsplit: option --script needs a client\n"}),
    [](const auto &info) { return std::string(info.param.name); });

// The lines of a run's JSON Lines output, each in short through `shown`.
template <typename Shown>
std::vector<std::string> lines_in_short(const std::string &out, Shown shown)
{
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::optional<JsonValue> line = parse_json(std::string_view(out).substr(start, end - start));
        lines.push_back(line ? shown(*line) : "(not JSON)");
    }
    return lines;
}

// "SELECT 2 (1 times, 8 bytes): SELECT 2"
std::string summary_line_in_short(const JsonValue &line)
{
    return line.string("kind").value_or("?") + " (" + std::to_string(line.integer("count").value_or(-1)) + " times, " +
           std::to_string(line.integer("bytes").value_or(-1)) + " bytes): " + line.string("example").value_or("?");
}

TEST(Scripts, DigestsAndSummariesLeaveCommandsAndDataOut)
{
    const ChildRun digests = run_sqlsplit({"-d", "postgres", "-f", "digest"}, {.standard_input = kPsqlScript});
    EXPECT_EQ(digests.exit_status, 0) << digests.err;
    EXPECT_EQ(lines_in_short(digests.out,
                             [](const JsonValue &line) {
                                 return std::to_string(line.integer("statement").value_or(-1)) + " " +
                                        line.string("kind").value_or("?") + " " +
                                        std::to_string(line.integer("start").value_or(-1)) + "-" +
                                        std::to_string(line.integer("end").value_or(-1));
                             }),
              (std::vector<std::string>{"1 COPY 14-35", "2 SELECT 59-67"}));
    const ChildRun summary = run_sqlsplit({"-d", "postgresql", "--summary", "-f", "jsonl"}, {.standard_input = kPsqlScript});
    EXPECT_EQ(summary.exit_status, 0) << summary.err;
    EXPECT_EQ(lines_in_short(summary.out, summary_line_in_short),
              (std::vector<std::string>{"COPY (1 times, 21 bytes): COPY t (a) FROM stdin", "SELECT (1 times, 8 bytes): SELECT 2"}));
}

TEST(Scripts, ClassicWithScriptNoneCutsAsClassic)
{
    const ChildRun classic = run_sqlsplit({"--classic", "-f", "jsonl"}, {.standard_input = "DELIMITER ;;\nSELECT 1;;"});
    const ChildRun none = run_sqlsplit({"--classic", "--script", "none", "-f", "jsonl"}, {.standard_input = "DELIMITER ;;\nSELECT 1;;"});
    EXPECT_EQ(none.exit_status, 0);
    EXPECT_EQ(none.out, classic.out);
    EXPECT_NE(none.out.find("DELIMITER"), std::string::npos);
}

// A dump's COPY data larger than the pieces digests read an input in (4
// MiB), its rows full of what would be statements: only the statements
// around them count, and memory does not hold the data.
TEST(Scripts, DigestsPassCopyDataLargerThanAPieceInBoundedMemory)
{
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::filesystem::path dump = folder.path() / "dump.sql";
    {
        std::ofstream out(dump, std::ios::binary);
        out << "\\connect shop\nCOPY t (a, b) FROM stdin;\n";
        for (int row = 0; row < 1000000; ++row) out << row << "\tSELECT 'x'; \\\\ \"q\" \\t;\n";
        out << "\\.\nSELECT 1;\nSELECT 2;\n";
    }
    ASSERT_GT(std::filesystem::file_size(dump), std::uintmax_t{24} << 20);
    const ChildRun run = run_sqlsplit({"-d", "postgresql", "--summary", "-f", "jsonl", dump.string()});
    EXPECT_EQ(run.exit_status, 0) << run.err;
    EXPECT_EQ(lines_in_short(run.out, summary_line_in_short),
              (std::vector<std::string>{"SELECT (2 times, 16 bytes): SELECT 1", "COPY (1 times, 24 bytes): COPY t (a, b) FROM stdin"}));
    std::printf("[ peak     ] sqlsplit --summary of a dump of %ju MiB of COPY data: peak %ld MiB\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(dump) >> 20), run.max_rss_kib >> 10);
#ifndef SPLTWD_SANITIZED_BUILD
    EXPECT_LE(run.max_rss_kib, 20 << 10);
#endif
}

} // namespace
} // namespace cli_test
