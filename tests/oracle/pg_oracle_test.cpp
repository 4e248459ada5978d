// The accurate profile's PostgreSQL words and statement cuts, checked
// against PostgreSQL's own scanner (libpg_query): pg_query_scan gives every
// token with its byte range, pg_query_split_with_scanner the statements of a
// script.  Statements come from a table of tricky ones (and scripts built
// from them), from the generated PostgreSQL corpus and from the PostgreSQL
// records of the shared corpus when that folder is there.
//
// Each test prints its figures on a line that starts with "pg-oracle:":
//     ./build/tests/oracle/pg_oracle_tests | grep pg-oracle:
// A failure lists the first disagreements, each with the input and both
// sides' byte ranges; PG_ORACLE_REPORTS=N lists up to N.
#include <pg_query.h>
#include <pg_query/pg_query.pb-c.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "corpus_files.h"
#include "corpus_reader.h"
#include "mirx_sql_splt_wd.h"

namespace {

bool library_used = false;  // whether the scanner library was called


constexpr std::uint16_t kPostgres = SPLT_WD_DIALECT_POSTGRESQL;
constexpr std::size_t kReportedDisagreements = 12;

// ---------------------------------------------------------------------------
// Our side: the accurate words of a statement, the statements of a script.

struct OurWord {
    std::uint32_t start, end;
    std::uint16_t type, mask;
};

class Splitter {
public:
    Splitter() : context_(spltwd_context_create()) {
        if (context_ == nullptr || spltwd_context_set_profile(context_, SPLTWD_PROFILE_ACCURATE) != 0) std::abort();
    }
    ~Splitter() { spltwd_context_destroy(context_); }
    Splitter(const Splitter&) = delete;
    Splitter& operator=(const Splitter&) = delete;

    // The words of `sql`, which must hold every byte once, in order; what
    // breaks that goes to `fault`.
    std::vector<OurWord> words(std::string_view sql, std::string& fault) {
        SQL_SPLT_WD request = make_request(sql);
        const std::int32_t result = spltwd_split(context_, &request);
        std::vector<OurWord> words;
        if (result < 0) {
            fault = "spltwd_split returned " + std::to_string(result);
            return words;
        }
        const std::uint32_t covered = walk(sql, request, words, fault);
        std::free(request.sql_word);
        if (fault.empty() && covered != sql.size())
            fault = "the words cover " + std::to_string(covered) + " of " + std::to_string(sql.size()) + " bytes";
        return words;
    }

    struct Statement {
        std::uint32_t start, end;
        friend bool operator==(const Statement&, const Statement&) = default;
    };

    // The statements of a script as spltwd_split_first cuts it, each
    // without its ";".
    std::vector<Statement> statements(std::string_view script, std::string& fault) {
        std::vector<Statement> statements;
        std::uint32_t offset = 0;
        while (offset < script.size() && fault.empty()) {
            const std::string_view rest = script.substr(offset);
            SQL_SPLT_WD request = make_request(rest);
            std::uint32_t consumed = 0;
            const std::int32_t result = spltwd_split_first(context_, &request, &consumed);
            std::vector<OurWord> words;
            const std::uint32_t covered = result < 0 ? 0 : walk(rest, request, words, fault);
            std::free(request.sql_word);
            if (result < 0) fault = "spltwd_split_first returned " + std::to_string(result);
            const bool cut = covered + 1 == consumed && rest[covered] == ';';
            if (fault.empty() && (consumed == 0 || (covered != consumed && !cut)))
                fault = "spltwd_split_first at byte " + std::to_string(offset) + " consumed " +
                        std::to_string(consumed) + " bytes, its words cover " + std::to_string(covered);
            if (!fault.empty()) break;
            statements.push_back({offset, offset + covered});
            offset += consumed;
        }
        return statements;
    }

private:
    static SQL_SPLT_WD make_request(std::string_view sql) {
        SQL_SPLT_WD request{};
        request.dialect = kPostgres;
        request.sql_len = static_cast<std::uint32_t>(sql.size());
        request.sql_text = const_cast<char*>(sql.data());
        return request;
    }

