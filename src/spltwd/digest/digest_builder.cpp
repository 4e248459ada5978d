// The rules of the digest, word by word.
#include "digest_builder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "keyword_set.h"
#include "mirx_sql_splt_wd.h"

namespace spltwd::digest {
namespace {

constexpr std::size_t kLongestKeyword = kLongestListedKeyword;

// The statement verbs a kind may be.
constexpr KeywordSet kVerbs(std::array<std::string_view, 34>{
    "SELECT",   "INSERT",  "UPDATE",   "DELETE",  "MERGE",  "REPLACE", "CREATE",  "ALTER",    "DROP",
    "TRUNCATE", "RENAME",  "GRANT",    "REVOKE",  "BEGIN",  "START",   "COMMIT",  "ROLLBACK", "SAVEPOINT",
    "SET",      "SHOW",    "DESCRIBE", "EXPLAIN", "USE",    "CALL",    "EXEC",    "EXECUTE",  "DECLARE",
    "LOCK",     "UNLOCK",  "ANALYZE",  "VACUUM",  "COPY",   "LOAD",    "VALUES"});

// A word's bytes in upper case (ASCII letters), at `buffer`, when it is
// short enough to be a keyword; else empty.
std::string_view upper_case(std::string_view text, char (&buffer)[kLongestKeyword]) {
    if (text.size() > kLongestKeyword) return {};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        buffer[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    return {buffer, text.size()};
}

// Whether the word may be FROM, JOIN, INTO, TABLE, UPDATE or STRAIGHT_JOIN,
// or KEY or FOR, by its length and first letter alone.
bool may_matter_to_tables(std::string_view text) {
    const std::size_t length = text.size();
    if (!(length == 3 || length == 4 || length == 5 || length == 6 || length == 13)) return false;
    const char first = static_cast<char>(text[0] | 0x20);
    return first == 'f' || first == 'j' || first == 'i' || first == 'u' || first == 't' || first == 's' ||
           first == 'k';
}


// Words after which a name is no alias of a table in a FROM list.
constexpr KeywordSet kClauseWords(std::array<std::string_view, 27>{
    "WHERE", "JOIN",  "LEFT",   "RIGHT",  "INNER",     "OUTER",  "FULL",   "CROSS",    "NATURAL",
    "ON",    "USING", "GROUP",  "ORDER",  "HAVING",    "LIMIT",  "UNION",  "EXCEPT",   "INTERSECT",
    "SET",   "VALUES", "WINDOW", "OFFSET", "FETCH",    "FOR",    "RETURNING", "STRAIGHT_JOIN", "LATERAL"});

// The words a table name follows.
constexpr KeywordSet kTableWords(
    std::array<std::string_view, 6>{"FROM", "JOIN", "INTO", "UPDATE", "TABLE", "STRAIGHT_JOIN"});

// What the normalised text does with each word type.
enum class WordClass : std::uint8_t { blank, literal, lparen, rparen, comma, operand, other };

constexpr std::array<WordClass, 256> kClassOf = [] {
    std::array<WordClass, 256> classes{};
    for (WordClass& c : classes) c = WordClass::other;
    for (int type : {SPLT_WD_TYPE_SPACE, SPLT_WD_TYPE_COMMENT}) classes[type] = WordClass::blank;
    for (int type : {SPLT_WD_TYPE_STRING, SPLT_WD_TYPE_DQ_STRING, SPLT_WD_TYPE_NUMBER, SPLT_WD_TYPE_DOLLAR_STRING,
                     SPLT_WD_TYPE_BIT_STRING})
        classes[type] = WordClass::literal;
    for (int type : {SPLT_WD_TYPE_NAME, SPLT_WD_TYPE_AT_VARIABLE, SPLT_WD_TYPE_ATAT_VARIABLE,
                     SPLT_WD_TYPE_BIND_VARIABLE, SPLT_WD_TYPE_STAR_NAME})
        classes[type] = WordClass::operand;
    classes[SPLT_WD_TYPE_LPAREN] = WordClass::lparen;
    classes[SPLT_WD_TYPE_RPAREN] = WordClass::rparen;
    classes[SPLT_WD_TYPE_COMMA] = WordClass::comma;
    return classes;
}();

WordClass class_of(std::uint16_t type) { return type < kClassOf.size() ? kClassOf[type] : WordClass::other; }

constexpr std::array<char, 256> kLower = [] {
    std::array<char, 256> lower{};
    for (int c = 0; c < 256; ++c) lower[c] = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return lower;
}();

// Quoted names and variables keep their bytes.
bool is_quoted(const Word& word) {
    const std::string_view t = word.text;
    if (word.type == SPLT_WD_TYPE_NAME) {
        return t[0] == '"' || t[0] == '`' || t[0] == '[' || (t.size() > 2 && (t[0] | 0x20) == 'u' && t[1] == '&');
    }
    if (word.type == SPLT_WD_TYPE_AT_VARIABLE || word.type == SPLT_WD_TYPE_ATAT_VARIABLE) {
        return t.find_first_of("'\"`") != std::string_view::npos;
    }
    return false;
}

// Writes `text` at `out` with its ASCII letters in lower case; returns the
// end of what it wrote.
char* write_lower(char* out, std::string_view text) {
    // Eight bytes at a time: a byte from 'A' to 'Z' gets its 0x20 bit.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighBits = 0x8080808080808080ull;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t bytes;
        std::memcpy(&bytes, text.data() + i, 8);
        const std::uint64_t low7 = bytes & ~kHighBits;
        const std::uint64_t from_a = low7 + (0x80 - 'A') * kOnes;
        const std::uint64_t past_z = low7 + (0x80 - 'Z' - 1) * kOnes;
        const std::uint64_t upper = (from_a ^ past_z) & ~bytes & kHighBits;
        bytes |= upper >> 2;
        std::memcpy(out, &bytes, 8);
        out += 8;
    }
    for (; i < text.size(); ++i) *out++ = kLower[static_cast<unsigned char>(text[i])];
    return out;
}

}  // namespace

void DigestBuilder::reset(std::size_t length) {
    if (out_.size() < 2 * length + 8) out_.resize(2 * length + 8);
    size_ = 0;
    groups_.clear();
    last_ = Last::nothing;
    run_end_ = std::string::npos;
    sign_ = 0;
    sign_touches_ = false;
    semicolons_ = 0;
    kind_ = {};
    kind_done_ = false;
    in_with_ = false;
    with_depth_ = 0;
    want_ = Want::none;
    from_list_ = false;
    name_.clear();
    after_key_or_for_ = false;
    tables_.clear();
    table_count_ = 0;
}

void DigestBuilder::add(const Word& word) {
    const std::string_view text = word.text;
    const WordClass cls = class_of(word.type);
    if (cls == WordClass::blank || text.empty()) {
        sign_touches_ = false;
        return;
    }
    const bool quoted = cls == WordClass::operand && is_quoted(word);
    // The word in upper case, where the kind or the tables may ask for it.
    char upper_bytes[kLongestKeyword];
    std::string_view upper;
    const char first = static_cast<char>(text[0] | 0x20);
    if (!quoted && first >= 'a' && first <= 'z' &&
        (!kind_done_ || want_ != Want::none || may_matter_to_tables(text))) {
        upper = upper_case(text, upper_bytes);
    }
    if (!kind_done_) follow_kind(word, upper);
    if (want_ != Want::none || !upper.empty()) follow_tables(word, upper, quoted);

    if (cls == WordClass::literal) {
        if (sign_ != 0 && sign_touches_ && word.type == SPLT_WD_TYPE_NUMBER) {
            sign_ = 0;
        } else {
            emit_pending();
        }
        emit_literal();
        return;
    }
    if (cls == WordClass::other && text.size() == 1) {
        const char byte = text[0];
        if (byte == ';') {
            emit_sign();
            ++semicolons_;
            return;
        }
        emit_pending();
        if ((byte == '+' || byte == '-') && last_ != Last::name && last_ != Last::operand && last_ != Last::literal &&
            last_ != Last::close) {
            sign_ = byte;
            sign_touches_ = true;
            return;
        }
        if (byte == '.') {
            emit(".", Last::dot, Fold::none);
            return;
        }
        emit(text, Last::other, Fold::lower);
        return;
    }
    emit_pending();
    switch (cls) {
        case WordClass::lparen: emit_open(); return;
        case WordClass::rparen: emit_close(); return;
        case WordClass::comma: emit(",", Last::comma, Fold::none); return;
        case WordClass::operand:
            // A bind marker "?" counts as a literal in a group: IN (?, ?) is IN (?).
            if (word.type == SPLT_WD_TYPE_BIND_VARIABLE && text.size() == 1 && text[0] == '?') {
                emit_literal();
            } else {
                emit(text, word.type == SPLT_WD_TYPE_NAME ? Last::name : Last::operand,
                     quoted ? Fold::none : Fold::lower);
            }
            return;
        default: emit(text, Last::other, Fold::lower); return;
    }
}

// No blank after "(", before ")" and ",", nor around "." where it joins the
// parts of a name: a "." keeps its blank after anything but a name, and
// before anything but a name that starts with no digit, or "*", so that
// the text reads back as the same words (".1" would be a number, "@a." a
// variable, ". ." Oracle's "..").
bool DigestBuilder::needs_blank_before(Last kind, std::string_view text) const {
    if (size_ == 0 || last_ == Last::open || kind == Last::close || kind == Last::comma) return false;
    if (kind == Last::dot) return last_ != Last::name;
    if (last_ == Last::dot) {
        const bool joins = (kind == Last::name && !(text[0] >= '0' && text[0] <= '9')) || text == "*";
        return !joins;
    }
    return true;
}

void DigestBuilder::add_records(const char* records, std::uint32_t length) {
    for (std::uint32_t at = 0; length - at >= 8;) {
        std::uint32_t word_length;
        std::memcpy(&word_length, records + at, 4);
        Word word{{records + at + 4, word_length}, 0, 0};
        std::memcpy(&word.type, records + at + 4 + word_length, 2);
        at += 8 + word_length;
        // Half the words are blanks, which only part a sign from its number.
        if (word.type == SPLT_WD_TYPE_SPACE || word.type == SPLT_WD_TYPE_COMMENT) {
            sign_touches_ = false;
            continue;
        }
        std::memcpy(&word.mask, records + at - 2, 2);
        add(word);
    }
}

void DigestBuilder::finish() {
    // A sign at the end is an operator; semicolons at the end are dropped.
    emit_sign();
    semicolons_ = 0;
    end_table();
    if (kind_.empty()) kind_ = "OTHER";
    room(1);
    out_[size_] = '\0';
}

// Writes a sign held back as an operator of its own.
void DigestBuilder::emit_sign() {
    if (sign_ != 0) {
        const char sign[1] = {sign_};
        sign_ = 0;
        emit(std::string_view(sign, 1), Last::other, Fold::none);
    }
}

// Writes what was held back before the word that follows it.
void DigestBuilder::emit_held() {
    emit_sign();
    for (; semicolons_ > 0; --semicolons_) emit(";", Last::other, Fold::none);
}

void DigestBuilder::note_in_group(Last kind) {
    if (groups_.empty()) return;
    Group& group = groups_.back();
    if (kind == Last::literal) {
        group.any_literal = true;
    } else if (kind != Last::comma) {
        group.only_literals = false;
    }
}

// Words are joined by one blank, but none after "(", before ")" and ",",
// and on either side of ".".
void DigestBuilder::emit(std::string_view text, Last kind, Fold fold) {
    room(text.size() + 1);
    char* out = out_.data() + size_;
    if (needs_blank_before(kind, text)) *out++ = ' ';
    note_in_group(kind);
    if (fold != Fold::none) {
        out = write_lower(out, text);
    } else {
        for (const char c : text) *out++ = c;
    }
    size_ = static_cast<std::size_t>(out - out_.data());
    last_ = kind;
}

void DigestBuilder::emit_literal() { emit("?", Last::literal, Fold::none); }

void DigestBuilder::emit_open() {
    emit("(", Last::open, Fold::none);
    groups_.push_back({size_ - 1, true, false});
}

// A group of literals alone becomes "(?)", and a comma-separated run of
// such groups one "(?)".
void DigestBuilder::emit_close() {
    if (groups_.empty()) {
        emit(")", Last::close, Fold::none);
        return;
    }
    const Group group = groups_.back();
    groups_.pop_back();
    if (!(group.only_literals && group.any_literal)) {
        emit(")", Last::close, Fold::none);
        return;
    }
    size_ = group.open_at;
    constexpr std::string_view kAfterGroup = ", ";
    if (run_end_ != std::string::npos && run_end_ + kAfterGroup.size() == group.open_at &&
        std::string_view(out_.data() + run_end_, kAfterGroup.size()) == kAfterGroup) {
        size_ = run_end_;
    } else {
        room(3);
        std::memcpy(out_.data() + size_, "(?)", 3);
        size_ += 3;
    }
    run_end_ = size_;
    note_in_group(Last::close);
    last_ = Last::close;
}

// The kind: the first word that is not "(" when it is a verb; after WITH,
// the first verb outside parentheses.
void DigestBuilder::follow_kind(const Word& word, std::string_view upper) {
    if (kind_done_) return;
    if (in_with_) {
        if (word.type == SPLT_WD_TYPE_LPAREN) {
            ++with_depth_;
        } else if (word.type == SPLT_WD_TYPE_RPAREN) {
            if (with_depth_ > 0) --with_depth_;
        } else if (with_depth_ == 0 && kVerbs.contains(upper)) {
            kind_ = kVerbs.find(upper);
            kind_done_ = true;
        }
        return;
    }
    if (word.type == SPLT_WD_TYPE_LPAREN) return;
    if (upper == "WITH") {
        in_with_ = true;
        return;
    }
    kind_ = kVerbs.find(upper);
    kind_done_ = true;
}

// The tables: a name after FROM, JOIN, INTO, UPDATE or TABLE, its parts
// joined by ".", and each further name of a comma list after FROM (with
// its alias, if any).  A "(" where the name would be is a subquery.
void DigestBuilder::follow_tables(const Word& word, std::string_view upper, bool quoted) {
    const bool name = word.type == SPLT_WD_TYPE_NAME;
    // UPDATE after ON DUPLICATE KEY or FOR names no table.
    const bool update_of_clause = after_key_or_for_;
    after_key_or_for_ = upper == "KEY" || upper == "FOR";
    for (;;) {
        switch (want_) {
            case Want::table:
            case Want::table_or_if:
                if (want_ == Want::table_or_if && (upper == "IF" || upper == "NOT" || upper == "EXISTS")) return;
                if (name) {
                    name_.assign(word.text);
                    want_ = Want::in_name;
                    return;
                }
                want_ = Want::none;
                from_list_ = false;
                break;
            case Want::in_name:
            case Want::name_part:
                if (want_ == Want::in_name && word.text == ".") {
                    name_ += '.';
                    want_ = Want::name_part;
                    return;
                }
                if (want_ == Want::name_part && name) {
                    name_.append(word.text);
                    want_ = Want::in_name;
                    return;
                }
                end_table();
                want_ = from_list_ ? Want::after_from_table : Want::none;
                continue;  // the word itself is read again in the new state
            case Want::after_from_table:
            case Want::after_alias:
                if (word.type == SPLT_WD_TYPE_COMMA) {
                    want_ = Want::table;
                    return;
                }
                if (want_ == Want::after_from_table && upper == "AS") {
                    want_ = Want::alias;
                    return;
                }
                if (want_ == Want::after_from_table && name && !kClauseWords.contains(upper) && !kTableWords.contains(upper)) {
                    want_ = Want::after_alias;
                    return;
                }
                want_ = Want::none;
                from_list_ = false;
                break;
            case Want::alias:
                if (name) {
                    want_ = Want::after_alias;
                    return;
                }
                want_ = Want::none;
                from_list_ = false;
                break;
            case Want::none:
                break;
        }
        break;
    }
    if (!quoted && kTableWords.contains(upper) && !(upper == "UPDATE" && update_of_clause)) {
        want_ = upper == "TABLE" ? Want::table_or_if : Want::table;
        from_list_ = upper == "FROM";
    }
}

// Records the name gathered, once.
void DigestBuilder::end_table() {
    while (!name_.empty() && name_.back() == '.') name_.pop_back();
    if (name_.empty()) return;
    for (std::size_t at = 0; at < tables_.size();) {
        std::uint32_t length;
        std::memcpy(&length, tables_.data() + at, 4);
        if (std::string_view(tables_).substr(at + 4, length) == name_) {
            name_.clear();
            return;
        }
        at += 4 + length;
    }
    const auto length = static_cast<std::uint32_t>(name_.size());
    tables_.append(reinterpret_cast<const char*>(&length), 4);
    tables_ += name_;
    ++table_count_;
    name_.clear();
}

}  // namespace spltwd::digest
