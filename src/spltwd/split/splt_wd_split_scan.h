// The split call's scan: the SQL rules over the caller's statement in
// place, with the actions inlined into the match loop and the words going
// to the split call's own buffers.
//
// It matches exactly as the splt_wd* scanner does over its copy of the
// statement (same tables, longest match, lowest rule on a tie, give-back,
// end of input), but needs no copy, no buffer records and no zero byte
// written behind each match: no action of the split call looks past the
// length of its match.
#ifndef SPLT_WD_SPLIT_SCAN_H
#define SPLT_WD_SPLIT_SCAN_H

#include <array>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <type_traits>

#include "splt_wd_action_table.h"
#include "splt_wd_actions.h"
#include "splt_wd_dfa.h"
#include "splt_wd_rule_steps.h"
#include "splt_wd_scanner_memory.h"
#include "splt_wd_session.h"
#include "splt_wd_word_buffers.h"
#include "splt_wd_word_sink.h"

namespace spltwd {

// Table is the RuleTable of the profile whose rules run (splt_wd_profiles.h),
// Sink where the words go (splt_wd_word_sink.h).
// Whether some rule of Table records a word gathered in the pending
// buffer (a quote read piece by piece).
template <class Table>
constexpr bool records_pending_words() {
    for (const RuleAction& a : Table::kActions) {
        if ((a.steps & (kRecordPending | kRescanStep)) != 0) return true;
    }
    return false;
}

// Marks the rules whose special word is a parenthesis that PostgreSQL's
// special words count: the match loop counts and records them itself.
template <class Table, class How>
constexpr void mark_counted_parens(How& how) {
    for (std::size_t rule = 0; rule < how.size(); ++rule) {
        const RuleAction& a = Table::kActions[rule];
        if (a.steps == kSpecial && a.alt_dialects == 0 &&
            (a.pair.type == SPLT_WD_TYPE_LPAREN || a.pair.type == SPLT_WD_TYPE_RPAREN))
            how[rule] = a.pair.type == SPLT_WD_TYPE_LPAREN ? InlineAction::kOpenParen : InlineAction::kCloseParen;
    }
}

// What the match loop does for each rule when its words go to a sink.  A
// sink takes no blanks: a rule whose word is whitespace or a comment in
// every dialect is dropped without a word, and a rule whose word is one in
// some dialects only records through the sink's check of the type
// (kPrintRecord; a sink prints no debug lines).  A rule whose word is never
// blank records its match (kRecordMatch) or its text (kRecordText) without
// a check; a sink marks no star.
template <class Table>
constexpr auto sink_actions() {
    auto how = Table::kInlineAction;
    for (std::size_t rule = 0; rule < how.size(); ++rule) {
        if (how[rule] != InlineAction::kRecordMatch && how[rule] != InlineAction::kRecordText &&
            how[rule] != InlineAction::kPrintRecord && how[rule] != InlineAction::kRecordStar)
            continue;
        int blank = 0;
        for (const auto& pairs : Table::kPairs) {
            const std::uint16_t type = pairs[rule].type;
            blank += type == SPLT_WD_TYPE_SPACE || type == SPLT_WD_TYPE_COMMENT;
        }
        if (blank == kPairDialectCount) {
            how[rule] = InlineAction::kDrop;
        } else if (blank != 0) {
            how[rule] = InlineAction::kPrintRecord;
        } else if (how[rule] != InlineAction::kRecordText) {
            how[rule] = InlineAction::kRecordMatch;
        }
    }
    mark_counted_parens<Table>(how);
    return how;
}

// sink_actions() resolved for each dialect of kPairDialects: a rule whose
// word is whitespace or a comment in the dialect is dropped, any other
// recording rule records its match or its text, so that the match loop
// checks no word's type.
template <class Table>
constexpr auto sink_actions_by_dialect() {
    constexpr auto kHow = sink_actions<Table>();
    std::array<std::array<InlineAction, kHow.size()>, kPairDialectCount> by_dialect{};
    for (int d = 0; d < kPairDialectCount; ++d) {
        by_dialect[d] = kHow;
        for (std::size_t rule = 0; rule < kHow.size(); ++rule) {
            if (kHow[rule] != InlineAction::kPrintRecord) continue;
            const std::uint16_t type = Table::kPairs[d][rule].type;
            const bool blank = type == SPLT_WD_TYPE_SPACE || type == SPLT_WD_TYPE_COMMENT;
            by_dialect[d][rule] = blank ? InlineAction::kDrop : InlineAction::kRecordMatch;
        }
    }
    return by_dialect;
}

// The pairs of a sink's scan, for each dialect of kPairDialects: each
// rule's type, and in place of its mask the rule itself where the rule's
// words are its matches as they are (kRecordMatch), else 0 (SinkWord::rule).
template <class Table>
constexpr auto sink_pairs() {
    constexpr auto kHows = sink_actions_by_dialect<Table>();
    auto pairs = Table::kPairs;
    static_assert(kHows[0].size() == pairs[0].size() && kHows[0].size() <= 0x10000,
                  "a rule is held in the 16 bits of a mask");
    for (int d = 0; d < kPairDialectCount; ++d) {
        for (std::size_t rule = 0; rule < pairs[d].size(); ++rule) {
            const bool match = kHows[d][rule] == InlineAction::kRecordMatch;
            pairs[d][rule].mask = match ? static_cast<std::uint16_t>(rule) : std::uint16_t{0};
        }
    }
    return pairs;
}

// Whether every word type of Table's rules is below SinkWord::kTypeLimit.
template <class Table>
constexpr bool types_fit_sink_words() {
    for (const auto& pairs : Table::kPairs) {
        for (const WordPair& pair : pairs) {
            if (pair.type >= SinkWord::kTypeLimit) return false;
        }
    }
    return true;
}

template <class Table, class Sink = RecordStream>
class SplitScan {
    static constexpr bool kToSink = std::is_same_v<Sink, WordSink>;
    static_assert(!kToSink || types_fit_sink_words<Table>(), "a sink's readers look its word types up in 256 slots");
    // A sink keeps where each word's bytes lie until it hands its batch
    // on; the pending buffer is cleared and written again before that.
    static_assert(!kToSink || !records_pending_words<Table>(),
                  "words gathered in the pending buffer would have to be copied for a sink");
    static constexpr auto kHow = [] {
        if constexpr (kToSink) {
            return sink_actions<Table>();
        } else {
            auto how = Table::kInlineAction;
            mark_counted_parens<Table>(how);
            // The letter rule's words go to pass_letters.
            if constexpr (Table::kLetterRule != 0) {
                static_assert(Table::kInlineAction[Table::kLetterRule] == InlineAction::kRecordMatch,
                              "the letter rule only records its match");
                how[Table::kLetterRule] = InlineAction::kRecordLetter;
            }
            return how;
        }
    }();
    static constexpr bool kCountsParens = [] {
        for (const InlineAction how : kHow) {
            if (how == InlineAction::kOpenParen || how == InlineAction::kCloseParen) return true;
        }
        return false;
    }();
    // A sink's scan in each dialect of kPairDialects: each rule's pair
    // (sink_pairs()) and action (sink_actions_by_dialect()) side by side, so
    // that one register finds both, in 8 bytes, so that a scaled index does.
    struct alignas(8) SinkRule {
        WordPair pair;
        InlineAction how;
    };
    struct SinkDialect {
        std::array<SinkRule, Table::kRuleSlots> rules;
    };
    static constexpr auto kSinkDialects = [] {
        if constexpr (kToSink) {
            constexpr auto kPairs = sink_pairs<Table>();
            constexpr auto kHows = sink_actions_by_dialect<Table>();
            std::array<SinkDialect, kPairDialectCount> dialects{};
            for (int d = 0; d < kPairDialectCount; ++d) {
                for (int rule = 0; rule < Table::kRuleSlots; ++rule)
                    dialects[d].rules[rule] = {kPairs[d][rule], kHows[d][rule]};
            }
            return dialects;
        } else {
            return RecordStream{};
        }
    }();
    // The blank runs that the scan takes by their bytes, without a walk
    // (BlankRunEntry), per start condition: those whose word the scan keeps
    // or drops without looking at it (a sink drops it, a record stream
    // records its match or its text).
    struct BlankRunOf {
        bool passed;
        unsigned stay_set;
    };
    // The start conditions that the scan's tables by condition cover (a
    // condition beyond them has no blank run and no letter run).
    static constexpr std::size_t kConditionSlots = 64;
    static constexpr auto kBlankRuns = [] {
        std::array<BlankRunOf, kConditionSlots> by_condition{};
        for (const BlankRunEntry& run : Table::kBlankRunList) {
            if (run.condition < 0) break;
            if (static_cast<std::size_t>(run.condition) >= kConditionSlots) throw "a condition beyond kConditionSlots";
            const InlineAction how = kHow[run.rule];
            const bool passed = kToSink ? how == InlineAction::kDrop
                                        : how == InlineAction::kRecordMatch || how == InlineAction::kRecordText;
            by_condition[run.condition] = {passed, run.stay_set};
        }
        return by_condition;
    }();
    // The rule of every blank run the scan passes (one rule in every
    // condition, so that its word is known here), or 0 for none.
    static constexpr unsigned kBlankRule = [] {
        unsigned rule = 0;
        for (const BlankRunEntry& run : Table::kBlankRunList) {
            if (run.condition < 0 || !kBlankRuns[run.condition].passed) continue;
            if (rule != 0 && rule != run.rule) throw "the blank runs of a scan are of more than one rule";
            rule = run.rule;
        }
        return rule;
    }();
    static constexpr bool kPassesBlankRuns = kBlankRule != 0;
    // Whether the scan takes the letter rule's words in pass_letters.
    static constexpr bool kTakesLetters = !kToSink && Table::kLetterRule != 0;
    // The letter runs (LetterRunEntry) of each start condition, one block
    // each that a state 0 ends, and where each condition's block begins.
    struct LetterRunOf {
        DfaState state;  // 0 ends a condition's block
        std::uint32_t pairs;
    };
    static constexpr std::size_t kLetterRunSlots = std::size(Table::kLetterRunList) + kConditionSlots;
    static constexpr auto kLetterRuns = [] {
        struct {
            std::array<LetterRunOf, kLetterRunSlots> runs{};
            std::array<std::uint16_t, kConditionSlots> first{};
        } by_condition;
        std::size_t at = 0;
        for (std::size_t condition = 0; condition < kConditionSlots; ++condition) {
            by_condition.first[condition] = static_cast<std::uint16_t>(at);
            for (const LetterRunEntry& run : Table::kLetterRunList) {
                if (run.condition < 0) break;
                const auto of = static_cast<std::size_t>(run.condition);
                if (of >= kConditionSlots) throw "a condition beyond kConditionSlots";
                if (of == condition) by_condition.runs[at++] = {run.state, run.pairs};
            }
            by_condition.runs[at++] = {0, 0};
        }
        return by_condition;
    }();
    static constexpr std::uint8_t kNoBlanks[256] = {};
    static auto sink_dialect_for([[maybe_unused]] std::uint16_t dialect_bits) {
        if constexpr (kToSink) {
            const int bit = dialect_bits == 0 ? 0 : std::countr_zero(dialect_bits) + 1;
            return &kSinkDialects[Table::kPairsOfBit[bit]];
        } else {
            return RecordStream{};
        }
    }

public:
    // With `echo_unmatched`, a byte that no rule takes (the rules leave
    // none) goes to the process-wide scanner's output, as that scanner
    // would echo it (default_scanner_output()).
    SplitScan(Session& session, GrowBuffer& stream, GrowBuffer& pending, int first_condition, bool echo_unmatched);
    // Where the words go instead of the stream, which is left empty.
    void send_words_to([[maybe_unused]] Sink* sink) {
        if constexpr (kToSink) sink_ = sink;
    }

