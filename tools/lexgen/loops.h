// Self-loop states: states in which many bytes lead back to the same state,
// such as the bodies of strings and comments, names and whitespace runs.
// The tables describe each such state by the set of bytes that keep it, so
// that a scanner can pass over those bytes with a byte test instead of a
// table step each, or, when only a few bytes leave the state (a string's
// quote and backslash, a comment's star), by comparing a block of bytes at
// once with each of them.
#ifndef LEXGEN_LOOPS_H
#define LEXGEN_LOOPS_H

#include <cstdint>
#include <vector>

#include "splt_wd_dfa.h"

namespace lexgen {

struct Tables;

// A stay set that at most this many byte values leave is searched for
// those bytes, a block at a time; each of them comes as a block of
// kExitBlock copies, ready to be compared with a block of the text.
constexpr unsigned kMaxExits = spltwd::DfaLoops::kMaxExits;
constexpr unsigned kExitBlock = spltwd::DfaLoops::kExitBlock;

struct Loops {
    std::vector<std::uint16_t> set_of_state;  // per state: 0, or 1 + the index of its stay set
    std::vector<std::uint8_t> stays;          // 256 per set: 1 for a byte that keeps the state
    // Per set: how many byte values leave it, when at most kMaxExits do,
    // else 0; and kMaxExits blocks of kExitBlock copies of those values,
    // the first repeated into the unused blocks.
    std::vector<std::uint8_t> exit_count;
    std::vector<std::uint8_t> exits;
    // Per start condition, the run that a blank (' ') begins when a scanner
    // may take it by its bytes without a walk: the state that the start
    // state enters on a blank, when it accepts a rule, keeps itself on
    // exactly the bytes that lead to it from the start state, and leads
    // nowhere on any other.  A walk from any of those bytes then ends where
    // their run ends, with that rule.  The state, or 0 for none, and the
    // index of its stay set (which may keep too few bytes for a self-loop
    // state).
    std::vector<std::uint16_t> blank_state;
    std::vector<std::uint16_t> blank_set;
    // Where a rule takes names a letter at a time (the letter rule), the
    // letters whose walk is known to end at once inside a run that an
    // earlier walk passed: per start condition and self-loop state L that
    // accepts nothing and that a walk from the start state S may enter on
    // its second step, a table over the pairs of byte classes (b, c): where
    // the first step A = next(S, b) is an accepting state (not a loop) of
    // the letter rule, kLetterEnds if the second, next(A, c), is L or the
    // dead state, and kLetterEndsLast too if it is the dead state.  A walk
    // from a letter b followed by c, where c begins a place of an earlier
    // run of L, then ends there, as far as a scanner that remembers that
    // run needs to know, with the letter's one-byte match; so does one
    // where c is the byte after the run and kLetterEndsLast is set.
    // Only tables that are not all 0, by increasing condition; `pairs` indexes
    // letter_pairs, class_count * class_count bytes each (row b, column c),
    // and equal tables are kept once.
    struct LetterRun {
        std::uint16_t condition;
        std::uint16_t state;
        std::uint32_t pairs;
    };
    std::vector<LetterRun> letter_runs;
    std::vector<std::uint8_t> letter_pairs;
};

// The bits of Loops::letter_pairs.
using spltwd::kLetterEnds;
using spltwd::kLetterEndsLast;

// The most stay sets that a row's last word can number.
constexpr unsigned kMaxStaySets = spltwd::kStaySetBits + 1;

// A state counts when at least this many byte values keep it: shorter
// loops are not worth leaving the table walk for.
constexpr unsigned kMinStayBytes = 5;

// `letter_rule` is the rule of the letter runs, 0 for none.
Loops find_loops(const Tables& tables, unsigned letter_rule = 0);

// Whether every byte that leaves the self-loop state `state` leads to the
// dead state, so that a walk ends where the state's run ends.
bool run_ends_walk(const Tables& tables, std::uint32_t state);

// Whether the self-loop state `state` is a hope run: a run that a walk
// may read right after a match, in the hope of a longer one behind it
// (the blanks between a PostgreSQL name and a "::" cast).  It accepts
// nothing, and no walk from a start state over its bytes (those that keep
// it and those that lead to it) reaches it.  When a walk enters it right
// after a match, the next walk starts at the byte that led into it, and
// so no later walk comes back to a place of the run: a scanner need not
// remember it (see SplitScan::pass_loop_state).
bool is_hope_run(const Tables& tables, const Loops& loops, std::uint32_t state);

}  // namespace lexgen

#endif  // LEXGEN_LOOPS_H
