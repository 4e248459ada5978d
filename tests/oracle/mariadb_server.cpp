#include "mariadb_server.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace oracle {
namespace {

using test_support::ChildRun;
using test_support::RunOptions;
using namespace std::chrono_literals;

constexpr auto kStartLimit = 30s;
constexpr auto kStopLimit = 30s;

std::string current_user()
{
    const passwd *entry = getpwuid(geteuid());
    if (entry == nullptr || entry->pw_name == nullptr) {
        throw std::runtime_error("the current user has no name in the password database");
    }
    return entry->pw_name;
}

std::string describe(const ChildRun &run)
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

bool socket_answers(const std::string &path)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const bool connected = connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

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

// Started at first, in a session of its own and orphaned at once: waits
// until every write end of `pipe` is closed, which happens when the test
// ends, however it ends; then kills the last server whose number came down
// the pipe (0: stopped already) and removes the folder.
void start_guard(const int pipe[2], const std::string &folder)
{
    const pid_t middle = fork();
    if (middle < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (middle > 0) {
        int status = 0;
        waitpid(middle, &status, 0);
        return;
    }
    if (fork() != 0) {
        _exit(0);
    }
    setsid();
    for (int fd = 0; fd < 1024; ++fd) {
        if (fd != pipe[0]) {
            close(fd);
        }
    }
    pid_t server = 0;
    for (;;) {
        pid_t next = 0;
        const ssize_t n = read(pipe[0], &next, sizeof next);
        if (n == static_cast<ssize_t>(sizeof next)) {
            server = next;
        } else if (!(n < 0 && errno == EINTR)) {
            break;
        }
    }
    if (server > 0) {
        kill(server, SIGKILL);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    _exit(0);
}

} // namespace

bool MariaDbPrograms::installed() const
{
    for (const std::string *program : {&server, &client, &install_db}) {
        if (program->empty() || access(program->c_str(), X_OK) != 0) {
            return false;
        }
    }
    return true;
}

MariaDbPrograms mariadb_programs()
{
    return {SPLTWD_MARIADBD, SPLTWD_MARIADB_CLIENT, SPLTWD_MARIADB_INSTALL_DB};
}

MariaDbServer::MariaDbServer(const MariaDbPrograms &programs) : programs_(programs)
{
    int guard[2];
    if (pipe2(guard, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    }
    try {
        start_guard(guard, folder_.path().string());
    } catch (...) {
        close(guard[0]);
        close(guard[1]);
        throw;
    }
    close(guard[0]);
    guard_ = guard[1];
    try {
        start();
    } catch (...) {
        stop();
        close(guard_);
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
    const std::string user = "--user=" + current_user();
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
    std::vector<char *> argv;
    for (std::string &argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const std::string output = (dir / "server.out").string();

    const pid_t parent = getpid();
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    }
    if (pid_ == 0) {
        // The server must not outlive a test that crashes.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) {
            _exit(127);
        }
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) {
            _exit(127);
        }
        // Nothing of the test's (ctest's pipes among them) stays open in the server.
        for (int fd = 3; fd < 1024; ++fd) {
            close(fd);
        }
        execv(argv[0], argv.data());
        _exit(127);
    }
    tell_guard(pid_);
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    while (!socket_answers(socket_)) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            tell_guard(0);
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
    close(guard_);
}

void MariaDbServer::tell_guard(pid_t server) const noexcept
{
    const ssize_t written = write(guard_, &server, sizeof server);
    (void)written; // without the guard only a crash would leave the folder behind
}

void MariaDbServer::stop() noexcept
{
    if (pid_ <= 0) {
        return;
    }
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopLimit;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    pid_ = -1;
    tell_guard(0);
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
// the argument starts and the command, or npos.
std::size_t entry_argument(std::string_view log, std::size_t line, std::string_view &command)
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
    if (!digits(1)) {
        return std::string_view::npos;
    }
    while (digits(1)) {
    }
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

std::vector<std::string> MariaDbServer::take_logged_statements() const
{
    const std::string whole = read_or_empty(log_);
    const std::string_view log = std::string_view(whole).substr(std::min(log_read_, whole.size()));
    log_read_ = whole.size();
    // Each entry and its argument, the entries found at line starts.
    struct Entry {
        std::string_view command;
        std::size_t line, argument;
    };
    std::vector<Entry> entries;
    for (std::size_t line = 0; line < log.size(); line = log.find('\n', line) + 1) {
        std::string_view command;
        const std::size_t argument = entry_argument(log, line, command);
        if (argument != std::string_view::npos) {
            entries.push_back({command, line, argument});
        }
        if (log.find('\n', line) == std::string_view::npos) {
            break;
        }
    }
    std::vector<std::string> statements;
    for (std::size_t e = 0; e < entries.size(); ++e) {
        const std::size_t end = e + 1 < entries.size() ? entries[e + 1].line - 1 : log.size() - 1;
        if (entries[e].command == "Query") {
            statements.emplace_back(log.substr(entries[e].argument, end - entries[e].argument));
        }
    }
    return statements;
}

} // namespace oracle
