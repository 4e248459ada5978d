#include "postgres_server.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <stdexcept>
#include <thread>

namespace oracle {
namespace {

using test_support::ChildRun;
using test_support::RunOptions;
using namespace std::chrono_literals;

constexpr auto kStartLimit = 60s;
constexpr auto kStopLimit = 30s;
constexpr const char *kSuperuser = "spltwd";
// What the log puts before each entry's message: the process number and
// the session's application name.
constexpr const char *kLogLinePrefix = "[%p] <%a> ";

} // namespace

bool PostgresPrograms::installed() const
{
    for (const std::string *program : {&initdb, &server, &psql, &dump}) {
        if (program->empty() || access(program->c_str(), X_OK) != 0) {
            return false;
        }
    }
    return true;
}

PostgresPrograms postgres_programs()
{
    return {SPLTWD_PG_INITDB, SPLTWD_PG_SERVER, SPLTWD_PG_PSQL, SPLTWD_PG_DUMP};
}

PostgresServer::PostgresServer(const PostgresPrograms &programs)
    : programs_(programs), guard_(folder_.path())
{
    try {
        start();
    } catch (...) {
        stop();
        throw;
    }
}

PostgresServer::~PostgresServer()
{
    stop();
}

void PostgresServer::start()
{
    const ServerAccount account = unprivileged_account();
    const std::filesystem::path cluster = folder_.path() / "cluster";
    std::filesystem::create_directory(cluster);
    if (account.switch_user) {
        // The server's user makes its files in the cluster's folder and
        // passes through the test's.
        if (chown(cluster.c_str(), account.uid, account.gid) != 0 || chmod(folder_.path().c_str(), 0711) != 0) {
            throw std::runtime_error("cannot give " + cluster.string() + " to " + account.name + ": " +
                                     std::strerror(errno));
        }
    }
    socket_folder_ = cluster.string();
    const std::string socket = socket_folder_ + "/.s.PGSQL.5432";
    if (socket.size() >= sizeof(sockaddr_un{}.sun_path)) {
        throw std::runtime_error("socket path too long for a unix socket: " + socket + " (set TMPDIR)");
    }
    const std::string data = (cluster / "data").string();
    const std::filesystem::path initdb_log = folder_.path() / "initdb.log";
    const pid_t initdb =
        start_server_process({programs_.initdb, "--pgdata=" + data, std::string("--username=") + kSuperuser,
                              "--auth=trust", "--encoding=UTF8", "--locale=C", "--no-sync", "--no-instructions"},
                             account, cluster, initdb_log);
    if (wait_server_process(initdb, kStartLimit) != 0) {
        throw std::runtime_error("initdb failed (as " + account.name + "):\n" + read_or_empty(initdb_log));
    }

    log_ = (folder_.path() / "server.log").string();
    const std::vector<std::string> arguments = {
        programs_.server, "-D", data,
        // A unix socket in the cluster's folder, nothing on TCP.
        "-c", "listen_addresses=", "-c", "unix_socket_directories=" + socket_folder_,
        // Every statement received goes to the log, on standard error.
        "-c", "log_statement=all", "-c", "log_min_error_statement=error", "-c", "logging_collector=off",
        "-c", "log_destination=stderr",
        "-c", std::string("log_line_prefix=") + kLogLinePrefix, "-c", "lc_messages=C",
        // Small and quick: nothing here needs to survive a crash.
        "-c", "fsync=off", "-c", "full_page_writes=off", "-c", "synchronous_commit=off",
        "-c", "shared_buffers=16MB", "-c", "max_connections=20", "-c", "statement_timeout=30s"};
    pid_ = start_server_process(arguments, account, cluster, log_);
    guard_.watch(pid_);
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (!socket_answers(socket)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            guard_.watch(0);
            throw std::runtime_error("postgres ended at start:\n" + read_or_empty(log_));
        }
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("postgres did not open its socket in time:\n" + read_or_empty(log_));
        }
        std::this_thread::sleep_for(20ms);
    }
    // The socket takes connections a moment before the server takes logins.
    ChildRun answer;
    do {
        answer = psql({"-d", "postgres", "-A", "-t", "-c", "SELECT version()"});
        if (answer.exit_status != 0) {
            std::this_thread::sleep_for(50ms);
        }
    } while (answer.exit_status != 0 && std::chrono::steady_clock::now() < deadline);
    if (answer.exit_status != 0) {
        throw std::runtime_error("psql cannot reach the server: " + describe(answer) + read_or_empty(log_));
    }
    version_ = answer.out;
    while (!version_.empty() && (version_.back() == '\n' || version_.back() == '\r')) {
        version_.pop_back();
    }
    take_psql_statements();
}

