// A small constant set of keywords, looked up by a word's folded form
// (folded_word.h) and its length first: most words are rejected by one
// comparison, the others by two more per keyword of their length.
#ifndef SPLTWD_KEYWORD_SET_H
#define SPLTWD_KEYWORD_SET_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "folded_word.h"

namespace spltwd::digest {

template <std::size_t N>
class KeywordSet {
public:
    // `words` in any case, none longer than FoldedWord::kLongest.
    consteval explicit KeywordSet(std::array<std::string_view, N> words) {
        std::sort(words.begin(), words.end(),
                  [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
        for (std::size_t i = 0; i < N; ++i) {
            folded_[i] = folded(words[i]);
            words_[i] = words[i];
        }
        for (const std::string_view word : words) sizes_ |= std::uint32_t{1} << word.size();
        std::size_t at = 0;
        for (std::size_t length = 0; length <= FoldedWord::kLongest + 1; ++length) {
            while (at < N && words[at].size() < length) ++at;
            first_[length] = static_cast<std::uint8_t>(at);
        }
    }

    // The position of `word` in the set, or -1.
    constexpr int find(const FoldedWord& word) const {
        for (std::size_t i = first_[word.size]; i < first_[word.size + 1]; ++i) {
            if (folded_[i].low == word.low && folded_[i].high == word.high) return static_cast<int>(i);
        }
        return -1;
    }
    // Most words are of no length the set holds: one test rejects them.
    constexpr bool contains(const FoldedWord& word) const { return ((sizes_ >> word.size) & 1) != 0 && find(word) >= 0; }
    // The keyword at a position find() gave, as the set was given it.
    constexpr std::string_view at(int position) const { return words_[static_cast<std::size_t>(position)]; }

private:
    std::array<FoldedWord, N> folded_{};
    std::array<std::string_view, N> words_{};
    std::array<std::uint8_t, FoldedWord::kLongest + 2> first_{};  // the first word of each length
    std::uint32_t sizes_ = 0;                                     // bit n: a word of n bytes
};

}  // namespace spltwd::digest

#endif  // SPLTWD_KEYWORD_SET_H