    // Appends the words of the request's stream; returns the bytes they cover.
    static std::uint32_t walk(std::string_view sql, const SQL_SPLT_WD& request, std::vector<OurWord>& words,
                              std::string& fault) {
        spltwd_word_walk walk{};
        spltwd_word word{};
        while (request.sql_word != nullptr &&
               spltwd_next_word(request.sql_word, request.nSqlWordLen, &walk, &word) == 0) {
            if (word.end > sql.size() || sql.substr(word.start, word.length) != std::string_view(word.text, word.length)) {
                if (fault.empty()) fault = "a word's bytes differ from the statement's at byte " + std::to_string(word.start);
                break;
            }
            words.push_back({word.start, word.end, word.type, word.mask});
        }
        return walk.offset;
    }

    spltwd_context* context_;
};

// ---------------------------------------------------------------------------
// PostgreSQL's side.

struct Token {
    int kind;  // PgQuery__Token
    std::uint32_t start, end;
    bool keyword;
};

const char* kind_name(int kind) {
    const ProtobufCEnumValue* value = protobuf_c_enum_descriptor_get_value(&pg_query__token__descriptor, kind);
    return value != nullptr ? value->name : nullptr;
}

void join_strings_across_comments(std::string_view sql, std::vector<Token>& tokens);

// Whether the bytes between two strings join them into one: blanks and
// line comments, a line break, then whitespace and line comments that each
// end with a line break (the server's whitespace_with_newline).
bool joins_strings(std::string_view gap) {
    bool broken = false;  // a line break seen
    for (std::size_t i = 0; i < gap.size();) {
        if (gap.substr(i, 2) == "--") {
            const std::size_t end = gap.find_first_of("\n\r", i);
            if (end == std::string_view::npos) return false;
            i = end;
            if (broken) ++i;  // a comment after the break takes its own line break
        } else if (gap[i] == '\n' || gap[i] == '\r') {
            broken = true;
            ++i;
        } else if (gap[i] == ' ' || gap[i] == '\t' || gap[i] == '\f') {
            ++i;
        } else {
            return false;
        }
    }
    return broken;
}

// The tokens of `sql`, or nothing when the scanner rejects it.  Two of the
// scanner's tokens are put the way the server reads them:
// - N'..' comes back as the keyword NCHAR and a string straight after it
//   (NATIONAL CHARACTER '..'); it is one string to the server and to us.
// - The server reads 'a' -- c LF 'b' (and 'a' LF -- c LF 'b') as one string
//   'ab': line comments count as whitespace between two strings.  This
//   scanner gives its line comments as tokens and so two strings there.
std::optional<std::vector<Token>> scan(const std::string& sql) {
    library_used = true;
    const PgQueryScanResult result = pg_query_scan(sql.c_str());
    std::optional<std::vector<Token>> tokens;
    if (result.error == nullptr) {
        PgQuery__ScanResult* scanned = pg_query__scan_result__unpack(
            nullptr, result.pbuf.len, reinterpret_cast<const std::uint8_t*>(result.pbuf.data));
        if (scanned != nullptr) {
            tokens.emplace();
            for (std::size_t i = 0; i < scanned->n_tokens; ++i) {
                const PgQuery__ScanToken& t = *scanned->tokens[i];
                const Token token{t.token, static_cast<std::uint32_t>(t.start), static_cast<std::uint32_t>(t.end),
                                  t.keyword_kind != PG_QUERY__KEYWORD_KIND__NO_KEYWORD};
                if (token.kind == PG_QUERY__TOKEN__SCONST && !tokens->empty() &&
                    tokens->back().kind == PG_QUERY__TOKEN__NCHAR && tokens->back().end == token.start)
                    tokens->back() = {PG_QUERY__TOKEN__SCONST, tokens->back().start, token.end, false};
                else
                    tokens->push_back(token);
            }
            pg_query__scan_result__free_unpacked(scanned, nullptr);
        }
    }
    pg_query_free_scan_result(result);
    if (tokens) join_strings_across_comments(sql, *tokens);
    return tokens;
}

void join_strings_across_comments(std::string_view sql, std::vector<Token>& tokens) {
    std::vector<Token> joined;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        Token token = tokens[i];
        const bool joinable = token.kind == PG_QUERY__TOKEN__SCONST || token.kind == PG_QUERY__TOKEN__BCONST ||
                              token.kind == PG_QUERY__TOKEN__XCONST;
        while (joinable && sql[token.start] != '$') {
            std::size_t next = i + 1;
            while (next < tokens.size() && tokens[next].kind == PG_QUERY__TOKEN__SQL_COMMENT) ++next;
            if (next == i + 1 || next == tokens.size() || tokens[next].kind != PG_QUERY__TOKEN__SCONST ||
                sql[tokens[next].start] != '\'' || !joins_strings(sql.substr(token.end, tokens[next].start - token.end)))
                break;
            token.end = tokens[next].end;
            i = next;
        }
        joined.push_back(token);
    }
    tokens = std::move(joined);
}

