// A strict reader for the JSON that sqlsplit writes, so that a test can
// check a line is valid JSON and read its fields back.  Strings decode to
// bytes: \u0080 to \u00ff stand for one byte each (sqlsplit's escape of a
// byte that is not UTF-8), every other character decodes to its UTF-8.
#ifndef CLI_JSON_READER_H
#define CLI_JSON_READER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli_test {

struct JsonValue {
    enum class Kind { null, boolean, number, string, array, object };
    Kind kind = Kind::null;
    std::string text; // a string's bytes; a number's or literal's spelling
    std::vector<JsonValue> items;
    std::vector<std::pair<std::string, JsonValue>> members;

    // The member of that name, or null when there is none.
    const JsonValue *member(std::string_view name) const;
    // The member of that name, when it is an integer.
    std::optional<std::int64_t> integer(std::string_view name) const;
    // The member of that name, when it is a string.
    std::optional<std::string> string(std::string_view name) const;
};

// The one JSON value the text holds, or nothing when the text is not valid
// JSON (including raw bytes that are not well-formed UTF-8).
std::optional<JsonValue> parse_json(std::string_view text);

} // namespace cli_test

#endif // CLI_JSON_READER_H
