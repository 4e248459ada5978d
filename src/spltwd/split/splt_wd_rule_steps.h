// The SQL rule actions as one template over where the words go.
//
// run_rule runs the steps of one entry of the action table
// (splt_wd_action_table.h) in their fixed order.  Two hosts run it: the
// splt_wd* scanner, whose words go to the session's dynamic strings
// (splt_wd_actions.cpp), and the split call's in-place scan with its
// private word buffers (splt_wd_split_scan.cpp), where the whole action
// inlines into the match loop.
//
// A Host provides the match (text(), length()), dialect_bits() of the
// session's dialect (worked out once per split where that pays), the scanner moves
// (begin(condition), give_back()) and the word steps (record(), append(),
// record_pending(), failed()).
#ifndef SPLT_WD_RULE_STEPS_H
#define SPLT_WD_RULE_STEPS_H

#include <cstdint>
#include <cstring>

#include "splt_wd_action_table.h"
#include "splt_wd_debug_lines.h"
#include "splt_wd_session.h"
#include "splt_wd_special_words.h"

namespace spltwd {

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

// Runs the action of `rule` (not kEndOfInput) of the rule table `Table`.
// Returns kContinue, the rule's stop value, -1 for a closing dollar tag
// that differs, or kOutOfMemory once a word could not be stored.
template <class Table, class Host>
inline int run_rule(int rule, Session& s, Host& host) {
    const RuleAction& a = Table::kActions[rule];
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

    // A special word may run past the match, or end before its end; only
    // the split call's scan reads such words.
    if constexpr (requires { host.set_length(length); }) {
        if (steps & kSpecial) {
            const SpecialWord word = read_special_word(s, host.dialect_bits(), text, length, host.available(), pair);
            host.set_length(word.length);
            if (word.separator) return kSeparatorMet;
            host.record(text, word.length, word.pair);
            return host.failed() ? kOutOfMemory : kContinue;
        }
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
