// test_split_word run instrumented (instrumented_driver_main.cpp): each
// allocation of a run made to fail in turn, and the bytes a run zero-fills
// compared at two input sizes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "child_process.h"
#include "temp_files.h"

namespace robustness {
namespace {

struct InstrumentedRun {
    test_support::ChildRun run;
    std::string report;
    std::size_t allocations = 0;
    bool injected = false;
    std::size_t zero_filled = 0;
};

// Runs the driver in dialect 32 on `input` with the fail_at-th allocation
// failing (none for 0).
InstrumentedRun run_instrumented(const std::string& input, std::size_t fail_at) {
    test_support::TempFolder folder;
    test_support::write_file(folder.path() / "in.sql", input);
    InstrumentedRun result;
    result.run = test_support::run_program(
        TEST_SPLIT_WORD_PATH, {"-d", "32", "-i", folder.file("in.sql"), "-o", folder.file("out.txt")},
        {.environment = {"SPLTWD_FAIL_ALLOCATION=" + std::to_string(fail_at), "SPLTWD_TALLY=" + folder.file("tally")}});
    std::ifstream tally(folder.path() / "tally");
    int injected = 0;
    EXPECT_TRUE(tally >> result.allocations >> injected >> result.zero_filled) << "no tally; " << result.run.err;
    result.injected = injected == 1;
    if (std::filesystem::exists(folder.path() / "out.txt")) {
        result.report = test_support::read_file(folder.path() / "out.txt");
    }
    return result;
}

TEST(InstrumentedDriver, RunThatRunsOutOfMemoryDoesNotExitWithZero) {
    // The second statement outgrows the 512 bytes both buffers start with,
    // so that their growths fail in turn too.
    const std::string input = "select a from t;select '" + std::string(600, 'x') + "'";
    const InstrumentedRun clean = run_instrumented(input, 0);
    ASSERT_EQ(clean.run.exit_status, 0) << clean.run.err;
    std::size_t lost_splits = 0;
    for (std::size_t k = 1; k <= clean.allocations; ++k) {
        SCOPED_TRACE(testing::Message() << "allocation " << k << " of " << clean.allocations);
        const InstrumentedRun failing = run_instrumented(input, k);
        EXPECT_TRUE(failing.injected);
        // The scanner ends the process itself when its own memory runs out.
        if (failing.run.exit_status == 2 && failing.run.err.starts_with("out of dynamic memory in ")) continue;
        EXPECT_EQ(failing.run.exit_status, 1) << failing.run.err;
        if (failing.run.err.find(": split failed with result ") != std::string::npos) {
            ++lost_splits;
            EXPECT_NE(failing.report.find("sql[2]"), std::string::npos) << "the run stopped at the lost statement";
        }
    }
    EXPECT_GT(lost_splits, 0u) << "no allocation failed inside a split";
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// Inputs of about 2n bytes; the driver empties its buffers after every word
// and every statement, and the first input's words all stand behind a long
// header, the second's statements behind a long statement.
const struct {
    const char* name;
    std::string (*of_size)(std::size_t n);
} kGrowingInputs[] = {
    {"WordsOfOneStatement", [](std::size_t n) { return repeat("a ", n); }},
    {"StatementsAfterALongOne", [](std::size_t n) { return "/*" + std::string(n, 'c') + "*/;" + repeat("a;", n / 2); }},
};

TEST(InstrumentedDriver, ZeroFillsInProportionToTheInput) {
    constexpr std::size_t n = 10000;
    for (const auto& input : kGrowingInputs) {
        SCOPED_TRACE(input.name);
        const InstrumentedRun small = run_instrumented(input.of_size(n), 0);
        const InstrumentedRun large = run_instrumented(input.of_size(4 * n), 0);
        ASSERT_EQ(small.run.exit_status, 0) << small.run.err;
        ASSERT_EQ(large.run.exit_status, 0) << large.run.err;
        ASSERT_GT(small.zero_filled, 0u) << "memset is not counted";
        // Four times the input: four times the bytes when clearing is
        // linear, sixteen times when it is quadratic.
        EXPECT_LT(large.zero_filled, 8 * small.zero_filled)
            << small.zero_filled << " bytes, then " << large.zero_filled;
    }
}

}  // namespace
}  // namespace robustness
