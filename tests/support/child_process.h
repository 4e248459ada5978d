// Runs a program, or a piece of test code, as a child process and captures
// what it leaves behind: its standard streams, a pseudo-terminal, a report
// from test code, its exit and its peak memory.
#ifndef SPLTWD_TESTS_CHILD_PROCESS_H
#define SPLTWD_TESTS_CHILD_PROCESS_H

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

struct ChildRun {
    int exit_status = -1;   // -1 when the child did not exit by itself
    int signal = 0;         // the signal that ended it, else 0
    bool timed_out = false; // killed at the time limit
    std::string out;        // standard output, unless it went to a file or the terminal
    std::string err;        // standard error, unless merged into out or sent to the terminal
    std::string terminal;   // what the pseudo-terminal received
    std::string report;     // what test code wrote to its report descriptor
    long max_rss_kib = 0;   // the child's peak resident set
};

struct RunOptions {
    std::optional<std::string> standard_input{}; // fed through a pipe; else /dev/null
    std::string standard_output_path{};          // empty: captured in out
    bool error_into_output = false;              // standard error shares standard output, as 2>&1
    bool error_on_terminal = false;              // standard error is a pseudo-terminal
    bool output_on_terminal = false;             // standard output is that pseudo-terminal too
    std::filesystem::path working_directory{};   // empty: the test's own
    std::vector<std::string> environment{};      // "NAME=value", added to the test's own or replacing it
    std::chrono::seconds time_limit{120};        // then the child is killed
    std::optional<const char *> argv0{};         // programs only; null: no argv at all; unset: the path
};

inline constexpr int kBodyThrew = 125;

// Runs the program at `path` with these arguments after its name.
ChildRun run_program(const std::string &path, const std::vector<std::string> &arguments,
                     const RunOptions &options = {});

// Runs `body` in a forked child, which exits with 0 if `body` returns and
// with kBodyThrew if it throws.  `report_fd` carries whatever the body
// wants the test to see.
ChildRun run_function(const std::function<void(int report_fd)> &body, const RunOptions &options = {});

// Writes all of `bytes` to `fd`; for a child's report.
void write_all(int fd, const void *bytes, std::size_t size);

// Whether this machine can give a child a pseudo-terminal.
bool pseudo_terminals_work();

} // namespace test_support

#endif // SPLTWD_TESTS_CHILD_PROCESS_H
