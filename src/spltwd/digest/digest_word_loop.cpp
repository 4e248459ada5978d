// The loop that writes the common words of a statement at once (see
// add_words()).
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "digest_builder.h"
#include "digest_words.h"

namespace spltwd::digest {
namespace {

// How add_words() takes a word of each type: itself, or through add().
// (The empty words of all but names are left out before the others, as
// add() leaves them out.)
enum class Plain : std::uint8_t { no, literal, comma, open, close, word, name };

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

// After which words a blank goes before another, one bit for each kind
// of last word (DigestBuilder::Last: nothing, open, dot, name, then the
// others): after all but nothing and "(" ...
constexpr std::uint16_t kBlankAfterAll = 0x1fc;
// ... nor "." (which joins a name that starts with no digit, or "*") ...
constexpr std::uint16_t kBlankAfterAllButDot = 0x1f8;
// ... or, before a ".", nor a name.
constexpr std::uint16_t kBlankBeforeDot = 0x1f4;
// A name's first byte: after which words a blank goes before the name, or
// 0 when it may open a quoted name, or U&"..".
constexpr std::array<std::uint16_t, 256> kNameBlanks = [] {
    std::array<std::uint16_t, 256> blanks{};
    for (std::size_t byte = 0; byte < blanks.size(); ++byte) {
        blanks[byte] = kOpens[byte] != Opens::nothing       ? 0
                       : byte >= '0' && byte <= '9' ? kBlankAfterAll
                                                    : kBlankAfterAllButDot;
    }
    return blanks;
}();

// The one-byte operators that are more than a word to the normalised
// text: a ";" is held back, a sign may be a number's, a "." joins names,
// and a "*" joins the "." before it.
enum class Single : std::uint8_t { plain, held, sign, dot, star };
constexpr std::array<Single, 256> kSingleOf = [] {
    std::array<Single, 256> single{};
    single[';'] = Single::held;
    single['+'] = single['-'] = Single::sign;
    single['.'] = Single::dot;
    single['*'] = Single::star;
    return single;
}();

// A rule's word as add_words() writes it when the rule's entry is
// kRuleWordOf's and the word is no operator that is more than a word
// (a ";" or a sign): folded, with its role, how blanks go before it and
// what it is as the last word; size kNoWriting for any other rule.
struct alignas(32) RuleWriting {
    static constexpr std::uint32_t kNoWriting = ~std::uint32_t{0};  // no word is so long
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::uint16_t role = 0;
    std::uint16_t blanks = 0;
    std::uint32_t size = kNoWriting;
    std::uint8_t kind = 0;  // a DigestBuilder::Last: kLastOther or kLastDot
};
constexpr std::uint8_t kLastDot = 2;
constexpr std::uint8_t kLastOther = 8;

constexpr auto kRuleWritingOf = [] {
    std::array<RuleWriting, kRuleWordOf.size()> writings{};
    for (std::size_t rule = 0; rule < writings.size(); ++rule) {
        const RuleWord& word = kRuleWordOf[rule];
        if (word.size == 0) continue;
        std::uint8_t kind = kLastOther;
        std::uint16_t blanks = kBlankAfterAll;
        if (word.size == 1) {
            switch (kSingleOf[word.low & 0xff]) {
                case Single::plain: break;
                case Single::held:
                case Single::sign: continue;
                case Single::dot:
                    kind = kLastDot;
                    blanks = kBlankBeforeDot;
                    break;
                case Single::star: blanks = kBlankAfterAllButDot; break;
            }
        }
        writings[rule] = {word.low, word.high, word.role, blanks, word.size, kind};
    }
    return writings;
}();

#if !(defined(__SSE2__) && defined(__x86_64__))
// The low `bytes` bytes of a 64-bit value, for 0 to 16 bytes.
constexpr std::array<std::uint64_t, FoldedWord::kLongest + 1> kLowBytes = [] {
    std::array<std::uint64_t, FoldedWord::kLongest + 1> masks{};
    for (std::size_t bytes = 0; bytes < masks.size(); ++bytes)
        masks[bytes] = bytes >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * bytes)) - 1;
    return masks;
}();
#endif

