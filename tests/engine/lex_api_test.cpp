#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "splt_wd_lex.h"

namespace {

FILE* stream_of(const std::string& text) {
    FILE* f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

// The SQL rules stop at ";" with -2 and end the input with 1; neither
// records a word, which would need the session of a split call.
constexpr int kStopAtSeparator = -2;
constexpr int kEnd = 1;

struct InputCase {
    const char* name;
    void (*use)(FILE* stream);
};
void PrintTo(const InputCase& c, std::ostream* os) { *os << c.name; }

const InputCase kInputCases[] = {
    {"SetIn", [](FILE* f) { splt_wdset_in(f); }},
    {"AssignedVariable", [](FILE* f) { splt_wdin = f; }},
    {"Restart", [](FILE* f) { splt_wdrestart(f); }},
    {"SwitchToACreatedBuffer", [](FILE* f) { splt_wd_switch_to_buffer(splt_wd_create_buffer(f, 16)); }},
};

class LexInput : public testing::TestWithParam<InputCase> {};

TEST_P(LexInput, ScannerReadsTheStreamTheVariablesName) {
    FILE* f = stream_of(";");
    GetParam().use(f);
    EXPECT_EQ(splt_wdlex(), kStopAtSeparator);
    EXPECT_EQ(splt_wdin, f);
    EXPECT_EQ(std::string(splt_wdtext, splt_wdleng), ";");
    EXPECT_EQ(splt_wdget_text(), splt_wdtext);
    EXPECT_EQ(splt_wdget_leng(), 1u);
    EXPECT_EQ(splt_wdlex(), kEnd);
    EXPECT_EQ(splt_wdlex_destroy(), 0);
    EXPECT_EQ(splt_wdin, nullptr);
    EXPECT_EQ(splt_wdout, nullptr);
    std::fclose(f);
}

INSTANTIATE_TEST_SUITE_P(Interface, LexInput, testing::ValuesIn(kInputCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LexInterface, InMemoryScanThenDestroyLeavesNothing) {
    ASSERT_NE(splt_wd_scan_string(";"), nullptr);
    EXPECT_EQ(splt_wdlex(), kStopAtSeparator);
    EXPECT_STREQ(splt_wdtext, ";");
    EXPECT_EQ(splt_wdget_out(), stdout);
    EXPECT_EQ(splt_wdlex_destroy(), 0);
    EXPECT_EQ(splt_wdget_in(), nullptr);
    EXPECT_EQ(splt_wdget_out(), nullptr);
    EXPECT_EQ(splt_wdget_text(), nullptr);
    // Destroying again is harmless.
    EXPECT_EQ(splt_wdlex_destroy(), 0);
}

}  // namespace
