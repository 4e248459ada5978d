// The three formats, byte for byte, on inputs of several statements in
// several dialects; the report also against test_split_word's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_sqlsplit.h"

namespace cli_test {
namespace {

struct FormatCase {
    const char *name;
    std::vector<std::string> arguments;
    std::string input; // on standard input
    std::string out;
};

class Formats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(Formats, WriteExactlyThis)
{
    const ChildRun run = run_sqlsplit(GetParam().arguments, {.standard_input = GetParam().input});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, GetParam().out);
    EXPECT_EQ(run.err, "");
}

const char kMysqlTable[] = "  stmt    word  type               mask    text\n"
                           "== statement 1 (7 words): select 'a;b' from t\n"
                           "     1       1  select         12  0x0080  select\n"
                           "     1       2  space          16  0x0028   \n"
                           "     1       3  string          5  0x0010  'a;b'\n"
                           "     1       4  space          16  0x0028   \n"
                           "     1       5  from           13  0x0104  from\n"
                           "     1       6  space          16  0x0028   \n"
                           "     1       7  name            9  0x0011  t\n"
                           "== statement 2 (5 words): select 2 /* ;x */\n"
                           "     2       1  select         12  0x0080  select\n"
                           "     2       2  space          16  0x0028   \n"
                           "     2       3  number          7  0x0010  2\n"
                           "     2       4  space          16  0x0028   \n"
                           "     2       5  comment         8  0x0080  /* ;x */\n";

const char kPostgresqlJsonl[] = R"({"statement":1,"text":"SELECT $f$ a; b $f$ AS body","result":83,"words":[)"
                                R"({"text":"SELECT","type":12,"type_name":"select","mask":"0x0080"},)"
                                R"({"text":" ","type":16,"type_name":"space","mask":"0x0028"},)"
                                R"({"text":"$f$ a; b $f$","type":31,"type_name":"dollar_string","mask":"0x0010"},)"
                                R"({"text":" ","type":16,"type_name":"space","mask":"0x0028"},)"
                                R"({"text":"AS","type":21,"type_name":"as","mask":"0x0008"},)"
                                R"({"text":" ","type":16,"type_name":"space","mask":"0x0028"},)"
                                R"({"text":"body","type":9,"type_name":"name","mask":"0x0011"}]})"
                                "\n"
                                R"({"statement":2,"text":"SELECT id::text FROM t","result":78,"words":[)"
                                R"({"text":"SELECT","type":12,"type_name":"select","mask":"0x0080"},)"
                                R"({"text":" ","type":16,"type_name":"space","mask":"0x0028"},)"
                                R"({"text":"id::text","type":9,"type_name":"name","mask":"0x0411"},)"
                                R"({"text":" ","type":16,"type_name":"space","mask":"0x0028"},)"
                                R"({"text":"FROM","type":13,"type_name":"from","mask":"0x0104"},)"
                                R"({"text":" ","type":16,"type_name":"space","mask":"0x0028"},)"
                                R"({"text":"t","type":9,"type_name":"name","mask":"0x0011"}]})"
                                "\n";

// Without single-quoted strings, DB2 cuts at the ";" between the quotes.
const char kDb2Report[] = "==========================sql[1]==========================\n"
                          "sql            :select 'a\n"
                          "word_index     :1\nword_len       :6\nword_name      :[select]\n"
                          "word_type      :12\nword_mask_type :0x0080\n-----------------------\n"
                          "word_index     :2\nword_len       :1\nword_name      :[ ]\n"
                          "word_type      :16\nword_mask_type :0x0028\n-----------------------\n"
                          "word_index     :3\nword_len       :1\nword_name      :[']\n"
                          "word_type      :4\nword_mask_type :0x0080\n-----------------------\n"
                          "word_index     :4\nword_len       :1\nword_name      :[a]\n"
                          "word_type      :9\nword_mask_type :0x0011\n-----------------------\n"
                          "==========================sql[2]==========================\n"
                          "sql            :b'\n"
                          "word_index     :1\nword_len       :1\nword_name      :[b]\n"
                          "word_type      :9\nword_mask_type :0x0011\n-----------------------\n"
                          "word_index     :2\nword_len       :1\nword_name      :[']\n"
                          "word_type      :4\nword_mask_type :0x0080\n-----------------------\n";

INSTANTIATE_TEST_SUITE_P(
    Sqlsplit, Formats,
    ::testing::Values(FormatCase{"TableIsTheDefaultAndMysqlTheDialect",
                                 {},
                                 "select 'a;b' from t;\n\tselect 2 /* ;x */;",
                                 kMysqlTable},
                      FormatCase{"Table",
                                 {"--format", "table", "--dialect", "mysql"},
                                 "select 'a;b' from t;\n\tselect 2 /* ;x */;",
                                 kMysqlTable},
                      FormatCase{"Jsonl",
                                 {"--classic", "--dialect=postgresql", "--format=jsonl"},
                                 "SELECT $f$ a; b $f$ AS body; SELECT id::text FROM t",
                                 kPostgresqlJsonl},
                      FormatCase{"Report", {"--classic", "-d", "db2", "-f", "report"}, "select 'a;b'", kDb2Report},
                      FormatCase{"TableShowsControlAndStrayBytes",
                                 {},
                                 "select 'a\tb\r\xff'",
                                 "  stmt    word  type               mask    text\n"
                                 "== statement 1 (3 words): select 'a\\tb\\r\\xff'\n"
                                 "     1       1  select         12  0x0080  select\n"
                                 "     1       2  space          16  0x0028   \n"
                                 "     1       3  string          5  0x0010  'a\\tb\\r\\xff'\n"},
                      FormatCase{"TableStatementWithoutWords",
                                 {"--classic", "-d", "0"},
                                 "/* open; x",
                                 "  stmt    word  type               mask    text\n"
                                 "== statement 1 (no words): /* open; x\n"},
                      FormatCase{"JsonlStatementWithoutWords",
                                 {"--classic", "-f", "jsonl"},
                                 "-- nothing but a comment",
                                 "{\"statement\":1,\"text\":\"-- nothing but a comment\",\"result\":0,\"words\":[]}\n"},
                      FormatCase{"ReportTextsEndAtTheirFirstNulByte",
                                 {"--classic", "-f", "report", "-d", "0"},
                                 std::string("a\0b", 3),
                                 "==========================sql[1]==========================\n"
                                 "sql            :a\n"
                                 "word_index     :1\nword_len       :1\nword_name      :[a]\n"
                                 "word_type      :4\nword_mask_type :0x0080\n-----------------------\n"
                                 "word_index     :2\nword_len       :1\nword_name      :[]\n"
                                 "word_type      :4\nword_mask_type :0x0080\n-----------------------\n"
                                 "word_index     :3\nword_len       :1\nword_name      :[b]\n"
                                 "word_type      :4\nword_mask_type :0x0080\n-----------------------\n"},
                      FormatCase{"NoStatementNoOutput", {"-f", "table"}, " ;\n; ", ""}),
    [](const auto &info) { return std::string(info.param.name); });

// Where the driver's reader cuts the same way (no ";" inside a string or a
// comment), both programs must write the same report.
struct ExampleFile {
    const char *file;
    const char *dialect;
};

class ReportLikeTheDriver : public ::testing::TestWithParam<ExampleFile> {};

TEST_P(ReportLikeTheDriver, ByteForByte)
{
    TempFolder folder;
    const std::string input = std::string(SPLTWD_SOURCE_DIR "/examples/") + GetParam().file;
    const ChildRun driver = test_support::run_program(
        TEST_SPLIT_WORD_PATH, {"-d", GetParam().dialect, "-i", input, "-o", folder.file("report.txt")});
    ASSERT_EQ(driver.exit_status, 0) << driver.err;
    const ChildRun run = run_sqlsplit({"--classic", "--dialect", GetParam().dialect, "--format", "report", input});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.out, read_file(folder.file("report.txt")));
    EXPECT_NE(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(Examples, ReportLikeTheDriver,
                         ::testing::Values(ExampleFile{"generic.sql", "0"}, ExampleFile{"oracle.sql", "1"},
                                           ExampleFile{"sqlserver.sql", "2"}, ExampleFile{"db2.sql", "8"},
                                           ExampleFile{"mysql.sql", "32"}, ExampleFile{"postgresql.sql", "64"},
                                           ExampleFile{"informix.sql", "1024"}),
                         [](const auto &info) { return std::string(info.param.dialect); });

// The splitter gives a debug line for each comparison word: on standard
// error when asked for, so that the output stays what it is.
TEST(DebugLines, GoToStandardErrorWhenAskedFor)
{
    const std::string first = "== statement 1 (3 words): a>b\n"
                              "     1       1  other           4  0x0080  a\n"
                              "     1       2  comparison     66  0x0002  >\n"
                              "     1       3  other           4  0x0080  b\n";
    const std::string second = "== statement 2 (3 words): c>d\n"
                               "     2       1  other           4  0x0080  c\n"
                               "     2       2  comparison     66  0x0002  >\n"
                               "     2       3  other           4  0x0080  d\n";
    const std::string title = "  stmt    word  type               mask    text\n";
    const ChildRun quiet = run_sqlsplit({"--classic", "-d", "generic"}, {.standard_input = "a>b;c>d"});
    EXPECT_EQ(quiet.out, title + first + second);
    EXPECT_EQ(quiet.err, "");
    const ChildRun debug = run_sqlsplit({"--classic", "-d", "generic", "--debug-lines"}, {.standard_input = "a>b;c>d"});
    EXPECT_EQ(debug.out, title + first + second);
    EXPECT_EQ(debug.err, "66-splt_wdtext:>\n66-splt_wdtext:>\n");
    // Each statement's lines come before its text where both streams meet.
    const ChildRun merged =
        run_sqlsplit({"--classic", "-d", "generic", "--debug-lines"}, {.standard_input = "a>b;c>d", .error_into_output = true});
    EXPECT_EQ(merged.out, "66-splt_wdtext:>\n" + title + first + "66-splt_wdtext:>\n" + second);
}

} // namespace
} // namespace cli_test
