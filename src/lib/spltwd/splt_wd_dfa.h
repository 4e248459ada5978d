// The tables that the pattern compiler (tools/lexgen) generates from a rule
// file, and that the scanner runtime walks.  One automaton serves every start
// condition: each start condition only has its own start state, and start
// conditions with the same set of active rules share one.
#ifndef SPLT_WD_DFA_H
#define SPLT_WD_DFA_H

#include <cstdint>

namespace spltwd {

using DfaState = std::uint16_t;

struct DfaTables {
    std::uint32_t state_count;      // state 0 is the dead state: every move from it stays there
    std::uint16_t class_count;      // byte equivalence classes
    std::uint16_t condition_count;  // start conditions, numbered 0 .. condition_count-1
    std::uint16_t max_rule;         // the highest rule number in the rule file
    const std::uint8_t* byte_class; // [256]; byte 0x00 always has the class of 0x01
    const DfaState* start;          // [condition_count]: start state of each start condition
    const DfaState* next;           // [state_count * class_count]: next[s * class_count + c]
    const std::uint16_t* accept;    // [state_count]: rule accepted in state s, 0 for none
    // The states come in groups, so that a loop can tell them apart by
    // number: 0 dead, 1 .. loop_end-1 self-loop states (DfaLoops),
    // loop_end .. accepting_begin-1 states that neither accept nor loop,
    // the rest other accepting states.
    std::uint16_t loop_end;
    std::uint16_t accepting_begin;
};

// The self-loop states of the same tables (lexgen: loops.h): states that
// many bytes lead back to, such as the bodies of strings and comments,
// names and whitespace runs.
struct DfaLoops {
    const std::uint16_t* set_of_state;  // [state_count]: 0, or 1 + the index of its stay set
    const std::uint8_t* stays;          // [256 per set]: 1 for a byte that keeps the state
    const std::int16_t* only_exit;      // [per set]: the one byte that leaves the state, or -1
};

// The same automaton laid out for the split call's match loop, where a
// step must cost as few instructions as can be: each state is a row of
// `width` 32-bit words, numbered by the offset of its row (state s of
// DfaTables is s * width), so that a step is next = rows[state + class].
// The last word of a row holds what the loop asks of a state only now and
// then: the rule it accepts (bits 0-15, 0 for none) and, for a loop state,
// the index of its stay set in DfaLoops (bits 16-30) and whether that set
// has a single exit byte (bit 31).  The bounds are DfaTables' bounds times
// the width.
constexpr std::uint32_t kWalkRuleBits = 0xffff;
constexpr unsigned kWalkStaySetShift = 16;
constexpr std::uint32_t kWalkStaySetBits = 0x7fff;
constexpr std::uint32_t kWalkSingleExit = 1u << 31;

struct DfaWalk {
    const std::uint32_t* rows;
    const std::uint32_t* start;  // [condition_count]
    std::uint32_t width;
    std::uint32_t loop_end;
    std::uint32_t accepting_begin;
};

}  // namespace spltwd

#endif  // SPLT_WD_DFA_H
