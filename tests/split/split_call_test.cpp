// The split call itself: argument checks, results, ownership of the stream,
// the dialect table and the summary fields of the request.
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime, whose headers need not be installed.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "split_harness.h"

namespace split_test {
namespace {

std::size_t allocated_bytes() {
#if defined(__SANITIZE_ADDRESS__)
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// A request that holds the stream of an earlier successful split.
class HeldStream {
public:
    explicit HeldStream(std::string sql, std::uint16_t dialect = MY) : sql_(std::move(sql)) {
        req_ = fresh_request(dialect, sql_);
        result_ = Zoz_SQL_Split_Word(&req_);
    }
    ~HeldStream() { std::free(req_.sql_word); }
    HeldStream(const HeldStream&) = delete;
    HeldStream& operator=(const HeldStream&) = delete;

    SQL_SPLT_WD& req() { return req_; }
    std::int32_t result() const { return result_; }
    // Copies of the packed output fields, which cannot bind to references.
    const char* stream() const { return req_.sql_word; }
    std::uint32_t stream_length() const { return req_.nSqlWordLen; }
    std::uint32_t longest() const { return req_.nSngWordLenMax; }
    int star() const { return req_.szHaveStar; }

    // Splits `sql` on the same request and checks the general invariants.
    std::int32_t split_again(std::uint16_t dialect, std::string_view sql) {
        req_.dialect = dialect;
        req_.sql_text = const_cast<char*>(sql.data());
        req_.sql_len = static_cast<std::uint32_t>(sql.size());
        const SQL_SPLT_WD before = req_;
        const std::int32_t result = Zoz_SQL_Split_Word(&req_);
        EXPECT_EQ(request_faults(before, req_, result), "");
        return result;
    }

private:
    std::string sql_;
    SQL_SPLT_WD req_{};
    std::int32_t result_ = 0;
};

std::string repeated(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(SplitCall, RefusesNullRequest) { EXPECT_EQ(Zoz_SQL_Split_Word(nullptr), -2); }

struct RefusedRequest {
    const char* label;
    bool null_text;
    std::uint32_t sql_len;
};

class RefusedRequestTest : public testing::TestWithParam<RefusedRequest> {};

// A refused call must leave everything alone, the earlier stream included,
// and must not read the text at all when the length is out of range.
TEST_P(RefusedRequestTest, KeepsRequestAndEarlierStream) {
    HeldStream held("SELECT a FROM t");
    ASSERT_GT(held.result(), 0);
    SQL_SPLT_WD& req = held.req();
    char text[] = "SELECT 1";
    req.sql_text = GetParam().null_text ? nullptr : text;
    req.sql_len = GetParam().sql_len;
    const SQL_SPLT_WD before = req;

    EXPECT_EQ(Zoz_SQL_Split_Word(&req), -2);
    EXPECT_EQ(std::memcmp(&before, &req, sizeof req), 0);
    EXPECT_EQ(request_faults(req, req, held.result()), "") << "the earlier stream is no longer intact";
}

INSTANTIATE_TEST_SUITE_P(SplitCall, RefusedRequestTest,
                         testing::Values(RefusedRequest{"NullText", true, 8}, RefusedRequest{"ZeroLength", false, 0},
                                         RefusedRequest{"NullTextZeroLength", true, 0},
                                         RefusedRequest{"LengthTwoToThe31", false, 0x80000000u},
                                         RefusedRequest{"LengthAllOnes", false, 0xFFFFFFFFu}),
                         [](const testing::TestParamInfo<RefusedRequest>& info) { return std::string(info.param.label); });

TEST(SplitCall, SecondCallReleasesFirstStreamWhenItFails) {
    HeldStream held(repeated("a,", 50000));
    ASSERT_GT(held.result(), 0);
    const std::size_t holding = allocated_bytes();
    const std::uint32_t longest = held.longest();

    EXPECT_EQ(held.split_again(MY, "SELECT 1;"), -6);
    EXPECT_EQ(held.stream(), nullptr);
    EXPECT_EQ(held.stream_length(), 0u);
    EXPECT_EQ(held.longest(), longest);
    EXPECT_LT(allocated_bytes() + static_cast<std::size_t>(held.result()) / 2, holding)
        << "the first stream was not released";
}

TEST(SplitCall, SecondCallWithoutWordsLeavesNoStream) {
    HeldStream held("SELECT * FROM t");
    ASSERT_GT(held.result(), 0);
    EXPECT_EQ(held.split_again(MY, "-- nothing but a comment"), 0);
    EXPECT_EQ(held.stream(), nullptr);
    EXPECT_EQ(held.star(), 0);
}

// The star flag and the longest word belong to one call: a later call on the
// same request starts from zero.
TEST(SplitCall, SecondCallStartsItsSummaryAfresh) {
    HeldStream held("SELECT * FROM a_rather_long_table_name");
    ASSERT_GT(held.result(), 0);
    ASSERT_EQ(held.star(), 1);
    ASSERT_EQ(held.longest(), 24u);

    const std::int32_t result = held.split_again(MY, "SELECT a");
    EXPECT_EQ(result, 3 * 8 + 8);
    EXPECT_EQ(held.star(), 0);
    EXPECT_EQ(held.longest(), 6u);
}

TEST(SplitCall, ScansOnlySqlLenBytes) {
    const char text[] = "SELECT aXYZ";
    SQL_SPLT_WD req = fresh_request(MY, std::string_view(text, 8));
    const SQL_SPLT_WD before = req;
    Words words;
    const std::int32_t result = Zoz_SQL_Split_Word(&req);
    EXPECT_EQ(request_faults(before, req, result, [&](const Word& w) { words.push_back(w); }), "");
    EXPECT_EQ(words, (Words{SEL, SP, nm("a")}));
    std::free(req.sql_word);
}

struct SummaryCase {
    const char* label;
    std::uint16_t dialect;
    std::string sql;
    std::uint32_t longest;
    bool star;
};

class SummaryTest : public testing::TestWithParam<SummaryCase> {};

TEST_P(SummaryTest, LongestWordAndStarFlag) {
    const Outcome got = split(GetParam().dialect, GetParam().sql);
    EXPECT_EQ(got.faults, "");
    ASSERT_GT(got.result, 0);
    EXPECT_EQ(got.longest, GetParam().longest);
    EXPECT_EQ(got.have_star, GetParam().star);
}

INSTANTIATE_TEST_SUITE_P(SplitCall, SummaryTest,
                         testing::Values(SummaryCase{"LongestIsAName", MY, "SELECT abcdefgh FROM t", 8, false},
                                         SummaryCase{"Star", MY, "SELECT * FROM t", 6, true},
                                         SummaryCase{"StarInParentheses", MY, "SELECT count(*) FROM t", 6, true},
                                         SummaryCase{"StarName", MY, "SELECT t.* FROM t", 6, true},
                                         SummaryCase{"BlankRunCountsOne", GEN, "a  \t\n  b", 1, false},
                                         SummaryCase{"LongestIsAComment", PG, "SELECT 1 /* a longer comment */", 22, false},
                                         SummaryCase{"StarNameWithGaps", ORA, "SELECT a . b . * FROM t", 6, true},
                                         SummaryCase{"InformixOthers", IFX, "x FROM abcdefghij", 10, false}),
                         [](const testing::TestParamInfo<SummaryCase>& info) { return std::string(info.param.label); });

class SplitCallCase : public testing::TestWithParam<Case> {};
TEST_P(SplitCallCase, Words) { expect_case(GetParam()); }

std::vector<Case> separator_cases() {
    std::vector<Case> cases;
    for (const char* sql : {";", "SELECT 1;", "SELECT 1; SELECT 2", "a /* x */ ;", "SELECT *;", "t.* ;"}) {
        for (Case& c : in_dialects({GEN, ORA, MSS, DB2, MY, PG, IFX}, sql, {}, -6)) cases.push_back(c);
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(Separator, SplitCallCase, testing::ValuesIn(separator_cases()), case_name);

INSTANTIATE_TEST_SUITE_P(
    UnterminatedString, SplitCallCase,
    testing::Values(Case{MY, "SELECT 'abc", {SEL, SP}}, Case{MY, "'abc", {}}, Case{MY, "'abc;", {}},
                    Case{GEN, "/* x", {}}, Case{MY, "\"a b", {}}, Case{PG, "$$ x", {}},
                    Case{ORA, "SELECT 'abc", {SEL_ORA, SP}}),
    case_name);

std::vector<Case> generic_cases() {
    std::vector<Case> cases;
    for (std::uint16_t code : {0, 3, 4, 16, 33, 128, 2048, 65535}) {
        cases.push_back(Case{code, "SELECT a FROM t", {SEL, SP, oth("a"), SP, FROM, SP, oth("t")}});
        cases.push_back(Case{code, "DISTINCT x -- y", {kw("DISTINCT"), SP, oth("x"), SP, oth("-"), oth("-"), SP,
                                                       oth("y")}});
        cases.push_back(Case{code, "'a' \"b\"", others("'a'") + Words{SP} + others("\"b\"")});
    }
    return cases;
}
INSTANTIATE_TEST_SUITE_P(CodeOutsideTable, SplitCallCase, testing::ValuesIn(generic_cases()), case_name);

// DB2 and Informix begin in the SQL Server state and reach their own state
// only through a return to the dialect state.
INSTANTIATE_TEST_SUITE_P(
    FirstState, SplitCallCase,
    testing::Values(
        Case{IFX, "SELECT a FROM t", {SEL, SP, nm("a"), SP, FROM, SP, nm("t")}},
        Case{DB2, "SELECT a FROM t", {SEL, SP, nm("a"), SP, FROM, SP, nm("t")}},
        Case{IFX, "SELECT \"x y\", first FROM t",
             {SEL, SP, dq("\"x y\""), COMMA, SP, kw("first"), SP, FROM, SP, oth("t")}},
        Case{DB2, "SELECT \"x y\", first FROM t",
             {SEL, SP, nm("\"x y\""), COMMA, SP, nm("first"), SP, FROM, SP, nm("t")}},
        Case{MSS, "SELECT \"x y\", first FROM t",
             {SEL, SP, nm("\"x y\""), COMMA, SP, nm("first"), SP, FROM, SP, nm("t")}},
        Case{IFX, "SELECT first FROM t", {SEL, SP, nm("first"), SP, FROM, SP, nm("t")}},
        // A whole-word quoted name is no return: the split stays in the SQL Server state.
        Case{IFX, "\"abc\" col", {dq("\"abc\""), SP, nm("col")}},
        Case{IFX, "\"a b\" col", {dq("\"a b\""), SP, oth("c"), oth("o"), oth("l")}},
        Case{IFX, "first /* c */ first", {nm("first"), SP, cmt("/* c */"), SP, kw("first")}},
        Case{DB2, "/* c */ \"x y\" col", {cmt("/* c */"), SP, nm("\"x y\""), SP, nm("col")}},
        Case{IFX, "'x' a", {oth("'"), nm("x"), oth("'"), SP, nm("a")}}),
    case_name);

// A zero byte does not end the statement; it is matched as 0x01 would be.
INSTANTIATE_TEST_SUITE_P(
    ZeroByte, SplitCallCase,
    testing::Values(Case{MY, std::string("a\0b", 3), {nm("a"), oth(std::string(1, '\0')), nm("b")}},
                    Case{GEN, std::string("a\0b", 3), {oth("a"), oth(std::string(1, '\0')), oth("b")}},
                    Case{MY, std::string("'a\0b'", 5), {str(std::string("'a\0b'", 5))}},
                    Case{MY, std::string("\x01", 1), {oth("\x01")}}),
    case_name);

// A split that ends inside a sub-scanner leaves nothing behind for the next
// one: each call starts in its dialect state with an empty pending word.
class StartsAfresh : public testing::TestWithParam<Case> {};

TEST_P(StartsAfresh, AfterSplitEndingInsideSubScanner) {
    const Outcome first = split(GetParam().dialect, GetParam().sql);
    EXPECT_EQ(first.faults, "");
    for (std::uint16_t d : {MY, ORA, MSS, DB2}) expect_case(Case{d, "a b", {nm("a"), SP, nm("b")}});
    expect_case(Case{PG, "a $q$x$q$", {nm("a"), SP, dollar("$q$x$q$")}});
    expect_case(Case{IFX, "a \"b c\" d", {nm("a"), SP, dq("\"b c\""), SP, oth("d")}});
}

INSTANTIATE_TEST_SUITE_P(SplitCall, StartsAfresh,
                         testing::Values(Case{GEN, "x /* y", {}}, Case{MY, "x 'y", {}}, Case{PG, "x 'y", {}},
                                         Case{MY, "x \"y z", {}}, Case{PG, "x $q$ y", {}},
                                         Case{MY, "t . ROWID FROM x", {}}, Case{PG, "$a$ x $b$", {}},
                                         Case{MY, "x;", {}}),
                         case_name);

// Long statements must split in time proportional to their length; these
// would take minutes if the working strings grew by a fixed step.
TEST(SplitCall, SplitsMegabytesOfOneByteWords) {
    const std::size_t pairs = 1000000;
    const std::string sql = repeated("a,", pairs);
    SQL_SPLT_WD req = fresh_request(MY, sql);
    const SQL_SPLT_WD before = req;
    const Word name = nm("a");
    std::size_t names = 0, commas = 0;
    const std::int32_t result = Zoz_SQL_Split_Word(&req);
    EXPECT_EQ(request_faults(before, req, result, [&](const Word& w) {
                  names += w == name;
                  commas += w == COMMA;
              }),
              "");
    EXPECT_EQ(result, static_cast<std::int32_t>(pairs * 18));
    EXPECT_EQ(names, pairs);
    EXPECT_EQ(commas, pairs);
    std::free(req.sql_word);
}

TEST(SplitCall, SplitsAMegabyteComment) {
    const std::string comment = "/*x" + repeated("*x", 1000000) + "*/";
    const Outcome got = split(GEN, comment + " 1");
    EXPECT_EQ(got.faults, "");
    ASSERT_EQ(got.words.size(), 3u);
    EXPECT_TRUE(got.words[0] == cmt(comment));
    EXPECT_EQ(got.longest, comment.size());
}

}  // namespace
}  // namespace split_test
