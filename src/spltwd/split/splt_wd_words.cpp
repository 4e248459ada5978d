// Word records and the pending word.
//
// Both working strings grow geometrically (Append_Mem_Amortised): with a
// fixed step, a statement of many short words or one long comment would
// cost time quadratic in its length.
#include "splt_wd_words.h"

#include <cstring>

#include "splt_wd_lex.h"

namespace spltwd {
namespace {

// Without working strings (splt_wdlex called outside a split call) there is
// nowhere to put a word, and it is dropped.
void append(Session& s, MIRX_SPLIT_WD_DYNAMIC_STR* to, const void* bytes, std::uint32_t length) {
    if (to == nullptr) return;
    if (Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(to, static_cast<const char*>(bytes), length) < 0)
        s.out_of_memory = true;
}

}  // namespace

void record_word(Session& s, const char* word, std::uint32_t length, std::uint16_t type,
                 std::uint16_t mask) {
    const std::uint16_t codes[2] = {type, mask};
    append(s, s.words, &length, sizeof length);
    append(s, s.words, word, length);
    append(s, s.words, codes, sizeof codes);
    if (length > s.longest_word) s.longest_word = length;
}

void append_pending(Session& s, const char* bytes, std::uint32_t length) {
    append(s, s.pending, bytes, length);
}

void record_pending(Session& s, std::uint16_t type, std::uint16_t mask) {
    MIRX_SPLIT_WD_DYNAMIC_STR* pending = s.pending;
    if (pending == nullptr) return;
    record_word(s, reinterpret_cast<const char*>(pending->str), pending->length, type, mask);
    // Only the content needs zeroing: the bytes behind it are zero already.
    std::memset(pending->str, 0, pending->length);
    pending->length = 0;
}

}  // namespace spltwd

extern "C" int32_t sql_srmys_record_wd_info(uint32_t word_len, const char* word, uint16_t word_type,
                                            uint16_t word_mask) {
    if (__sql_mys_word_info == nullptr) return 0;
    spltwd::Session s;
    s.words = __sql_mys_word_info;
    s.longest_word = __sql_single_word_len;
    spltwd::record_word(s, word, word_len, word_type, word_mask);
    __sql_single_word_len = s.longest_word;
    return 0;
}
