// The vocabulary of the SQL rule actions.
//
// Every rule of rules/splt_wd.rules ends in an action written with the step
// functions below, for example
//
//     27  *  i"SELECT"  => record_if(ORACLE, SELECT, 0x0200, SELECT, 0x0080)
//     511 *  "/*"       => append(), enter(C_COMMENT)
//
// The pattern compiler copies each action into a list of
// SPLT_WD_RULE(number, steps...) lines; here each step is a constexpr value
// and action() folds them into one RuleAction, so the whole rule table is a
// constant array and the runtime is one function over it.  Every action
// first advances the parse position by the match length; the steps then run
// in the order of the Steps bits below, whatever order the rule file lists
// them in.
#ifndef SPLT_WD_ACTIONS_H
#define SPLT_WD_ACTIONS_H

#include <cstddef>
#include <cstdint>

#include "mirx_sql_splt_wd.h"

namespace spltwd {

enum Steps : std::uint16_t {
    kDollarOpen = 1u << 0,      // note where the opening dollar tag starts and how long it is
    kDollarCheck = 1u << 1,     // stop with -1 unless the match equals the opening tag
    kRescanStart = 1u << 2,     // note the re-scan length, reset its counter
    kRescanCount = 1u << 3,     // add the match length to the re-scan counter
    kPrint = 1u << 4,           // print the match with the rule's debug format
    kAppend = 1u << 5,          // append the match to the pending word
    kRecordMatch = 1u << 6,     // record the match with the rule's pair
    kRecordText = 1u << 7,      // record the rule's fixed text with its pair
    kRecordPending = 1u << 8,   // record the pending word with the pair, then clear it
    kRescanStep = 1u << 9,      // record the pending word only once the counter reaches the length
    kStar = 1u << 10,           // mark a star-bearing word (with kRescanStep: only when it records)
    kEnter = 1u << 11,          // enter the rule's start condition
    kEnterDialect = 1u << 12,   // return to the dialect state
    kGiveBack = 1u << 13,       // hand the whole match back to the scanner
    kStop = 1u << 14,           // end the scan with the rule's stop value
    kSpecial = 1u << 15,        // read a word no table can (special_words.h) and record it
};

enum DebugFormat : std::uint8_t { NO_DEBUG, DEBUG_66, DEBUG_PLAIN, DEBUG_612 };

// A word's type and mask, in the order a word record holds them.
struct WordPair {
    std::uint16_t type = 0;
    std::uint16_t mask = 0;
};

// 32 bytes: the split call's match loop finds an action with a shift.
struct RuleAction {
    std::uint16_t steps = 0;
    DebugFormat debug = NO_DEBUG;
    std::int8_t condition = 0;     // for kEnter
    std::int8_t stop_value = 0;    // for kStop
    std::uint8_t text_len = 0;     // for kRecordText, with text below
    std::uint16_t alt_dialects = 0;  // the dialects that record alt_pair instead of pair
    WordPair pair;
    WordPair alt_pair;
    // The text sits in a block of kTextBlock bytes, so that it can be
    // copied as one block whatever its length.
    static constexpr std::size_t kTextBlock = 16;
    char text[kTextBlock] = {};

