#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine_harness.h"

using namespace std::string_literals;
using namespace engine_test;

namespace {

struct MatchCase {
    const char* name;
    int condition;
    std::string input;
    std::string matches;
    std::vector<int> values;
    std::string copied_through;  // what the default action wrote to `out`
};
void PrintTo(const MatchCase& c, std::ostream* os) { *os << c.name; }

const MatchCase kMatchCases[] = {
    {"TieGoesToTheLowerRule", INITIAL, "ab", "10:ab|end", {1}, ""},
    {"TieGoesToTheLowerRuleAgain", INITIAL, "12", "12:12|end", {1}, ""},
    {"LongerMatchOfALaterRuleWins", INITIAL, "abc 123", "11:abc|1: |12:123|end", {1}, ""},
    {"EnteredConditionTakesTheVeryNextMatch", INITIAL, "<key KEY keys>ab",
     "17:<|30:key|1: |30:KEY|1: |31:keys|32:>|10:ab|end", {1}, ""},
    {"RulesOfOtherConditionsStayOut", KEYS, "12", "end", {1}, "12"},
    {"StarRulesRunInEveryCondition", AT, " @!", "1: |40:@|2:!|end", {7, 1}, ""},
    {"GiveBackRescansTheWholeMatch", INITIAL, "@abc de", "18:@abc|40:@|41:abc|1: |11:de|end", {1}, ""},
    {"EmptyPatternTakesItsText", OPTIONAL, "xxab", "50:xx|10:ab|end", {1}, ""},
    {"EmptyMatchWhereNothingElseMatches", OPTIONAL, "ab", "50:|10:ab|end", {1}, ""},
    {"LongerMatchBeatsTheEmptyOne", OPTIONAL, " ab", "1: |50:|10:ab|end", {1}, ""},
    {"EndOfInputBeatsTheEmptyMatch", INITIAL, "?", "19:?|end", {1}, ""},
    {"EndInsideALongerPattern", INITIAL, "[[ab", "15:[|15:[|10:ab|end", {1}, ""},
    {"LongerPatternComplete", INITIAL, "[[ab]]", "14:[[ab]]|end", {1}, ""},
    {"UnmatchedByteIsCopiedThrough", INITIAL, "[[abc]", "15:[|15:[|11:abc|end", {1}, "]"},
    {"ZeroByteMatchesLikeOne", INITIAL, "a\0\x01"s "b", "11:a|16:\0\x01|11:b|end"s, {1}, ""},
    {"ZeroByteAlone", INITIAL, "\0"s, "16:\0|end"s, {1}, ""},
    {"StopReturnsItsValueAndScanningResumes", INITIAL, "ab!cd\n", "10:ab|2:!|11:cd|3:\n|end",
     {7, 8, 1}, ""},
    {"EmptyInputIsTheEnd", INITIAL, "", "end", {1}, ""},
};

class Matching : public testing::TestWithParam<MatchCase> {};

TEST_P(Matching, ActionsSeeTheLongestMatches) {
    const MatchCase& c = GetParam();
    char* copied = nullptr;
    std::size_t copied_size = 0;
    spltwd::Scanner s = make_scanner();
    s.out = open_memstream(&copied, &copied_size);
    spltwd::scanner_scan_bytes(s, c.input.data(), c.input.size());
    spltwd::scanner_begin(s, c.condition);
    Recorder recorder;
    const Scan scan = scan_to_end(s, recorder);
    EXPECT_EQ(scan.matches, c.matches);
    EXPECT_EQ(scan.values, c.values);
    EXPECT_TRUE(recorder.texts_terminated);
    std::fclose(s.out);
    EXPECT_EQ(std::string(copied, copied_size), c.copied_through);
    std::free(copied);
    spltwd::scanner_destroy(s);
}

INSTANTIATE_TEST_SUITE_P(Engine, Matching, testing::ValuesIn(kMatchCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Matching, EndOfInputValueContinueEndsTheScanWithZero) {
    spltwd::Scanner s = make_scanner();
    spltwd::scanner_scan_string(s, "ab");
    Recorder recorder;
    recorder.end_value = spltwd::kContinue;
    EXPECT_EQ(spltwd::scanner_lex(s, record_action, &recorder), 0);
    spltwd::scanner_destroy(s);
}

TEST(Matching, TextIsTheBufferItselfAndItsBytesComeBack) {
    char storage[] = "ab cd!ef\0";  // with the array's own zero: two end markers
    const std::string original(storage, sizeof storage);
    spltwd::Scanner s = make_scanner();
    ASSERT_NE(spltwd::scanner_scan_buffer(s, storage, sizeof storage), nullptr);
    Recorder recorder;
    ASSERT_EQ(spltwd::scanner_lex(s, record_action, &recorder), 7);
    EXPECT_EQ(s.text, storage + 5);
    EXPECT_EQ(s.leng, 1u);
    EXPECT_EQ(std::string(storage, sizeof storage), original);
    EXPECT_EQ(spltwd::scanner_lex(s, record_action, &recorder), 1);
    EXPECT_TRUE(recorder.texts_terminated);
    EXPECT_EQ(std::string(storage, sizeof storage), original);
    spltwd::scanner_destroy(s);
    EXPECT_EQ(std::string(storage, sizeof storage), original);
}

TEST(Matching, UnknownConditionIsIgnored) {
    spltwd::Scanner s = make_scanner();
    spltwd::scanner_begin(s, KEYS);
    spltwd::scanner_begin(s, spltwd::engine_tables.condition_count);
    spltwd::scanner_begin(s, -1);
    EXPECT_EQ(spltwd::scanner_condition(s), KEYS);
}

}  // namespace
