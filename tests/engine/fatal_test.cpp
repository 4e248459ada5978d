#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "child_process.h"
#include "engine_harness.h"
#include "splt_wd_scanner_memory.h"

using namespace engine_test;
using spltwd::Scanner;

namespace {

int allocations_before_failure = -1;

// Makes the allocation after the next `n` fail (in the child only).
void fail_allocation_after(int n) {
    allocations_before_failure = n;
    spltwd::allocation_fails = [](std::size_t) { return allocations_before_failure-- == 0; };
}

// Rule 5 is accepted on the empty text, but the tables claim rules up to 4.
// Two rows of one class each: the dead state, and state 2, which has no
// moves and accepts rule 5.
const std::uint8_t kNoClasses[256] = {};
const spltwd::DfaState kOneStart[] = {2};
const std::uint32_t kRows[] = {0, 0, 0, 5};
const spltwd::DfaTables kRuleBeyondTheLast{2, 1, 1, 4, kNoClasses, kOneStart, kRows, 2, 2};

struct FatalCase {
    const char* name;
    void (*scenario)(Scanner& s);
    const char* message;
};
void PrintTo(const FatalCase& c, std::ostream* os) { *os << c.name; }

const FatalCase kFatalCases[] = {
    {"ReadFails",
     [](Scanner& s) {
         spltwd::scanner_restart(s, std::fopen("/", "r"));
         scan_to_end(s);
     },
     "input in flex scanner failed"},
    {"CopyOfTheBytes",
     [](Scanner& s) {
         fail_allocation_after(0);
         spltwd::scanner_scan_string(s, "ab");
     },
     "out of dynamic memory in splt_wd_scan_bytes()"},
    {"CountTooLargeToCopy", [](Scanner& s) { spltwd::scanner_scan_bytes(s, "", SIZE_MAX); },
     "out of dynamic memory in splt_wd_scan_bytes()"},
    {"BufferOfTheCopy",
     [](Scanner& s) {
         fail_allocation_after(1);
         spltwd::scanner_scan_string(s, "ab");
     },
     "out of dynamic memory in splt_wd_scan_buffer()"},
    {"BufferOfStorage",
     [](Scanner& s) {
         char storage[2] = {};
         fail_allocation_after(0);
         spltwd::scanner_scan_buffer(s, storage, sizeof storage);
     },
     "out of dynamic memory in splt_wd_scan_buffer()"},
    {"FirstStack",
     [](Scanner& s) {
         fail_allocation_after(2);
         spltwd::scanner_scan_string(s, "ab");
     },
     "out of dynamic memory in splt_wdensure_buffer_stack()"},
    {"StackGrowth",
     [](Scanner& s) {
         spltwd::scanner_scan_string(s, "ab");
         spltwd::ScanBuffer* b = spltwd::scanner_create_buffer(s, nullptr, 4);
         fail_allocation_after(0);
         spltwd::scanner_push_buffer_state(s, b);
     },
     "out of dynamic memory in splt_wdensure_buffer_stack()"},
    {"CreatedBuffer",
     [](Scanner& s) {
         fail_allocation_after(0);
         spltwd::scanner_create_buffer(s, nullptr, 4);
     },
     "out of dynamic memory in splt_wd_create_buffer()"},
    {"StorageOfACreatedBuffer",
     [](Scanner& s) {
         fail_allocation_after(1);
         spltwd::scanner_create_buffer(s, nullptr, 4);
     },
     "out of dynamic memory in splt_wd_create_buffer()"},
    {"NegativeBufferSize", [](Scanner& s) { spltwd::scanner_create_buffer(s, nullptr, -1); },
     "out of dynamic memory in splt_wd_create_buffer()"},
    {"DefaultBufferOfTheFirstScan",
     [](Scanner& s) {
         s.in = stream_of("ab");
         fail_allocation_after(1);  // after the stack
         scan_to_end(s);
     },
     "out of dynamic memory in splt_wd_create_buffer()"},
    {"StorageGrowthForALongMatch",
     [](Scanner& s) {
         spltwd::scanner_push_buffer_state(s, spltwd::scanner_create_buffer(s, stream_of("abcdefgh"), 4));
         fail_allocation_after(0);
         scan_to_end(s);
     },
     "out of dynamic memory in yy_get_next_buffer()"},
    {"LongMatchInStorageNotTheScanners",
     [](Scanner& s) {
         char storage[6] = {};
         spltwd::scanner_scan_buffer(s, storage, sizeof storage);
         spltwd::scanner_restart(s, stream_of("abcdefgh"));
         scan_to_end(s);
     },
     "fatal error - scanner input buffer overflow"},
    {"RuleWithoutAction",
     [](Scanner& s) {
         s.tables = &kRuleBeyondTheLast;
         spltwd::scanner_scan_string(s, "a");
         scan_to_end(s);
     },
     "fatal flex scanner internal error--no action found"},
};

class Fatal : public testing::TestWithParam<FatalCase> {};

TEST_P(Fatal, PrintsTheMessageAndExitsWithTwo) {
    const FatalCase& c = GetParam();
    const test_support::ChildRun outcome = test_support::run_function([&c](int) {
        Scanner s = make_scanner();
        c.scenario(s);
    });
    EXPECT_EQ(outcome.exit_status, 2);
    EXPECT_EQ(outcome.err, std::string(c.message) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Engine, Fatal, testing::ValuesIn(kFatalCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
