// Walking a word-record stream.
#include <cstdint>
#include <cstring>

#include "mirx_sql_splt_wd.h"

namespace {

constexpr std::uint64_t kLengthField = 4;
constexpr std::uint64_t kCodeField = 2;

}  // namespace

// A record is handed out only when all of it lies inside the stream.  A
// stream cut inside a record (never made by the split call) ends the walk
// at that record with -1: the cursor moves to the end of the stream, and
// only a length field that lies whole inside the stream is pointed at, so
// no pointer handed out leads past nSqlWordLen.
extern "C" int32_t fetch_word(SQL_SPLT_WD* sqlSplitWord, Fetch_Word_Step* result,
                              Word_Info* wordinfo) {
    *wordinfo = Word_Info{};
    char* stream = sqlSplitWord->sql_word;
    const std::uint64_t end = stream ? sqlSplitWord->nSqlWordLen : 0;
    const std::uint64_t start = static_cast<std::uint32_t>(result->cursor);
    if (start >= end) return -1;

    result->prep_cursor = result->cursor;
    if (start + kLengthField > end) {
        result->cursor = static_cast<std::int32_t>(end);
        return -1;
    }
    std::uint32_t word_len;
    std::memcpy(&word_len, stream + start, sizeof word_len);
    wordinfo->word_len = reinterpret_cast<std::uint32_t*>(stream + start);

    const std::uint64_t name = start + kLengthField;
    const std::uint64_t type = name + word_len;
    const std::uint64_t mask = type + kCodeField;
    if (mask + kCodeField > end) {
        result->cursor = static_cast<std::int32_t>(end);
        return -1;
    }
    wordinfo->word_name = stream + name;
    wordinfo->word_type = reinterpret_cast<std::uint16_t*>(stream + type);
    wordinfo->word_mask_type = reinterpret_cast<std::uint16_t*>(stream + mask);
    result->cursor = static_cast<std::int32_t>(mask + kCodeField);
    return 0;
}
