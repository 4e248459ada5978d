// Some rule actions of the library print a debug line on standard output
// for words such as comparisons and Oracle keywords; over a corpus that is
// hundreds of thousands of lines, which would bury a program's own report.
// StdoutDivert sends the C stream stdout (where the library's printf goes)
// to /dev/null and keeps the original standard output for std::cout, so a
// program reports through std::cout and nothing else changes for it.
#ifndef SPLTWD_STDOUT_DIVERT_H
#define SPLTWD_STDOUT_DIVERT_H

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <streambuf>

namespace stdout_divert {

// An unbuffered stream buffer over a file descriptor: reports are small,
// and nothing is left behind in a buffer if the program exits early.
class FdStreambuf : public std::streambuf {
public:
    explicit FdStreambuf(int fd) : fd_(fd) {}

protected:
    int_type overflow(int_type ch) override {
        if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
        const char byte = traits_type::to_char_type(ch);
        return WriteAll(&byte, 1) ? ch : traits_type::eof();
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        return WriteAll(text, count) ? count : 0;
    }

private:
    bool WriteAll(const char* text, std::streamsize count) {
        while (count > 0) {
            const ssize_t written = ::write(fd_, text, static_cast<size_t>(count));
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return false;
            text += written;
            count -= written;
        }
        return true;
    }

    int fd_;
};

class StdoutDivert {
public:
    StdoutDivert() : report_fd_(::dup(STDOUT_FILENO)), report_buf_(report_fd_) {
        if (report_fd_ < 0) throw std::runtime_error("cannot duplicate standard output");
        std::fflush(stdout);
        // freopen reuses descriptor 1 for /dev/null; the duplicate keeps the
        // original open for std::cout.
        if (!std::freopen("/dev/null", "w", stdout))
            throw std::runtime_error("cannot redirect standard output to /dev/null");
        previous_buf_ = std::cout.rdbuf(&report_buf_);
    }
    ~StdoutDivert() {
        std::cout.rdbuf(previous_buf_);
        ::close(report_fd_);
    }
    StdoutDivert(const StdoutDivert&) = delete;
    StdoutDivert& operator=(const StdoutDivert&) = delete;

private:
    int report_fd_;
    FdStreambuf report_buf_;
    std::streambuf* previous_buf_ = nullptr;
};

}  // namespace stdout_divert

#endif  // SPLTWD_STDOUT_DIVERT_H
