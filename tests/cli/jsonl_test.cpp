// Every JSON Lines output is valid JSON with the promised fields, and its
// texts read back as the very bytes of the input, whatever they are.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json_reader.h"
#include "spltwd.hpp"
#include "text_escape.h"
#include "run_sqlsplit.h"

namespace cli_test {
namespace {

// Statements without a ";" or a quote that a dialect could take otherwise.
const std::vector<std::string> kNastyStatements{
    "select \\ x \\\\ y",
    "a\x01"
    "b\x1f"
    "c\x7f"
    "d",
    "\xff\xfe bad \xc3",
    "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
    "\xb1\xed\xa3\xac\xb1\xed",
    std::string("nul\0byte", 8),
    "line\nfeed\ttab\rcr",
};

bool is_mask(const std::string &text)
{
    return text.size() == 6 && text.rfind("0x", 0) == 0 &&
           text.find_first_not_of("0123456789abcdef", 2) == std::string::npos;
}

// A text that is not UTF-8 has its bytes in base64 beside it as well.
std::size_t text_fields(const std::string &text)
{
    return sqlsplit::is_utf8(text) ? 1 : 2;
}

// Checks one line: its fields, their kinds, that the word records add up
// to the split's result (each record is 8 bytes and the word's), and that
// the words tile the statement, which lies at `start` in the input.
void check_line(const std::string &line, std::int64_t number, const std::string &statement, std::int64_t start)
{
    SCOPED_TRACE(line);
    const std::optional<JsonValue> value = parse_json(line);
    ASSERT_TRUE(value);
    ASSERT_EQ(value->kind, JsonValue::Kind::object);
    ASSERT_EQ(value->members.size(), 6 + text_fields(statement));
    EXPECT_EQ(value->integer("statement"), number);
    EXPECT_EQ(value->string("file"), "standard input");
    EXPECT_EQ(value->integer("start"), start);
    EXPECT_EQ(value->integer("end"), start + static_cast<std::int64_t>(statement.size()));
    EXPECT_EQ(value->string("text"), statement);
    std::string tiled;
    const std::optional<std::int64_t> result = value->integer("result");
    ASSERT_TRUE(result);
    const JsonValue *words = value->member("words");
    ASSERT_TRUE(words != nullptr && words->kind == JsonValue::Kind::array);
    std::int64_t stream_length = 0;
    for (const JsonValue &word : words->items) {
        const std::optional<std::string> text = word.string("text");
        const std::optional<std::int64_t> type = word.integer("type");
        const std::optional<std::string> mask = word.string("mask");
        ASSERT_TRUE(text && type && mask);
        ASSERT_EQ(word.members.size(), 5 + text_fields(*text));
        EXPECT_EQ(word.integer("start"), static_cast<std::int64_t>(tiled.size()));
        tiled += *text;
        EXPECT_EQ(word.integer("end"), static_cast<std::int64_t>(tiled.size()));
        EXPECT_EQ(word.string("type_name"), std::string(spltwd::type_name(static_cast<std::uint16_t>(*type))));
        EXPECT_TRUE(is_mask(*mask)) << *mask;
        stream_length += 8 + static_cast<std::int64_t>(text->size());
    }
    EXPECT_EQ(stream_length, *result > 0 ? *result : 0);
    EXPECT_EQ(tiled, statement);
}

class JsonLines : public ::testing::TestWithParam<const char *> {};

TEST_P(JsonLines, AreValidAndLossless)
{
    std::string input;
    for (const std::string &statement : kNastyStatements) {
        input += statement + ";\n";
    }
    // No client: psql would read the first statement's backslash as a
    // meta-command.
    const ChildRun run = run_sqlsplit({"--format", "jsonl", "--dialect", GetParam(), "--script", "none"},
                                      {.standard_input = input});
    ASSERT_EQ(run.exit_status, 0) << run.err;
    std::size_t start = 0;
    for (std::size_t i = 0; i < kNastyStatements.size(); ++i) {
        const std::size_t end = run.out.find('\n', start);
        ASSERT_NE(end, std::string::npos) << "statement " << i + 1 << " is missing";
        check_line(run.out.substr(start, end - start), static_cast<std::int64_t>(i + 1), kNastyStatements[i],
                   static_cast<std::int64_t>(input.find(kNastyStatements[i])));
        start = end + 1;
    }
    EXPECT_EQ(start, run.out.size()) << "more lines than statements";
}

INSTANTIATE_TEST_SUITE_P(Dialects, JsonLines,
                         ::testing::Values("generic", "oracle", "sqlserver", "db2", "mysql", "postgresql", "informix"),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
} // namespace cli_test
