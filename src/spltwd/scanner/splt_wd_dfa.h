// The tables that the pattern compiler (tools/lexgen) generates from a rule
// file, and that the scanner runtime and the split call walk.  One
// automaton serves every start condition: each start condition only has
// its own start state, and start conditions with the same set of active
// rules share one.
#ifndef SPLT_WD_DFA_H
#define SPLT_WD_DFA_H

#include <cstdint>

namespace spltwd {

// A state is the offset of its row, so that a step costs an addition and a
// load: next = rows[state + byte_class[byte]].  The dead state is 0: every
// move from it stays there.  The last word of a row tells what a match
// loop asks of a state only now and then: the rule it accepts, and for a
// self-loop state (many bytes keep it, such as the body of a string or a
// comment) the index of its stay set in DfaLoops, whether its run is a
// hope run (lexgen: is_hope_run), whether every byte that leaves it leads
// to the dead state (then a walk ends with the state's run) and whether
// few bytes leave it (then they are searched for a block at a time).
using DfaState = std::uint32_t;
constexpr std::uint32_t kRuleBits = 0xffff;        // the rule accepted, 0 for none
constexpr unsigned kStaySetShift = 16;             // the stay set of a loop state ...
constexpr std::uint32_t kStaySetBits = 0x1fff;
constexpr std::uint32_t kHopeRun = 1u << 29;       // ... whether its run is a hope run
constexpr std::uint32_t kRunEndsWalk = 1u << 30;   // ... whether its run ends the walk
constexpr std::uint32_t kFewExits = 1u << 31;      // ... and whether DfaLoops lists the bytes that leave it

struct DfaTables {
    std::uint32_t state_count;      // rows
    std::uint16_t class_count;      // byte equivalence classes; a row is class_count + 1 words
    std::uint16_t condition_count;  // start conditions, numbered 0 .. condition_count-1
    std::uint16_t max_rule;         // the highest rule number in the rule file
    const std::uint8_t* byte_class; // [256]; byte 0x00 always has the class of 0x01
    const DfaState* start;          // [condition_count]: start state of each start condition
    const std::uint32_t* rows;      // [state_count * (class_count + 1)]
    // The states come in groups, so that a loop tells them apart with a
    // comparison: 0 dead, then the self-loop states up to loop_end, then
    // the states that neither accept nor loop up to accepting_begin, then
    // the other accepting states.
    DfaState loop_end;
    DfaState accepting_begin;

    std::uint32_t row_width() const { return class_count + 1u; }
    std::uint32_t about(DfaState state) const { return rows[state + class_count]; }
    unsigned rule(DfaState state) const { return about(state) & kRuleBits; }
};

// The stay sets of the self-loop states, and of the blank runs whose state
// keeps too few bytes to be one (lexgen: loops.h).
struct DfaLoops {
    static constexpr unsigned kMaxExits = 4;    // bytes that leave a set of few exits
    static constexpr unsigned kExitBlock = 16;  // copies of each such byte

    const std::uint8_t* stays;       // [256 per set]: 1 for a byte that keeps the state
    const std::uint8_t* exit_count;  // [per set]: 1 .. kMaxExits bytes leave the state, or 0 for more
    // [kMaxExits * kExitBlock per set, aligned on a block]: each byte that
    // leaves the state, repeated; the first fills the unused blocks.
    const std::uint8_t* exits;
    // [class_count * class_count per table]: LetterRunEntry::pairs.
    const std::uint8_t* letter_pairs;
};

// A start condition where a blank begins a run that a scanner may take by
// its bytes without a walk (lexgen: Loops::blank_state): the run's state,
// the rule it accepts and its stay set.  A walk from any byte of that set
// ends where the set's run ends, with that rule.
struct BlankRunEntry {
    int condition;  // -1 ends a list
    DfaState state;
    unsigned rule;
    unsigned stay_set;
};

// A self-loop state that accepts nothing and that a walk from a start
// condition's start state may enter on its second step (lexgen:
// Loops::letter_runs), and its table of the pairs of byte classes (b, c),
// row b: where the start state takes b as a one-byte match of the letter
// rule (in an accepting state that is no loop), kLetterEnds if the byte c
// then leads to the loop state or nowhere, and kLetterEndsLast too if it
// leads nowhere.  A walk from such a letter whose next byte begins a place
// of a run of that state that an earlier walk passed (kLetterEnds), or is
// the byte right after that run (kLetterEndsLast), ends with the letter,
// once the scanner knows that run.
constexpr std::uint8_t kLetterEnds = 1;
constexpr std::uint8_t kLetterEndsLast = 2;

struct LetterRunEntry {
    int condition;  // -1 ends a list
    DfaState state;
    std::uint32_t pairs;  // in DfaLoops::letter_pairs
};

}  // namespace spltwd

#endif  // SPLT_WD_DFA_H
