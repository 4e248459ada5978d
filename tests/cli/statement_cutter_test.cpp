// Where the cutter cuts, in each dialect, whatever window it starts with;
// the words it returns; and the statements too long to cut.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "statement_cutter.h"

namespace cli_test {
namespace {

using sqlsplit::CutStatement;
using sqlsplit::CutWord;
using sqlsplit::StatementCutter;

struct ContextDeleter {
    void operator()(spltwd_context *context) const { spltwd_context_destroy(context); }
};
using Context = std::unique_ptr<spltwd_context, ContextDeleter>;

struct Word {
    std::string text;
    std::uint16_t type;
    std::uint16_t mask;
    bool operator==(const Word &) const = default;
};

std::vector<Word> copy_words(StatementCutter &cutter)
{
    std::vector<Word> copies;
    cutter.each_word([&](const CutWord &word) { copies.push_back({std::string(word.text), word.type, word.mask}); });
    return copies;
}

// The words of the text split on its own, as the cut statement's words must be.
std::vector<Word> words_split_alone(spltwd_context *context, std::uint16_t dialect, std::string_view text,
                                    std::int32_t &result)
{
    SQL_SPLT_WD request{};
    request.dialect = dialect;
    request.sql_len = static_cast<std::uint32_t>(text.size());
    request.sql_text = const_cast<char *>(text.data());
    result = spltwd_split(context, &request);
    std::vector<Word> words;
    Fetch_Word_Step step{0, 0};
    Word_Info info{};
    while (result > 0 && fetch_word(&request, &step, &info) == 0) {
        Word word{};
        std::uint32_t length = 0;
        std::memcpy(&length, info.word_len, sizeof length);
        std::memcpy(&word.type, info.word_type, sizeof word.type);
        std::memcpy(&word.mask, info.word_mask_type, sizeof word.mask);
        word.text.assign(info.word_name, length);
        words.push_back(word);
    }
    std::free(request.sql_word);
    return words;
}

struct CutCase {
    const char *name;
    std::uint16_t dialect;
    std::string input;
    std::vector<std::string> statements;
};

class Cuts : public ::testing::TestWithParam<CutCase> {};

// A first window of one byte makes every statement grow its window; 4096
// holds each of these inputs whole.  With no records kept, each
// statement's words come from a second split.
TEST_P(Cuts, FallWhereTheDialectReadsSeparatorsWhateverTheFirstWindow)
{
    // The cutter's context hands its words to the cutter.
    const Context context(spltwd_context_create());
    const Context alone_context(spltwd_context_create());
    ASSERT_TRUE(context && alone_context);
    for (const std::uint32_t first_window : {1u, 2u, 5u, 4096u}) {
        for (const std::size_t kept_records : {std::size_t{0}, StatementCutter::kKeptRecords}) {
            SCOPED_TRACE("first window " + std::to_string(first_window) + ", records kept " + std::to_string(kept_records));
            StatementCutter cutter(context.get(), GetParam().dialect, GetParam().input, first_window,
                                   StatementCutter::kLongestText, kept_records);
            CutStatement statement;
            std::vector<std::string> statements;
            while (cutter.next(statement) == StatementCutter::Step::statement) {
                statements.emplace_back(statement.text);
                std::int32_t alone_result = 0;
                const std::vector<Word> alone =
                    words_split_alone(alone_context.get(), GetParam().dialect, statement.text, alone_result);
                EXPECT_EQ(copy_words(cutter), alone) << statement.text;
                EXPECT_EQ(statement.word_count, alone.size()) << statement.text;
                EXPECT_EQ(statement.result, alone_result) << statement.text;
            }
            EXPECT_EQ(statements, GetParam().statements);
            EXPECT_EQ(cutter.bytes_done(), GetParam().input.size());
        }
    }
}

constexpr std::uint16_t kGeneric = 0;
constexpr std::uint16_t kOracle = SPLT_WD_DIALECT_ORACLE;
constexpr std::uint16_t kDb2 = SPLT_WD_DIALECT_DB2;
constexpr std::uint16_t kMysql = SPLT_WD_DIALECT_MYSQL;
constexpr std::uint16_t kPostgresql = SPLT_WD_DIALECT_POSTGRESQL;
constexpr std::uint16_t kInformix = SPLT_WD_DIALECT_INFORMIX;

INSTANTIATE_TEST_SUITE_P(
    Dialects, Cuts,
    ::testing::Values(
        CutCase{"MysqlString", kMysql, "select 'a;b' from t; select 2", {"select 'a;b' from t", "select 2"}},
        CutCase{"MysqlDoubledQuotes", kMysql, "select 'it''s;'; select 2", {"select 'it''s;'", "select 2"}},
        CutCase{"MysqlDoubleQuoted", kMysql, "select \"a;b\"; select 2", {"select \"a;b\"", "select 2"}},
        CutCase{"MysqlBracketedComment", kMysql, "select 1 /* c; d */; select 2;", {"select 1 /* c; d */", "select 2"}},
        CutCase{"MysqlLineComment", kMysql, "select 1 -- c; d\n; select 2", {"select 1 -- c; d\n", "select 2"}},
        CutCase{"MysqlHashComment", kMysql, "select 1 # c; d\n; select 2", {"select 1 # c; d\n", "select 2"}},
        CutCase{"OracleString", kOracle, "select 'a;b' from dual; select 2", {"select 'a;b' from dual", "select 2"}},
        CutCase{
            "PostgresqlDollarBody", kPostgresql, "SELECT $f$ a; b $f$; SELECT 1", {"SELECT $f$ a; b $f$", "SELECT 1"}},
        CutCase{"PostgresqlBackslashQuote", kPostgresql, "select 'a\\';b'; select 2", {"select 'a\\';b'", "select 2"}},
        CutCase{"PostgresqlTagsDifferStillCut",
                kPostgresql,
                "SELECT $a$ x; $b$ y $a$; select 2",
                {"SELECT $a$ x; $b$ y $a$", "select 2"}},
        // DB2, Informix and the generic mode have no single-quoted strings.
        CutCase{
            "Db2SingleQuoteIsNoString", kDb2, "select 'a;b' from t; select 2", {"select 'a", "b' from t", "select 2"}},
        CutCase{"Db2DoubleQuoted", kDb2, "select \"a;b\" from t", {"select \"a;b\" from t"}},
        CutCase{"InformixSingleQuoteIsNoString", kInformix, "select 'x;y'", {"select 'x", "y'"}},
        CutCase{"GenericSingleQuoteIsNoString", kGeneric, "select 'a;b'", {"select 'a", "b'"}},
        CutCase{"GenericHasNoLineComments", kGeneric, "select 1 -- c;\n", {"select 1 -- c"}},
        CutCase{
            "GenericBracketedComment", kGeneric, "/* a; b */ select 1; select 2", {"/* a; b */ select 1", "select 2"}},
        // Blanks before a statement go; blanks inside and after it stay.
        CutCase{"BlankStatementsSkipped", kMysql, ";;  ;\n select 1 ;\t;\r\n", {"select 1 "}},
        CutCase{"LeadingBlanksDropped", kMysql, "\t\r\n  select\r\n1", {"select\r\n1"}},
        CutCase{"FormFeedIsNoBlank", kMysql, "\f;", {"\f"}},
        CutCase{"FinalSeparatorDropped", kMysql, "select 1;", {"select 1"}},
        CutCase{"FinalSemicolonInsideUnclosedString", kMysql, "select 'a;", {"select 'a;"}},
        CutCase{"FinalSemicolonInsideUnclosedComment", kGeneric, "select 1 /* a;", {"select 1 /* a;"}},
        CutCase{"NothingButBlanks", kMysql, " \t\r\n", {}},
        CutCase{"Empty", kMysql, "", {}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(Cuts, GiveTheWordsWithTheirTypesAndMasks)
{
    const Context context(spltwd_context_create());
    StatementCutter cutter(context.get(), kMysql, "select a;");
    CutStatement statement;
    ASSERT_EQ(cutter.next(statement), StatementCutter::Step::statement);
    const std::vector<Word> expected{{"select", 12, 0x0080}, {" ", 16, 0x0028}, {"a", 9, 0x0011}};
    EXPECT_EQ(copy_words(cutter), expected);
    EXPECT_GT(statement.result, 0);
    EXPECT_EQ(cutter.next(statement), StatementCutter::Step::end);
}

TEST(Cuts, ReportADollarTagMismatchWithoutWords)
{
    const Context context(spltwd_context_create());
    StatementCutter cutter(context.get(), kPostgresql, "SELECT $a$ x $b$ y $a$");
    CutStatement statement;
    ASSERT_EQ(cutter.next(statement), StatementCutter::Step::statement);
    EXPECT_EQ(statement.result, -5);
    EXPECT_TRUE(copy_words(cutter).empty());
}

struct LimitCase {
    const char *name;
    std::uint32_t longest_text;
    std::string input;
    std::vector<std::string> statements; // cut before the last step
    StatementCutter::Step last_step;
};

class Limit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(Limit, CutsWhatFitsAndGivesUpTheRestAfterATooLongStatement)
{
    const Context context(spltwd_context_create());
    StatementCutter cutter(context.get(), kGeneric, GetParam().input, 1, GetParam().longest_text);
    CutStatement statement;
    std::vector<std::string> statements;
    StatementCutter::Step step;
    while ((step = cutter.next(statement)) == StatementCutter::Step::statement) {
        statements.emplace_back(statement.text);
    }
    EXPECT_EQ(statements, GetParam().statements);
    EXPECT_EQ(step, GetParam().last_step);
    EXPECT_EQ(cutter.next(statement), StatementCutter::Step::end) << "the rest of the input is given up";
}

// A statement of longest_text - 2 bytes always fits: its separator and the
// byte after it tell where it ends.
INSTANTIATE_TEST_SUITE_P(
    Statements, Limit,
    ::testing::Values(
        LimitCase{"LongestThatFits", 10, "12345678;9", {"12345678", "9"}, StatementCutter::Step::end},
        LimitCase{"OneByteMore", 10, "1;123456789;2", {"1"}, StatementCutter::Step::too_long},
        LimitCase{"FinalWithSeparatorFits", 10, "12345678;", {"12345678"}, StatementCutter::Step::end},
        LimitCase{"FinalWithSeparatorTooLong", 10, "123456789;", {}, StatementCutter::Step::too_long},
        LimitCase{"FinalWithoutSeparatorFillsTheLimit", 10, "1234567890", {"1234567890"}, StatementCutter::Step::end},
        LimitCase{"FinalWithoutSeparatorBeyondTheLimit", 10, "12345678901", {}, StatementCutter::Step::too_long},
        LimitCase{"BlanksBeforeDoNotCount", 10, "          12345678;", {"12345678"}, StatementCutter::Step::end}),
    [](const auto &info) { return std::string(info.param.name); });

// An input cut as pieces come (the head with more to come, then the
// rest from where the head's last whole statement ended) gives the
// statements of the input cut whole, wherever the head ends.
TEST(StatementCutter, CutsAnInputThatComesInPiecesLikeTheWholeInput)
{
    struct Case {
        std::uint16_t dialect;
        std::string input;
    };
    const Case cases[] = {
        {SPLT_WD_DIALECT_MYSQL, "select 'a;b' from t; -- c;d\nselect 2 /* ; */;\n# x;\n;select \"q;\" ;"},
        {SPLT_WD_DIALECT_POSTGRESQL, "select $f$ a; b $f$; select 'a'\n'b;'; create rule r as on insert to t do (x; y);"},
        {SPLT_WD_DIALECT_ORACLE, "select q'[a;b]' from dual;select 1 from dual /* x; */"},
    };
    const Context context(spltwd_context_create());
    ASSERT_TRUE(context);
    spltwd_context_set_profile(context.get(), SPLTWD_PROFILE_ACCURATE);
    const auto statements_of = [&](std::uint16_t dialect, std::string_view input, bool more, std::size_t &done) {
        std::vector<std::string> statements;
        StatementCutter cutter(context.get(), dialect, input);
        cutter.skip_statements_without_sql();
        if (more) cutter.expect_more_input();
        CutStatement statement;
        while (cutter.next(statement) == StatementCutter::Step::statement) {
            statements.push_back(std::to_string(statement.start) + ":" + std::string(statement.text));
        }
        done = cutter.bytes_done();
        return statements;
    };
    for (const Case &c : cases) {
        std::size_t done = 0;
        const std::vector<std::string> whole = statements_of(c.dialect, c.input, false, done);
        for (std::size_t head = 0; head <= c.input.size(); ++head) {
            SCOPED_TRACE(c.input.substr(0, head) + "|");
            std::vector<std::string> pieces = statements_of(c.dialect, c.input.substr(0, head), true, done);
            ASSERT_LE(done, head);
            std::size_t rest_done = 0;
            for (std::string statement : statements_of(c.dialect, std::string_view(c.input).substr(done), false, rest_done)) {
                const std::size_t colon = statement.find(':');
                pieces.push_back(std::to_string(done + std::stoull(statement.substr(0, colon))) + statement.substr(colon));
            }
            EXPECT_EQ(pieces, whole);
        }
    }
}

} // namespace
} // namespace cli_test