    // Scans from where the last run stopped until an action returns: 1 at
    // the end of the statement, else the action's value.
    int run();

    // Bytes of the statement taken so far.
    std::uint32_t offset() const { return static_cast<std::uint32_t>(pos_ - base_); }

    // The host interface of run_rule.
    const char* text() const { return reinterpret_cast<const char*>(match_); }
    std::uint32_t length() const { return length_; }
    std::uint16_t dialect_bits() const { return dialect_bits_; }
    void begin(int condition);
    // Starts the next match in `condition`, which the caller has checked.
    void enter(int condition) {
        start_state_ = Table::tables().start[condition];
        if constexpr (kPassesBlankRuns) {
            const BlankRunOf run =
                static_cast<std::size_t>(condition) < kConditionSlots ? kBlankRuns[condition] : BlankRunOf{};
            blank_ = run.passed ? Table::loops().stays + std::size_t{run.stay_set} * 256 : kNoBlanks;
        }
        if constexpr (kTakesLetters) {
            letter_runs_ = &kLetterRuns.runs[static_cast<std::size_t>(condition) < kConditionSlots
                                                  ? kLetterRuns.first[condition]
                                                  : kLetterRunSlots - 1];
        }
    }
    void give_back() {
        pos_ = match_;
        length_ = 0;
    }
    // For the special words: the bytes from the match to the end of the
    // statement, and a new length for the match.
    std::uint32_t available() const { return static_cast<std::uint32_t>(end_ - match_); }
    void set_length(std::uint32_t length) {
        length_ = length;
        pos_ = match_ + length;
    }
    void record(const char* word, std::uint32_t length, WordPair pair);
    void append(const char* bytes, std::uint32_t length);
    void record_pending(WordPair pair) {
        record(pending_.data(), static_cast<std::uint32_t>(pending_.size()), pair);
        pending_.clear();
    }
    bool failed() const { return s_.out_of_memory; }

private:
    using Byte = unsigned char;

