#include "forked_child.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace robustness {
namespace {

std::string drain(int fd) {
    std::string text;
    char chunk[4096];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    return text;
}

[[noreturn]] void become_child(const std::function<void(int)>& body, unsigned time_limit_seconds,
                               int err_fd, int report_fd) {
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd < 0 || dup2(null_fd, STDOUT_FILENO) < 0 || dup2(err_fd, STDERR_FILENO) < 0) _exit(126);
    close(null_fd);
    close(err_fd);
    alarm(time_limit_seconds);
    body(report_fd);
    _exit(0);
}

}  // namespace

void write_all(int fd, const void* bytes, std::size_t size) {
    const char* next = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t n = write(fd, next, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        next += n;
        size -= static_cast<std::size_t>(n);
    }
}

ChildRun run_forked(const std::function<void(int report_fd)>& body, unsigned time_limit_seconds) {
    ChildRun run;
    int err_pipe[2];
    int report_pipe[2];
    if (pipe2(err_pipe, O_CLOEXEC) != 0) return run;
    if (pipe2(report_pipe, O_CLOEXEC) != 0) {
        close(err_pipe[0]);
        close(err_pipe[1]);
        return run;
    }
    std::fflush(nullptr);  // or the child would write the parent's pending output again
    const pid_t child = fork();
    if (child == 0) {
        close(err_pipe[0]);
        close(report_pipe[0]);
        become_child(body, time_limit_seconds, err_pipe[1], report_pipe[1]);
    }
    close(err_pipe[1]);
    close(report_pipe[1]);
    run.stderr_text = drain(err_pipe[0]);
    run.report = drain(report_pipe[0]);
    int status = 0;
    rusage usage{};
    pid_t done;
    do {
        done = wait4(child, &status, 0, &usage);
    } while (done < 0 && errno == EINTR);
    if (child < 0 || done != child) return run;
    if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    run.max_rss_kib = usage.ru_maxrss;
    return run;
}

}  // namespace robustness
