// Character tests shared by the readers of rule files and of the command line.
#ifndef LEXGEN_TEXT_CHARS_H
#define LEXGEN_TEXT_CHARS_H

#include <algorithm>
#include <string_view>

namespace lexgen {

inline bool is_blank(char c) { return c == ' ' || c == '\t'; }

inline bool is_name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A name usable in generated C++: condition names, pattern names, symbols.
inline bool is_identifier(std::string_view s) {
    return !s.empty() && !(s[0] >= '0' && s[0] <= '9') && std::all_of(s.begin(), s.end(), is_name_char);
}

}  // namespace lexgen

#endif  // LEXGEN_TEXT_CHARS_H
