// The accurate profile's MySQL reading (dialect 32) against a real MariaDB
// server and its command-line client.
//
// Cuts: a script goes through the mariadb client with the general query log
// on; the statements the server received must be, in order, the statements
// spltwd_split_first cuts from the same script.  The client changes what it
// sends in a few ways of its own (see compared_text and
// as_the_client_sends); both sides are compared after the same changes.
// The client reads lines, so a CR before an LF never reaches the server:
// scripts have their CR LF turned into LF before either side sees them.
//
// Strings: for "SELECT <lit>, <lit>, ..." the server returns as many columns
// as the statement has string words, and "SELECT HEX(w)" gives, for each
// string word w, the bytes that MySQL's rules make of w (decoded here).
//
// Each test prints its figures ("[ figures  ]" lines); run them all with
//     ./build/tests/oracle/mariadb_oracle_tests
// or through ctest: ctest --test-dir build -R MariaDb -V
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "corpus_files.h"
#include "corpus_reader.h"
#include "mariadb_server.h"
#include "mirx_sql_splt_wd.h"

namespace {

using oracle::MariaDbServer;

constexpr uint16_t kMySql = SPLT_WD_DIALECT_MYSQL;
constexpr std::size_t kShownDisagreements = 30;

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
            if (byte < 0x20 || byte >= 0x7f) {
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

std::string listed(const std::vector<std::string> &statements, std::size_t first = 0)
{
    constexpr std::size_t kListed = 6;
    std::string text;
    for (std::size_t i = first; i < statements.size() && i < first + kListed; ++i) {
        text += "    [" + std::to_string(i) + "] " + escaped(statements[i]) + "\n";
    }
    return text.empty() ? "    (none)\n" : text;
}

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (const char c : bytes) {
        text += digits[static_cast<unsigned char>(c) >> 4];
        text += digits[static_cast<unsigned char>(c) & 15];
    }
    return text;
}

// Figures that agree, and those that do not but are explained below.
struct Figures {
    std::size_t alike = 0, total = 0, explained = 0;
    std::vector<std::string> disagreements;

    std::string line(const char *what, const char *agreeing) const
    {
        char text[256];
        std::snprintf(text, sizeof text, "%s: %s %zu / %zu (%.2f %%), explained differences %zu", what, agreeing,
                      alike, total, total == 0 ? 100.0 : 100.0 * static_cast<double>(alike) / total,
                      explained);
        return text;
    }
};

void report(const Figures &figures, const char *what, const char *agreeing, const MariaDbServer &server)
{
    std::printf("[ figures  ] MariaDB %s, %s\n", server.version().c_str(), figures.line(what, agreeing).c_str());
    std::fflush(stdout);
    testing::Test::RecordProperty("figures", figures.line(what, agreeing));
    for (std::size_t i = 0; i < figures.disagreements.size() && i < kShownDisagreements; ++i) {
        ADD_FAILURE() << figures.disagreements[i];
    }
    if (figures.disagreements.size() > kShownDisagreements) {
        ADD_FAILURE() << figures.disagreements.size() - kShownDisagreements << " more disagreements";
    }
}

// ---------------------------------------------------------------- our side

struct Word {
    std::string text;
    uint16_t type;
    uint16_t mask;
};

struct Statement {
    std::string text; // without its separator
    std::vector<Word> words;
};

bool is_string_word(const Word &word)
{
    return word.type == SPLT_WD_TYPE_STRING || word.type == SPLT_WD_TYPE_DQ_STRING ||
           word.type == SPLT_WD_TYPE_BIT_STRING;
}

class AccurateSplitter {
public:
    AccurateSplitter() : context_(spltwd_context_create(), spltwd_context_destroy)
    {
        if (!context_ || spltwd_context_set_profile(context_.get(), SPLTWD_PROFILE_ACCURATE) != 0) {
            throw std::runtime_error("no context with the accurate profile");
        }
    }

