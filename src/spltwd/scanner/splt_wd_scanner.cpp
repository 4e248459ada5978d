// The match loop: longest match over the tables, one action per match.
#include "splt_wd_scanner.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "splt_wd_scanner_buffer.h"
#include "splt_wd_scanner_memory.h"

namespace spltwd {
namespace {

using Byte = unsigned char;

inline int condition_of(int start_state) { return (start_state - 1) / 2; }

// The longest match found so far: its rule (0 for none) and where it ends.
struct Accepted {
    unsigned rule;
    const Byte* end;
};

// Runs the automaton from `state` over [p, end) and returns where it stopped:
// `end`, or the first byte that has no move.
inline const Byte* walk(const DfaTables& t, DfaState& state, const Byte* p, const Byte* end,
                        Accepted& last) {
    const std::uint32_t* const rows = t.rows;
    const std::uint8_t* const byte_class = t.byte_class;
    DfaState at = state;
    while (p < end) {
        const DfaState to = rows[std::size_t{at} + byte_class[*p]];
        if (!to) break;
        at = to;
        ++p;
        if (const unsigned rule = t.rule(at)) last = {rule, p};
    }
    state = at;
    return p;
}

// Whether some byte leads out of `state`: if not, reading more input cannot
// lengthen the match, and a terminal is not asked for another line.
bool has_moves(const DfaTables& t, DfaState state) {
    const std::uint32_t* row = t.rows + state;
    for (std::size_t c = 0; c < t.class_count; ++c) {
        if (row[c]) return true;
    }
    return false;
}

void initialise(Scanner& s) {
    s.initialised = true;
    if (!s.start) s.start = 1;
    if (!s.in) s.in = stdin;
    if (!s.out) s.out = stdout;
}

// The longest match from s.pos: its rule (0 for none) and its length.
struct Match {
    unsigned rule;
    std::size_t length;
};

// Finds the longest match from s.pos, reading more of a stream when the match
// runs into the end of the data held.  Afterwards s.pos == data_end when no
// input remains.
Match longest_match(Scanner& s, ScanBuffer& b, const Byte*& data_end) {
    const DfaTables& t = *s.tables;
    DfaState state = t.start[condition_of(s.start)];
    const Byte* begin = reinterpret_cast<const Byte*>(s.pos);
    Accepted last{t.rule(state), begin};
    const Byte* p = begin;
    for (;;) {
        p = walk(t, state, p, data_end, last);
        const bool more_input_may_help =
            p == data_end && b.refillable && (p == begin || has_moves(t, state));
        if (!more_input_may_help) break;
        // The storage may move or grow under the match: keep offsets.
        const std::size_t walked = static_cast<std::size_t>(p - begin);
        const std::size_t matched = static_cast<std::size_t>(last.end - begin);
        const std::size_t read = refill(s, b);
        begin = reinterpret_cast<const Byte*>(s.pos);
        data_end = reinterpret_cast<const Byte*>(b.storage + b.n_chars);
        p = begin + walked;
        last.end = begin + matched;
        if (!read) break;
    }
    return {last.rule, static_cast<std::size_t>(last.end - begin)};
}

// Runs `action` on the `length` bytes at s.pos, which read as a
// zero-terminated text meanwhile.
inline int run_action(Scanner& s, unsigned rule, std::size_t length, ActionFn action, void* context) {
    s.text = s.pos;
    s.leng = length;
    s.pos += length;
    s.hold = *s.pos;
    *s.pos = 0;
    const int result = action(s, static_cast<int>(rule), context);
    if (current_buffer(s)) *s.pos = s.hold;
    return result;
}

}  // namespace

int scanner_lex(Scanner& s, ActionFn action, void* context) {
    if (!s.initialised) initialise(s);
    for (;;) {
        ScanBuffer& b = ensure_current_buffer(s);
        const Byte* data_end = reinterpret_cast<const Byte*>(b.storage + b.n_chars);
        if (reinterpret_cast<const Byte*>(s.pos) > data_end) scanner_fatal(fatal::kEndOfBufferMissed);
        const Match match = longest_match(s, b, data_end);
        if (reinterpret_cast<const Byte*>(s.pos) == data_end) {
            const int result = run_action(s, kEndOfInput, 0, action, context);
            return result == kContinue ? 0 : result;
        }
        if (!match.rule) {
            // No rule takes this byte: it is copied through.
            if (s.out) std::fwrite(s.pos, 1, 1, s.out);
            s.hold = *++s.pos;
            continue;
        }
        if (match.rule > s.tables->max_rule) scanner_fatal(fatal::kNoAction);
        const int result = run_action(s, match.rule, match.length, action, context);
        if (result != kContinue) return result;
    }
}

void scanner_begin(Scanner& s, int condition) {
    if (condition < 0 || condition >= s.tables->condition_count) return;
    s.start = 2 * condition + 1;
}

int scanner_condition(const Scanner& s) { return condition_of(s.start); }

std::size_t scanner_offset(const Scanner& s) {
    const ScanBuffer* b = current_buffer(s);
    return b ? static_cast<std::size_t>(s.pos - b->storage) : 0;
}

void scanner_give_back(Scanner& s) {
    *s.pos = s.hold;
    s.pos = s.text;
    s.hold = *s.pos;
    *s.pos = 0;
    s.leng = 0;
}

}  // namespace spltwd
