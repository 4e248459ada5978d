// A small constant set of keywords, looked up by a word's folded form
// (folded_word.h).
//
// The set is a table of 2^kSlotBits slots (128 unless asked) with at most
// one keyword each: a word's slot is the top kSlotBits bits of its folded
// bytes times a multiplier, one
// the compiler picks so that no two keywords of the set share a slot.  A
// lookup is then one multiplication and one comparison, whatever the
// set's size; most words are rejected even before it, by their length.
#ifndef SPLTWD_KEYWORD_SET_H
#define SPLTWD_KEYWORD_SET_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "folded_word.h"

namespace spltwd::digest {

template <std::size_t N, unsigned kSlotBits = 7>
class KeywordSet {
    static constexpr std::size_t kSlots = std::size_t{1} << kSlotBits;
    static_assert(N <= kSlots / 2, "a set that fills its slots may find no multiplier");

public:
    static constexpr std::size_t kSize = N;

    // `words` in any case, none longer than FoldedWord::kLongest.
    consteval explicit KeywordSet(std::array<std::string_view, N> words) : words_(words) {
        for (std::size_t i = 0; i < N; ++i) {
            folded_[i] = folded(words[i]);
            sizes_ |= std::uint32_t{1} << words[i].size();
        }
        // Odd multipliers, tried in turn until one spreads the set.
        for (multiplier_ = 0x9e3779b97f4a7c15ull;; multiplier_ += 0x632be59bd9b4e01aull) {
            slots_.fill(-1);
            bool spread = true;
            for (std::size_t i = 0; i < N && spread; ++i) {
                std::int8_t& slot = slots_[slot_of(folded_[i])];
                spread = slot < 0;
                slot = static_cast<std::int8_t>(i);
            }
            if (spread) break;
        }
    }

    // The position of `word` in the set, or -1.
    constexpr int find(const FoldedWord& word) const {
        if (((sizes_ >> word.size) & 1) == 0) return -1;
        const int at = slots_[slot_of(word)];
        return at >= 0 && folded_[static_cast<std::size_t>(at)] == word ? at : -1;
    }
    constexpr bool contains(const FoldedWord& word) const { return find(word) >= 0; }
    // The keyword at a position find() gave, as the set was given it.
    constexpr std::string_view at(int position) const { return words_[static_cast<std::size_t>(position)]; }

private:
    constexpr std::size_t slot_of(const FoldedWord& word) const {
        return static_cast<std::size_t>(((word.low ^ word.high) * multiplier_) >> (64 - kSlotBits));
    }

    std::array<std::string_view, N> words_;
    std::array<FoldedWord, N> folded_{};
    std::array<std::int8_t, kSlots> slots_{};
    static_assert(N <= 128, "a position is held in a signed byte");
    std::uint64_t multiplier_ = 0;
    std::uint32_t sizes_ = 0;  // bit n: a keyword of n bytes
};

}  // namespace spltwd::digest

#endif  // SPLTWD_KEYWORD_SET_H
