#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "mirx_splt_wd_dynamic_string.h"

namespace {

struct DynStr {
    MIRX_SPLIT_WD_DYNAMIC_STR s{};
    ~DynStr() { Mirx_Splt_Wd_DynStr_Free(&s); }
};

bool tail_is_zero(const MIRX_SPLIT_WD_DYNAMIC_STR& s) {
    for (std::uint32_t i = s.length; i < s.max_length; ++i)
        if (s.str[i] != 0) return false;
    return true;
}

struct InitCase {
    const char* init;
    std::uint32_t init_alloc, increment;
    std::uint32_t capacity, length, settled_increment;
};

TEST(DynStrInit, CapacityLengthAndStep) {
    const InitCase cases[] = {
        {"", 128, 128, 128, 0, 128},
        {nullptr, 512, 0, 1, 0, 128},
        {"abc", 2, 8, 4, 3, 8},
        {"abc", 10, 8, 10, 3, 8},
        {"abc", 4, 8, 4, 3, 8},
    };
    for (const auto& c : cases) {
        DynStr d;
        ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, c.init, c.init_alloc, c.increment), 1);
        EXPECT_EQ(d.s.max_length, c.capacity) << (c.init ? c.init : "(null)");
        EXPECT_EQ(d.s.length, c.length);
        EXPECT_EQ(d.s.alloc_increment, c.settled_increment);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(d.s.str), d.s.length), c.init ? c.init : "");
        EXPECT_TRUE(tail_is_zero(d.s));
    }
}

// Each row appends chunks of the given sizes to a fresh string ("" / 128 / 128)
// and expects the capacity after each append.
struct AppendCase {
    std::vector<std::uint32_t> chunks;
    std::vector<std::uint32_t> capacities;
};

TEST(DynStrAppend, GrowsToTheNextStepAboveContentAndTwoSpareBytes) {
    const AppendCase cases[] = {
        {{125}, {128}},
        {{125, 1}, {128, 256}},
        {{126}, {256}},
        {{0}, {128}},
        {{300}, {384}},
        {{125, 1, 127, 1}, {128, 256, 256, 384}},
    };
    for (const auto& c : cases) {
        DynStr d;
        ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "", 128, 128), 1);
        std::string expected;
        for (std::size_t i = 0; i < c.chunks.size(); ++i) {
            std::string chunk(c.chunks[i], static_cast<char>('a' + i));
            ASSERT_EQ(Mirx_Splt_Wd_DynStr_Append_Mem(&d.s, chunk.data(), c.chunks[i]), 1);
            expected += chunk;
            EXPECT_EQ(d.s.max_length, c.capacities[i]) << "append " << i;
            EXPECT_EQ(std::string(reinterpret_cast<char*>(d.s.str), d.s.length), expected);
            EXPECT_TRUE(tail_is_zero(d.s));
            EXPECT_GE(d.s.max_length - d.s.length, 3u);
        }
    }
}

TEST(DynStrAppend, ZeroTerminatedAppendAndBinaryBytes) {
    DynStr d;
    ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "ab", 4, 8), 1);
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Append(&d.s, "cd"), 1);
    const char binary[] = {'\0', '\xff', '\0'};
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Append_Mem(&d.s, binary, 3), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d.s.str), d.s.length), std::string("abcd\0\xff\0", 7));
    EXPECT_EQ(d.s.max_length, 16u);
}

TEST(DynStrSet, ReplacesContentAndRoundsCapacityUp) {
    DynStr d;
    ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "abc", 2, 8), 1);
    ASSERT_EQ(d.s.max_length, 4u);
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Set(&d.s, "hello world"), 1);
    EXPECT_EQ(d.s.max_length, 16u);
    EXPECT_EQ(d.s.length, 11u);
    EXPECT_STREQ(reinterpret_cast<char*>(d.s.str), "hello world");
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Set(&d.s, "xy"), 1);
    EXPECT_EQ(d.s.max_length, 16u);
    EXPECT_STREQ(reinterpret_cast<char*>(d.s.str), "xy");
    EXPECT_TRUE(tail_is_zero(d.s));
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Set(&d.s, nullptr), 1);
    EXPECT_EQ(d.s.length, 0u);
}

TEST(DynStrRealloc, MakesRoomWithoutKeepingContent) {
    struct Case {
        std::uint32_t extra;
        int32_t result;
        std::uint32_t capacity;
        bool content_kept;
    };
    const Case cases[] = {
        {0, 0, 16, true},
        {5, 1, 16, true},
        {13, 1, 16, true},
        {14, 1, 24, false},
        {40, 1, 48, false},
    };
    for (const auto& c : cases) {
        DynStr d;
        ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "abc", 16, 8), 1);
        EXPECT_EQ(Mirx_Splt_Wd_DynStr_Realloc(&d.s, c.extra), c.result) << c.extra;
        EXPECT_EQ(d.s.max_length, c.capacity) << c.extra;
        EXPECT_EQ(d.s.length, 3u);
        EXPECT_EQ(std::memcmp(d.s.str, "abc", 3) == 0, c.content_kept) << c.extra;
    }
}

