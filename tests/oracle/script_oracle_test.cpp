// sqlsplit's client-script layer against the databases' own clients.
//
// A script goes through the real client (mariadb, psql) into a private
// server that logs every statement it receives; the statements sqlsplit
// cuts from the same script with --script mysql or --script psql must be,
// in order, the statements the server logged.  The scripts are dumps that
// the servers' own dump tools wrote of databases full of what decides where
// a statement ends (routines, triggers, events, rules, COPY data, rows of
// quotes, backslashes, ";", tabs, line breaks and every byte), and
// hand-written scripts.
//
// What the clients change on the way, made to both sides alike before they
// are compared (see mysql_sent, psql_sent and the two check functions):
// - mariadb runs with --comments, so that it sends comments as they are,
//   and in batch mode, where it sends nothing of its own but the
//   "SELECT DATABASE()" of a USE.  A line comment that starts a statement
//   is sent as a query of its own: such lines are taken off the start of a
//   statement, and queries left empty are dropped.  The delimiter and the
//   blanks around a statement are not sent; a blank is put after a comment;
//   the sandbox command "\-" that opens every dump is taken out.  USE goes
//   by the protocol ("Init DB" in the log).
// - psql drops blanks and "--" comments before a statement and sends the
//   ";" that ends it (taken off here); it sends "\;" as ";", and a COPY of
//   its own making for \copy.
// Commands of the client (DELIMITER, psql's backslash commands) and COPY
// data never reach the log as statements; sqlsplit reports them as commands
// and data, which are checked for their byte ranges, and the COPY data of
// a dump against what the restored table holds.
//
// Each test prints a line "script-oracle: <client> <scripts> N/M statements
// equal" and fails on any difference, but for the hand-written scripts
// whose difference is known (what the client does that sqlsplit does not):
// those are shown and counted, and fail once they agree.  Run them with
//     ./build/tests/oracle/script_oracle_tests
// or through ctest: ctest --test-dir build -R ScriptOracle -V
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "child_process.h"
#include "json_reader.h"
#include "mariadb_server.h"
#include "postgres_server.h"
#include "temp_files.h"

namespace {

using oracle::MariaDbServer;
using oracle::PostgresServer;
using test_support::ChildRun;

// ---------------------------------------------------------------- printing

std::string escaped(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\n': text += "\\n"; break;
        case '\t': text += "\\t"; break;
        case '\r': text += "\\r"; break;
        case '\\': text += "\\\\"; break;
        case '"': text += "\\\""; break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                text += "\\x";
                text += digits[byte >> 4];
                text += digits[byte & 15];
            } else {
                text += c;
            }
        }
    }
    return text + "\"";
}

std::string shortened(std::string_view bytes)
{
    constexpr std::size_t kShown = 600;
    return bytes.size() <= kShown ? escaped(bytes) : escaped(bytes.substr(0, kShown)) + "...";
}

// ---------------------------------------------------------------- sqlsplit's side

enum class PieceKind { statement, command, data };

const char *kind_name(PieceKind kind)
{
    switch (kind) {
    case PieceKind::statement: return "statement";
    case PieceKind::command: return "command";
    case PieceKind::data: return "data";
    }
    return "?";
}

struct Piece {
    PieceKind kind;
    std::size_t start, end; // the byte range in the script
    std::string text;       // those bytes
    std::vector<std::string> words; // the texts of its words, when given
};

struct Cut {
    std::vector<Piece> pieces;
    std::vector<std::string> faults; // of sqlsplit itself, whatever the client does

    std::vector<const Piece *> of_kind(PieceKind kind) const
    {
        std::vector<const Piece *> chosen;
        for (const Piece &piece : pieces) {
            if (piece.kind == kind) {
                chosen.push_back(&piece);
            }
        }
        return chosen;
    }
};

