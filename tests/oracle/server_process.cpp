#include "server_process.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "temp_files.h"

namespace oracle {

using namespace std::chrono_literals;

ServerGuard::ServerGuard(const std::filesystem::path &folder)
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    const std::string path = folder.string();
    const pid_t middle = fork();
    if (middle < 0) {
        close(ends[0]);
        close(ends[1]);
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (middle == 0) {
        // Orphaned at once, so that nothing of the test waits for it.
        if (fork() != 0) {
            _exit(0);
        }
        setsid();
        for (int fd = 0; fd < 1024; ++fd) {
            if (fd != ends[0]) {
                close(fd);
            }
        }
        pid_t server = 0;
        for (;;) {
            pid_t next = 0;
            const ssize_t n = read(ends[0], &next, sizeof next);
            if (n == static_cast<ssize_t>(sizeof next)) {
                server = next;
            } else if (!(n < 0 && errno == EINTR)) {
                break;
            }
        }
        if (server > 0) {
            kill(server, SIGKILL);
            // The server's own children see it die and end; give them a moment.
            std::this_thread::sleep_for(200ms);
        }
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
        _exit(0);
    }
    int status = 0;
    waitpid(middle, &status, 0);
    close(ends[0]);
    pipe_ = ends[1];
}

ServerGuard::~ServerGuard()
{
    close(pipe_);
}

void ServerGuard::watch(pid_t server) const noexcept
{
    const ssize_t written = write(pipe_, &server, sizeof server);
    (void)written; // without the guard only a crash would leave the folder behind
}

ServerAccount current_account()
{
    const passwd *entry = getpwuid(geteuid());
    if (entry == nullptr || entry->pw_name == nullptr) {
        throw std::runtime_error("the current user has no name in the password database");
    }
    return {false, entry->pw_uid, entry->pw_gid, entry->pw_name};
}

ServerAccount unprivileged_account()
{
    if (geteuid() != 0) {
        return current_account();
    }
    const passwd *entry = getpwnam("nobody");
    if (entry == nullptr) {
        throw std::runtime_error("running as root, and there is no user \"nobody\" to run the server as");
    }
    return {true, entry->pw_uid, entry->pw_gid, entry->pw_name};
}

pid_t start_server_process(const std::vector<std::string> &arguments, const ServerAccount &account,
                           const std::filesystem::path &directory, const std::filesystem::path &output)
{
    std::vector<std::string> copies = arguments;
    std::vector<char *> argv;
    for (std::string &argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const std::string output_path = output.string();
    const std::string directory_path = directory.string();
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid > 0) {
        return pid;
    }
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(output_path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) {
        _exit(126);
    }
    // Nothing of the test's (ctest's pipes among them) stays open in the server.
    for (int fd = 3; fd < 1024; ++fd) {
        close(fd);
    }
    if (account.switch_user &&
        (setgroups(0, nullptr) != 0 || setgid(account.gid) != 0 || setuid(account.uid) != 0)) {
        _exit(126);
    }
    // After the change of user, which clears it: the server must not
    // outlive a test that crashes.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent || chdir(directory_path.c_str()) != 0) {
        _exit(126);
    }
    execv(argv[0], argv.data());
    _exit(127);
}

int wait_server_process(pid_t pid, std::chrono::seconds limit) noexcept
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(10ms);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void stop_server_process(pid_t pid, int signal, std::chrono::seconds limit) noexcept
{
    if (pid <= 0) {
        return;
    }
    kill(pid, signal);
    wait_server_process(pid, limit);
}

bool socket_answers(const std::string &path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        close(fd);
        return false;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const bool connected = connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

std::string describe(const test_support::ChildRun &run)
{
    std::string text = "exit status " + std::to_string(run.exit_status);
    if (run.signal != 0) {
        text += ", signal " + std::to_string(run.signal);
    }
    if (run.timed_out) {
        text += ", timed out";
    }
    return text + "\n" + run.out + run.err;
}

std::string read_or_empty(const std::filesystem::path &path)
{
    try {
        return test_support::read_file(path);
    } catch (const std::exception &) {
        return {};
    }
}

} // namespace oracle
