#include "output_stream.h"

#include <unistd.h>

#include <cerrno>

namespace sqlsplit {

OutputStream::~OutputStream()
{
    close();
}

bool OutputStream::is_terminal() const
{
    return fd_ >= 0 && isatty(fd_) == 1;
}

int OutputStream::write(std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd_, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            return errno;
        }
        done += static_cast<std::size_t>(written);
    }
    text.clear();
    return 0;
}

int OutputStream::close()
{
    if (fd_ < 0) {
        return 0;
    }
    const int error = ::close(fd_) == 0 ? 0 : errno;
    fd_ = -1;
    return error;
}

} // namespace sqlsplit
