// The digest call: an accurate split of the statement whose words go, in
// pieces, straight into the context's digest builder.
#include "spltwd_digest.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <new>

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


// Each byte's two lower-case hex digits.
constexpr std::array<std::array<char, 2>, 256> kHexPairs = [] {
    constexpr char kDigits[] = "0123456789abcdef";
    std::array<std::array<char, 2>, 256> pairs{};
    for (unsigned byte = 0; byte < 256; ++byte) pairs[byte] = {kDigits[byte >> 4], kDigits[byte & 15]};
    return pairs;
}();

void fill(const DigestBuilder& builder, spltwd_digest& digest) {
    digest.normalized = builder.normalized().data();
    digest.normalized_length = static_cast<std::uint32_t>(builder.normalized().size());
    digest.fingerprint = fnv1a64(builder.normalized());
    for (int i = 0; i < 8; ++i) {
        const unsigned byte = static_cast<unsigned>(digest.fingerprint >> (56 - 8 * i)) & 0xff;
        std::memcpy(digest.fingerprint_hex + 2 * i, kHexPairs[byte].data(), 2);
    }
    digest.fingerprint_hex[16] = '\0';
    const std::string_view kind = builder.kind();
    std::memset(digest.kind, 0, sizeof digest.kind);
    std::memcpy(digest.kind, kind.data(), std::min(kind.size(), sizeof digest.kind - 1));
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
