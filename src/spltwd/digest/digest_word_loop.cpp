// The loop that writes the common words of a statement at once (see
// add_words()).
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#include "digest_builder.h"
#include "digest_words.h"

namespace spltwd::digest {
namespace {

// How add_words() takes a word of each type: itself, or through add().
enum class Plain : std::uint8_t { no, literal, comma, open, close, name, word };

constexpr std::array<Plain, 256> kPlainOf = [] {
    std::array<Plain, 256> plain{};
    for (std::size_t type = 0; type < plain.size(); ++type) {
        switch (kClassOf[type]) {
            case WordClass::literal: plain[type] = Plain::literal; break;
            case WordClass::comma: plain[type] = Plain::comma; break;
            case WordClass::lparen: plain[type] = Plain::open; break;
            case WordClass::rparen: plain[type] = Plain::close; break;
            case WordClass::other: plain[type] = Plain::word; break;
            // Variables may be quoted, "?" is a literal: add() sorts them out.
            case WordClass::operand: plain[type] = type == SPLT_WD_TYPE_NAME ? Plain::name : Plain::no; break;
            case WordClass::blank: plain[type] = Plain::no; break;
        }
    }
    return plain;
}();

// The one-byte operators that are more than a word to the normalised
// text: a ";" is held back, a sign may be a number's, a "." joins names.
enum class Single : std::uint8_t { plain, held, sign, dot };
constexpr std::array<Single, 256> kSingleOf = [] {
    std::array<Single, 256> single{};
    single[';'] = Single::held;
    single['+'] = single['-'] = Single::sign;
    single['.'] = Single::dot;
    return single;
}();

// The low `bytes` bytes of a 64-bit value, for 0 to 16 bytes.
constexpr std::array<std::uint64_t, FoldedWord::kLongest + 1> kLowBytes = [] {
    std::array<std::uint64_t, FoldedWord::kLongest + 1> masks{};
    for (std::size_t bytes = 0; bytes < masks.size(); ++bytes)
        masks[bytes] = bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
    return masks;
}();

std::uint64_t load8(const char* at) {
    std::uint64_t value;
    std::memcpy(&value, at, 8);
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap64(value);
    return value;
}

}  // namespace


// Most words are names, keywords, operators, literals and punctuation
// written as they come, with nothing held back before them (plain_).
// Those are written here, with the end of the text, the last word's kind
// and the open group in locals (a store through char may touch any
// member, so members would be read again after each); the kind and the
// tables follow each word as in add().  Every other word goes through
// add(), the locals handed over and taken back.  A short word 16 bytes
// from the statement's end is folded from two whole loads; every short
// word is written as 16 bytes, of which its own count.
void DigestBuilder::add_words(const SinkWord* word, const SinkWord* const end) {
    char* out = nullptr;
    // Room for a blank and 16 bytes before it; none while something is
    // held back.
    char* limit = nullptr;
    Last last = Last::nothing;
    Group* group = nullptr;
    const auto take_over = [&] {
        out = out_.data() + size_;
        limit = plain_ && !failed_ ? out_.data() + out_.size() - kShortWordRoom : out_.data();
        last = last_;
        group = groups_.empty() ? nullptr : &groups_.back();
    };
    const auto hand_over = [&] {
        size_ = static_cast<std::size_t>(out - out_.data());
        last_ = last;
    };
    take_over();
    for (; word != end; ++word) {
        const Word w{std::string_view(word->text, word->length), word->type};
        const char* const text = word->text;
        const std::size_t size = word->length;
        const auto by_all_rules = [&] {
            hand_over();
            add(w.text, w.type);
            take_over();
        };
        const Plain how = w.type < kPlainOf.size() ? kPlainOf[w.type] : Plain::word;
        if (out >= limit || size == 0 || how == Plain::no) {
            by_all_rules();
            continue;
        }
        // Names and words: the kind of the text, and the word folded.
        Last kind = Last::other;
        FoldedWord folded_word;
        bool quoted = false;  // a quoted name keeps its bytes, and is no keyword
        if (how == Plain::name || how == Plain::word) {
            if (how == Plain::name) {
                const Opens opens = kOpens[static_cast<unsigned char>(text[0])];
                quoted = opens == Opens::quoted_name ||
                         (opens == Opens::maybe_unicode_name && size > 2 && text[1] == '&');
                kind = Last::name;
            } else if (size == 1) {
                const Single single = kSingleOf[static_cast<unsigned char>(text[0])];
                if (single == Single::held ||
                    (single == Single::sign && last != Last::name && last != Last::operand &&
                     last != Last::literal && last != Last::close)) {
                    by_all_rules();
                    continue;
                }
                if (single == Single::dot) kind = Last::dot;
            }
            const auto at = reinterpret_cast<std::uintptr_t>(text);
            if (size > FoldedWord::kLongest) {
                by_all_rules();
                continue;
            }
            if (quoted) {
                if (at < readable_from_ || at > readable_to_) {
                    by_all_rules();
                    continue;
                }
            } else if (at >= readable_from_ && at <= readable_to_) {
                folded_word.size = size;
                folded_word.low = folding::lower(load8(text)) & kLowBytes[size];
                if (size > 8) folded_word.high = folding::lower(load8(text + 8)) & kLowBytes[size - 8];
            } else {
                folded_word = fold(w.text);
            }
        }
        // Inside a common table expression only its parentheses matter to
        // the kind.
        if (!kind_done_ && !(in_with_ && with_depth_ > 0 && how != Plain::open && how != Plain::close)) {
            follow_kind(w, folded_word);
        }
        if (want_ != Want::none || kTableWords.contains(folded_word)) {
            size_ = static_cast<std::size_t>(out - out_.data());  // the text so far, for in_call()
            follow_tables(w, folded_word);
        }
        switch (how) {
            case Plain::literal:
                if (last != Last::nothing && last != Last::open) *out++ = ' ';
                *out++ = '?';
                if (group != nullptr) group->any_literal = true;
                last = Last::literal;
                break;
            case Plain::comma:
                *out++ = ',';
                last = Last::comma;
                break;
            case Plain::open:
                if (last != Last::nothing && last != Last::open) *out++ = ' ';
                if (group != nullptr) group->only_literals = false;
                groups_.push_back({static_cast<std::size_t>(out - out_.data()), true, false});
                group = &groups_.back();
                *out++ = '(';
                last = Last::open;
                break;
            case Plain::close:
                if (group != nullptr) {
                    const Group closed = *group;
                    groups_.pop_back();
                    group = groups_.empty() ? nullptr : &groups_.back();
                    if (group != nullptr) group->only_literals = false;
                    if (closed.only_literals && closed.any_literal) {
                        out = close_literals(closed);
                        last = Last::close;
                        break;
                    }
                }
                *out++ = ')';
                last = Last::close;
                break;
            case Plain::name:
            case Plain::word:
                if (blank_between(last, kind, w.text)) *out++ = ' ';
                if (group != nullptr) group->only_literals = false;
                if (quoted) {
                    std::memcpy(out, text, FoldedWord::kLongest);
                } else {
                    store(folded_word, out);
                }
                out += size;
                last = kind;
                break;
            case Plain::no: break;
        }
        if (how == Plain::comma) {
            before_ = ',';
            before_size_ = 1;
        } else {
            before_ = folded_word.low;
            before_size_ = static_cast<std::uint8_t>(folded_word.size);
        }
    }
    hand_over();
}

}  // namespace spltwd::digest
