// The rules of the digest, word by word.
#include "digest_builder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "mirx_sql_splt_wd.h"

namespace spltwd::digest {
namespace {

constexpr std::size_t kLongestKeyword = 16;

// The statement verbs a kind may be.
constexpr std::array<std::string_view, 34> kVerbs = {
    "SELECT",   "INSERT",  "UPDATE",   "DELETE",  "MERGE",  "REPLACE", "CREATE",  "ALTER",    "DROP",
    "TRUNCATE", "RENAME",  "GRANT",    "REVOKE",  "BEGIN",  "START",   "COMMIT",  "ROLLBACK", "SAVEPOINT",
    "SET",      "SHOW",    "DESCRIBE", "EXPLAIN", "USE",    "CALL",    "EXEC",    "EXECUTE",  "DECLARE",
    "LOCK",     "UNLOCK",  "ANALYZE",  "VACUUM",  "COPY",   "LOAD",    "VALUES"};

bool is_verb(std::string_view upper) { return std::find(kVerbs.begin(), kVerbs.end(), upper) != kVerbs.end(); }

// Words after which a name is no alias of a table in a FROM list.
constexpr std::array<std::string_view, 27> kClauseWords = {
    "WHERE", "JOIN",  "LEFT",   "RIGHT",  "INNER",     "OUTER",  "FULL",   "CROSS",    "NATURAL",
    "ON",    "USING", "GROUP",  "ORDER",  "HAVING",    "LIMIT",  "UNION",  "EXCEPT",   "INTERSECT",
    "SET",   "VALUES", "WINDOW", "OFFSET", "FETCH",    "FOR",    "RETURNING", "STRAIGHT_JOIN", "LATERAL"};

bool is_clause_word(std::string_view upper) {
    return std::find(kClauseWords.begin(), kClauseWords.end(), upper) != kClauseWords.end();
}

bool is_literal(std::uint16_t type) {
    return type == SPLT_WD_TYPE_STRING || type == SPLT_WD_TYPE_DQ_STRING || type == SPLT_WD_TYPE_NUMBER ||
           type == SPLT_WD_TYPE_DOLLAR_STRING || type == SPLT_WD_TYPE_BIT_STRING;
}

bool is_operand(std::uint16_t type) {
    return type == SPLT_WD_TYPE_NAME || type == SPLT_WD_TYPE_AT_VARIABLE || type == SPLT_WD_TYPE_ATAT_VARIABLE ||
           type == SPLT_WD_TYPE_BIND_VARIABLE || type == SPLT_WD_TYPE_STAR_NAME;
}

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

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Appends `text` with its ASCII letters in lower case and each run of
// whitespace inside it (ORDER BY, IS NULL) as one blank.
void append_folded(std::string& out, std::string_view text) {
    bool blank = false;
    for (const char c : text) {
        if (is_space(c)) {
            blank = true;
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
}

}  // namespace

void DigestBuilder::reset() {
    out_.clear();
    groups_.clear();
    last_ = Last::nothing;
    run_end_ = std::string::npos;
    sign_ = 0;
    sign_touches_ = false;
    semicolons_ = 0;
    kind_.clear();
    kind_done_ = false;
    in_with_ = false;
    with_depth_ = 0;
    want_ = Want::none;
    from_list_ = false;
    name_.clear();
    prev_upper_.clear();
    tables_.clear();
    table_count_ = 0;
}

void DigestBuilder::add(const Word& word) {
    if (word.type == SPLT_WD_TYPE_SPACE || word.type == SPLT_WD_TYPE_COMMENT || word.text.empty()) {
        sign_touches_ = false;
        return;
    }
    const bool quoted = is_quoted(word);
    upper_.clear();
    if (!quoted && word.text.size() <= kLongestKeyword) {
        for (const char c : word.text) upper_ += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    follow_kind(word, upper_);
    follow_tables(word, upper_, quoted);

    if (word.type == SPLT_WD_TYPE_OTHER && word.text == ";") {
        emit_pending();
        ++semicolons_;
        return;
    }
    if (sign_ != 0 && word.type == SPLT_WD_TYPE_NUMBER && sign_touches_) {
        sign_ = 0;
        emit_literal();
        return;
    }
    emit_pending();
    if (is_literal(word.type)) {
        emit_literal();
    } else if (word.type == SPLT_WD_TYPE_OTHER && (word.text == "+" || word.text == "-") && last_ != Last::operand &&
               last_ != Last::literal && last_ != Last::close) {
        sign_ = word.text[0];
        sign_touches_ = true;
    } else if (word.type == SPLT_WD_TYPE_LPAREN) {
        emit_open();
    } else if (word.type == SPLT_WD_TYPE_RPAREN) {
        emit_close();
    } else if (word.type == SPLT_WD_TYPE_COMMA) {
        emit(",", Last::comma, false);
    } else if (word.text == ".") {
        emit(".", Last::dot, false);
    } else {
        emit(word.text, is_operand(word.type) ? Last::operand : Last::other, !quoted);
    }
}

void DigestBuilder::finish() {
    // A sign at the end is an operator; semicolons at the end are dropped.
    if (sign_ != 0) {
        const char sign[1] = {sign_};
        sign_ = 0;
        emit(std::string_view(sign, 1), Last::other, false);
    }
    semicolons_ = 0;
    end_table();
    if (kind_.empty()) kind_ = "OTHER";
}

// Writes what was held back before the word that follows it.
void DigestBuilder::emit_pending() {
    if (sign_ != 0) {
        const char sign[1] = {sign_};
        sign_ = 0;
        emit(std::string_view(sign, 1), Last::other, false);
    }
    for (; semicolons_ > 0; --semicolons_) emit(";", Last::other, false);
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
void DigestBuilder::emit(std::string_view text, Last kind, bool fold) {
    if (!out_.empty() && last_ != Last::open && last_ != Last::dot && kind != Last::close && kind != Last::comma &&
        kind != Last::dot) {
        out_ += ' ';
    }
    note_in_group(kind);
    if (fold) {
        append_folded(out_, text);
    } else {
        out_.append(text);
    }
    last_ = kind;
}

void DigestBuilder::emit_literal() { emit("?", Last::literal, false); }

void DigestBuilder::emit_open() {
    emit("(", Last::open, false);
    groups_.push_back({out_.size() - 1, true, false});
}

// A group of literals alone becomes "(?)", and a comma-separated run of
// such groups one "(?)".
void DigestBuilder::emit_close() {
    if (groups_.empty()) {
        emit(")", Last::close, false);
        return;
    }
    const Group group = groups_.back();
    groups_.pop_back();
    if (!(group.only_literals && group.any_literal)) {
        emit(")", Last::close, false);
        return;
    }
    out_.resize(group.open_at);
    constexpr std::string_view kAfterGroup = ", ";
    if (run_end_ != std::string::npos && run_end_ + kAfterGroup.size() == group.open_at &&
        out_.compare(run_end_, kAfterGroup.size(), kAfterGroup) == 0) {
        out_.resize(run_end_);
    } else {
        out_ += "(?)";
    }
    run_end_ = out_.size();
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
        } else if (with_depth_ == 0 && is_verb(upper)) {
            kind_ = upper;
            kind_done_ = true;
        }
        return;
    }
    if (word.type == SPLT_WD_TYPE_LPAREN) return;
    if (upper == "WITH") {
        in_with_ = true;
        return;
    }
    if (is_verb(upper)) kind_ = upper;
    kind_done_ = true;
}

bool is_trigger(std::string_view upper) {
    return upper == "FROM" || upper == "JOIN" || upper == "INTO" || upper == "UPDATE" || upper == "TABLE" ||
           upper == "STRAIGHT_JOIN";
}

// The tables: a name after FROM, JOIN, INTO, UPDATE or TABLE, its parts
// joined by ".", and each further name of a comma list after FROM (with
// its alias, if any).  A "(" where the name would be is a subquery.
void DigestBuilder::follow_tables(const Word& word, std::string_view upper, bool quoted) {
    const bool name = word.type == SPLT_WD_TYPE_NAME;
    // UPDATE after ON DUPLICATE KEY or FOR names no table.
    const bool update_of_clause = prev_upper_ == "KEY" || prev_upper_ == "FOR";
    prev_upper_.assign(upper);
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
                if (want_ == Want::after_from_table && name && !is_clause_word(upper) && !is_trigger(upper)) {
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
    if (!quoted && is_trigger(upper) && !(upper == "UPDATE" && update_of_clause)) {
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
