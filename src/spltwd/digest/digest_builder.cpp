// The rules of the digest, word by word.
#include "digest_builder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <utility>

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

void DigestBuilder::reset(const char* sql, std::size_t length) {
    readable_from_ = reinterpret_cast<std::uintptr_t>(sql);
    readable_to_ = length >= FoldedWord::kLongest ? readable_from_ + length - FoldedWord::kLongest : 0;
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
    plain_ = true;
    from_list_ = false;
    name_at_ = kNoName;
    before_ = 0;
    before_size_ = 0;
    tables_.clear();
    table_count_ = 0;
}

// Any word but a blank, by all the rules but the kind's (see add()).
void DigestBuilder::add_word(const Word& word, WordClass cls, bool quoted, FoldedWord folded_word) {
    const std::string_view text = word.text;
    if (want_ != Want::none || kTableWords.contains(folded_word)) follow_tables(word, folded_word);
    if (cls == WordClass::comma) {
        before_ = ',';
        before_size_ = 1;
    } else {
        before_ = folded_word.low;
        before_size_ = static_cast<std::uint8_t>(folded_word.size);
    }

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

// Any word but a blank, by all the rules.
void DigestBuilder::add(std::string_view text, std::uint16_t type) {
    const WordClass cls = class_of(type);
    if (cls == WordClass::blank || text.empty()) return;
    const Word word{text, type};
    const bool quoted = cls == WordClass::operand && is_quoted(word);
    // The word folded, where it may be a keyword and is written in lower
    // case: no literal, quoted name or punctuation is either.
    const FoldedWord folded_word =
        (cls == WordClass::operand || cls == WordClass::other) && !quoted ? fold(text) : FoldedWord{};
    if (!kind_done_) follow_kind(word, folded_word);
    try {
        add_word(word, cls, quoted, folded_word);
    } catch (const std::bad_alloc&) {
        failed_ = true;
    }
    plain_ = sign_ == 0 && semicolons_ == 0;
}

void DigestBuilder::take(void* builder, const SinkWord* words, std::size_t count) {
    DigestBuilder& b = *static_cast<DigestBuilder*>(builder);
    try {
        b.add_words(words, words + count);
    } catch (const std::bad_alloc&) {
        b.failed_ = true;
    }
}

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
        if (!kind_done_) follow_kind(w, folded_word);
        if (want_ != Want::none || kTableWords.contains(folded_word)) follow_tables(w, folded_word);
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
    size_ = static_cast<std::size_t>(close_literals(group) - out_.data());
    note_in_group(Last::close);
    last_ = Last::close;
}

// Ends a group of literals alone: it becomes "(?)", and so does a comma-
// separated run of such groups.  Returns the new end of the text.
char* DigestBuilder::close_literals(const Group& group) {
    char* const open = out_.data() + group.open_at;
    char* end = open;
    constexpr std::string_view kAfterGroup = ", ";
    if (run_end_ != std::string::npos && run_end_ + kAfterGroup.size() == group.open_at &&
        std::string_view(out_.data() + run_end_, kAfterGroup.size()) == kAfterGroup) {
        end = out_.data() + run_end_;
    } else {
        // The group held at least "(?", so "(?)" fits where it was.
        std::memcpy(open, "(?)", 3);
        end = open + 3;
    }
    run_end_ = static_cast<std::size_t>(end - out_.data());
    return end;
}

// The kind: the first word that is not "(" when it is a verb; after WITH,
// the first verb outside parentheses.
void DigestBuilder::follow_kind(const Word& word, FoldedWord folded_word) {
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

// One word of a table's name, or of a FROM list around it: true when it
// is taken as one.
[[gnu::always_inline]] inline bool DigestBuilder::follow_table_name(const Word& word,
                                                                   FoldedWord folded_word) {
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
                    start_name(word.text);
                    want_ = Want::in_name;
                    return true;
                }
                break;
            case Want::in_name:
            case Want::name_part:
                if (want_ == Want::in_name && word.text == ".") {
                    tables_ += '.';
                    want_ = Want::name_part;
                    return true;
                }
                if (want_ == Want::name_part && name) {
                    tables_.append(word.text);
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

// The tables: a name after FROM, JOIN, INTO, UPDATE or TABLE, its parts
// joined by ".", and each further name of a comma list after FROM (with
// its alias, if any).  A "(" where the name would be is a subquery.
void DigestBuilder::follow_tables(const Word& word, FoldedWord folded_word) {
    if (want_ != Want::none && follow_table_name(word, folded_word)) return;
    const FoldedWord before{before_, 0, before_size_};
    if (kTableWords.contains(folded_word) && !(folded_word == kUpdate && kUpdateOfAClause.contains(before))) {
        want_ = folded_word == kTable ? Want::table_or_if : Want::table;
        from_list_ = folded_word == kFrom;
    }
}


// Records the name gathered, once.
void DigestBuilder::end_table() {
    if (name_at_ == kNoName) return;
    const std::size_t name_at = std::exchange(name_at_, kNoName);
    while (tables_.size() > name_at + 4 && tables_.back() == '.') tables_.pop_back();
    const std::string_view name = std::string_view(tables_).substr(name_at + 4);
    bool seen = name.empty();
    for (std::size_t at = 0; at < name_at && !seen;) {
        std::uint32_t length;
        std::memcpy(&length, tables_.data() + at, 4);
        seen = std::string_view(tables_).substr(at + 4, length) == name;
        at += 4 + length;
    }
    if (seen) {
        tables_.resize(name_at);
        return;
    }
    const auto length = static_cast<std::uint32_t>(name.size());
    std::memcpy(tables_.data() + name_at, &length, 4);
    ++table_count_;
}

// Begins a table's name in tables_, after room for its length.
void DigestBuilder::start_name(std::string_view first_part) {
    name_at_ = tables_.size();
    tables_.append(4, '\0');
    tables_.append(first_part);
}

}  // namespace spltwd::digest
