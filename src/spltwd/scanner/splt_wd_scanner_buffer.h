// The buffer record and the buffer operations that the match loop and the
// refill share.  Internal to the scanner runtime.
#ifndef SPLT_WD_SCANNER_BUFFER_H
#define SPLT_WD_SCANNER_BUFFER_H

#include <cstddef>
#include <cstdio>

#include "splt_wd_scanner.h"

struct splt_wd_buffer_state {
    FILE* input;         // null for in-memory input
    char* storage;       // size + 2 bytes; the held data ends in two zero bytes
    char* pos;           // where scanning resumes when this buffer is not current
    std::size_t size;    // storage size without the two end markers
    std::size_t n_chars; // bytes held
    bool our_storage;    // released with the buffer
    bool interactive;    // a terminal: read a line at a time
    bool refillable;
    bool end_pending;    // the stream ended behind the data held
};

namespace spltwd {

constexpr int kDefaultBufferSize = 16384;

inline ScanBuffer* current_buffer(const Scanner& s) {
    return s.stack ? s.stack[s.stack_top] : nullptr;
}

// Makes the current buffer's position, hold byte and stream the scanner's.
void load_buffer_state(Scanner& s);

// Puts the hold byte back and saves the position in the current buffer,
// before it stops being current or is emptied.
void save_buffer_state(Scanner& s);

// Frees `b` and its storage if the scanner owns it, and empties every stack
// slot that holds it.
void release_buffer(Scanner& s, ScanBuffer* b);

// Empties `b` and makes it read from `file`.
void init_buffer(Scanner& s, ScanBuffer* b, FILE* file);

// Makes a default buffer on `in` in the empty current slot and returns it.
ScanBuffer& make_default_buffer(Scanner& s);

// Returns the current buffer, first making a default one when the current
// slot is empty.
inline ScanBuffer& ensure_current_buffer(Scanner& s) {
    ScanBuffer* b = current_buffer(s);
    return b ? *b : make_default_buffer(s);
}

// Called when a match has run into the end of the data that refillable `b`
// holds, with the match starting at s.pos.  Moves the match to the start of
// the storage (s.pos follows it) and reads more from the stream.  Returns the
// number of bytes read; 0 at the end of the stream, where `b` is reset for
// the same stream once no match is left in it.
std::size_t refill(Scanner& s, ScanBuffer& b);

}  // namespace spltwd

#endif  // SPLT_WD_SCANNER_BUFFER_H
