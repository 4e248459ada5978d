// What the private database servers of the oracle tests share: a guard
// that cleans up after a test that dies, a server process that dies with
// the test, and a way to tell when its socket answers.
#ifndef SPLTWD_TESTS_SERVER_PROCESS_H
#define SPLTWD_TESTS_SERVER_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "child_process.h"

namespace oracle {

// A process of its own, in a session of its own, that waits for the test to
// end however it ends (the pipe to it closes); then kills the last server
// it was told of and removes the folder.
class ServerGuard {
public:
    explicit ServerGuard(const std::filesystem::path &folder);
    ~ServerGuard();
    ServerGuard(const ServerGuard &) = delete;
    ServerGuard &operator=(const ServerGuard &) = delete;

    // The server to kill should the test die; 0 when it is stopped.
    void watch(pid_t server) const noexcept;

private:
    int pipe_ = -1; // write end
};

// The user a server runs as.  Root cannot run every server (PostgreSQL's
// refuses), so `unprivileged` asks for "nobody" when the test runs as root.
struct ServerAccount {
    bool switch_user = false; // run as uid/gid below
    uid_t uid = 0;
    gid_t gid = 0;
    std::string name;
};
ServerAccount current_account();
ServerAccount unprivileged_account();

// Starts `arguments` (the program first) as a child that is killed when the
// test dies, as `account`, in `directory`, with standard input from
// /dev/null and standard output and error appended to `output`.  Returns
// its process number.
pid_t start_server_process(const std::vector<std::string> &arguments, const ServerAccount &account,
                           const std::filesystem::path &directory, const std::filesystem::path &output);

// Waits for a child started so; kills it at the limit.  Gives its exit
// status, or -1 when a signal ended it.
int wait_server_process(pid_t pid, std::chrono::seconds limit) noexcept;

// Sends `signal`, waits up to `limit`, then kills it.
void stop_server_process(pid_t pid, int signal, std::chrono::seconds limit) noexcept;

// Whether a unix socket at `path` takes connections.
bool socket_answers(const std::string &path);

// "exit status 1, ..." and the run's output, for error messages.
std::string describe(const test_support::ChildRun &run);

std::string read_or_empty(const std::filesystem::path &path);

} // namespace oracle

#endif // SPLTWD_TESTS_SERVER_PROCESS_H