    // The statements of `script` as spltwd_split_first cuts them, each with
    // its words.  A word stream that does not give back the statement's
    // bytes is a fault of its own, noted in `faults`.
    std::vector<Statement> cut(std::string_view script, std::vector<std::string> &faults)
    {
        std::vector<Statement> statements;
        std::size_t position = 0;
        while (position < script.size()) {
            SQL_SPLT_WD request{};
            request.dialect = kMySql;
            request.sql_len = static_cast<uint32_t>(script.size() - position);
            request.sql_text = const_cast<char *>(script.data() + position);
            uint32_t consumed = 0;
            const int32_t result = spltwd_split_first(context_.get(), &request, &consumed);
            std::unique_ptr<char, decltype(&std::free)> stream(request.sql_word, std::free);
            Statement statement;
            if (result > 0) {
                spltwd_word_walk walk{};
                spltwd_word word{};
                while (spltwd_next_word(stream.get(), static_cast<uint32_t>(result), &walk, &word) == 0) {
                    statement.words.push_back({std::string(word.text, word.length), word.type, word.mask});
                    statement.text.append(word.text, word.length);
                }
            }
            const std::string_view taken = script.substr(position, consumed);
            const bool whole = consumed > 0 &&
                               (taken == statement.text || (taken.size() == statement.text.size() + 1 &&
                                                            taken.substr(0, statement.text.size()) == statement.text &&
                                                            taken.back() == ';'));
            if (result < 0 || !whole) {
                faults.push_back("spltwd_split_first gave " + std::to_string(result) + ", consumed " +
                                 std::to_string(consumed) + " bytes, words " + escaped(statement.text) +
                                 " at offset " + std::to_string(position) + " of " + escaped(script));
                if (consumed == 0) {
                    break;
                }
            }
            statements.push_back(std::move(statement));
            position += consumed;
        }
        return statements;
    }

private:
    std::unique_ptr<spltwd_context, decltype(&spltwd_context_destroy)> context_;
};

// ---------------------------------------------------------------- cuts

// What the client trims off a statement: blanks and control bytes.
bool is_blank(char c)
{
    return c >= 1 && c <= ' ';
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

bool is_line_blank(char c)
{
    return is_blank(c) && c != '\n';
}

// A statement as compared.  The client sends what it reads with a few
// changes of its own, made here to both sides alike:
// - blanks and control bytes around a statement are trimmed;
// - a line that starts a statement with "#" or "--" is sent as a query of
//   its own (and the server takes it for a comment, or not, by its own
//   rules), so such lines are dropped from the start;
// - a blank after "*/" or "/*" goes: the client puts one after a comment
//   that no blank follows (after the "/*" where a comment follows);
// - a backslash before a line feed goes: the client reads lines and drops
//   a backslash that ends one inside a string.
std::string compared_text(std::string_view text)
{
    text = trimmed(text);
    while (!text.empty() && (text[0] == '#' || text.substr(0, 2) == "--")) {
        const std::size_t line_feed = text.find('\n');
        text = line_feed == std::string_view::npos ? std::string_view() : trimmed(text.substr(line_feed + 1));
    }
    std::string compared;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        compared += text[i];
        if (i > 0 && ((text[i - 1] == '*' && text[i] == '/') || (text[i - 1] == '/' && text[i] == '*')) &&
            i + 1 < text.size() && text[i + 1] == ' ') {
            ++i;
        }
    }
    return compared;
}

// The client's ways with the statements of a whole script, for our cuts:
// a line comment that follows a separator on its line ("SELECT 1; # c")
// goes with the statement before the separator.  And the server drops the
// blanks and ";" that end a query before it logs or reads it, even inside
// a string or comment left open.
void as_the_client_sends(std::vector<std::string> &statements, bool ours)
{
    for (std::size_t i = 0; ours && i + 1 < statements.size(); ++i) {
        const std::string &next = statements[i + 1];
        std::size_t comment = 0;
        while (comment < next.size() && is_line_blank(next[comment])) {
            ++comment;
        }
        const std::string_view rest = std::string_view(next).substr(comment);
        if (rest.substr(0, 1) == "#" ||
            (rest.substr(0, 2) == "--" && rest.size() > 2 && is_line_blank(rest[2]))) {
            const std::size_t line_end = std::min(next.find('\n'), next.size());
            statements[i] += next.substr(0, line_end);
            statements[i + 1].erase(0, line_end);
        }
    }
    for (std::string &statement : statements) {
        while (!statement.empty() && (is_blank(statement.back()) || statement.back() == ';')) {
            statement.pop_back();
        }
    }
}

std::vector<std::string> compared_texts(const std::vector<std::string> &statements)
{
    std::vector<std::string> texts;
    for (const std::string &statement : statements) {
        std::string text = compared_text(statement);
        if (!text.empty()) {
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

std::string without_crlf(std::string_view text)
{
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            plain += text[i];
        }
    }
    return plain;
}

// The length of the longest common subsequence: the statements cut alike.
std::size_t common_statements(const std::vector<std::string> &a, const std::vector<std::string> &b)
{
    std::vector<std::size_t> row(b.size() + 1, 0), previous(b.size() + 1, 0);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::swap(row, previous);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            row[j] = a[i - 1] == b[j - 1] ? previous[j - 1] + 1 : std::max(previous[j], row[j - 1]);
        }
    }
    return row[b.size()];
}

struct CutCheck {
    std::size_t alike = 0, statements = 0;
    std::vector<std::string> ours, servers; // compared texts
    std::vector<std::string> faults;        // of our splitter, whatever the server says
    bool agrees() const { return alike == statements && faults.empty(); }

    // Short scripts whole; long ones from a little before the first
    // statement that differs.
    std::string describe(std::string_view script) const
    {
        constexpr std::size_t kShown = 4000;
        std::size_t first = 0;
        while (first < ours.size() && first < servers.size() && ours[first] == servers[first]) {
            ++first;
        }
        first = first > 2 ? first - 2 : 0;
        std::string text = "script " + escaped(script.substr(0, kShown)) + (script.size() > kShown ? "..." : "") +
                           "\n  spltwd_split_first (accurate, mysql), from statement " + std::to_string(first) +
                           ":\n" + listed(ours, first) + "  the server received:\n" + listed(servers, first);
        for (const std::string &fault : faults) {
            text += "  " + fault + "\n";
        }
        return text;
    }
};

