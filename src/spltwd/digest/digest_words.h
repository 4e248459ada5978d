// What the digest's rules know of a word from its type and first bytes,
// shared by the rules (digest_builder.cpp), the common words' loop
// (digest_word_loop.cpp) and the kind and tables (digest_kind_tables.cpp).
#ifndef SPLTWD_DIGEST_WORDS_H
#define SPLTWD_DIGEST_WORDS_H

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "digest_builder.h"
#include "keyword_set.h"
#include "mirx_sql_splt_wd.h"
#include "splt_wd_profiles.h"

namespace spltwd::digest {

// The class of each word type.
inline constexpr std::array<WordClass, 256> kClassOf = [] {
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

[[gnu::always_inline]] inline WordClass class_of(std::uint16_t type) {
    return type < kClassOf.size() ? kClassOf[type] : WordClass::other;
}

// The bytes that open a quoted name, and 'u' of U&"..".
enum class Opens : std::uint8_t { nothing, quoted_name, maybe_unicode_name };
inline constexpr std::array<Opens, 256> kOpens = [] {
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

// UPDATE, which names a table or not by the word before it.
inline constexpr FoldedWord kUpdate = folded("update");

// The words a table name follows.
inline constexpr KeywordSet kTableWords(
    std::array<std::string_view, 6>{"FROM", "JOIN", "INTO", "UPDATE", "TABLE", "STRAIGHT_JOIN"});

// The kind and the tables read the words below.

// The statement verbs a kind may be.
inline constexpr KeywordSet kVerbs(std::array<std::string_view, 34>{
    "SELECT",   "INSERT",  "UPDATE",   "DELETE",  "MERGE",  "REPLACE", "CREATE",  "ALTER",    "DROP",
    "TRUNCATE", "RENAME",  "GRANT",    "REVOKE",  "BEGIN",  "START",   "COMMIT",  "ROLLBACK", "SAVEPOINT",
    "SET",      "SHOW",    "DESCRIBE", "EXPLAIN", "USE",    "CALL",    "EXEC",    "EXECUTE",  "DECLARE",
    "LOCK",     "UNLOCK",  "ANALYZE",  "VACUUM",  "COPY",   "LOAD",    "VALUES"});

// Each verb as the digest's kind field holds it, zeros to its end.
inline constexpr auto kVerbKinds = [] {
    std::array<DigestBuilder::Kind, 34> kinds{};
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        const std::string_view verb = kVerbs.at(static_cast<int>(i));
        for (std::size_t at = 0; at < verb.size(); ++at) kinds[i][at] = verb[at];
    }
    return kinds;
}();

inline constexpr FoldedWord kWith = folded("with");
inline constexpr FoldedWord kTable = folded("table");
inline constexpr FoldedWord kFrom = folded("from");

// Words after which a name is no alias of a table in a FROM list.
inline constexpr KeywordSet kClauseWords(std::array<std::string_view, 27>{
    "WHERE", "JOIN",  "LEFT",   "RIGHT",  "INNER",     "OUTER",  "FULL",   "CROSS",    "NATURAL",
    "ON",    "USING", "GROUP",  "ORDER",  "HAVING",    "LIMIT",  "UNION",  "EXCEPT",   "INTERSECT",
    "SET",   "VALUES", "WINDOW", "OFFSET", "FETCH",    "FOR",    "RETURNING", "STRAIGHT_JOIN", "LATERAL"});

// Names that follow a table word without naming a table: UPDATE SET (in
// MERGE), TABLE OF (a collection type), GRANT UPDATE ON, COPY's FROM STDIN.
inline constexpr KeywordSet kNoTable(std::array<std::string_view, 5>{"SET", "OF", "ON", "STDIN", "STDOUT"});
// What may come between TABLE and its name.
inline constexpr KeywordSet kIfNotExists(std::array<std::string_view, 3>{"IF", "NOT", "EXISTS"});
inline constexpr KeywordSet kAs(std::array<std::string_view, 1>{"AS"});

// Every word the kind and the tables read, looked up once a word; its role
// says what it is to them (a word may be several things).
inline constexpr std::array<std::string_view, 70> kFollowedWordList{
    "SELECT",   "INSERT",  "UPDATE",   "DELETE",    "MERGE",     "REPLACE",       "CREATE",  "ALTER",
    "DROP",     "TRUNCATE", "RENAME",  "GRANT",     "REVOKE",    "BEGIN",         "START",   "COMMIT",
    "ROLLBACK", "SAVEPOINT", "SET",    "SHOW",      "DESCRIBE",  "EXPLAIN",       "USE",     "CALL",
    "EXEC",     "EXECUTE", "DECLARE",  "LOCK",      "UNLOCK",    "ANALYZE",       "VACUUM",  "COPY",
    "LOAD",     "VALUES",  "FROM",     "JOIN",      "INTO",      "TABLE",         "STRAIGHT_JOIN", "WITH",
    "AS",       "IF",      "NOT",      "EXISTS",    "WHERE",     "LEFT",          "RIGHT",   "INNER",
    "OUTER",    "FULL",    "CROSS",    "NATURAL",   "ON",        "USING",         "GROUP",   "ORDER",
    "HAVING",   "LIMIT",   "UNION",    "EXCEPT",    "INTERSECT", "WINDOW",        "OFFSET",  "FETCH",
    "FOR",      "RETURNING", "LATERAL", "OF",       "STDIN",     "STDOUT"};
inline constexpr KeywordSet<70, 10> kFollowedWords(kFollowedWordList);

// A word's role: the bits below, and in kRoleVerb its verb's position in
// kVerbs plus one (0: no verb).
inline constexpr unsigned kRoleVerb = 0x3f;
inline constexpr unsigned kRoleWith = 1u << 6;
inline constexpr unsigned kRoleTableWord = 1u << 7;  // one of kTableWords
inline constexpr unsigned kRoleAs = 1u << 8;
inline constexpr unsigned kRoleIfNotExists = 1u << 9;
inline constexpr unsigned kRoleNoTable = 1u << 10;
inline constexpr unsigned kRoleClause = 1u << 11;
inline constexpr unsigned kRoleFrom = 1u << 12;
inline constexpr unsigned kRoleUpdate = 1u << 13;
inline constexpr unsigned kRoleTable = 1u << 14;

inline constexpr auto kRoles = [] {
    std::array<std::uint16_t, kFollowedWordList.size()> roles{};
    for (std::size_t i = 0; i < roles.size(); ++i) {
        const FoldedWord word = folded(kFollowedWordList[i]);
        unsigned role = static_cast<unsigned>(kVerbs.find(word) + 1);
        if (word == kWith) role |= kRoleWith;
        if (kTableWords.contains(word)) role |= kRoleTableWord;
        if (kAs.contains(word)) role |= kRoleAs;
        if (kIfNotExists.contains(word)) role |= kRoleIfNotExists;
        if (kNoTable.contains(word)) role |= kRoleNoTable;
        if (kClauseWords.contains(word)) role |= kRoleClause;
        if (word == kFrom) role |= kRoleFrom;
        if (word == kUpdate) role |= kRoleUpdate;
        if (word == kTable) role |= kRoleTable;
        roles[i] = static_cast<std::uint16_t>(role);
    }
    return roles;
}();

// Every word of the sets above has its role.
template <std::size_t N, unsigned kBits>
constexpr bool all_followed(const KeywordSet<N, kBits>& set) {
    for (std::size_t i = 0; i < N; ++i)
        if (!kFollowedWords.contains(folded(set.at(static_cast<int>(i))))) return false;
    return true;
}
static_assert(kVerbs.find(kFrom) < 0 && all_followed(kVerbs) && all_followed(kTableWords) &&
              all_followed(kClauseWords) && all_followed(kNoTable) && all_followed(kIfNotExists) &&
              all_followed(kAs) && kFollowedWords.contains(kWith));
static_assert(kTableWords.find(kFrom) >= 0 && kTableWords.find(kUpdate) >= 0 && kTableWords.find(kTable) >= 0);

[[gnu::always_inline]] constexpr unsigned role_of(const FoldedWord& folded_word) {
    const int at = kFollowedWords.find(folded_word);
    return at < 0 ? 0 : kRoles[static_cast<std::size_t>(at)];
}

// What a word of an accurate rule is, when every match of the rule is one
// text up to case (accurate_rules::kRuleWords): that text folded, and its
// role; size 0 for other rules, and for texts longer than a FoldedWord.
struct RuleWord {
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::uint16_t role = 0;
    std::uint8_t size = 0;
};

// Each rule's entry, by rule number (SinkWord::rule; 0 for a word that is
// not its rule's match as it is).
inline constexpr auto kRuleWordOf = [] {
    constexpr auto& list = accurate_rules::kRuleWords;
    std::array<RuleWord, AccurateTable::kRuleSlots> words{};
    for (const accurate_rules::RuleWord& entry : list) {
        if (entry.word.size() > FoldedWord::kLongest) continue;
        const FoldedWord word = folded(entry.word);
        words[entry.rule] = {word.low, word.high, static_cast<std::uint16_t>(role_of(word)),
                             static_cast<std::uint8_t>(word.size)};
    }
    return words;
}();

// The entries are as the builder folds the words it reads: each text
// already in lower case (so that a match in any case folds to it), of a
// rule the scan may accept; rule 0 (no rule) has none.
constexpr bool rule_words_folded() {
    for (const accurate_rules::RuleWord& entry : accurate_rules::kRuleWords) {
        if (entry.rule == 0 || entry.rule >= AccurateTable::kRuleSlots || entry.word.empty()) return false;
        for (const char c : entry.word)
            if (c >= 'A' && c <= 'Z') return false;
    }
    return kRuleWordOf[0].size == 0;
}
static_assert(rule_words_folded());
static_assert(kRuleWordOf.size() <= std::size_t{1} << 16, "SinkWord::rule holds a rule in 16 bits");

// The kind: the first word that is not "(" when it is a verb; after WITH,
// the first verb outside parentheses.
[[gnu::always_inline]] inline void DigestBuilder::follow_kind(std::uint16_t type, unsigned role) {
    if (in_with_) {
        if (type == SPLT_WD_TYPE_LPAREN) {
            ++with_depth_;
        } else if (type == SPLT_WD_TYPE_RPAREN) {
            if (with_depth_ > 0) --with_depth_;
        } else if (with_depth_ == 0 && (role & kRoleVerb) != 0) {
            kind_ = &kVerbKinds[(role & kRoleVerb) - 1];
            kind_done_ = true;
        }
        return;
    }
    if (type == SPLT_WD_TYPE_LPAREN) return;
    if ((role & kRoleWith) != 0) {
        in_with_ = true;
        return;
    }
    if ((role & kRoleVerb) != 0) kind_ = &kVerbKinds[(role & kRoleVerb) - 1];
    kind_done_ = true;
}

}  // namespace spltwd::digest

#endif  // SPLTWD_DIGEST_WORDS_H
