// sqlsplit's output on its way to standard output.  The formats append to
// it a word at a time, and a long text in pieces; whenever kWriteSize bytes
// have gathered they are written, so that a statement of any size passes
// through a buffer of bounded size.  A text kept in memory instead (the
// output of a batch of statements made on a thread of its own) only
// gathers, until it is taken.
#ifndef SQLSPLIT_OUTPUT_TEXT_H
#define SQLSPLIT_OUTPUT_TEXT_H

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

#include "output_stream.h"

namespace sqlsplit {

class OutputText {
public:
    static constexpr std::size_t kWriteSize = std::size_t{64} << 10;

    explicit OutputText(OutputStream &stream) : stream_(&stream) {}
    // A text kept in memory: write_if_full() keeps it whole.
    OutputText() = default;

    // For short appends; write_if_full() then keeps the buffer bounded.
    std::string &buffer() { return buffer_; }
    void write_if_full()
    {
        if (buffer_.size() >= write_size_) write();
    }

    // Where a text may be cut into pieces: for an escape, only between two
    // characters; else anywhere.  Every piece but the last is a whole
    // number of three-byte groups, as base64 needs.
    enum class Cut { between_characters, anywhere };
    using Append = void (*)(std::string &out, std::string_view text);
    // Appends the text through `append`, piece by piece.
    void append_in_pieces(std::string_view text, Append append, Cut cut);

    // Writes what has gathered.  After a failed write the text is dropped
    // and error() tells the errno; returns false then.  A text kept in
    // memory stays as it is.
    bool write();
    // Writes what has gathered, then `more` (which is emptied), as write().
    bool write(std::string &more);
    int error() const { return error_; }

private:
    OutputStream *stream_ = nullptr;
    std::size_t write_size_ = stream_ == nullptr ? std::numeric_limits<std::size_t>::max() : kWriteSize;
    std::string buffer_;
    int error_ = 0;
};

} // namespace sqlsplit

#endif // SQLSPLIT_OUTPUT_TEXT_H
