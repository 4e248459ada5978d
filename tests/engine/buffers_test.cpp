#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "engine_harness.h"

using namespace engine_test;
using spltwd::Scanner;

namespace {

struct StorageCase {
    const char* name;
    bool null_base;
    std::string storage;
    bool accepted;
};
void PrintTo(const StorageCase& c, std::ostream* os) { *os << c.name; }

const StorageCase kStorageCases[] = {
    {"SizeZero", false, "", false},
    {"SizeOne", false, std::string(1, '\0'), false},
    {"LastByteNotZero", false, std::string("ab\0x", 4), false},
    {"SecondLastByteNotZero", false, std::string("abx\0", 4), false},
    {"NoStorage", true, std::string(4, '\0'), false},
    {"OnlyEndMarkers", false, std::string(2, '\0'), true},
    {"TextAndEndMarkers", false, std::string("ab\0\0", 4), true},
};

class ScanBufferStorage : public testing::TestWithParam<StorageCase> {};

// A refused storage leaves the buffer that was current in place.
TEST_P(ScanBufferStorage, TakesOnlyStorageEndingInTwoZeros) {
    const StorageCase& c = GetParam();
    Scanner s = make_scanner();
    spltwd::ScanBuffer* first = spltwd::scanner_scan_string(s, "cd");
    std::string storage = c.storage;
    char* base = c.null_base ? nullptr : storage.data();
    spltwd::ScanBuffer* b = spltwd::scanner_scan_buffer(s, base, storage.size());
    EXPECT_EQ(b != nullptr, c.accepted);
    const std::string expected = !c.accepted ? "11:cd|end" : storage.size() > 2 ? "10:ab|end" : "end";
    EXPECT_EQ(scan_to_end(s).matches, expected);
    EXPECT_EQ(storage, c.storage);
    spltwd::scanner_delete_buffer(s, first);  // replaced, not released, by an accepted storage
    spltwd::scanner_destroy(s);
}

INSTANTIATE_TEST_SUITE_P(Engine, ScanBufferStorage, testing::ValuesIn(kStorageCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct StackCase {
    const char* name;
    // Runs once the first buffer stopped at "!"; returns a stream to close at the end.
    FILE* (*after_stop)(Scanner& s);
    std::string matches;
};
void PrintTo(const StackCase& c, std::ostream* os) { *os << c.name; }

// The first buffer holds "ab!cd" and has stopped after "!".
const StackCase kStackCases[] = {
    {"PushedBufferRunsThenPopResumes",
     [](Scanner& s) {
         FILE* f = stream_of("xy");
         spltwd::scanner_push_buffer_state(s, spltwd::scanner_create_buffer(s, f, 16));
         EXPECT_EQ(scan_to_end(s).matches, "11:xy|end");
         spltwd::scanner_pop_buffer_state(s);
         return f;
     },
     "11:cd|end"},
    {"SwitchSavesThePosition",
     [](Scanner& s) {
         spltwd::ScanBuffer* first = s.stack[s.stack_top];
         spltwd::ScanBuffer* second = spltwd::scanner_scan_string(s, "xy!zz");
         EXPECT_EQ(scan_to_end(s).matches, "11:xy|2:!|11:zz|end");
         spltwd::scanner_switch_to_buffer(s, first);
         spltwd::scanner_delete_buffer(s, second);
         return static_cast<FILE*>(nullptr);
     },
     "11:cd|end"},
    {"FlushEmptiesTheBuffer",
     [](Scanner& s) {
         spltwd::scanner_flush_buffer(s, s.stack[s.stack_top]);
         return static_cast<FILE*>(nullptr);
     },
     "end"},
    {"DeletingTheCurrentBufferEmptiesItsSlot",
     [](Scanner& s) {
         spltwd::scanner_delete_buffer(s, s.stack[s.stack_top]);
         EXPECT_EQ(s.stack[s.stack_top], nullptr);
         s.in = stream_of("zz");  // the next scan makes a buffer on it
         return s.in;
     },
     "11:zz|end"},
    {"DeletingABufferBelowTheTopEmptiesItsSlot",
     [](Scanner& s) {
         spltwd::ScanBuffer* first = s.stack[s.stack_top];
         spltwd::scanner_push_buffer_state(s, spltwd::scanner_create_buffer(s, nullptr, 4));
         spltwd::scanner_delete_buffer(s, first);
         spltwd::scanner_pop_buffer_state(s);
         EXPECT_EQ(s.stack[0], nullptr);
         s.in = stream_of("zz");
         return s.in;
     },
     "11:zz|end"},
    {"RestartReadsTheStream",
     [](Scanner& s) {
         FILE* f = stream_of("qq");
         spltwd::scanner_restart(s, f);
         return f;
     },
     "11:qq|end"},
};

class BufferStack : public testing::TestWithParam<StackCase> {};

TEST_P(BufferStack, ScanResumesInTheRightBuffer) {
    const StackCase& c = GetParam();
    Scanner s = make_scanner();
    spltwd::scanner_scan_string(s, "ab!cd");
    Recorder first;
    ASSERT_EQ(spltwd::scanner_lex(s, record_action, &first), 7);
    FILE* opened = c.after_stop(s);
    EXPECT_EQ(scan_to_end(s).matches, c.matches);
    spltwd::scanner_destroy(s);
    if (opened) std::fclose(opened);
}

INSTANTIATE_TEST_SUITE_P(Engine, BufferStack, testing::ValuesIn(kStackCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BufferStack, GrowsByEightFromOne) {
    const struct {
        int pushes;
        std::size_t size;
    } cases[] = {{1, 1}, {2, 9}, {9, 9}, {10, 17}};
    for (const auto& c : cases) {
        Scanner s = make_scanner();
        for (int i = 0; i < c.pushes; ++i) spltwd::scanner_push_buffer_state(s, spltwd::scanner_create_buffer(s, nullptr, 4));
        EXPECT_EQ(s.stack_size, c.size) << c.pushes << " pushes";
        EXPECT_EQ(s.stack_top, static_cast<std::size_t>(c.pushes - 1));
        spltwd::scanner_destroy(s);
    }
}

TEST(BufferStack, DestroyReleasesEverythingAndKeepsTheTables) {
    Scanner s = make_scanner();
    spltwd::scanner_scan_string(s, "ab!cd");
    spltwd::scanner_begin(s, KEYS);
    Recorder recorder;
    spltwd::scanner_lex(s, record_action, &recorder);
    for (int i = 0; i < 3; ++i) spltwd::scanner_push_buffer_state(s, spltwd::scanner_create_buffer(s, stdin, 8));
    spltwd::scanner_delete_buffer(s, s.stack[s.stack_top]);  // leaves an empty slot on top
    s.lineno = 12;

    EXPECT_EQ(spltwd::scanner_destroy(s), 0);
    EXPECT_EQ(s.tables, &spltwd::engine_tables);
    EXPECT_EQ(s.stack, nullptr);
    EXPECT_EQ(s.stack_size, 0u);
    EXPECT_EQ(s.stack_top, 0u);
    EXPECT_EQ(s.start, 0);
    EXPECT_EQ(s.in, nullptr);
    EXPECT_EQ(s.out, nullptr);
    EXPECT_EQ(s.text, nullptr);
    EXPECT_FALSE(s.initialised);
    EXPECT_EQ(s.lineno, 12);

    // A destroyed scanner starts over.
    spltwd::scanner_scan_string(s, "ab");
    EXPECT_EQ(scan_to_end(s).matches, "10:ab|end");
    EXPECT_EQ(spltwd::scanner_destroy(s), 0);
}

}  // namespace
