// Hopcroft minimisation.  States that accept different rules are never
// merged; states from which no rule can be completed merge with the dead
// state 0.
#ifndef LEXGEN_MINIMISE_H
#define LEXGEN_MINIMISE_H

#include "dfa.h"

namespace lexgen {

// The result numbers its states breadth first from the start state (1), which
// keeps the states of one match near each other in the table.
Dfa minimise_dfa(const Dfa& dfa);

}  // namespace lexgen

#endif  // LEXGEN_MINIMISE_H
