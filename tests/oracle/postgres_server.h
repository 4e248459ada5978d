// A private PostgreSQL cluster for the oracle tests: initdb'd in a temporary
// folder, the server listening on a unix socket there alone (no TCP), every
// statement logged, stopped and its folder removed when the object goes.
// Should the test process die first, the kernel kills the server and a
// guard process removes the folder.  PostgreSQL refuses to run as root:
// a test running as root runs initdb and the server as "nobody".
#ifndef SPLTWD_TESTS_POSTGRES_SERVER_H
#define SPLTWD_TESTS_POSTGRES_SERVER_H

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "server_process.h"
#include "temp_files.h"

namespace oracle {

// The programs this build found; empty when PostgreSQL is not installed.
struct PostgresPrograms {
    std::string initdb, server, psql, dump;
    bool installed() const;
};
PostgresPrograms postgres_programs();

class PostgresServer {
public:
    // Makes the cluster and starts the server; throws std::runtime_error
    // with the server's log when it does not come up.
    explicit PostgresServer(const PostgresPrograms &programs);
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // psql as the cluster's superuser, without a startup file, with these
    // options after the connection's; `input` on its standard input.
    test_support::ChildRun psql(const std::vector<std::string> &arguments,
                                const std::optional<std::string> &input = std::nullopt) const;

    // pg_dump as the superuser with these options; the dump is its output.
    test_support::ChildRun dump(const std::vector<std::string> &arguments) const;

    // The statements that sessions of psql sent since the last call, in
    // order, as the server logged them (exact bytes; the log puts a tab
    // after each line feed of a statement, taken out here), those it could
    // not parse too.  A statement that fails to parse right after the same
    // text was logged is missed.
    std::vector<std::string> take_psql_statements() const;

    // "15.18 (Debian ...)" as the server reports it.
    const std::string &version() const { return version_; }

    // The temporary folder, for the test's own files.
    const test_support::TempFolder &folder() const { return folder_; }

private:
    void start();
    void stop() noexcept;

    PostgresPrograms programs_;
    test_support::TempFolder folder_;
    ServerGuard guard_; // after folder_, whose path it takes
    std::string socket_folder_;
    std::string log_;
    mutable std::size_t log_read_ = 0;
    pid_t pid_ = -1;
    std::string version_;
};

} // namespace oracle

#endif // SPLTWD_TESTS_POSTGRES_SERVER_H
