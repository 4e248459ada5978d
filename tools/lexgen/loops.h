// Self-loop states: states in which many bytes lead back to the same state,
// such as the bodies of strings and comments, names and whitespace runs.
// The tables describe each such state by the set of bytes that keep it, so
// that a scanner can pass over those bytes with a byte test (or a search
// for the one byte that leaves) instead of a table step each.
#ifndef LEXGEN_LOOPS_H
#define LEXGEN_LOOPS_H

#include <cstdint>
#include <vector>

namespace lexgen {

struct Tables;

struct Loops {
    std::vector<std::uint16_t> set_of_state;  // per state: 0, or 1 + the index of its stay set
    std::vector<std::uint8_t> stays;          // 256 per set: 1 for a byte that keeps the state
    std::vector<std::int16_t> only_exit;      // per set: the one byte that leaves, or -1
};

// A state counts when at least this many byte values keep it: shorter
// loops are not worth leaving the table walk for.
constexpr unsigned kMinStayBytes = 5;

Loops find_loops(const Tables& tables);

}  // namespace lexgen

#endif  // LEXGEN_LOOPS_H
