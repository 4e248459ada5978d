// The digest of one statement, built word by word from its accurate words:
// the normalised text, the kind and the tables (see include/spltwd_digest.h
// for what each is).  Nothing is kept of a word after add() returns, so a
// statement's words may come in pieces of any size; the builder's buffers
// keep their capacity from statement to statement.
#ifndef SPLTWD_DIGEST_BUILDER_H
#define SPLTWD_DIGEST_BUILDER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace spltwd::digest {

struct Word {
    std::string_view text;
    std::uint16_t type;
    std::uint16_t mask;
};

class DigestBuilder {
public:
    // Begins a statement of `length` bytes: the normalised text is never
    // longer than twice that.
    void reset(std::size_t length);
    void add(const Word& word);
    // Adds each word of a run of whole word records.
    void add_records(const char* records, std::uint32_t length);
    // Ends the statement; the results below hold until the next reset().
    void finish();

    // Followed by a zero byte.
    std::string_view normalized() const { return {out_.data(), size_}; }
    std::string_view kind() const { return kind_; }
    // Each table as a 4-byte length (host order) and its bytes.
    std::string_view tables() const { return tables_; }
    std::uint32_t table_count() const { return table_count_; }

private:
    // What the last word written to the normalised text was, for spacing,
    // signs and the table and kind rules.
    // A name is an operand that "." joins without blanks.
    enum class Last { nothing, open, close, comma, dot, literal, name, operand, other };
    struct Group {
        std::size_t open_at;  // of its "(" in out_
        bool only_literals;
        bool any_literal;
    };

    // How a word's bytes are written: as they are, or ASCII letters lower-cased.
    enum class Fold { none, lower };
    void emit(std::string_view text, Last kind, Fold fold);
    bool needs_blank_before(Last kind, std::string_view text) const;
    void room(std::size_t bytes) {
        // The text is never longer than twice the statement, the room
        // reset() makes; this only guards that bound.
        if (size_ + bytes > out_.size()) out_.resize(2 * (size_ + bytes));
    }
    void emit_open();
    void emit_close();
    void emit_literal();
    void emit_pending() {
        if (sign_ != 0 || semicolons_ != 0) emit_held();
    }
    void emit_held();
    void emit_sign();
    void note_in_group(Last kind);
    void follow_kind(const Word& word, std::string_view upper);
    void follow_tables(const Word& word, std::string_view upper, bool quoted);
    void end_table();

    // The normalised text is written into out_, whose size is only ever
    // grown, up to size_.
    std::string out_;
    std::size_t size_ = 0;
    std::vector<Group> groups_;
    Last last_ = Last::nothing;
    std::size_t run_end_ = std::string::npos;  // end of the last collapsed "(?)" in out_
    char sign_ = 0;                 // a "+" or "-" held back: it may belong to a number
    bool sign_touches_ = false;     // and nothing has come between it and the next word
    std::uint32_t semicolons_ = 0;  // held back: trailing ones are dropped

    std::string_view kind_;  // one of the verbs' own texts, or "OTHER"
    bool kind_done_ = false;
    bool in_with_ = false;
    std::uint32_t with_depth_ = 0;

    // Tables: the word that asks for one, the name being gathered, and
    // the comma list after FROM.
    enum class Want { none, table, table_or_if, in_name, name_part, after_from_table, alias, after_alias };
    Want want_ = Want::none;
    bool from_list_ = false;
    std::string name_;
    bool after_key_or_for_ = false;  // the word before was KEY or FOR
    std::string tables_;
    std::uint32_t table_count_ = 0;
};

// FNV-1a, 64 bits, of `bytes`.
constexpr std::uint64_t fnv1a64(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace spltwd::digest

#endif  // SPLTWD_DIGEST_BUILDER_H
