// Recursive descent over the pattern notation of README.md:
//   alternation := sequence ('|' sequence)*
//   sequence    := repetition+
//   repetition  := atom ('*' | '+' | '?')*
//   atom        := literal | class | '.' | {NAME} | '(' [alternation] ')'
#include "pattern.h"

#include <optional>
#include <utility>

#include "text_chars.h"

namespace lexgen {
namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

Pattern bytes_node(const ByteSet& set) {
    Pattern p;
    p.kind = Pattern::Kind::Bytes;
    p.bytes = set;
    return p;
}

Pattern single_byte(unsigned char byte, bool either_case) {
    ByteSet set;
    set.set(byte);
    if (either_case && byte >= 'a' && byte <= 'z') set.set(byte - 'a' + 'A');
    if (either_case && byte >= 'A' && byte <= 'Z') set.set(byte - 'A' + 'a');
    return bytes_node(set);
}

// Two or more parts become one node; one part stands for itself.
Pattern join(Pattern::Kind kind, std::vector<Pattern> parts) {
    if (parts.size() == 1) return std::move(parts.front());
    Pattern p;
    p.kind = kind;
    p.children = std::move(parts);
    return p;
}

class Parser {
public:
    Parser(std::string_view text, const DefineLookup& lookup) : text_(text), lookup_(lookup) {}

    Pattern parse_all() {
        skip_blanks();
        if (at_end()) fail(pos_, "empty pattern");
        Pattern p = alternation();
        // A sequence stops only at '|', ')' or the end.
        if (!at_end()) fail(pos_, "unbalanced parentheses: ')' without '('");
        return p;
    }

private:
    [[noreturn]] void fail(std::size_t offset, std::string message) {
        throw PatternError{offset, std::move(message)};
    }

    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }
    void skip_blanks() {
        while (!at_end() && is_blank(peek())) ++pos_;
    }

    // True when the next part is one a sequence can take.
    bool starts_atom() {
        skip_blanks();
        if (at_end()) return false;
        char c = peek();
        return c != '|' && c != ')';
    }

    Pattern alternation() {
        std::vector<Pattern> branches;
        std::optional<Pattern> branch = sequence();
        while (branch) {
            branches.push_back(std::move(*branch));
            if (at_end() || peek() != '|') return join(Pattern::Kind::Alternation, std::move(branches));
            std::size_t bar = pos_++;
            branch = sequence();
            if (!branch) fail(bar, "'|' has nothing on its right");
        }
        if (!at_end() && peek() == '|') fail(pos_, "'|' has nothing on its left");
        fail(pos_, "unbalanced parentheses: ')' without '('");
    }

    // Nothing when no part comes before the next '|', ')' or the end.
    std::optional<Pattern> sequence() {
        std::vector<Pattern> parts;
        while (starts_atom()) parts.push_back(repetition());
        if (parts.empty()) return std::nullopt;
        return join(Pattern::Kind::Sequence, std::move(parts));
    }

    Pattern repetition() {
        Pattern p = atom();
        for (;;) {
            skip_blanks();
            if (at_end()) return p;
            Pattern::Kind kind;
            switch (peek()) {
                case '*': kind = Pattern::Kind::Star; break;
                case '+': kind = Pattern::Kind::Plus; break;
                case '?': kind = Pattern::Kind::Optional; break;
                default: return p;
            }
            ++pos_;
            Pattern r;
            r.kind = kind;
            r.children.push_back(std::move(p));
            p = std::move(r);
        }
    }

