// The statement reader: cutting at ";", dropping leading blanks and some
// carriage returns, numbering, NUL bytes, and inputs that cannot seek.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_driver.h"
#include "expected_report.h"

namespace driver_test {
namespace {

using namespace std::string_literals;

const Statement kSelect1{"select 1", {{"select", 12, 0x0080}, kSpace, {"1", 7, 0x0010}}};
const Statement kSelect2{"select 2", {{"select", 12, 0x0080}, kSpace, {"2", 7, 0x0010}}};
const Statement kA{"a", {other('a')}};

struct ReaderCase {
    const char *name;
    std::string input;
    std::vector<Statement> statements; // as the reader should cut them, in the generic mode
};

class StatementReader : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(StatementReader, CutsTheInputIntoTheseStatements)
{
    TempFolder folder;
    write_file(folder.path() / "in.sql", GetParam().input);
    const ChildRun result = run_driver({"-d", "0", "-i", folder.file("in.sql"), "-o", folder.file("out.txt")});
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(folder.path() / "out.txt"), report(GetParam().statements));
}

INSTANTIATE_TEST_SUITE_P(
    Driver, StatementReader,
    ::testing::Values(
        ReaderCase{"EmptyFile", "", {}},
        ReaderCase{"NoSeparatorIsOneStatement", "select 1", {kSelect1}},
        ReaderCase{"FinalSeparatorAndLineFeedAddNoStatement", "select 1;\n", {kSelect1}},
        ReaderCase{"OnlySeparators", ";;;", {}},
        ReaderCase{"CrLfPairsBeforeStatementDropped", "select 1;\r\n\r\nselect 2", {kSelect1, kSelect2}},
        ReaderCase{"LeadingSpacesAndLineEndsDropped", "select 1; \n \r select 2;", {kSelect1, kSelect2}},
        ReaderCase{"LeadingTabKept", "\ta", {{"\ta", {kSpace, other('a')}}}},
        ReaderCase{"CarriageReturnAfterSpaceKept", "a \r\nb;", {{"a \r\nb", {other('a'), kSpace, other('b')}}}},
        ReaderCase{"CarriageReturnAfterOtherByteDropped", "a\r\nb;", {{"a\nb", {other('a'), kSpace, other('b')}}}},
        ReaderCase{"CarriageReturnAfterTabDropped", "a\t\rb", {{"a\tb", {other('a'), kSpace, other('b')}}}},
        ReaderCase{"CarriageReturnAfterCarriageReturnDropped", "a \r\rb",
                   {{"a \rb", {other('a'), kSpace, other('b')}}}},
        ReaderCase{"EmptyStatementsAreNotNumbered", "a;;b c",
                   {kA, {"b c", {other('b'), kSpace, other('c')}}}},
        // The reader knows no comments: the ";" cuts the comment in two.
        ReaderCase{"SeparatorInsideComment", "/* x ; y */",
                   {{"/* x ", {}}, {"y */", {other('y'), kSpace, {"*", 11, 0x0080}, other('/')}}}},
        ReaderCase{"NulByteIsAWordOfItsOwn", "a\0b"s, {{"a\0b"s, {other('a'), other('\0'), other('b')}}}},
        ReaderCase{"NulByteAloneIsAStatement", "\0;a"s, {{"\0"s, {other('\0')}}, kA}},
        ReaderCase{"NulByteInsideWordCountsInItsLength", "/*x\0y*/"s, {{"/*x\0y*/"s, {{"/*x\0y*/"s, 8, 0x0080}}}}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(StatementReader, ReadsAnInputThatCannotSeekToItsEnd)
{
    TempFolder folder;
    RunOptions options;
    options.standard_input = "select 1;\r\n\r\nselect 2;a";
    const ChildRun result =
        run_driver({"-d", "0", "-i", "/dev/stdin", "-o", folder.file("out.txt")}, options);
    ASSERT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(folder.path() / "out.txt"), report({kSelect1, kSelect2, kA}));
}

} // namespace
} // namespace driver_test
