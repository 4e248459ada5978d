// Reads an input whole: statements are cut from memory, so the memory a run
// needs grows with its largest input.  Digests need no more than the
// statement at hand: InputPieces reads for them a piece at a time.
#ifndef SQLSPLIT_INPUT_READER_H
#define SQLSPLIT_INPUT_READER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sqlsplit {

// "-" names standard input.
std::string input_label(std::string_view name);

// Replaces bytes with the whole input.  Returns 0, or the errno of the failure.
int read_input(std::string_view name, std::string &bytes);

// An input read a piece at a time.
class InputPieces {
public:
    InputPieces() = default;
    ~InputPieces();
    InputPieces(const InputPieces &) = delete;
    InputPieces &operator=(const InputPieces &) = delete;

    // Opens the input ("-": standard input).  Returns 0, or the errno of
    // the failure.
    int open(std::string_view name);
    // Appends at least `at_least` bytes to `bytes`, or all that is left.
    // Returns 0, or the errno of the failure.
    int append(std::string &bytes, std::size_t at_least);
    bool at_end() const { return at_end_; }
    // The size of a regular file, else 0.
    std::uint64_t size() const { return size_; }

private:
    int fd_ = -1;
    bool owned_ = false;
    bool at_end_ = false;
    std::uint64_t size_ = 0;
};

} // namespace sqlsplit

#endif // SQLSPLIT_INPUT_READER_H
