// A short word with its ASCII letters in lower case, held in two 64-bit
// values (byte i of the word in bits 8i to 8i+7, zeros past its end).
//
// Most words of a statement are short, and the digest both writes them in
// lower case and asks of some whether they are keywords.  Folded once into
// registers, a word is written with two stores and compared with a keyword
// in two comparisons, with no loop over its bytes.
#ifndef SPLTWD_FOLDED_WORD_H
#define SPLTWD_FOLDED_WORD_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace spltwd::digest {

struct FoldedWord {
    // The longest word folded; a longer one folds to the empty word.
    static constexpr std::size_t kLongest = 16;

    std::uint64_t low = 0;   // bytes 0 to 7
    std::uint64_t high = 0;  // bytes 8 to 15
    std::size_t size = 0;

    friend constexpr bool operator==(const FoldedWord&, const FoldedWord&) = default;
    bool empty() const { return size == 0; }
};

namespace folding {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Each byte from 'A' to 'Z' gets its 0x20 bit; no other byte changes.
// (Below 0x80 a byte plus 0x3f carries into no other byte.)
constexpr std::uint64_t lower(std::uint64_t bytes) {
    const std::uint64_t low7 = bytes & ~kHighBits;
    const std::uint64_t from_a = low7 + (0x80 - 'A') * kOnes;
    const std::uint64_t past_z = low7 + (0x80 - 'Z' - 1) * kOnes;
    const std::uint64_t upper = (from_a ^ past_z) & ~bytes & kHighBits;
    return bytes | (upper >> 2);
}

inline std::uint32_t load4(const char* at) {
    std::uint32_t value;
    std::memcpy(&value, at, 4);
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap32(value);
    return value;
}

// Up to eight bytes at `at`, none read past them: two loads that may
// overlap, whose shared bytes are the same.
inline std::uint64_t load_up_to_8(const char* at, std::size_t count) {
    if (count >= 4) {
        const std::uint64_t head = load4(at);
        const std::uint64_t tail = load4(at + count - 4);
        return head | (tail << (8 * (count - 4)));
    }
    if (count == 0) return 0;
    const auto byte = [at](std::size_t i) { return std::uint64_t{static_cast<unsigned char>(at[i])} << (8 * i); };
    return byte(0) | byte(count / 2) | byte(count - 1);
}

}  // namespace folding

// The word folded, or the empty word when it is longer than kLongest.
[[gnu::always_inline]] inline FoldedWord fold(std::string_view text) {
    const std::size_t size = text.size();
    if (size > FoldedWord::kLongest) return {};
    FoldedWord word;
    word.size = size;
    if (size > 8) {
        std::uint64_t first;
        std::memcpy(&first, text.data(), 8);
        if constexpr (std::endian::native == std::endian::big) first = __builtin_bswap64(first);
        word.low = folding::lower(first);
        word.high = folding::lower(folding::load_up_to_8(text.data() + 8, size - 8));
    } else {
        word.low = folding::lower(folding::load_up_to_8(text.data(), size));
    }
    return word;
}

// A keyword, in any case, folded at compile time.
constexpr FoldedWord folded(std::string_view keyword) {
    FoldedWord word;
    word.size = keyword.size();
    for (std::size_t i = 0; i < keyword.size(); ++i) {
        const char c = keyword[i];
        const std::uint64_t byte = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (i < 8) {
            word.low |= byte << (8 * i);
        } else {
            word.high |= byte << (8 * (i - 8));
        }
    }
    return word;
}

// Writes all 16 bytes of the folded word at `out`, of which its size count.
inline void store(const FoldedWord& word, char* out) {
    std::uint64_t low = word.low;
    std::uint64_t high = word.high;
    if constexpr (std::endian::native == std::endian::big) {
        low = __builtin_bswap64(low);
        high = __builtin_bswap64(high);
    }
    std::memcpy(out, &low, 8);
    std::memcpy(out + 8, &high, 8);
}

}  // namespace spltwd::digest

#endif  // SPLTWD_FOLDED_WORD_H
