// Children that would hang a test, or run the rest of the test program a
// second time, if the runner fed and read their streams one after another.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>

#include "child_process.h"

namespace {

using test_support::ChildRun;

constexpr std::size_t kMoreThanAPipeHolds = std::size_t{1} << 20;

struct RunnerCase {
    const char *name;
    std::function<ChildRun()> run;
    int exit_status;
    int signal;
    std::size_t report_size;
};

const RunnerCase kCases[] = {
    {"ReportAndErrorLargerThanAPipe",
     [] {
         return test_support::run_function([](int report_fd) {
             const std::string bytes(kMoreThanAPipeHolds, 'r');
             test_support::write_all(report_fd, bytes.data(), bytes.size());
             test_support::write_all(STDERR_FILENO, bytes.data(), bytes.size());
         });
     },
     0, 0, kMoreThanAPipeHolds},
    {"InputNeverRead",
     [] {
         return test_support::run_function([](int) { pause(); },
                                           {.standard_input = std::string(kMoreThanAPipeHolds, 'i'),
                                            .time_limit = std::chrono::seconds(1)});
     },
     -1, SIGKILL, 0},
    {"BodyThatThrows",
     [] { return test_support::run_function([](int) { throw std::runtime_error("thrown"); }); },
     test_support::kBodyThrew, 0, 0},
};

void PrintTo(const RunnerCase &c, std::ostream *os) { *os << c.name; }

class ChildProcess : public ::testing::TestWithParam<RunnerCase> {};

TEST_P(ChildProcess, EndsAndGivesBackEverything)
{
    const ChildRun run = GetParam().run();
    EXPECT_EQ(run.exit_status, GetParam().exit_status) << run.err.substr(0, 200);
    EXPECT_EQ(run.signal, GetParam().signal);
    EXPECT_EQ(run.timed_out, GetParam().signal == SIGKILL);
    EXPECT_EQ(run.report.size(), GetParam().report_size);
}

INSTANTIATE_TEST_SUITE_P(Runner, ChildProcess, ::testing::ValuesIn(kCases),
                         [](const auto &info) { return std::string(info.param.name); });

} // namespace