int base64_value(char c)
{
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::string> from_base64(std::string_view text)
{
    std::string bytes;
    unsigned bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        const int value = base64_value(c);
        if (value < 0) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<unsigned>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return bytes;
}

// The script cut by the built sqlsplit, read back from its JSON Lines.
// Every piece must hold the bytes of its range, the ranges in order and
// apart; anything else is a fault.
Cut cut_with_sqlsplit(std::string_view script, const char *dialect, const char *mode)
{
    Cut cut;
    test_support::TempFolder folder;
    const std::string path = folder.file("script.sql");
    test_support::write_file(path, script);
    test_support::RunOptions options;
    options.time_limit = std::chrono::seconds(60);
    const ChildRun run =
        test_support::run_program(SQLSPLIT_PATH, {"-d", dialect, "--script", mode, "-f", "jsonl", path}, options);
    if (run.exit_status != 0) {
        cut.faults.push_back("sqlsplit -d " + std::string(dialect) + " --script " + mode + " ended with " +
                             std::to_string(run.exit_status) + ": " + run.err);
    }
    std::size_t previous_end = 0;
    for (std::size_t line = 0; line < run.out.size();) {
        const std::size_t end = std::min(run.out.find('\n', line), run.out.size());
        const std::string_view text = std::string_view(run.out).substr(line, end - line);
        line = end + 1;
        const std::optional<cli_test::JsonValue> record = cli_test::parse_json(text);
        if (!record || record->kind != cli_test::JsonValue::Kind::object) {
            cut.faults.push_back("not a JSON object: " + shortened(text));
            continue;
        }
        Piece piece{};
        if (record->member("statement") != nullptr) {
            piece.kind = PieceKind::statement;
        } else if (record->member("command") != nullptr) {
            piece.kind = PieceKind::command;
        } else if (record->member("data") != nullptr) {
            piece.kind = PieceKind::data;
        } else {
            cut.faults.push_back("neither statement, command nor data: " + shortened(text));
            continue;
        }
        const std::optional<std::int64_t> start = record->integer("start");
        const std::optional<std::int64_t> finish = record->integer("end");
        if (!start || !finish || *start < 0 || *finish < *start || static_cast<std::size_t>(*finish) > script.size()) {
            cut.faults.push_back("no byte range in the script: " + shortened(text));
            continue;
        }
        piece.start = static_cast<std::size_t>(*start);
        piece.end = static_cast<std::size_t>(*finish);
        piece.text = std::string(script.substr(piece.start, piece.end - piece.start));
        if (piece.start < previous_end) {
            cut.faults.push_back(std::string(kind_name(piece.kind)) + " at " + std::to_string(piece.start) +
                                 " starts before the end of the one before, " + std::to_string(previous_end));
        }
        previous_end = piece.end;
        std::optional<std::string> given = record->string("text");
        if (const std::optional<std::string> base64 = record->string("text_base64")) {
            given = from_base64(*base64);
        }
        if (given && *given != piece.text) {
            cut.faults.push_back(std::string(kind_name(piece.kind)) + " " + std::to_string(piece.start) + "-" +
                                 std::to_string(piece.end) + ": its text " + shortened(*given) +
                                 " is not the bytes of its range " + shortened(piece.text));
        }
        if (const cli_test::JsonValue *words = record->member("words")) {
            for (const cli_test::JsonValue &word : words->items) {
                piece.words.push_back(word.string("text").value_or(""));
            }
        }
        cut.pieces.push_back(std::move(piece));
    }
    return cut;
}

// ---------------------------------------------------------------- what the clients send

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && is_blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && is_blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A MySQL line comment: "#", or "--" before a blank, a control byte or the end.
bool starts_mysql_line_comment(std::string_view text)
{
    return text.substr(0, 1) == "#" ||
           (text.substr(0, 2) == "--" && (text.size() == 2 || static_cast<unsigned char>(text[2]) <= ' '));
}

// A statement as the mariadb client sends it with --comments: the lines of
// line comments before it went as queries of their own (made empty here),
// the blanks around it and its delimiter not at all.  The client runs its
// sandbox command "\-" (the first line of every dump: "/*M!999999\- enable
// the sandbox mode */") and takes it out of the text: out of sqlsplit's
// words here, as it takes out the other commands without arguments that
// stand inside a statement ("\p", "\#", ...).  And it puts a blank after a
// comment that no blank follows: a blank after "*/" (or "/*") goes on both
// sides.
std::string mysql_sent(const Piece *piece, std::string_view logged)
{
    std::string text;
    if (piece == nullptr) {
        text = std::string(logged);
    } else if (piece->words.empty()) {
        text = piece->text;
    } else {
        for (std::size_t w = 0; w < piece->words.size(); ++w) {
            if (piece->words[w] == "\\" && w + 1 < piece->words.size() && !piece->words[w + 1].empty() &&
                std::string_view("#-enpstWw").find(piece->words[w + 1][0]) != std::string_view::npos) {
                // the word after may go on past the command's letter
                text += piece->words[++w].substr(1);
                continue;
            }
            text += piece->words[w];
        }
    }
    std::string_view rest = trimmed(text);
    while (starts_mysql_line_comment(rest)) {
        const std::size_t line_feed = rest.find('\n');
        rest = line_feed == std::string_view::npos ? std::string_view() : trimmed(rest.substr(line_feed + 1));
    }
    std::string sent;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        sent += rest[i];
        if (i > 0 && (rest.substr(i - 1, 2) == "*/" || rest.substr(i - 1, 2) == "/*") && i + 1 < rest.size() &&
            rest[i + 1] == ' ') {
            ++i;
        }
    }
    return sent;
}

// psql drops blanks and "--" comments before a statement (the blanks after
// it are not sent), and sends "\;" as ";": from its words where sqlsplit
// gives them.  The ";" that ends a statement is sent, and taken off here.
std::string psql_sent(const Piece *piece, std::string_view logged)
{
    std::string text;
    if (piece == nullptr) {
        text = std::string(logged);
    } else if (piece->words.empty()) {
        text = piece->text;
    } else {
        for (std::size_t w = 0; w < piece->words.size(); ++w) {
            const bool escaped_separator = piece->words[w] == "\\" && w + 1 < piece->words.size() &&
                                           piece->words[w + 1] == ";";
            if (!escaped_separator) {
                text += piece->words[w];
            }
        }
    }
    std::string_view rest = trimmed(text);
    while (rest.substr(0, 2) == "--") {
        const std::size_t line_feed = rest.find('\n');
        rest = line_feed == std::string_view::npos ? std::string_view() : trimmed(rest.substr(line_feed + 1));
    }
    if (piece == nullptr && !rest.empty() && rest.back() == ';') {
        rest.remove_suffix(1);
        rest = trimmed(rest);
    }
    return std::string(rest);
}

// ---------------------------------------------------------------- comparing

struct Comparison {
    std::size_t equal = 0, compared = 0;
    std::vector<std::string> differences;
};

// The longest common subsequence of the two lists, and the places where
// they part.
Comparison compare(const std::vector<std::string> &ours, const std::vector<std::string> &sent)
{
    const std::size_t n = ours.size(), m = sent.size();
    std::vector<std::vector<std::uint32_t>> table(n + 1, std::vector<std::uint32_t>(m + 1, 0));
    for (std::size_t i = n; i-- > 0;) {
        for (std::size_t j = m; j-- > 0;) {
            table[i][j] = ours[i] == sent[j] ? table[i + 1][j + 1] + 1 : std::max(table[i + 1][j], table[i][j + 1]);
        }
    }
    Comparison comparison;
    comparison.equal = table[0][0];
    comparison.compared = std::max(n, m);
    std::size_t i = 0, j = 0;
    while (i < n || j < m) {
        if (i < n && j < m && ours[i] == sent[j]) {
            ++i;
            ++j;
        } else if (j < m && (i == n || table[i][j + 1] >= table[i + 1][j])) {
            comparison.differences.push_back("the client sent [" + std::to_string(j) + "] " + shortened(sent[j]) +
                                             ", sqlsplit has no such statement");
            ++j;
        } else {
            comparison.differences.push_back("sqlsplit cut [" + std::to_string(i) + "] " + shortened(ours[i]) +
                                             ", the client sent no such statement");
            ++i;
        }
    }
    return comparison;
}

