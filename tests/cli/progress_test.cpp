// The progress line: on a terminal, for large inputs, erased at the end,
// and nowhere else.  Large inputs here are mostly blanks, which cost no
// split and no output, so that the line shows exactly once per input.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "progress_line.h"
#include "run_sqlsplit.h"

namespace cli_test {
namespace {

std::string large_input(const std::string &statements)
{
    return std::string(sqlsplit::ProgressLine::kLargeInput + 1, '\n') + statements;
}

bool all_spaces(const std::string &text)
{
    return text.find_first_not_of(' ') == std::string::npos;
}

// "sqlsplit: 45% (123 statements)", perhaps with blanks over a longer line.
bool is_progress(std::string text)
{
    text.erase(text.find_last_not_of(' ') + 1);
    std::size_t at = 0;
    const auto literal = [&](std::string_view expected) {
        const bool found = text.compare(at, expected.size(), expected) == 0;
        at += found ? expected.size() : 0;
        return found;
    };
    const auto number = [&] {
        const std::size_t start = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9')
            ++at;
        return at > start;
    };
    return literal("sqlsplit: ") && number() && literal("% (") && number() &&
           (literal(" statements)") || literal(" statement)")) && at == text.size();
}

// Whether the terminal got nothing but progress lines, each drawn over the
// one before and the last one erased.
bool only_erased_progress(const std::string &terminal)
{
    if (terminal.empty()) return true;
    if (terminal.front() != '\r' || terminal.back() != '\r') return false;
    std::vector<std::string> pieces;
    std::size_t start = 1;
    for (std::size_t end; (end = terminal.find('\r', start)) != std::string::npos; start = end + 1) {
        pieces.push_back(terminal.substr(start, end - start));
    }
    for (const std::string &piece : pieces) {
        if (!piece.empty() && !all_spaces(piece) && !is_progress(piece)) return false;
    }
    return !pieces.empty() && !pieces.back().empty() && all_spaces(pieces.back());
}

class ProgressLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!pseudo_terminals_work()) {
            GTEST_SKIP() << "no pseudo-terminal on this machine";
        }
        write_file(folder_.path() / "large.sql", large_input("select 1;select 2;"));
    }

    TempFolder folder_;
};

TEST_F(ProgressLine, ShowsOncePerLargeInputAndIsErased)
{
    const ChildRun run = run_sqlsplit({"-f", "jsonl", folder_.file("large.sql"), folder_.file("large.sql")},
                                     {.error_on_terminal = true});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(only_erased_progress(run.terminal)) << run.terminal;
    EXPECT_EQ(run.terminal.rfind("\rsqlsplit: 0% (0 statements)", 0), 0u) << run.terminal;
    EXPECT_NE(run.terminal.find("\rsqlsplit: 0% (2 statements)"), std::string::npos) << run.terminal;
    EXPECT_NE(run.out.find("\"statement\":4"), std::string::npos) << run.out;
}

TEST_F(ProgressLine, GivesWayToANoteOnStandardError)
{
    write_file(folder_.path() / "tags.sql", large_input("SELECT $a$ x $b$;"));
    const ChildRun run = run_sqlsplit({"--classic", "-d", "postgresql", folder_.file("tags.sql")}, {.error_on_terminal = true});
    EXPECT_EQ(run.exit_status, 0);
    const std::string note = "sqlsplit: " + folder_.file("tags.sql") +
                             ": statement 1: split failed with result -5 (a dollar-quoted string closed with a "
                             "different tag)\r\n";
    const std::size_t at = run.terminal.find(note);
    ASSERT_NE(at, std::string::npos) << run.terminal;
    EXPECT_NE(at, 0u) << "the line was shown before the note";
    EXPECT_TRUE(only_erased_progress(run.terminal.substr(0, at))) << run.terminal;
    EXPECT_TRUE(only_erased_progress(run.terminal.substr(at + note.size()))) << run.terminal;
}

TEST_F(ProgressLine, IsNotShownForSmallInputs)
{
    write_file(folder_.path() / "small.sql", "select 1;");
    const ChildRun run = run_sqlsplit({folder_.file("small.sql")}, {.error_on_terminal = true});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.terminal, "");
}

// The line would tear apart the output the terminal shows.
TEST_F(ProgressLine, IsNotShownWhenStandardOutputIsTheTerminalToo)
{
    const ChildRun run = run_sqlsplit({"-f", "report", folder_.file("large.sql")},
                                     {.error_on_terminal = true, .output_on_terminal = true});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.terminal.find("sqlsplit:"), std::string::npos);
    EXPECT_NE(run.terminal.find("sql            :select 2\r\n"), std::string::npos) << run.terminal;
}

TEST(ProgressLineOffTerminal, IsNotShownWhenStandardErrorIsNoTerminal)
{
    const ChildRun run = run_sqlsplit({"-f", "jsonl"}, {.standard_input = large_input("select 1;")});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out, "");
}

} // namespace
} // namespace cli_test
