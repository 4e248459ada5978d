// A private MariaDB server for the oracle tests: its own data folder and
// unix socket in a temporary folder, no networking, run as the current user
// (root included), stopped and its folder removed when the object goes, and
// killed by the kernel should the test process die first.
#ifndef SPLTWD_TESTS_MARIADB_SERVER_H
#define SPLTWD_TESTS_MARIADB_SERVER_H

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "temp_files.h"

namespace oracle {

// The programs this build found; empty when MariaDB is not installed.
struct MariaDbPrograms {
    std::string server, client, install_db;
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
    // before it.  The connection's character set is binary, so bytes pass
    // both ways unchanged.
    test_support::ChildRun run_script(std::string_view script) const;

    // The statements the server received since the last call, in order,
    // as its general query log holds them (exact bytes).
    std::vector<std::string> take_logged_statements() const;

    // "10.11.6-MariaDB-..." as the server reports it.
    const std::string &version() const { return version_; }

private:
    test_support::ChildRun run_as_root(std::string_view script) const;
    void stop() noexcept;

    MariaDbPrograms programs_;
    test_support::TempFolder folder_;
    std::string socket_;
    pid_t pid_ = -1;
    std::string version_;
};

} // namespace oracle

#endif // SPLTWD_TESTS_MARIADB_SERVER_H