CutCheck check_cuts(const MariaDbServer &server, AccurateSplitter &splitter, std::string_view script)
{
    CutCheck check;
    std::vector<std::string> ours;
    for (const Statement &statement : splitter.cut(script, check.faults)) {
        ours.push_back(statement.text);
    }
    const auto run = server.run_script(script);
    if (run.timed_out || run.signal != 0) {
        check.faults.push_back("the client did not finish: " + run.err);
    }
    std::vector<std::string> servers = server.take_logged_statements();
    as_the_client_sends(ours, true);
    as_the_client_sends(servers, false);
    check.ours = compared_texts(ours);
    check.servers = compared_texts(servers);
    check.alike = common_statements(check.ours, check.servers);
    check.statements = std::max(check.ours.size(), check.servers.size());
    return check;
}

struct Script {
    const char *name;
    std::string_view text;
    const char *explained; // why the client and the server differ here, or null
};

// Scripts full of what decides where a statement ends.
const Script kScripts[] = {
    {"quotes with backslashes and doubled quotes",
     "SELECT 'O\\'Reilly', 'C:\\\\', \"a\"\"b\", 'it''s';\n"
     "SELECT 'a;b', \"c;d\", 'e\\';f', \"g\\\";h\";\n"
     "SELECT '\\\\'; SELECT '\\\\\\'';SELECT \"\\\\\\\"\" ;\n"
     "SELECT '\\'' ; SELECT \"\\\"\";\n"
     "SELECT 'a\\\\\\\\';SELECT 'b''''';SELECT '''';SELECT \"\"\"\";\n"
     "SELECT \"a'b;c\", 'a\"b;c', 'x''\\';y', \"x\"\"\\\";y\";\n",
     nullptr},
    {"strings holding comments and line feeds",
     "SELECT '--not a comment;', '#not; either', \"/* nor ; this */\", '-- ;';\n"
     "SELECT 'line1\nline2;\n;', \"a\n;\nb\";\n"
     "SELECT 'tab\t;', \"vt\v;ff\f;\";\n",
     nullptr},
    {"hash comments",
     "# a comment ; with a separator\nSELECT 1;\n"
     "SELECT 1 # tail ; comment\n, 2;\n"
     "SELECT 1 ## two hashes ; x\n;\n"
     "SELECT 1#x;\nSELECT 2;\n"
     "SELECT '#' # '\n;\n",
     nullptr},
    {"dash comments",
     "-- a comment ; with a separator\nSELECT 1;\n"
     "SELECT 1 -- tail ; comment\n, 2;\n"
     "SELECT 1 --\n;\n"
     "SELECT 1 --\t;tab comment\n, 2;\n"
     "SELECT '-- ' -- '\n;\n"
     "-- \n-- ;\nSELECT 3;\n",
     nullptr},
    {"two dashes that do not start a comment",
     "SELECT 1 --x\n;\n"
     "SELECT 1--1;SELECT 2;\n"
     "SELECT 1 --;SELECT 2;\n"
     "SELECT 1 ---1;SELECT 2;\n"
     "SELECT 1 --'a;b'\n;\n",
     nullptr},
    {"block comments",
     "/* lead ; comment */ SELECT 1;\n"
     "SELECT /* a ; b */ 1;\n"
     "SELECT /* multi\nline ; */ 1;\n"
     "SELECT 1 /**/; SELECT 2 /*/ ; */;\n"
     "SELECT 1 /* a /* b */ ; */;\n"
     "SELECT 1 /* ' */; SELECT 2 /* \" */;\n"
     "SELECT 1 /* # */; SELECT 2 /* -- */;\n"
     "/* only a comment */;\n"
     "SELECT /*+ MAX_EXECUTION_TIME(1000) ; */ 1;\n",
     nullptr},
    {"versioned comments",
     "/*!50001 SELECT 1 */;\n"
     "/*!40101 SET @x = 1 */;\n"
     "SELECT /*!50001 'a;b', */ 1;\n"
     "SELECT /*! 1, */ 2;\n"
     "SELECT /*!99999 ; */ 1;\n"
     "SELECT /*!50001 1, /* inner ; */ 2 */;\n"
     "SELECT /*!50001 '*/;' */ 1;\n"
     "SELECT /*!50001 \"*/;\" */ 1;SELECT /*!50001 `*/;` */ 1;\n"
     "SELECT 1 /*!*/;SELECT 2 /*!50001*/;\n"
     "CREATE /*!50001 ALGORITHM=UNDEFINED */ /*!50013 DEFINER=`a;b`@`%` SQL SECURITY DEFINER */ VIEW v AS SELECT 1;\n",
     nullptr},
    {"backticks",
     "SELECT `a;b`, `c d`, `e``f;g` FROM t;\n"
     "SELECT `x`;SELECT 1;\n"
     "SELECT `a\\`;SELECT 1;\n"
     "SELECT `'`;SELECT `\"`;SELECT `#`;SELECT `--`;SELECT `/*`;\n"
     "SELECT `a\nb;c`;\n"
     "SELECT 1 AS `;`, 2 AS ```;```;\n",
     nullptr},
    {"variables and prefixed strings",
     "SELECT @'x;y', @\"a;b\", @`c;d`, @@session.sql_mode;\n"
     "SELECT X'3b', x'41', B'0111011', b'1', N'n;', n'\\';', _binary'b;c', _utf8mb4\"d;e\";\n"
     "SELECT 0x3B, 0b111011, 1e3, .5, 1., 1abc;\n"
     "SELECT 'a' 'b;' \"c;\";\n",
     nullptr},
    // The client reads a backslash as an escape in every quoted string; the
    // server takes no backslash in X'..' or B'..' (a syntax error), so the
    // client's cut is the one that counts.
    {"a backslash in a hex string", "SELECT X'\\';SELECT 1;'\n;\n", nullptr},
    {"a backslash in a bit string", "SELECT B'\\';SELECT 2;'\n;\n", nullptr},
    {"a doubled quote after a hex string", "SELECT x'41'';SELECT 5;'\n;\n", nullptr},
    {"variables, aliases, escapes for LIKE, braces, comments inside versioned comments, numbers",
     "SELECT N'\\';SELECT 3;'\n;\n"
     "SELECT _binary'\\';SELECT 4;'\n;\n"
     "SELECT @x:='a;b', @y := \"c;d\";\n"
     "SELECT 1 AS \"a;b\", 2 AS 'c;d', 3 AS `e;f`;\n"
     "SELECT 'x\\_y;' LIKE 'x\\%;';\n"
     "SELECT {fn CONCAT('a;', 'b')};\n"
     "SELECT 1 # comment \\ ; \n;\n"
     "SELECT 'a' /* 'b */ 'c;' ;\n"
     "SELECT 1 /*!50001 /*!50001 ; */ */;\n"
     "SELECT 1 /*!50001 -- ; \n */;\n"
     "SELECT 1 /*!50001 # ; \n */;\n"
     "SELECT 0x'41';SELECT 6;\n"
     "SELECT 1.e;SELECT 1e;SELECT 1e+;\n"
     "SELECT @`a``;b`;SELECT @'a'';b';SELECT @\"a\\\";b\";\n"
     "SELECT @@`a;b`;\n"
     "SELECT \"\";SELECT '';SELECT ``;\n",
     nullptr},
    {"quotes of other dialects",
     "SELECT $$a;b$$;\n"
     "SELECT [a;b];\n"
     "SELECT q'[a;b]';\n"
     "SELECT E'a\\';b';\n"
     "SELECT {d '2020-01-01'};\n"
     "SELECT U&'a;b';\n",
     nullptr},
    {"separators and blanks",
     "SELECT 1;SELECT 2;   SELECT 3 ;\n\n;\n SELECT 4;;;\n"
     "\tSELECT\t5\f;\n"
     "SELECT 6\r\n;\r\nSELECT 7;",
     nullptr},
    {"line comments after a separator",
     "SELECT 1; # after the separator ; more\nSELECT 2;\n"
     "SELECT 1; -- after the separator ; more\nSELECT 2;\n"
     "SELECT 1; --x\n;\nSELECT 2;# c\n",
     nullptr},
    {"a backslash ends a line inside a string",
     "SELECT 'ends with a backslash line \\\n;still in', \"and \\\n;\";\n",
     nullptr},
    {"MariaDB's executable comments",
     "SELECT 1 /*M!100100 , 2; */;\n"
     "SELECT 1 /*M! , 2 */;\n",
     nullptr},
    {"control bytes after two dashes",
     "SELECT 1 --\x01;x\n;\n"
     "SELECT 1 --\x1f;x\n;\n",
     "the server reads \"--\" before a control byte as a comment, the client does not and cuts at the \";\" in it"},
    {"a hash comment ends the script", "SELECT 1;\n# last ; comment", nullptr},
    {"a dash comment ends the script", "SELECT 1 -- ", nullptr},
    {"an unterminated string ends the script", "SELECT 1;\nSELECT 'open ; string\n;\n", nullptr},
    {"an unterminated double-quoted string ends the script", "SELECT 1;\nSELECT \"open \\\" ; string\n;\n",
     nullptr},
    {"an unterminated block comment ends the script", "SELECT 1;\nSELECT 2 /* open ; comment\n;\n", nullptr},
    {"an unterminated backtick ends the script", "SELECT 1;\nSELECT `open ; name\n;\n", nullptr},
};

