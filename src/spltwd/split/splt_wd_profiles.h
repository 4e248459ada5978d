// The two rule sets of the split call, each a generated action list and
// generated tables (see CMakeLists.txt): the classic rules
// (rules/splt_wd.rules) and the accurate rules (rules/splt_wd_accurate.rules).
#ifndef SPLT_WD_PROFILES_H
#define SPLT_WD_PROFILES_H

#include <string_view>

#include "splt_wd_action_table.h"
#include "splt_wd_dfa.h"

namespace spltwd {

extern const DfaTables sql_tables;
extern const DfaLoops sql_tables_loops;
extern const DfaTables sql_accurate;
extern const DfaLoops sql_accurate_loops;

namespace classic_rules {
#define SPLT_WD_ACTIONS "sql_tables_actions.inc"
#include "splt_wd_rule_lists.inc"
#undef SPLT_WD_ACTIONS
}  // namespace classic_rules

namespace accurate_rules {
#define SPLT_WD_ACTIONS "sql_accurate_actions.inc"
#include "splt_wd_rule_lists.inc"
#undef SPLT_WD_ACTIONS
// The rules whose every match is one text up to the case of its letters,
// with that text in lower case (keywords, operators), by increasing rule.
struct RuleWord {
    unsigned rule;
    std::string_view word;
};
inline constexpr RuleWord kRuleWords[] = {
#define SPLT_WD_RULE_WORD(number, word) {number, word},
#include "sql_accurate_actions.inc"
};
}  // namespace accurate_rules

struct ClassicRules {
    static constexpr auto& kRuleList = classic_rules::kRuleList;
    static constexpr RowShape kRowShape = classic_rules::kRowShape;
    // The catch-all: a byte that no other rule takes is a word of its own,
    // and so is each letter of a name in the generic mode (see
    // SplitScan::pass_letters).
    static constexpr unsigned kLetterRule = classic_rules::kLetterRule;
    static_assert(kLetterRule != 0, "the classic tables are made with their letter rule");
    static constexpr auto& kLetterRunList = classic_rules::kLetterRunList;
    static constexpr auto& kBlankRunList = classic_rules::kBlankRunList;
    static const DfaTables& tables() { return sql_tables; }
    static const DfaLoops& loops() { return sql_tables_loops; }
};

struct AccurateRules {
    static constexpr auto& kRuleList = accurate_rules::kRuleList;
    static constexpr RowShape kRowShape = accurate_rules::kRowShape;
    static constexpr unsigned kLetterRule = accurate_rules::kLetterRule;
    static_assert(kLetterRule == 0, "the accurate rules take no name a letter at a time");
    static constexpr auto& kLetterRunList = accurate_rules::kLetterRunList;
    static constexpr auto& kBlankRunList = accurate_rules::kBlankRunList;
    static const DfaTables& tables() { return sql_accurate; }
    static const DfaLoops& loops() { return sql_accurate_loops; }
};

using ClassicTable = RuleTable<ClassicRules>;
using AccurateTable = RuleTable<AccurateRules>;
static_assert(pairs_cover_dialects<ClassicTable>() && pairs_cover_dialects<AccurateTable>(),
              "a rule treats a dialect apart that kPairDialects does not list");

}  // namespace spltwd

#endif  // SPLT_WD_PROFILES_H
