// Inputs too large for 32-bit sizes, and statements long enough that a
// buffer growing by fixed steps would take hours instead of seconds.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "run_driver.h"
#include "expected_report.h"

namespace driver_test {
namespace {

TEST(LargeInput, FileOver2GiBIsReadToItsEnd)
{
    TempFolder folder;
    {
        // Blanks before a statement are dropped, so the run holds little
        // in memory however large the file is.
        std::ofstream file(folder.path() / "in.sql", std::ios::binary);
        file << "select a from t;";
        const std::string blanks(std::size_t{1} << 20, ' ');
        for (int mebibyte = 0; mebibyte < 2048; ++mebibyte) {
            file.write(blanks.data(), static_cast<std::streamsize>(blanks.size()));
        }
        file << "select a from t";
        ASSERT_TRUE(file.good());
    }
    RunOptions options;
    options.time_limit = std::chrono::seconds(600);
    const ChildRun result =
        run_driver({"-d", "0", "-i", folder.file("in.sql"), "-o", folder.file("out.txt")}, options);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(read_file(folder.path() / "out.txt"), report({kGenericSelect, kGenericSelect}));
}

// Reading 32 MiB into a buffer that grows by 512 bytes at a time copies
// about a terabyte; growing geometrically takes a second.
TEST(LargeInput, LongStatementIsReadAndReportedInLinearTime)
{
    TempFolder folder;
    const std::string comment = "/*" + std::string(std::size_t{32} << 20, 'x') + "*/";
    write_file(folder.path() / "in.sql", comment);
    RunOptions options;
    options.time_limit = std::chrono::seconds(120);
    const ChildRun result =
        run_driver({"-d", "0", "-i", folder.file("in.sql"), "-o", folder.file("out.txt")}, options);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(read_file(folder.path() / "out.txt") == report({{comment, {{comment, 8, 0x0080}}}}))
        << "the report of the long statement differs";
}

} // namespace
} // namespace driver_test
