// Subset construction of the automaton for one set of active rules.
#ifndef LEXGEN_SUBSET_CONSTRUCTION_H
#define LEXGEN_SUBSET_CONSTRUCTION_H

#include <cstdint>
#include <memory>
#include <vector>

#include "byte_classes.h"
#include "dfa.h"
#include "nfa.h"

namespace lexgen {

// Epsilon closures, computed once per NFA state and shared by every rule set.
// A closure holds only the states that matter to a DFA state: those with a
// byte edge and those that complete a rule.
class Closures {
public:
    explicit Closures(const Nfa& nfa);
    const std::vector<std::uint32_t>& of(std::uint32_t state);

private:
    const Nfa& nfa_;
    std::vector<std::unique_ptr<std::vector<std::uint32_t>>> cache_;
    std::vector<std::uint32_t> seen_;
    std::uint32_t visit_ = 0;
};

// ACTIVE_RULES are rule indexes; RULE_NUMBERS maps them to rule numbers, which
// increase with the index.  Throws Error when the automaton would need more
// than STATE_LIMIT states (the dead state included).
Dfa build_dfa(const Nfa& nfa, const ByteClasses& classes, Closures& closures,
              const std::vector<std::uint32_t>& active_rules, const std::vector<std::uint16_t>& rule_numbers,
              std::uint32_t state_limit);

}  // namespace lexgen

#endif  // LEXGEN_SUBSET_CONSTRUCTION_H
