// sqlsplit's output on its way to standard output.  The formats append to
// it a word at a time, and a long text in pieces; whenever kWriteSize bytes
// have gathered they are written, so that a statement of any size passes
// through a buffer of bounded size.
#ifndef SQLSPLIT_OUTPUT_TEXT_H
#define SQLSPLIT_OUTPUT_TEXT_H

#include <cstddef>
#include <string>
#include <string_view>

#include "output_stream.h"

namespace sqlsplit {

class OutputText {
public:
    static constexpr std::size_t kWriteSize = std::size_t{64} << 10;

    explicit OutputText(OutputStream &stream) : stream_(stream) {}

    // For short appends; write_if_full() then keeps the buffer bounded.
    std::string &buffer() { return buffer_; }
    void write_if_full()
    {
        if (buffer_.size() >= kWriteSize) write();
    }

    // Where a text may be cut into pieces: for an escape, only between two
    // characters; else anywhere.  Every piece but the last is a whole
    // number of three-byte groups, as base64 needs.
    enum class Cut { between_characters, anywhere };
    using Append = void (*)(std::string &out, std::string_view text);
    // Appends the text through `append`, piece by piece.
    void append_in_pieces(std::string_view text, Append append, Cut cut);

    // Writes what has gathered.  After a failed write the text is dropped
    // and error() tells the errno; returns false then.
    bool write();
    int error() const { return error_; }

private:
    OutputStream &stream_;
    std::string buffer_;
    int error_ = 0;
};

} // namespace sqlsplit

#endif // SQLSPLIT_OUTPUT_TEXT_H