    constexpr const WordPair& pair_for(std::uint16_t dialect_bits) const {
        return (dialect_bits & alt_dialects) != 0 ? alt_pair : pair;
    }
};
static_assert(sizeof(RuleAction) == 32, "an action is 32 bytes");

namespace rules {

// Word types, by their short names.
constexpr std::uint16_t KEYWORD = SPLT_WD_TYPE_KEYWORD, OTHER = SPLT_WD_TYPE_OTHER,
    STRING = SPLT_WD_TYPE_STRING, DQ_STRING = SPLT_WD_TYPE_DQ_STRING, NUMBER = SPLT_WD_TYPE_NUMBER,
    COMMENT = SPLT_WD_TYPE_COMMENT, NAME = SPLT_WD_TYPE_NAME, STAR_NAME = SPLT_WD_TYPE_STAR_NAME,
    STAR = SPLT_WD_TYPE_STAR, SELECT = SPLT_WD_TYPE_SELECT, FROM = SPLT_WD_TYPE_FROM,
    WHERE = SPLT_WD_TYPE_WHERE, COMMA = SPLT_WD_TYPE_COMMA, SPACE = SPLT_WD_TYPE_SPACE,
    END = SPLT_WD_TYPE_END, LPAREN = SPLT_WD_TYPE_LPAREN, RPAREN = SPLT_WD_TYPE_RPAREN,
    UNION = SPLT_WD_TYPE_UNION, AS = SPLT_WD_TYPE_AS, THEN = SPLT_WD_TYPE_THEN,
    ELSE = SPLT_WD_TYPE_ELSE, PIPE = SPLT_WD_TYPE_PIPE, AT_VARIABLE = SPLT_WD_TYPE_AT_VARIABLE,
    ATAT_VARIABLE = SPLT_WD_TYPE_ATAT_VARIABLE, CASE = SPLT_WD_TYPE_CASE,
    BIND_VARIABLE = SPLT_WD_TYPE_BIND_VARIABLE, WITH = SPLT_WD_TYPE_WITH,
    ORDER_BY = SPLT_WD_TYPE_ORDER_BY, DOLLAR_STRING = SPLT_WD_TYPE_DOLLAR_STRING,
    BIT_STRING = SPLT_WD_TYPE_BIT_STRING, GROUP_BY = SPLT_WD_TYPE_GROUP_BY,
    PARTITION_BY = SPLT_WD_TYPE_PARTITION_BY, COMPARISON = SPLT_WD_TYPE_COMPARISON;

// Dialect codes are single bits, so a set of dialects is their sum.
constexpr std::uint16_t ORACLE = SPLT_WD_DIALECT_ORACLE, SQLSERVER = SPLT_WD_DIALECT_SQLSERVER,
    DB2 = SPLT_WD_DIALECT_DB2, MYSQL = SPLT_WD_DIALECT_MYSQL,
    POSTGRESQL = SPLT_WD_DIALECT_POSTGRESQL, INFORMIX = SPLT_WD_DIALECT_INFORMIX;

constexpr RuleAction step(std::uint16_t steps) {
    RuleAction a;
    a.steps = steps;
    return a;
}
constexpr RuleAction with_pair(RuleAction a, std::uint16_t type, std::uint16_t mask) {
    a.pair = a.alt_pair = WordPair{type, mask};
    return a;
}
constexpr RuleAction with_pair_if(RuleAction a, std::uint16_t dialects, std::uint16_t type,
                                  std::uint16_t mask, std::uint16_t else_type,
                                  std::uint16_t else_mask) {
    a = with_pair(a, else_type, else_mask);
    a.alt_dialects = dialects;
    a.alt_pair = WordPair{type, mask};
    return a;
}

constexpr RuleAction print(DebugFormat format) {
    RuleAction a = step(kPrint);
    a.debug = format;
    return a;
}
constexpr RuleAction record(std::uint16_t type, std::uint16_t mask) {
    return with_pair(step(kRecordMatch), type, mask);
}
// Records (type, mask) when the dialect code is one of `dialects`, else (else_type, else_mask).
constexpr RuleAction record_if(std::uint16_t dialects, std::uint16_t type, std::uint16_t mask,
                               std::uint16_t else_type, std::uint16_t else_mask) {
    return with_pair_if(step(kRecordMatch), dialects, type, mask, else_type, else_mask);
}
template <std::size_t N>
constexpr RuleAction record_text(const char (&text)[N], std::uint16_t type, std::uint16_t mask) {
    static_assert(N - 1 <= RuleAction::kTextBlock, "a fixed text fits in its block");
    RuleAction a = with_pair(step(kRecordText), type, mask);
    for (std::size_t i = 0; i + 1 < N; ++i) a.text[i] = text[i];
    a.text_len = N - 1;
    return a;
}
constexpr RuleAction append() { return step(kAppend); }
constexpr RuleAction record_pending(std::uint16_t type, std::uint16_t mask) {
    return with_pair(step(kRecordPending), type, mask);
}
constexpr RuleAction record_pending_if(std::uint16_t dialects, std::uint16_t type,
                                       std::uint16_t mask, std::uint16_t else_type,
                                       std::uint16_t else_mask) {
    return with_pair_if(step(kRecordPending), dialects, type, mask, else_type, else_mask);
}
constexpr RuleAction enter(int condition) {
    RuleAction a = step(kEnter);
    a.condition = static_cast<std::int8_t>(condition);
    return a;
}
constexpr RuleAction enter_dialect() { return step(kEnterDialect); }
constexpr RuleAction star() { return step(kStar); }
constexpr RuleAction stop(int value) {
    RuleAction a = step(kStop);
    a.stop_value = static_cast<std::int8_t>(value);
    return a;
}
constexpr RuleAction give_back() { return step(kGiveBack); }
// Reads the word that the match opens as read_special_word() does
// (splt_wd_special_words.h) and records it, with this pair unless the word
// read tells otherwise.
constexpr RuleAction special(std::uint16_t type, std::uint16_t mask) {
    return with_pair(step(kSpecial), type, mask);
}
constexpr RuleAction drop() { return step(0); }
constexpr RuleAction dollar_open() { return step(kDollarOpen); }
constexpr RuleAction dollar_check() { return step(kDollarCheck); }
constexpr RuleAction rescan_start() { return step(kRescanStart); }
constexpr RuleAction rescan_gap() { return step(kRescanCount); }
// Counts and appends the match; once the counter reaches the re-scan length,
// records the pending word with the pair (and marks a star with star()),
// clears the counter and returns to the dialect state.
constexpr RuleAction rescan_step(std::uint16_t type, std::uint16_t mask) {
    return with_pair(step(kRescanCount | kAppend | kRescanStep), type, mask);
}

// Folds the steps of one rule into one action; at most one step carries a pair.
constexpr RuleAction merge(RuleAction a, const RuleAction& b) {
    if (b.steps & (kRecordMatch | kRecordText | kRecordPending | kRescanStep | kSpecial)) {
        a.pair = b.pair;
        a.alt_dialects = b.alt_dialects;
        a.alt_pair = b.alt_pair;
        for (std::size_t i = 0; i < RuleAction::kTextBlock; ++i) a.text[i] = b.text[i];
        a.text_len = b.text_len;
    }
    if (b.steps & kPrint) a.debug = b.debug;
    if (b.steps & kEnter) a.condition = b.condition;
    if (b.steps & kStop) a.stop_value = b.stop_value;
    a.steps = static_cast<std::uint16_t>(a.steps | b.steps);
    return a;
}
template <typename... Rest>
constexpr RuleAction action(const RuleAction& first, const Rest&... rest) {
    RuleAction a = first;
    ((a = merge(a, rest)), ...);
    return a;
}

}  // namespace rules
}  // namespace spltwd

#endif  // SPLT_WD_ACTIONS_H