TEST(DynStrTrunc, RemovesFromTheEndAndZeroFills) {
    const struct {
        std::uint32_t n;
        const char* left;
    } cases[] = {{0, "abcdef"}, {2, "abcd"}, {6, ""}, {100, ""}};
    for (const auto& c : cases) {
        DynStr d;
        ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "abcdef", 32, 32), 1);
        EXPECT_EQ(Mirx_Splt_Wd_DynStr_Trunc(&d.s, c.n), 1);
        EXPECT_STREQ(reinterpret_cast<char*>(d.s.str), c.left);
        EXPECT_EQ(d.s.length, std::strlen(c.left));
        EXPECT_TRUE(tail_is_zero(d.s));
    }
}

TEST(DynStrExpand, LengthensWithoutWritingAndFailsWithZero) {
    DynStr d;
    ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "ab", 8, 8), 1);
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Expand_Mem(&d.s, 3), 1);
    EXPECT_EQ(d.s.length, 5u);
    EXPECT_EQ(d.s.max_length, 8u);
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Expand_Mem(&d.s, 1), 1);
    EXPECT_EQ(d.s.max_length, 16u);
    EXPECT_EQ(std::memcmp(d.s.str, "ab\0\0\0\0", 6), 0);
}

TEST(DynStrFree, ReleasesAndAllowsReinitialisation) {
    DynStr d;
    ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "abc", 8, 8), 1);
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Free(&d.s), 1);
    EXPECT_EQ(d.s.str, nullptr);
    EXPECT_EQ(d.s.length, 0u);
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Free(&d.s), 1);
    ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "x", 8, 8), 1);
    EXPECT_STREQ(reinterpret_cast<char*>(d.s.str), "x");
}

// Lengths and capacities are 32-bit: an operation whose sizes would not fit
// fails like an allocation failure and leaves the string as it was.  The
// records below only claim large lengths; nothing large is allocated.
TEST(DynStrOverflow, RefusesSizesBeyond32Bits) {
    DynStr d;
    ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "abc", 16, 16), 1);
    unsigned char* storage = d.s.str;
    const MIRX_SPLIT_WD_DYNAMIC_STR before = d.s;
    const struct {
        std::uint32_t claimed_length;
        std::uint32_t claimed_capacity;
        std::uint32_t n;
    } cases[] = {
        {UINT32_MAX - 1, UINT32_MAX, 1},
        {UINT32_MAX, UINT32_MAX, 0},
        {UINT32_MAX - 10, UINT32_MAX - 5, 8},
        {1, 16, UINT32_MAX},
    };
    for (const auto& c : cases) {
        d.s.length = c.claimed_length;
        d.s.max_length = c.claimed_capacity;
        const char byte = 'x';
        EXPECT_EQ(Mirx_Splt_Wd_DynStr_Append_Mem(&d.s, &byte, c.n), -1) << c.claimed_length << "+" << c.n;
        EXPECT_EQ(Mirx_Splt_Wd_DynStr_Expand_Mem(&d.s, c.n), 0) << c.claimed_length << "+" << c.n;
        EXPECT_EQ(Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(&d.s, &byte, c.n), -1);
        EXPECT_EQ(d.s.str, storage);
        EXPECT_EQ(d.s.length, c.claimed_length);
        EXPECT_EQ(d.s.max_length, c.claimed_capacity);
    }
    d.s = before;
    d.s.alloc_increment = 0x80000000u;
    d.s.length = 0x7fffffffu;
    d.s.max_length = 0x80000000u;
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Realloc(&d.s, 0x80000001u), -1);
    EXPECT_EQ(d.s.str, nullptr);
    EXPECT_EQ(d.s.max_length, 0u);
    EXPECT_EQ(d.s.length, 0u);
    d.s.alloc_increment = 16;
    EXPECT_EQ(Mirx_Splt_Wd_DynStr_Append(&d.s, "ok"), 1);
    EXPECT_STREQ(reinterpret_cast<char*>(d.s.str), "ok");
}

TEST(DynStrAmortised, CapacityAtLeastDoublesSoGrowthsAreLogarithmic) {
    DynStr d;
    ASSERT_EQ(Mirx_Splt_Wd_Init_Dynamic_String(&d.s, "", 128, 128), 1);
    int growths = 0;
    std::uint32_t capacity = d.s.max_length;
    const char byte = 'a';
    for (int i = 0; i < 4'000'000; ++i) {
        ASSERT_EQ(Mirx_Splt_Wd_DynStr_Append_Mem_Amortised(&d.s, &byte, 1), 1);
        if (d.s.max_length != capacity) {
            EXPECT_GE(d.s.max_length, capacity * 2 - 256) << "growth " << growths;
            capacity = d.s.max_length;
            ++growths;
        }
    }
    EXPECT_EQ(d.s.length, 4'000'000u);
    EXPECT_LE(growths, 20);
    EXPECT_TRUE(tail_is_zero(d.s));
}

}  // namespace
