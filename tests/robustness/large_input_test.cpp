// Statements of tens of mebibytes split correctly and in memory
// proportional to their size; the driver runs through a gibibyte of
// statements in memory that does not grow with the file.  Each run is a
// forked child, so that its peak resident set (ru_maxrss) is its own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "child_process.h"
#include "mirx_sql_splt_wd.h"
#include "temp_files.h"

namespace robustness {
namespace {

using test_support::ChildRun;

constexpr std::size_t kMiB = std::size_t{1} << 20;
// Under the sanitizers the 64 MiB statements and the gibibyte driver run
// take well over two minutes together; 16 MiB statements keep the run near
// a minute and a half and still far beyond any buffer's first capacity.
#ifdef SPLTWD_SANITIZED_BUILD
constexpr std::size_t kStatementSize = 16 * kMiB;
#else
constexpr std::size_t kStatementSize = 64 * kMiB;
#endif

// A peak-memory bound with room for AddressSanitizer: its shadow memory
// (an eighth of what the program touches), red zones and allocator records,
// and its quarantine, which keeps up to 256 MiB of released blocks resident.
constexpr std::size_t with_sanitizer_overhead(std::size_t bound) {
#ifdef SPLTWD_SANITIZED_BUILD
    return bound + bound / 4 + 256 * kMiB;
#else
    return bound;
#endif
}

// Output goes nowhere: only the peak memory counts.
const test_support::RunOptions kMeasured{.standard_output_path = "/dev/null", .time_limit = std::chrono::seconds(600)};

// `times` repetitions of a group of words of these types and lengths.
struct WordGroup {
    struct Word {
        std::uint16_t type;
        std::uint32_t length;
    };
    std::vector<Word> words;
    std::size_t times = 1;
};
using Words = std::vector<WordGroup>;

struct Shape {
    const char* name;
    std::uint16_t dialect;
    // A statement of `size` bytes of body, and the words it must give.
    std::function<std::string(std::size_t size)> statement;
    std::function<Words(std::size_t size)> words;
};

constexpr WordGroup::Word kSelect{SPLT_WD_TYPE_SELECT, 6};
constexpr WordGroup::Word kSpace{SPLT_WD_TYPE_SPACE, 1};

std::uint32_t length_of(std::size_t size) { return static_cast<std::uint32_t>(size); }

const std::vector<Shape>& shapes() {
    static const std::vector<Shape> all = {
        {"MySqlString", SPLT_WD_DIALECT_MYSQL,
         [](std::size_t n) { return "select '" + std::string(n, 's') + "'"; },
         [](std::size_t n) { return Words{{{kSelect, kSpace, {SPLT_WD_TYPE_STRING, length_of(n + 2)}}}}; }},
        {"GenericComment", 0, [](std::size_t n) { return "/*" + std::string(n, 'c') + "*/"; },
         [](std::size_t n) { return Words{{{{SPLT_WD_TYPE_COMMENT, length_of(n + 4)}}}}; }},
        {"MySqlName", SPLT_WD_DIALECT_MYSQL,
         [](std::size_t n) { return "select " + std::string(n, 'n') + " from t"; },
         [](std::size_t n) {
             return Words{{{kSelect, kSpace, {SPLT_WD_TYPE_NAME, length_of(n)}, kSpace, {SPLT_WD_TYPE_FROM, 4},
                            kSpace, {SPLT_WD_TYPE_NAME, 1}}}};
         }},
        {"GenericOneByteWords", 0,
         [](std::size_t n) {
             std::string s(n + 1, ',');
             for (std::size_t i = 0; i < s.size(); i += 2) s[i] = 'a';
             return s;
         },
         [](std::size_t n) {
             return Words{{{{SPLT_WD_TYPE_OTHER, 1}, {SPLT_WD_TYPE_COMMA, 1}}, n / 2}, {{{SPLT_WD_TYPE_OTHER, 1}}}};
         }},
        {"PostgreSqlDollarQuote", SPLT_WD_DIALECT_POSTGRESQL,
         [](std::size_t n) { return "select $$" + std::string(n, 'd') + "$$"; },
         [](std::size_t n) { return Words{{{kSelect, kSpace, {SPLT_WD_TYPE_DOLLAR_STRING, length_of(n + 4)}}}}; }},
    };
    return all;
}

void PrintTo(const Shape& shape, std::ostream* os) { *os << shape.name; }

std::size_t stream_size(const Words& words) {
    std::size_t size = 0;
    for (const WordGroup& group : words) {
        for (const WordGroup::Word& word : group.words) size += group.times * (8 + word.length);
    }
    return size;
}

// What the child found; `mismatch` is empty when all words were as expected.
struct SplitReport {
    int32_t result;
    std::uint64_t words;
    char mismatch[200];
};

SplitReport check_words(const SQL_SPLT_WD& request, const Words& expected) {
    SplitReport report;
    std::memset(&report, 0, sizeof report);  // the padding goes down the pipe too
    const auto mismatch = [&](const char* what, std::uint32_t got) {
        std::snprintf(report.mismatch, sizeof report.mismatch, "word %llu: %s %u",
                      static_cast<unsigned long long>(report.words), what, got);
        return report;
    };
    SQL_SPLT_WD walk = request;
    Fetch_Word_Step step{};
    Word_Info info;
    for (const WordGroup& group : expected) {
        for (std::size_t time = 0; time < group.times; ++time) {
            for (const WordGroup::Word& word : group.words) {
                if (fetch_word(&walk, &step, &info) != 0) return mismatch("missing, stream ends at", step.cursor);
                std::uint32_t length;
                std::uint16_t type;
                std::memcpy(&length, info.word_len, sizeof length);
                std::memcpy(&type, info.word_type, sizeof type);
                if (type != word.type) return mismatch("has type", type);
                if (length != word.length) return mismatch("has length", length);
                ++report.words;
            }
        }
    }
    if (fetch_word(&walk, &step, &info) == 0) return mismatch("is one too many, at", step.prep_cursor);
    return report;
}

class LargeStatement : public testing::TestWithParam<Shape> {};

TEST_P(LargeStatement, SplitsInMemoryProportionalToItsSize) {
    const Shape& shape = GetParam();
    const Words expected = shape.words(kStatementSize);
    const ChildRun run = test_support::run_function(
        [&](int report_fd) {
            std::string statement = shape.statement(kStatementSize);
            SQL_SPLT_WD request{};
            request.dialect = shape.dialect;
            request.sql_text = statement.data();
            request.sql_len = static_cast<std::uint32_t>(statement.size());
            const int32_t result = Zoz_SQL_Split_Word(&request);
            SplitReport report = check_words(request, expected);
            report.result = result;
            test_support::write_all(report_fd, &report, sizeof report);
            std::free(request.sql_word);
        },
        kMeasured);
    ASSERT_EQ(run.exit_status, 0) << "signal " << run.signal << ": " << run.err;
    ASSERT_EQ(run.report.size(), sizeof(SplitReport));
    SplitReport report;
    std::memcpy(&report, run.report.data(), sizeof report);
    const std::size_t stream = stream_size(expected);
    EXPECT_EQ(report.result, static_cast<int32_t>(stream));
    EXPECT_STREQ(report.mismatch, "");

    // At its peak a split may hold the statement, a private copy of it for
    // the scanner, the pending word (up to the longest word, twice while it
    // grows and copies) and the stream being built next to the caller's
    // exact-size copy of it.  Twice the stream and four times the statement
    // bound all of that; 64 MiB covers the program itself.  A block kept
    // per word, or a copy per growth step, breaks the bound.
    const std::size_t bound = with_sanitizer_overhead(2 * stream + 4 * kStatementSize + 64 * kMiB);
    const std::size_t peak = static_cast<std::size_t>(run.max_rss_kib) * 1024;
    EXPECT_LE(peak, bound) << "peak " << peak / kMiB << " MiB";
    std::printf("[ peak     ] %s: %zu MiB statement, %zu MiB stream, peak %zu MiB (bound %zu MiB)\n", shape.name,
                kStatementSize / kMiB, stream / kMiB, peak / kMiB, bound / kMiB);
}

INSTANTIATE_TEST_SUITE_P(Shapes, LargeStatement, testing::ValuesIn(shapes()),
                         [](const testing::TestParamInfo<Shape>& info) { return info.param.name; });

using test_support::TempFolder;

// A file of `count` statements, each a comment of 1 MiB with its ";".
bool write_comment_statements(const std::filesystem::path& file, std::size_t count) {
    std::string statement = "/*" + std::string(kMiB - 5, 'c') + "*/;";
    std::ofstream out(file, std::ios::binary);
    for (std::size_t i = 0; i < count; ++i) out.write(statement.data(), static_cast<std::streamsize>(statement.size()));
    return static_cast<bool>(out);
}

ChildRun run_driver_on(const std::filesystem::path& input) {
    return test_support::run_program(TEST_SPLIT_WORD_PATH, {"-d", "0", "-i", input.string(), "-o", "/dev/null"},
                                     kMeasured);
}

TEST(LargeDriverInput, PeakMemoryDoesNotGrowWithTheFile) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    // One statement's worth of buffers, a few MiB, plus the program; below
    // the 64 MiB that the smaller file alone would need if the driver held
    // it.  The closeness of the two peaks shows that nothing grows with the
    // file, with the sanitizers too.
    constexpr std::size_t kBound = with_sanitizer_overhead(48 * kMiB);
    constexpr std::size_t kCloseness = 8 * kMiB;
    const auto peak_on = [&](std::size_t statements) -> std::size_t {
        const std::filesystem::path input = folder.path() / "in.sql";
        if (!write_comment_statements(input, statements)) {
            ADD_FAILURE() << "cannot write " << input;
            return 0;
        }
        const ChildRun run = run_driver_on(input);
        std::filesystem::remove(input);
        EXPECT_EQ(run.exit_status, 0) << "signal " << run.signal << ": " << run.err;
        EXPECT_EQ(run.err, "");
        const std::size_t peak = static_cast<std::size_t>(run.max_rss_kib) * 1024;
        std::printf("[ peak     ] driver on %zu MiB of 1 MiB statements: peak %zu MiB\n", statements,
                    peak / kMiB);
        return peak;
    };
    const std::size_t small_peak = peak_on(64);
    EXPECT_LE(small_peak, kBound);
    if (std::filesystem::space(folder.path()).available < 3 * 1024 * kMiB) {
        GTEST_SKIP() << "less than 3 GiB free in " << folder.path() << " for the 1 GiB input";
    }
    const std::size_t large_peak = peak_on(1024);
    EXPECT_LE(large_peak, kBound);
    EXPECT_LE(large_peak, small_peak + kCloseness);
}

// A statement of one-letter names: "a a a ... a", two words for every two
// bytes, nine bytes of word records for each byte of text.
TEST(LargeSqlsplitInput, PeakMemoryStaysWithinFourTimesTheInput) {
    TempFolder folder;
    ASSERT_FALSE(folder.path().empty());
    const std::filesystem::path input = folder.path() / "dense.sql";
    {
        std::string statement(kStatementSize, ' ');
        for (std::size_t i = 0; i < statement.size(); i += 2) statement[i] = 'a';
        std::ofstream out(input, std::ios::binary);
        ASSERT_TRUE(out.write(statement.data(), static_cast<std::streamsize>(statement.size())));
    }
    // The input itself, one statement's words kept up to a few MiB, the
    // output's buffer, and the program.
    constexpr std::size_t kBound = with_sanitizer_overhead(4 * kStatementSize + 32 * kMiB);
    // Two formats with their own ways to a long text: escaped in pieces,
    // and the report's whole lines cut into pieces.
    for (const char* format : {"jsonl", "report"}) {
        const ChildRun run = test_support::run_program(SQLSPLIT_PATH, {"--format", format, input.string()}, kMeasured);
        EXPECT_EQ(run.exit_status, 0) << format << ": signal " << run.signal << ": " << run.err;
        const std::size_t peak = static_cast<std::size_t>(run.max_rss_kib) * 1024;
        EXPECT_LE(peak, kBound) << format;
        std::printf("[ peak     ] sqlsplit --format %s on a %zu MiB word-dense statement: peak %zu MiB\n", format,
                    kStatementSize / kMiB, peak / kMiB);
    }
}

// The result tells the stream's length in 31 bits: a statement whose words
// make a longer stream fails with -1, however its words are taken.  A word
// receiver lets the stream pass without memory for it.
TEST(LargeStatementStream, LongerThanTheResultCanTellFailsWithMinusOne) {
    // One-letter names and blanks: 9 bytes of records for each byte.
    constexpr std::size_t kSize = (std::size_t{1} << 31) / 9 + kMiB;
    std::string statement(kSize, ' ');
    for (std::size_t i = 0; i < statement.size(); i += 2) statement[i] = 'a';
    spltwd_context* context = spltwd_context_create();
    ASSERT_NE(context, nullptr);
    std::uint64_t received = 0;
    spltwd_context_set_word_receiver(
        context, [](void* total, const char*, std::uint32_t length) { *static_cast<std::uint64_t*>(total) += length; },
        &received);
    SQL_SPLT_WD request{};
    request.dialect = SPLT_WD_DIALECT_MYSQL;
    request.sql_text = statement.data();
    request.sql_len = static_cast<std::uint32_t>(statement.size());
    EXPECT_EQ(spltwd_split(context, &request), -1);
    EXPECT_GT(received, std::uint64_t{INT32_MAX} - 64 * 1024) << "the words went to the receiver";
    spltwd_context_destroy(context);
}

}  // namespace
}  // namespace robustness