struct Tally {
    std::size_t equal = 0, compared = 0, known = 0;

    void print(const char *client, const char *what) const
    {
        char line[200];
        std::snprintf(line, sizeof line, "%zu/%zu statements equal", equal, compared);
        std::string text = line;
        if (known != 0) {
            text += ", " + std::to_string(known) + " of them in known differences (above)";
        }
        std::printf("script-oracle: %s %s %s\n", client, what, text.c_str());
        std::fflush(stdout);
        testing::Test::RecordProperty(std::string(client) + " " + what, text);
    }
};

// Counts the comparison; fails on any difference, but where the script's
// difference is known (`known`: what the client does that sqlsplit does
// not), which is shown instead; and fails when a known difference is gone.
void expect_agreement(const std::string &name, std::string_view script, const Cut &cut,
                      const Comparison &comparison, const char *known, Tally &tally)
{
    constexpr std::size_t kShown = 12;
    tally.equal += comparison.equal;
    tally.compared += comparison.compared;
    std::string text;
    for (std::size_t d = 0; d < comparison.differences.size() && d < kShown; ++d) {
        text += "  " + comparison.differences[d] + "\n";
    }
    if (comparison.differences.size() > kShown) {
        text += "  and " + std::to_string(comparison.differences.size() - kShown) + " more differences\n";
    }
    for (const std::string &fault : cut.faults) {
        ADD_FAILURE() << name << ": " << fault;
    }
    if (known != nullptr) {
        if (comparison.differences.empty()) {
            ADD_FAILURE() << name << ": sqlsplit cuts the script as the client does now; the note of a known "
                          << "difference (" << known << ") is out of date";
            return;
        }
        tally.known += comparison.compared - comparison.equal;
        std::printf("script-oracle: known difference, %s: %s\n  script %s\n%s", name.c_str(), known,
                    shortened(script).c_str(), text.c_str());
        return;
    }
    if (!comparison.differences.empty()) {
        ADD_FAILURE() << name << ": " << comparison.equal << "/" << comparison.compared
                      << " statements equal\n  script " << shortened(script) << "\n"
                      << text;
    }
}

// ---------------------------------------------------------------- rows full of separators

// Pieces that decide where statements end, in one client or another.
const std::string_view kAwkward[] = {
    "'", "''", "\"", "\\", "\\'", "\\\\", ";", ";;", "$$", "$_$", "\t", "\n", "\r\n", "\r", "--", "-- ",
    "#", "/*", "*/", "/*!50001 ", "DELIMITER ;;", "\nDELIMITER $$\n", "\\.", "\n\\.\n", "\\N", "\\\n",
    "\\connect x", "\nGO\n", "\n/\n", "END;", "`", "{", "}", " ", "x", "NULL", "\x01", "\xc3\xa9",
    "\xf0\x9f\x98\x80", "COPY t FROM stdin;", "$1", "?", ":x",
};

// Deterministic rows of awkward text; some NULL (nullopt).
std::vector<std::optional<std::string>> awkward_rows(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::optional<std::string>> rows;
    for (std::size_t r = 0; r < count; ++r) {
        if (random() % 10 == 0) {
            rows.emplace_back();
            continue;
        }
        std::string row;
        const std::size_t pieces = random() % 9;
        for (std::size_t p = 0; p < pieces; ++p) {
            row += kAwkward[random() % std::size(kAwkward)];
        }
        rows.emplace_back(std::move(row));
    }
    // Every piece alone, too.
    for (const std::string_view piece : kAwkward) {
        rows.emplace_back(std::string(piece));
    }
    return rows;
}

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

std::string all_bytes()
{
    std::string bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += static_cast<char>(b);
    }
    return bytes;
}

bool in_ci()
{
    const char *ci = std::getenv("CI");
    return ci != nullptr && std::string_view(ci) == "true";
}

// ---------------------------------------------------------------- MariaDB

class ScriptOracleMariaDb : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const oracle::MariaDbPrograms programs = oracle::mariadb_programs();
        if (programs.installed()) {
            try {
                server_ = new MariaDbServer(programs);
            } catch (const std::exception &error) {
                start_error_ = new std::string(error.what());
            }
        }
    }
    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
        delete start_error_;
        start_error_ = nullptr;
    }
    void SetUp() override
    {
        if (start_error_ != nullptr) {
            FAIL() << "the MariaDB server did not start: " << *start_error_;
        }
        if (server_ == nullptr) {
            if (in_ci()) {
                FAIL() << "CI: mariadb-server and mariadb-client must be installed";
            }
            GTEST_SKIP() << "mariadb-server or mariadb-client not installed";
        }
    }

    // Runs SQL as root; a failure stops the test.
    static void setup_sql(std::string_view sql)
    {
        const ChildRun run = server_->run_client_as_root(sql, {"--batch"});
        ASSERT_EQ(run.exit_status, 0) << oracle::describe(run);
        server_->take_log_entries();
    }

    // The statements of the first connection that the log shows since the
    // last take: the client's, fed a script.  The client runs USE as a
    // command of its own: it asks "SELECT DATABASE()", then changes the
    // database by the protocol ("Init DB name" in the log); the two are
    // taken as "USE `name`" here, as the dumps write it.
    static std::vector<std::string> client_statements(const std::vector<MariaDbServer::LogEntry> &entries)
    {
        std::vector<std::string> statements;
        std::optional<unsigned long> client;
        for (const MariaDbServer::LogEntry &entry : entries) {
            if (!client && entry.command == "Connect") {
                client = entry.connection;
            }
            if (!client || entry.connection != *client) {
                continue;
            }
            if (entry.command == "Query") {
                statements.push_back(entry.argument);
            } else if (entry.command == "Init DB") {
                if (!statements.empty() && statements.back() == "SELECT DATABASE()") {
                    statements.pop_back();
                }
                std::string name;
                for (const char c : entry.argument) {
                    name += c == '`' ? "``" : std::string(1, c);
                }
                statements.push_back("USE `" + name + "`");
            }
        }
        return statements;
    }

    // The script through the client (as root, `arguments` after the
    // connection's) and through sqlsplit; both sides' statements compared.
    static void check(const std::string &name, std::string_view script, const std::vector<std::string> &arguments,
                      bool must_succeed, const char *known, Tally &tally)
    {
        const ChildRun run = server_->run_client_as_root(script, arguments);
        EXPECT_FALSE(run.timed_out || run.signal != 0) << name << ": the client did not finish: " << run.err;
        if (must_succeed) {
            EXPECT_EQ(run.exit_status, 0) << name << ": " << oracle::describe(run);
        }
        std::vector<std::string> sent;
        for (const std::string &statement : client_statements(server_->take_log_entries())) {
            std::string text = mysql_sent(nullptr, statement);
            if (!text.empty()) {
                sent.push_back(std::move(text));
            }
        }
        const Cut cut = cut_with_sqlsplit(script, "mysql", "mysql");
        std::vector<std::string> ours;
        for (const Piece &piece : cut.pieces) {
            std::string text;
            if (piece.kind == PieceKind::statement) {
                text = mysql_sent(&piece, {});
            } else if (piece.kind == PieceKind::command && piece.text.rfind("\\u ", 0) == 0) {
                // \u changes the database as USE does, by the protocol, to its
                // first argument.
                const std::string_view name = trimmed(std::string_view(piece.text).substr(3));
                text = "USE `" + std::string(name.substr(0, name.find_first_of(" \t"))) + "`";
            }
            if (!text.empty()) {
                ours.push_back(std::move(text));
            }
        }
        expect_agreement(name, script, cut, compare(ours, sent), known, tally);
    }

    static MariaDbServer *server_;
    static std::string *start_error_;
};

