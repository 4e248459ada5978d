// sqlsplit's standard output, written with write(2): nothing else of the
// process writes there, since the splitter prints nothing on its own.
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

    bool is_terminal() const;

    // Writes the text and empties it.  Returns 0, or the errno of the failure.
    int write(std::string &text);
    // Closes standard output, so that a failure of the last write shows.
    // Returns 0, or the errno of the failure.
    int close();

private:
    int fd_ = 1;
};

} // namespace sqlsplit

#endif // SQLSPLIT_OUTPUT_STREAM_H
