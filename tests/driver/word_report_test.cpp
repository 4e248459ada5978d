// The word report: its layout, numbering, appending, statements that yield
// no words and splits that fail.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_driver.h"
#include "expected_report.h"

namespace driver_test {
namespace {

const Statement kSelect1{"select 1", {{"select", 12, 0x0080}, kSpace, {"1", 7, 0x0010}}};
const Statement kSelect2{"select 2", {{"select", 12, 0x0080}, kSpace, {"2", 7, 0x0010}}};

struct ReportCase {
    const char *name;
    const char *dialect;
    std::string input;
    std::string report;
    std::string out; // standard output
    std::string err; // standard error
};

class WordReport : public ::testing::TestWithParam<ReportCase> {};

TEST_P(WordReport, WritesThisReport)
{
    TempFolder folder;
    write_file(folder.path() / "in.sql", GetParam().input);
    const ChildRun result =
        run_driver({"-d", GetParam().dialect, "-i", folder.file("in.sql"), "-o", folder.file("out.txt")});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.out, GetParam().out);
    EXPECT_EQ(result.err, GetParam().err);
    EXPECT_EQ(read_file(folder.path() / "out.txt"), GetParam().report);
}

const char kMysqlSelectReport[] = "==========================sql[1]==========================\n"
                                  "sql            :select a from t\n"
                                  "word_index     :1\nword_len       :6\nword_name      :[select]\n"
                                  "word_type      :12\nword_mask_type :0x0080\n-----------------------\n"
                                  "word_index     :2\nword_len       :1\nword_name      :[ ]\n"
                                  "word_type      :16\nword_mask_type :0x0028\n-----------------------\n"
                                  "word_index     :3\nword_len       :1\nword_name      :[a]\n"
                                  "word_type      :9\nword_mask_type :0x0011\n-----------------------\n"
                                  "word_index     :4\nword_len       :1\nword_name      :[ ]\n"
                                  "word_type      :16\nword_mask_type :0x0028\n-----------------------\n"
                                  "word_index     :5\nword_len       :4\nword_name      :[from]\n"
                                  "word_type      :13\nword_mask_type :0x0104\n-----------------------\n"
                                  "word_index     :6\nword_len       :1\nword_name      :[ ]\n"
                                  "word_type      :16\nword_mask_type :0x0028\n-----------------------\n"
                                  "word_index     :7\nword_len       :1\nword_name      :[t]\n"
                                  "word_type      :9\nword_mask_type :0x0011\n-----------------------\n";

INSTANTIATE_TEST_SUITE_P(
    Driver, WordReport,
    ::testing::Values(
        ReportCase{"LayoutByteForByte", "32", "select a from t", kMysqlSelectReport, "", ""},
        ReportCase{"StatementsNumberedAcrossFileWordsPerStatement", "0", "select 1;\nselect 2",
                   report({kSelect1, kSelect2}), "", ""},
        ReportCase{"ComparisonTypePrintsAs66", "0", "a>b",
                   report({{"a>b", {other('a'), {">", 66, 0x0002}, other('b')}}}), "66-splt_wdtext:>\n", ""},
        ReportCase{"MaskPrintsFourHexadecimalDigits", "64", "U&\"x\"",
                   report({{"U&\"x\"", {{"U&\"x\"", 9, 0x0811}}}}), "", ""},
        // The header waits for the next word block, or for the end of the run.
        ReportCase{"HeaderOfStatementWithoutWordsWaitsForNextWord", "0", "/* open;select 1",
                   report({{"/* open", {}}, kSelect1}), "", ""},
        ReportCase{"LastStatementWithoutWordsIsStillWritten", "0", "select 1;/* open",
                   report({kSelect1, {"/* open", {}}}), "", ""},
        ReportCase{"OnlyStatementWithoutWordsIsStillWritten", "0", "/* open", report({{"/* open", {}}}), "", ""},
        ReportCase{"FailedSplitIsReportedOnStandardError", "64", "select 1;SELECT $a$ x $b$ y $a$;select 2",
                   report({kSelect1, {"SELECT $a$ x $b$ y $a$", {}}, kSelect2}), "",
                   "test_split_word: statement 2: split failed with result -5\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WordReport, IsAppendedToTheOutputFile)
{
    TempFolder folder;
    write_file(folder.path() / "in.sql", "select a from t");
    write_file(folder.path() / "out.txt", "earlier report\n");
    const std::vector<std::string> arguments{"-d", "0", "-i", folder.file("in.sql"), "-o", folder.file("out.txt")};
    EXPECT_EQ(run_driver(arguments).exit_status, 0);
    EXPECT_EQ(run_driver(arguments).exit_status, 0);
    // Each run numbers its statements from 1.
    EXPECT_EQ(read_file(folder.path() / "out.txt"),
              "earlier report\n" + report({kGenericSelect}) + report({kGenericSelect}));
}

} // namespace
} // namespace driver_test
