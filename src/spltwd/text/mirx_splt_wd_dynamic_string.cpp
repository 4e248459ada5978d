// The growable, zero-padded byte buffer.
//
// Capacities follow the caller's growth step exactly (a growth goes to the
// smallest multiple of alloc_increment above the content, the append and two
// spare bytes), because callers size their buffers by that rule.  Lengths
// and capacities are 32-bit fields: every sum is taken in 64 bits first, and
// one that would not fit fails like an allocation failure instead of
// wrapping into a short buffer.
#include "mirx_splt_wd_dynamic_string.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t kDefaultIncrement = 128;
constexpr std::uint64_t kMaxCapacity = UINT32_MAX;

// The smallest multiple of `step` strictly greater than `bytes`, or 0 when it
// does not fit in 32 bits.
std::uint64_t capacity_above(std::uint64_t bytes, std::uint32_t step) {
    std::uint64_t capacity = (bytes / step + 1) * step;
    return capacity > kMaxCapacity ? 0 : capacity;
}

// `bytes` rounded up to a multiple of `step` (at least one step), or 0 when
// it does not fit in 32 bits.
std::uint64_t capacity_at_least(std::uint64_t bytes, std::uint32_t step) {
    std::uint64_t capacity = (bytes + step - 1) / step * step;
    if (capacity == 0) capacity = step;
    return capacity > kMaxCapacity ? 0 : capacity;
}

unsigned char* zeroed(std::uint64_t size) {
    return static_cast<unsigned char*>(std::calloc(static_cast<std::size_t>(size), 1));
}

// Replaces the storage by `capacity` zeroed bytes holding the old content.
// Leaves the string unchanged on failure.
bool grow_keeping_content(MIRX_SPLIT_WD_DYNAMIC_STR* s, std::uint64_t capacity) {
    unsigned char* storage = capacity == 0 ? nullptr : zeroed(capacity);
    if (storage == nullptr) return false;
    if (s->length != 0) std::memcpy(storage, s->str, s->length);
    std::free(s->str);
    s->str = storage;
    s->max_length = static_cast<std::uint32_t>(capacity);
    return true;
}

// The growth test shared by Append_Mem and Expand_Mem: makes room for `n`
// more bytes and the spare bytes behind them.
bool make_room(MIRX_SPLIT_WD_DYNAMIC_STR* s, std::uint32_t n) {
    std::uint64_t needed = std::uint64_t{s->length} + n + 2;
    if (needed < s->max_length) return true;
    if (std::uint64_t{s->length} + n > kMaxCapacity) return false;
    return grow_keeping_content(s, capacity_above(needed, s->alloc_increment));
}

// Releases the storage and allocates `capacity` zeroed bytes in its place;
// the content is lost either way.  After a failure the string is empty with
// no capacity, so that a later append grows it instead of writing through a
// null pointer.
int32_t replace_storage(MIRX_SPLIT_WD_DYNAMIC_STR* s, std::uint64_t capacity) {
    std::free(s->str);
    s->str = capacity == 0 ? nullptr : zeroed(capacity);
    if (s->str == nullptr) {
        s->length = 0;
        s->max_length = 0;
        return -1;
    }
    s->max_length = static_cast<std::uint32_t>(capacity);
    return 1;
}

}  // namespace

extern "C" {

int32_t Mirx_Splt_Wd_Init_Dynamic_String(MIRX_SPLIT_WD_DYNAMIC_STR* str, const char* init_str,
                                         uint32_t init_alloc, uint32_t alloc_increment) {
    if (alloc_increment == 0) alloc_increment = kDefaultIncrement;
    std::uint64_t with_zero = init_str ? std::uint64_t{std::strlen(init_str)} + 1 : 1;
    std::uint64_t capacity = init_str && with_zero < init_alloc ? init_alloc : with_zero;
    unsigned char* storage = capacity > kMaxCapacity ? nullptr : zeroed(capacity);
    if (storage == nullptr) {
        str->str = nullptr;
        return -1;
    }
    if (init_str) std::memcpy(storage, init_str, with_zero);
    str->str = storage;
    str->length = static_cast<std::uint32_t>(with_zero - 1);
    str->max_length = static_cast<std::uint32_t>(capacity);
    str->alloc_increment = alloc_increment;
    return 1;
}

int32_t Mirx_Splt_Wd_DynStr_Set(MIRX_SPLIT_WD_DYNAMIC_STR* str, const char* init_str) {
    if (init_str == nullptr) {
        str->length = 0;
        return 1;
    }
    std::uint64_t with_zero = std::uint64_t{std::strlen(init_str)} + 1;
    if (with_zero > str->max_length &&
        replace_storage(str, capacity_at_least(with_zero, str->alloc_increment)) < 0)
        return -1;
    std::memset(str->str, 0, str->max_length);
    std::memcpy(str->str, init_str, with_zero);
    str->length = static_cast<std::uint32_t>(with_zero - 1);
    return 1;
}

int32_t Mirx_Splt_Wd_DynStr_Realloc(MIRX_SPLIT_WD_DYNAMIC_STR* str, uint32_t additional_size) {
    if (additional_size == 0) return 0;
    std::uint64_t needed = std::uint64_t{str->length} + additional_size;
    if (needed <= str->max_length) return 1;
    return replace_storage(str, capacity_at_least(needed, str->alloc_increment));
}

int32_t Mirx_Splt_Wd_DynStr_Append_Mem(MIRX_SPLIT_WD_DYNAMIC_STR* str, const char* append,
                                       uint32_t length) {
    if (!make_room(str, length)) return -1;
    if (length != 0) std::memcpy(str->str + str->length, append, length);
    str->length += length;
    return 1;
}

int32_t Mirx_Splt_Wd_DynStr_Append(MIRX_SPLIT_WD_DYNAMIC_STR* str, const char* append) {
    std::size_t length = std::strlen(append);
    if (length > UINT32_MAX) return -1;
    return Mirx_Splt_Wd_DynStr_Append_Mem(str, append, static_cast<uint32_t>(length));
}

int32_t Mirx_Splt_Wd_DynStr_Trunc(MIRX_SPLIT_WD_DYNAMIC_STR* str, uint32_t n) {
    str->length = n > str->length ? 0 : str->length - n;
    if (str->str != nullptr) std::memset(str->str + str->length, 0, str->max_length - str->length);
    return 1;
}

int32_t Mirx_Splt_Wd_DynStr_Free(MIRX_SPLIT_WD_DYNAMIC_STR* str) {
    std::free(str->str);
    str->str = nullptr;
    str->length = 0;
    return 1;
}

int32_t Mirx_Splt_Wd_DynStr_Expand_Mem(MIRX_SPLIT_WD_DYNAMIC_STR* str, uint32_t length) {
    if (!make_room(str, length)) return 0;
    str->length += length;
    return 1;
}

int32_t Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(MIRX_SPLIT_WD_DYNAMIC_STR* str, const char* append,
                                                 uint32_t length) {
    std::uint64_t needed = std::uint64_t{str->length} + length + 2;
    if (needed >= str->max_length && str->alloc_increment < str->length &&
        capacity_above(needed, str->length) != 0)
        str->alloc_increment = str->length;
    return Mirx_Splt_Wd_DynStr_Append_Mem(str, append, length);
}

}  // extern "C"
