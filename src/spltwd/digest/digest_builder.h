// The digest of one statement, built word by word from its accurate words:
// the normalised text, the kind and the tables (see include/spltwd_digest.h
// for what each is).  Nothing is kept of a word after add() returns, so a
// statement's words may come in pieces of any size; the builder's buffers
// keep their capacity from statement to statement.
#ifndef SPLTWD_DIGEST_BUILDER_H
#define SPLTWD_DIGEST_BUILDER_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "folded_word.h"
#include "splt_wd_word_sink.h"

namespace spltwd::digest {

// Bytes that live in the builder itself up to kInline of them, on the
// heap beyond: a context's first short statements take no allocation.
template <std::size_t kInline>
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    char* data() { return data_; }
    const char* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }
    // Room for `bytes` in all, the first `kept` of them as they were.
    void reserve(std::size_t bytes, std::size_t kept) {
        if (bytes <= capacity_) return;
        auto heap = std::make_unique_for_overwrite<char[]>(bytes);
        std::memcpy(heap.get(), data_, kept);
        heap_ = std::move(heap);
        data_ = heap_.get();
        capacity_ = bytes;
    }

private:
    char inline_[kInline];
    std::unique_ptr<char[]> heap_;
    char* data_ = inline_;
    std::size_t capacity_ = kInline;
};

struct Word {
    std::string_view text;
    std::uint16_t type;
};

// What the normalised text does with each word type.
enum class WordClass : std::uint8_t { blank, literal, lparen, rparen, comma, operand, other };

class DigestBuilder {
public:
    // Begins the statement of `length` bytes at `sql`, whose words come
    // next: the normalised text is never longer than twice that.  Inline,
    // as finish() is: the digest call pays for each once a statement.
    inline void reset(const char* sql, std::size_t length);
    // Adds the statement's next words, as a WordSink's take: words of the
    // statement itself, in order, blanks or not (a sign and a number are
    // one literal when no byte lies between them).
    static void take(void* builder, const SinkWord* words, std::size_t count);
    // Ends the statement; the results below hold until the next reset().
    inline void finish();
    // Whether memory ran out since reset(): the results are then incomplete.
    bool failed() const { return failed_; }

    // Followed by a zero byte.
    std::string_view normalized() const { return {out_.data(), size_}; }
    // A kind, zeros to its end, as the digest holds it.
    using Kind = std::array<char, 12>;
    const Kind& kind() const { return *kind_; }
    // Each table as a 4-byte length (host order) and its bytes.
    std::string_view tables() const { return {tables_.data(), tables_size_}; }
    std::uint32_t table_count() const { return table_count_; }

private:
    // What the last word written to the normalised text was, for spacing,
    // signs and the table and kind rules.
    // A name is an operand that "." joins without blanks.  The order
    // matters to the spacing: nothing and "(" take no blank after them,
    // "." takes one only before some words, all the others take one.
    enum class Last : std::uint8_t { nothing, open, dot, name, close, comma, literal, operand, other };
    // An open group; whether it holds literals alone, and any, is kept in
    // only_literals_ and any_literal_ while it is the innermost one.
    struct Group {
        std::size_t open_at;     // of its "(" in out_
        bool outer_any_literal;  // any_literal_ of the group around it
    };

    // Room for a short word's 16 bytes and a blank.
    static constexpr std::size_t kShortWordRoom = FoldedWord::kLongest + 1;

