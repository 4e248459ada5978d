// The built sqlsplit run as a child process.
#ifndef CLI_RUN_SQLSPLIT_H
#define CLI_RUN_SQLSPLIT_H

#include <string>
#include <vector>

#include "child_process.h"
#include "temp_files.h"

namespace cli_test {

using test_support::ChildRun;
using test_support::pseudo_terminals_work;
using test_support::read_file;
using test_support::RunOptions;
using test_support::TempFolder;
using test_support::write_file;

// Runs sqlsplit with these arguments after its name.
inline ChildRun run_sqlsplit(const std::vector<std::string> &arguments, const RunOptions &options = {})
{
    return test_support::run_program(SQLSPLIT_PATH, arguments, options);
}

} // namespace cli_test

#endif // CLI_RUN_SQLSPLIT_H
