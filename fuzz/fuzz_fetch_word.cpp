// Fuzzes fetch_word with arbitrary bytes as a stream.  The stream is a heap
// copy of exactly the input, so AddressSanitizer reports any read past its
// end; besides, every pointer handed out must lead to a field that lies
// whole inside the stream, and the walk must hand out exactly the whole
// records at the head of the stream, as an independent reading finds them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_check.h"
#include "mirx_sql_splt_wd.h"

namespace {

constexpr std::size_t kLengthField = 4, kCodeField = 2;

// The whole records at the head of `stream`, read without fetch_word.
std::size_t WholeRecords(const char* stream, std::size_t size) {
    std::size_t count = 0;
    for (std::size_t pos = 0; size - pos >= kLengthField;) {
        std::uint32_t length;
        std::memcpy(&length, stream + pos, sizeof length);
        const std::uint64_t record = kLengthField + std::uint64_t{length} + 2 * kCodeField;
        if (record > size - pos) break;
        pos += record;
        ++count;
    }
    return count;
}

// Checks that `field` is null or points at `width` bytes inside the stream,
// and reads them.
void RequireInside(const void* field, std::size_t width, const char* stream, std::size_t size) {
    if (!field) return;
    // Addresses as integers: the pointer may lead anywhere.
    const auto begin = reinterpret_cast<std::uintptr_t>(field);
    const auto first = reinterpret_cast<std::uintptr_t>(stream);
    Require(begin >= first && begin - first <= size && width <= size - (begin - first),
            "a field handed out lies inside the stream");
    const auto* bytes = static_cast<const char*>(field);
    volatile char sink = 0;
    for (std::size_t i = 0; i < width; ++i) sink = sink ^ bytes[i];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    char* stream = size ? static_cast<char*>(std::malloc(size)) : nullptr;
    if (size) std::memcpy(stream, data, size);
    SQL_SPLT_WD request{};
    request.sql_word = stream;
    request.nSqlWordLen = static_cast<std::uint32_t>(size);

    std::size_t fetched = 0;
    Fetch_Word_Step step{0, 0};
    Word_Info word;
    for (;;) {
        const std::int32_t previous_cursor = step.cursor;
        const std::int32_t result = fetch_word(&request, &step, &word);
        RequireInside(word.word_len, kLengthField, stream, size);
        std::uint32_t length = 0;
        if (word.word_len) std::memcpy(&length, word.word_len, sizeof length);
        RequireInside(word.word_name, word.word_name && word.word_len ? length : 0, stream, size);
        RequireInside(word.word_type, kCodeField, stream, size);
        RequireInside(word.word_mask_type, kCodeField, stream, size);
        Require(result == 0 || result == -1, "fetch_word returns 0 or -1");
        if (result != 0) break;

        Require(word.word_len && word.word_name && word.word_type && word.word_mask_type,
                "a fetched record has all four pointers");
        const char* record = reinterpret_cast<const char*>(word.word_len);
        Require(record == stream + previous_cursor && step.prep_cursor == previous_cursor,
                "a record is fetched where the cursor stood");
        Require(word.word_name == record + kLengthField &&
                    reinterpret_cast<const char*>(word.word_type) == word.word_name + length &&
                    reinterpret_cast<const char*>(word.word_mask_type) == word.word_name + length + kCodeField,
                "a record's fields follow one another");
        Require(stream + step.cursor == word.word_name + length + 2 * kCodeField,
                "the cursor moves to the record after");
        ++fetched;
        Require(fetched <= size / (kLengthField + 2 * kCodeField), "the walk ends");
    }
    Require(fetched == WholeRecords(stream, size), "the walk hands out every whole record at the head");
    std::free(stream);
    return 0;
}