MariaDbServer *ScriptOracleMariaDb::server_ = nullptr;
std::string *ScriptOracleMariaDb::start_error_ = nullptr;

// The source database: rows of awkward text and bytes, routines and a
// trigger whose bodies hold ";", a view, names that hold ";".
std::string mariadb_source_database()
{
    std::string sql = "CREATE DATABASE src CHARACTER SET utf8mb4;\nUSE src;\n"
                      "CREATE TABLE rows_of_text (id INT PRIMARY KEY, t TEXT, b BLOB, v VARCHAR(300))"
                      " CHARACTER SET utf8mb4;\n";
    const auto rows = awkward_rows(300, 18);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const std::string value = rows[r] ? "X'" + hex(*rows[r]) + "'" : "NULL";
        sql += "INSERT INTO rows_of_text VALUES (" + std::to_string(r) + ", " + value + ", " + value + ", " +
               (rows[r] && rows[r]->size() <= 300 ? value : "NULL") + ");\n";
    }
    sql += "INSERT INTO rows_of_text VALUES (100000, '', X'" + hex(all_bytes()) + "', '');\n"
           "CREATE TABLE `semi;colon` (`a;b` INT, `c``d` VARCHAR(20) DEFAULT 'x;y', `e\\f` CHAR(2));\n"
           "INSERT INTO `semi;colon` VALUES (1, ';', '\\\\'), (2, 'DELIMITER', '\"'), (NULL, NULL, NULL);\n"
           "DELIMITER $$\n"
           "CREATE PROCEDURE add_row(IN n INT, IN s TEXT)\n"
           "BEGIN\n"
           "  DECLARE done INT DEFAULT 0; -- a comment; with a separator\n"
           "  /* and; another */\n"
           "  INSERT INTO rows_of_text (id, t) VALUES (n, CONCAT(s, ';', \"$$\", '\\'', '\\\\'));\n"
           "  IF n > 10 THEN SET done = 1; ELSE SET done = 2; END IF;\n"
           "  SELECT done, 'END;', \"END$$\";\n"
           "END$$\n"
           "CREATE PROCEDURE lines_of_a_script()\n"
           "BEGIN\n"
           "  SELECT 'a script:\nDELIMITER ;\nSELECT 1;\n\\\\.\nDELIMITER ;;\n' AS `DELIMITER ;;`;\n"
           "END$$\n"
           "CREATE FUNCTION wrapped(s TEXT) RETURNS TEXT DETERMINISTIC\n"
           "BEGIN\n"
           "  IF s IS NULL THEN RETURN 'null;'; END IF;\n"
           "  RETURN CONCAT('[', s, ';;]');\n"
           "END$$\n"
           "CREATE TRIGGER marked BEFORE INSERT ON `semi;colon` FOR EACH ROW\n"
           "BEGIN\n"
           "  SET NEW.`c``d` = CONCAT(IFNULL(NEW.`c``d`, ''), ';');\n"
           "  IF NEW.`a;b` IS NULL THEN SET NEW.`a;b` = 0; END IF;\n"
           "END$$\n"
           "DELIMITER ;\n"
           "CREATE VIEW semicolons AS SELECT id, CONCAT(t, ';') AS t2, 'a;b' AS c FROM rows_of_text"
           " WHERE v <> 'x;y' OR v IS NULL;\n"
           "DELIMITER //\n"
           "CREATE EVENT nightly ON SCHEDULE EVERY 1 DAY DISABLE DO BEGIN DELETE FROM rows_of_text WHERE id < 0;"
           " UPDATE `semi;colon` SET `c``d` = ';'; END//\n"
           "DELIMITER ;\n";
    return sql;
}