// The statements of a script as pg_query_split_with_scanner gives them.
// Each runs from the byte after the ";" that ended the one before (so the
// whitespace and comments between two statements belong to the second) to
// the byte before its own ";" or the end, which is how Splitter::statements
// gives ours.  A piece with no keyword token in it is left out (whitespace
// and comments, but also "a b"), and compare_cuts leaves out ours alike.
// A ";" inside parentheses does not cut (CREATE RULE .. (a; b) is one
// statement).
std::optional<std::vector<Splitter::Statement>> oracle_statements(const std::string& script) {
    library_used = true;
    const PgQuerySplitResult result = pg_query_split_with_scanner(script.c_str());
    std::optional<std::vector<Splitter::Statement>> statements;
    if (result.error == nullptr) {
        statements.emplace();
        for (int i = 0; i < result.n_stmts; ++i) {
            const auto start = static_cast<std::uint32_t>(result.stmts[i]->stmt_location);
            statements->push_back({start, start + static_cast<std::uint32_t>(result.stmts[i]->stmt_len)});
        }
    }
    pg_query_free_split_result(result);
    return statements;
}

// The library's memory is released at the end, once it was used: its exit
// call crashes in a process that never called it.
class PgQueryEnvironment : public testing::Environment {
public:
    void TearDown() override {
        if (library_used) pg_query_exit();
    }
};
const testing::Environment* const kPgQueryEnvironment = testing::AddGlobalTestEnvironment(new PgQueryEnvironment);

// ---------------------------------------------------------------------------
// Comparing.

// Bytes as C escapes, so that reports show every byte.
std::string escaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (byte < 0x20 || byte >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        } else out += c;
    }
    return out;
}

