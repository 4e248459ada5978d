// Extra guidance for libFuzzer from the words a split produced.
//
// The scanner is table driven: which of its thousands of states an input
// reaches is data, not code, so code coverage alone sees a few hundred
// edges and throws away most inputs that reach new scanner states.  What
// the split returns is the next best witness of the path taken: each pair
// of neighbouring words, by dialect, word types and mask, bumps one of
// libFuzzer's extra counters, so an input that yields a new kind of word
// sequence is kept as if it had covered new code.
#ifndef SPLTWD_WORD_FEEDBACK_H
#define SPLTWD_WORD_FEEDBACK_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "mirx_sql_splt_wd.h"

namespace word_feedback {

inline constexpr std::size_t kCounters = std::size_t{1} << 16;

// libFuzzer reads every counter in this section after each input.
__attribute__((section("__libfuzzer_extra_counters"))) inline std::uint8_t counters[kCounters];

inline void Bump(std::uint64_t key) {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    std::uint8_t& counter = counters[key % kCounters];
    if (counter != UINT8_MAX) ++counter;
}

// Notes the result of a split and each pair of neighbouring words.  A word
// is 19 bits (type below 128, mask below 0x1000), so the dialect and two
// words fit one key.
inline void Note(SQL_SPLT_WD& request, std::int32_t result) {
    const std::uint64_t dialect = request.dialect;
    constexpr std::uint64_t kResultKeys = std::uint64_t{1} << 63;
    Bump(kResultKeys | dialect << 32 | static_cast<std::uint32_t>(result > 0 ? 1 : result));
    std::uint64_t previous = 0;
    Fetch_Word_Step step{0, 0};
    Word_Info word;
    while (fetch_word(&request, &step, &word) == 0) {
        std::uint16_t type, mask;
        std::memcpy(&type, word.word_type, sizeof type);
        std::memcpy(&mask, word.word_mask_type, sizeof mask);
        const std::uint64_t current = std::uint64_t{type & 0x7Fu} << 12 | (mask & 0xFFFu);
        Bump(dialect << 38 | previous << 19 | current);
        previous = current;
    }
}

}  // namespace word_feedback

#endif  // SPLTWD_WORD_FEEDBACK_H
