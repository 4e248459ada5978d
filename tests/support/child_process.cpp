#include "child_process.h"

#include <fcntl.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>

extern char **environ;

namespace test_support {

namespace {

// The child could not set up its streams, or could not become the program.
constexpr int kSetupFailed = 126;
constexpr int kExecFailed = 127;

constexpr int kPollMilliseconds = 10;

[[noreturn]] void fail(const std::string &what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(Descriptor &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        reset(std::exchange(other.fd_, -1));
        return *this;
    }

    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

Descriptor open_or_fail(const std::string &path, int flags)
{
    Descriptor fd(open(path.c_str(), flags | O_CLOEXEC, 0600));
    if (fd.get() < 0) {
        fail("open " + path);
    }
    return fd;
}

struct Pipe {
    Descriptor read;
    Descriptor write;
};

Pipe make_pipe()
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        fail("pipe");
    }
    return {Descriptor(ends[0]), Descriptor(ends[1])};
}

void make_nonblocking(const Descriptor &fd)
{
    fcntl(fd.get(), F_SETFL, fcntl(fd.get(), F_GETFL) | O_NONBLOCK);
}

// The test keeps the terminal's child side open until the child is gone,
// so that a hang-up on the controlling side means the child's end.
struct PseudoTerminal {
    Descriptor master;
    Descriptor slave;
};

PseudoTerminal open_pseudo_terminal()
{
    PseudoTerminal terminal;
    terminal.master.reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (terminal.master.get() < 0 || grantpt(terminal.master.get()) != 0 || unlockpt(terminal.master.get()) != 0) {
        fail("posix_openpt");
    }
    const char *name = ptsname(terminal.master.get());
    if (name == nullptr) {
        fail("ptsname");
    }
    terminal.slave = open_or_fail(name, O_RDWR | O_NOCTTY);
    return terminal;
}

// Each stream's two ends: the child's is dup'ed onto its standard stream
// (or handed to the body), the test's is read or fed.
struct Streams {
    Descriptor input_child, input_test;
    Descriptor output_child, output_test;
    Pipe error;
    Pipe report;
    PseudoTerminal terminal;
};

Streams open_streams(const RunOptions &options)
{
    Streams streams;
    if (options.standard_input) {
        Pipe input = make_pipe();
        streams.input_child = std::move(input.read);
        streams.input_test = std::move(input.write);
        make_nonblocking(streams.input_test);
    } else {
        streams.input_child = open_or_fail("/dev/null", O_RDONLY);
    }
    if (options.standard_output_path.empty()) {
        Pipe output = make_pipe();
        streams.output_child = std::move(output.write);
        streams.output_test = std::move(output.read);
    } else {
        streams.output_child = open_or_fail(options.standard_output_path, O_WRONLY | O_CREAT | O_TRUNC);
    }
    streams.error = make_pipe();
    streams.report = make_pipe();
    if (options.error_on_terminal || options.output_on_terminal) {
        streams.terminal = open_pseudo_terminal();
    }
    for (const Descriptor *fd : {&streams.output_test, &streams.error.read, &streams.report.read,
                                 &streams.terminal.master}) {
        if (fd->get() >= 0) {
            make_nonblocking(*fd);
        }
    }
    return streams;
}

// The test's environment with the variables that `overrides` name replaced.
std::vector<std::string> environment_with(const std::vector<std::string> &overrides)
{
    const auto name_of = [](const std::string &variable) { return variable.substr(0, variable.find('=')); };
    std::vector<std::string> environment = overrides;
    for (char **variable = environ; *variable != nullptr; ++variable) {
        bool replaced = false;
        for (const std::string &override : overrides) {
            replaced = replaced || name_of(override) == name_of(*variable);
        }
        if (!replaced) {
            environment.emplace_back(*variable);
        }
    }
    return environment;
}

std::vector<char *> pointers_to(const std::vector<std::string> &strings)
{
    std::vector<char *> pointers;
    for (const std::string &string : strings) {
        pointers.push_back(const_cast<char *>(string.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

[[noreturn]] void become_child(Streams &streams, const RunOptions &options, char **environment,
                               const std::function<void(int)> &body)
{
    streams.input_test.reset();
    streams.output_test.reset();
    streams.error.read.reset();
    streams.report.read.reset();
    streams.terminal.master.reset();
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &default_action, nullptr);
    const int terminal = streams.terminal.slave.get();
    if (terminal >= 0 && (setsid() < 0 || ioctl(terminal, TIOCSCTTY, 0) != 0)) {
        _exit(kSetupFailed);
    }
    const int output = options.output_on_terminal ? terminal : streams.output_child.get();
    const int error = options.error_into_output   ? output
                      : options.error_on_terminal ? terminal
                                                  : streams.error.write.get();
    if (dup2(streams.input_child.get(), STDIN_FILENO) < 0 || dup2(output, STDOUT_FILENO) < 0 ||
        dup2(error, STDERR_FILENO) < 0) {
        _exit(kSetupFailed);
    }
    if (!options.working_directory.empty() && chdir(options.working_directory.c_str()) != 0) {
        _exit(kSetupFailed);
    }
    environ = environment;
    // Left to propagate, an exception would run the rest of the test
    // program in the child.
    try {
        body(streams.report.write.get());
    } catch (...) {
        std::fputs("an exception left the child's body\n", stderr);
        std::fflush(nullptr);
        _exit(kBodyThrew);
    }
    std::fflush(nullptr);
    _exit(0);
}

// Moves what `fd` holds into `into`; closes it at its end.
void read_available(Descriptor &fd, std::string &into)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd.get(), buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            // EIO is the end of a pseudo-terminal.
            if (n == 0 || errno != EAGAIN) {
                fd.reset();
            }
            return;
        }
    }
}

// Feeds what the pipe takes now of what is left of `bytes`; closes it once
// all is written or the child stopped reading, whose result tells why.
void feed(Descriptor &fd, const std::string &bytes, std::size_t &fed)
{
    while (fed < bytes.size()) {
        const ssize_t n = write(fd.get(), bytes.data() + fed, bytes.size() - fed);
        if (n > 0) {
            fed += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            return;
        } else {
            break;
        }
    }
    fd.reset();
}

// Feeds and reads the child's streams until the child is gone and its
// streams are closed, or until the time limit.
class Supervisor {
public:
    Supervisor(pid_t child, Streams &streams, const RunOptions &options, ChildRun &run)
        : child_(child), streams_(streams), options_(options), run_(run),
          readers_{{{&streams.output_test, &run.out},
                    {&streams.error.read, &run.err},
                    {&streams.report.read, &run.report},
                    {&streams.terminal.master, &run.terminal}}}
    {
    }

