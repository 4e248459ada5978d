// Passing a body: from a place in the text, the bytes up to the first one
// of a few given bytes, or to the end.  The run of a self-loop state
// (splt_wd_dfa.h) is such a body, and so are the bodies that the special
// words read (a nested comment, a quote with a delimiter of its own).
//
// The table walk would take one step per byte.  pass_stays takes a byte
// test per byte instead, with the state's stay set.  Where at most four
// byte values end the body (the quote and the backslash of a string, the
// star of a comment), pass_to_exit and find_either compare 16 bytes at a
// time with each of them (SSE2, which every x86-64 has), and so pass a
// long body at a fraction of an instruction per byte.  Without SSE2 they
// go byte by byte.  Both ways give the same place for the same text: a
// test holds them to that.
#ifndef SPLT_WD_STAY_RUN_H
#define SPLT_WD_STAY_RUN_H

#include <cstddef>
#include <cstdint>

#include "splt_wd_dfa.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace spltwd {

// The first byte from p on that `stays` does not keep, or end.  Counted
// up from the distance to the end, so that the count's own flags tell the
// end: an instruction less a byte, for two more a run.
inline const unsigned char* pass_stays(const std::uint8_t* stays, const unsigned char* p, const unsigned char* end) {
    std::ptrdiff_t at = p - end;
    while (at != 0 && stays[end[at]]) ++at;
    return end + at;
}

// The same, for a run that is mostly over at p (the rest of the blank after
// a word), where two instructions a run cost more than one a byte saves.
inline const unsigned char* pass_short_stays(const std::uint8_t* stays, const unsigned char* p,
                                             const unsigned char* end) {
    while (p != end && stays[*p]) ++p;
    return p;
}

#if defined(__SSE2__)
// The run of a state that Count bytes leave: blocks of 16 compared with
// each of its exit blocks, then the last bytes by the stay set.  Reads no
// byte past end.  Inline in the match loop, and kept small: a loop of
// four blocks to a step, or a call out for long bodies, costs the match
// loop more than it saves.
template <unsigned Count>
inline const unsigned char* pass_body(const DfaLoops& loops, unsigned set, const unsigned char* p,
                                      const unsigned char* end) {
    static_assert(Count >= 1 && Count <= DfaLoops::kMaxExits);
    constexpr unsigned kBlock = DfaLoops::kExitBlock;
    const std::uint8_t* const exits = loops.exits + std::size_t{set} * DfaLoops::kMaxExits * kBlock;
    __m128i exit[Count];
    for (unsigned i = 0; i < Count; ++i) exit[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(exits + i * kBlock));
    if (end - p >= static_cast<std::ptrdiff_t>(kBlock)) {
        const unsigned char* const last_block = end - kBlock;
        do {
            const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i hit = _mm_cmpeq_epi8(block, exit[0]);
            for (unsigned i = 1; i < Count; ++i) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, exit[i]));
            if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0) {
                return p + __builtin_ctz(mask);
            }
            p += kBlock;
        } while (p <= last_block);
    }
    return pass_stays(loops.stays + std::size_t{set} * 256, p, end);
}
#endif

// Passes the run of a state whose stay set is `set` and which few bytes
// leave (kFewExits).
inline const unsigned char* pass_to_exit(const DfaLoops& loops, unsigned set, const unsigned char* p,
                                         const unsigned char* end) {
#if defined(__SSE2__)
    switch (loops.exit_count[set]) {
        case 1: return pass_body<1>(loops, set, p, end);
        case 2: return pass_body<2>(loops, set, p, end);
        case 3: return pass_body<3>(loops, set, p, end);
        case 4: return pass_body<4>(loops, set, p, end);
        default: break;
    }
#endif
    return pass_stays(loops.stays + std::size_t{set} * 256, p, end);
}

// The first byte of [p, end) that is `a` or `b`, or end.
const char* find_either(const char* p, const char* end, char a, char b);

}  // namespace spltwd

#endif  // SPLT_WD_STAY_RUN_H
