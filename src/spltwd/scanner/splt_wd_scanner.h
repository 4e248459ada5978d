// The scanner runtime: longest-match scanning over the tables of
// splt_wd_dfa.h, with the buffer machinery of a classic generated scanner
// (in-memory and stream input, a buffer stack, give-back, end of input).
//
// All state of one scanner lives in one Scanner; nothing here is global.
// The process-wide scanner behind the splt_wd* C interface is one Scanner
// (splt_wd_lex.h).
#ifndef SPLT_WD_SCANNER_H
#define SPLT_WD_SCANNER_H

#include <climits>
#include <cstddef>
#include <cstdio>

#include "splt_wd_dfa.h"

// The buffer record; its name is the one the C interface exposes.
struct splt_wd_buffer_state;

namespace spltwd {

using ScanBuffer = ::splt_wd_buffer_state;

struct Scanner;

// Runs once per match with the matched rule's number, and once with rule
// kEndOfInput when no input remains.  Returning kContinue goes on scanning;
// any other value ends scanner_lex with that value.  At the end of input,
// scanner_lex returns 0 for kContinue.
using ActionFn = int (*)(Scanner& scanner, int rule, void* context);
constexpr int kContinue = INT_MIN;
constexpr int kEndOfInput = 0;

struct Scanner {
    const DfaTables* tables = nullptr;

    // The current match: text points into the current buffer and reads as a
    // zero-terminated string while the action runs.
    char* text = nullptr;
    std::size_t leng = 0;

    FILE* in = nullptr;
    FILE* out = nullptr;
    int lineno = 1;
    int debug = 0;

    // Everything below belongs to the runtime.
    int start = 0;  // 2N+1 for start condition N; 0 until one is entered
    bool initialised = false;
    ScanBuffer** stack = nullptr;  // stack[stack_top] is the current buffer
    std::size_t stack_top = 0;
    std::size_t stack_size = 0;
    char* pos = nullptr;  // where the next match starts, in the current buffer
    char hold = 0;        // the true byte at pos, while an action sees a zero there
};

// Runs the automaton from the current position until an action returns
// something other than kContinue.  The first call on a fresh scanner sets
// in/out to stdin/stdout when null and start condition 0 when none was
// entered; any call that finds no current buffer reads `in` through a new
// 16384-byte one.  A byte that no rule matches is copied to `out`.
int scanner_lex(Scanner& s, ActionFn action, void* context);

// Start conditions.  scanner_begin takes effect at the very next match; it
// ignores a condition that the tables do not have.
void scanner_begin(Scanner& s, int condition);
int scanner_condition(const Scanner& s);

// Where the next match starts, as an offset into the current buffer's data
// (0 without a buffer).
std::size_t scanner_offset(const Scanner& s);

// Called by an action: hands the whole match back, so that the next match
// starts at its first byte (in the start condition the action entered).  The
// match text becomes empty.
void scanner_give_back(Scanner& s);

// Buffers, with the behaviour of the same-named splt_wd* functions.
ScanBuffer* scanner_scan_bytes(Scanner& s, const char* bytes, std::size_t count);
ScanBuffer* scanner_scan_string(Scanner& s, const char* text);
ScanBuffer* scanner_scan_buffer(Scanner& s, char* base, std::size_t size);
ScanBuffer* scanner_create_buffer(Scanner& s, FILE* file, int size);
void scanner_delete_buffer(Scanner& s, ScanBuffer* b);
void scanner_flush_buffer(Scanner& s, ScanBuffer* b);
void scanner_switch_to_buffer(Scanner& s, ScanBuffer* b);
void scanner_push_buffer_state(Scanner& s, ScanBuffer* b);
void scanner_pop_buffer_state(Scanner& s);
void scanner_restart(Scanner& s, FILE* file);

// Releases every buffer and the stack and returns the scanner to its fresh
// state (tables kept; in and out null).  Returns 0.
int scanner_destroy(Scanner& s);

}  // namespace spltwd

#endif  // SPLT_WD_SCANNER_H
