#include "output_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace sqlsplit {

OutputStream::~OutputStream()
{
    close();
}

int OutputStream::open(bool let_debug_lines_through)
{
    if (let_debug_lines_through) {
        fd_ = STDOUT_FILENO;
        shares_c_stdout_ = true;
        return 0;
    }
    fd_ = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (fd_ < 0) {
        return errno;
    }
    const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (null_fd < 0 || dup2(null_fd, STDOUT_FILENO) < 0) {
        const int error = errno;
        if (null_fd >= 0) ::close(null_fd);
        return error;
    }
    ::close(null_fd);
    return 0;
}

bool OutputStream::is_terminal() const
{
    return fd_ >= 0 && isatty(fd_) == 1;
}

int OutputStream::write(std::string &text)
{
    if (shares_c_stdout_ && std::fflush(stdout) != 0) {
        return errno;
    }
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
    int error = 0;
    if (shares_c_stdout_) {
        error = std::fflush(stdout) == 0 ? 0 : errno;
    } else if (::close(fd_) != 0) {
        error = errno;
    }
    fd_ = -1;
    return error;
}

} // namespace sqlsplit