    void add(std::string_view text, std::uint16_t type);
    void add_words(const SinkWord* first, const SinkWord* end);
    // Follows the kind and tables for a word of add_words(), `word` of the
    // batch that begins at `first`, folded as `low`, `high` and `size` (a
    // FoldedWord's, handed over in registers).
    void follow_word(const SinkWord* first, const SinkWord* word, std::uint64_t low, std::uint64_t high,
                     std::size_t size);
    // The same for a word whose role (digest_words.h) is known.
    void follow_role(const SinkWord* first, const SinkWord* word, unsigned role);
    // Makes the word before `word` in the batch that begins at `first`,
    // when there is one, before_word_.
    void note_before(const SinkWord* first, const SinkWord* word);
    // The word before as the tables' rules read it (see before_word_).
    FoldedWord folded_before() const;
    void add_word(const Word& word, WordClass cls, bool quoted, FoldedWord folded_word, unsigned role);
    bool took_punctuation(std::string_view text);
    // Writes a word's bytes as they are, or folded to lower case.
    void emit(std::string_view text, Last kind);
    void emit_word(std::string_view text, const FoldedWord& folded_word, Last kind);
    // Whether a blank goes between a word of kind `last` and the next.  None
    // after "(", before ")" and ",", nor around "." where it joins the
    // parts of a name: a "." keeps its blank after anything but a name,
    // and before anything but a name that starts with no digit, or "*", so
    // that the text reads back as the same words (".1" would be a number,
    // "@a." a variable, ". ." Oracle's "..").
    [[gnu::always_inline]] static bool blank_between(Last last, Last kind, std::string_view text) {
        if (last <= Last::open || kind == Last::close || kind == Last::comma) return false;
        if (kind == Last::dot) return last != Last::name;
        if (last == Last::dot) {
            const bool joins = (kind == Last::name && !(text[0] >= '0' && text[0] <= '9')) || text == "*";
            return !joins;
        }
        return true;
    }
    void room(std::size_t bytes) {
        // The text is never longer than twice the statement, and a batch
        // asks for kBatchRoom past it: the room reset() makes; this only
        // guards that bound.
        if (size_ + bytes > out_.capacity()) out_.reserve(2 * (size_ + bytes), size_);
    }
    void emit_open();
    void emit_close();
    char* close_literals(std::size_t open_at);
    void emit_literal();
    void emit_pending() {
        if (sign_ != 0 || semicolons_ != 0) emit_held();
    }
    void emit_held();
    void emit_sign();
    void note_in_group(Last kind);
    // Opens a group at `open_at` in out_; closes the innermost one, if
    // any, and says whether it held literals alone (and any).
    void open_group(std::size_t open_at) {
        groups_.push_back({open_at, any_literal_});
        only_literals_ = true;
        any_literal_ = false;
    }
    bool close_group(Group& closed) {
        closed = groups_.back();
        groups_.pop_back();
        const bool literals = only_literals_ && any_literal_;
        only_literals_ = false;
        any_literal_ = closed.outer_any_literal;
        return literals;
    }
    // What a word is to the kind and the tables, from its folded form
    // (the role bits of digest_words.h): found once a word.
    static unsigned role(const FoldedWord& folded_word);
    // Whether a word of this role asks for a table.
    static bool asks_for_table(unsigned role);
    // The steps of follow_word() it does not take itself.
    [[gnu::noinline]] void follow_other_word(const SinkWord* first, const SinkWord* word, unsigned role);
    // follow_kind() is inline where the word loop reads it; add() calls
    // follow_kind_of().
    void follow_kind(std::uint16_t type, unsigned role);
    void follow_kind_of(std::uint16_t type, unsigned role);
    void follow_tables(const Word& word, unsigned role);
    void follow_tables_step(const Word& word, unsigned role);
    bool follow_table_name(const Word& word, unsigned role);
    // Records the name gathered, if any.
    void end_table() {
        if (name_at_ != kNoName) record_table();
    }
    void record_table();
    bool in_call() const;
    void start_name(std::string_view first_part);
    // Whether the kind or a table is still being followed.
    bool following() const { return !kind_done_ || want_ != Want::none; }