TEST_F(ScriptOracleMariaDb, RestoresItsOwnDumpAsSqlsplitCutsIt)
{
    setup_sql(mariadb_source_database());
    setup_sql("CREATE DATABASE dst; CREATE DATABASE dst_compact;");
    Tally tally;
    struct Dump {
        std::vector<std::string> options;
        const char *into;      // the database the client connects to, or null
        const char *restored;  // the database restored
        const char *reference; // one that holds the source's rows
        const char *before;    // run before the restore, or null
    };
    const Dump dumps[] = {
        // The dump a user makes of a database.
        {{"--routines", "--triggers", "--events", "src"}, "dst", "dst", "src", nullptr},
        // A row to an INSERT, without comments.
        {{"--routines", "--triggers", "--events", "--skip-extended-insert", "--compact", "src"}, "dst_compact",
         "dst_compact", "src", nullptr},
        // A database that the dump creates and changes to (USE); its
        // source goes first, and the first restore holds its rows.
        {{"--routines", "--triggers", "--events", "--databases", "src"}, nullptr, "src", "dst",
         "DROP DATABASE src;"},
    };
    for (const Dump &dump : dumps) {
        const ChildRun written = server_->dump(dump.options);
        ASSERT_EQ(written.exit_status, 0) << oracle::describe(written);
        server_->take_log_entries();
        ASSERT_NE(written.out.find("DELIMITER ;;"), std::string::npos) << "no compound statement in the dump";
        if (dump.before != nullptr) {
            setup_sql(dump.before);
        }
        std::vector<std::string> arguments = {"--batch", "--comments", "--default-character-set=utf8mb4"};
        if (dump.into != nullptr) {
            arguments.push_back(dump.into);
        }
        std::string name = "mariadb-dump";
        for (const std::string &option : dump.options) {
            name += " " + option;
        }
        check(name, written.out, arguments, true, nullptr, tally);
        // The restore ran whole: its tables hold the source's rows.
        const std::string restored = dump.restored, reference = dump.reference;
        const ChildRun sums = server_->run_client_as_root(
            "CHECKSUM TABLE " + reference + ".rows_of_text, " + restored + ".rows_of_text, " + reference +
                ".`semi;colon`, " + restored + ".`semi;colon`;\n",
            {"--batch", "--skip-column-names"});
        server_->take_log_entries();
        std::vector<std::string> sums_only;
        for (std::size_t at = 0; at < sums.out.size();) {
            const std::size_t end = std::min(sums.out.find('\n', at), sums.out.size());
            const std::string line = sums.out.substr(at, end - at);
            sums_only.push_back(line.substr(std::min(line.find('\t'), line.size())));
            at = end + 1;
        }
        ASSERT_EQ(sums_only.size(), 4u) << sums.out << sums.err;
        EXPECT_EQ(sums_only[0], sums_only[1]) << sums.out;
        EXPECT_EQ(sums_only[2], sums_only[3]) << sums.out;
    }
    tally.print("mysql", "dump");
}

// Scripts written by hand for the client: delimiters changed, in every case.
struct HandWritten {
    const char *name;
    std::string_view script;
    const char *known = nullptr; // what the client does that sqlsplit does not, or null
};

const HandWritten kMariaDbScripts[] = {
    {"DELIMITER $$ around a procedure",
     "DROP PROCEDURE IF EXISTS p;\n"
     "DELIMITER $$\n"
     "CREATE PROCEDURE p()\nBEGIN\n  SELECT 1; SELECT '$$;'; -- $$ in a comment\n  SELECT \"a$$b\";\nEND$$\n"
     "DELIMITER ;\n"
     "CALL p();\n"},
    {"delimiter // in lower case, statements on one line",
     "delimiter //\n"
     "SELECT 1// SELECT 2 //SELECT 3;SELECT 4//\n"
     "SELECT '//' /* // */, `a//b`//\n"
     "delimiter ;\n"
     "SELECT 5;\n"},
    {"DELIMITER ;; as the dump writes it",
     "DELIMITER ;;\n"
     "/*!50003 CREATE PROCEDURE q() BEGIN SELECT 1; END */;;\n"
     "SELECT ';;' ;;\n"
     "DELIMITER ;\n"
     "SELECT 6;\n"},
    {"delimiters of other cases and blanks",
     "Delimiter $$\nSELECT 1$$\n  DELIMITER    !!  \nSELECT 2!!\ndelimiter\t;\nSELECT 3;\n"},
    {"a word as the delimiter",
     "DELIMITER END_OF_IT\nSELECT 1 END_OF_IT\nSELECT 'END_OF_IT' END_OF_IT\nDELIMITER ;\nSELECT 2;\n"},
    {"DELIMITER in a string, a comment and the middle of a statement",
     "SELECT 'x\nDELIMITER $$\n';\n"
     "/* DELIMITER $$ */ SELECT 2;\n"
     "SELECT 3\nDELIMITER $$\n;\n"
     "SELECT 4;\n"},
    {"comments before and between delimiter lines",
     "-- set the delimiter\nDELIMITER $$\n# hash comment\nSELECT 1$$\n/* block */ SELECT 2$$\n"
     "DELIMITER ;\n-- done\nSELECT 3;\n"},
    {"a delimiter left open at the end", "DELIMITER $$\nSELECT 1$$\nSELECT 2;\nSELECT 3"},
    {"CR LF line ends", "DELIMITER $$\r\nSELECT 1$$\r\nSELECT 2 $$ \r\nDELIMITER ;\r\nSELECT 3;\r\n"},
    {"the delimiter in line comments",
     "DELIMITER $$\nSELECT 1 # $$ in a comment\n$$\nSELECT 2 -- $$\n$$\nSELECT 3 --$$\n$$\nDELIMITER ;\n"},
    {"the delimiter in comments that run and do not",
     "DELIMITER ;;\n/*!50003 SELECT 1 */;;\n/*!50003 SELECT 2 ;; */;;\nSELECT /* ;; */ 3;;\nDELIMITER ;\n"},
    {"a DELIMITER line inside a string",
     "DELIMITER ;;\nSELECT 'a\nDELIMITER ;\nb';;\nSELECT \"c\nDELIMITER ;\";;\nDELIMITER ;\nSELECT 3;\n"},
    {"the delimiter ends the script", "DELIMITER $$\nSELECT 1$$"},
    {"the ; that end a statement under another delimiter are not sent",
     "DELIMITER //\nSELECT 1;//\nSELECT 2 ; ;\n//\nSELECT 3 -- x;\n//\nCREATE PROCEDURE semi() BEGIN SELECT 4; END;//\n"
     "DELIMITER ;\n"},
    // The client's backslash commands, outside strings, quoted names and
    // comments wherever they stand (and inside the SQL of "/*!" comments).
    {"the client's \\g and \\G", "SELECT 1\\g\nSELECT 2 \\G\nSELECT 3\\g SELECT 4;\nSELECT '\\g';\n"},
    {"the client's \\c clears a statement", "SELECT 1 \\c\nSELECT 2;\n"},
    {"the client's \\d changes the delimiter", "\\d $$\nSELECT 1; SELECT 2$$\n\\d ;\nSELECT 3;\n"},
    {"the client's commands in strings, names, comments and where no statement is",
     "SELECT 1\\gSELECT 2 \\G\nSELECT '\\g', \"\\c\", `\\g` /* \\g */ # \\g\n, 3 \\c\n\\g SELECT 4 \\N;\n"
     "SELECT 'a\\'\\g' AS `b\\c`;\n"
     "DELIMITER $$\nSELECT 5; \\g SELECT 6 $$\nDELIMITER ;\n/*!50001 SELECT 7 \\g */ SELECT 8;\nSELECT 9 \\q\n"},
    {"the client's commands with arguments, and those without inside a statement",
     "\\d $$ SELECT 1$$\nSELECT 2; SELECT 3$$\n\\d ;; x\nSELECT 4;;\n\\d ;\n\\u hand SELECT 0; SELECT 5;\n"
     "\\. /nonexistent/file.sql\nSELECT 6 \\T /dev/null\n;\n\\t\n\\w SELECT 7;\n"
     "SELECT 8 \\p, 9 \\#, 10;\nSELECT 11 \\#\n;\n"},
    {"a trigger and a function under DELIMITER //",
     "CREATE TABLE IF NOT EXISTS tt (a TEXT);\n"
     "DELIMITER //\n"
     "CREATE TRIGGER tt_semicolon BEFORE INSERT ON tt FOR EACH ROW\nBEGIN\n"
     "  SET NEW.a = CONCAT(NEW.a, ';', '//');\nEND//\n"
     "CREATE FUNCTION ff() RETURNS INT DETERMINISTIC\nBEGIN\n  RETURN 1;\nEND //\n"
     "DELIMITER ;\n"
     "INSERT INTO tt VALUES ('a;b'), ('c\\';d');\n"},
};

