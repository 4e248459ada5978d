// Patterns built in the tests, each with its rule-file notation and a plain
// backtracking matcher that shares no code with lexgen.
#ifndef LEXGEN_TESTS_REFERENCE_PATTERN_H
#define LEXGEN_TESTS_REFERENCE_PATTERN_H

#include <bitset>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace lexgen_test {

struct Ref {
    enum class Kind { Bytes, Sequence, Alternation, Star, Plus, Optional } kind;
    std::bitset<256> bytes;
    std::vector<Ref> children;
    std::string notation;
};

using Range = std::pair<unsigned char, unsigned char>;

Ref lit(const std::string& text);   // "text"
Ref ilit(const std::string& text);  // i"text"
Ref cls(const std::vector<Range>& ranges);   // [...]
Ref ncls(const std::vector<Range>& ranges);  // [^...]
Ref any();                                   // .
Ref empty();                                 // ( )
Ref seq(std::vector<Ref> parts);
Ref alt(std::vector<Ref> branches);
Ref star(Ref r);
Ref plus(Ref r);
Ref opt(Ref r);

// Lengths of every match of R at the start of TEXT, as a flag per length.
// The scanner reads 0x00 as 0x01; so does this matcher.
std::vector<bool> match_lengths(const Ref& r, const std::string& text);

struct RefRule {
    int number;
    std::vector<std::string> conditions;  // empty for all
    Ref pattern;
};

struct Match {
    int rule;  // 0 when nothing matches
    std::size_t length;
    bool operator==(const Match&) const = default;
};

// The longest match among the rules active in CONDITION, lowest rule on ties.
Match reference_longest_match(const std::vector<RefRule>& rules, const std::string& condition,
                              const std::string& text);

// A rule file declaring CONDITIONS (numbered in order) and RULES.
std::string rule_file_text(const std::vector<std::string>& conditions, const std::vector<RefRule>& rules);

}  // namespace lexgen_test

#endif  // LEXGEN_TESTS_REFERENCE_PATTERN_H