class MariaDb : public testing::Test {
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
            const char *ci = std::getenv("CI");
            if (ci != nullptr && std::string_view(ci) == "true") {
                FAIL() << "CI: mariadb-server and mariadb-client must be installed";
            }
            GTEST_SKIP() << "mariadb-server or mariadb-client not installed";
        }
    }
    static MariaDbServer *server_;
    static std::string *start_error_;
};

MariaDbServer *MariaDb::server_ = nullptr;
std::string *MariaDb::start_error_ = nullptr;

TEST_F(MariaDb, CutsHandWrittenScriptsAsTheClientDoes)
{
    AccurateSplitter splitter;
    Figures figures;
    for (const Script &script : kScripts) {
        const std::string text = without_crlf(script.text);
        const CutCheck check = check_cuts(*server_, splitter, text);
        figures.total += check.statements;
        figures.alike += check.alike;
        if (!check.agrees()) {
            if (script.explained != nullptr) {
                figures.explained += check.statements - check.alike;
            } else {
                figures.disagreements.push_back(std::string(script.name) + ": " + check.describe(text));
            }
        }
    }
    report(figures, "hand-written scripts", "statements cut alike", *server_);
}

// ---------------------------------------------------------------- corpus

struct CorpusRecord {
    std::string file;
    std::string text;
    bool left_open; // a string, name or comment runs to its end
};

