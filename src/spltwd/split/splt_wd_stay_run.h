// Passing the run of a self-loop state (splt_wd_dfa.h): from a place in
// the text, the bytes that keep the state, up to the first byte that
// leaves it or the end.
//
// The table walk would take one step per byte.  pass_stays takes a byte
// test per byte instead, with the state's stay set.  Where at most four
// byte values leave the state (the quote and the backslash of a string
// body, the star of a comment), pass_to_exit compares 16 bytes at a time
// with each of them (SSE2, which every x86-64 has) and so passes a long
// body at a fraction of an instruction per byte; elsewhere it is
// pass_stays.  Both give the same place for the same text: a test holds
// them to that.
#ifndef SPLT_WD_STAY_RUN_H
#define SPLT_WD_STAY_RUN_H

#include <cstdint>

#include "splt_wd_dfa.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace spltwd {

inline const unsigned char* pass_stays(const std::uint8_t* stays, const unsigned char* p, const unsigned char* end) {
    while (p != end && stays[*p]) ++p;
    return p;
}

#if defined(__SSE2__)
// The first byte of [p, end) equal to one of the first Count exit blocks'
// byte, in blocks of 16 while the text has them; the last few bytes go by
// the stay set.  Reads no byte past end.
template <unsigned Count>
inline const unsigned char* pass_to_exit_blocks(const std::uint8_t* exits, const std::uint8_t* stays,
                                                const unsigned char* p, const unsigned char* end) {
    static_assert(Count >= 1 && Count <= DfaLoops::kMaxExits);
    constexpr unsigned kBlock = DfaLoops::kExitBlock;
    __m128i exit[Count];
    for (unsigned i = 0; i < Count; ++i) exit[i] = _mm_load_si128(reinterpret_cast<const __m128i*>(exits + i * kBlock));
    while (end - p >= static_cast<std::ptrdiff_t>(kBlock)) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_cmpeq_epi8(block, exit[0]);
        for (unsigned i = 1; i < Count; ++i) hit = _mm_or_si128(hit, _mm_cmpeq_epi8(block, exit[i]));
        if (const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hit)); mask != 0) {
            return p + __builtin_ctz(mask);
        }
        p += kBlock;
    }
    return pass_stays(stays, p, end);
}
#endif

// Passes the run of a state whose stay set is `set` and leaves it at
// `exit_count` byte values (0: more than DfaLoops::kMaxExits).
inline const unsigned char* pass_to_exit(const DfaLoops& loops, unsigned set, const unsigned char* p,
                                         const unsigned char* end) {
    const std::uint8_t* const stays = loops.stays + std::size_t{set} * 256;
#if defined(__SSE2__)
    const std::uint8_t* const exits = loops.exits + std::size_t{set} * DfaLoops::kMaxExits * DfaLoops::kExitBlock;
    switch (loops.exit_count[set]) {
        case 1: return pass_to_exit_blocks<1>(exits, stays, p, end);
        case 2: return pass_to_exit_blocks<2>(exits, stays, p, end);
        case 3: return pass_to_exit_blocks<3>(exits, stays, p, end);
        case 4: return pass_to_exit_blocks<4>(exits, stays, p, end);
        default: break;
    }
#endif
    return pass_stays(stays, p, end);
}

}  // namespace spltwd

#endif  // SPLT_WD_STAY_RUN_H
