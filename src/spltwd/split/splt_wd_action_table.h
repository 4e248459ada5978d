// The rule actions of a profile as one constant table indexed by rule
// number, made at compile time from the action list that lexgen writes
// beside the profile's tables, and what the split call's match loop
// derives from it: which actions it runs inline, and each rule's word pair
// resolved per dialect.
#ifndef SPLT_WD_ACTION_TABLE_H
#define SPLT_WD_ACTION_TABLE_H

#include <array>
#include <bit>
#include <cstdint>
#include <iterator>

#include "splt_wd_actions.h"
#include "splt_wd_dfa.h"

namespace spltwd {

struct NumberedAction {
    int rule;
    RuleAction action;
};

// The row width and the bounds of a profile's tables (splt_wd_dfa.h), as
// constants.
struct RowShape {
    std::uint32_t width, loop_end, accepting_begin;
    std::uint32_t max_rule;  // the highest rule the tables accept
};

// What the split call's match loop does inline, for the rules whose whole
// action is one of these: record the match, record the fixed text, append
// the match, drop it, append it and enter a start condition (an opening
// quote), append it, record the pending word and return to the dialect
// state (a closing quote), print a debug line and record the match,
// record the match and mark a star.  The split call's scan derives three
// more (splt_wd_split_scan.h): kRecordLetter records the one-byte match of
// the rule that may take a name a letter at a time, and kOpenParen and
// kCloseParen count and record a parenthesis that a special word counts.
enum class InlineAction : std::uint8_t {
    kNone, kRecordMatch, kRecordText, kRecordLetter, kOpenParen, kCloseParen, kAppend, kDrop, kOpen, kClose,
    kPrintRecord, kRecordStar
};

// The dialects that some rule may treat apart, and so the dialects whose
// pairs are resolved ahead (index 0 serves every other dialect code).
inline constexpr std::uint16_t kPairDialects[] = {0,
                                                  rules::ORACLE,
                                                  rules::SQLSERVER,
                                                  rules::DB2,
                                                  rules::MYSQL,
                                                  rules::POSTGRESQL,
                                                  rules::INFORMIX};
inline constexpr int kPairDialectCount = static_cast<int>(std::size(kPairDialects));

// The table of one profile.  Rules provides kRuleList (the rules in
// number order), kRowShape, kBlankRunList and tables() / loops(), the
// generated tables.
template <class Rules>
struct RuleTable {
    static constexpr RowShape kRowShape = Rules::kRowShape;
    static constexpr unsigned kLetterRule = Rules::kLetterRule;
    static constexpr auto& kLetterRunList = Rules::kLetterRunList;
    static constexpr auto& kBlankRunList = Rules::kBlankRunList;
    static const DfaTables& tables() { return Rules::tables(); }
    static const DfaLoops& loops() { return Rules::loops(); }

    static constexpr int kRuleSlots = Rules::kRuleList[std::size(Rules::kRuleList) - 1].rule + 1;

    // The generator writes the tables and the actions in one run, from one
    // rule file: the tables accept no rule the actions do not know.
    static_assert(kRowShape.max_rule < kRuleSlots, "the tables and the actions come from different rule files");

    static constexpr std::array<RuleAction, kRuleSlots> kActions = [] {
        std::array<RuleAction, kRuleSlots> by_rule{};
        for (const auto& r : Rules::kRuleList) by_rule[r.rule] = r.action;
        return by_rule;
    }();

    static constexpr std::uint16_t kOpenSteps = kAppend | kEnter;
    static constexpr std::uint16_t kCloseSteps = kAppend | kRecordPending | kEnterDialect;
    static constexpr std::array<InlineAction, kRuleSlots> kInlineAction = [] {
        std::array<InlineAction, kRuleSlots> by_rule{};
        for (const auto& r : Rules::kRuleList) {
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

    // The pair of each rule resolved for each dialect of kPairDialects, so
    // that a split looks it up once per word.
    static constexpr auto kPairs = [] {
        std::array<std::array<WordPair, kRuleSlots>, kPairDialectCount> pairs{};
        for (int d = 0; d < kPairDialectCount; ++d) {
            for (int rule = 0; rule < kRuleSlots; ++rule) pairs[d][rule] = kActions[rule].pair_for(kPairDialects[d]);
        }
        return pairs;
    }();

    // By the bit a dialect code is (dialect_bits()), 0 for none.
    static constexpr auto kPairsOfBit = [] {
        std::array<int, 17> index{};
        for (int d = 1; d < kPairDialectCount; ++d) index[std::countr_zero(kPairDialects[d]) + 1] = d;
        return index;
    }();

    static const WordPair* pairs_for(std::uint16_t dialect_bits) {
        const int bit = dialect_bits == 0 ? 0 : std::countr_zero(dialect_bits) + 1;
        return kPairs[kPairsOfBit[bit]].data();
    }
};

// Whether every dialect that some rule of Table treats apart is one of
// kPairDialects, whose pairs are resolved ahead.
template <class Table>
constexpr bool pairs_cover_dialects() {
    std::uint16_t known = 0;
    for (std::uint16_t bits : kPairDialects) known = static_cast<std::uint16_t>(known | bits);
    for (const RuleAction& a : Table::kActions) {
        if ((a.alt_dialects & ~known) != 0) return false;
    }
    return true;
}

}  // namespace spltwd

#endif  // SPLT_WD_ACTION_TABLE_H
