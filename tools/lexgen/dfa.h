// One deterministic automaton over byte classes, as subset construction and
// minimisation hand it on.  State 0 is dead: every move from it stays there.
#ifndef LEXGEN_DFA_H
#define LEXGEN_DFA_H

#include <cstdint>
#include <vector>

namespace lexgen {

struct Dfa {
    std::uint16_t class_count = 0;
    std::uint32_t start = 0;              // 0 when no rule is active
    std::vector<std::uint32_t> next;      // next[s * class_count + c]
    std::vector<std::uint16_t> accept;    // rule number accepted in s, 0 for none

    std::uint32_t state_count() const { return static_cast<std::uint32_t>(accept.size()); }
};

}  // namespace lexgen

#endif  // LEXGEN_DFA_H