bool contains_folded(std::string_view text, std::string_view lower_needle)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower.find(lower_needle) != std::string::npos;
}

// Why a corpus statement is left out, or null.  The client reads some
// statements as commands of its own; others would change how the session
// reads what follows, or hold the server up.
const char *left_out_because(AccurateSplitter &splitter, std::string_view text)
{
    if (text.find('\0') != std::string_view::npos) {
        return "a NUL byte (the client reads text lines)";
    }
    std::string first;
    for (const char c : compared_text(text)) {
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            break;
        }
        first += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    static const std::set<std::string> client_commands = {
        "charset", "clear", "connect", "delimiter", "edit",    "ego",   "exit",   "go",
        "help",    "nopager", "notee", "nowarning", "pager",  "print", "prompt", "quit",
        "rehash",  "source", "status", "system",    "tee",    "use",   "warnings"};
    if (client_commands.count(first) != 0 || compared_text(text).substr(0, 1) == "?" ||
        contains_folded(text, "\ndelimiter")) {
        return "a command of the client";
    }
    for (const char *needle : {"sql_mode", "set names", "set character", "set charset", "character_set_",
                               "collation_connection", "sleep(", "benchmark(", "get_lock", "password", "kill ",
                               "local infile"}) {
        if (contains_folded(text, needle)) {
            return "changes the session or holds the server up";
        }
    }
    // Outside strings and comments the client reads "\x" as a command.
    std::vector<std::string> faults;
    for (const Statement &statement : splitter.cut(text, faults)) {
        for (const Word &word : statement.words) {
            if (!is_string_word(word) && word.type != SPLT_WD_TYPE_COMMENT && word.text.front() != '`' &&
                word.text.find('\\') != std::string::npos) {
                return "a backslash command of the client";
            }
        }
    }
    return nullptr;
}

std::vector<CorpusRecord> mysql_corpus(AccurateSplitter &splitter, std::size_t &left_out)
{
    std::vector<CorpusRecord> records;
    for (const corpus::File &file : corpus::kFiles) {
        for (corpus::Record &record : corpus::ReadFile(file.path)) {
            if (record.dialect != kMySql) {
                continue;
            }
            std::string text = without_crlf(record.text);
            if (left_out_because(splitter, text) != nullptr) {
                ++left_out;
                continue;
            }
            std::vector<std::string> faults;
            bool left_open = false;
            for (const Statement &statement : splitter.cut(text, faults)) {
                for (const Word &word : statement.words) {
                    left_open = left_open || (word.mask & SPLT_WD_MASK_UNTERMINATED) != 0;
                }
            }
            records.push_back({file.name, std::move(text), left_open});
        }
    }
    return records;
}

// Statements that the client and the server read apart, with the reason.
struct ExplainedRecord {
    std::string_view text;
    const char *why;
};
const std::vector<ExplainedRecord> kExplainedRecords = {};

bool explained(std::string_view record)
{
    return std::any_of(kExplainedRecords.begin(), kExplainedRecords.end(),
                       [&](const ExplainedRecord &known) { return known.text == record; });
}

TEST_F(MariaDb, CutsCorpusStatementsAsTheClientDoes)
{
    AccurateSplitter splitter;
    std::size_t left_out = 0;
    const std::vector<CorpusRecord> all = mysql_corpus(splitter, left_out);
    // A record left open would run into the ones after it, where the
    // client reads a backslash outside a string as a command of its own:
    // those go alone, the others in scripts of many.
    std::vector<const CorpusRecord *> alone, together;
    for (const CorpusRecord &record : all) {
        (record.left_open ? alone : together).push_back(&record);
    }
    Figures figures;
    auto check_alone = [&](const CorpusRecord &record) {
        // A line feed before the separator keeps it out of a line comment
        // that ends the record.
        const std::string script = record.text + "\n;\n";
        const CutCheck check = check_cuts(*server_, splitter, script);
        figures.alike += check.alike;
        figures.total += check.statements;
        if (!check.agrees()) {
            if (explained(record.text)) {
                figures.explained += check.statements - check.alike;
            } else {
                figures.disagreements.push_back(record.file + ": " + check.describe(script));
            }
        }
        return check.agrees();
    };
    for (const CorpusRecord *record : alone) {
        check_alone(*record);
    }
    constexpr std::size_t kChunk = 250;
    // Looking record by record costs a client run each: done for the first
    // failing chunks only, so that a broken splitter still fails quickly.
    std::size_t chunks_looked_into = 0;
    constexpr std::size_t kChunksLookedInto = 3;
    for (std::size_t first = 0; first < together.size(); first += kChunk) {
        const std::size_t last = std::min(together.size(), first + kChunk);
        std::string script;
        for (std::size_t i = first; i < last; ++i) {
            script += together[i]->text + "\n;\n";
        }
        const CutCheck chunk = check_cuts(*server_, splitter, script);
        if (chunk.agrees() || chunks_looked_into == kChunksLookedInto) {
            figures.alike += chunk.alike;
            figures.total += chunk.statements;
            if (!chunk.agrees()) {
                figures.disagreements.push_back("records " + std::to_string(first) + ".." +
                                                std::to_string(last - 1) + ": " + chunk.describe(script));
            }
            continue;
        }
        ++chunks_looked_into;
        bool found = false;
        for (std::size_t i = first; i < last; ++i) {
            found = !check_alone(*together[i]) || found;
        }
        if (!found) {
            figures.disagreements.push_back("records " + std::to_string(first) + ".." + std::to_string(last - 1) +
                                            " agree one by one but not together: " + chunk.describe(script));
        }
    }
    std::printf("[ figures  ] %zu MySQL corpus statements, %zu of them left open; %zu left out (client commands, "
                "session changes)\n",
                all.size(), alone.size(), left_out);
    report(figures, "corpus", "statements cut alike", *server_);
}

