// Files that cannot be opened, read or written end the run with status 1
// and one line on standard error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include "run_driver.h"
#include "expected_report.h"

namespace driver_test {
namespace {

namespace fs = std::filesystem;

struct FileErrorCase {
    const char *name;
    std::string input;
    std::string output;
    std::string err;
    std::optional<std::string> report; // what out.txt holds afterwards; none: it was not created
};

class FileError : public ::testing::TestWithParam<FileErrorCase> {};

TEST_P(FileError, ExitsWithOneAndNamesTheFileAndTheReason)
{
    TempFolder folder;
    write_file(folder.path() / "in.sql", "select a from t");
    fs::create_directory(folder.path() / "folder");
    RunOptions options;
    options.working_directory = folder.path();

    const ChildRun result = run_driver({"-i", GetParam().input, "-o", GetParam().output, "-d", "0"}, options);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, GetParam().err);
    const fs::path report_file = folder.path() / "out.txt";
    ASSERT_EQ(fs::exists(report_file), GetParam().report.has_value());
    if (GetParam().report) {
        EXPECT_EQ(read_file(report_file), *GetParam().report);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Driver, FileError,
    ::testing::Values(
        FileErrorCase{"MissingInput", "no_such.sql", "out.txt",
                      "test_split_word: cannot open input file 'no_such.sql': No such file or directory\n",
                      std::nullopt},
        FileErrorCase{"InputIsFolder", "folder", "out.txt",
                      "test_split_word: cannot open input file 'folder': Is a directory\n", std::nullopt},
        FileErrorCase{"OutputInMissingFolder", "in.sql", "no_such/out.txt",
                      "test_split_word: cannot open output file 'no_such/out.txt': No such file or directory\n",
                      std::nullopt},
        FileErrorCase{"OutputIsFolder", "in.sql", "folder",
                      "test_split_word: cannot open output file 'folder': Is a directory\n", std::nullopt},
        // A short report stays in the stream's buffer until the file is closed.
        FileErrorCase{"WriteErrorAtClose", "in.sql", "/dev/full",
                      "test_split_word: cannot write output file '/dev/full': No space left on device\n",
                      std::nullopt}),
    [](const auto &info) { return std::string(info.param.name); });

// The kernel gives the loopback device's speed file a size of 4096 bytes
// but refuses to read it.
TEST(ReadFailure, EndsTheRunWithOneAndNamesTheFileAndTheReason)
{
    const char *const unreadable = "/sys/class/net/lo/speed";
    const int fd = open(unreadable, O_RDONLY);
    char byte;
    const bool read_fails = fd >= 0 && read(fd, &byte, 1) < 0 && errno == EINVAL;
    if (fd >= 0) {
        close(fd);
    }
    if (!read_fails) {
        GTEST_SKIP() << unreadable << " is not there or can be read on this machine";
    }
    TempFolder folder;
    write_file(folder.path() / "out.txt", "earlier report\n");

    const ChildRun result = run_driver({"-i", unreadable, "-o", folder.file("out.txt"), "-d", "0"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, std::string("test_split_word: cannot read input file '") + unreadable +
                              "': Invalid argument\n");
    EXPECT_EQ(read_file(folder.path() / "out.txt"), "earlier report\n");
}

// Word blocks larger than the stream's buffer are written at once, so each
// failed write is seen by the write that made it.
TEST(WriteFailure, IsPrintedForEveryLostWriteAndTheRunGoesOn)
{
    TempFolder folder;
    const std::string comment = "/*" + std::string(10000, 'x') + "*/";
    write_file(folder.path() / "in.sql", comment + ";" + comment);

    const ChildRun result = run_driver({"-i", folder.file("in.sql"), "-o", "/dev/full", "-d", "0"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.out, "write failed:0.\nwrite failed:0.\n");
    EXPECT_EQ(result.err, "");
}

} // namespace
} // namespace driver_test