    Pattern atom() {
        std::size_t start = pos_;
        char c = peek();
        switch (c) {
            case '"': return literal(false);
            case 'i':
                if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                    ++pos_;
                    return literal(true);
                }
                break;
            case '[': return byte_class();
            case '.': {
                ++pos_;
                return bytes_node(ByteSet().set());
            }
            case '{': return reference();
            case '(': return group();
            case '*':
            case '+':
            case '?': fail(start, std::string("'") + c + "' has nothing to repeat");
            default: break;
        }
        fail(start, std::string("unexpected '") + c + "'");
    }

    // After the backslash; ALLOWED lists the characters that stand for
    // themselves besides \\ and \".
    unsigned char escape(std::string_view allowed) {
        std::size_t start = pos_ - 1;
        if (at_end()) fail(start, "bad escape: '\\' at the end");
        char c = text_[pos_++];
        switch (c) {
            case 'n': return '\n';
            case 'r': return '\r';
            case 't': return '\t';
            case '\\':
            case '"': return static_cast<unsigned char>(c);
            case 'x': {
                int high = pos_ < text_.size() ? hex_value(text_[pos_]) : -1;
                int low = pos_ + 1 < text_.size() ? hex_value(text_[pos_ + 1]) : -1;
                if (high < 0 || low < 0) fail(start, "bad escape: \\x needs two hex digits");
                pos_ += 2;
                return static_cast<unsigned char>(high * 16 + low);
            }
            default:
                if (allowed.find(c) != std::string_view::npos) return static_cast<unsigned char>(c);
                fail(start, std::string("bad escape '\\") + c + "'");
        }
    }

    Pattern literal(bool either_case) {
        std::size_t start = either_case ? pos_ - 1 : pos_;
        ++pos_;  // the opening quote
        std::vector<Pattern> bytes;
        for (;;) {
            if (at_end()) fail(start, "unterminated literal");
            char c = text_[pos_++];
            if (c == '"') break;
            unsigned char byte = static_cast<unsigned char>(c);
            if (c == '\\') byte = escape("");
            bytes.push_back(single_byte(byte, either_case));
        }
        if (bytes.empty()) return Pattern{};
        return join(Pattern::Kind::Sequence, std::move(bytes));
    }

    // One member of a class, escapes resolved.
    unsigned char class_byte() {
        char c = text_[pos_++];
        if (c == '\\') return escape("]-^");
        return static_cast<unsigned char>(c);
    }

    Pattern byte_class() {
        std::size_t start = pos_;
        ++pos_;  // '['
        bool negated = !at_end() && peek() == '^';
        if (negated) ++pos_;
        ByteSet set;
        bool empty = true;
        for (;;) {
            if (at_end()) fail(start, "unterminated class");
            if (peek() == ']') break;
            std::size_t item = pos_;
            unsigned char low = class_byte();
            unsigned char high = low;
            // A '-' right before ']' is a member of its own.
            if (pos_ + 1 < text_.size() && peek() == '-' && text_[pos_ + 1] != ']') {
                ++pos_;
                high = class_byte();
                if (high < low) fail(item, "reversed range");
            }
            for (unsigned b = low; b <= high; ++b) set.set(b);
            empty = false;
        }
        ++pos_;  // ']'
        if (empty) fail(start, "empty class");
        if (negated) set.flip();
        return bytes_node(set);
    }

    Pattern reference() {
        std::size_t start = pos_;
        ++pos_;  // '{'
        std::size_t name_start = pos_;
        while (!at_end() && is_name_char(peek())) ++pos_;
        if (at_end() || peek() != '}' || pos_ == name_start) fail(start, "bad {NAME}");
        std::string_view name = text_.substr(name_start, pos_ - name_start);
        ++pos_;  // '}'
        const Pattern* defined = lookup_(name);
        if (defined == nullptr) fail(start, "unknown {" + std::string(name) + "}");
        return *defined;
    }

    Pattern group() {
        std::size_t start = pos_;
        ++pos_;  // '('
        skip_blanks();
        if (!at_end() && peek() == ')') {
            ++pos_;
            return Pattern{};
        }
        Pattern p = alternation();
        skip_blanks();
        if (at_end() || peek() != ')') fail(start, "unbalanced parentheses: '(' without ')'");
        ++pos_;
        return p;
    }

    std::string_view text_;
    const DefineLookup& lookup_;
    std::size_t pos_ = 0;
};

}  // namespace

Pattern parse_pattern(std::string_view text, const DefineLookup& lookup) {
    return Parser(text, lookup).parse_all();
}

std::size_t find_pattern_end(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"' || c == '[') {
            char close = c == '"' ? '"' : ']';
            for (++i; i < text.size() && text[i] != close; ++i) {
                if (text[i] == '\\') ++i;
            }
            if (i >= text.size()) return std::string_view::npos;
        } else if (c == '=' && i + 1 < text.size() && text[i + 1] == '>') {
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace lexgen
