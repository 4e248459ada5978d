// The split call's match loop.
#include "splt_wd_split_scan.h"

#include <cstring>

#include "splt_wd_profiles.h"
#include "splt_wd_rule_steps.h"
#include "splt_wd_scanner_memory.h"
#include "splt_wd_stay_run.h"

namespace spltwd {
namespace {

static_assert(sizeof(WordPair) == 4, "a word record ends in its 2-byte type and 2-byte mask");

// Writes the record of a one-byte word at `out`; returns its end.
inline char* record_byte(char* out, unsigned char byte, WordPair pair) {
    constexpr std::uint32_t kLength = 1;
    std::memcpy(out, &kLength, 4);
    out[4] = static_cast<char>(byte);
    std::memcpy(out + 5, &pair, 4);
    return out + 9;
}

}  // namespace

template <class Table, class Sink>
void SplitScan<Table, Sink>::begin(int condition) {
    if (condition >= 0 && condition < Table::tables().condition_count) enter(condition);
}

// One walk, in plain words: from `p`, step through the table byte by byte,
// remembering the last place where the state accepts a rule, until a byte
// has no move or the statement ends.  The bytes read beyond the match are
// read again by the next walk.
//
// The states of sql_tables are row offsets numbered by kind
// (splt_wd_dfa.h): one comparison notes an accepting state, a second
// passes a plain one; loop states take the third branch, pass_loop_state.
template <class Table, class Sink>
inline typename SplitScan<Table, Sink>::Longest SplitScan<Table, Sink>::walk(const Byte* p, const Byte* const end) {
    const DfaState start = start_state_;
    const Longest last = steps(start, p, end, {start, p});
    // A sink's walk that notes a run ends where it notes it (pass_loop_state):
    // one that gets here noted none.
    if constexpr (kToSink) return last;
    return end_walk(last);
}

// The steps of a walk from `state` at `p`, before `end`, whose longest
// match so far is `last`.
template <class Table, class Sink>
inline typename SplitScan<Table, Sink>::Longest SplitScan<Table, Sink>::steps(DfaState state, const Byte* p,
                                                                             const Byte* const end, Longest last) {
    constexpr RowShape kShape = Table::kRowShape;
    const std::uint32_t* const rows = Table::tables().rows;
    const std::uint8_t* const byte_class = Table::tables().byte_class;
    do {
        const std::size_t cls = byte_class[*p];
        ++p;
        state = rows[std::size_t{state} + cls];
        // Tested in the order of how often they come in real SQL: accepting
        // states, the walk's end (once a walk), loop states, plain states.
        if (state >= kShape.accepting_begin) [[likely]] {
            last = {state, p};
        } else if (state == 0) {
            break;
        } else if (state < kShape.loop_end && !pass_loop_state(state, p, last, end)) {
            break;
        }
    } while (p != end);
    return last;
}

template <class Table, class Sink>
typename SplitScan<Table, Sink>::Longest SplitScan<Table, Sink>::finish_noted_walk(DfaState state, const Byte* p,
                                                                                  const Byte* const end, Longest last) {
    if constexpr (kToSink) {
        if (p != end) last = steps(state, p, end, last);
    }
    return end_walk(last);
}

template <class Table, class Sink>
inline typename SplitScan<Table, Sink>::Longest SplitScan<Table, Sink>::end_walk(Longest last) {
    if (noted_) {
        known_.last = last;
        noted_ = false;
    }
    return last;
}

// A loop state, one that many bytes keep, gets three shortcuts:
//
// - The bytes that keep the state are passed without the table
//   (splt_wd_stay_run.h).  The state, and so its rule, stays the same
//   throughout, so only the end of the run matters.
// - When every byte that leaves the state leads nowhere, the walk ends
//   with the run: returns false.
// - If the state accepts nothing, a later walk may pass the same run again
//   (a name in the generic mode, say, is read to its end from each of its
//   one-letter words, in the hope of a ".*" behind it).  The walk's first
//   such run is noted in known_: of its runs, it lies nearest to where
//   later walks start.  A walk that finds itself in that very state at a
//   place of that run would repeat the rest of the earlier walk, and so
//   does its outcome: the earlier walk's match if that ends further on,
//   else this walk's own.  Returns false then: the walk ends.  This keeps
//   the re-reading linear.  (An accepting state's run is part of its
//   match, and a hope run follows one, so no later walk comes back to
//   either.)
template <class Table, class Sink>
inline bool SplitScan<Table, Sink>::pass_loop_state(DfaState state, const Byte*& p, Longest& last,
                                                    const Byte* const end) {
    // known_ only ever holds a state that accepts nothing.  (A run of this
    // very walk lies behind p.)
    if (state == known_.state && known_.from <= p && p <= known_.to) {
        if (known_.last.end > p) last = known_.last;
        return false;
    }
    const std::uint32_t about = Table::tables().rows[state + Table::kRowShape.width - 1];
    const Byte* const entered = p;
    const unsigned set = (about >> kStaySetShift) & kStaySetBits;
    if (about & kFewExits) {
        p = pass_to_exit(Table::loops(), set, p, end);
    } else {
        p = pass_stays(Table::loops().stays + std::size_t{set} * 256, p, end);
    }
    if ((about & kRuleBits) != 0) {
        last = {state, p};
    } else if ((about & kHopeRun) != 0 && last.end + 1 == entered) {
        // No later walk comes back to a place of a hope run entered right
        // after a match: it needs no memo, and the walk ends here unless
        // the byte after it leads on.
        return p != end && Table::tables().rows[std::size_t{state} + Table::tables().byte_class[*p]] != 0;
    } else if (!noted_) {
        known_.state = state;
        known_.from = entered;
        known_.to = p;
        noted_ = true;
        if constexpr (kToSink) {
            // A sink's walk goes on to its end here, so that the walks
            // that note nothing need not ask whether they did.
            if ((about & kRunEndsWalk) == 0) last = finish_noted_walk(state, p, end, last);
            else last = end_walk(last);
            return false;
        }
    }
    return (about & kRunEndsWalk) == 0;
}

template <class Table, class Sink>
inline void SplitScan<Table, Sink>::take_cursor() {
    counted_to_ = pos_;
    parse_pos_ = static_cast<std::uint32_t>(s_.parse_pos);
    // A sink's scan records nothing in the stream: it has no room there.
    if constexpr (kToSink) {
        out_ = out_limit_ = nullptr;
        return;
    }
    out_ = stream_.tail();
    out_limit_ = stream_.write_limit();
    longest_ = s_.longest_word;
}

template <class Table, class Sink>
inline void SplitScan<Table, Sink>::hand_over_cursor() {
    if constexpr (!kToSink) {
        // The one-byte words that run() records count here, once: any
        // word it recorded is at least a byte long.
        if (out_ != stream_.tail() && longest_ == 0) longest_ = 1;
        stream_.set_tail(out_);
        s_.longest_word = longest_;
    }
    // A re-scanned name is counted twice, so the sum may pass 2^31 on a
    // huge statement: it wraps as an unsigned count would.
    s_.parse_pos = static_cast<std::int32_t>(parse_pos_);
}

// Grows the stream for a record of a `length`-byte word at `pos`; false,
// and the split failed, when there is no memory for it.
template <class Table, class Sink>
bool SplitScan<Table, Sink>::make_room(std::uint32_t length, const Byte* pos) {
    parse_pos_ += static_cast<std::uint32_t>(pos - counted_to_);
    counted_to_ = pos_ = pos;
    hand_over_cursor();
    if (!stream_.reserve(std::size_t{length} + 8)) {
        s_.out_of_memory = true;
        return false;
    }
    take_cursor();
    return true;
}

// The one-letter words of a name, from `pos` on, at two table steps and a
// record each.
//
// Where a name is a word per letter (the generic mode), the walk from each
// letter reads on to the name's end in the hope of a ".*", and the memo of
// pass_loop_state ends each walk after the first once it enters the noted
// run.  A walk whose first step accepts and whose second step enters that
// run (or leads nowhere) ends right there with its own one-byte match: the
// loop below takes such walks without the match loop's general steps, and
// writes their records as the match loop does, for as long as the rule is
// the letter rule and the stream has room (up to safe_end).  The first walk
// that would go further is left to the match loop.
//
// Where the tables hold the pairs of byte classes that pass that test for
// the run's state (LetterRunEntry), one look-up in them takes its place.
template <class Table, class Sink>
inline const typename SplitScan<Table, Sink>::Byte* SplitScan<Table, Sink>::pass_letters(const Byte* pos,
                                                                                       const Byte* safe_end) {
    // Only a scan that takes letters records kRecordLetter words.
    if constexpr (!kTakesLetters) {
        return pos;
    } else {
        constexpr RowShape kShape = Table::kRowShape;
        const std::uint32_t* const rows = Table::tables().rows;
        const std::uint8_t* const byte_class = Table::tables().byte_class;
        const DfaState start = start_state_;
        const DfaState run_state = known_.state;
        // A second step into the run enters it at pos + 2: the memo answers at
        // a place of the run, with the walk's own match where the earlier
        // walk's match ends before it.
        const Byte* const lowest = known_.from > known_.last.end ? known_.from : known_.last.end;
        if (pos + 2 < lowest) return pos;
        const Byte* const run_to = known_.to;
        const WordPair pair = pairs_[Table::kLetterRule];
        char* out = out_;
        // A letter ends its walk at its first step when that step accepts the
        // letter rule and the second leads nowhere or, within the run, into it.
        const auto first_step = [&](const Byte* at) { return rows[std::size_t{start} + byte_class[*at]]; };
        const auto is_letter = [&](DfaState first) {
            return first >= kShape.accepting_begin &&
                   (rows[first + kShape.width - 1] & kRuleBits) == Table::kLetterRule;
        };
        // The letters whose second step reads a byte of the run.
        const Byte* const inner_end = run_to - 1 < safe_end ? run_to - 1 : safe_end;
        const std::uint8_t* letter_pairs = nullptr;
        for (const LetterRunOf* run = letter_runs_; run->state != 0; ++run) {
            if (run->state == run_state) {
                letter_pairs = Table::loops().letter_pairs + run->pairs;
                break;
            }
        }
        // (The class of the byte at pos is the one the step before looked up.)
        std::uint32_t next_class = byte_class[*pos];
        if (letter_pairs != nullptr) {
            constexpr std::uint32_t kClasses = kShape.width - 1;
            while (pos < inner_end) {
                const std::uint32_t after = byte_class[pos[1]];
                if ((letter_pairs[next_class * kClasses + after] & kLetterEnds) == 0) break;
                out = record_byte(out, *pos, pair);
                ++pos;
                next_class = after;
            }
        } else {
            while (pos < inner_end) {
                const DfaState first = rows[std::size_t{start} + next_class];
                if (first < kShape.accepting_begin) break;
                next_class = byte_class[pos[1]];
                const DfaState second = rows[std::size_t{first} + next_class];
                if ((second != 0 && second != run_state) || !is_letter(first)) break;
                out = record_byte(out, *pos, pair);
                ++pos;
            }
        }
        // The run's last letter: its second step reads the byte after the run,
        // if there is one, and must lead nowhere.
        if (letter_pairs != nullptr && pos == run_to - 1 && pos < safe_end && pos + 1 != end_) {
            // (next_class is still the class of the byte at pos.)
            constexpr std::uint32_t kClasses = kShape.width - 1;
            if (letter_pairs[next_class * kClasses + byte_class[pos[1]]] & kLetterEndsLast) {
                out = record_byte(out, *pos, pair);
                ++pos;
            }
        } else if (pos == run_to - 1 && pos < safe_end) {
            const DfaState first = first_step(pos);
            if (is_letter(first) && (pos + 1 == end_ || rows[std::size_t{first} + byte_class[pos[1]]] == 0)) {
                out = record_byte(out, *pos, pair);
                ++pos;
            }
        }
        out_ = out;
        return pos;
    }
}

// What the actions of the kinds kPrintRecord and kRecordStar do before
// their record.  Returns true.
template <class Table, class Sink>
bool SplitScan<Table, Sink>::before_record(InlineAction how, unsigned rule, const Byte* from, const Byte* end) {
    if (how == InlineAction::kRecordStar) {
        s_.have_star = 1;
    } else {
        print_debug(s_, Table::kActions[rule].debug, reinterpret_cast<const char*>(from),
                    static_cast<std::uint32_t>(end - from));
    }
    return true;
}

// Echoes a byte that no rule takes, after the debug lines held for the
// words before it.
template <class Table, class Sink>
void SplitScan<Table, Sink>::echo_byte(Byte byte) {
    write_held_lines();
    std::fputc(byte, default_scanner_output());
}

// Runs the action of a match that does more than record one word.
template <class Table, class Sink>
int SplitScan<Table, Sink>::run_general(unsigned rule, const Byte* end) {
    hand_over_cursor();
    match_ = pos_;
    length_ = static_cast<std::uint32_t>(end - pos_);
    pos_ = end;
    const int result = run_rule<Table>(static_cast<int>(rule), s_, *this);
    take_cursor();
    return result;
}

// The match loop: a walk, then the action of its rule, then on right after
// the match.  Most actions are simple (record the match or a fixed text
// such as the blank of a whitespace run, append, drop, open or close a
// quote: InlineAction) and are done here, with the stream's
// write position in a local; the others go through run_general.
template <class Table, class Sink>
int SplitScan<Table, Sink>::run() {
    
    constexpr std::size_t kBlock = GrowBuffer::kOverwrite;
    static_assert(RuleAction::kTextBlock == kBlock, "a fixed text moves as one block");
    const std::uint32_t* const rows = Table::tables().rows;
    const WordPair* const pairs = pairs_;
    // A sink's words carry their rules in its pairs' masks.
    [[maybe_unused]] const SinkRule* sink_rules = nullptr;
    if constexpr (kToSink) sink_rules = sink_dialect_->rules.data();
    take_cursor();
    // The write position and its limit stay in locals while words are
    // recorded here; make_room and run_general find them in out_.
    char* out = out_;
    char* limit = out_limit_;
    // Likewise where a sink's next word goes.
    [[maybe_unused]] SinkWord* next = nullptr;
    if constexpr (kToSink) next = sink_->cursor();
    const Byte* pos = pos_;
    // The statement's end, in a local: the records written through char
    // pointers would have it read again from the scan after each.
    const Byte* const end = end_;
    // Up to safe_end the stream has room for the records of whatever words
    // the fast actions take: a match of L bytes records L + 8 bytes, or a
    // fixed text of at most 16 and 8, so at most kMostPerByte bytes for
    // each byte it takes.  Other records (a closing quote's pending word,
    // the general actions) find their room themselves, and safe_end is
    // worked out again after them.
    constexpr std::ptrdiff_t kMostPerByte = RuleAction::kTextBlock + 8;
    const auto safe_from = [&](const Byte* at) { return at + (limit - out) / kMostPerByte; };
    const Byte* safe_end = safe_from(pos);
    // Writes the record of a word of `length` bytes at `bytes` (where a
    // whole block may be read when `block`); the stream has room for it.
    // A word of one byte leaves the longest word to hand_over_cursor().
    const auto write_word = [&](const void* bytes, std::uint32_t length, bool block, WordPair pair) {
        std::memcpy(out, &length, 4);
        if (block) {
            std::memcpy(out + 4, bytes, kBlock);
        } else {
            copy_bytes(out + 4, static_cast<const char*>(bytes), length);
        }
        std::memcpy(out + 4 + length, &pair, 4);
        out += std::size_t{length} + 8;
        if (length > longest_) longest_ = length;
    };
    const auto write_byte = [&](const void* byte, WordPair pair) {
        out = record_byte(out, *static_cast<const unsigned char*>(byte), pair);
    };
    int result = 1;
    // Room in the stream for the record of a `length`-byte word, the
    // match that ends at `match_end` counted; false when there is no
    // memory for it.  The record still to be written is one of the match's
    // bytes from pos.
    const auto room_for = [&](std::uint32_t length, const Byte* match_end) {
        if (limit - out < static_cast<std::ptrdiff_t>(std::size_t{length} + 8)) {
            out_ = out;
            if (!make_room(length, match_end)) return false;
            out = out_;
            limit = out_limit_;
        }
        safe_end = safe_from(pos);
        return true;
    };
    // Most words are followed by a blank run (kBlankRuns): where one
    // begins at pos, takes it by its bytes, without a walk.  A sink drops
    // it; a record stream records its word as the walk's match would
    // be.  False when there is no memory for the record.
    const auto take_blank = [&]() __attribute__((always_inline)) {
        if (!kPassesBlankRuns || pos == end || !blank_[*pos]) return true;
        const Byte* const run_end = pass_short_stays(blank_, pos + 1, end);
        if constexpr (kToSink) {
            pos = run_end;
            return true;
        }
        const RuleAction& a = Table::kActions[kBlankRule];
        constexpr bool kText = kHow[kBlankRule] == InlineAction::kRecordText;
        const auto length = kText ? std::uint32_t{a.text_len} : static_cast<std::uint32_t>(run_end - pos);
        if (run_end > safe_end && !room_for(length, run_end)) {
            pos = run_end;
            return false;
        }
        if constexpr (kText && a.text_len == 1) {
            write_byte(a.text, pairs[kBlankRule]);
        } else if constexpr (kText) {
            write_word(a.text, length, true, pairs[kBlankRule]);
        } else {
            write_word(pos, length, length <= kBlock && pos < block_end_, pairs[kBlankRule]);
        }
        pos = run_end;
        return true;
    };
    // A sink's scan drops a blank run at the start too.
    if constexpr (kToSink) take_blank();
    // The end-of-input action of every start condition returns 1.
    while (pos != end) {
        const Longest last = walk(pos, end);
        const unsigned rule = rows[last.state + Table::kRowShape.width - 1] & kRuleBits;
        InlineAction how;
        if constexpr (kToSink) how = sink_rules[rule].how;
        else how = kHow[rule];
        // A sink's words come without debug lines or the star flag, and
        // its actions in the dialect record no blank.
        if (how == InlineAction::kRecordMatch ||
            (!kToSink && how >= InlineAction::kPrintRecord && before_record(how, rule, pos, last.end))) {
            const auto length = static_cast<std::uint32_t>(last.end - pos);
            if constexpr (kToSink) {
                sink_->put_word(next, reinterpret_cast<const char*>(pos), length, sink_rules[rule].pair);
            } else {
                if (last.end > safe_end && !room_for(length, last.end)) {
                    pos = last.end;
                    break;
                }
                // A short word moves as one block when the statement goes on
                // far enough; the stream has room for the block.
                write_word(pos, length, length <= kBlock && pos < block_end_, pairs[rule]);
            }
            pos = last.end;
            if (!take_blank()) break;
            continue;
        }
        if (how == InlineAction::kRecordText) {
            const RuleAction& a = Table::kActions[rule];
            const std::uint32_t length = a.text_len;
            if constexpr (kToSink) {
                sink_->put_word(next, a.text, length, sink_rules[rule].pair);
            } else {
                if (last.end > safe_end && !room_for(length, last.end)) {
                    pos = last.end;
                    break;
                }
                write_word(a.text, length, true, pairs[rule]);
            }
            pos = last.end;
            continue;
        }
        if (Table::kLetterRule != 0 && how == InlineAction::kRecordLetter) {
            // A one-byte word; in the memo's run, more follow.
            if (last.end > safe_end && !room_for(1, last.end)) {
                pos = last.end;
                break;
            }
            write_byte(pos, pairs[rule]);
            pos = last.end;
            if (pos < known_.to) {
                out_ = out;
                pos = pass_letters(pos, safe_end);
                out = out_;
            }
            if (!take_blank()) break;
            continue;
        }
        if (how == InlineAction::kDrop) {
            pos = last.end;
            continue;
        }
        // A parenthesis that the special words count (read_special_word);
        // any other match of its rule goes to the general action.
        if (kCountsParens && (how == InlineAction::kOpenParen || how == InlineAction::kCloseParen)) {
            const bool open = how == InlineAction::kOpenParen;
            if (last.end == pos + 1 && *pos == (open ? '(' : ')')) {
                if constexpr (kToSink) {
                    sink_->put_word(next, reinterpret_cast<const char*>(pos), 1, sink_rules[rule].pair);
                } else {
                    if (last.end > safe_end && !room_for(1, last.end)) {
                        pos = last.end;
                        break;
                    }
                    write_byte(pos, pairs[rule]);
                }
                if (open) {
                    ++s_.paren_depth;
                } else if (s_.paren_depth > 0) {
                    --s_.paren_depth;
                }
                pos = last.end;
                if (!take_blank()) break;
                continue;
            }
            how = InlineAction::kNone;
        }
        if (how != InlineAction::kNone) {
            // kAppend, kOpen or kClose
            append(reinterpret_cast<const char*>(pos), static_cast<std::uint32_t>(last.end - pos));
            pos = last.end;
            if (s_.out_of_memory) break;
            if (how == InlineAction::kOpen) {
                enter(Table::kActions[rule].condition);
            } else if (how == InlineAction::kClose) {
                const auto length = static_cast<std::uint32_t>(pending_.size());
                if constexpr (kToSink) {
                    sink_->put(next, pending_.data(), length, sink_rules[rule].pair);
                } else {
                    if (!room_for(length, last.end)) break;
                    write_word(pending_.data(), length, false, pairs[rule]);
                    // The pending word's bytes were taken by earlier matches.
                    safe_end = safe_from(pos);
                }
                pending_.clear();
                enter(s_.dialect_condition);
                if (!take_blank()) break;
            }
            continue;
        }
        // The fast matches so far run from counted_to_ to here.
        parse_pos_ += static_cast<std::uint32_t>(pos - counted_to_);
        if (rule == 0) {
            // A byte no rule takes is no match.
            if (echo_unmatched_) echo_byte(*pos);
            ++pos;
            counted_to_ = pos;
            continue;
        }
        out_ = out;
        pos_ = pos;
        if constexpr (kToSink) sink_->set_cursor(next);
        const int action_result = run_general(rule, last.end);
        if constexpr (kToSink) next = sink_->cursor();
        out = out_;
        limit = out_limit_;
        pos = pos_;
        safe_end = safe_from(pos);
        if (action_result != kContinue) {
            result = action_result;
            break;
        }
    }
    if (s_.out_of_memory) {
        // The word that could not be stored still counts as matched.
        result = kOutOfMemory;
    }
    parse_pos_ += static_cast<std::uint32_t>(pos - counted_to_);
    out_ = out;
    pos_ = pos;
    if constexpr (kToSink) sink_->set_cursor(next);
    hand_over_cursor();
    return result;
}

template class SplitScan<ClassicTable>;
template class SplitScan<AccurateTable>;
template class SplitScan<AccurateTable, WordSink>;

}  // namespace spltwd