TEST_F(ScriptOracleMariaDb, RunsHandWrittenScriptsAsSqlsplitCutsThem)
{
    setup_sql("CREATE DATABASE hand;");
    Tally tally;
    for (const HandWritten &script : kMariaDbScripts) {
        // --force: a statement that fails (a routine that exists) does not
        // stop the script.
        check(script.name, script.script, {"--batch", "--comments", "--force", "hand"}, false, script.known, tally);
    }
    tally.print("mysql", "hand-written scripts");
}

// ---------------------------------------------------------------- PostgreSQL

class ScriptOraclePostgres : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const oracle::PostgresPrograms programs = oracle::postgres_programs();
        if (programs.installed()) {
            try {
                server_ = new PostgresServer(programs);
            } catch (const std::exception &error) {
                start_error_ = new std::string(error.what());
            }
        }
    }
    static void TearDownTestSuite()
    {
        delete server_;
        server_ = nullptr;
        delete start_error_;
        start_error_ = nullptr;
    }
    void SetUp() override
    {
        if (start_error_ != nullptr) {
            FAIL() << "the PostgreSQL server did not start: " << *start_error_;
        }
        if (server_ == nullptr) {
            if (in_ci()) {
                FAIL() << "CI: postgresql and postgresql-client must be installed";
            }
            GTEST_SKIP() << "postgresql or postgresql-client not installed";
        }
    }

    static void setup_sql(const std::string &database, const std::string &sql)
    {
        const ChildRun run = server_->psql({"-q", "-v", "ON_ERROR_STOP=1", "-d", database}, sql);
        ASSERT_EQ(run.exit_status, 0) << oracle::describe(run);
        server_->take_psql_statements();
    }

    // The script through psql (`arguments` after the connection's, then
    // "-f SCRIPT") and through sqlsplit; both sides' statements compared.
    static void check(const std::string &name, std::string_view script, std::vector<std::string> arguments,
                      const char *known, Tally &tally, Cut *cut_out = nullptr)
    {
        const test_support::TempFolder folder;
        test_support::write_file(folder.file("script.sql"), script);
        arguments.insert(arguments.end(), {"-f", folder.file("script.sql")});
        const ChildRun run = server_->psql(arguments);
        EXPECT_FALSE(run.timed_out || run.signal != 0) << name << ": psql did not finish: " << run.err;
        // For \copy psql sends a COPY of its own making ("COPY  t FROM
        // STDIN", two blanks after COPY): both sides have it as this.
        const std::string own_copy = "(psql's COPY for a \\copy)";
        std::vector<std::string> sent;
        for (const std::string &statement : server_->take_psql_statements()) {
            std::string text = psql_sent(nullptr, statement);
            if (text.rfind("COPY  ", 0) == 0) {
                text = own_copy;
            }
            if (!text.empty()) {
                sent.push_back(std::move(text));
            }
        }
        Cut cut = cut_with_sqlsplit(script, "postgresql", "psql");
        std::vector<std::string> ours;
        for (const Piece &piece : cut.pieces) {
            std::string text;
            if (piece.kind == PieceKind::statement) {
                text = psql_sent(&piece, {});
            } else if (piece.kind == PieceKind::command && piece.text.rfind("\\copy", 0) == 0) {
                text = own_copy;
            }
            if (!text.empty()) {
                ours.push_back(std::move(text));
            }
        }
        expect_agreement(name, script, cut, compare(ours, sent), known, tally);
        if (cut_out != nullptr) {
            *cut_out = std::move(cut);
        }
    }

    static PostgresServer *server_;
    static std::string *start_error_;
};

PostgresServer *ScriptOraclePostgres::server_ = nullptr;
std::string *ScriptOraclePostgres::start_error_ = nullptr;

