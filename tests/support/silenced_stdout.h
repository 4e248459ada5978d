// Sends the C stream stdout to /dev/null for the lifetime of the object,
// and back afterwards: the debug lines of the rules would flood a test log
// over a whole corpus.
#ifndef SPLTWD_TESTS_SILENCED_STDOUT_H
#define SPLTWD_TESTS_SILENCED_STDOUT_H

#include <unistd.h>

#include <cstdio>

namespace test_support {

class SilencedStdout {
public:
    SilencedStdout() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        if (std::FILE* sink = std::fopen("/dev/null", "w")) {
            dup2(fileno(sink), STDOUT_FILENO);
            std::fclose(sink);
        }
    }
    ~SilencedStdout() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            dup2(saved_, STDOUT_FILENO);
            close(saved_);
        }
    }
    SilencedStdout(const SilencedStdout&) = delete;
    SilencedStdout& operator=(const SilencedStdout&) = delete;

private:
    int saved_ = -1;
};

}  // namespace test_support

#endif  // SPLTWD_TESTS_SILENCED_STDOUT_H
