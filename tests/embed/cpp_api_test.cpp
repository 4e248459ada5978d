#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <ranges>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "spltwd.hpp"

namespace {

static_assert(std::forward_iterator<spltwd::WordIterator>);
static_assert(std::ranges::forward_range<const spltwd::Result>);
static_assert(!std::is_copy_constructible_v<spltwd::Result>);
static_assert(!std::is_copy_assignable_v<spltwd::Result>);
static_assert(std::is_nothrow_move_constructible_v<spltwd::Result>);
static_assert(std::is_nothrow_move_assignable_v<spltwd::Result>);

struct ExpectedWord {
    std::string text;
    std::uint16_t type;
    std::uint16_t mask;

    bool operator==(const ExpectedWord&) const = default;
};

void PrintTo(const ExpectedWord& w, std::ostream* os) {
    *os << "{\"" << w.text << "\", " << w.type << ", 0x" << std::hex << w.mask << std::dec << "}";
}

std::vector<ExpectedWord> words_of(const spltwd::Result& result) {
    std::vector<ExpectedWord> words;
    for (spltwd::Word word : result) words.push_back({std::string(word.text()), word.type(), word.mask()});
    return words;
}

struct SplitCase {
    const char* name;
    std::string_view sql;
    spltwd::Dialect dialect;
    std::vector<ExpectedWord> words;
    bool has_star;
};

const ExpectedWord kSpace{" ", SPLT_WD_TYPE_SPACE, 0x0028};

const SplitCase kSplitCases[] = {
    {"GenericNamesAreOtherBytes", "SELECT a FROM t", spltwd::Dialect::generic,
     {{"SELECT", SPLT_WD_TYPE_SELECT, 0x0080}, kSpace, {"a", SPLT_WD_TYPE_OTHER, 0x0080}, kSpace,
      {"FROM", SPLT_WD_TYPE_FROM, 0x0104}, kSpace, {"t", SPLT_WD_TYPE_OTHER, 0x0080}},
     false},
    {"MySqlNumber", "SELECT 1", spltwd::Dialect::mysql,
     {{"SELECT", SPLT_WD_TYPE_SELECT, 0x0080}, kSpace, {"1", SPLT_WD_TYPE_NUMBER, 0x0010}},
     false},
    {"OracleStar", "select  *", spltwd::Dialect::oracle,
     {{"select", SPLT_WD_TYPE_SELECT, 0x0200}, kSpace, {"*", SPLT_WD_TYPE_STAR, 0x0080}},
     true},
};

class CppSplit : public testing::TestWithParam<SplitCase> {};

TEST_P(CppSplit, YieldsTheWordsAndTheirSummary) {
    const SplitCase& c = GetParam();
    const spltwd::Result result = spltwd::split(c.sql, c.dialect);

    EXPECT_EQ(words_of(result), c.words);
    std::int32_t stream_length = 0;
    std::uint32_t longest = 0;
    for (const ExpectedWord& w : c.words) {
        stream_length += 8 + static_cast<std::int32_t>(w.text.size());
        longest = std::max(longest, static_cast<std::uint32_t>(w.text.size()));
    }
    EXPECT_EQ(result.code(), stream_length);
    EXPECT_EQ(result.longest_word(), longest);
    EXPECT_EQ(result.has_star(), c.has_star);
}

// Names the rows, in test names and in failure messages.
template <typename Case>
std::string case_name(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Statements, CppSplit, testing::ValuesIn(kSplitCases), case_name<SplitCase>);

TEST(CppResult, WalksAreIndependentAndRepeatable) {
    const spltwd::Result result = spltwd::split("SELECT a FROM t", spltwd::Dialect::generic);
    auto first = result.begin();
    auto second = first;
    EXPECT_EQ((*first++).text(), "SELECT");
    EXPECT_EQ((*first).text(), " ");
    EXPECT_EQ((*second).text(), "SELECT");
    EXPECT_EQ(std::distance(second, result.end()), 7);
}

TEST(CppResult, WordsOutliveAMoveOfTheirResult) {
    spltwd::Result source = spltwd::split("SELECT a FROM t", spltwd::Dialect::generic);
    const auto second_word = std::next(source.begin());
    const std::string_view first_text = (*source.begin()).text();

    const spltwd::Result target = std::move(source);

    EXPECT_EQ(first_text, "SELECT");
    EXPECT_EQ((*second_word).type(), SPLT_WD_TYPE_SPACE);
    EXPECT_EQ(std::distance(second_word, target.end()), 6);
}

TEST(CppResult, MoveConstructionLeavesAnEmptyResult) {
    spltwd::Result source = spltwd::split("SELECT 1", spltwd::Dialect::mysql);
    const spltwd::Result target(std::move(source));

    EXPECT_EQ(source.code(), 0);
    EXPECT_EQ(source.begin(), source.end());
    EXPECT_EQ(target.code(), 32);
    EXPECT_EQ(std::distance(target.begin(), target.end()), 3);
}

// The sanitizers report the target's first stream if it leaks and any
// stream freed by both results.
TEST(CppResult, MoveAssignmentFreesTheTargetsStreamAndTakesTheSources) {
    spltwd::Result source = spltwd::split("SELECT a FROM t", spltwd::Dialect::generic);
    spltwd::Result target = spltwd::split("SELECT 1", spltwd::Dialect::mysql);

    target = std::move(source);

    EXPECT_EQ(source.code(), 0);
    EXPECT_EQ(source.begin(), source.end());
    EXPECT_FALSE(source.has_star());
    EXPECT_EQ(target.code(), 71);
    EXPECT_EQ((*target.begin()).text(), "SELECT");
    EXPECT_EQ(std::distance(target.begin(), target.end()), 7);
}

struct FailureCase {
    const char* name;
    std::string_view sql;
    spltwd::Dialect dialect;
    std::int32_t code;
};

// Points past a short text on purpose: the split must refuse the length
// before reading anything.
const std::string_view kLongerThan32Bits{"SELECT 1", (std::size_t{1} << 32) + 8};

const FailureCase kFailureCases[] = {
    {"EmptyStatement", "", spltwd::Dialect::generic, -2},
    {"NullEmptyView", std::string_view{}, spltwd::Dialect::mysql, -2},
    {"LengthBeyond32Bits", kLongerThan32Bits, spltwd::Dialect::mysql, -2},
    {"Separator", "SELECT 1;", spltwd::Dialect::mysql, -6},
    {"UnterminatedStringAlone", "'abc", spltwd::Dialect::mysql, 0},
};

class CppSplitWithoutWords : public testing::TestWithParam<FailureCase> {};

TEST_P(CppSplitWithoutWords, ReportsTheCodeAndNoWords) {
    const FailureCase& c = GetParam();
    const spltwd::Result result = spltwd::split(c.sql, c.dialect);
    EXPECT_EQ(result.code(), c.code);
    EXPECT_EQ(result.begin(), result.end());
    EXPECT_FALSE(result.has_star());
}

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(Statements, CppSplitWithoutWords, testing::ValuesIn(kFailureCases),
                         case_name<FailureCase>);

struct TypeNameCase {
    std::uint16_t type;
    std::string_view name;
};

const TypeNameCase kTypeNameCases[] = {
    {SPLT_WD_TYPE_KEYWORD, "keyword"},    {SPLT_WD_TYPE_SELECT, "select"},
    {SPLT_WD_TYPE_SPACE, "space"},        {SPLT_WD_TYPE_DQ_STRING, "dq_string"},
    {SPLT_WD_TYPE_PARTITION_BY, "partition_by"}, {SPLT_WD_TYPE_COMPARISON, "comparison"},
    {0, "unknown"},  {1, "unknown"},  {3, "unknown"},    {35, "unknown"},
    {65, "unknown"}, {67, "unknown"}, {0xFFFF, "unknown"},
};

TEST(CppTypeName, NamesKnownCodesAndOnlyThose) {
    for (const TypeNameCase& c : kTypeNameCases) EXPECT_EQ(spltwd::type_name(c.type), c.name) << c.type;
}

TEST(CppTypeName, EveryWordTypeHasItsOwnName) {
    std::vector<std::uint16_t> types{SPLT_WD_TYPE_KEYWORD, SPLT_WD_TYPE_COMPARISON};
    for (std::uint16_t type = SPLT_WD_TYPE_OTHER; type <= SPLT_WD_TYPE_PARTITION_BY; ++type) types.push_back(type);
    ASSERT_EQ(types.size(), 33u);

    std::set<std::string_view> names;
    for (std::uint16_t type : types) names.insert(spltwd::type_name(type));
    EXPECT_EQ(names.size(), 33u);
    EXPECT_FALSE(names.contains("unknown"));
}

TEST(CppTypeName, AWordNamesItsOwnType) {
    const spltwd::Result result = spltwd::split("SELECT a FROM t", spltwd::Dialect::generic);
    std::vector<std::string_view> names;
    for (spltwd::Word word : result) names.push_back(word.type_name());
    EXPECT_EQ(names, (std::vector<std::string_view>{"select", "space", "other", "space", "from", "space", "other"}));
}

}  // namespace
