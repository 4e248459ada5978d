// The order of the states in the emitted tables.
//
// A scanner's inner loop does the same three things for most bytes: look
// up the next state, note it when it accepts, and stop when it is dead.
// Numbering the states by what they need lets it tell them apart with one
// comparison against a bound instead of a table lookup per byte:
//
//   0                                the dead state
//   1 .. loop_end-1                  self-loop states (loops.h), accepting or not
//   loop_end .. accepting_begin-1    states that neither accept nor loop
//   accepting_begin .. count-1       other accepting states
#ifndef LEXGEN_STATE_ORDER_H
#define LEXGEN_STATE_ORDER_H

namespace lexgen {

struct Tables;

// Renumbers the states of `tables` into the order above (each group in its
// old order) and sets its bounds.  What the tables match does not change.
void order_states(Tables& tables);

}  // namespace lexgen

#endif  // LEXGEN_STATE_ORDER_H
