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
    void reset();
    void add(const Word& word);
    // Ends the statement; the results below hold until the next reset().
    void finish();

    std::string_view normalized() const { return out_; }
    std::string_view kind() const { return kind_; }
    // Each table as a 4-byte length (host order) and its bytes.
    std::string_view tables() const { return tables_; }
    std::uint32_t table_count() const { return table_count_; }

private:
    // What the last word written to the normalised text was, for spacing,
    // signs and the table and kind rules.
    enum class Last { nothing, open, close, comma, dot, literal, operand, other };
    struct Group {
        std::size_t open_at;  // of its "(" in out_
        bool only_literals;
        bool any_literal;
    };

    void emit(std::string_view text, Last kind, bool fold);
    void emit_open();
    void emit_close();
    void emit_literal();
    void emit_pending();
    void note_in_group(Last kind);
    void follow_kind(const Word& word, std::string_view upper);
    void follow_tables(const Word& word, std::string_view upper, bool quoted);
    void end_table();

    std::string out_;
    std::vector<Group> groups_;
    Last last_ = Last::nothing;
    std::size_t run_end_ = std::string::npos;  // end of the last collapsed "(?)" in out_
    char sign_ = 0;                 // a "+" or "-" held back: it may belong to a number
    bool sign_touches_ = false;     // and nothing has come between it and the next word
    std::uint32_t semicolons_ = 0;  // held back: trailing ones are dropped

    std::string kind_;
    bool kind_done_ = false;
    bool in_with_ = false;
    std::uint32_t with_depth_ = 0;

    // Tables: the word that asks for one, the name being gathered, and
    // the comma list after FROM.
    enum class Want { none, table, table_or_if, in_name, name_part, after_from_table, alias, after_alias };
    Want want_ = Want::none;
    bool from_list_ = false;
    std::string name_;
    std::string prev_upper_;
    std::string tables_;
    std::uint32_t table_count_ = 0;
    std::string upper_;
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
