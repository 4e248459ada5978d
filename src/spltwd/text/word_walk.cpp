// Walking a word-record stream with each word's place in the statement.
#include <cstdint>
#include <cstring>

#include "mirx_sql_splt_wd.h"

// As fetch_word, a record is handed out only when all of it lies inside the
// stream; a walk that meets a cut record stays where it is, so every later
// call answers -1 too.
extern "C" int32_t spltwd_next_word(const char* stream, uint32_t stream_length, spltwd_word_walk* walk,
                                    spltwd_word* word) {
    if (walk == nullptr || word == nullptr) return -1;
    *word = spltwd_word{};
    if (stream == nullptr) return -1;
    const std::uint64_t at = walk->cursor;
    if (at + 4 > stream_length) return -1;
    std::uint32_t length;
    std::memcpy(&length, stream + at, 4);
    const std::uint64_t codes = at + 4 + length;
    if (codes + 4 > stream_length) return -1;
    word->text = stream + at + 4;
    word->length = length;
    std::memcpy(&word->type, stream + codes, 2);
    std::memcpy(&word->mask, stream + codes + 2, 2);
    word->start = walk->offset;
    word->end = walk->offset + length;
    walk->cursor = static_cast<std::uint32_t>(codes + 4);
    walk->offset = word->end;
    return 0;
}
