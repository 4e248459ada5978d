// The digest call: an accurate split of the statement whose words go, in
// pieces, straight into the context's digest builder.
#include "spltwd_digest.h"

#include <cstdint>
#include <cstring>
#include <new>

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "digest_builder.h"
#include "splt_wd_session.h"
#include "splt_wd_word_sink.h"

namespace spltwd::digest {
namespace {

void free_builder(void* builder) { delete static_cast<DigestBuilder*>(builder); }

// The context's builder, made on its first digest.
DigestBuilder* builder_of(Session& session) {
    if (session.attachment == nullptr) {
        session.attachment = new (std::nothrow) DigestBuilder;
        if (session.attachment != nullptr) session.attachment_free = free_builder;
    }
    return static_cast<DigestBuilder*>(session.attachment);
}


// The 16 lower-case hex digits of `value`, most significant first.
void write_hex(std::uint64_t value, char* out) {
#if defined(__SSE2__) && defined(__x86_64__)
    // Each nibble to a byte of its own, then each to its digit at once.
    const __m128i bytes = _mm_cvtsi64_si128(static_cast<long long>(__builtin_bswap64(value)));
    const __m128i nibble = _mm_set1_epi8(0x0f);
    const __m128i nibbles =
        _mm_unpacklo_epi8(_mm_and_si128(_mm_srli_epi64(bytes, 4), nibble), _mm_and_si128(bytes, nibble));
    const __m128i past_nine = _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('a' - '9' - 1));
    const __m128i digits = _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), past_nine);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), digits);
#else
    constexpr char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 16; ++i) out[i] = kDigits[(value >> (60 - 4 * i)) & 15];
#endif
}

void fill(const DigestBuilder& builder, spltwd_digest& digest) {
    digest.normalized = builder.normalized().data();
    digest.normalized_length = static_cast<std::uint32_t>(builder.normalized().size());
    digest.fingerprint = fnv1a64(builder.normalized());
    write_hex(digest.fingerprint, digest.fingerprint_hex);
    digest.fingerprint_hex[16] = '\0';
    static_assert(sizeof digest.kind == sizeof(DigestBuilder::Kind));
    std::memcpy(digest.kind, builder.kind().data(), sizeof digest.kind);
    digest.tables = builder.tables().data();
    digest.tables_length = static_cast<std::uint32_t>(builder.tables().size());
    digest.table_count = builder.table_count();
}

}  // namespace
}  // namespace spltwd::digest

extern "C" int32_t spltwd_digest_statement(spltwd_context* context, uint16_t dialect, const char* sql,
                                           uint32_t sql_len, spltwd_digest* digest) {
    using namespace spltwd::digest;
    if (context == nullptr || digest == nullptr || (sql == nullptr && sql_len > 0) || sql_len > INT32_MAX) return -2;
    spltwd::Session& session = spltwd::context_session(context);
    DigestBuilder* builder = builder_of(session);
    if (builder == nullptr) return -1;
    try {
        builder->reset(sql, sql_len);
        spltwd::WordSink sink(DigestBuilder::take, builder);
        if (sql_len > 0 && spltwd::split_into_sink(session, sql, sql_len, dialect, sink) < 0) return -1;
        if (builder->failed()) return -1;
        builder->finish();
    } catch (const std::bad_alloc&) {
        return -1;
    }
    fill(*builder, *digest);
    return 0;
}

extern "C" int32_t spltwd_digest_next_table(const spltwd_digest* digest, uint32_t* cursor, const char** name,
                                            uint32_t* length) {
    if (digest == nullptr || cursor == nullptr || name == nullptr || length == nullptr) return -1;
    if (std::uint64_t{*cursor} + 4 > digest->tables_length) return -1;
    std::uint32_t size;
    std::memcpy(&size, digest->tables + *cursor, 4);
    if (std::uint64_t{*cursor} + 4 + size > digest->tables_length) return -1;
    *name = digest->tables + *cursor + 4;
    *length = size;
    *cursor += 4 + size;
    return 0;
}
