#include "child_process.h"

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace engine_test {

ChildOutcome run_in_child(const std::function<void()>& body) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return {-1, "pipe failed"};
    std::fflush(nullptr);  // or the child would write the parent's pending output again
    const pid_t child = fork();
    if (child == 0) {
        close(pipe_ends[0]);
        dup2(pipe_ends[1], STDERR_FILENO);
        close(pipe_ends[1]);
        body();
        _exit(0);
    }
    close(pipe_ends[1]);
    ChildOutcome outcome{-1, ""};
    char chunk[512];
    for (ssize_t n; (n = read(pipe_ends[0], chunk, sizeof chunk)) > 0;) outcome.stderr_text.append(chunk, n);
    close(pipe_ends[0]);
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        outcome.exit_status = WEXITSTATUS(status);
    }
    return outcome;
}

}  // namespace engine_test
