// Rows of the accurate profile's tables and the checks every row gets.
//
// A row names the dialects it holds for, a statement and its words in a
// compact notation: the words that are not whitespace, joined by "·", each
// optionally followed by «type» (a name of spltwd::type_name) and "!" in it
// when the word is left open:
//
//     {MY, "SELECT 'O\\'Reilly' -- c", "SELECT·'O\\'Reilly'«string»·-- c«comment»"}
//     {ALL, "SELECT 'abc", "SELECT·'abc«string!»"}
//
// A word without "!" must not carry the unterminated bit.  Whitespace words
// are left out of the notation; every row checks instead that they are
// whole runs of whitespace bytes (never two in a row), that the words tile
// the statement, and that each word's mask is the one its type takes.
#ifndef SPLTWD_ACCURATE_ROWS_H
#define SPLTWD_ACCURATE_ROWS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "mirx_sql_splt_wd.h"
#include "spltwd.hpp"

namespace accurate_test {

// Sets of dialects, one bit each.
enum : unsigned { MY = 1, PG = 2, MSS = 4, ORA = 8, DB2 = 16, IFX = 32, GEN = 64, ALL = 127 };

struct DialectOf {
    unsigned bit;
    std::uint16_t code;
    const char* name;
};
inline constexpr DialectOf kDialects[] = {
    {MY, SPLT_WD_DIALECT_MYSQL, "mysql"},     {PG, SPLT_WD_DIALECT_POSTGRESQL, "postgresql"},
    {MSS, SPLT_WD_DIALECT_SQLSERVER, "sqlserver"}, {ORA, SPLT_WD_DIALECT_ORACLE, "oracle"},
    {DB2, SPLT_WD_DIALECT_DB2, "db2"},         {IFX, SPLT_WD_DIALECT_INFORMIX, "informix"},
    {GEN, 0, "generic"},
};

struct Row {
    unsigned dialects;
    std::string_view sql;
    std::string_view words;  // notation above; for split_first rows the pieces, joined by "·"
};

inline constexpr std::string_view kSeparator = "\xC2\xB7";  // ·
inline constexpr std::string_view kOpen = "\xC2\xAB";       // «
inline constexpr std::string_view kClose = "\xC2\xBB";      // »

struct Word {
    std::string text;
    std::uint16_t type = 0;
    std::uint16_t mask = 0;
    std::uint32_t start = 0, end = 0;
};

// The outcome of a split with the accurate profile.
struct Split {
    std::int32_t result = 0;
    std::vector<Word> words;
    std::uint32_t consumed = 0;  // spltwd_split_first only
};

class Context {
public:
    Context() : context_(spltwd_context_create()) {
        if (context_ == nullptr || spltwd_context_set_profile(context_, SPLTWD_PROFILE_ACCURATE) != 0) std::abort();
    }
    ~Context() { spltwd_context_destroy(context_); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    Split split(std::uint16_t dialect, std::string_view sql) { return run(dialect, sql, false); }
    Split split_first(std::uint16_t dialect, std::string_view sql) { return run(dialect, sql, true); }

private:
    Split run(std::uint16_t dialect, std::string_view sql, bool first) {
        // An exact heap copy, so that a read past the end is caught by the sanitizers.
        char* text = static_cast<char*>(std::malloc(sql.size() + 1));
        sql.copy(text, sql.size());
        SQL_SPLT_WD request{};
        request.dialect = dialect;
        request.sql_len = static_cast<std::uint32_t>(sql.size());
        request.sql_text = text;
        Split out;
        out.result = first ? spltwd_split_first(context_, &request, &out.consumed) : spltwd_split(context_, &request);
        if (out.result > 0) {
            spltwd_word_walk walk{0, 0};
            spltwd_word word;
            while (spltwd_next_word(request.sql_word, request.nSqlWordLen, &walk, &word) == 0)
                out.words.push_back({std::string(word.text, word.length), word.type, word.mask, word.start, word.end});
        }
        std::free(request.sql_word);
        std::free(text);
        return out;
    }

    spltwd_context* context_;
};

// Bytes as a C string literal would write them, for failure messages.
inline std::string Shown(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\f': out += "\\f"; break;
            case '\v': out += "\\v"; break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    static const char hex[] = "0123456789abcdef";
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

inline bool IsSpaceByte(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The words in the notation, every annotation given.
inline std::string Notation(const std::vector<Word>& words) {
    std::string out;
    for (const Word& word : words) {
        if (word.type == SPLT_WD_TYPE_SPACE) continue;
        if (!out.empty()) out += kSeparator;
        out += word.text;
        out += kOpen;
        out += spltwd::type_name(word.type);
        if (word.mask & SPLT_WD_MASK_UNTERMINATED) out += '!';
        out += kClose;
    }
    return out;
}

struct Expected {
    std::string text;
    std::string type;  // empty: not checked
    bool unterminated = false;
};

inline std::vector<std::string_view> Pieces(std::string_view notation) {
    std::vector<std::string_view> pieces;
    while (true) {
        const std::size_t at = notation.find(kSeparator);
        pieces.push_back(notation.substr(0, at));
        if (at == std::string_view::npos) return pieces;
        notation.remove_prefix(at + kSeparator.size());
    }
}

inline std::vector<Expected> Parse(std::string_view notation) {
    std::vector<Expected> words;
    for (std::string_view piece : Pieces(notation)) {
        Expected word;
        const std::size_t open = piece.rfind(kOpen);
        if (open != std::string_view::npos && piece.ends_with(kClose)) {
            std::string_view note = piece.substr(open + kOpen.size());
            note.remove_suffix(kClose.size());
            if (note.ends_with('!')) {
                word.unterminated = true;
                note.remove_suffix(1);
            }
            word.type = note;
            piece = piece.substr(0, open);
        }
        word.text = piece;
        words.push_back(std::move(word));
    }
    return words;
}

// The mask each word type takes in the accurate profile (keywords aside).
inline int MaskOfType(const Word& word) {
    switch (word.type) {
        case SPLT_WD_TYPE_SPACE: return 0x0028;
        case SPLT_WD_TYPE_STRING: case SPLT_WD_TYPE_DQ_STRING: case SPLT_WD_TYPE_BIT_STRING:
        case SPLT_WD_TYPE_DOLLAR_STRING: case SPLT_WD_TYPE_NUMBER: case SPLT_WD_TYPE_RPAREN: return 0x0010;
        case SPLT_WD_TYPE_COMMENT: case SPLT_WD_TYPE_AT_VARIABLE: case SPLT_WD_TYPE_ATAT_VARIABLE:
        case SPLT_WD_TYPE_BIND_VARIABLE: case SPLT_WD_TYPE_STAR: case SPLT_WD_TYPE_OTHER: return 0x0080;
        case SPLT_WD_TYPE_COMPARISON: return 0x0002;
        case SPLT_WD_TYPE_PIPE: return 0x0004;
        case SPLT_WD_TYPE_LPAREN: return 0x0040;
        case SPLT_WD_TYPE_COMMA: return 0x0304;
        case SPLT_WD_TYPE_NAME:
            return word.text.size() > 2 && (word.text[0] | 0x20) == 'u' && word.text[1] == '&' ? 0x0811 : 0x0011;
        default: return -1;
    }
}

// What every accurate split of a statement must give, whatever its words:
// a stream of words that tile the statement, with whole whitespace runs,
// the masks of their types, and the unterminated bit on the last word only.
// Returns the problems found, "" when none.
inline std::string Soundness(std::string_view sql, const Split& split) {
    std::string problems;
    const auto problem = [&](const std::string& what) { problems += "\n  " + what; };
    if (split.result <= 0) problem("result " + std::to_string(split.result));
    std::uint32_t at = 0;
    bool tiled = true;  // the first word that breaks the tiling is enough to show
    for (std::size_t i = 0; i < split.words.size(); ++i) {
        const Word& word = split.words[i];
        const std::string where = "word " + std::to_string(i) + " [" + Shown(word.text) + "]: ";
        if (word.text.empty()) problem(where + "empty");
        if (tiled && word.start != at) {
            problem(where + "starts at " + std::to_string(word.start) + ", not " + std::to_string(at));
            tiled = false;
        }
        if (tiled && (word.end > sql.size() || sql.substr(word.start, word.end - word.start) != word.text)) {
            problem(where + "is not the statement's bytes at its range");
            tiled = false;
        }
        at = word.end;
        if (word.type == SPLT_WD_TYPE_SPACE) {
            for (char c : word.text)
                if (!IsSpaceByte(c)) problem(where + "a space word with a byte that is not whitespace");
            if (i > 0 && split.words[i - 1].type == SPLT_WD_TYPE_SPACE) problem(where + "a second space word in a row");
        }
        const int mask = MaskOfType(word);
        if (mask >= 0 && (word.mask & ~SPLT_WD_MASK_UNTERMINATED) != mask)
            problem(where + "mask " + std::to_string(word.mask) + " for type " + std::string(spltwd::type_name(word.type)));
        if ((word.mask & SPLT_WD_MASK_UNTERMINATED) && i + 1 != split.words.size())
            problem(where + "unterminated but not the last word");
    }
    if (tiled && at != sql.size()) problem("the words end at " + std::to_string(at) + " of " + std::to_string(sql.size()));
    return problems;
}

// Differences between the words got and the notation, "" when none.
inline std::string Differences(const std::vector<Word>& got, std::string_view notation) {
    const std::vector<Expected> expected = Parse(notation);
    std::vector<const Word*> words;
    for (const Word& word : got)
        if (word.type != SPLT_WD_TYPE_SPACE) words.push_back(&word);
    bool same = words.size() == expected.size();
    for (std::size_t i = 0; same && i < words.size(); ++i) {
        const Word& word = *words[i];
        same = word.text == expected[i].text &&
               (expected[i].type.empty() || expected[i].type == spltwd::type_name(word.type)) &&
               ((word.mask & SPLT_WD_MASK_UNTERMINATED) != 0) == expected[i].unterminated;
    }
    if (same) return "";
    return "\n  expected: " + Shown(notation) + "\n  got:      " + Shown(Notation(got));
}

// Checks each row in each of its dialects.
inline void CheckRows(const std::vector<Row>& rows) {
    Context context;
    for (const Row& row : rows)
        for (const DialectOf& dialect : kDialects) {
            if (!(row.dialects & dialect.bit)) continue;
            const Split split = context.split(dialect.code, row.sql);
            const std::string problems = Soundness(row.sql, split) + Differences(split.words, row.words);
            if (!problems.empty()) ADD_FAILURE() << dialect.name << ": " << Shown(row.sql) << problems;
        }
}

}  // namespace accurate_test

#endif  // SPLTWD_ACCURATE_ROWS_H
