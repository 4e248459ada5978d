// Where sqlsplit's own text goes.  The splitter prints debug lines on the C
// library's stdout; to keep them out of the output, file descriptor 1 is
// pointed at /dev/null and sqlsplit writes to a duplicate of the real
// standard output.  When the debug lines are wanted they share standard
// output with sqlsplit's text, each statement's lines before its text.
#ifndef SQLSPLIT_OUTPUT_STREAM_H
#define SQLSPLIT_OUTPUT_STREAM_H

#include <string>

namespace sqlsplit {

class OutputStream {
public:
    OutputStream() = default;
    ~OutputStream();
    OutputStream(const OutputStream &) = delete;
    OutputStream &operator=(const OutputStream &) = delete;

    // Returns 0, or the errno of the failure.
    int open(bool let_debug_lines_through);
    bool is_terminal() const;

    // Writes the text and empties it.  Returns 0, or the errno of the failure.
    int write(std::string &text);
    // Returns 0, or the errno of the failure.
    int close();

private:
    int fd_ = -1;
    bool shares_c_stdout_ = false;
};

} // namespace sqlsplit

#endif // SQLSPLIT_OUTPUT_STREAM_H
