// The split call's match loop.
#include "splt_wd_split_scan.h"

#include <cstring>

#include "splt_wd_rule_steps.h"
#include "splt_wd_scanner_memory.h"

namespace spltwd {

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
      condition_(first_condition),
      dialect_bits_(spltwd::dialect_bits(session.dialect)) {}

void SplitScan::begin(int condition) {
    if (condition >= 0 && condition < sql_tables.condition_count) condition_ = condition;
}

// Passes from `p` over the bytes that keep loop state `state`, and notes
// the run if it is the walk's first.
const SplitScan::Byte* SplitScan::pass_loop(DfaState state, const Byte* p) {
    const DfaLoops& loops = sql_tables_loops;
    const unsigned set = loops.set_of_state[state] - 1u;
    const Byte* from = p;
    if (const int exit = loops.only_exit[set]; exit >= 0) {
        const void* found = std::memchr(p, exit, static_cast<std::size_t>(end_ - p));
        p = found ? static_cast<const Byte*>(found) : end_;
    } else {
        const std::uint8_t* const stays = loops.stays + std::size_t{set} * 256;
        while (p < end_ && stays[*p]) ++p;
    }
    if (walk_first_.state == 0) walk_first_ = {state, from, p, {}};
    return p;
}

// The match loop, in plain words: from where the last match ended, step
// through the table byte by byte, remembering the last place where the
// state accepts a rule, until a byte has no move or the statement ends;
// then run that rule's action (inlined here) on the bytes up to that place,
// and go on right after them.  The bytes read beyond the match are read
// again by the next walk.
//
// The one extra check in the step is for a state that a byte has led back
// to itself.  If the tables list it as a loop state, two shortcuts apply
// (the second out of line, to keep the step's registers free):
//
// - If an earlier walk was in this very state at this very place (known_),
//   the rest of this walk would repeat the rest of that one, and so does
//   its outcome: the earlier walk's match if that ends further on, else
//   this walk's own.  This keeps the re-reading linear: a name in the
//   generic mode, say, is read to its end from each of its one-letter
//   words, in the hope of a ".*" behind it.
// - Otherwise every byte that keeps the state is passed at once (a search
//   for its one exit byte, or a byte test each).  The state, and so its
//   rule, stays the same throughout, so only the end of the run matters.
//   The walk's first such run becomes known_ when the walk ends: of its
//   runs, it lies nearest to where later walks start.
int SplitScan::run() {
    const DfaTables& t = sql_tables;
    const std::uint16_t* const loop_set = sql_tables_loops.set_of_state;
    const DfaState* const next = t.next;
    const std::uint8_t* const byte_class = t.byte_class;
    const std::uint16_t* const accept = t.accept;
    const std::size_t class_count = t.class_count;
    for (;;) {
        // The end-of-input action of every start condition returns 1.
        if (pos_ == end_) return 1;
        DfaState state = t.start[condition_];
        Longest last{accept[state], pos_};
        for (const Byte* p = pos_; p < end_;) {
            const DfaState to = next[state * class_count + byte_class[*p]];
            if (!to) break;
            ++p;
            if (to == state && loop_set[to] != 0) {
                if (to == known_.state && known_.from <= p && p <= known_.to) {
                    if (known_.last.end > p) {
                        last = known_.last;
                    } else if (accept[to]) {
                        last = {accept[to], p};
                    }
                    break;
                }
                p = pass_loop(to, p);
            }
            state = to;
            if (accept[to]) last = {accept[to], p};
        }
        if (walk_first_.state != 0) {
            known_ = walk_first_;
            known_.last = last;
            walk_first_.state = 0;
        }
        if (!last.rule) {
            std::fwrite(pos_++, 1, 1, unmatched_);
            continue;
        }
        if (last.rule > t.max_rule) scanner_fatal(fatal::kNoAction);
        match_ = pos_;
        length_ = static_cast<std::uint32_t>(last.end - pos_);
        pos_ = last.end;
        const int result = run_rule(static_cast<int>(last.rule), s_, *this);
        if (result != kContinue) return result;
    }
}

}  // namespace spltwd
