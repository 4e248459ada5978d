// Fuzzes the statement digest: the whole input is a statement, digested in
// each of the seven dialects (six and the generic mode).  Whatever the
// bytes, the digest must succeed; its normalised text, split again by the
// accurate profile in the same dialect, must hold no comment and no
// literal; digesting that text must give it back unchanged; and the
// fingerprint must be FNV-1a 64 of the text, in hex as well.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "mirx_sql_splt_wd.h"
#include "spltwd_digest.h"
#include "word_feedback.h"

namespace {

std::uint16_t checked_dialect = 0;
const std::string* checked_text = nullptr;

void Check(bool holds, const char* expectation) {
    if (!holds) {
        std::fprintf(stderr, "dialect %u: ", static_cast<unsigned>(checked_dialect));
        if (checked_text != nullptr)
            std::fprintf(stderr, "normalised text \"%.*s\": ", static_cast<int>(checked_text->size()),
                         checked_text->data());
    }
    Require(holds, expectation);
}

std::uint64_t Fnv1a64(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

std::string Normalized(spltwd_context* context, const char* sql, std::uint32_t length) {
    spltwd_digest digest{};
    Check(spltwd_digest_statement(context, checked_dialect, sql, length, &digest) == 0, "the digest succeeds");
    const std::string text(digest.normalized, digest.normalized_length);
    Check(digest.normalized[digest.normalized_length] == '\0', "the normalised text is zero-terminated");
    Check(digest.fingerprint == Fnv1a64(text), "the fingerprint is FNV-1a 64 of the normalised text");
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(digest.fingerprint));
    Check(std::memcmp(hex, digest.fingerprint_hex, sizeof hex) == 0, "the hex fingerprint is the fingerprint");
    return text;
}

void CheckDialect(spltwd_context* digests, spltwd_context* splits, std::uint16_t dialect, const char* input,
                  std::uint32_t size) {
    checked_dialect = dialect;
    checked_text = nullptr;
    const std::string text = Normalized(digests, input, size);
    checked_text = &text;
    if (!text.empty()) {
        SQL_SPLT_WD request{};
        request.dialect = dialect;
        request.sql_len = static_cast<std::uint32_t>(text.size());
        request.sql_text = const_cast<char*>(text.data());  // only read
        const std::int32_t result = spltwd_split(splits, &request);
        Check(result > 0, "the normalised text splits");
        word_feedback::Note(request, result);
        spltwd_word_walk walk{0, 0};
        spltwd_word word;
        while (spltwd_next_word(request.sql_word, request.nSqlWordLen, &walk, &word) == 0) {
            Check(word.type != SPLT_WD_TYPE_COMMENT, "the normalised text holds no comment");
            Check(word.type != SPLT_WD_TYPE_STRING && word.type != SPLT_WD_TYPE_DQ_STRING &&
                      word.type != SPLT_WD_TYPE_NUMBER && word.type != SPLT_WD_TYPE_DOLLAR_STRING &&
                      word.type != SPLT_WD_TYPE_BIT_STRING,
                  "the normalised text holds no literal");
        }
        std::free(request.sql_word);
    }
    Check(Normalized(digests, text.data(), static_cast<std::uint32_t>(text.size())) == text,
          "the normalised text is its own normalised text");
    checked_text = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 0x7FFFFFFF) return 0;
    static spltwd_context* digests = spltwd_context_create();
    static spltwd_context* splits = [] {
        spltwd_context* made = spltwd_context_create();
        Check(made != nullptr && spltwd_context_set_profile(made, SPLTWD_PROFILE_ACCURATE) == 0,
              "a context with the accurate profile");
        return made;
    }();
    Check(digests != nullptr, "a context for the digests");
    // A heap copy of exactly the input, not zero-terminated, so that
    // AddressSanitizer catches a read past its end.
    char* input = static_cast<char*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(input, data, size);
    for (std::uint16_t dialect : kAllDialects)
        CheckDialect(digests, splits, dialect, input, static_cast<std::uint32_t>(size));
    Check(size == 0 || std::memcmp(input, data, size) == 0, "the statement is never written");
    std::free(input);
    return 0;
}