void PostgresServer::stop() noexcept
{
    if (pid_ <= 0) {
        return;
    }
    // The fast shutdown: sessions are ended, the cluster is left clean.
    stop_server_process(pid_, SIGINT, kStopLimit);
    pid_ = -1;
    guard_.watch(0);
}

ChildRun PostgresServer::psql(const std::vector<std::string> &arguments, const std::optional<std::string> &input) const
{
    RunOptions options;
    options.standard_input = input;
    options.time_limit = 60s;
    // What the caller's environment could change of the session.
    options.environment = {"PGAPPNAME=psql", "PGOPTIONS=", "PGCLIENTENCODING=UTF8", "PGTZ=UTC", "PGDATESTYLE=ISO"};
    std::vector<std::string> all = {"--no-psqlrc", "--host=" + socket_folder_, std::string("--username=") + kSuperuser,
                                    "--no-password"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return test_support::run_program(programs_.psql, all, options);
}

ChildRun PostgresServer::dump(const std::vector<std::string> &arguments) const
{
    RunOptions options;
    options.time_limit = 60s;
    options.environment = {"PGAPPNAME=pg_dump", "PGOPTIONS=", "PGTZ=UTC"};
    std::vector<std::string> all = {"--host=" + socket_folder_, std::string("--username=") + kSuperuser,
                                    "--no-password"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return test_support::run_program(programs_.dump, all, options);
}

std::vector<std::string> PostgresServer::take_psql_statements() const
{
    const std::string whole = read_or_empty(log_);
    const std::size_t from = std::min(log_read_, whole.size());
    // Only whole lines: the server may be writing the next one.
    const std::size_t last_line_feed = whole.rfind('\n');
    const std::size_t to = last_line_feed == std::string::npos || last_line_feed < from ? from : last_line_feed + 1;
    const std::string_view log = std::string_view(whole).substr(from, to - from);
    log_read_ = to;
    // An entry is a line that does not start with a tab, and the lines
    // after it that do (the tab put there by the server, not the statement's).
    std::vector<std::string> entries;
    for (std::size_t line = 0; line < log.size();) {
        const std::size_t end = log.find('\n', line);
        const std::string_view text = log.substr(line, end - line);
        if (!text.empty() && text[0] == '\t' && !entries.empty()) {
            entries.back() += '\n';
            entries.back() += text.substr(1);
        } else {
            entries.emplace_back(text);
        }
        line = end + 1;
    }
    // "[1234] <psql> LOG:  statement: ..." for each statement the server
    // parsed; one it could not parse shows only in the error's
    // "[1234] <psql> STATEMENT:  ...", which follows every error of a
    // statement (the same text as the last logged one then, unless the
    // server failed to parse it).
    constexpr std::string_view kLogged = "LOG:  statement: ";
    constexpr std::string_view kFailed = "STATEMENT:  ";
    std::vector<std::string> statements;
    std::map<std::string, std::string> last_logged; // by process
    for (const std::string &entry : entries) {
        const std::size_t name = entry.find("] <");
        if (entry.empty() || entry[0] != '[' || name == std::string::npos ||
            entry.compare(name + 3, 6, "psql> ") != 0) {
            continue;
        }
        const std::string process = entry.substr(1, name - 1);
        const std::size_t message = name + 9;
        if (entry.compare(message, kLogged.size(), kLogged) == 0) {
            statements.push_back(entry.substr(message + kLogged.size()));
            last_logged[process] = statements.back();
        } else if (entry.compare(message, kFailed.size(), kFailed) == 0) {
            std::string text = entry.substr(message + kFailed.size());
            if (last_logged[process] != text) {
                statements.push_back(text);
                last_logged[process] = std::move(text);
            }
        }
    }
    return statements;
}

} // namespace oracle
