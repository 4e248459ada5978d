// The rules of the digest, word by word.
#include "digest_builder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "keyword_set.h"
#include "mirx_sql_splt_wd.h"

namespace spltwd::digest {
namespace {

// The statement verbs a kind may be.
constexpr KeywordSet kVerbs(std::array<std::string_view, 34>{
    "SELECT",   "INSERT",  "UPDATE",   "DELETE",  "MERGE",  "REPLACE", "CREATE",  "ALTER",    "DROP",
    "TRUNCATE", "RENAME",  "GRANT",    "REVOKE",  "BEGIN",  "START",   "COMMIT",  "ROLLBACK", "SAVEPOINT",
    "SET",      "SHOW",    "DESCRIBE", "EXPLAIN", "USE",    "CALL",    "EXEC",    "EXECUTE",  "DECLARE",
    "LOCK",     "UNLOCK",  "ANALYZE",  "VACUUM",  "COPY",   "LOAD",    "VALUES"});

constexpr FoldedWord kWith = folded("with");
constexpr FoldedWord kComma = folded(",");
constexpr FoldedWord kUpdate = folded("update");
constexpr FoldedWord kTable = folded("table");
constexpr FoldedWord kFrom = folded("from");
constexpr FoldedWord kAs = folded("as");
constexpr FoldedWord kIf = folded("if");
constexpr FoldedWord kNot = folded("not");
constexpr FoldedWord kExists = folded("exists");

// Words after which a name is no alias of a table in a FROM list.
constexpr KeywordSet kClauseWords(std::array<std::string_view, 27>{
    "WHERE", "JOIN",  "LEFT",   "RIGHT",  "INNER",     "OUTER",  "FULL",   "CROSS",    "NATURAL",
    "ON",    "USING", "GROUP",  "ORDER",  "HAVING",    "LIMIT",  "UNION",  "EXCEPT",   "INTERSECT",
    "SET",   "VALUES", "WINDOW", "OFFSET", "FETCH",    "FOR",    "RETURNING", "STRAIGHT_JOIN", "LATERAL"});

// The words a table name follows.
constexpr KeywordSet kTableWords(
    std::array<std::string_view, 6>{"FROM", "JOIN", "INTO", "UPDATE", "TABLE", "STRAIGHT_JOIN"});
// The words after which UPDATE is part of a clause or a list and names no
// table: ON UPDATE CASCADE, ON DUPLICATE KEY UPDATE, FOR UPDATE, DO UPDATE,
// BEFORE or AFTER UPDATE, INSTEAD OF UPDATE, INSERT OR UPDATE, GRANT
// SELECT, UPDATE.  (After THEN it may be either: MERGE's THEN UPDATE SET
// names none, a procedure's THEN UPDATE t SET does.)
constexpr KeywordSet kUpdateOfAClause(
    std::array<std::string_view, 9>{"ON", "KEY", "FOR", "DO", "BEFORE", "AFTER", "OF", "OR", ","});
// Names that follow a table word without naming a table: UPDATE SET (in
// MERGE), TABLE OF (a collection type), GRANT UPDATE ON.
constexpr KeywordSet kNoTable(std::array<std::string_view, 3>{"SET", "OF", "ON"});
static_assert(kTableWords.find(kFrom) >= 0 && kTableWords.find(kUpdate) >= 0 && kTableWords.find(kTable) >= 0);

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

[[gnu::always_inline]] inline WordClass class_of(std::uint16_t type) { return type < kClassOf.size() ? kClassOf[type] : WordClass::other; }

// The bytes that open a quoted name, and 'u' of U&"..".
enum class Opens : std::uint8_t { nothing, quoted_name, maybe_unicode_name };
constexpr std::array<Opens, 256> kOpens = [] {
    std::array<Opens, 256> opens{};
    for (const char c : {'"', '`', '['}) opens[static_cast<unsigned char>(c)] = Opens::quoted_name;
    for (const char c : {'u', 'U'}) opens[static_cast<unsigned char>(c)] = Opens::maybe_unicode_name;
    return opens;
}();

// Quoted names and variables keep their bytes.
[[gnu::always_inline]] inline bool is_quoted(const Word& word) {
    const std::string_view t = word.text;
    if (word.type == SPLT_WD_TYPE_NAME) {
        const Opens opens = kOpens[static_cast<unsigned char>(t[0])];
        return opens == Opens::quoted_name || (opens == Opens::maybe_unicode_name && t.size() > 2 && t[1] == '&');
    }
    if (word.type == SPLT_WD_TYPE_AT_VARIABLE || word.type == SPLT_WD_TYPE_ATAT_VARIABLE) {
        return std::any_of(t.begin(), t.end(), [](char c) { return c == '\'' || c == '"' || c == '`'; });
    }
    return false;
}

// Writes `text`, longer than eight bytes, at `out` with its ASCII letters
// in lower case; returns the end of what it wrote.
char* write_lower(char* out, std::string_view text) {
    const std::size_t size = text.size();
    const auto lower_eight_at = [&](std::size_t at) {
        std::uint64_t bytes;
        std::memcpy(&bytes, text.data() + at, 8);
        bytes = folding::lower(bytes);
        std::memcpy(out + at, &bytes, 8);
    };
    for (std::size_t at = 0; at + 8 < size; at += 8) lower_eight_at(at);
    lower_eight_at(size - 8);  // the last eight, which may overlap the ones before
    return out + size;
}

}  // namespace

void DigestBuilder::reset(std::size_t length) {
    // Room for a short word's 16 bytes past the end, too.
    const std::size_t room = 2 * length + 2 * FoldedWord::kLongest;
    if (out_.size() < room) out_.resize(room);
    size_ = 0;
    groups_.clear();
    last_ = Last::nothing;
    run_end_ = std::string::npos;
    sign_ = 0;
    sign_end_ = nullptr;
    failed_ = false;
    semicolons_ = 0;
    kind_ = {};
    kind_done_ = false;
    in_with_ = false;
    with_depth_ = 0;
    want_ = Want::none;
    plain_ = false;
    from_list_ = false;
    name_.clear();
    word_before_ = {};
    tables_.clear();
    table_count_ = 0;
}

// Any word but a blank, by all the rules.
void DigestBuilder::add_word(const Word& word, WordClass cls, bool quoted, const FoldedWord& folded_word) {
    const std::string_view text = word.text;
    if (!kind_done_) follow_kind(word, folded_word);
    if (want_ != Want::none || kTableWords.contains(folded_word)) follow_tables(word, folded_word);
    word_before_ = cls == WordClass::comma ? kComma : folded_word;

    if (cls == WordClass::literal) {
        if (sign_ != 0 && text.data() == sign_end_ && word.type == SPLT_WD_TYPE_NUMBER) {
            sign_ = 0;
        } else {
            emit_pending();
        }
        emit_literal();
        return;
    }
    if (cls == WordClass::other && text.size() == 1 && took_punctuation(text)) return;
    emit_pending();
    Last kind = Last::other;
    switch (cls) {
        case WordClass::lparen: emit_open(); return;
        case WordClass::rparen: emit_close(); return;
        case WordClass::comma: emit(",", Last::comma); return;
        case WordClass::operand:
            // A bind marker "?" counts as a literal in a group: IN (?, ?) is IN (?).
            if (word.type == SPLT_WD_TYPE_BIND_VARIABLE && text.size() == 1 && text[0] == '?') {
                emit_literal();
                return;
            }
            kind = word.type == SPLT_WD_TYPE_NAME ? Last::name : Last::operand;
            if (quoted) {
                emit(text, kind);
                return;
            }
            break;
        default: break;
    }
    emit_word(text, folded_word, kind);
}

// A ";" is held back (those at the end are dropped), a sign may be part of
// the number after it, a "." joins names: true when `byte` was one of them.
bool DigestBuilder::took_punctuation(std::string_view text) {
    const char byte = text[0];
    if (byte == ';') {
        emit_sign();
        ++semicolons_;
        return true;
    }
    emit_pending();
    if ((byte == '+' || byte == '-') && last_ != Last::name && last_ != Last::operand && last_ != Last::literal &&
        last_ != Last::close) {
        sign_ = byte;
        sign_end_ = text.data() + 1;
        return true;
    }
    if (byte == '.') {
        emit(".", Last::dot);
        return true;
    }
    return false;
}

// Most words are names, keywords, operators and literals in the middle of
// a statement, after its kind is known and where no table is wanted and
// no sign or ";" is held back (plain_): each is written here at once.
// Every other word goes through add_word().
void DigestBuilder::add(std::string_view text, std::uint16_t type) {
    const WordClass cls = class_of(type);
    if (cls == WordClass::blank || text.empty()) return;
    const Word word{text, type};
    const bool quoted = cls == WordClass::operand && is_quoted(word);
    // The word folded, where it may be a keyword and is written in lower
    // case: no literal, quoted name or punctuation is either.
    const FoldedWord folded_word =
        (cls == WordClass::operand || cls == WordClass::other) && !quoted ? fold(text) : FoldedWord{};
    if (plain_ && size_ + kShortWordRoom <= out_.size() && add_plain(word, cls, quoted, folded_word)) return;
    try {
        add_word(word, cls, quoted, folded_word);
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
    plain_ = kind_done_ && want_ == Want::none && sign_ == 0 && semicolons_ == 0;
}

void DigestBuilder::take(void* builder, const char* text, std::uint32_t length, WordPair pair) {
    static_cast<DigestBuilder*>(builder)->add(std::string_view(text, length), pair.type);
}

// Writes a word where nothing is wanted of it but its text; false, and
// nothing done, for any other word.
[[gnu::always_inline]] inline bool DigestBuilder::add_plain(const Word& word, WordClass cls, bool quoted,
                                                           const FoldedWord& folded_word) {
    const std::string_view text = word.text;
    char* out = out_.data() + size_;
    Group* group = groups_.empty() ? nullptr : &groups_.back();
    Last kind = Last::other;
    switch (cls) {
        case WordClass::literal:
            if (blank_between(last_, Last::literal, "?")) *out++ = ' ';
            *out++ = '?';
            if (group != nullptr) group->any_literal = true;
            last_ = Last::literal;
            word_before_ = {};
            size_ = static_cast<std::size_t>(out - out_.data());
            return true;
        case WordClass::comma:
            *out = ',';
            ++size_;
            last_ = Last::comma;
            word_before_ = kComma;
            return true;
        case WordClass::lparen:
            if (blank_between(last_, Last::open, text)) *out++ = ' ';
            if (group != nullptr) group->only_literals = false;
            *out = '(';
            size_ = static_cast<std::size_t>(out - out_.data());
            try {
                groups_.push_back({size_, true, false});
            } catch (const std::bad_alloc&) {
                failed_ = true;
                return true;
            }
            ++size_;
            last_ = Last::open;
            word_before_ = {};
            return true;
        case WordClass::rparen:
            // A group of literals alone is left to emit_close().
            if (group != nullptr && group->only_literals && group->any_literal) return false;
            if (group != nullptr) {
                groups_.pop_back();
                if (!groups_.empty()) groups_.back().only_literals = false;
            }
            *out = ')';
            ++size_;
            last_ = Last::close;
            word_before_ = {};
            return true;
        case WordClass::operand:
            if (quoted || (word.type == SPLT_WD_TYPE_BIND_VARIABLE && text == "?")) return false;
            kind = word.type == SPLT_WD_TYPE_NAME ? Last::name : Last::operand;
            break;
        case WordClass::other:
            if (text.size() == 1) {
                // A ";" is held back, and so is a sign that may be a number's.
                const char byte = text[0];
                if (byte == ';') return false;
                if ((byte == '+' || byte == '-') && last_ != Last::name && last_ != Last::operand &&
                    last_ != Last::literal && last_ != Last::close) {
                    return false;
                }
                if (byte == '.') kind = Last::dot;
            }
            break;
        case WordClass::blank: return false;
    }
    if (folded_word.empty() || kTableWords.contains(folded_word)) return false;
    if (blank_between(last_, kind, text)) *out++ = ' ';
    if (group != nullptr) group->only_literals = false;
    store(folded_word, out);
    size_ = static_cast<std::size_t>(out - out_.data()) + folded_word.size;
    last_ = kind;
    word_before_ = folded_word;
    return true;
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
        emit(std::string_view(sign, 1), Last::other);
    }
}

// Writes what was held back before the word that follows it.
void DigestBuilder::emit_held() {
    emit_sign();
    for (; semicolons_ > 0; --semicolons_) emit(";", Last::other);
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
void DigestBuilder::emit(std::string_view text, Last kind) {
    room(text.size() + 1);
    char* out = out_.data() + size_;
    if (blank_between(last_, kind, text)) *out++ = ' ';
    note_in_group(kind);
    for (const char c : text) *out++ = c;
    size_ = static_cast<std::size_t>(out - out_.data());
    last_ = kind;
}

// Writes a word in lower case: a short one from its folded form, all 16
// bytes at once.
[[gnu::always_inline]] inline void DigestBuilder::emit_word(std::string_view text, const FoldedWord& folded_word,
                                                            Last kind) {
    room(std::max(text.size(), FoldedWord::kLongest) + 1);
    char* out = out_.data() + size_;
    if (blank_between(last_, kind, text)) *out++ = ' ';
    note_in_group(kind);
    if (folded_word.empty()) {
        out = write_lower(out, text);
    } else {
        store(folded_word, out);
        out += folded_word.size;
    }
    size_ = static_cast<std::size_t>(out - out_.data());
    last_ = kind;
}

void DigestBuilder::emit_literal() { emit("?", Last::literal); }

void DigestBuilder::emit_open() {
    emit("(", Last::open);
    groups_.push_back({size_ - 1, true, false});
}

// A group of literals alone becomes "(?)", and a comma-separated run of
// such groups one "(?)".
void DigestBuilder::emit_close() {
    if (groups_.empty()) {
        emit(")", Last::close);
        return;
    }
    const Group group = groups_.back();
    groups_.pop_back();
    if (!(group.only_literals && group.any_literal)) {
        emit(")", Last::close);
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
void DigestBuilder::follow_kind(const Word& word, const FoldedWord& folded_word) {
    if (in_with_) {
        if (word.type == SPLT_WD_TYPE_LPAREN) {
            ++with_depth_;
        } else if (word.type == SPLT_WD_TYPE_RPAREN) {
            if (with_depth_ > 0) --with_depth_;
        } else if (with_depth_ == 0) {
            const int verb = kVerbs.find(folded_word);
            if (verb >= 0) {
                kind_ = kVerbs.at(verb);
                kind_done_ = true;
            }
        }
        return;
    }
    if (word.type == SPLT_WD_TYPE_LPAREN) return;
    if (folded_word == kWith) {
        in_with_ = true;
        return;
    }
    const int verb = kVerbs.find(folded_word);
    if (verb >= 0) kind_ = kVerbs.at(verb);
    kind_done_ = true;
}

// The tables: a name after FROM, JOIN, INTO, UPDATE or TABLE, its parts
// joined by ".", and each further name of a comma list after FROM (with
// its alias, if any).  A "(" where the name would be is a subquery.
void DigestBuilder::follow_tables(const Word& word, const FoldedWord& folded_word) {
    if (want_ != Want::none && follow_table_name(word, folded_word)) return;
    if (kTableWords.contains(folded_word) && !(folded_word == kUpdate && kUpdateOfAClause.contains(word_before_))) {
        want_ = folded_word == kTable ? Want::table_or_if : Want::table;
        from_list_ = folded_word == kFrom;
    }
}

// One word of a table's name, or of a FROM list around it: true when it
// is taken as one.
bool DigestBuilder::follow_table_name(const Word& word, const FoldedWord& folded_word) {
    const bool name = word.type == SPLT_WD_TYPE_NAME;
    for (;;) {
        switch (want_) {
            case Want::table:
            case Want::table_or_if:
                if (want_ == Want::table_or_if &&
                    (folded_word == kIf || folded_word == kNot || folded_word == kExists)) {
                    return true;
                }
                if (name && !kNoTable.contains(folded_word)) {
                    name_.assign(word.text);
                    want_ = Want::in_name;
                    return true;
                }
                break;
            case Want::in_name:
            case Want::name_part:
                if (want_ == Want::in_name && word.text == ".") {
                    name_ += '.';
                    want_ = Want::name_part;
                    return true;
                }
                if (want_ == Want::name_part && name) {
                    name_.append(word.text);
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
                if (want_ == Want::after_from_table && folded_word == kAs) {
                    want_ = Want::alias;
                    return true;
                }
                if (want_ == Want::after_from_table && name && !kClauseWords.contains(folded_word) &&
                    !kTableWords.contains(folded_word)) {
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
