// Words that no table can read, for the accurate rules: their end depends
// on their own opening (a dollar tag, a q-quote's delimiter), on a count
// (nested comments) or on what came before in the statement (MySQL's
// versioned comments).  A rule matches how such a word opens and says
// special(type, mask); read_special_word() then finds where it ends.
#ifndef SPLT_WD_SPECIAL_WORDS_H
#define SPLT_WD_SPECIAL_WORDS_H

#include <cstdint>

#include "splt_wd_actions.h"
#include "splt_wd_session.h"

namespace spltwd {

struct SpecialWord {
    std::uint32_t length;  // from the start of the match; may be more or less than the match
    WordPair pair;
    bool separator = false;  // a ";" that ends the statement: no word, the scan stops
};

// `text` is the match, `match_length` its length, `available` the bytes
// from it to the end of the statement (at least match_length).  The word
// opened by the match is one of:
//
//   $tag$ ... $tag$      a dollar-quoted body, to the first repeat of the
//                        same tag (any other $x$ inside is text)
//   /* ... */            a comment, in which /* and */ nest in PostgreSQL
//                        and SQL Server
//   /*! or /*M!          MySQL's versioned comment opening: only the
//   (digits)             opening is the word; what follows is SQL up to
//                        the */ that closes it
//   */                   that closing, as a word of its own; elsewhere a
//                        "*" (the "/" is read again)
//   --                   MySQL: a comment when the line or statement ends
//                        right after it (a ";" counts as the end: the
//                        client cuts there), else a "-" (the pair's word)
//   q'X ... X'           an Oracle q-quote (nq', Q', ...), where X is any
//                        byte and ( [ { < close with ) ] } >
//   ( ) ;                PostgreSQL's parentheses, counted, and a ";",
//                        a separator outside them, a word inside
//   123..                an integer before "..": the integer alone
//   an operator run      PostgreSQL's: cut before "--" or "/*", and a run
//                        of none of ~ ! @ # % ^ & | ` ? gives back its
//                        trailing + and - signs
//
// A body or comment the statement ends inside runs to the end and gets
// SPLT_WD_MASK_UNTERMINATED.
SpecialWord read_special_word(Session& s, std::uint16_t dialect_bits, const char* text, std::uint32_t match_length,
                              std::uint32_t available, WordPair pair);

}  // namespace spltwd

#endif  // SPLT_WD_SPECIAL_WORDS_H
