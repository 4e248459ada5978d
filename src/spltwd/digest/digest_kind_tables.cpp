// The kind of a statement and the tables it names, word by word.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

#include "digest_builder.h"
#include "digest_words.h"

namespace spltwd::digest {
namespace {

// Functions whose arguments may hold FROM.
constexpr KeywordSet kFromInArguments(
    std::array<std::string_view, 5>{"EXTRACT", "SUBSTRING", "SUBSTR", "TRIM", "OVERLAY"});

// The words after which UPDATE is part of a clause or a list and names no
// table: ON UPDATE CASCADE, ON DUPLICATE KEY UPDATE, FOR UPDATE, DO UPDATE,
// BEFORE or AFTER UPDATE, INSTEAD OF UPDATE, INSERT OR UPDATE, GRANT
// SELECT, UPDATE.  (After THEN it may be either: MERGE's THEN UPDATE SET
// names none, a procedure's THEN UPDATE t SET does.)
constexpr KeywordSet kUpdateOfAClause(
    std::array<std::string_view, 9>{"ON", "KEY", "FOR", "DO", "BEFORE", "AFTER", "OF", "OR", ","});
}  // namespace

unsigned DigestBuilder::role(const FoldedWord& folded_word) { return role_of(folded_word); }

void DigestBuilder::follow_kind_of(std::uint16_t type, unsigned role) { follow_kind(type, role); }

// One word of a table's name, or of a FROM list around it: true when it
// is taken as one.
[[gnu::always_inline]] inline bool DigestBuilder::follow_table_name(const Word& word, unsigned role) {
    const bool name = word.type == SPLT_WD_TYPE_NAME;
    for (;;) {
        switch (want_) {
            case Want::table:
            case Want::table_or_if:
                if (want_ == Want::table_or_if && (role & kRoleIfNotExists) != 0) return true;
                if (name && (role & kRoleNoTable) == 0) {
                    start_name(word.text);
                    want_ = Want::in_name;
                    return true;
                }
                break;
            case Want::in_name:
            case Want::name_part:
                if (want_ == Want::in_name && word.text == ".") {
                    *tables_room(1) = '.';
                    ++tables_size_;
                    want_ = Want::name_part;
                    return true;
                }
                if (want_ == Want::name_part && name) {
                    copy_name_part(tables_room(word.text.size()), word.text);
                    tables_size_ += word.text.size();
                    want_ = Want::in_name;
                    return true;
                }
                end_table();
                want_ = from_list_ ? Want::after_from_table : Want::none;
                continue;  // the word itself is read again in the new state
            case Want::after_from_table:
            case Want::after_alias:
                if (word.type == SPLT_WD_TYPE_COMMA) {
                    want_ = Want::table;
                    return true;
                }
                if (want_ == Want::after_from_table && (role & kRoleAs) != 0) {
                    want_ = Want::alias;
                    return true;
                }
                if (want_ == Want::after_from_table && name && (role & (kRoleClause | kRoleTableWord)) == 0) {
                    want_ = Want::after_alias;
                    return true;
                }
                break;
            case Want::alias:
                if (name) {
                    want_ = Want::after_alias;
                    return true;
                }
                break;
            case Want::none:
                return false;
        }
        // Anything else ends the table and the list.
        want_ = Want::none;
        from_list_ = false;
        return false;
    }
}

// The tables: a name after FROM, JOIN, INTO, UPDATE or TABLE, its parts
// joined by ".", and each further name of a comma list after FROM (with
// its alias, if any).  A "(" where the name would be is a subquery.
[[gnu::always_inline]] inline void DigestBuilder::follow_tables_step(const Word& word, unsigned role) {
    if (want_ != Want::none && follow_table_name(word, role)) return;
    if ((role & kRoleTableWord) != 0 &&
        !((role & kRoleUpdate) != 0 && kUpdateOfAClause.contains(folded_before())) &&
        !((role & kRoleFrom) != 0 && in_call())) {
        want_ = (role & kRoleTable) != 0 ? Want::table_or_if : Want::table;
        from_list_ = (role & kRoleFrom) != 0;
    }
}

void DigestBuilder::follow_other_word(const SinkWord* const first, const SinkWord* const word, unsigned role) {
    if ((role & kRoleUpdate) != 0) note_before(first, word);
    follow_tables_step(Word{std::string_view(word->text, word->length), word->type}, role);
}

// The same step for add(): follow_other_word() takes it inline, with no
// call of its own.
void DigestBuilder::follow_tables(const Word& word, unsigned role) { follow_tables_step(word, role); }

bool DigestBuilder::asks_for_table(unsigned role) { return (role & kRoleTableWord) != 0; }

// Whether the innermost parentheses are those of a function that takes
// FROM among its arguments, EXTRACT(YEAR FROM d) or SUBSTRING(s FROM 2):
// that FROM names no table.  The function's name ends the text before
// them, but for a blank.
bool DigestBuilder::in_call() const {
    if (groups_.empty()) return false;
    std::string_view before(out_.data(), groups_.back().open_at);
    if (!before.empty() && before.back() == ' ') before.remove_suffix(1);
    // The name is lower-case letters and underscores, and short.
    std::size_t name_at = before.size();
    while (name_at > 0 && before.size() - name_at <= FoldedWord::kLongest &&
           ((before[name_at - 1] >= 'a' && before[name_at - 1] <= 'z') || before[name_at - 1] == '_')) {
        --name_at;
    }
    return kFromInArguments.contains(fold(before.substr(name_at)));
}

// Records the name gathered, once.
void DigestBuilder::record_table() {
    const std::size_t name_at = std::exchange(name_at_, kNoName);
    const char* const tables = tables_.data();
    while (tables_size_ > name_at + 4 && tables[tables_size_ - 1] == '.') --tables_size_;
    const std::string_view name(tables + name_at + 4, tables_size_ - name_at - 4);
    bool seen = name.empty();
    for (std::size_t at = 0; at < name_at && !seen;) {
        std::uint32_t length;
        std::memcpy(&length, tables + at, 4);
        seen = std::string_view(tables + at + 4, length) == name;
        at += 4 + length;
    }
    if (seen) {
        tables_size_ = name_at;
        return;
    }
    const auto length = static_cast<std::uint32_t>(name.size());
    std::memcpy(tables_.data() + name_at, &length, 4);
    ++table_count_;
}

// Begins a table's name in tables_, after room for its length.
[[gnu::always_inline]] inline void DigestBuilder::start_name(std::string_view first_part) {
    name_at_ = tables_size_;
    copy_name_part(tables_room(4 + first_part.size()) + 4, first_part);
    tables_size_ += 4 + first_part.size();
}

void DigestBuilder::copy_name_part(char* to, std::string_view part) const {
    if (part.size() <= FoldedWord::kLongest &&
        reinterpret_cast<std::uintptr_t>(part.data()) - readable_from_ <= readable_span_) {
        std::memcpy(to, part.data(), FoldedWord::kLongest);
    } else {
        std::memcpy(to, part.data(), part.size());
    }
}

}  // namespace spltwd::digest
