// The split call's match loop.
#include "splt_wd_split_scan.h"

#include <cstring>

#include "splt_wd_rule_steps.h"
#include "splt_wd_scanner_memory.h"

namespace spltwd {
namespace {

static_assert(sizeof(WordPair) == 4, "a word record ends in its 2-byte type and 2-byte mask");

// What the match loop keeps in registers while it records words: the write
// position in the stream, the longest word and the parse position.  The
// general actions work on the buffers and the session themselves, so the
// loop hands these over before one runs and takes them back after.
struct Cursor {
    char* out;
    char* limit;
    std::uint32_t longest;
    std::uint32_t parse_pos;

    void take(GrowBuffer& stream, const Session& s) {
        out = stream.tail();
        limit = stream.write_limit();
        longest = s.longest_word;
        parse_pos = static_cast<std::uint32_t>(s.parse_pos);
    }
    void hand_over(GrowBuffer& stream, Session& s) const {
        stream.set_tail(out);
        s.longest_word = longest;
        // A re-scanned name is counted twice, so the sum may pass 2^31 on
        // a huge statement: it wraps as an unsigned count would.
        s.parse_pos = static_cast<std::int32_t>(parse_pos);
    }
};

}  // namespace

SplitScan::SplitScan(Session& session, GrowBuffer& stream, GrowBuffer& pending, int first_condition,
                     FILE* unmatched)
    : s_(session),
      stream_(stream),
      pending_(pending),
      unmatched_(unmatched),
      base_(reinterpret_cast<const Byte*>(session.sql_text)),
      end_(base_ + session.sql_len),
      pos_(base_),
      match_(base_),
      start_state_(sql_tables_walk.start[first_condition]),
      dialect_bits_(spltwd::dialect_bits(session.dialect)) {
    // The tables and the actions come from the same rule file; this only
    // guards against tables that claim rules the actions do not know.
    if (sql_tables.max_rule >= rule_table::kActions.size()) scanner_fatal(fatal::kNoAction);
}

void SplitScan::begin(int condition) {
    if (condition >= 0 && condition < sql_tables.condition_count) start_state_ = sql_tables_walk.start[condition];
}

// Passes from `p` to the next `exit` byte, or to the end.
const SplitScan::Byte* SplitScan::pass_to(int exit, const Byte* p) const {
    const void* found = std::memchr(p, exit, static_cast<std::size_t>(end_ - p));
    return found ? static_cast<const Byte*>(found) : end_;
}

// One walk, in plain words: from `p`, step through the table byte by byte,
// remembering the last place where the state accepts a rule, until a byte
// has no move or the statement ends.  The bytes read beyond the match are
// read again by the next walk.
//
// The walk runs on the premultiplied rows of sql_tables_walk, whose states
// are numbered by kind (splt_wd_dfa.h): one comparison notes an accepting
// state, a second passes a plain one.  A loop state, one that many bytes
// keep, gets two shortcuts:
//
// - If an earlier walk was in this very state at this very place (known_),
//   the rest of this walk would repeat the rest of that one, and so does
//   its outcome: the earlier walk's match if that ends further on, else
//   this walk's own.  This keeps the re-reading linear: a name in the
//   generic mode, say, is read to its end from each of its one-letter
//   words, in the hope of a ".*" behind it.
// - Otherwise the bytes that keep the state are passed without the table
//   (a byte test each, or a search for the one byte that leaves a string
//   or comment body).  The state, and so its rule, stays the same
//   throughout, so only the end of the run matters.  The walk's first run
//   becomes known_: of its runs, it lies nearest to where later walks
//   start.
inline SplitScan::Longest SplitScan::walk(const Byte* p) {
    constexpr rule_table::WalkShape kShape = rule_table::kWalkShape;
    const std::uint32_t* const rows = sql_tables_walk.rows;
    const std::uint8_t* const byte_class = sql_tables.byte_class;
    const Byte* const end = end_;

    std::uint32_t state = start_state_;
    Longest last{state, p};
    bool noted = false;  // whether known_ holds a run of this walk
    while (p != end) {
        state = rows[state + byte_class[*p++]];
        if (state >= kShape.accepting_begin) {
            last = {state, p};
            continue;
        }
        if (state >= kShape.loop_end) continue;
        if (state == 0) break;

        const std::uint32_t about = rows[state + kShape.width - 1];
        const bool accepts = (about & 0xffff) != 0;
        if (state == known_.state && known_.from <= p && p <= known_.to && !noted) {
            if (known_.last.end > p) {
                last = known_.last;
            } else if (accepts) {
                last = {state, p};
            }
            break;
        }
        const Byte* const entered = p;
        const unsigned set = (about >> 16) - 1;
        if (const int exit = sql_tables_loops.only_exit[set]; exit >= 0) {
            p = pass_to(exit, p);
        } else {
            const std::uint8_t* const stays = sql_tables_loops.stays + std::size_t{set} * 256;
            while (p != end && stays[*p]) ++p;
        }
        if (!noted) {
            known_.state = state;
            known_.from = entered;
            known_.to = p;
            noted = true;
        }
        if (accepts) last = {state, p};
    }
    if (noted) known_.last = last;
    return last;
}

// Runs the action of a match that does more than record one word.
int SplitScan::run_general(unsigned rule, const Byte* end) {
    match_ = pos_;
    length_ = static_cast<std::uint32_t>(end - pos_);
    pos_ = end;
    return run_rule(static_cast<int>(rule), s_, *this);
}

// The match loop: a walk, then the action of its rule, then on right after
// the match.  Most rules only record a word (the match, or a fixed text
// such as the blank of a whitespace run); that is done here, with the
// stream's write position in a register.  The others go through
// run_general.
int SplitScan::run() {
    const std::uint32_t* const rows = sql_tables_walk.rows;
    const std::uint32_t about_column = sql_tables_walk.width - 1;
    const WordPair* const pairs = rule_table::pairs_for(dialect_bits_);
    constexpr std::ptrdiff_t kBlock = GrowBuffer::kOverwrite;
    Cursor c;
    c.take(stream_, s_);
    const Byte* pos = pos_;
    int result;
    for (;;) {
        // The end-of-input action of every start condition returns 1.
        if (pos == end_) {
            result = 1;
            break;
        }
        const Longest last = walk(pos);
        const unsigned rule = rows[last.state + about_column] & 0xffff;
        const rule_table::InlineRecord how = rule_table::kInlineRecord[rule];
        if (how != rule_table::InlineRecord::kNone) {
            const bool own_text = how == rule_table::InlineRecord::kMatch;
            const auto length = static_cast<std::uint32_t>(last.end - pos);
            const RuleAction& a = rule_table::kActions[rule];
            const std::uint32_t word_length = own_text ? length : a.text_len;
            if (c.limit - c.out < static_cast<std::ptrdiff_t>(std::size_t{word_length} + 8)) {
                c.hand_over(stream_, s_);
                if (!stream_.reserve(std::size_t{word_length} + 8)) {
                    s_.out_of_memory = true;
                    pos = last.end;
                    result = kOutOfMemory;
                    break;
                }
                c.take(stream_, s_);
            }
            std::memcpy(c.out, &word_length, 4);
            // A short word moves as one block when the statement goes on
            // far enough; the stream has room for the block.
            if (own_text && end_ - pos >= kBlock && word_length <= kBlock) {
                std::memcpy(c.out + 4, pos, kBlock);
            } else {
                copy_bytes(c.out + 4, own_text ? reinterpret_cast<const char*>(pos) : a.text, word_length);
            }
            std::memcpy(c.out + 4 + word_length, &pairs[rule], 4);
            c.out += std::size_t{word_length} + 8;
            if (word_length > c.longest) c.longest = word_length;
            c.parse_pos += length;
            pos = last.end;
            continue;
        }
        if (rule == 0) {
            std::fwrite(pos++, 1, 1, unmatched_);
            continue;
        }
        c.hand_over(stream_, s_);
        pos_ = pos;
        result = run_general(rule, last.end);
        pos = pos_;
        c.take(stream_, s_);
        if (result != kContinue) break;
    }
    pos_ = pos;
    c.hand_over(stream_, s_);
    return result;
}

}  // namespace spltwd
