#include "text_escape.h"

#include <cstdint>

namespace sqlsplit {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool is_continuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

bool is_control(unsigned char byte)
{
    return byte < 0x20 || byte == 0x7F;
}

// The short escapes are common to JSON and to terminals; any other byte
// is written as the prefix and two hexadecimal digits.
void append_escape(std::string &out, unsigned char byte, std::string_view hex_prefix)
{
    switch (byte) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        default:
            out += hex_prefix;
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0x0F];
    }
}

// Copies runs of well-formed characters as they are and escapes control
// bytes, the special bytes and bytes that are not UTF-8.
void append_escaped(std::string &out, std::string_view text, std::string_view specials, std::string_view hex_prefix)
{
    std::size_t run = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const bool special = is_control(byte) || specials.find(static_cast<char>(byte)) != std::string_view::npos;
        const std::size_t length = special ? 0 : utf8_character_length(text, at);
        if (length > 0) {
            at += length;
            continue;
        }
        out += text.substr(run, at - run);
        append_escape(out, byte, hex_prefix);
        run = ++at;
    }
    out += text.substr(run);
}

} // namespace

std::size_t utf8_character_length(std::string_view text, std::size_t at)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t least = 0; // the smallest code point of this length: anything below is overlong
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[at + i]);
        if (!is_continuation(byte)) return 0;
        code = (code << 6) | (byte & 0x3F);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code < least || code > 0x10FFFF || surrogate ? 0 : length;
}

bool is_utf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = utf8_character_length(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

void append_json_string(std::string &out, std::string_view text)
{
    out += '"';
    append_json_characters(out, text);
    out += '"';
}

void append_json_characters(std::string &out, std::string_view text)
{
    append_escaped(out, text, "\"\\", "\\u00");
}

void append_base64(std::string &out, std::string_view bytes)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const auto byte = [&](std::size_t at) { return std::uint32_t{static_cast<unsigned char>(bytes[at])}; };
    std::size_t at = 0;
    for (; bytes.size() - at >= 3; at += 3) {
        const std::uint32_t group = byte(at) << 16 | byte(at + 1) << 8 | byte(at + 2);
        for (int shift = 18; shift >= 0; shift -= 6) out += kDigits[(group >> shift) & 0x3F];
    }
    const std::size_t left = bytes.size() - at;
    if (left == 0) return;
    const std::uint32_t group = byte(at) << 16 | (left == 2 ? byte(at + 1) << 8 : 0);
    out += kDigits[group >> 18];
    out += kDigits[(group >> 12) & 0x3F];
    out += left == 2 ? kDigits[(group >> 6) & 0x3F] : '=';
    out += '=';
}

void append_visible(std::string &out, std::string_view text)
{
    append_escaped(out, text, "\\", "\\x");
}

} // namespace sqlsplit