// ---------------------------------------------------------------- strings

// What MySQL makes of a string literal (default sql_mode): the bytes, or
// nothing when `word` is not one whole literal.
std::optional<std::string> literal_value(std::string_view word)
{
    char prefix = 0;
    std::size_t i = 0;
    if (word.size() >= 2 && std::string_view("NnXxBb").find(word[0]) != std::string_view::npos) {
        prefix = static_cast<char>(std::tolower(static_cast<unsigned char>(word[0])));
        i = 1;
    }
    if (i >= word.size() || (word[i] != '\'' && word[i] != '"') || (prefix != 0 && word[i] != '\'')) {
        return std::nullopt;
    }
    const char quote = word[i++];
    const bool escapes = prefix != 'x' && prefix != 'b';
    std::string body;
    bool closed = false;
    while (i < word.size()) {
        const char c = word[i];
        if (c == quote) {
            if (i + 1 < word.size() && word[i + 1] == quote) {
                body += quote;
                i += 2;
                continue;
            }
            closed = true;
            ++i;
            break;
        }
        if (c == '\\' && escapes) {
            if (i + 1 >= word.size()) {
                return std::nullopt;
            }
            const char next = word[i + 1];
            switch (next) {
            case '0': body += '\0'; break;
            case 'b': body += '\b'; break;
            case 'n': body += '\n'; break;
            case 'r': body += '\r'; break;
            case 't': body += '\t'; break;
            case 'Z': body += '\x1a'; break;
            case '%': body += "\\%"; break; // kept for LIKE
            case '_': body += "\\_"; break;
            default: body += next;
            }
            i += 2;
            continue;
        }
        body += c;
        ++i;
    }
    if (!closed || i != word.size()) {
        return std::nullopt;
    }
    if (prefix == 'x') {
        if (body.size() % 2 != 0 ||
            body.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            return std::nullopt;
        }
        std::string bytes;
        for (std::size_t j = 0; j < body.size(); j += 2) {
            bytes += static_cast<char>(std::stoi(body.substr(j, 2), nullptr, 16));
        }
        return bytes;
    }
    if (prefix == 'b') {
        if (body.find_first_not_of("01") != std::string::npos) {
            return std::nullopt;
        }
        // Whole bytes, the first padded with zero bits on the left.
        std::string bytes;
        const std::size_t lead = body.size() % 8;
        std::size_t j = 0;
        for (std::size_t width = lead == 0 ? 8 : lead; j < body.size(); width = 8) {
            unsigned value = 0;
            for (std::size_t k = 0; k < width; ++k) {
                value = value * 2 + static_cast<unsigned>(body[j++] - '0');
            }
            bytes += static_cast<char>(value);
        }
        return bytes;
    }
    return body;
}

TEST(MySqlLiteralValue, DecodesAsTheServerDocumentsIt)
{
    const struct {
        std::string_view word;
        std::optional<std::string> value;
    } cases[] = {
        {"'O\\'Reilly'", "O'Reilly"},      {"'C:\\\\'", "C:\\"},        {"\"a\"\"b\"", "a\"b"},
        {"'it''s'", "it's"},               {"'\\%\\_\\x'", "\\%\\_x"},  {"'\\0\\Z\\b\\n'", std::string("\0\x1a\b\n", 4)},
        {"N'a\\'b'", "a'b"},               {"X'4a4B'", "JK"},           {"x''", ""},
        {"B'100000001'", "\x01\x01"},      {"b'1'", "\x01"},            {"b''", ""},
        {"'a\\'", std::nullopt},           {"'a''", std::nullopt},      {"'a' ", std::nullopt},
        {"X'4'", std::nullopt},            {"N\"a\"", std::nullopt},    {"'a'\n'b'", std::nullopt},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(literal_value(c.word), c.value) << escaped(c.word);
    }
}

// Literals full of what a reader can get wrong, from a fixed seed.
class LiteralMaker {
public:
    explicit LiteralMaker(uint32_t seed) : random_(seed) {}

    std::string literal()
    {
        const unsigned kind = pick(20);
        if (kind == 0) {
            return std::string(pick(2) ? "X'" : "x'") + digits("0123456789abcdefABCDEF", 2 * pick(5)) + "'";
        }
        if (kind == 1) {
            return std::string(pick(2) ? "B'" : "b'") + digits("01", pick(20)) + "'";
        }
        if (kind == 2) {
            return std::string(pick(2) ? "N" : "n") + quoted('\'', true);
        }
        if (kind == 3) {
            return "_binary" + quoted('\'', false);
        }
        return quoted(kind % 3 == 0 ? '"' : '\'', false);
    }

