// Runs the built test_split_word as a child process, on files in a
// temporary folder, and captures what it leaves behind.
#ifndef DRIVER_RUNNER_H
#define DRIVER_RUNNER_H

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "temp_files.h"

namespace driver_test {

struct DriverRun {
    int exit_status = -1; // -1 when the program did not exit by itself
    bool timed_out = false;
    std::string out; // standard output
    std::string err; // standard error
};

struct RunOptions {
    std::optional<std::string> standard_input; // fed through a pipe; else /dev/null
    std::filesystem::path working_directory;   // empty: the test's own
    std::chrono::seconds time_limit{60};       // then the program is killed
    std::optional<const char *> argv0;         // null: no argv at all; unset: the program's path
};

// Runs the program with these arguments after its name.
DriverRun run_driver(const std::vector<std::string> &arguments, const RunOptions &options = {});

using test_support::read_file;
using test_support::TempFolder;
using test_support::write_file;

} // namespace driver_test

#endif // DRIVER_RUNNER_H
