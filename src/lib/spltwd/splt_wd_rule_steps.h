// The SQL rule actions as one template over where the words go.
//
// The rule file's actions become one constant table indexed by rule number
// (kActions); run_rule runs the steps of one entry in their fixed order.
// Two hosts run it: the splt_wd* scanner, whose words go to the session's
// dynamic strings (splt_wd_actions.cpp), and the split call's in-place scan
// with its private word buffers (splt_wd_split_scan.cpp), where the whole
// action inlines into the match loop.
//
// A Host provides the match (text(), length()), dialect_bits() of the
// session's dialect (worked out once per split where that pays), the scanner moves
// (begin(condition), give_back()) and the word steps (record(), append(),
// record_pending(), failed()).
#ifndef SPLT_WD_RULE_STEPS_H
#define SPLT_WD_RULE_STEPS_H

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "splt_wd_actions.h"
#include "splt_wd_session.h"

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

// Hands a debug line to the session's receiver, if it has one: the
// format's prefix, the match up to its first zero byte (as a "%s"
// conversion of the zero-terminated match would show it) and a line end.
void print_debug(Session& s, DebugFormat format, const char* text, std::uint32_t length);

// The dialects of a record_if step that `dialect` belongs to: dialect codes
// are single bits, so only a single-bit code can be one of them.
inline std::uint16_t dialect_bits(std::int32_t dialect) {
    const bool single_bit = dialect > 0 && (dialect & (dialect - 1)) == 0;
    return single_bit ? static_cast<std::uint16_t>(dialect & 0xffff) : 0;
}

// A closing dollar tag must repeat the opening one byte for byte, as the
// caller's statement holds it.
inline bool closes_dollar_quote(const Session& s, const char* tag, std::uint32_t length) {
    return static_cast<std::int64_t>(length) == s.dollar_tag_length &&
           std::uint64_t{s.dollar_tag_begin} + length <= s.sql_len &&
           std::memcmp(s.sql_text + s.dollar_tag_begin, tag, length) == 0;
}

// Runs the action of `rule` (not kEndOfInput).  Returns kContinue, the
// rule's stop value, -1 for a closing dollar tag that differs, or
// kOutOfMemory once a word could not be stored.
template <class Host>
inline int run_rule(int rule, Session& s, Host& host) {
    const RuleAction& a = rule_table::kActions[rule];
    const char* text = host.text();
    const std::uint32_t length = host.length();
    const std::uint16_t steps = a.steps;
    // A re-scanned name is counted twice, so the sum may pass 2^31 on a huge
    // statement: it wraps as an unsigned count would.
    s.parse_pos = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.parse_pos) + length);

    const WordPair pair = a.pair_for(host.dialect_bits());
    // Most matches only record themselves.
    if (steps == kRecordMatch) {
        host.record(text, length, pair);
        return host.failed() ? kOutOfMemory : kContinue;
    }

    if (steps & kDollarOpen) {
        s.dollar_tag_begin = static_cast<std::uint32_t>(s.parse_pos) - length;
        s.dollar_tag_length = static_cast<std::int32_t>(length);
    }
    if ((steps & kDollarCheck) && !closes_dollar_quote(s, text, length)) return -1;
    if (steps & kRescanStart) {
        s.rescan_length = length;
        s.rescan_consumed = 0;
    }
    if (steps & kRescanCount) s.rescan_consumed += length;
    if (steps & kPrint) print_debug(s, a.debug, text, length);
    if (steps & kAppend) host.append(text, length);

    if (steps & kRecordMatch) host.record(text, length, pair);
    if (steps & kRecordText) host.record(a.text, a.text_len, pair);
    if (steps & kRecordPending) host.record_pending(pair);
    if (steps & kRescanStep) {
        if (s.rescan_consumed >= s.rescan_length) {
            host.record_pending(pair);
            if (steps & kStar) s.have_star = 1;
            s.rescan_consumed = 0;
            s.rescan_length = 0;
            host.begin(s.dialect_condition);
        }
    } else if (steps & kStar) {
        s.have_star = 1;
    }
    if (steps & kEnter) host.begin(a.condition);
    if (steps & kEnterDialect) host.begin(s.dialect_condition);
    if (steps & kGiveBack) host.give_back();
    if (steps & kStop) return a.stop_value;
    return host.failed() ? kOutOfMemory : kContinue;
}

}  // namespace spltwd

#endif  // SPLT_WD_RULE_STEPS_H
