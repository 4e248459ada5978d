// Writing words into the session's stream and pending word.
#ifndef SPLT_WD_WORDS_H
#define SPLT_WD_WORDS_H

#include <cstdint>

#include "splt_wd_session.h"

namespace spltwd {

// Appends one word record to the stream and tracks the longest word.  A
// failed append marks the session out of memory; the split then fails, so
// a half-written record never reaches a caller.
void record_word(Session& s, const char* word, std::uint32_t length, std::uint16_t type,
                 std::uint16_t mask);

void append_pending(Session& s, const char* bytes, std::uint32_t length);

// Records the pending word and empties it.
void record_pending(Session& s, std::uint16_t type, std::uint16_t mask);

}  // namespace spltwd

#endif  // SPLT_WD_WORDS_H
