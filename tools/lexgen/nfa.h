// One Thompson automaton for all rules.  Byte edges carry interned byte
// sets, in which 0x00 is a member exactly when 0x01 is.
#ifndef LEXGEN_NFA_H
#define LEXGEN_NFA_H

#include <cstdint>
#include <vector>

#include "pattern.h"
#include "rule_file.h"

namespace lexgen {

constexpr std::uint32_t kNoState = UINT32_MAX;

struct NfaState {
    std::int32_t byte_set = -1;  // index into Nfa::byte_sets, -1 for none
    std::uint32_t target = kNoState;  // where the byte edge leads
    std::uint32_t epsilon[2] = {kNoState, kNoState};
    std::uint32_t accepts = 0;  // 1 + index of the rule completed here, 0 for none
};

struct Nfa {
    std::vector<NfaState> states;
    std::vector<ByteSet> byte_sets;
    std::vector<std::uint32_t> rule_starts;  // per rule index
};

Nfa build_nfa(const std::vector<Rule>& rules);

}  // namespace lexgen

#endif  // LEXGEN_NFA_H