    // The walk's longest match so far: the state that accepted it (0 for
    // none) and its end.
    struct Longest {
        DfaState state;
        const Byte* end;
    };
    // A run of a walk through a loop state: the walk was in `state` at
    // every place from `from` to `to`, and its longest match was `last`.
    struct LoopRun {
        DfaState state;  // 0: none
        const Byte* from;
        const Byte* to;
        Longest last;
    };

    // Inlined into run() whatever the optimisation level: their values
    // stay in registers there.
    [[gnu::always_inline]] Longest walk(const Byte* from, const Byte* end);
    [[gnu::always_inline]] Longest steps(DfaState state, const Byte* p, const Byte* end, Longest last);
    [[gnu::always_inline]] bool pass_loop_state(DfaState state, const Byte*& p, Longest& last, const Byte* end);
    [[gnu::always_inline]] Longest end_walk(Longest last);
    // The rest of a sink's walk from the run it notes (pass_loop_state()).
    [[gnu::noinline]] Longest finish_noted_walk(DfaState state, const Byte* p, const Byte* end, Longest last);
    [[gnu::always_inline]] const Byte* pass_letters(const Byte* pos, const Byte* safe_end);
    [[gnu::noinline]] int run_general(unsigned rule, const Byte* end);
    [[gnu::noinline]] static void echo_byte(Byte byte);
    [[gnu::noinline]] bool before_record(InlineAction how, unsigned rule, const Byte* from, const Byte* end);
    [[gnu::noinline]] bool make_room(std::uint32_t length, const Byte* pos);
    void take_cursor();
    void hand_over_cursor();

