#include "driver_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <system_error>
#include <thread>

namespace driver_test {

namespace {

[[noreturn]] void fail(const std::string &what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// The child: wire up its standard streams and become the driver.
[[noreturn]] void exec_driver(const std::vector<std::string> &arguments, const RunOptions &options, int input_fd,
                              int out_fd, int err_fd)
{
    if (dup2(input_fd, STDIN_FILENO) < 0 || dup2(out_fd, STDOUT_FILENO) < 0 || dup2(err_fd, STDERR_FILENO) < 0) {
        _exit(126);
    }
    if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) {
        _exit(126);
    }
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(options.argv0.value_or(TEST_SPLIT_WORD_PATH)));
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    execv(TEST_SPLIT_WORD_PATH, argv.data());
    _exit(127);
}

void feed(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return; // the driver stopped reading; its result tells why
        }
        done += static_cast<size_t>(n);
    }
}

void wait_for(pid_t pid, std::chrono::seconds time_limit, DriverRun &run)
{
    const auto deadline = std::chrono::steady_clock::now() + time_limit;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            break;
        }
        if (done < 0) {
            fail("waitpid");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            run.timed_out = true;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

DriverRun run_driver(const std::vector<std::string> &arguments, const RunOptions &options)
{
    // A driver that stops reading must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    TempFolder capture;
    const std::string out_path = capture.file("stdout");
    const std::string err_path = capture.file("stderr");
    const int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int input[2] = {-1, -1};
    if (options.standard_input) {
        if (pipe2(input, O_CLOEXEC) != 0) {
            fail("pipe");
        }
    } else {
        input[0] = open("/dev/null", O_RDONLY | O_CLOEXEC);
    }
    if (out_fd < 0 || err_fd < 0 || input[0] < 0) {
        fail("opening the driver's standard streams");
    }

    const pid_t pid = fork();
    if (pid < 0) {
        fail("fork");
    }
    if (pid == 0) {
        exec_driver(arguments, options, input[0], out_fd, err_fd);
    }
    close(input[0]);
    close(out_fd);
    close(err_fd);
    if (options.standard_input) {
        feed(input[1], *options.standard_input);
        close(input[1]);
    }
    DriverRun run;
    wait_for(pid, options.time_limit, run);
    run.out = read_file(out_path);
    run.err = read_file(err_path);
    return run;
}

} // namespace driver_test
