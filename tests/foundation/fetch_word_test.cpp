#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mirx_sql_splt_wd.h"

extern "C" {
size_t splt_wd_c_request_size(void);
int splt_wd_c_fetch_from_empty(void);
unsigned splt_wd_c_type_comparison(void);
long splt_wd_c_script_kinds(void);
}

namespace {

std::string record(const std::string& word, std::uint16_t type, std::uint16_t mask) {
    std::string r(4, '\0');
    const std::uint32_t len = static_cast<std::uint32_t>(word.size());
    std::memcpy(r.data(), &len, 4);
    r += word;
    r.append(reinterpret_cast<const char*>(&type), 2);
    r.append(reinterpret_cast<const char*>(&mask), 2);
    return r;
}

struct Fetched {
    std::string word;
    std::uint16_t type, mask;
    std::int32_t offset;
};

// Walks `stream` to its end and returns the records fetched, with the cursor
// state left behind.
std::vector<Fetched> walk(std::string& stream, std::uint32_t claimed_len, Fetch_Word_Step& step) {
    SQL_SPLT_WD request{};
    request.sql_word = stream.empty() ? nullptr : stream.data();
    request.nSqlWordLen = claimed_len;
    std::vector<Fetched> out;
    Word_Info info;
    while (fetch_word(&request, &step, &info) == 0) {
        std::uint32_t len;
        std::uint16_t type, mask;
        std::memcpy(&len, info.word_len, 4);
        std::memcpy(&type, info.word_type, 2);
        std::memcpy(&mask, info.word_mask_type, 2);
        EXPECT_EQ(info.word_name, reinterpret_cast<char*>(info.word_len) + 4);
        EXPECT_EQ(reinterpret_cast<char*>(info.word_mask_type), reinterpret_cast<char*>(info.word_type) + 2);
        out.push_back({std::string(info.word_name, len), type, mask,
                       static_cast<std::int32_t>(reinterpret_cast<char*>(info.word_len) - stream.data())});
        if (out.size() > 100) break;
    }
    EXPECT_EQ(info.word_name, nullptr);
    EXPECT_EQ(info.word_type, nullptr);
    EXPECT_EQ(info.word_mask_type, nullptr);
    return out;
}

TEST(FetchWord, OneSixByteWordIsAFourteenByteRecord) {
    std::string stream = record("select", 12, 0x0080);
    ASSERT_EQ(stream.size(), 14u);
    SQL_SPLT_WD request{};
    request.sql_word = stream.data();
    request.nSqlWordLen = 14;
    Fetch_Word_Step step{0, 0};
    Word_Info info;
    ASSERT_EQ(fetch_word(&request, &step, &info), 0);
    EXPECT_EQ(reinterpret_cast<char*>(info.word_len) - stream.data(), 0);
    EXPECT_EQ(info.word_name - stream.data(), 4);
    EXPECT_EQ(reinterpret_cast<char*>(info.word_type) - stream.data(), 10);
    EXPECT_EQ(reinterpret_cast<char*>(info.word_mask_type) - stream.data(), 12);
    EXPECT_EQ(fetch_word(&request, &step, &info), -1);
    EXPECT_EQ(info.word_len, nullptr);
    EXPECT_EQ(step.cursor, 14);
    EXPECT_EQ(step.prep_cursor, 0);
}

struct WalkCase {
    const char* name;
    std::vector<std::string> records;  // whole records, back to back
    int cut;                           // bytes missing from the claimed length
    std::vector<std::string> expected_words;
    std::int32_t final_cursor, final_prep;
};

TEST(FetchWord, WalksWholeRecordsAndStopsAtCutOnes) {
    const WalkCase cases[] = {
        {"three words", {record("a", 9, 0x11), record(" ", 16, 0x28), record("bc", 4, 0x80)}, 0,
         {"a", " ", "bc"}, 9 + 9 + 10, 18},
        {"zero-length word", {record("", 4, 0x80), record("x", 4, 0x80)}, 0, {"", "x"}, 17, 8},
        {"cut in the mask", {record("ab", 9, 0x11), record("cd", 9, 0x11)}, 1, {"ab"}, 19, 10},
        {"cut in the word", {record("ab", 9, 0x11), record("cdefgh", 9, 0x11)}, 5, {"ab"}, 19, 10},
        {"cut in the length", {record("ab", 9, 0x11), record("cd", 9, 0x11)}, 8, {"ab"}, 12, 10},
        {"first record cut", {record("abc", 9, 0x11)}, 1, {}, 10, 0},
    };
    for (const auto& c : cases) {
        std::string stream;
        for (const auto& r : c.records) stream += r;
        Fetch_Word_Step step{0, 0};
        auto words = walk(stream, static_cast<std::uint32_t>(stream.size() - c.cut), step);
        std::vector<std::string> texts;
        for (const auto& w : words) texts.push_back(w.word);
        EXPECT_EQ(texts, c.expected_words) << c.name;
        EXPECT_EQ(step.cursor, c.final_cursor) << c.name;
        EXPECT_EQ(step.prep_cursor, c.final_prep) << c.name;
    }
}

// A record whose length field claims more than the stream holds must not
// hand out pointers past the stream, even with the length near 2^32.
TEST(FetchWord, HugeClaimedLengthEndsTheWalk) {
    std::string stream = record("ab", 9, 0x11);
    const std::uint32_t huge = 0xfffffff0u;
    std::memcpy(stream.data(), &huge, 4);
    SQL_SPLT_WD request{};
    request.sql_word = stream.data();
    request.nSqlWordLen = static_cast<std::uint32_t>(stream.size());
    Fetch_Word_Step step{0, 0};
    Word_Info info;
    EXPECT_EQ(fetch_word(&request, &step, &info), -1);
    EXPECT_EQ(info.word_name, nullptr);
    EXPECT_EQ(info.word_type, nullptr);
    EXPECT_EQ(fetch_word(&request, &step, &info), -1);
}

TEST(FetchWord, NoStreamLeavesCursorAndNullsPointers) {
    SQL_SPLT_WD request{};
    Fetch_Word_Step step{0, 0};
    Word_Info info;
    std::memset(&info, 0xab, sizeof info);
    EXPECT_EQ(fetch_word(&request, &step, &info), -1);
    EXPECT_EQ(info.word_len, nullptr);
    EXPECT_EQ(info.word_name, nullptr);
    EXPECT_EQ(info.word_mask_type, nullptr);
    EXPECT_EQ(info.word_type, nullptr);
    EXPECT_EQ(step.cursor, 0);
    request.nSqlWordLen = 20;  // a length without a stream is no stream
    EXPECT_EQ(fetch_word(&request, &step, &info), -1);
}

TEST(PublicHeader, CompilesAsCWithTheSameLayout) {
    EXPECT_EQ(splt_wd_c_request_size(), sizeof(SQL_SPLT_WD));
    EXPECT_EQ(sizeof(SQL_SPLT_WD), 15 + 2 * sizeof(char*));
    EXPECT_EQ(splt_wd_c_fetch_from_empty(), -1);
    EXPECT_EQ(splt_wd_c_type_comparison(), 66u);
    EXPECT_EQ(splt_wd_c_script_kinds(), 12);
}

}  // namespace

