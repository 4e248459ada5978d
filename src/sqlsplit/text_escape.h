// Statement and word texts are bytes: they may hold control bytes and
// bytes that are not UTF-8 (GBK text, binary data).  These escapes show
// them without losing any byte.
#ifndef SQLSPLIT_TEXT_ESCAPE_H
#define SQLSPLIT_TEXT_ESCAPE_H

#include <cstddef>
#include <string>
#include <string_view>

namespace sqlsplit {

// The length of the well-formed UTF-8 character at text[at], or 0 when the
// bytes there are not one (a stray, overlong or surrogate sequence, or one
// beyond U+10FFFF).
std::size_t utf8_character_length(std::string_view text, std::size_t at);

// Whether every byte of the text belongs to a well-formed UTF-8 character.
bool is_utf8(std::string_view text);

// Appends the text as a JSON string with its quotes.  Well-formed UTF-8
// passes as it is; quotes, backslashes and control bytes are escaped; every
// other byte becomes \u0080 to \u00ff, the escape of its own value, so that
// such an escape always stands for one byte and never for a character.
void append_json_string(std::string &out, std::string_view text);
// The same without the quotes, for a text that goes out in pieces.
void append_json_characters(std::string &out, std::string_view text);

// Appends the bytes in base64 (RFC 4648, with padding).  A text that goes
// out in pieces must be cut at multiples of three bytes.
void append_base64(std::string &out, std::string_view bytes);

// Appends the text for a terminal: \n, \r, \t and \\ for line ends, tabs and
// backslashes, \xHH for other control bytes and for bytes that are not
// UTF-8; everything else as it is.
void append_visible(std::string &out, std::string_view text);

} // namespace sqlsplit

#endif // SQLSPLIT_TEXT_ESCAPE_H
