// A private MariaDB server for the oracle tests: its own data folder and
// unix socket in a temporary folder, no networking, run as the current user
// (root included), stopped and its folder removed when the object goes.
// Should the test process die first, the kernel kills the server and a
// guard process removes the folder.
#ifndef SPLTWD_TESTS_MARIADB_SERVER_H
#define SPLTWD_TESTS_MARIADB_SERVER_H

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "server_process.h"
#include "temp_files.h"

namespace oracle {

// The programs this build found; empty when MariaDB is not installed.
struct MariaDbPrograms {
    std::string server, client, install_db, dump;
    bool installed() const;
};
MariaDbPrograms mariadb_programs();

class MariaDbServer {
public:
    // Initialises the data folder and starts the server; throws
    // std::runtime_error with the server's log when it does not come up.
    explicit MariaDbServer(const MariaDbPrograms &programs);
    ~MariaDbServer();
    MariaDbServer(const MariaDbServer &) = delete;
    MariaDbServer &operator=(const MariaDbServer &) = delete;

    // Feeds `script` to the client as the unprivileged account "probe"
    // (no database, no privileges: statements can fail, never harm), in
    // batch mode, comments kept, every statement run whatever the errors
    // before it.  The connection's character set is latin1, so bytes pass
    // both ways unchanged.
    test_support::ChildRun run_script(std::string_view script) const;

    // The statements the server received since the last call, in order,
    // as its general query log holds them (exact bytes).  A statement that
    // holds a line like the log's own entries ("\t\t   12 Query\t...")
    // would be read as two.
    std::vector<std::string> take_logged_statements() const;

    // Every entry of the general query log since the last take, in order:
    // the connection's number, the command ("Connect", "Query", "Init DB",
    // "Quit", ...) and its argument.
    struct LogEntry {
        unsigned long connection;
        std::string command;
        std::string argument;
    };
    std::vector<LogEntry> take_log_entries() const;

    // The client run as root with these options after the connection's,
    // `script` on its standard input.
    test_support::ChildRun run_client_as_root(std::string_view script,
                                              const std::vector<std::string> &arguments) const;

    // mariadb-dump run as root with these options after the connection's;
    // the dump is its standard output.
    test_support::ChildRun dump(const std::vector<std::string> &arguments) const;

    // "10.11.6-MariaDB-..." as the server reports it.
    const std::string &version() const { return version_; }

private:
    void start();
    test_support::ChildRun run_as_root(std::string_view script) const;
    void stop() noexcept;

    MariaDbPrograms programs_;
    test_support::TempFolder folder_;
    std::string socket_;
    std::string log_;
    mutable std::size_t log_read_ = 0;
    ServerGuard guard_; // after folder_, whose path it takes
    pid_t pid_ = -1;
    std::string version_;
};

} // namespace oracle

#endif // SPLTWD_TESTS_MARIADB_SERVER_H
