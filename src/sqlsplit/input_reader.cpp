#include "input_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace sqlsplit {

namespace {

constexpr std::size_t kReadStep = std::size_t{1} << 20;

int read_all(int fd, std::string &bytes)
{
    struct stat status;
    if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
        // One byte more, so that the read that meets the end needs no growth.
        bytes.reserve(static_cast<std::size_t>(status.st_size) + 1);
    }
    for (;;) {
        const std::size_t held = bytes.size();
        const std::size_t spare = bytes.capacity() - held;
        bytes.resize(held + (spare > 0 ? spare : std::max(kReadStep, held)));
        const ssize_t got = read(fd, bytes.data() + held, bytes.size() - held);
        bytes.resize(held + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got == 0) {
            return 0;
        }
        if (got < 0 && errno != EINTR) {
            return errno;
        }
    }
}

} // namespace

std::string input_label(std::string_view name)
{
    return name == "-" ? "standard input" : std::string(name);
}

int read_input(std::string_view name, std::string &bytes)
{
    bytes.clear();
    if (name == "-") {
        return read_all(STDIN_FILENO, bytes);
    }
    const int fd = open(std::string(name).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = read_all(fd, bytes);
    close(fd);
    return error;
}

InputPieces::~InputPieces()
{
    if (owned_) {
        close(fd_);
    }
}

int InputPieces::open(std::string_view name)
{
    if (name == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = ::open(std::string(name).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            return errno;
        }
        owned_ = true;
    }
    struct stat status;
    if (fstat(fd_, &status) == 0 && S_ISREG(status.st_mode)) {
        size_ = static_cast<std::uint64_t>(status.st_size);
    }
    return 0;
}

int InputPieces::append(std::string &bytes, std::size_t at_least)
{
    const std::size_t goal = bytes.size() + at_least;
    while (!at_end_ && bytes.size() < goal) {
        const std::size_t held = bytes.size();
        bytes.resize(goal);
        const ssize_t got = read(fd_, bytes.data() + held, goal - held);
        bytes.resize(held + static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
        if (got == 0) {
            at_end_ = true;
        } else if (got < 0 && errno != EINTR) {
            return errno;
        }
    }
    return 0;
}

} // namespace sqlsplit