    std::string separator()
    {
        static const char *const separators[] = {", ",  ", ",        ", ",           ",\n",
                                                 ",\t", " /* ; */, ", ",# c ; 'd\n", " -- c ; \"d\n, "};
        return separators[pick(std::size(separators))];
    }

    unsigned pick(std::size_t n) { return static_cast<unsigned>(random_() % n); }

private:
    std::string digits(std::string_view alphabet, std::size_t count)
    {
        std::string text;
        for (std::size_t i = 0; i < count; ++i) {
            text += alphabet[pick(alphabet.size())];
        }
        return text;
    }

    std::string quoted(char quote, bool ascii_only)
    {
        // Q stands for this literal's quote, O for the other one.
        static const std::string_view pieces[] = {
            "abc", "Z",   " ",    ";",    "\t",  "\n",   "#",    "-- ",   "--",  "/*",  "*/",  "`",
            "QQ",  "\\Q", "\\O",  "O",    "\\\\", "\\n",  "\\t",   "\\0", "\\Z", "\\%", "\\_",
            "\\b", "\\r", "\\x",  "\\;",  "$$",   "[",    "]",    "{",     "}",   "?",   ":a",  "@b",
            "\\\n", "*",   "\\\t", ";\n",  "\\\\QQ", "\xc3\xa9"};
        const char other = quote == '\'' ? '"' : '\'';
        std::string text(1, quote);
        const unsigned count = pick(9);
        for (unsigned i = 0; i < count; ++i) {
            std::string_view piece = pieces[pick(std::size(pieces))];
            if (ascii_only && piece == "\xc3\xa9") {
                piece = "e";
            }
            for (const char c : piece) {
                if (c == 'Q') {
                    text += quote;
                } else if (c == 'O') {
                    text += other;
                } else {
                    text += c;
                }
            }
        }
        return text + quote;
    }

    std::mt19937 random_;
};

struct StringCheck {
    std::string word;
    std::string expected_hex; // from literal_value; empty with `readable` false
    bool readable = false;
};

// Runs "SELECT n, HEX(w)" for every word; gives what the server answered
// for each (nullopt: no answer), asking once more alone for any word whose
// answer was missing or different, so that a misread cannot spoil the rest.
std::vector<std::optional<std::string>> server_hex(const MariaDbServer &server, const std::vector<StringCheck> &checks,
                                                   std::vector<std::string> &errors)
{
    std::string script;
    for (std::size_t n = 0; n < checks.size(); ++n) {
        script += "SELECT " + std::to_string(n) + ", HEX(" + checks[n].word + ");\n";
    }
    std::vector<std::optional<std::string>> answers(checks.size());
    const auto run = server.run_script(script);
    server.take_logged_statements();
    std::size_t start = 0;
    while (start < run.out.size()) {
        std::size_t end = run.out.find('\n', start);
        if (end == std::string::npos) {
            end = run.out.size();
        }
        const std::string line = run.out.substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos || line.find_first_not_of("0123456789") != tab || tab == 0) {
            continue;
        }
        const std::size_t n = std::stoul(line.substr(0, tab));
        if (n < answers.size() && !answers[n]) {
            answers[n] = line.substr(tab + 1);
        }
    }
    errors.assign(checks.size(), std::string());
    std::size_t asked_alone = 0;
    constexpr std::size_t kMostAskedAlone = 100; // a client run each
    for (std::size_t n = 0; n < checks.size(); ++n) {
        if (answers[n] && checks[n].readable && *answers[n] == checks[n].expected_hex) {
            continue;
        }
        if (asked_alone++ == kMostAskedAlone) {
            break;
        }
        // A row "0<tab>HEX" answers; an error leaves none (the client's
        // exit status tells nothing under --force).
        const auto alone = server.run_script("SELECT 0, HEX(" + checks[n].word + ");\n");
        server.take_logged_statements();
        std::string out = alone.out;
        while (!out.empty() && out.back() == '\n') {
            out.pop_back();
        }
        answers[n] = out.substr(0, 2) == "0\t" && out.find_first_not_of("0123456789ABCDEF", 2) == std::string::npos
                         ? std::optional<std::string>(out.substr(2))
                         : std::nullopt;
        errors[n] = alone.err;
    }
    return answers;
}

StringCheck string_check(const Word &word)
{
    StringCheck check{word.text, {}, false};
    if (const auto value = literal_value(word.text)) {
        check.expected_hex = hex(*value);
        check.readable = true;
    }
    return check;
}

std::string describe_string(const StringCheck &check, const std::optional<std::string> &answer,
                            const std::string &error)
{
    return "string word " + escaped(check.word) + ": decoded by MySQL's rules " +
           (check.readable ? "HEX " + check.expected_hex : std::string("(not one literal)")) +
           ", SELECT HEX(w) gave " + (answer ? "HEX " + *answer : "an error: " + error);
}

