// The state of one split call, and the SQL rule actions that work on it.
#ifndef SPLT_WD_SESSION_H
#define SPLT_WD_SESSION_H

#include <cstdint>

#include "mirx_splt_wd_dynamic_string.h"
#include "mirx_sql_splt_wd.h"
#include "splt_wd_lex.h"
#include "splt_wd_scanner.h"

namespace spltwd {

struct Session {
    std::int32_t dialect = 0;
    std::int32_t dialect_condition = 0;       // the start condition sub-scanners return to
    const char* sql_text = nullptr;            // the caller's statement (read only)
    std::uint32_t sql_len = 0;
    MIRX_SPLIT_WD_DYNAMIC_STR* words = nullptr;    // the word-record stream being built
    MIRX_SPLIT_WD_DYNAMIC_STR* pending = nullptr;  // the pending word
    std::int32_t parse_pos = 0;                // sum of the lengths of all matches
    std::uint32_t longest_word = 0;
    std::int32_t have_star = 0;
    std::uint32_t dollar_tag_begin = 0;        // offset of the opening dollar tag
    std::int32_t dollar_tag_length = 0;
    std::uint32_t rescan_consumed = 0;         // bytes of the re-scanned name read so far
    std::uint32_t rescan_length = 0;           // length of the text being re-scanned
    bool out_of_memory = false;                // an append failed: the split must fail
    // Set by the caller and kept from split to split: where the rules'
    // debug lines go (nowhere when null), and where the word records go
    // while the split runs (into one stream for the caller when null).
    spltwd_debug_line_receiver debug_lines = nullptr;
    void* debug_lines_user = nullptr;
    spltwd_word_receiver word_receiver = nullptr;
    void* word_receiver_user = nullptr;
    std::int32_t profile = SPLTWD_PROFILE_CLASSIC;
    bool in_versioned_comment = false;        // accurate MySQL: inside "/*!" ... "*/"
    std::uint32_t paren_depth = 0;            // accurate PostgreSQL: open parentheses
    // Accurate PostgreSQL: the signs an operator gave back, each an
    // operator of its own (see splt_wd_special_words.cpp).
    const char* signs_from = nullptr;
    const char* signs_to = nullptr;
    // State that a layer above keeps with a context (the digests' buffers),
    // freed with it by attachment_free.
    void* attachment = nullptr;
    void (*attachment_free)(void*) = nullptr;
};

}  // namespace spltwd

// A context is a session of its own: splits on different contexts share
// nothing but the constant tables.
struct spltwd_context {
    spltwd::Session session;
};

namespace spltwd {

// The session of a context (not null).
inline Session& context_session(spltwd_context* context) { return context->session; }

// The session of Zoz_SQL_Split_Word and of the splt_wd* scanner interface;
// its debug lines go to standard output.
Session& default_session();

// The process-wide scanner behind the splt_wd* interface, and what
// splt_wdlex_destroy() does to it and to the interface's variables.
Scanner& default_scanner();
// False while that scanner is as a destroy leaves it: no call of the
// interface, and no one who asked for the scanner, since the last destroy.
// (Its in, out, lineno and debug do not count: each call loads them from
// the variables first.)
extern bool scanner_touched;
void destroy_touched_scanner();
// Runs after every split, which leaves the scanner untouched.  Destroying
// an untouched scanner changes nothing in it that counts, and publishing
// its fields then sets splt_wdtext, splt_wdleng, splt_wdin and splt_wdout
// to null (splt_wdlineno and splt_wd_flex_debug keep their values).
inline void destroy_default_scanner() {
    if (scanner_touched) {
        destroy_touched_scanner();
        return;
    }
    splt_wdtext = nullptr;
    splt_wdleng = 0;
    splt_wdin = nullptr;
    splt_wdout = nullptr;
}
// Where that scanner echoes a byte that no rule takes: splt_wdout, else
// standard output.
FILE* default_scanner_output();

// The action of every SQL rule (and of the end of input) on the session
// that `session` points to.  A failed append ends the scan with kOutOfMemory.
int sql_action(Scanner& scanner, int rule, void* session);
constexpr int kOutOfMemory = -100;
// What the ";" rules stop the scan with: the statement separator was met.
constexpr int kSeparatorMet = -2;

// The start condition in which a split of `dialect` begins, and the dialect
// state to which its sub-scanners return.
struct DialectStates {
    int first_condition;
    int dialect_condition;
};
DialectStates dialect_states(std::int32_t dialect);

}  // namespace spltwd

#endif  // SPLT_WD_SESSION_H
