// The digest call: an accurate split of the statement whose words go, in
// pieces, straight into the context's digest builder.
#include "spltwd_digest.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "digest_builder.h"
#include "splt_wd_session.h"

namespace spltwd::digest {
namespace {

struct State {
    DigestBuilder builder;
    bool out_of_memory = false;
};

void free_state(void* state) { delete static_cast<State*>(state); }

State* state_of(Session& session) {
    if (session.attachment == nullptr) {
        session.attachment = new (std::nothrow) State;
        if (session.attachment != nullptr) session.attachment_free = free_state;
    }
    return static_cast<State*>(session.attachment);
}

// Feeds a piece of whole records to the builder.
void receive_words(void* user, const char* records, std::uint32_t length) {
    State& state = *static_cast<State*>(user);
    if (state.out_of_memory) return;
    try {
        state.builder.add_records(records, length);
    } catch (const std::bad_alloc&) {
        state.out_of_memory = true;
    }
}

// Splits the statement by the accurate rules into the builder, the
// context's own settings put back afterwards.
std::int32_t split_into(spltwd_context* context, Session& s, State& state, std::uint16_t dialect, const char* sql,
                        std::uint32_t sql_len) {
    const std::int32_t profile = s.profile;
    const spltwd_debug_line_receiver debug_lines = s.debug_lines;
    const spltwd_word_receiver word_receiver = s.word_receiver;
    void* const word_receiver_user = s.word_receiver_user;
    s.profile = SPLTWD_PROFILE_ACCURATE;
    s.word_receiver = receive_words;
    s.word_receiver_user = &state;
    s.debug_lines = nullptr;
    SQL_SPLT_WD request{};
    request.dialect = dialect;
    request.sql_len = sql_len;
    request.sql_text = const_cast<char*>(sql);  // only read
    const std::int32_t result = spltwd_split(context, &request);
    s.profile = profile;
    s.word_receiver = word_receiver;
    s.word_receiver_user = word_receiver_user;
    s.debug_lines = debug_lines;
    return result;
}

void fill(const DigestBuilder& builder, spltwd_digest& digest) {
    digest.normalized = builder.normalized().data();
    digest.normalized_length = static_cast<std::uint32_t>(builder.normalized().size());
    digest.fingerprint = fnv1a64(builder.normalized());
    static constexpr char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
        const unsigned byte = static_cast<unsigned>(digest.fingerprint >> (56 - 8 * i)) & 0xff;
        digest.fingerprint_hex[2 * i] = kHex[byte >> 4];
        digest.fingerprint_hex[2 * i + 1] = kHex[byte & 15];
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
    State* state = state_of(session);
    if (state == nullptr) return -1;
    state->out_of_memory = false;
    try {
        state->builder.reset(sql_len);
        if (sql_len > 0 && split_into(context, session, *state, dialect, sql, sql_len) < 0) return -1;
        if (state->out_of_memory) return -1;
        state->builder.finish();
    } catch (const std::bad_alloc&) {
        return -1;
    }
    fill(state->builder, *digest);
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
