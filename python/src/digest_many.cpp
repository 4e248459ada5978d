#include "digest_many.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <thread>

#include "contexts.h"
#include "objects.h"
#include "spltwd_digest.h"

namespace spltwd_python {

namespace {

struct Shared {
    const std::vector<std::string_view> &statements;
    std::uint16_t dialect;
    std::vector<void *> &digests;
    std::size_t chunk;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
};

void digest_one(spltwd_context *context, Shared &shared, std::size_t i)
{
    const std::string_view sql = shared.statements[i];
    spltwd_digest digest;
    if (spltwd_digest_statement(context, shared.dialect, sql.data(), static_cast<std::uint32_t>(sql.size()),
                                &digest) != 0) {
        throw std::bad_alloc();
    }
    DigestParts parts;
    parts.fingerprint = digest.fingerprint;
    parts.kind = digest.kind;
    parts.normalized = {digest.normalized, digest.normalized_length};
    parts.tables = {digest.tables, digest.tables_length};
    parts.table_count = digest.table_count;
    // The digest object whole, so that making the Python objects after,
    // with the lock held, is all but free.
    shared.digests[i] = prepare_digest(parts);
    if (shared.digests[i] == nullptr) throw std::bad_alloc();
}

// Takes chunks of statements until none is left or a thread failed.
void work(spltwd_context *context, Shared &shared)
{
    try {
        while (!shared.failed.load(std::memory_order_relaxed)) {
            const std::size_t first = shared.next.fetch_add(shared.chunk, std::memory_order_relaxed);
            if (first >= shared.statements.size()) return;
            const std::size_t last = std::min(first + shared.chunk, shared.statements.size());
            for (std::size_t i = first; i < last; ++i) digest_one(context, shared, i);
        }
    } catch (const std::bad_alloc &) {
        shared.failed = true;
    }
}

} // namespace

void digest_all(const std::vector<std::string_view> &statements, std::uint16_t dialect, unsigned threads,
                std::vector<void *> &digests)
{
    // Chunks small enough that the threads end together, large enough
    // that they seldom meet at the counter.
    const std::size_t chunk = std::clamp<std::size_t>(statements.size() / (std::size_t{threads} * 16), 1, 64);
    Shared shared{statements, dialect, digests, chunk};
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads; ++i) {
        try {
            helpers.reserve(threads - 1);
            helpers.emplace_back([&shared] {
                try {
                    Context context;
                    work(context.get(), shared);
                } catch (const std::bad_alloc &) {
                    shared.failed = true;
                }
            });
        } catch (const std::exception &) {
            break;  // no further thread: the ones there are do the work
        }
    }
    try {
        work(thread_context(), shared);
    } catch (const std::bad_alloc &) {
        shared.failed = true;
    }
    for (std::thread &helper : helpers) helper.join();
    if (shared.failed) {
        for (void *&digest : digests) {
            discard_digest(digest);
            digest = nullptr;
        }
        throw std::bad_alloc();
    }
}

} // namespace spltwd_python
