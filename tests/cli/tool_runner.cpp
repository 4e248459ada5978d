#include "tool_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <system_error>
#include <thread>

extern char **environ;

namespace cli_test {

namespace {

[[noreturn]] void fail(const std::string &what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

int open_or_fail(const std::string &path, int flags)
{
    const int fd = open(path.c_str(), flags | O_CLOEXEC, 0600);
    if (fd < 0) {
        fail("open " + path);
    }
    return fd;
}

// The pseudo-terminal's controlling side, and the name of the side the
// child opens.
struct PseudoTerminal {
    int master = -1;
    std::string slave_name;
};

PseudoTerminal open_pseudo_terminal()
{
    PseudoTerminal terminal;
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (terminal.master < 0 || grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0) {
        fail("posix_openpt");
    }
    const char *name = ptsname(terminal.master);
    if (name == nullptr) {
        fail("ptsname");
    }
    terminal.slave_name = name;
    fcntl(terminal.master, F_SETFL, fcntl(terminal.master, F_GETFL) | O_NONBLOCK);
    return terminal;
}

struct ChildStreams {
    int input = -1;
    int output = -1;
    int error = -1;
    std::string terminal_name; // opened by the child for the streams that go to the terminal
};

[[noreturn]] void exec_child(const std::vector<std::string> &argv, const std::vector<std::string> &environment,
                             const RunOptions &options, const ChildStreams &streams)
{
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &default_action, nullptr);
    int error_fd = streams.error;
    int output_fd = streams.output;
    if (!streams.terminal_name.empty()) {
        setsid();
        const int terminal = open(streams.terminal_name.c_str(), O_RDWR);
        if (terminal < 0) {
            _exit(126);
        }
        error_fd = terminal;
        if (options.output_on_terminal) {
            output_fd = terminal;
        }
    }
    if (dup2(streams.input, STDIN_FILENO) < 0 || dup2(output_fd, STDOUT_FILENO) < 0 ||
        dup2(options.error_into_output ? output_fd : error_fd, STDERR_FILENO) < 0) {
        _exit(126);
    }
    if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) {
        _exit(126);
    }
    std::vector<char *> args;
    for (const std::string &arg : argv) {
        args.push_back(const_cast<char *>(arg.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char *> env;
    for (const std::string &variable : environment) {
        env.push_back(const_cast<char *>(variable.c_str()));
    }
    env.push_back(nullptr);
    execve(args[0], args.data(), env.data());
    _exit(127);
}

void feed(int fd, const std::string &bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break; // the child stopped reading; its result tells why
        }
        done += static_cast<std::size_t>(n);
    }
    close(fd);
}

// Reads what the terminal holds, waiting up to timeout_ms for more.
// Returns false once the child's side is closed.
bool drain(int master, std::string &terminal, int timeout_ms)
{
    pollfd poll_master{master, POLLIN, 0};
    if (poll(&poll_master, 1, timeout_ms) <= 0) {
        return true;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            terminal.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        return n < 0 && errno == EAGAIN;
    }
}

std::vector<std::string> environment_with_path_first(const std::string &folder)
{
    std::vector<std::string> environment;
    const char *path = getenv("PATH");
    environment.push_back("PATH=" + folder + ":" + (path != nullptr ? path : "/usr/bin:/bin"));
    for (char **variable = environ; *variable != nullptr; ++variable) {
        if (std::strncmp(*variable, "PATH=", 5) != 0) {
            environment.emplace_back(*variable);
        }
    }
    return environment;
}

std::vector<std::string> current_environment()
{
    std::vector<std::string> environment;
    for (char **variable = environ; *variable != nullptr; ++variable) {
        environment.emplace_back(*variable);
    }
    return environment;
}

ToolRun run_child(const std::vector<std::string> &argv, const std::vector<std::string> &environment,
                  const RunOptions &options)
{
    // A child that stops reading must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    TempFolder capture;
    ChildStreams streams;
    const std::string out_path =
        options.standard_output_path.empty() ? capture.file("stdout") : options.standard_output_path;
    streams.output = open_or_fail(out_path, O_WRONLY | O_CREAT | O_TRUNC);
    streams.error = open_or_fail(capture.file("stderr"), O_WRONLY | O_CREAT | O_TRUNC);
    int input[2] = {-1, -1};
    if (options.standard_input) {
        if (pipe2(input, O_CLOEXEC) != 0) {
            fail("pipe");
        }
    } else {
        input[0] = open_or_fail("/dev/null", O_RDONLY);
    }
    streams.input = input[0];
    PseudoTerminal terminal;
    if (options.error_on_terminal) {
        terminal = open_pseudo_terminal();
        streams.terminal_name = terminal.slave_name;
    }

    const pid_t pid = fork();
    if (pid < 0) {
        fail("fork");
    }
    if (pid == 0) {
        exec_child(argv, environment, options, streams);
    }
    close(input[0]);
    close(streams.output);
    close(streams.error);
    std::thread feeder;
    if (options.standard_input) {
        feeder = std::thread(feed, input[1], std::cref(*options.standard_input));
    }

    ToolRun run;
    const auto deadline = std::chrono::steady_clock::now() + options.time_limit;
    int status = 0;
    for (;;) {
        if (terminal.master >= 0) {
            drain(terminal.master, run.terminal, 10);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (done < 0) {
            fail("waitpid");
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
    }
    if (terminal.master >= 0) {
        while (drain(terminal.master, run.terminal, 200)) {}
        close(terminal.master);
    }
    if (feeder.joinable()) {
        feeder.join();
    }
    if (options.standard_output_path.empty()) {
        run.out = read_file(out_path);
    }
    run.err = read_file(capture.file("stderr"));
    return run;
}

} // namespace

ToolRun run_sqlsplit(const std::vector<std::string> &arguments, const RunOptions &options)
{
    std::vector<std::string> argv{SQLSPLIT_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return run_child(argv, current_environment(), options);
}

ToolRun run_shell(const std::string &command_line, const RunOptions &options)
{
    const std::string folder = std::filesystem::path(SQLSPLIT_PATH).parent_path().string();
    return run_child({"/bin/sh", "-c", command_line}, environment_with_path_first(folder), options);
}

bool pseudo_terminals_work()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0) {
        return false;
    }
    const bool works = grantpt(master) == 0 && unlockpt(master) == 0 && ptsname(master) != nullptr;
    close(master);
    return works;
}

} // namespace cli_test