std::string postgres_source_database()
{
    std::string sql = "CREATE TABLE rows_of_text (id int PRIMARY KEY, t text, b bytea, a text[]);\n"
                      "CREATE TABLE quoted_copy (t text);\n";
    const auto rows = awkward_rows(300, 15);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::string text = rows[r] ? *rows[r] : std::string();
        const std::string value = rows[r] ? "convert_from('\\x" + hex(text) + "'::bytea, 'UTF8')" : "NULL";
        sql += "INSERT INTO rows_of_text VALUES (" + std::to_string(r) + ", " + value + ", " +
               (rows[r] ? "'\\x" + hex(text) + "'::bytea" : "NULL") + ", ARRAY[" + value + ", 'x;y', NULL]);\n";
    }
    sql += "INSERT INTO rows_of_text VALUES (100000, '', '\\x" + hex(all_bytes()) + "'::bytea, '{}');\n"
           // One column: its data lines start with the row's text.
           "CREATE TABLE \"one;column\" (\"a\"\"b\" text);\n"
           "INSERT INTO \"one;column\" VALUES (E'\\\\.'), (E'\\\\connect x'), ('-- x;'), (';'), (NULL), (''),"
           " (E'\\\\N'), (E'\\\\'), ('$$'), ('\\.');\n"
           "CREATE FUNCTION wrapped(s text) RETURNS text LANGUAGE plpgsql AS $body$\n"
           "BEGIN\n"
           "  IF s IS NULL THEN RETURN 'null;'; END IF; -- a comment; with a separator\n"
           "  /* nested /* comment; */ here */\n"
           "  RETURN '[' || s || $$;;$$ || $x$ $$ $x$ || ']';\n"
           "END\n"
           "$body$;\n"
           "CREATE FUNCTION plus_one(int) RETURNS int LANGUAGE sql AS $$ SELECT $1 + 1; $$;\n"
           "CREATE FUNCTION marked() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN NEW.t := NEW.t || ';';"
           " RETURN NEW; END$$;\n"
           "CREATE TRIGGER marked BEFORE INSERT ON rows_of_text FOR EACH ROW EXECUTE FUNCTION marked();\n"
           "CREATE VIEW semicolons AS SELECT id, t || ';' AS t2, 'a;b' AS c FROM rows_of_text WHERE t <> 'x;y';\n"
           "CREATE SEQUENCE counter;\nSELECT setval('counter', 42);\n"
           "CREATE FUNCTION atomic_sum(a int, b int) RETURNS int LANGUAGE sql\n"
           "BEGIN ATOMIC\n  SELECT a + b;\nEND;\n"
           "CREATE PROCEDURE atomic_insert(n int) LANGUAGE sql\n"
           "BEGIN ATOMIC\n  INSERT INTO quoted_copy VALUES ('x;' || n);\n"
           "  INSERT INTO quoted_copy VALUES ('y;');\nEND;\n"
           "CREATE TABLE logged (t text);\n"
           "CREATE RULE two_actions AS ON INSERT TO logged DO ALSO"
           " (INSERT INTO quoted_copy VALUES (NEW.t || ';'); INSERT INTO quoted_copy VALUES ('\\.'));\n"
           "CREATE FUNCTION script_text() RETURNS text LANGUAGE plpgsql AS $$\n"
           "BEGIN\n  RETURN '\n\\.\n\\connect x\nCOPY t FROM stdin;\n';\nEND\n$$;\n"
           "CREATE DOMAIN positive AS int CHECK (VALUE > 0);\n"
           "COMMENT ON TABLE rows_of_text IS 'rows; with \"quotes\" and ''apostrophes''';\n"
           "COPY quoted_copy FROM stdin;\n"
           "a;b\n"
           "\\\\.\n"
           "c\\td\\ne\n"
           "\\.\n";
    return sql;
}

// The rows of each COPY in the restored database, as COPY TO gives them:
// they must be the data sqlsplit found after the statement, up to "\.".
void expect_copy_data(const PostgresServer &server, const std::string &database, const Cut &cut)
{
    std::size_t checked = 0;
    for (std::size_t p = 0; p < cut.pieces.size(); ++p) {
        const std::string statement = psql_sent(&cut.pieces[p], {});
        const std::size_t from = statement.rfind(" FROM stdin");
        if (cut.pieces[p].kind != PieceKind::statement || statement.substr(0, 5) != "COPY " ||
            from == std::string::npos) {
            continue;
        }
        ++checked;
        const std::string target = statement.substr(5, from - 5);
        ASSERT_TRUE(p + 1 < cut.pieces.size() && cut.pieces[p + 1].kind == PieceKind::data)
            << "no data after " << statement;
        const ChildRun rows = server.psql({"-d", database, "-c", "COPY " + target + " TO stdout"});
        ASSERT_EQ(rows.exit_status, 0) << oracle::describe(rows);
        const std::string &data = cut.pieces[p + 1].text;
        EXPECT_TRUE(data == rows.out + "\\.\n" || data == rows.out + "\\." || data == rows.out)
            << "the data after " << statement << ":\n  sqlsplit: " << shortened(data)
            << "\n  the table: " << shortened(rows.out);
    }
    EXPECT_GT(checked, 0u) << "no COPY in the dump";
    server.take_psql_statements();
}

TEST_F(ScriptOraclePostgres, RestoresItsOwnDumpAsSqlsplitCutsIt)
{
    setup_sql("postgres", "CREATE DATABASE src;");
    setup_sql("src", postgres_source_database());
    Tally tally;
    // A dump that creates the database and connects to it (\connect), with
    // COPY data; and one of INSERT statements, into a database of its own.
    const ChildRun created = server_->dump({"--create", "src"});
    ASSERT_EQ(created.exit_status, 0) << oracle::describe(created);
    ASSERT_NE(created.out.find("FROM stdin;\n"), std::string::npos);
    const ChildRun inserts = server_->dump({"--inserts", "--rows-per-insert=7", "src"});
    ASSERT_EQ(inserts.exit_status, 0) << oracle::describe(inserts);
    server_->take_psql_statements();
    setup_sql("postgres", "DROP DATABASE src; CREATE DATABASE from_inserts;");

    Cut cut;
    check("pg_dump --create", created.out, {"-v", "ON_ERROR_STOP=1", "-q", "-d", "postgres"}, nullptr, tally, &cut);
    expect_copy_data(*server_, "src", cut);
    check("pg_dump --inserts", inserts.out, {"-v", "ON_ERROR_STOP=1", "-q", "-d", "from_inserts"}, nullptr, tally);
    tally.print("psql", "dump");
}

