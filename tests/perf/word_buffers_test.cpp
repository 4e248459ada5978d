// The split call's word buffers: short copies that must neither drop nor
// invent a byte, the move from the stack to the heap, and the hand-out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "splt_wd_word_buffers.h"

namespace {

TEST(CopyBytes, CopiesEveryLengthExactlyAndNothingBeyond) {
    const std::string source = "abcdefghijklmnopqrstuvwxyz0123456789ABCDEFGHIJ";
    for (std::size_t n = 0; n <= 40; ++n) {
        std::string target(48, '.');
        spltwd::copy_bytes(target.data() + 2, source.data() + 3, n);
        EXPECT_EQ(target.substr(0, 2), "..") << n;
        EXPECT_EQ(target.substr(2, n), source.substr(3, n)) << n;
        EXPECT_EQ(target.substr(2 + n), std::string(46 - n, '.')) << n;
    }
}

struct GrowCase {
    const char* name;
    std::size_t stack_capacity;
    std::size_t first_heap;
    std::size_t piece;
    std::size_t pieces;
};
void PrintTo(const GrowCase& c, std::ostream* os) { *os << c.name; }

class GrowBufferContent : public testing::TestWithParam<GrowCase> {};

// Whatever the storage it ends up in, the buffer holds and hands out
// exactly the bytes written, in order.
TEST_P(GrowBufferContent, HandsOutExactlyWhatWasWritten) {
    const GrowCase& c = GetParam();
    std::string stack(c.stack_capacity, '\0');
    spltwd::GrowBuffer buffer(stack.data(), stack.size(), c.first_heap);
    std::string expected;
    for (std::size_t i = 0; i < c.pieces; ++i) {
        const std::string piece(c.piece, static_cast<char>('a' + i % 26));
        char* at = buffer.room(piece.size());
        ASSERT_NE(at, nullptr);
        spltwd::copy_bytes(at, piece.data(), piece.size());
        buffer.commit(piece.size());
        expected += piece;
    }
    ASSERT_EQ(buffer.size(), expected.size());
    char* out = buffer.hand_out();
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::string(out, expected.size()), expected);
    EXPECT_EQ(buffer.size(), 0u);
    std::free(out);
}

const GrowCase kGrowCases[] = {
    {"FitsOnTheStack", 64, 128, 7, 9},
    {"FillsTheStackExactly", 64, 128, 8, 8},
    {"MovesToTheHeapOnce", 64, 1000, 9, 100},
    {"GrowsOnTheHeapManyTimes", 16, 16, 3, 5000},
    {"OnePieceLargerThanEveryCapacity", 16, 16, 100000, 2},
};
INSTANTIATE_TEST_SUITE_P(Shapes, GrowBufferContent, testing::ValuesIn(kGrowCases),
                         [](const testing::TestParamInfo<GrowCase>& info) { return info.param.name; });

TEST(GrowBuffer, ClearKeepsTheStorageForTheNextWord) {
    char stack[8];
    spltwd::GrowBuffer buffer(stack, sizeof stack, 16);
    spltwd::copy_bytes(buffer.room(5), "hello", 5);
    buffer.commit(5);
    buffer.clear();
    spltwd::copy_bytes(buffer.room(2), "hi", 2);
    buffer.commit(2);
    EXPECT_EQ(std::string(buffer.data(), buffer.size()), "hi");
}

}  // namespace