    Session& s_;
    // A sink, when the words go to one; a record stream takes no room.
    [[no_unique_address]] std::conditional_t<kToSink, Sink*, RecordStream> sink_{};
    GrowBuffer& stream_;
    GrowBuffer& pending_;
    const bool echo_unmatched_;
    const Byte* const base_;
    const Byte* const end_;
    const Byte* pos_;    // where the next match starts
    const Byte* match_;  // the current match
    std::uint32_t length_ = 0;
    DfaState start_state_;  // the start state of the current start condition
    const std::uint16_t dialect_bits_;
    const WordPair* const pairs_;  // each rule's pair in this dialect (a sink's are in sink_dialect_)
    // A sink's actions and pairs in this dialect (kSinkDialects); a record
    // stream reads kHow and pairs_.
    [[no_unique_address]] std::conditional_t<kToSink, const SinkDialect*, RecordStream> sink_dialect_{};
    // The bytes that begin and keep the blank run of the current start
    // condition (kBlankRuns).
    const std::uint8_t* blank_ = kNoBlanks;
    // Before it, a whole block of kOverwrite bytes of the statement may be
    // read (see run()).
    const Byte* const block_end_;
    LoopRun known_{};  // see pass_loop_state()
    // The letter runs of the current start condition (kLetterRuns), where
    // the scan takes letters.
    [[no_unique_address]] std::conditional_t<kTakesLetters, const LetterRunOf*, RecordStream> letter_runs_{};
    bool noted_ = false;  // whether known_ holds a run of the walk in progress