#if defined(__SSE2__) && defined(__x86_64__)
// The first `bytes` bytes of 16, for 0 to 16 bytes.
alignas(16) constexpr std::array<std::array<unsigned char, 16>, FoldedWord::kLongest + 1> kKeep = [] {
    std::array<std::array<unsigned char, 16>, FoldedWord::kLongest + 1> masks{};
    for (std::size_t bytes = 0; bytes < masks.size(); ++bytes)
        for (std::size_t at = 0; at < bytes; ++at) masks[bytes][at] = 0xff;
    return masks;
}();
#else
std::uint64_t load8(const char* at) {
    std::uint64_t value;
    std::memcpy(&value, at, 8);
    if constexpr (std::endian::native == std::endian::big) value = __builtin_bswap64(value);
    return value;
}
#endif

// The 16 bytes at `text`, from where they may be read, with their ASCII
// letters in lower case: a short word's bytes and whatever follows them.
// A word is written so, of which its size counts, and kept to its size
// (kept()) only where it is compared with keywords.  On x86-64 the 16
// bytes are folded at once: 'A' to 'Z' plus 0x3f are the lowest 26 signed
// bytes, which one comparison finds.
struct Lowered {
#if defined(__SSE2__) && defined(__x86_64__)
    __m128i bytes;
#else
    std::uint64_t low;
    std::uint64_t high;
#endif
};

[[gnu::always_inline]] inline Lowered lower_readable(const char* text) {
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const __m128i upper = _mm_cmplt_epi8(_mm_add_epi8(bytes, _mm_set1_epi8(0x80 - 'A')), _mm_set1_epi8(-128 + 26));
    return {_mm_or_si128(bytes, _mm_and_si128(upper, _mm_set1_epi8(0x20)))};
#else
    return {folding::lower(load8(text)), folding::lower(load8(text + 8))};
#endif
}

// A folded word as its 16 bytes (zeros past it).
inline Lowered lowered_of(const FoldedWord& folded_word) {
#if defined(__SSE2__) && defined(__x86_64__)
    return {_mm_set_epi64x(static_cast<long long>(folded_word.high), static_cast<long long>(folded_word.low))};
#else
    return {folded_word.low, folded_word.high};
#endif
}

// The first `size` (1 to 16) of the bytes, folded.
[[gnu::always_inline]] inline FoldedWord kept(const Lowered& lowered, std::size_t size) {
#if defined(__SSE2__) && defined(__x86_64__)
    const __m128i word =
        _mm_and_si128(lowered.bytes, _mm_load_si128(reinterpret_cast<const __m128i*>(kKeep[size].data())));
    return {static_cast<std::uint64_t>(_mm_cvtsi128_si64(word)),
            static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(word, word))), size};
#else
    return {lowered.low & kLowBytes[size], size > 8 ? lowered.high & kLowBytes[size - 8] : 0, size};
#endif
}

// Writes all 16 bytes at `out`.
[[gnu::always_inline]] inline void store(const Lowered& lowered, char* out) {
#if defined(__SSE2__) && defined(__x86_64__)
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), lowered.bytes);
#else
    store(FoldedWord{lowered.low, lowered.high, FoldedWord::kLongest}, out);
#endif
}

// The sizes of kTableWords' words by their first byte, in either case:
// bit n for a word of n bytes.  Most words are told no table word by
// these alone.
constexpr std::array<std::uint16_t, 256> kTableWordSizes = [] {
    std::array<std::uint16_t, 256> sizes{};
    for (std::size_t i = 0; i < kTableWords.kSize; ++i) {
        const FoldedWord word = folded(kTableWords.at(static_cast<int>(i)));
        if (word.size >= 16) throw "a table word too long for its bit";
        const std::size_t first = word.low & 0xff;
        sizes[first] |= static_cast<std::uint16_t>(1u << word.size);
        if (first >= 'a' && first <= 'z') sizes[first - ('a' - 'A')] |= static_cast<std::uint16_t>(1u << word.size);
    }
    return sizes;
}();

// A sink word's type, which is below 256: its low byte, read alone.
[[gnu::always_inline]] inline std::uint8_t type_byte(const SinkWord& word) {
    static_assert(SinkWord::kTypeLimit == 256 && sizeof word.type == 2);
    std::uint8_t low;
    std::memcpy(&low, reinterpret_cast<const char*>(&word.type) + (std::endian::native == std::endian::big ? 1 : 0), 1);
    return low;
}

}  // namespace

// A blank or empty word is no word before another (add() leaves it out).
void DigestBuilder::note_before(const SinkWord* const first, const SinkWord* word) {
    while (word != first) {
        --word;
        if (word->length != 0 && class_of(word->type) != WordClass::blank) {
            before_word_ = *word;
            return;
        }
    }
}

