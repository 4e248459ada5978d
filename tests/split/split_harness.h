// Runs Zoz_SQL_Split_Word the way a caller does and checks what every split
// must satisfy, so that each table row only states what is particular to it.
#ifndef SPLIT_HARNESS_H
#define SPLIT_HARNESS_H

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "mirx_sql_splt_wd.h"

namespace split_test {

// Dialect codes, short enough to keep table rows on one line.
enum Dialect : std::uint16_t {
    GEN = 0,  // any code outside the dialect table
    ORA = SPLT_WD_DIALECT_ORACLE,
    MSS = SPLT_WD_DIALECT_SQLSERVER,
    DB2 = SPLT_WD_DIALECT_DB2,
    MY = SPLT_WD_DIALECT_MYSQL,
    PG = SPLT_WD_DIALECT_POSTGRESQL,
    IFX = SPLT_WD_DIALECT_INFORMIX,
};

inline constexpr std::uint16_t kAllDialects[] = {GEN, ORA, MSS, DB2, MY, PG, IFX};

struct Word {
    std::string text;
    std::uint16_t type;
    std::uint16_t mask;
    friend bool operator==(const Word&, const Word&) = default;
};
void PrintTo(const Word& word, std::ostream* os);

using Words = std::vector<Word>;
Words operator+(Words head, const Words& tail);

// Words that recur in every table.
inline const Word SP{" ", SPLT_WD_TYPE_SPACE, 0x0028};
inline const Word COMMA{",", SPLT_WD_TYPE_COMMA, 0x0304};
inline const Word GBK_COMMA{"\xA3\xAC", SPLT_WD_TYPE_COMMA, 0x0304};
inline const Word FROM{"FROM", SPLT_WD_TYPE_FROM, 0x0104};
inline const Word SEL{"SELECT", SPLT_WD_TYPE_SELECT, 0x0080};
inline const Word SEL_ORA{"SELECT", SPLT_WD_TYPE_SELECT, 0x0200};
inline const Word LP{"(", SPLT_WD_TYPE_LPAREN, 0x0040};
inline const Word RP{")", SPLT_WD_TYPE_RPAREN, 0x0010};
inline const Word STAR{"*", SPLT_WD_TYPE_STAR, 0x0080};
inline const Word PIPE{"|", SPLT_WD_TYPE_PIPE, 0x0004};
inline const Word NULL_WORD{"NULL", SPLT_WD_TYPE_KEYWORD, 0x0090};

inline Word oth(std::string t) { return {std::move(t), SPLT_WD_TYPE_OTHER, 0x0080}; }
inline Word nm(std::string t) { return {std::move(t), SPLT_WD_TYPE_NAME, 0x0011}; }
inline Word cast(std::string t) { return {std::move(t), SPLT_WD_TYPE_NAME, 0x0411}; }
inline Word num(std::string t) { return {std::move(t), SPLT_WD_TYPE_NUMBER, 0x0010}; }
inline Word cmp(std::string t) { return {std::move(t), SPLT_WD_TYPE_COMPARISON, 0x0002}; }
inline Word kw(std::string t) { return {std::move(t), SPLT_WD_TYPE_KEYWORD, 0x0080}; }
inline Word sel_kw(std::string t) { return {std::move(t), SPLT_WD_TYPE_KEYWORD, 0x0280}; }
inline Word str(std::string t) { return {std::move(t), SPLT_WD_TYPE_STRING, 0x0010}; }
inline Word dq(std::string t) { return {std::move(t), SPLT_WD_TYPE_DQ_STRING, 0x0010}; }
inline Word cmt(std::string t) { return {std::move(t), SPLT_WD_TYPE_COMMENT, 0x0080}; }
inline Word stn(std::string t) { return {std::move(t), SPLT_WD_TYPE_STAR_NAME, 0x0080}; }
inline Word dollar(std::string t) { return {std::move(t), SPLT_WD_TYPE_DOLLAR_STRING, 0x0010}; }
inline Word bits(std::string t) { return {std::move(t), SPLT_WD_TYPE_BIT_STRING, 0x0010}; }

// A double-quoted word as the given dialect records it: a name in Oracle,
// SQL Server and DB2, a double-quoted string in every other dialect.
Word quoted(std::uint16_t dialect, std::string text);

// One catch-all word per byte of `bytes`.
Words others(std::string_view bytes);

// Every check that holds for any split; returns a description of each
// violation, or an empty string.  `before` is the request as it was handed
// in.  `visit`, when given, sees every record of a returned stream in order.
std::string request_faults(const SQL_SPLT_WD& before, const SQL_SPLT_WD& after, std::int32_t result,
                           const std::function<void(const Word&)>& visit = {});

// A request as a careful caller prepares it, with recognisable values in the
// output fields so that the checks see whether the call wrote them.
SQL_SPLT_WD fresh_request(std::uint16_t dialect, std::string_view sql);

struct Outcome {
    std::int32_t result = 0;
    Words words;
    bool have_star = false;
    std::uint32_t longest = 0;
    std::string out;     // what the split printed on standard output
    std::string faults;  // violations found by request_faults
};

// Splits `sql` with `dialect`, capturing standard output, and releases the stream.
Outcome split(std::uint16_t dialect, std::string_view sql);

// The debug lines that the rules recording `words` print, in order.
std::string debug_lines_of(std::uint16_t dialect, const Words& words);

// The split result that belongs to a word list: the stream length, or 0.
std::int32_t stream_length_of(const Words& words);

inline constexpr std::int32_t kWords = std::numeric_limits<std::int32_t>::max();

// One table row.  With result kWords the split must succeed with exactly
// `words` (or return 0 when there are none), and print the debug lines of
// those words unless `out` says otherwise.  A negative result must come with
// no words; its output is checked only when `out` is given.
struct Case {
    std::uint16_t dialect;
    std::string sql;
    Words words;
    std::int32_t result = kWords;
    std::optional<std::string> out = std::nullopt;
};
void PrintTo(const Case& c, std::ostream* os);

using Cases = std::vector<Case>;
Cases operator+(Cases head, const Cases& tail);

// The same statement and words in several dialects.
Cases in_dialects(std::initializer_list<std::uint16_t> dialects, const std::string& sql, const Words& words,
                  std::int32_t result = kWords);

void expect_case(const Case& c);

// Test names for parameterised tables: the row number and a readable part of the statement.
std::string case_name(const testing::TestParamInfo<Case>& info);

}  // namespace split_test

#endif  // SPLIT_HARNESS_H
