// The example files run cleanly in their dialects.
#include <gtest/gtest.h>

#include <string>

#include "run_driver.h"
#include "expected_report.h"

namespace driver_test {
namespace {

struct ExampleCase {
    const char *file;
    const char *dialect;
    int statements;
};

class Example : public ::testing::TestWithParam<ExampleCase> {};

int count_headers(const std::string &report)
{
    int headers = 0;
    for (size_t at = report.find("==========================sql["); at != std::string::npos;
         at = report.find("==========================sql[", at + 1)) {
        ++headers;
    }
    return headers;
}

TEST_P(Example, SplitsEveryStatementWithoutFailure)
{
    TempFolder folder;
    const std::string input = std::string(SPLTWD_EXAMPLES_DIR) + "/" + GetParam().file;
    const ChildRun result = run_driver({"-d", GetParam().dialect, "-i", input, "-o", folder.file("out.txt")});
    EXPECT_EQ(result.exit_status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(count_headers(read_file(folder.path() / "out.txt")), GetParam().statements);
}

INSTANTIATE_TEST_SUITE_P(Driver, Example,
                         ::testing::Values(ExampleCase{"mysql.sql", "32", 5}, ExampleCase{"oracle.sql", "1", 4},
                                           ExampleCase{"postgresql.sql", "64", 4},
                                           ExampleCase{"sqlserver.sql", "2", 3}, ExampleCase{"db2.sql", "8", 3},
                                           ExampleCase{"informix.sql", "1024", 3},
                                           ExampleCase{"generic.sql", "0", 3}),
                         [](const auto &info) {
                             const std::string file = info.param.file;
                             return file.substr(0, file.find('.'));
                         });

// The README shows the start of this report.
TEST(Example, MysqlReportBeginsWithTheFirstStatement)
{
    TempFolder folder;
    const std::string input = std::string(SPLTWD_EXAMPLES_DIR) + "/mysql.sql";
    ASSERT_EQ(run_driver({"-d", "32", "-i", input, "-o", folder.file("out.txt")}).exit_status, 0);
    const std::string expected = report({kMysqlSelect});
    EXPECT_EQ(read_file(folder.path() / "out.txt").substr(0, expected.size()), expected);
}

} // namespace
} // namespace driver_test