    // What run() keeps while it records words itself: the stream's write
    // position and limit (in locals, handed over here for make_room and
    // run_general), the longest word and the parse position.  The general
    // actions find them in the stream and the session.  take_cursor() sets
    // them when run() begins.
    char* out_;
    char* out_limit_;
    std::uint32_t longest_;
    std::uint32_t parse_pos_;   // up to counted_to_, which run() moves
    const Byte* counted_to_;    // on over the matches it runs itself
};

// Defined here, so that the split call sets its scan up in place.
template <class Table, class Sink>
inline SplitScan<Table, Sink>::SplitScan(Session& session, GrowBuffer& stream, GrowBuffer& pending,
                                         int first_condition, bool echo_unmatched)
    : s_(session),
      stream_(stream),
      pending_(pending),
      echo_unmatched_(echo_unmatched),
      base_(reinterpret_cast<const Byte*>(session.sql_text)),
      end_(base_ + session.sql_len),
      pos_(base_),
      match_(base_),
      dialect_bits_(spltwd::dialect_bits(session.dialect)),
      pairs_(kToSink ? nullptr : Table::pairs_for(dialect_bits_)),
      sink_dialect_(sink_dialect_for(dialect_bits_)),
      block_end_(!kToSink && session.sql_len >= GrowBuffer::kOverwrite ? end_ - (GrowBuffer::kOverwrite - 1)
                                                                        : base_) {
    enter(first_condition);
}

template <class Table, class Sink>
inline void SplitScan<Table, Sink>::record(const char* word, std::uint32_t length, WordPair pair) {
    if constexpr (kToSink) {
        (*sink_)(word, length, pair);
        return;
    }
    char* at = stream_.room(std::size_t{length} + 8);
    if (at == nullptr) {
        s_.out_of_memory = true;
        return;
    }
    std::memcpy(at, &length, 4);
    copy_bytes(at + 4, word, length);
    std::memcpy(at + 4 + length, &pair, 4);
    stream_.commit(std::size_t{length} + 8);
    if (length > s_.longest_word) s_.longest_word = length;
}

template <class Table, class Sink>
inline void SplitScan<Table, Sink>::append(const char* bytes, std::uint32_t length) {
    char* at = pending_.room(length);
    if (at == nullptr) {
        s_.out_of_memory = true;
        return;
    }
    copy_bytes(at, bytes, length);
    pending_.commit(length);
}

}  // namespace spltwd

#endif  // SPLT_WD_SPLIT_SCAN_H