    void supervise()
    {
        const auto deadline = std::chrono::steady_clock::now() + options_.time_limit;
        for (;;) {
            if (!reaped_) {
                reap(WNOHANG);
            }
            if (reaped_ && !any_reader_open()) {
                return;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                if (!reaped_) {
                    kill(child_, SIGKILL);
                    run_.timed_out = true;
                    reap(0);
                }
                read_all();
                return;
            }
            wait_for_streams();
        }
    }

private:
    struct Reader {
        Descriptor *fd;
        std::string *into;
    };

    bool any_reader_open() const
    {
        for (const Reader &reader : readers_) {
            if (reader.fd->get() >= 0) {
                return true;
            }
        }
        return false;
    }

    void reap(int flags)
    {
        int status = 0;
        rusage usage{};
        pid_t done;
        do {
            done = wait4(child_, &status, flags, &usage);
        } while (done < 0 && errno == EINTR);
        if (done < 0) {
            fail("wait4");
        }
        if (done == 0) {
            return;
        }
        reaped_ = true;
        run_.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run_.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        run_.max_rss_kib = usage.ru_maxrss;
        streams_.input_test.reset();
        streams_.terminal.slave.reset();
    }

    void wait_for_streams()
    {
        std::vector<pollfd> polled;
        if (streams_.input_test.get() >= 0) {
            polled.push_back({streams_.input_test.get(), POLLOUT, 0});
        }
        for (const Reader &reader : readers_) {
            if (reader.fd->get() >= 0) {
                polled.push_back({reader.fd->get(), POLLIN, 0});
            }
        }
        if (poll(polled.data(), polled.size(), kPollMilliseconds) <= 0) {
            return;
        }
        if (streams_.input_test.get() >= 0) {
            feed(streams_.input_test, *options_.standard_input, fed_);
        }
        read_all();
    }

    void read_all()
    {
        for (const Reader &reader : readers_) {
            if (reader.fd->get() >= 0) {
                read_available(*reader.fd, *reader.into);
            }
        }
    }

    const pid_t child_;
    Streams &streams_;
    const RunOptions &options_;
    ChildRun &run_;
    const std::array<Reader, 4> readers_;
    std::size_t fed_ = 0;
    bool reaped_ = false;
};

} // namespace

ChildRun run_function(const std::function<void(int report_fd)> &body, const RunOptions &options)
{
    // A child that stops reading must not kill the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    Streams streams = open_streams(options);
    const std::vector<std::string> environment = environment_with(options.environment);
    std::vector<char *> environment_pointers = pointers_to(environment);
    std::fflush(nullptr); // or the child would write the test's pending output again
    // The child's peak memory starts from what it shares with this process
    // at the fork: heap that earlier tests freed goes back to the system
    // first, or a whole test binary run in one process would see it.
    malloc_trim(0);
    const pid_t child = fork();
    if (child < 0) {
        fail("fork");
    }
    if (child == 0) {
        become_child(streams, options, environment_pointers.data(), body);
    }
    streams.input_child.reset();
    streams.output_child.reset();
    streams.error.write.reset();
    streams.report.write.reset();
    ChildRun run;
    Supervisor(child, streams, options, run).supervise();
    return run;
}

ChildRun run_program(const std::string &path, const std::vector<std::string> &arguments, const RunOptions &options)
{
    std::vector<char *> argv = pointers_to(arguments);
    argv.insert(argv.begin(), const_cast<char *>(options.argv0.value_or(path.c_str())));
    return run_function(
        [&](int) {
            execv(path.c_str(), argv.data());
            _exit(kExecFailed);
        },
        options);
}

void write_all(int fd, const void *bytes, std::size_t size)
{
    const char *next = static_cast<const char *>(bytes);
    while (size > 0) {
        const ssize_t n = write(fd, next, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        next += n;
        size -= static_cast<std::size_t>(n);
    }
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

} // namespace test_support
