// The sqlsplit examples of the README run as shown.  Between each pair of
// the markers below, each "$ " line in a fenced block is a command, run with /bin/sh in
// the source folder with standard error merged into standard output, and the
// lines under it, up to the next command or the end of the block, are what
// it must print.  Trailing blanks do not count: editors strip them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "run_sqlsplit.h"

namespace cli_test {
namespace {

constexpr std::string_view kBegin = "<!-- sqlsplit examples begin -->";
constexpr std::string_view kEnd = "<!-- sqlsplit examples end -->";

struct Example {
    std::string command;
    std::string output;
};

// The text between each pair of markers, one after another.
std::optional<std::string> examples_section(const std::filesystem::path &markdown)
{
    if (!std::filesystem::exists(markdown)) return std::nullopt;
    const std::string text = read_file(markdown);
    std::string sections;
    for (std::size_t at = 0;;) {
        const std::size_t begin = text.find(kBegin, at);
        if (begin == std::string::npos) break;
        const std::size_t end = text.find(kEnd, begin);
        if (end == std::string::npos) return std::nullopt;
        sections += text.substr(begin + kBegin.size(), end - begin - kBegin.size());
        at = end + kEnd.size();
    }
    if (sections.empty()) return std::nullopt;
    return sections;
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string without_trailing_blanks(const std::string &text)
{
    std::string result;
    for (std::string line : lines_of(text)) {
        line.erase(line.find_last_not_of(" \t") + 1);
        result += line + "\n";
    }
    return result;
}

std::vector<Example> parse_examples(const std::string &section)
{
    std::vector<Example> examples;
    bool in_block = false;
    for (const std::string &line : lines_of(section)) {
        if (line.rfind("```", 0) == 0) {
            in_block = !in_block;
        } else if (in_block && line.rfind("$ ", 0) == 0) {
            examples.push_back({line.substr(2), ""});
        } else if (in_block) {
            if (examples.empty()) {
                ADD_FAILURE() << "output before any command: " << line;
                continue;
            }
            examples.back().output += line + "\n";
        }
    }
    EXPECT_FALSE(in_block) << "a block is not closed";
    return examples;
}

// As a user runs it: sqlsplit found on the PATH.
ChildRun run_shell(const std::string &command_line)
{
    const std::string folder = std::filesystem::path(SQLSPLIT_PATH).parent_path().string();
    const char *path = std::getenv("PATH");
    return test_support::run_program(
        "/bin/sh", {"-c", command_line},
        {.error_into_output = true,
         .working_directory = SPLTWD_SOURCE_DIR,
         .environment = {"PATH=" + folder + ":" + (path != nullptr ? path : "/usr/bin:/bin")}});
}

TEST(ReadmeExamples, PrintWhatTheReadmeShows)
{
    const std::filesystem::path readme = std::filesystem::path(SPLTWD_SOURCE_DIR) / "README.md";
    const std::optional<std::string> section = examples_section(readme);
    ASSERT_TRUE(section) << readme << " has no sqlsplit examples between " << kBegin << " and " << kEnd;
    const std::vector<Example> examples = parse_examples(*section);
    EXPECT_GE(examples.size(), 3u);
    for (const Example &example : examples) {
        SCOPED_TRACE(example.command);
        const ChildRun run = run_shell(example.command);
        EXPECT_EQ(without_trailing_blanks(run.out), without_trailing_blanks(example.output));
    }
}

} // namespace
} // namespace cli_test
