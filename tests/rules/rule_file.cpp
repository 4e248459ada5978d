#include "rule_file.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace rules_test {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b])) ++b;
    while (e > b && (is_blank(s[e - 1]) || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

// Index just past the quoted literal or class opening at `i`.
std::size_t skip_delimited(const std::string& s, std::size_t i, char close) {
    for (++i; i < s.size(); ++i) {
        if (s[i] == '\\') ++i;
        else if (s[i] == close) return i + 1;
    }
    return s.size();
}

// Position of the "=>" that ends the pattern: the first one outside
// literals and classes, since a literal such as "<=>" may hold one.
std::size_t action_arrow(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == '"') i = skip_delimited(s, i, '"');
        else if (s[i] == '[') i = skip_delimited(s, i, ']');
        else if (s.compare(i, 2, "=>") == 0) return i;
        else ++i;
    }
    return std::string::npos;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::stringstream in(s);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

// The next blank-separated token of `text` from `pos`; `pos` moves past it.
std::string next_token(const std::string& text, std::size_t& pos) {
    while (pos < text.size() && is_blank(text[pos])) ++pos;
    const std::size_t begin = pos;
    while (pos < text.size() && !is_blank(text[pos])) ++pos;
    return text.substr(begin, pos - begin);
}

void take_line(RuleFile& file, const std::string& text, int line) {
    std::size_t pos = 0;
    const std::string first = next_token(text, pos);
    const std::string second = next_token(text, pos);
    if (first == "%define") return;
    if (first == "%condition") {
        file.conditions[std::stoi(second)].push_back(next_token(text, pos));
        return;
    }
    const std::string rest = text.substr(pos);
    const std::size_t arrow = action_arrow(rest);
    if (!std::isdigit(static_cast<unsigned char>(first[0])) || second.empty() ||
        arrow == std::string::npos) {
        file.errors.push_back(std::to_string(line) + ": " + text);
        return;
    }
    file.rules.push_back({std::stoi(first), split(second, ','), trim(rest.substr(0, arrow)),
                          trim(rest.substr(arrow + 2)), line});
}

}  // namespace

RuleFile read_rule_file(const std::string& path) {
    RuleFile file;
    std::ifstream in(path);
    if (!in) {
        file.errors.push_back("cannot open " + path);
        return file;
    }
    std::string logical;
    int logical_line = 0, line_number = 0;
    auto flush = [&] {
        if (!logical.empty()) take_line(file, logical, logical_line);
        logical.clear();
    };
    for (std::string line; std::getline(in, line);) {
        ++line_number;
        if (trim(line).empty() || line[0] == '#') continue;
        if (is_blank(line[0])) {
            logical += " " + trim(line);
            continue;
        }
        flush();
        logical = trim(line);
        logical_line = line_number;
    }
    flush();
    return file;
}

const RuleFile& sql_rule_file() {
    static const RuleFile file = read_rule_file(SPLT_WD_RULES_FILE);
    return file;
}

std::optional<std::string> keyword_of(const std::string& pattern) {
    if (pattern.size() < 4 || pattern.compare(0, 2, "i\"") != 0 || pattern.back() != '"')
        return std::nullopt;
    std::string word = pattern.substr(2, pattern.size() - 3);
    for (char c : word)
        if (!std::isupper(static_cast<unsigned char>(c)) && !std::isdigit(static_cast<unsigned char>(c)) &&
            c != '_')
            return std::nullopt;
    return word;
}

std::string without_blanks(const std::string& text) {
    std::string out;
    for (char c : text)
        if (!is_blank(c)) out += c;
    return out;
}

}  // namespace rules_test