TEST_F(MariaDb, ReadsGeneratedLiteralsAsTheServerDoes)
{
    AccurateSplitter splitter;
    LiteralMaker maker(20260824);
    constexpr std::size_t kStatements = 60;

    struct Generated {
        std::string statement;
        std::vector<std::size_t> checks; // indexes of its string words
    };
    std::vector<Generated> generated;
    std::vector<StringCheck> checks;
    std::string script;
    std::vector<std::string> faults;
    for (std::size_t s = 0; s < kStatements; ++s) {
        Generated g;
        g.statement = "SELECT ";
        const unsigned literals = 1 + maker.pick(12);
        for (unsigned i = 0; i < literals; ++i) {
            g.statement += (i == 0 ? "" : maker.separator()) + maker.literal();
        }
        const std::vector<Statement> ours = splitter.cut(g.statement, faults);
        for (const Statement &statement : ours) {
            for (const Word &word : statement.words) {
                if (is_string_word(word)) {
                    g.checks.push_back(checks.size());
                    checks.push_back(string_check(word));
                }
            }
        }
        if (ours.size() != 1) {
            faults.push_back("cut into " + std::to_string(ours.size()) + " statements: " + escaped(g.statement));
        }
        // The server's columns: a number to find the row by, then the literals.
        script += "SELECT " + std::to_string(s) + ", " + g.statement.substr(7) + ";\n";
        generated.push_back(std::move(g));
    }

    // Columns the server returns per statement; batch output escapes tabs
    // inside values, so the tabs of a row separate its columns.
    std::vector<std::optional<std::size_t>> columns(kStatements);
    const auto run = server_->run_script(script);
    server_->take_logged_statements();
    std::size_t start = 0;
    while (start < run.out.size()) {
        std::size_t end = run.out.find('\n', start);
        if (end == std::string::npos) {
            end = run.out.size();
        }
        const std::string_view line = std::string_view(run.out).substr(start, end - start);
        start = end + 1;
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab == 0 || line.substr(0, tab).find_first_not_of("0123456789") !=
                                                             std::string_view::npos) {
            continue;
        }
        const std::size_t s = std::stoul(std::string(line.substr(0, tab)));
        if (s < kStatements && !columns[s]) {
            columns[s] = static_cast<std::size_t>(std::count(line.begin(), line.end(), '\t'));
        }
    }

    std::vector<std::string> errors;
    const auto answers = server_hex(*server_, checks, errors);
    Figures figures;
    figures.disagreements = faults;
    for (std::size_t s = 0; s < kStatements; ++s) {
        const Generated &g = generated[s];
        const std::size_t theirs = columns[s].value_or(0);
        figures.total += std::max(theirs, g.checks.size());
        if (!columns[s] || theirs != g.checks.size()) {
            std::string words;
            for (const std::size_t n : g.checks) {
                words += "    " + escaped(checks[n].word) + "\n";
            }
            figures.disagreements.push_back(
                "statement " + escaped(g.statement) + ": the server returns " +
                (columns[s] ? std::to_string(theirs) + " columns" : std::string("an error")) + ", we see " +
                std::to_string(g.checks.size()) + " string words:\n" + words);
            continue;
        }
        for (const std::size_t n : g.checks) {
            if (checks[n].readable && answers[n] && *answers[n] == checks[n].expected_hex) {
                ++figures.alike;
            } else {
                figures.disagreements.push_back("in " + escaped(g.statement) + ": " +
                                                describe_string(checks[n], answers[n], errors[n]));
            }
        }
    }
    report(figures, "generated literals", "strings agreeing", *server_);
}

TEST_F(MariaDb, ReadsTheStringsOfScriptsAndCorpusAsTheServerDoes)
{
    AccurateSplitter splitter;
    constexpr std::size_t kMostWords = 3000;
    constexpr std::size_t kLongestWord = 400;
    std::vector<std::string> texts;
    for (const Script &script : kScripts) {
        texts.push_back(without_crlf(script.text));
    }
    std::size_t left_out = 0;
    for (CorpusRecord &record : mysql_corpus(splitter, left_out)) {
        texts.push_back(std::move(record.text));
    }
    std::set<std::string> seen;
    std::vector<StringCheck> checks;
    std::vector<std::string> faults;
    for (const std::string &text : texts) {
        for (const Statement &statement : splitter.cut(text, faults)) {
            for (const Word &word : statement.words) {
                // N'..' is converted from the connection's latin1 to UTF-8,
                // so only ASCII ones come back as their bytes.
                const bool converted = (word.text[0] == 'N' || word.text[0] == 'n') &&
                                       std::any_of(word.text.begin(), word.text.end(),
                                                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
                // A backslash in X'..' or B'..' is a syntax error to the
                // server however the word is cut: nothing to compare.
                const bool unreadable = word.type == SPLT_WD_TYPE_BIT_STRING &&
                                        word.text.find('\\') != std::string::npos;
                if (checks.size() < kMostWords && is_string_word(word) && !converted && !unreadable &&
                    (word.mask & SPLT_WD_MASK_UNTERMINATED) == 0 && word.text.size() <= kLongestWord &&
                    seen.insert(word.text).second) {
                    checks.push_back(string_check(word));
                }
            }
        }
    }
    std::vector<std::string> errors;
    const auto answers = server_hex(*server_, checks, errors);
    Figures figures;
    figures.disagreements = faults;
    figures.total = checks.size();
    for (std::size_t n = 0; n < checks.size(); ++n) {
        if (checks[n].readable && answers[n] && *answers[n] == checks[n].expected_hex) {
            ++figures.alike;
        } else {
            figures.disagreements.push_back(describe_string(checks[n], answers[n], errors[n]));
        }
    }
    report(figures, "string words of the scripts and the corpus", "strings agreeing", *server_);
}

} // namespace