const HandWritten kPsqlScripts[] = {
    {"meta-commands at the start of statements",
     "\\set ON_ERROR_STOP 0\n"
     "\\echo one ; two\n"
     "SELECT 1;\n"
     "\\pset format unaligned\n"
     "SELECT 2;\n"},
    {"a meta-command after a statement on its line", "SELECT 1; \\echo after a statement\nSELECT 2;\n"},
    {"\\; joins statements into one query",
     "SELECT 1\\; SELECT 2;\nSELECT 3 \\;\nSELECT 4;\n"},
    {"\\connect and back",
     "SELECT 1;\n\\connect postgres\nSELECT 2;\n\\c hand\nSELECT 3;\n"},
    {"COPY data full of separators",
     "CREATE TABLE IF NOT EXISTS c (a text, b text);\n"
     "COPY c FROM stdin;\n"
     "a;b\tc'd\n"
     "\\\\.\t-- not a comment;\n"
     "$$\t\\N\n"
     "SELECT 1;\t/* x */\n"
     "\\.\n"
     "SELECT count(*) FROM c;\n"
     "copy c (a) from STDIN;\n"
     "x\n"
     "\\.\n"
     "COPY c FROM stdin WITH (FORMAT csv);\n"
     "\"a;b\",\"c\"\"d\"\n"
     "e,\n"
     "\\.\n"
     "SELECT 2;\n"},
    {"dollar quotes, strings and comments that hold separators and backslashes",
     "SELECT $$a;b$$, $x$ $$; $x$, 'c\\';\n"
     "SELECT E'd\\';e';\n"
     "SELECT 'f' -- g;\n, 'h';\n"
     "SELECT /* i; /* nested; */ j; */ 1;\n"
     "SELECT 'k'\n'l;';\n"
     "SELECT \"m;n\" FROM (SELECT 1 AS \"m;n\") AS s;\n"},
    {"\\g on a line of its own ends a statement", "SELECT 1\n\\g\nSELECT 2;\n"},
    {"\\g and \\gset at the end of a line end a statement",
     "SELECT 1 AS one \\gset\nSELECT 2 \\g\nSELECT 3;\n"},
    {"meta-commands anywhere in a line, \\\\ and \\r",
     "SELECT 1 \\gx\nSELECT 2; \\echo a; b \\\\ SELECT 3;\nSELECT 4 \\r\nSELECT 5 \\reset\n"
     "\\echo x \\\\ SELECT 6 \\g\nSELECT '\\g' AS \"\\g\", $$\\g$$ /* \\g */ -- \\g\n;\n"},
    {"BEGIN ATOMIC bodies",
     "CREATE FUNCTION atomic_one() RETURNS int LANGUAGE sql\nBEGIN ATOMIC\n  SELECT 1;\n  SELECT 2;\nEND;\n"
     "CREATE OR REPLACE PROCEDURE atomic_two() LANGUAGE sql BEGIN ATOMIC SELECT 'a;b'; SELECT 3; END;\n"
     "SELECT 5;\n"},
    {"parentheses hold a ;",
     "CREATE TABLE IF NOT EXISTS r (a int);\n"
     "CREATE RULE two AS ON INSERT TO r DO ALSO (SELECT 1; SELECT 2);\n"
     "SELECT (1;\n);\n"
     "SELECT 6;\n"},
    {"backslashes and COPY inside a dollar body",
     "CREATE OR REPLACE FUNCTION body_lines() RETURNS text LANGUAGE plpgsql AS $$\n\\.\n\\connect x\n"
     "COPY t FROM stdin;\nBEGIN RETURN 'a;b'; END\n$$;\nSELECT 7;\n"},
    {"standard_conforming_strings off",
     "SET standard_conforming_strings = off;\nSELECT 'a\\';b';\nSET standard_conforming_strings = on;\n"
     "SELECT 'c\\';\n"},
    // psql reads a line with the setting it had at the line's start.
    {"standard_conforming_strings set and reset in its forms",
     "SET standard_conforming_strings = off; SELECT 'a\\';\n"
     "SELECT 'b\\';c', E'd\\';e', N'f\\';g', 'h\\\\'\n'i;', 'j''\\\\';\n"
     "RESET standard_conforming_strings;\nSELECT 'k\\';\n"
     "set session standard_conforming_strings to 'off';\nSELECT 'l\\';m';\n"
     "SET standard_conforming_strings TO DEFAULT;\nSELECT 'n\\';\n"
     "set standard_conforming_strings=false;\nSELECT 'o\\';p';\nRESET ALL;\nSELECT 'q\\';\n"},
    {"\\copy from stdin, its rows follow in the script",
     "CREATE TABLE IF NOT EXISTS cc (a text, b text);\n"
     "\\copy cc from stdin\na;b\tx\n\\\\.\t\\N\n\\.\nSELECT 1;\n"
     "\\copy cc (a, b) FROM STDIN WITH (FORMAT csv)\n\"x;\",y\n\\.\nSELECT 2;\n"},
    {"a meta-command left at the end, a statement without its ;",
     "SELECT 1;\n\\echo last\nSELECT 2"},
};

TEST_F(ScriptOraclePostgres, RunsHandWrittenScriptsAsSqlsplitCutsThem)
{
    setup_sql("postgres", "CREATE DATABASE hand;");
    Tally tally;
    for (const HandWritten &script : kPsqlScripts) {
        check(script.name, script.script, {"-q", "-d", "hand"}, script.known, tally);
    }
    tally.print("psql", "hand-written scripts");
}

} // namespace
