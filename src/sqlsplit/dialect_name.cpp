#include "dialect_name.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "spltwd.hpp"

namespace sqlsplit {

namespace {

struct NamedDialect {
    std::string_view name;
    spltwd::Dialect dialect;
};

constexpr NamedDialect kNamedDialects[] = {
    {"generic", spltwd::Dialect::generic},     {"oracle", spltwd::Dialect::oracle},
    {"sqlserver", spltwd::Dialect::sqlserver}, {"db2", spltwd::Dialect::db2},
    {"mysql", spltwd::Dialect::mysql},         {"postgresql", spltwd::Dialect::postgresql},
    {"postgres", spltwd::Dialect::postgresql}, {"informix", spltwd::Dialect::informix},
};

std::optional<std::uint16_t> parse_code(std::string_view text)
{
    // Five digits at most, so that the value cannot overflow on the way.
    if (text.empty() || text.size() > 5 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    std::uint32_t code = 0;
    for (const char c : text) {
        code = code * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (code > UINT16_MAX) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(code);
}

} // namespace

std::optional<std::uint16_t> parse_dialect(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const NamedDialect &named : kNamedDialects) {
        if (lower == named.name) {
            return static_cast<std::uint16_t>(named.dialect);
        }
    }
    return parse_code(text);
}

} // namespace sqlsplit
