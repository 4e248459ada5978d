#include "mariadb_server.h"

#include <signal.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace oracle {
namespace {

using test_support::ChildRun;
using test_support::RunOptions;
using namespace std::chrono_literals;

constexpr auto kStartLimit = 30s;
constexpr auto kStopLimit = 30s;

int hex_value(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    throw std::runtime_error(std::string("not a hex digit in the server's answer: ") + c);
}

std::string from_hex(std::string_view hex)
{
    if (hex.size() % 2 != 0) {
        throw std::runtime_error("odd hex text in the server's answer");
    }
    std::string bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        bytes += static_cast<char>(hex_value(hex[i]) * 16 + hex_value(hex[i + 1]));
    }
    return bytes;
}

} // namespace

bool MariaDbPrograms::installed() const
{
    for (const std::string *program : {&server, &client, &install_db, &dump}) {
        if (program->empty() || access(program->c_str(), X_OK) != 0) {
            return false;
        }
    }
    return true;
}

MariaDbPrograms mariadb_programs()
{
    return {SPLTWD_MARIADBD, SPLTWD_MARIADB_CLIENT, SPLTWD_MARIADB_INSTALL_DB, SPLTWD_MARIADB_DUMP};
}

MariaDbServer::MariaDbServer(const MariaDbPrograms &programs) : programs_(programs), guard_(folder_.path())
{
    try {
        start();
    } catch (...) {
        stop();
        throw;
    }
}

void MariaDbServer::start()
{
    const std::filesystem::path &dir = folder_.path();
    socket_ = (dir / "socket").string();
    if (socket_.size() >= sizeof(sockaddr_un{}.sun_path)) {
        throw std::runtime_error("socket path too long for a unix socket: " + socket_ + " (set TMPDIR)");
    }
    const std::string data = (dir / "data").string();
    log_ = (dir / "general.log").string();
    const ServerAccount account = current_account();
    const std::string user = "--user=" + account.name;
    // Small InnoDB files: the data folder takes about 20 MB and a second.
    const std::vector<std::string> small_innodb = {"--innodb-buffer-pool-size=16M", "--innodb-log-file-size=4M"};

    // Its own temporary folder (the other options go to the server it runs):
    // two tests installing at once in the shared /tmp collide on the names
    // of temporary tables.
    std::vector<std::string> install = {"--no-defaults", "--datadir=" + data, user, "--skip-test-db",
                                        "--auth-root-authentication-method=normal", "--tmpdir=" + dir.string()};
    install.insert(install.end(), small_innodb.begin(), small_innodb.end());
    RunOptions install_options;
    install_options.time_limit = kStartLimit;
    const ChildRun installed = test_support::run_program(programs_.install_db, install, install_options);
    if (installed.exit_status != 0) {
        throw std::runtime_error("mariadb-install-db failed: " + describe(installed));
    }

    std::vector<std::string> arguments = {
        programs_.server, "--no-defaults", "--datadir=" + data, "--socket=" + socket_, "--skip-networking",
        "--pid-file=" + (dir / "server.pid").string(), "--log-error=" + (dir / "server.log").string(),
        "--tmpdir=" + dir.string(), "--secure-file-priv=" + data, user,
        // Every statement received goes to the general query log.  The file
        // holds its bytes as received; the log table would turn bytes that
        // are not UTF-8 into "\\xA3" text.
        "--general-log=1", "--log-output=FILE", "--general-log-file=" + log_,
        // No statement of a corpus may hold the server up for long.
        "--max-statement-time=5", "--skip-name-resolve"};
    arguments.insert(arguments.end(), small_innodb.begin(), small_innodb.end());
    const std::filesystem::path output = dir / "server.out";
    pid_ = start_server_process(arguments, account, dir, output);
    guard_.watch(pid_);
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (!socket_answers(socket_)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            guard_.watch(0);
            throw std::runtime_error("mariadbd ended at start:\n" + read_or_empty(dir / "server.log") +
                                     read_or_empty(output));
        }
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("mariadbd did not open its socket in time:\n" +
                                     read_or_empty(dir / "server.log"));
        }
        std::this_thread::sleep_for(20ms);
    }
    const ChildRun setup = run_as_root("CREATE USER probe@localhost;\n"
                                       "SELECT HEX(VERSION());\n");
    if (setup.exit_status != 0) {
        throw std::runtime_error("setting up the server failed: " + describe(setup));
    }
    std::string hex = setup.out;
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r')) {
        hex.pop_back();
    }
    version_ = from_hex(hex);
    take_logged_statements();
}

MariaDbServer::~MariaDbServer()
{
    stop();
}

void MariaDbServer::stop() noexcept
{
    if (pid_ <= 0) {
        return;
    }
    stop_server_process(pid_, SIGTERM, kStopLimit);
    pid_ = -1;
    guard_.watch(0);
}