    // The normalised text is written into out_ up to size_.
    // Room past the text for a batch's words, which add_words() makes
    // when it takes the batch: twice their bytes.  reset() makes it beside
    // the text's own, so that no statement asks for more than a larger one.
    static constexpr std::size_t kBatchRoom = 2 * sizeof(SinkWord) * WordSink::kBatch;
    ByteBuffer<512 + kBatchRoom> out_;
    std::size_t size_ = 0;
    // Where a word may start for 16 bytes to be read from it: at most
    // readable_span_ bytes past readable_from_.
    std::uintptr_t readable_from_ = ~std::uintptr_t{0};
    std::uintptr_t readable_span_ = 0;
    // The word loop's test of the same, in one comparison: a word at most
    // here may be read 16 bytes at once (0 when no word of the statement
    // may).  A sink's word lies in the statement or is a rule's fixed text,
    // which sits in a block of 16 bytes (RuleAction::text), so one below
    // the statement may be read so too; one past here is looked for in
    // tail_ (tail_copy()).
    std::uintptr_t readable_last_ = 0;
    // The statement's last 16 bytes (all of it when shorter), copied to
    // tail_, from which 16 bytes may be read at each: the tail_span_ bytes
    // that begin at tail_from_ in the statement.
    std::uintptr_t tail_from_ = 0;
    std::uintptr_t tail_span_ = 0;
    alignas(16) char tail_[2 * FoldedWord::kLongest] = {};
    // Where 16 bytes may be read that begin with the statement's bytes at
    // `text`, which are not readable where they are: their copy in tail_,
    // or nullptr for bytes outside the statement.
    const char* tail_copy(const char* text) const {
        const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(text) - tail_from_;
        return offset < tail_span_ ? tail_ + offset : nullptr;
    }
    bool failed_ = false;
    std::vector<Group> groups_;
    // Whether the innermost group holds literals (and commas) alone, and
    // any literal: kept here, not in groups_, so that a word marks its
    // group with one store.  Outside any group nothing reads them.
    bool only_literals_ = true;
    bool any_literal_ = false;
    Last last_ = Last::nothing;
    std::size_t run_end_ = std::string::npos;  // end of the last collapsed "(?)" in out_
    char sign_ = 0;                 // a "+" or "-" held back: it may belong to a number
    const char* sign_end_ = nullptr;  // where it ends in the statement, while it is held
    std::uint32_t semicolons_ = 0;  // held back: trailing ones are dropped

    static constexpr Kind kOther = {'O', 'T', 'H', 'E', 'R'};
    const Kind* kind_ = &kOther;  // one of the verbs, or kOther
    bool kind_done_ = false;
    bool in_with_ = false;
    std::uint32_t with_depth_ = 0;

    // Tables: the word that asks for one, the name being gathered, and
    // the comma list after FROM.
    enum class Want { none, table, table_or_if, in_name, name_part, after_from_table, alias, after_alias };
    Want want_ = Want::none;
    // Whether no sign or ";" is held back.
    bool plain_ = true;
    bool from_list_ = false;
    // Where the name being gathered starts in tables_, after room for its
    // length; kNoName when none is.
    static constexpr std::size_t kNoName = ~std::size_t{0};
    std::size_t name_at_ = kNoName;
    // The word before the one being added, of the statement's words: a
    // short word of it folded (its first eight bytes; "," too) tells
    // whether UPDATE names a table.  Only UPDATE asks for it, so
    // add_words() leaves it behind and sets it from the batch's words when
    // asked and when the batch ends.
    SinkWord before_word_{};
    // The tables, up to tables_size_.
    ByteBuffer<256> tables_;
    std::size_t tables_size_ = 0;
    // Room for `bytes` more tables_ and 16 past them; where they go.
    char* tables_room(std::size_t bytes) {
        const std::size_t needed = tables_size_ + bytes + FoldedWord::kLongest;
        if (needed > tables_.capacity()) tables_.reserve(2 * needed, tables_size_);
        return tables_.data() + tables_size_;
    }
    // Copies a name's part to tables_, 16 bytes at once when it is short
    // and may be read so: tables_room() made the room.
    void copy_name_part(char* to, std::string_view part) const;
    std::uint32_t table_count_ = 0;
};

