// Runs the built sqlsplit (or a shell command line) as a child process, on
// files in a temporary folder, and captures what it leaves behind.
#ifndef CLI_TOOL_RUNNER_H
#define CLI_TOOL_RUNNER_H

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "temp_files.h"

namespace cli_test {

struct ToolRun {
    int exit_status = -1; // -1 when the child did not exit by itself
    std::string out;      // standard output, unless it went elsewhere
    std::string err;      // standard error, unless merged into out or sent to a terminal
    std::string terminal; // what a pseudo-terminal received
};

struct RunOptions {
    std::optional<std::string> standard_input{}; // fed through a pipe; else /dev/null
    std::string standard_output_path{};          // empty: captured in out
    bool error_into_output = false;              // standard error shares standard output, as 2>&1
    bool error_on_terminal = false;              // standard error is a pseudo-terminal
    bool output_on_terminal = false;             // standard output is that pseudo-terminal too
    std::filesystem::path working_directory{};   // empty: the test's own
    std::chrono::seconds time_limit{120};        // then the child is killed
};

// Runs sqlsplit with these arguments after its name.
ToolRun run_sqlsplit(const std::vector<std::string> &arguments, const RunOptions &options = {});

// Runs a command line with /bin/sh, sqlsplit's folder first on the PATH.
ToolRun run_shell(const std::string &command_line, const RunOptions &options = {});

// Whether this machine can give a child a pseudo-terminal.
bool pseudo_terminals_work();

using test_support::read_file;
using test_support::TempFolder;
using test_support::write_file;

} // namespace cli_test

#endif // CLI_TOOL_RUNNER_H
