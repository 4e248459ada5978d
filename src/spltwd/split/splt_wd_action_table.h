// The SQL rule actions as one constant table indexed by rule number, made
// at compile time from the action list that lexgen writes beside the
// tables (sql_tables_actions.inc), and what the split call's match loop
// derives from it: which actions it runs inline, and each rule's word pair
// resolved per dialect.
#ifndef SPLT_WD_ACTION_TABLE_H
#define SPLT_WD_ACTION_TABLE_H

#include <array>
#include <bit>
#include <cstdint>
#include <iterator>

#include "splt_wd_actions.h"

namespace spltwd {
namespace rule_table {

enum Condition : int {
#define SPLT_WD_CONDITION(number, name) name = number,
#include "sql_tables_actions.inc"
};

using namespace rules;

struct NumberedAction {
    int rule;
    RuleAction action;
};

inline constexpr NumberedAction kRuleList[] = {
#define SPLT_WD_RULE(number, ...) {number, action(__VA_ARGS__)},
#include "sql_tables_actions.inc"
};

inline constexpr int kRuleSlots = kRuleList[std::size(kRuleList) - 1].rule + 1;

// The row width and the bounds of sql_tables (splt_wd_dfa.h), as constants.
struct RowShape {
    std::uint32_t width, loop_end, accepting_begin;
};
inline constexpr RowShape kRowShape = {
#define SPLT_WD_ROW_SHAPE(width, loop_end, accepting_begin) width, loop_end, accepting_begin
#include "sql_tables_actions.inc"
};

inline constexpr std::array<RuleAction, kRuleSlots> kActions = [] {
    std::array<RuleAction, kRuleSlots> by_rule{};
    for (const auto& r : kRuleList) by_rule[r.rule] = r.action;
    return by_rule;
}();

// What the split call's match loop does inline, for the rules whose whole
// action is one of these: record the match, record the fixed text, append
// the match, drop it, append it and enter a start condition (an opening
// quote), append it, record the pending word and return to the dialect
// state (a closing quote), print a debug line and record the match,
// record the match and mark a star.
enum class InlineAction : std::uint8_t {
    kNone, kRecordMatch, kRecordText, kAppend, kDrop, kOpen, kClose, kPrintRecord, kRecordStar
};
inline constexpr std::uint16_t kOpenSteps = kAppend | kEnter;
inline constexpr std::uint16_t kCloseSteps = kAppend | kRecordPending | kEnterDialect;
inline constexpr std::array<InlineAction, kRuleSlots> kInlineAction = [] {
    std::array<InlineAction, kRuleSlots> by_rule{};
    for (const auto& r : kRuleList) {
        const std::uint16_t steps = r.action.steps;
        by_rule[r.rule] = steps == kRecordMatch  ? InlineAction::kRecordMatch
                          : steps == kRecordText ? InlineAction::kRecordText
                          : steps == kAppend     ? InlineAction::kAppend
                          : steps == 0           ? InlineAction::kDrop
                          : steps == kOpenSteps  ? InlineAction::kOpen
                          : steps == kCloseSteps ? InlineAction::kClose
                          : steps == (kPrint | kRecordMatch) ? InlineAction::kPrintRecord
                          : steps == (kRecordMatch | kStar)  ? InlineAction::kRecordStar
                                                 : InlineAction::kNone;
    }
    return by_rule;
}();

// The pair of each rule resolved for each dialect that some rule treats
// apart (a dialect's bits, dialect_bits()), so that a split looks it up
// once per word.  Index 0 serves every other dialect code.
inline constexpr std::uint16_t kPairDialects[] = {0, ORACLE, SQLSERVER, DB2, MYSQL, POSTGRESQL, INFORMIX};
inline constexpr int kPairDialectCount = static_cast<int>(std::size(kPairDialects));
static_assert([] {
    std::uint16_t known = 0;
    for (std::uint16_t bits : kPairDialects) known = static_cast<std::uint16_t>(known | bits);
    for (const RuleAction& a : kActions) {
        if ((a.alt_dialects & ~known) != 0) return false;
    }
    return true;
}(), "a rule treats a dialect apart that kPairDialects does not list");
inline constexpr auto kPairs = [] {
    std::array<std::array<WordPair, kRuleSlots>, kPairDialectCount> pairs{};
    for (int d = 0; d < kPairDialectCount; ++d) {
        for (int rule = 0; rule < kRuleSlots; ++rule) pairs[d][rule] = kActions[rule].pair_for(kPairDialects[d]);
    }
    return pairs;
}();

// By the bit a dialect code is (dialect_bits()), 0 for none.
inline constexpr auto kPairsOfBit = [] {
    std::array<int, 17> index{};
    for (int d = 1; d < kPairDialectCount; ++d) index[std::countr_zero(kPairDialects[d]) + 1] = d;
    return index;
}();

inline const WordPair* pairs_for(std::uint16_t dialect_bits) {
    const int bit = dialect_bits == 0 ? 0 : std::countr_zero(dialect_bits) + 1;
    return kPairs[kPairsOfBit[bit]].data();
}

}  // namespace rule_table

}  // namespace spltwd

#endif  // SPLT_WD_ACTION_TABLE_H
