// Finding either of two bytes, for the special words' bodies.
#include "splt_wd_stay_run.h"

namespace spltwd {

const char* find_either(const char* p, const char* end, char a, char b) {
    const auto* at = reinterpret_cast<const unsigned char*>(p);
    const auto* const stop = reinterpret_cast<const unsigned char*>(end);
#if defined(__SSE2__)
    // Four blocks of 16 to a step while the text has them, then one.
    const __m128i first = _mm_set1_epi8(a), second = _mm_set1_epi8(b);
    const auto hits = [&](const unsigned char* block) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
        return _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second));
    };
    while (stop - at >= 64) {
        const __m128i h0 = hits(at), h1 = hits(at + 16), h2 = hits(at + 32), h3 = hits(at + 48);
        if (_mm_movemask_epi8(_mm_or_si128(_mm_or_si128(h0, h1), _mm_or_si128(h2, h3))) != 0) {
            const unsigned low = static_cast<unsigned>(_mm_movemask_epi8(h0)) |
                                 static_cast<unsigned>(_mm_movemask_epi8(h1)) << 16;
            if (low != 0) return reinterpret_cast<const char*>(at) + __builtin_ctz(low);
            const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(h2)) |
                                  static_cast<unsigned>(_mm_movemask_epi8(h3)) << 16;
            return reinterpret_cast<const char*>(at) + 32 + __builtin_ctz(high);
        }
        at += 64;
    }
    while (stop - at >= 16) {
        if (const int mask = _mm_movemask_epi8(hits(at)); mask != 0) {
            return reinterpret_cast<const char*>(at) + __builtin_ctz(static_cast<unsigned>(mask));
        }
        at += 16;
    }
#endif
    while (at != stop && *at != static_cast<unsigned char>(a) && *at != static_cast<unsigned char>(b)) ++at;
    return reinterpret_cast<const char*>(at);
}

}  // namespace spltwd
