// A small constant set of upper-case keywords, looked up by their length
// first: most words are rejected by one comparison.
#ifndef SPLTWD_KEYWORD_SET_H
#define SPLTWD_KEYWORD_SET_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace spltwd::digest {

// No keyword a set holds, nor one the digest looks for, is longer.
inline constexpr std::size_t kLongestListedKeyword = 16;

template <std::size_t N>
class KeywordSet {
public:
    static constexpr std::size_t kLongest = kLongestListedKeyword;

    constexpr explicit KeywordSet(std::array<std::string_view, N> words) : words_(words) {
        std::sort(words_.begin(), words_.end(),
                  [](std::string_view a, std::string_view b) { return a.size() < b.size(); });
        std::size_t at = 0;
        for (std::size_t length = 0; length <= kLongest + 1; ++length) {
            while (at < N && words_[at].size() < length) ++at;
            first_[length] = static_cast<std::uint8_t>(at);
        }
    }

    // The set's own copy of `word`, or an empty view.
    constexpr std::string_view find(std::string_view word) const {
        if (word.size() > kLongest) return {};
        for (std::size_t i = first_[word.size()]; i < first_[word.size() + 1]; ++i) {
            if (same(words_[i], word)) return words_[i];
        }
        return {};
    }
    constexpr bool contains(std::string_view word) const { return !find(word).empty(); }

private:
    // Keywords are short: a plain loop beats a call to memcmp.
    static constexpr bool same(std::string_view a, std::string_view b) {
        for (std::size_t i = 0; i < a.size(); ++i) {
            if (a[i] != b[i]) return false;
        }
        return true;
    }

    std::array<std::string_view, N> words_;
    std::array<std::uint8_t, kLongest + 2> first_{};  // the first word of each length
};

}  // namespace spltwd::digest

#endif  // SPLTWD_KEYWORD_SET_H
