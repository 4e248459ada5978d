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

}  // namespace spltwd::digest

#endif  // SPLTWD_DIGEST_WORDS_H