namespace {

// spltwd_next_word gives every whole record with its running byte range,
// across pieces when the cursor starts again at 0, and stops with -1 at a
// cut record, a null stream or null arguments, always leaving a cleared word.
TEST(NextWord, GivesRangesAcrossPiecesAndStopsAtACutRecord) {
    const std::string first = record("SELECT", 12, 0x80) + record(" ", 16, 0x28);
    const std::string second = record("'a;b'", 5, 0x10);
    spltwd_word_walk walk{0, 0};
    spltwd_word word;
    std::vector<std::string> got;
    for (const std::string* piece : {&first, &second}) {
        walk.cursor = 0;
        while (spltwd_next_word(piece->data(), static_cast<std::uint32_t>(piece->size()), &walk, &word) == 0) {
            got.push_back(std::string(word.text, word.length) + "@" + std::to_string(word.start) + "-" +
                          std::to_string(word.end) + ":" + std::to_string(word.type));
        }
    }
    EXPECT_EQ(got, (std::vector<std::string>{"SELECT@0-6:12", " @6-7:16", "'a;b'@7-12:5"}));

    const std::string cut = first.substr(0, first.size() - 1);
    spltwd_word_walk at_cut{0, 0};
    EXPECT_EQ(spltwd_next_word(cut.data(), static_cast<std::uint32_t>(cut.size()), &at_cut, &word), 0);
    EXPECT_EQ(spltwd_next_word(cut.data(), static_cast<std::uint32_t>(cut.size()), &at_cut, &word), -1);
    EXPECT_EQ(word.text, nullptr);
    EXPECT_EQ(spltwd_next_word(cut.data(), static_cast<std::uint32_t>(cut.size()), &at_cut, &word), -1);
    EXPECT_EQ(spltwd_next_word(nullptr, 8, &at_cut, &word), -1);
    EXPECT_EQ(spltwd_next_word(first.data(), 8, nullptr, &word), -1);
    EXPECT_EQ(spltwd_next_word(first.data(), 8, &at_cut, nullptr), -1);
}

// A profile is set per context: unknown ones and null contexts change nothing.
TEST(Profiles, AreSetPerContextAndCheckedForNonsense) {
    spltwd_context* context = spltwd_context_create();
    ASSERT_NE(context, nullptr);
    char sql[] = "a -- b";
    const auto words = [&] {
        SQL_SPLT_WD request{};
        request.dialect = SPLT_WD_DIALECT_MYSQL;
        request.sql_text = sql;
        request.sql_len = 6;
        const std::int32_t result = spltwd_split(context, &request);
        std::free(request.sql_word);
        return result;
    };
    EXPECT_EQ(words(), 18);  // classic: "a", " " and the comment dropped
    EXPECT_EQ(spltwd_context_set_profile(context, SPLTWD_PROFILE_ACCURATE), 0);
    EXPECT_EQ(words(), 30);  // "a", " ", "-- b"
    EXPECT_EQ(spltwd_context_set_profile(context, 2), -2);
    EXPECT_EQ(spltwd_context_set_profile(context, -1), -2);
    EXPECT_EQ(words(), 30);
    EXPECT_EQ(spltwd_context_set_profile(nullptr, SPLTWD_PROFILE_CLASSIC), -2);
    EXPECT_EQ(spltwd_context_set_profile(context, SPLTWD_PROFILE_CLASSIC), 0);
    EXPECT_EQ(words(), 18);
    spltwd_context_destroy(context);
}

}  // namespace
