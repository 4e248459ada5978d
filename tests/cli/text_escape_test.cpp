// Texts are bytes: each byte must come out visible on a terminal and
// recoverable from JSON.
#include <gtest/gtest.h>

#include <string>

#include "json_reader.h"
#include "text_escape.h"

namespace cli_test {
namespace {

struct EscapeCase {
    const char *name;
    std::string bytes;
    std::string json; // without the quotes around it
    std::string visible;
};

class Escapes : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(Escapes, ShowEveryByte)
{
    std::string json;
    sqlsplit::append_json_string(json, GetParam().bytes);
    EXPECT_EQ(json, "\"" + GetParam().json + "\"");
    std::string visible;
    sqlsplit::append_visible(visible, GetParam().bytes);
    EXPECT_EQ(visible, GetParam().visible);
}

TEST_P(Escapes, ReadBackAsTheSameBytes)
{
    std::string json;
    sqlsplit::append_json_string(json, GetParam().bytes);
    const std::optional<JsonValue> value = parse_json(json);
    ASSERT_TRUE(value) << json;
    EXPECT_EQ(value->text, GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, Escapes,
    ::testing::Values(
        EscapeCase{"Plain", "select 1", "select 1", "select 1"},
        EscapeCase{"QuoteAndBackslash", "a\"b\\c", "a\\\"b\\\\c", "a\"b\\\\c"},
        EscapeCase{"LineEndsAndTab", "a\nb\r\tc", "a\\nb\\r\\tc", "a\\nb\\r\\tc"},
        EscapeCase{"OtherControlBytes", std::string("\0\x01\x1f\x7f", 4), "\\u0000\\u0001\\u001f\\u007f",
                   "\\x00\\x01\\x1f\\x7f"},
        EscapeCase{"WellFormedUtf8PassesAsItIs", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
                   "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        EscapeCase{"StrayBytes", "\xff\x80", "\\u00ff\\u0080", "\\xff\\x80"},
        // The GBK full-width comma.
        EscapeCase{"GbkPair", "a\xa3\xac", "a\\u00a3\\u00ac", "a\\xa3\\xac"},
        EscapeCase{"OverlongSlash", "\xc0\xaf", "\\u00c0\\u00af", "\\xc0\\xaf"},
        EscapeCase{"Surrogate", "\xed\xa0\x80", "\\u00ed\\u00a0\\u0080", "\\xed\\xa0\\x80"},
        EscapeCase{"BeyondU10FFFF", "\xf4\x90\x80\x80", "\\u00f4\\u0090\\u0080\\u0080", "\\xf4\\x90\\x80\\x80"},
        EscapeCase{"CutShortAtTheEnd", "x\xe2\x82", "x\\u00e2\\u0082", "x\\xe2\\x82"},
        EscapeCase{"CutShortByAnAsciiByte", "\xe2\x82x", "\\u00e2\\u0082x", "\\xe2\\x82x"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
} // namespace cli_test
