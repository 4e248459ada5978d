// Runs test code in a forked child: code that may end the process, and
// code whose peak memory is measured on its own.
#ifndef ROBUSTNESS_FORKED_CHILD_H
#define ROBUSTNESS_FORKED_CHILD_H

#include <functional>
#include <string>

namespace robustness {

struct ChildRun {
    int exit_status = -1;      // -1 when a signal ended the child
    int signal = 0;            // the signal that ended it, else 0
    std::string stderr_text;
    std::string report;        // what the child wrote to its report descriptor
    long max_rss_kib = 0;      // the child's peak resident set
};

// Forks; the child runs `body` with standard output on /dev/null, standard
// error captured and a descriptor for its report, then exits with 0.  The
// child is killed by SIGALRM after `time_limit_seconds`.  The report must
// stay below the size of a pipe (64 KiB): it is read after standard error.
ChildRun run_forked(const std::function<void(int report_fd)>& body, unsigned time_limit_seconds);

// Writes all of `bytes` to `fd`; for the child's report.
void write_all(int fd, const void* bytes, std::size_t size);

}  // namespace robustness

#endif  // ROBUSTNESS_FORKED_CHILD_H
