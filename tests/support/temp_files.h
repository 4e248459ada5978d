// A temporary folder for a test's files, and whole-file reads and writes.
#ifndef SPLTWD_TESTS_TEMP_FILES_H
#define SPLTWD_TESTS_TEMP_FILES_H

#include <filesystem>
#include <string>
#include <string_view>

namespace test_support {

// A fresh folder under the temporary directory, removed with everything in
// it at the end of the test.  Its name has no "-", so that no program
// under test takes a path in it for an option.  Throws when none can be
// made.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::filesystem::path &path() const { return path_; }
    std::string file(std::string_view name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Throw std::runtime_error when the file cannot be written or read.
void write_file(const std::filesystem::path &path, std::string_view bytes);
std::string read_file(const std::filesystem::path &path);

} // namespace test_support

#endif // SPLTWD_TESTS_TEMP_FILES_H