// The statement whole when it is short, else the bytes around [from, to).
std::string excerpt(std::string_view sql, std::uint32_t from, std::uint32_t to) {
    constexpr std::uint32_t kWhole = 240, kAround = 80;
    std::ostringstream out;
    if (sql.size() <= kWhole) {
        out << '"' << escaped(sql) << '"';
        return out.str();
    }
    const std::uint32_t first = from > kAround ? from - kAround : 0;
    const std::uint32_t last = std::min<std::uint32_t>(static_cast<std::uint32_t>(sql.size()), to + kAround);
    out << "bytes " << first << ".." << last << " of " << sql.size() << ": \"" << escaped(sql.substr(first, last - first))
        << '"';
    return out.str();
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// The word type a token of these kinds must have; 0 for the names,
// keywords and operators, whose ranges alone are compared.
std::uint16_t literal_type(const Token& token, std::string_view sql) {
    switch (token.kind) {
        case PG_QUERY__TOKEN__SCONST:
            return sql[token.start] == '$' ? SPLT_WD_TYPE_DOLLAR_STRING : SPLT_WD_TYPE_STRING;
        case PG_QUERY__TOKEN__USCONST: return SPLT_WD_TYPE_STRING;
        case PG_QUERY__TOKEN__BCONST:
        case PG_QUERY__TOKEN__XCONST: return SPLT_WD_TYPE_BIT_STRING;
        case PG_QUERY__TOKEN__IDENT: return sql[token.start] == '"' ? SPLT_WD_TYPE_NAME : 0;
        case PG_QUERY__TOKEN__UIDENT: return SPLT_WD_TYPE_NAME;
        case PG_QUERY__TOKEN__SQL_COMMENT:
        case PG_QUERY__TOKEN__C_COMMENT: return SPLT_WD_TYPE_COMMENT;
        case PG_QUERY__TOKEN__PARAM: return SPLT_WD_TYPE_BIND_VARIABLE;
        case PG_QUERY__TOKEN__ICONST:
        case PG_QUERY__TOKEN__FCONST: return SPLT_WD_TYPE_NUMBER;
        default: return 0;
    }
}

struct Figures {
    std::size_t literals = 0, literals_agreeing = 0;  // strings, quoted names, comments, parameters, numbers
    std::size_t others = 0, others_agreeing = 0;      // names, keywords, operators, punctuation
    std::size_t statements = 0, statements_rejected = 0;
    std::size_t scripts = 0, scripts_alike = 0, scripts_rejected = 0;
    std::size_t disagreements = 0;
    std::vector<std::string> reports;
    std::string first_rejected;  // a statement the scanner rejects

    void disagree(std::string report) {
        static const std::size_t reported = [] {
            const char* value = std::getenv("PG_ORACLE_REPORTS");
            return value != nullptr ? std::strtoul(value, nullptr, 10) : kReportedDisagreements;
        }();
        if (disagreements++ < reported) reports.push_back(std::move(report));
    }
};

// Does our word starting where the token starts end where it ends?
//
// For U&'..' and U&".." this scanner reports the start only: the end it
// gives is that of the last piece its rules matched (U&"x" comes back as
// [0,1), U&'x' as [0,0)).  There the check is that our word ends on the
// closing quote and only whitespace follows it up to the next token.
bool agrees(const Token& token, std::uint32_t next_start, std::string_view sql, const std::vector<OurWord>& words,
            std::uint16_t type) {
    const auto word = std::lower_bound(words.begin(), words.end(), token.start,
                                       [](const OurWord& w, std::uint32_t start) { return w.start < start; });
    if (word == words.end() || word->start != token.start) return false;
    if (type != 0) {
        if (word->type != type || (word->mask & SPLT_WD_MASK_UNTERMINATED) != 0) return false;
        if (token.kind == PG_QUERY__TOKEN__UIDENT && word->mask != (0x0011 | SPLT_WD_MASK_UNICODE_ESCAPE)) return false;
    }
    if (token.kind != PG_QUERY__TOKEN__USCONST && token.kind != PG_QUERY__TOKEN__UIDENT) return word->end == token.end;
    const char quote = token.kind == PG_QUERY__TOKEN__USCONST ? '\'' : '"';
    return word->end <= next_start && word->end > word->start + 3 && sql[word->end - 1] == quote &&
           std::all_of(sql.begin() + word->end, sql.begin() + next_start, is_space);
}

std::string describe_words(const std::vector<OurWord>& words, std::uint32_t from, std::uint32_t to) {
    std::ostringstream out;
    const char* separator = "";
    for (const OurWord& w : words) {
        if (w.end <= from) continue;
        if (w.start >= std::max(to, from + 1)) break;
        out << separator << "[" << w.start << "," << w.end << ") type " << w.type << " mask 0x" << std::hex
            << w.mask << std::dec;
        separator = ", ";
    }
    return out.str();
}

// Compares the tokens of one statement with our words; `where` names the
// statement in reports.
void compare_tokens(Splitter& splitter, const std::string& sql, const std::string& where, Figures& figures) {
    if (sql.empty()) return;
    ++figures.statements;
    const std::optional<std::vector<Token>> tokens =
        sql.find('\0') == std::string::npos ? scan(sql) : std::nullopt;
    if (!tokens) {
        if (figures.statements_rejected++ == 0) figures.first_rejected = where + ": " + excerpt(sql, 0, 0);
        return;
    }
    std::string fault;
    const std::vector<OurWord> words = splitter.words(sql, fault);
    if (!fault.empty()) {
        figures.disagree(where + ": " + fault + " in " + excerpt(sql, 0, 0));
        return;
    }
    for (std::size_t i = 0; i < tokens->size(); ++i) {
        const Token& token = (*tokens)[i];
        const char* name = kind_name(token.kind);
        if (name == nullptr) continue;  // a byte this scanner has no token for (such as a vertical tab)
        const std::uint32_t next_start =
            i + 1 < tokens->size() ? (*tokens)[i + 1].start : static_cast<std::uint32_t>(sql.size());
        const std::uint16_t type = literal_type(token, sql);
        const bool literal = type != 0;
        const bool agreeing = agrees(token, next_start, sql, words, type);
        (literal ? figures.literals : figures.others) += 1;
        (literal ? figures.literals_agreeing : figures.others_agreeing) += agreeing ? 1 : 0;
        if (agreeing) continue;
        std::ostringstream report;
        report << where << ": PostgreSQL " << name << " [" << token.start << "," << token.end << ") \""
               << escaped(std::string_view(sql).substr(token.start, token.end - token.start)) << "\""
               << (type != 0 ? " (want type " + std::to_string(type) + ")" : "") << ", ours "
               << describe_words(words, token.start, token.end) << " in " << excerpt(sql, token.start, token.end);
        figures.disagree(report.str());
    }
}

std::string describe_statements(const std::vector<Splitter::Statement>& statements) {
    std::ostringstream out;
    for (const auto& s : statements) out << "[" << s.start << "," << s.end << ")";
    return out.str();
}

// Whether the parentheses of a script pair up; where they do not, the
// scanner's splitter loses statements ("x ); SELECT 2" gives none).
bool balanced(const std::vector<Token>& tokens) {
    int depth = 0;
    for (const Token& token : tokens) {
        depth += token.kind == PG_QUERY__TOKEN__ASCII_40 ? 1 : token.kind == PG_QUERY__TOKEN__ASCII_41 ? -1 : 0;
        if (depth < 0) return false;
    }
    return depth == 0;
}

void compare_cuts(Splitter& splitter, const std::string& script, const std::string& where, Figures& figures) {
    if (script.empty()) return;
    ++figures.scripts;
    const bool readable = script.find('\0') == std::string::npos;
    const std::optional<std::vector<Token>> tokens = readable ? scan(script) : std::nullopt;
    const std::optional<std::vector<Splitter::Statement>> theirs =
        tokens && balanced(*tokens) ? oracle_statements(script) : std::nullopt;
    if (!theirs) {
        ++figures.scripts_rejected;
        return;
    }
    std::string fault;
    std::vector<Splitter::Statement> ours = splitter.statements(script, fault);
    std::erase_if(ours, [&](const Splitter::Statement& statement) {
        return std::none_of(tokens->begin(), tokens->end(), [&](const Token& token) {
            return token.keyword && token.start >= statement.start && token.end <= statement.end;
        });
    });
    if (fault.empty() && ours == *theirs) {
        ++figures.scripts_alike;
        return;
    }
    std::size_t first = 0;
    while (first < ours.size() && first < theirs->size() && ours[first] == (*theirs)[first]) ++first;
    const std::uint32_t at = first < theirs->size() ? (*theirs)[first].start : first < ours.size() ? ours[first].start : 0;
    figures.disagree(where + ": script cut by PostgreSQL into " + describe_statements(*theirs) + ", by us into " +
                     (fault.empty() ? describe_statements(ours) : fault) + ", " + excerpt(script, at, at + 1));
}

// Prints and records the figures; fails on any disagreement.
void conclude(const std::string& source, const Figures& f) {
    const std::size_t compared = f.literals + f.others, agreeing = f.literals_agreeing + f.others_agreeing;
    std::ostringstream line;
    line << "pg-oracle: " << source << ": tokens " << agreeing << "/" << compared << " agree (strings, quoted names, "
         << "comments, parameters, numbers " << f.literals_agreeing << "/" << f.literals << "; names, keywords, "
         << "operators " << f.others_agreeing << "/" << f.others << "); scripts cut alike " << f.scripts_alike << "/"
         << (f.scripts - f.scripts_rejected) << "; left out as the scanner rejects them: " << f.statements_rejected
         << " of " << f.statements << " statements, " << f.scripts_rejected << " of " << f.scripts
         << " scripts (or their parentheses do not pair up)";
    std::cout << line.str() << std::endl;
    testing::Test::RecordProperty("tokens_agreeing", std::to_string(agreeing));
    testing::Test::RecordProperty("tokens_compared", std::to_string(compared));
    testing::Test::RecordProperty("scripts_cut_alike", std::to_string(f.scripts_alike));
    testing::Test::RecordProperty("scripts_compared", std::to_string(f.scripts - f.scripts_rejected));
    std::ostringstream reports;
    for (const std::string& report : f.reports) reports << "\n  " << report;
    if (f.disagreements > f.reports.size()) reports << "\n  ... " << f.disagreements - f.reports.size() << " more";
    EXPECT_EQ(f.disagreements, 0u) << source << ":" << reports.str();
}

// Scripts of `count` statements joined by separators that put comments,
// empty statements and line breaks between them.
std::vector<std::string> joined_scripts(const std::vector<std::string>& statements, std::size_t count) {
    static const char* const kSeparators[] = {";", ";\n", " ; -- c;\n", ";;", "; /* x; y */ ", "\n;\n", ";\t;  "};
    std::vector<std::string> scripts;
    std::size_t used = 0;
    for (std::size_t first = 0; first < statements.size(); first += count) {
        std::string script;
        for (std::size_t i = first; i < std::min(first + count, statements.size()); ++i) {
            if (i > first) script += kSeparators[used++ % std::size(kSeparators)];
            script += statements[i];
        }
        scripts.push_back(std::move(script));
    }
    return scripts;
}

// Checks statements and scripts of one source.
Figures check(const std::vector<std::string>& statements, const std::string& source) {
    Splitter splitter;
    Figures figures;
    std::vector<std::string> accepted;
    for (std::size_t i = 0; i < statements.size(); ++i) {
        const std::string where = source + " #" + std::to_string(i);
        const std::size_t rejected = figures.statements_rejected;
        compare_tokens(splitter, statements[i], where, figures);
        compare_cuts(splitter, statements[i], where, figures);
        if (figures.statements_rejected == rejected && !statements[i].empty()) accepted.push_back(statements[i]);
    }
    for (std::size_t count : {2, 5}) {
        const std::vector<std::string> scripts = joined_scripts(accepted, count);
        for (std::size_t i = 0; i < scripts.size(); ++i)
            compare_cuts(splitter, scripts[i], source + " script " + std::to_string(count) + "x#" + std::to_string(i),
                         figures);
    }
    return figures;
}

std::vector<std::string> postgres_records(const corpus::File& file) {
    std::vector<std::string> statements;
    for (corpus::Record& record : corpus::ReadFile(file.path))
        if (record.dialect == kPostgres) statements.push_back(std::move(record.text));
    return statements;
}

// ---------------------------------------------------------------------------
// The statements.

// What PostgreSQL reads in its own way.  Left out, as this scanner
// (PostgreSQL 15) rejects them as "trailing junk": 1e, 1abc, 0x1F, 1_000,
// $1a.
const std::vector<std::string> kTricky = {
    "SELECT /* a /* b */ c */ 1",
    "SELECT 1 /* /*/ x */ */, 2 /*/ y */, 3 /**/, 4 /*** ***/",
    "SELECT $outer$ a $inner$x;y$inner$ b $outer$ AS body",
    "SELECT $$a;b$$, $a$$$a$, $_x1$ $ $$ $_x1$, $A$ $a$ $A$, $tag$ $ta$ $tag $tag$",
    "SELECT 'C:\\', 'it''s', '', ''''",
    "SELECT E'\\'', e'a\\\\b', E'\\\\', E'x\\';'",
    "SELECT 'a'\n'b', 'c' \n\t 'd', 'e'  'f'",
    "SELECT 'a'\r\n'b', E'x' \n 'y', 'p'\n-- c\n'q', 'r'\n/* c */\n's'",
    "SELECT 'a' -- c\n'b', E'\\'' -- d\n\n-- e\n'f', X'1' --\n'2', 'g' -- h\n/* i */ 'j'",
    "SELECT U&\"x\", U&'d\\0061t', U&'d!0061t' UESCAPE '!', u&\"a\"\"b\" FROM t",
    "SELECT N'x', n'y', X'1F', x'', B'0101', b'1'",
    "SELECT a @> b, j ->> 'k', j #>> '{a}', x <@ y, a <-> b, a && b, a || b, a ## b",
    "SELECT 1 =-1, 2 <>-2, a+-b, a*-b, a @- b, a !~~ b, a ~* 'x', @ -5, |/ 25, a!=-1",
    "SELECT 1--1\n, 2 */* c */ 3, 4 <-- c\n, a+/* c */b, 5 -/**/ 6",
    "SELECT 1::int, '1'::text, x::\"T\", a[1:2], (x).y, t.*, f(a := 1, b => 2), 1..2",
    "SELECT $1, $2 + $10, $1::int FROM t WHERE a = $3",
    "SELECT a$b, _x$1$, t$ FROM s$.t$$",
    "SELECT 1., .5e3, 1.5E-3, 1e10, 1E+5, 42, 0.0, 00012, 1.e5",
    "SELECT \"a\"\"b\", \"sel;ect\", \"--x\", \"/*\" FROM \"T\"\"\"",
    "SELECT caf\xC3\xA9, \"\xC3\xBC\" FROM \xC3\xB1 WHERE x = '\xE2\x82\xAC'",
    "SELECT * FROM t WHERE a != b AND c<>d AND e>=f AND g<=h AND i=j",
    "SELECT 'x' -- trailing comment",
    "SELECT 1 /* closed */ -- a /* b\n",
    "\t SELECT\f1\r\n",
    "CREATE FUNCTION f() RETURNS int AS $body$ BEGIN RETURN 1; END $body$ LANGUAGE plpgsql",
    "DO $$ BEGIN RAISE NOTICE 'a;b'; END $$",
    "SELECT 'don''t;' ; SELECT 2",
    "CREATE RULE r AS ON INSERT TO t DO ALSO (INSERT INTO u VALUES (1); NOTIFY t)",
    "SELECT 'a'\n\n'b', B'1'\n'0', U&'a'\n'b', E'a\\\nb', 'c'\n\f'd'",
    "SELECT x$y$ z$y$, a$ $b$ q $b$, \xC3\xB1" "1$x",
    "SELECT -1, +1, - -1, 1-1, 1+-+1, a #- '{a}', a ?| b, a ?& b, a @@ b, a=>b, a<=>b, a<-b, a||-b",
    "SELECT 1 -- a\r\n, 2 -- b\r, 3 /* c */* 4",
};

TEST(PgOracle, TrickyStatements) {
    const Figures figures = check(kTricky, "tricky");
    EXPECT_EQ(figures.statements_rejected, 0u)
        << "every statement of the table must be one the scanner reads, not " << figures.first_rejected;
    conclude("tricky", figures);
}

TEST(PgOracle, GeneratedCorpus) {
    for (const corpus::File& file : corpus::kFiles)
        if (std::string_view(file.name) == "generated/postgresql") {
            const std::vector<std::string> statements = postgres_records(file);
            ASSERT_FALSE(statements.empty());
            conclude(file.name, check(statements, file.name));
            return;
        }
    FAIL() << "no generated PostgreSQL corpus";
}

TEST(PgOracle, SharedCorpus) {
    bool any = false;
    for (const corpus::File& file : corpus::kFiles) {
        if (std::string_view(file.name).starts_with("generated/")) continue;
        const std::vector<std::string> statements = postgres_records(file);
        if (statements.empty()) continue;
        any = true;
        conclude(file.name, check(statements, file.name));
    }
    if (!any) std::cout << "pg-oracle: no PostgreSQL records in a shared corpus folder" << std::endl;
}

}  // namespace