ChildRun MariaDbServer::run_as_root(std::string_view script) const
{
    RunOptions options;
    options.standard_input = std::string(script);
    options.time_limit = 60s;
    return test_support::run_program(programs_.client,
                                     {"--no-defaults", "--socket=" + socket_, "--user=root", "--batch",
                                      "--skip-column-names", "--default-character-set=binary"},
                                     options);
}

ChildRun MariaDbServer::run_script(std::string_view script) const
{
    RunOptions options;
    options.standard_input = std::string(script);
    options.time_limit = 60s;
    return test_support::run_program(
        programs_.client,
        {"--no-defaults", "--socket=" + socket_, "--user=probe", "--batch", "--skip-column-names",
         // Comments go to the server as they are, not stripped by the client.
         "--comments", "--force",
         // Bytes pass both ways unchanged.  (With the binary character set
         // the client would take bytes such as 0xDE at a statement's end
         // for blanks and drop them.)
         "--default-character-set=latin1", "--local-infile=0",
         "--max-allowed-packet=64M"},
        options);
}

namespace {

// An entry of the log file starts a line: a time ("261208 16:41:50") and a
// tab, or two tabs; the connection's number right-aligned; the command
// ("Query", "Connect", "Init DB", ...) and a tab; then the argument, line
// feeds and all, up to the line feed before the next entry.  Gives where
// the argument starts, the connection and the command, or npos.
std::size_t entry_argument(std::string_view log, std::size_t line, unsigned long &connection,
                           std::string_view &command)
{
    std::size_t i = line;
    auto digits = [&](std::size_t count) {
        for (std::size_t k = 0; k < count; ++k, ++i) {
            if (i >= log.size() || !std::isdigit(static_cast<unsigned char>(log[i]))) {
                return false;
            }
        }
        return true;
    };
    auto byte = [&](char c) {
        if (i < log.size() && log[i] == c) {
            ++i;
            return true;
        }
        return false;
    };
    if (!byte('\t') || !byte('\t')) {
        i = line;
        if (!digits(6) || !byte(' ')) {
            return std::string_view::npos;
        }
        byte(' ');
        if (!digits(1)) {
            return std::string_view::npos;
        }
        digits(1);
        if (!byte(':') || !digits(2) || !byte(':') || !digits(2) || !byte('\t')) {
            return std::string_view::npos;
        }
    }
    while (byte(' ')) {
    }
    const std::size_t number = i;
    if (!digits(1)) {
        return std::string_view::npos;
    }
    while (digits(1)) {
    }
    connection = std::stoul(std::string(log.substr(number, i - number)));
    if (!byte(' ')) {
        return std::string_view::npos;
    }
    const std::size_t tab = log.find('\t', i);
    if (tab == std::string_view::npos) {
        return std::string_view::npos;
    }
    command = log.substr(i, tab - i);
    for (const char c : command) {
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != ' ') {
            return std::string_view::npos;
        }
    }
    return tab + 1;
}

} // namespace

std::vector<MariaDbServer::LogEntry> MariaDbServer::take_log_entries() const
{
    const std::string whole = read_or_empty(log_);
    const std::string_view log = std::string_view(whole).substr(std::min(log_read_, whole.size()));
    log_read_ = whole.size();
    // Each entry and where its argument starts, the entries found at line starts.
    struct Start {
        LogEntry entry;
        std::size_t line, argument;
    };
    std::vector<Start> starts;
    for (std::size_t line = 0; line < log.size(); line = log.find('\n', line) + 1) {
        unsigned long connection = 0;
        std::string_view command;
        const std::size_t argument = entry_argument(log, line, connection, command);
        if (argument != std::string_view::npos) {
            starts.push_back({{connection, std::string(command), {}}, line, argument});
        }
        if (log.find('\n', line) == std::string_view::npos) {
            break;
        }
    }
    std::vector<LogEntry> entries;
    for (std::size_t e = 0; e < starts.size(); ++e) {
        const std::size_t end = e + 1 < starts.size() ? starts[e + 1].line - 1 : log.size() - 1;
        starts[e].entry.argument = log.substr(starts[e].argument, end - starts[e].argument);
        entries.push_back(std::move(starts[e].entry));
    }
    return entries;
}

std::vector<std::string> MariaDbServer::take_logged_statements() const
{
    std::vector<std::string> statements;
    for (LogEntry &entry : take_log_entries()) {
        if (entry.command == "Query") {
            statements.push_back(std::move(entry.argument));
        }
    }
    return statements;
}

ChildRun MariaDbServer::run_client_as_root(std::string_view script, const std::vector<std::string> &arguments) const
{
    RunOptions options;
    options.standard_input = std::string(script);
    options.time_limit = 60s;
    std::vector<std::string> all = {"--no-defaults", "--socket=" + socket_, "--user=root"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return test_support::run_program(programs_.client, all, options);
}

ChildRun MariaDbServer::dump(const std::vector<std::string> &arguments) const
{
    RunOptions options;
    options.time_limit = 60s;
    std::vector<std::string> all = {"--no-defaults", "--socket=" + socket_, "--user=root"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return test_support::run_program(programs_.dump, all, options);
}

} // namespace oracle