// As add() folds a word: a comma is ",", a literal, a quoted name or
// punctuation nothing.
FoldedWord DigestBuilder::folded_before() const {
    const SinkWord& word = before_word_;
    if (word.length == 0) return {};
    const WordClass cls = class_of(word.type);
    if (cls == WordClass::comma) return {',', 0, 1};
    const Word w{std::string_view(word.text, word.length), word.type};
    if (!(cls == WordClass::other || (cls == WordClass::operand && !is_quoted(w)))) return {};
    const FoldedWord folded_word = fold(w.text);
    return {folded_word.low, 0, folded_word.size};
}

// The kind and the tables for a word of add_words(), `word` of the batch
// that begins at `first`.  The common steps are taken here, with nothing
// kept across a call: a table word where no table is being gathered, and
// the first part of a table's name; every other step goes to
// follow_other_word(), whose state machine takes them all.
void DigestBuilder::follow_word(const SinkWord* const first, const SinkWord* const word, std::uint64_t low,
                                std::uint64_t high, std::size_t size) {
    follow_role(first, word, role_of(FoldedWord{low, high, size}));
}

void DigestBuilder::follow_role(const SinkWord* const first, const SinkWord* const word, const unsigned role) {
    const std::uint16_t type = word->type;
    if (!kind_done_) follow_kind(type, role);
    switch (want_) {
        case Want::none:
            if ((role & kRoleTableWord) == 0) return;
            // UPDATE reads the word before it, FROM the function it may
            // be an argument of.
            if ((role & kRoleUpdate) == 0 && !((role & kRoleFrom) != 0 && !groups_.empty())) {
                want_ = (role & kRoleTable) != 0 ? Want::table_or_if : Want::table;
                from_list_ = (role & kRoleFrom) != 0;
                return;
            }
            break;
        case Want::table_or_if:
            if ((role & kRoleIfNotExists) != 0) return;
            [[fallthrough]];
        case Want::table:
            if (type == SPLT_WD_TYPE_NAME && (role & kRoleNoTable) == 0) {
                // Its first part, 16 bytes at once, when they may be read
                // and there is room for them.
                const std::size_t size = word->length;
                const char* const from = reinterpret_cast<std::uintptr_t>(word->text) - readable_from_ <= readable_span_
                                             ? word->text
                                             : tail_copy(word->text);
                if (size <= FoldedWord::kLongest && from != nullptr &&
                    tables_size_ + 4 + 2 * FoldedWord::kLongest <= tables_.capacity()) {
                    name_at_ = tables_size_;
                    std::memcpy(tables_.data() + tables_size_ + 4, from, FoldedWord::kLongest);
                    tables_size_ += 4 + size;
                    want_ = Want::in_name;
                    return;
                }
            }
            break;
        default: break;
    }
    follow_other_word(first, word, role);
}

