#include "json_reader.h"

#include <cstdlib>

namespace cli_test {

namespace {

void append_utf8(std::string &out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> document()
    {
        std::optional<JsonValue> value = parse_value();
        skip_blanks();
        if (!value || at_ != text_.size()) return std::nullopt;
        return value;
    }

private:
    bool more() const { return at_ < text_.size(); }
    char peek() const { return text_[at_]; }

    void skip_blanks()
    {
        while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r'))
            ++at_;
    }

    bool take(char expected)
    {
        skip_blanks();
        if (!more() || peek() != expected) return false;
        ++at_;
        return true;
    }

    std::optional<JsonValue> parse_value()
    {
        skip_blanks();
        if (!more()) return std::nullopt;
        switch (peek()) {
            case '{': return parse_object();
            case '[': return parse_array();
            case '"': {
                JsonValue value;
                value.kind = JsonValue::Kind::string;
                if (!parse_string(value.text)) return std::nullopt;
                return value;
            }
            default: return parse_scalar();
        }
    }

    std::optional<JsonValue> parse_object()
    {
        JsonValue object;
        object.kind = JsonValue::Kind::object;
        ++at_;
        if (take('}')) return object;
        do {
            std::string name;
            skip_blanks();
            if (!more() || peek() != '"' || !parse_string(name) || !take(':')) return std::nullopt;
            std::optional<JsonValue> value = parse_value();
            if (!value) return std::nullopt;
            object.members.emplace_back(std::move(name), std::move(*value));
        } while (take(','));
        if (!take('}')) return std::nullopt;
        return object;
    }

    std::optional<JsonValue> parse_array()
    {
        JsonValue array;
        array.kind = JsonValue::Kind::array;
        ++at_;
        if (take(']')) return array;
        do {
            std::optional<JsonValue> item = parse_value();
            if (!item) return std::nullopt;
            array.items.push_back(std::move(*item));
        } while (take(','));
        if (!take(']')) return std::nullopt;
        return array;
    }

    std::optional<JsonValue> parse_scalar()
    {
        JsonValue value;
        for (const char *literal : {"true", "false", "null"}) {
            const std::string_view word(literal);
            if (text_.substr(at_, word.size()) == word) {
                at_ += word.size();
                value.kind = word == "null" ? JsonValue::Kind::null : JsonValue::Kind::boolean;
                value.text = word;
                return value;
            }
        }
        // Integers are all sqlsplit writes.
        const std::size_t start = at_;
        if (more() && peek() == '-') ++at_;
        const std::size_t digits = at_;
        while (more() && peek() >= '0' && peek() <= '9')
            ++at_;
        const bool leading_zero = at_ - digits > 1 && text_[digits] == '0';
        if (at_ == digits || leading_zero) return std::nullopt;
        value.kind = JsonValue::Kind::number;
        value.text = text_.substr(start, at_ - start);
        return value;
    }

    bool parse_hex4(std::uint32_t &code)
    {
        if (text_.size() - at_ < 4) return false;
        code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0) return false;
            code = code * 16 + static_cast<std::uint32_t>(digit);
        }
        return true;
    }

    bool parse_escape(std::string &out)
    {
        if (!more()) return false;
        const char c = text_[at_++];
        switch (c) {
            case '"': out += '"'; return true;
            case '\\': out += '\\'; return true;
            case '/': out += '/'; return true;
            case 'b': out += '\b'; return true;
            case 'f': out += '\f'; return true;
            case 'n': out += '\n'; return true;
            case 'r': out += '\r'; return true;
            case 't': out += '\t'; return true;
            case 'u': {
                std::uint32_t code = 0;
                // sqlsplit never writes surrogate pairs: characters beyond
                // the first plane pass as raw UTF-8.
                if (!parse_hex4(code) || (code >= 0xD800 && code <= 0xDFFF)) return false;
                if (code >= 0x80 && code <= 0xFF) {
                    out += static_cast<char>(code);
                } else {
                    append_utf8(out, code);
                }
                return true;
            }
            default: return false;
        }
    }

    // A raw character: well-formed UTF-8, no control byte.
    bool parse_raw(std::string &out)
    {
        const auto lead = static_cast<unsigned char>(text_[at_]);
        std::size_t length = lead < 0x80             ? 1
                             : (lead & 0xE0) == 0xC0 ? 2
                             : (lead & 0xF0) == 0xE0 ? 3
                             : (lead & 0xF8) == 0xF0 ? 4
                                                     : 0;
        if (length == 0 || lead < 0x20 || text_.size() - at_ < length) return false;
        std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t i = 1; i < length; ++i) {
            const auto byte = static_cast<unsigned char>(text_[at_ + i]);
            if ((byte & 0xC0) != 0x80) return false;
            code = (code << 6) | (byte & 0x3F);
        }
        const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        out.append(text_.substr(at_, length));
        at_ += length;
        return true;
    }

    bool parse_string(std::string &out)
    {
        ++at_; // the opening quote
        while (more()) {
            const char c = peek();
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c == '\\') {
                ++at_;
                if (!parse_escape(out)) return false;
            } else if (!parse_raw(out)) {
                return false;
            }
        }
        return false;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

} // namespace

const JsonValue *JsonValue::member(std::string_view name) const
{
    for (const auto &[key, value] : members) {
        if (key == name) return &value;
    }
    return nullptr;
}

std::optional<std::int64_t> JsonValue::integer(std::string_view name) const
{
    const JsonValue *value = member(name);
    if (value == nullptr || value->kind != Kind::number) return std::nullopt;
    return std::strtoll(value->text.c_str(), nullptr, 10);
}

std::optional<std::string> JsonValue::string(std::string_view name) const
{
    const JsonValue *value = member(name);
    if (value == nullptr || value->kind != Kind::string) return std::nullopt;
    return value->text;
}

std::optional<JsonValue> parse_json(std::string_view text)
{
    return Parser(text).document();
}

} // namespace cli_test