inline void DigestBuilder::reset(const char* sql, std::size_t length) {
    if (length >= FoldedWord::kLongest) {
        readable_from_ = reinterpret_cast<std::uintptr_t>(sql);
        readable_span_ = length - FoldedWord::kLongest;
        readable_last_ = readable_from_ + readable_span_;
        tail_from_ = reinterpret_cast<std::uintptr_t>(sql + length - FoldedWord::kLongest);
        tail_span_ = FoldedWord::kLongest;
        std::memcpy(tail_, sql + length - FoldedWord::kLongest, FoldedWord::kLongest);
    } else {
        // No address is this far past the last.
        readable_from_ = ~std::uintptr_t{0};
        readable_span_ = 0;
        readable_last_ = 0;
        tail_from_ = reinterpret_cast<std::uintptr_t>(sql);
        tail_span_ = length;
        if (length >= 8) {
            // Two loads of eight that may overlap, as a copy of a length
            // not known takes a call.
            std::uint64_t head;
            std::uint64_t last;
            std::memcpy(&head, sql, 8);
            std::memcpy(&last, sql + length - 8, 8);
            std::memcpy(tail_, &head, 8);
            std::memcpy(tail_ + length - 8, &last, 8);
        } else {
            for (std::size_t at = 0; at < length; ++at) tail_[at] = sql[at];
        }
    }
    // Room for a short word's 16 bytes past the end, and for a batch.
    const std::size_t room = 2 * length + 2 * FoldedWord::kLongest + kBatchRoom;
    out_.reserve(room, 0);
    size_ = 0;
    groups_.clear();
    last_ = Last::nothing;
    run_end_ = std::string::npos;
    sign_ = 0;
    failed_ = false;
    semicolons_ = 0;
    kind_ = &kOther;
    kind_done_ = false;
    in_with_ = false;
    with_depth_ = 0;
    want_ = Want::none;
    plain_ = true;
    from_list_ = false;
    name_at_ = kNoName;
    before_word_ = {};
    tables_size_ = 0;
    table_count_ = 0;
}

inline void DigestBuilder::finish() {
    // A sign at the end is an operator; semicolons at the end are dropped
    // (left as they are: reset() clears them).
    if (sign_ != 0) emit_sign();
    end_table();
    room(1);
    out_.data()[size_] = '\0';
}

// FNV-1a, 64 bits, of `bytes`.  Each byte's step waits for the one before,
// so only the loop's own work can be saved: 64 bytes a round, unrolled,
// then the last 63 or fewer in unrolled runs of 32, 16, 8, 4, 2 and 1 as
// the bits of their count say.  On x86-64 a byte goes into the hash's low
// byte straight from memory (the xor of a byte changes no other), one
// instruction where a load and an xor were two.  The prime is handed to
// each step in a register that holds it throughout: left to itself, the
// compiler writes it anew before each multiplication.
[[gnu::always_inline]] inline void fnv1a64_step(std::uint64_t& hash, const unsigned char& byte,
                                                std::uint64_t prime) {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    asm("xorb %2, %b0\n\timulq %1, %0" : "+r"(hash) : "r"(prime), "m"(byte) : "cc");
#else
    hash ^= byte;
    hash *= prime;
#endif
}

// The steps of `kRun` bytes at `at`, unrolled, when `rest` has its bit,
// then those of the smaller runs.
template <std::size_t kRun>
[[gnu::always_inline]] inline void fnv1a64_runs(std::uint64_t& hash, const unsigned char* at, std::size_t rest,
                                                std::uint64_t prime) {
    if ((rest & kRun) != 0) {
#pragma GCC unroll 64
        for (std::size_t i = 0; i < kRun; ++i) fnv1a64_step(hash, at[i], prime);
        at += kRun;
    }
    if constexpr (kRun > 1) fnv1a64_runs<kRun / 2>(hash, at, rest, prime);
}

inline std::uint64_t fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    std::uint64_t prime = 0x100000001b3ull;
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    asm("" : "+r"(prime));
#endif
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = at + bytes.size();
    for (; end - at >= 64; at += 64) fnv1a64_runs<64>(hash, at, 64, prime);
    fnv1a64_runs<32>(hash, at, static_cast<std::size_t>(end - at), prime);
    return hash;
}

}  // namespace spltwd::digest

#endif  // SPLTWD_DIGEST_BUILDER_H
