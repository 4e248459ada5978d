// The split call's working buffers must grow geometrically: with a fixed
// step, a statement of many short words or a comment of many pieces costs
// time quadratic in its length.  Every growth allocates or reallocates
// storage, so counting the large allocations during one split counts the
// growths.  This executable links with --wrap for malloc, calloc and realloc.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mirx_sql_splt_wd.h"

namespace {
std::size_t g_large_allocations = 0;
constexpr std::size_t kLarge = 1 << 16;
}  // namespace

extern "C" void* __real_malloc(std::size_t size);
extern "C" void* __real_calloc(std::size_t count, std::size_t size);
extern "C" void* __real_realloc(void* block, std::size_t size);
extern "C" void* __wrap_malloc(std::size_t size) {
    if (size >= kLarge) ++g_large_allocations;
    return __real_malloc(size);
}
extern "C" void* __wrap_calloc(std::size_t count, std::size_t size) {
    if (count * size >= kLarge) ++g_large_allocations;
    return __real_calloc(count, size);
}
extern "C" void* __wrap_realloc(void* block, std::size_t size) {
    if (size >= kLarge) ++g_large_allocations;
    return __real_realloc(block, size);
}

namespace {

struct Shape {
    const char* name;
    std::string statement;
    std::uint16_t dialect;
};

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

TEST(SplitGrowth, WorkingStringsGrowGeometrically) {
    const Shape shapes[] = {
        {"one-byte words", repeat("a,", 2'000'000), 0},
        {"comment of many pieces", "/*" + repeat("a*", 2'000'000) + "*/", 0},
    };
    for (const auto& shape : shapes) {
        SQL_SPLT_WD request{};
        request.dialect = shape.dialect;
        request.sql_text = const_cast<char*>(shape.statement.data());
        request.sql_len = static_cast<std::uint32_t>(shape.statement.size());
        g_large_allocations = 0;
        const int32_t result = Zoz_SQL_Split_Word(&request);
        EXPECT_GT(result, 0) << shape.name;
        // A fixed 128-byte step would need tens of thousands of growths
        // here; at least one growth must be seen, or nothing was counted.
        EXPECT_GE(g_large_allocations, 1u) << shape.name;
        EXPECT_LE(g_large_allocations, 40u) << shape.name;
        std::free(request.sql_word);
    }
}

}  // namespace