// Most words are names, keywords, operators, literals and punctuation
// written as they come, with nothing held back before them (plain_).
// Those are written here, with the end of the text, the last word's kind
// and whether the kind or a table is being followed in locals (a store
// through char may touch any member, so members would be read again after
// each; the innermost group's marks are members only written here); the
// kind and the tables follow a word as in add(), and only while one of
// them is followed or the word asks for a table.  Every other word goes
// through add(), the locals handed over and taken back, and so do the
// words after it while something is held back.  Room for every word of
// the batch is made when the locals are taken, so that no word asks for
// it.  A short word 16 bytes from the statement's end is folded from
// whole loads (lower_readable()); every short word is written as 16 bytes,
// of which its own count.
void DigestBuilder::add_words(const SinkWord* const first, const SinkWord* const end) {
    char* out = nullptr;
    Last last = Last::nothing;
    bool follow = false;
    // Takes the locals back, with room made for a blank and 16 bytes for
    // each word from `next` to the end of the batch (twice the words' own
    // bytes, which is more, and fewer steps to count).
    static_assert(2 * sizeof(SinkWord) >= kShortWordRoom);
    const auto take_over = [&](const SinkWord* next) {
        room(2 * static_cast<std::size_t>(reinterpret_cast<const char*>(end) - reinterpret_cast<const char*>(next)));
        out = out_.data() + size_;
        last = last_;
        follow = following();
    };
    const auto hand_over = [&] {
        size_ = static_cast<std::size_t>(out - out_.data());
        last_ = last;
    };
    static_assert(static_cast<unsigned>(Last::dot) == 2 && static_cast<unsigned>(Last::name) == 3 &&
                      static_cast<unsigned>(Last::other) == 8 && kLastDot == 2 && kLastOther == 8,
                  "the blank masks above count the kinds of last word so");
    // What a sign follows when it is an operator, not part of a number.
    constexpr unsigned kOperandLasts = 1u << static_cast<unsigned>(Last::name) |
                                       1u << static_cast<unsigned>(Last::operand) |
                                       1u << static_cast<unsigned>(Last::literal) |
                                       1u << static_cast<unsigned>(Last::close);
    // Takes the word at `at` by all the rules, and the words after it the
    // same way while something is held back before them (or memory ran
    // out); `at` is left at the last word taken.
    const auto by_all_rules_at = [&](const SinkWord*& at) {
        hand_over();
        for (;;) {
            note_before(first, at);
            add(std::string_view(at->text, at->length), at->type);
            if ((plain_ && !failed_) || at + 1 == end) break;
            ++at;
        }
        take_over(at + 1);
    };
    // Begins a word that is more than a literal to its group: a blank
    // before it where the last word asks for one (`blanks`: one bit for
    // each kind of last word).
    const auto begin_word = [&](std::uint16_t blanks) {
        *out = ' ';
        out += (blanks >> static_cast<unsigned>(last)) & 1;
        only_literals_ = false;
    };
    // A name longer than a folded word (and no quoted one) is written in
    // lower case as it is: no keyword the kind or the tables read is so
    // long, so it has no role.
    const auto take_long_name = [&](const SinkWord* at) {
        const std::size_t size = at->length;
        hand_over();
        room(size + 1 + static_cast<std::size_t>(end - at) * kShortWordRoom);
        take_over(at);
        if (follow) {
            follow_word(first, at, 0, 0, 0);
            follow = following();
        }
        const char* const text = at->text;
        std::uint16_t blanks = kNameBlanks[static_cast<unsigned char>(text[0])];
        if (blanks == 0) blanks = kBlankAfterAllButDot;
        begin_word(blanks);
        const auto lower_eight_at = [&](std::size_t from) {
            std::uint64_t bytes;
            std::memcpy(&bytes, text + from, 8);
            bytes = folding::lower(bytes);
            std::memcpy(out + from, &bytes, 8);
        };
        for (std::size_t from = 0; from + 8 < size; from += 8) lower_eight_at(from);
        lower_eight_at(size - 8);  // the last eight, which may overlap the ones before
        out += size;
        last = Last::name;
    };
    const SinkWord* word = first;
    take_over(word);
    if (word != end && (!plain_ || failed_)) {
        by_all_rules_at(word);
        ++word;
    }
    for (; word != end; ++word) {
        const char* const text = word->text;
        const std::size_t size = word->length;
        const auto by_all_rules = [&] { by_all_rules_at(word); };
        const auto follow_this = [&](const FoldedWord& folded_word) {
            follow_word(first, word, folded_word.low, folded_word.high, folded_word.size);
            follow = following();
        };
        // Holds back a ";", or a sign that may be a number's, as add()
        // does (the kind and the tables follow it as a word of no role);
        // the words after it go through add() until it is written or
        // dropped.
        const auto hold_back = [&] {
            if (follow) follow_this(FoldedWord{});
            if (text[0] == ';') {
                ++semicolons_;
            } else {
                sign_ = text[0];
                sign_end_ = text + 1;
            }
            plain_ = false;
            if (word + 1 != end) {
                ++word;
                by_all_rules_at(word);
            }
        };
        // An empty word is no word: add() leaves it out.
        static_assert(kPlainOf.size() == SinkWord::kTypeLimit);
        const Plain how = kPlainOf[type_byte(*word)];
        if (how == Plain::word) {
            // A rule's word (a keyword, an operator) that its rule says all
            // there is of is taken folded, with its role, from the rule's
            // entry.
            const RuleWriting& writing = kRuleWritingOf[word->rule];
            if (writing.size == word->length) {
                if (follow || (writing.role & kRoleTableWord) != 0) {
                    follow_role(first, word, writing.role);
                    follow = following();
                }
                begin_word(writing.blanks);
                store(FoldedWord{writing.low, writing.high, size}, out);
                out += size;
                last = static_cast<Last>(writing.kind);
                continue;
            }
        }
        if (how < Plain::name && size == 0) continue;
        switch (how) {
            case Plain::no: by_all_rules(); continue;
            case Plain::literal:
                if (follow) follow_this(FoldedWord{});
                *out = ' ';
                out += last > Last::open;
                *out++ = '?';
                any_literal_ = true;
                last = Last::literal;
                continue;
            case Plain::comma:
                if (follow) follow_this(FoldedWord{});
                *out++ = ',';
                last = Last::comma;
                continue;
            case Plain::open:
                if (follow) follow_this(FoldedWord{});
                *out = ' ';
                out += last > Last::open;
                // (The group around it holds more than literals from
                // now on: close_group() says so.)
                open_group(static_cast<std::size_t>(out - out_.data()));
                *out++ = '(';
                last = Last::open;
                continue;
            case Plain::close:
                if (follow) follow_this(FoldedWord{});
                last = Last::close;
                if (!groups_.empty()) {
                    Group closed;
                    if (close_group(closed)) {
                        out = close_literals(closed.open_at);
                        continue;
                    }
                }
                *out++ = ')';
                continue;
            case Plain::word:
            case Plain::name: break;
        }
        // Names and words: folded, and written in lower case but for quoted
        // names, which keep their bytes and are no keywords.
        if (size - 1 >= FoldedWord::kLongest) {
            if (how == Plain::name && size != 0) {
                const Opens opens = kOpens[static_cast<unsigned char>(text[0])];
                if (opens == Opens::nothing || (opens == Opens::maybe_unicode_name && text[1] != '&')) {
                    take_long_name(word);
                    continue;
                }
            }
            by_all_rules();
            continue;
        }
        // Words in the statement up to 16 bytes from its end may be read 16
        // bytes at a time, and so may rules' fixed texts (readable_last_;
        // the members are read where they are, as they would be from the
        // stack).  Asked only of the words that are read: a rule's word is
        // not.
        const auto readable = [&] { return reinterpret_cast<std::uintptr_t>(text) <= readable_last_; };
        // Words and names, most of which are no rule's text, are folded;
        // each writes its own, with its kind known.
        const auto write_folded = [&](std::uint16_t blanks, Last kind) __attribute__((always_inline)) {
            const char* const from = readable() ? text : tail_copy(text);
            const Lowered lowered =
                from != nullptr ? lower_readable(from) : lowered_of(fold(std::string_view(text, size)));
            if (follow || ((kTableWordSizes[static_cast<unsigned char>(text[0])] >> size) & 1) != 0) {
                const FoldedWord folded_word = kept(lowered, size);
                if (follow || kTableWords.contains(folded_word)) follow_this(folded_word);
            }
            begin_word(blanks);
            store(lowered, out);
            out += size;
            last = kind;
        };
        if (how == Plain::word) {
            Last kind = Last::other;
            std::uint16_t blanks = kBlankAfterAll;
            if (size == 1) {
                switch (kSingleOf[static_cast<unsigned char>(text[0])]) {
                    case Single::plain: break;
                    case Single::held: hold_back(); continue;
                    case Single::sign:
                        if (((kOperandLasts >> static_cast<unsigned>(last)) & 1) == 0) {
                            hold_back();
                            continue;
                        }
                        break;
                    case Single::dot:
                        kind = Last::dot;
                        blanks = kBlankBeforeDot;
                        break;
                    case Single::star: blanks = kBlankAfterAllButDot; break;
                }
            }
            write_folded(blanks, kind);
            continue;
        }
        std::uint16_t blanks = kNameBlanks[static_cast<unsigned char>(text[0])];
        if (blanks == 0) [[unlikely]] {
            const Opens opens = kOpens[static_cast<unsigned char>(text[0])];
            blanks = kBlankAfterAllButDot;
            if (opens == Opens::quoted_name || (size > 2 && text[1] == '&')) {
                const char* const from = readable() ? text : tail_copy(text);
                if (from == nullptr) {
                    by_all_rules();
                    continue;
                }
                if (follow) follow_this(FoldedWord{});
                begin_word(blanks);
                std::memcpy(out, from, FoldedWord::kLongest);
                out += size;
                last = Last::name;
                continue;
            }
        }
        write_folded(blanks, Last::name);
    }
    hand_over();
    note_before(first, end);
}

}  // namespace spltwd::digest
