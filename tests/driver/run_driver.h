// The built test_split_word run as a child process.
#ifndef DRIVER_RUN_DRIVER_H
#define DRIVER_RUN_DRIVER_H

#include <string>
#include <vector>

#include "child_process.h"
#include "temp_files.h"

namespace driver_test {

using test_support::ChildRun;
using test_support::read_file;
using test_support::RunOptions;
using test_support::TempFolder;
using test_support::write_file;

// Runs the program with these arguments after its name.
inline ChildRun run_driver(const std::vector<std::string> &arguments, const RunOptions &options = {})
{
    return test_support::run_program(TEST_SPLIT_WORD_PATH, arguments, options);
}

} // namespace driver_test

#endif // DRIVER_RUN_DRIVER_H
