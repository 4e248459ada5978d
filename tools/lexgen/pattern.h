// Parsed patterns.  A named pattern is copied into every pattern that uses
// it, so a tree never refers to anything outside itself.
#ifndef LEXGEN_PATTERN_H
#define LEXGEN_PATTERN_H

#include <bitset>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace lexgen {

using ByteSet = std::bitset<256>;

struct Pattern {
    enum class Kind { Empty, Bytes, Sequence, Alternation, Star, Plus, Optional };
    Kind kind = Kind::Empty;
    ByteSet bytes;                  // Bytes only
    std::vector<Pattern> children;  // Sequence, Alternation: two or more; repetitions: one
};

// A mistake in a pattern, at an offset into the text handed to parse_pattern.
struct PatternError {
    std::size_t offset;
    std::string message;
};

// Returns null when NAME is not defined.
using DefineLookup = std::function<const Pattern*(std::string_view name)>;

// Parses a whole pattern; blanks between its parts are ignored.  Throws
// PatternError.
Pattern parse_pattern(std::string_view text, const DefineLookup& lookup);

// Where `=>` ends the pattern that starts TEXT, skipping literals and
// classes; npos when there is none.
std::size_t find_pattern_end(std::string_view text);

}  // namespace lexgen

#endif  // LEXGEN_PATTERN_H
