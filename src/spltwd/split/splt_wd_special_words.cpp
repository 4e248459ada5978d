// Reading the words of splt_wd_special_words.h.
#include "splt_wd_special_words.h"

#include <cstring>
#include <functional>
#include <string_view>

#include "splt_wd_stay_run.h"

namespace spltwd {
namespace {

constexpr WordPair kComment{SPLT_WD_TYPE_COMMENT, 0x0080};

SpecialWord open_to_the_end(std::uint32_t available, WordPair pair) {
    pair.mask = static_cast<std::uint16_t>(pair.mask | SPLT_WD_MASK_UNTERMINATED);
    return {available, pair};
}

// The body runs to the first place where the opening tag stands again.
SpecialWord dollar_body(std::string_view rest, std::uint32_t tag_length, WordPair pair) {
    const std::size_t close = rest.find(rest.substr(0, tag_length), tag_length);
    if (close == std::string_view::npos) return open_to_the_end(static_cast<std::uint32_t>(rest.size()), pair);
    return {static_cast<std::uint32_t>(close + tag_length), pair};
}

// Only a "/" or a "*" can open or close a comment: the bytes between are
// passed a block at a time.
std::size_t next_slash_or_star(std::string_view rest, std::size_t at) {
    return static_cast<std::size_t>(find_either(rest.data() + at, rest.data() + rest.size(), '/', '*') - rest.data());
}

SpecialWord nested_comment(std::string_view rest, WordPair pair) {
    std::uint32_t depth = 1;
    std::size_t at = 2;
    while ((at = next_slash_or_star(rest, at)) + 1 < rest.size()) {
        if (rest[at] == '/' && rest[at + 1] == '*') {
            ++depth;
            at += 2;
        } else if (rest[at] == '*' && rest[at + 1] == '/') {
            at += 2;
            if (--depth == 0) return {static_cast<std::uint32_t>(at), pair};
        } else {
            ++at;
        }
    }
    return open_to_the_end(static_cast<std::uint32_t>(rest.size()), pair);
}

SpecialWord plain_comment(std::string_view rest, WordPair pair) {
    const std::size_t close = rest.find("*/", 2);
    if (close == std::string_view::npos) return open_to_the_end(static_cast<std::uint32_t>(rest.size()), pair);
    return {static_cast<std::uint32_t>(close + 2), pair};
}

// The match is the quote's opening, its delimiter last.
SpecialWord q_quote(std::string_view rest, std::uint32_t opening_length, WordPair pair) {
    const char open = rest[opening_length - 1];
    const char close = open == '[' ? ']' : open == '{' ? '}' : open == '(' ? ')' : open == '<' ? '>' : open;
    const char* const end = rest.data() + rest.size();
    for (const char* at = rest.data() + opening_length; end - (at = find_either(at, end, close, close)) > 1; ++at) {
        if (at[1] == '\'') return {static_cast<std::uint32_t>(at + 2 - rest.data()), pair};
    }
    return open_to_the_end(static_cast<std::uint32_t>(rest.size()), pair);
}

WordPair operator_pair(std::string_view op) {
    if (op == "<" || op == ">" || op == "<=" || op == ">=" || op == "<>" || op == "!=") {
        return {SPLT_WD_TYPE_COMPARISON, 0x0002};
    }
    if (op == "|" || op == "||") return {SPLT_WD_TYPE_PIPE, 0x0004};
    return {SPLT_WD_TYPE_OTHER, 0x0080};
}

constexpr std::string_view kOperatorBytes = "+-*/<>=~!@#%^&|`?";
// The rule matches at most this many operator bytes.
constexpr std::size_t kLongestOperatorMatch = 16;

// The run of operator bytes is cut before "--" or "/*"; a run of none of
// ~ ! @ # % ^ & | ` ? gives back its trailing signs.  Each sign given back
// would start a run of signs alone, which gives back all but its first:
// it is an operator of one byte.  The session notes where those signs lie,
// so that a long run is read once, not again from each of its signs.
SpecialWord postgresql_operator(Session& s, std::string_view rest, std::uint32_t match_length) {
    const std::less<const char*> before;
    if (!before(rest.data(), s.signs_from) && before(rest.data(), s.signs_to)) return {1, {SPLT_WD_TYPE_OTHER, 0x0080}};
    std::size_t end = match_length;
    if (end == kLongestOperatorMatch) {
        while (end < rest.size() && kOperatorBytes.find(rest[end]) != std::string_view::npos) ++end;
    }
    const std::string_view run = rest.substr(0, end);
    std::size_t length = run.size();
    for (std::size_t at = 1; at + 1 < run.size(); ++at) {
        if ((run[at] == '-' && run[at + 1] == '-') || (run[at] == '/' && run[at + 1] == '*')) {
            length = at;
            break;
        }
    }
    if (run.substr(0, length).find_first_of("~!@#%^&|`?") == std::string_view::npos) {
        const std::size_t whole = length;
        while (length > 1 && (run[length - 1] == '+' || run[length - 1] == '-')) --length;
        s.signs_from = rest.data() + length;
        s.signs_to = rest.data() + whole;
    }
    const std::string_view op = run.substr(0, length);
    if (op == "*") {
        s.have_star = 1;
        return {1, {SPLT_WD_TYPE_STAR, 0x0080}};
    }
    return {static_cast<std::uint32_t>(length), operator_pair(op)};
}

}  // namespace

SpecialWord read_special_word(Session& s, std::uint16_t dialect_bits, const char* text, std::uint32_t match_length,
                              std::uint32_t available, WordPair pair) {
    const std::string_view rest(text, available);
    const std::string_view match = rest.substr(0, match_length);
    if (match[0] == '$') return dollar_body(rest, match_length, pair);
    if (match[0] >= '0' && match[0] <= '9') return {match_length - 2, pair};
    if (match_length == 1 && (match[0] == '(' || match[0] == ')' || match[0] == ';')) {
        if (match[0] == '(') ++s.paren_depth;
        if (match[0] == ')' && s.paren_depth > 0) --s.paren_depth;
        return {1, pair, match[0] == ';' && s.paren_depth == 0};
    }
    if (match.starts_with("/*")) {
        // A PostgreSQL operator run may begin with "/*" too.
        pair = kComment;
        if ((dialect_bits & (rules::POSTGRESQL | rules::SQLSERVER)) != 0) return nested_comment(rest, pair);
        if ((dialect_bits & rules::MYSQL) != 0) {
            const std::size_t digits = rest.starts_with("/*!") ? 3 : rest.starts_with("/*M!") ? 4 : 0;
            if (digits != 0) {
                s.in_versioned_comment = true;
                const std::size_t end = rest.find_first_not_of("0123456789", digits);
                return {static_cast<std::uint32_t>(end == std::string_view::npos ? rest.size() : end), kComment};
            }
        }
        return plain_comment(rest, pair);
    }
    if ((dialect_bits & rules::MYSQL) != 0) {
        if (match == "*/") {
            if (s.in_versioned_comment) {
                s.in_versioned_comment = false;
                return {2, kComment};
            }
            s.have_star = 1;
            return {1, {SPLT_WD_TYPE_STAR, 0x0080}};
        }
        // "--": a comment at the end of its line or of the statement only,
        // and a ";" after it ends the statement where the client cuts.
        if (rest.size() == 2 || rest[2] == '\n' || rest[2] == ';') return {2, kComment};
        return {1, pair};
    }
    if ((dialect_bits & rules::ORACLE) != 0) return q_quote(rest, match_length, pair);
    return postgresql_operator(s, rest, match_length);
}

}  // namespace spltwd
