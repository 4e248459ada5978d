// The actions of the SQL rules.
//
// The rule file's actions become one constant table indexed by rule number;
// sql_action runs the steps of one entry in their fixed order.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "splt_wd_actions.h"
#include "splt_wd_session.h"
#include "splt_wd_words.h"

namespace spltwd {
namespace {

enum Condition : int {
#define SPLT_WD_CONDITION(number, name) name = number,
#include "sql_tables_actions.inc"
};

using namespace rules;

struct NumberedAction {
    int rule;
    RuleAction action;
};

constexpr NumberedAction kRuleList[] = {
#define SPLT_WD_RULE(number, ...) {number, action(__VA_ARGS__)},
#include "sql_tables_actions.inc"
};

constexpr int kRuleSlots = kRuleList[std::size(kRuleList) - 1].rule + 1;

constexpr std::array<RuleAction, kRuleSlots> kActions = [] {
    std::array<RuleAction, kRuleSlots> by_rule{};
    for (const auto& r : kRuleList) by_rule[r.rule] = r.action;
    return by_rule;
}();

const char* const kDebugPrefix[] = {"", "66-splt_wdtext:", "splt_wdtext:", "612-splt_wdtext:"};

// The debug line shows the match up to its first zero byte, as a "%s"
// conversion would.  The lock keeps the line whole when splits run on
// several threads.
void print_debug(DebugFormat format, const char* text) {
    flockfile(stdout);
    std::fputs(kDebugPrefix[format], stdout);
    std::fputs(text, stdout);
    std::fputc('\n', stdout);
    funlockfile(stdout);
}

// Dialect codes are single bits; `dialects` is a sum of them.
bool dialect_in(std::int32_t dialect, std::uint16_t dialects) {
    return dialect > 0 && (dialect & (dialect - 1)) == 0 && (dialect & dialects) != 0;
}

// A closing dollar tag must repeat the opening one byte for byte, as the
// caller's statement holds it.
bool closes_dollar_quote(const Session& s, const char* tag, std::uint32_t length) {
    return static_cast<std::int64_t>(length) == s.dollar_tag_length &&
           std::uint64_t{s.dollar_tag_begin} + length <= s.sql_len &&
           std::memcmp(s.sql_text + s.dollar_tag_begin, tag, length) == 0;
}

}  // namespace

int sql_action(Scanner& scanner, int rule, void* context) {
    Session& s = *static_cast<Session*>(context);
    if (rule == kEndOfInput) return 1;

    const RuleAction& a = kActions[rule];
    const char* text = scanner.text;
    const auto length = static_cast<std::uint32_t>(scanner.leng);
    const std::uint16_t steps = a.steps;
    // A re-scanned name is counted twice, so the sum may pass 2^31 on a huge
    // statement: it wraps as an unsigned count would.
    s.parse_pos = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.parse_pos) + length);

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
    if (steps & kPrint) print_debug(a.debug, text);
    if (steps & kAppend) append_pending(s, text, length);

    const bool alt = dialect_in(s.dialect, a.alt_dialects);
    const std::uint16_t type = alt ? a.alt_type : a.type;
    const std::uint16_t mask = alt ? a.alt_mask : a.mask;
    if (steps & kRecordMatch) record_word(s, text, length, type, mask);
    if (steps & kRecordText) record_word(s, a.text, a.text_len, type, mask);
    if (steps & kRecordPending) record_pending(s, type, mask);
    if (steps & kRescanStep) {
        if (s.rescan_consumed >= s.rescan_length) {
            record_pending(s, type, mask);
            if (steps & kStar) s.have_star = 1;
            s.rescan_consumed = 0;
            s.rescan_length = 0;
            scanner_begin(scanner, s.dialect_condition);
        }
    } else if (steps & kStar) {
        s.have_star = 1;
    }
    if (steps & kEnter) scanner_begin(scanner, a.condition);
    if (steps & kEnterDialect) scanner_begin(scanner, s.dialect_condition);
    if (steps & kGiveBack) scanner_give_back(scanner);
    if (steps & kStop) return a.stop_value;
    return s.out_of_memory ? kOutOfMemory : kContinue;
}

}  // namespace spltwd
