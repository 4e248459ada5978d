// The two generated files: the table source and the X-macro list of
// conditions and rule actions.
#ifndef LEXGEN_EMITTER_H
#define LEXGEN_EMITTER_H

#include <string>

#include "rule_file.h"
#include "tables.h"

namespace lexgen {

std::string emit_tables_source(const Tables& tables, const std::string& symbol);
std::string emit_actions(const RuleFile& file, const Tables& tables);

// One line per rule set and a total line.
std::string summary(const Tables& tables);

}  // namespace lexgen

#endif  // LEXGEN_EMITTER_H
