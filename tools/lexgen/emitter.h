// The two generated files: the table source and the X-macro list of
// conditions and rule actions.
#ifndef LEXGEN_EMITTER_H
#define LEXGEN_EMITTER_H

#include <string>

#include "rule_file.h"
#include "tables.h"

namespace lexgen {

// `letter_rule`: the rule that may take a name a letter at a time, 0 for
// none (Loops::letter_runs).
std::string emit_tables_source(const Tables& tables, const std::string& symbol, unsigned letter_rule = 0);
std::string emit_actions(const RuleFile& file, const Tables& tables, unsigned letter_rule = 0);

// One line per rule set and a total line.
std::string summary(const Tables& tables);

}  // namespace lexgen

#endif  // LEXGEN_EMITTER_H
