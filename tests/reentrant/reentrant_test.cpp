// Splits on separate contexts must not interfere: several threads split the
// same statements at once, each with its own context, and every stream must
// equal the one the process-wide split call makes.  Run under
// ThreadSanitizer in CI.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "mirx_sql_splt_wd.h"

namespace {

struct Statement {
    std::uint16_t dialect;
    std::string text;
};

struct Outcome {
    int32_t result;
    std::string stream;
    std::uint32_t longest;
    char star;
    bool operator==(const Outcome&) const = default;
};

// A few statements of every dialect, then the corpus when it is there.
std::vector<Statement> statements() {
    std::vector<Statement> all = {
        {32, "SELECT @@global.x, @v, t.*, `t`.`c` FROM db.t # note"},
        {1, "SELECT :new.x, \"T\".\"C\", 'it''s' FROM t -- c"},
        {64, "SELECT $fn$ body $fn$, 'a'::text, U&\"d0061t\" FROM s.t"},
        {2, "SELECT 'abc', \"x y\" FROM t"},
        {8, "SELECT \"x\".y FROM t ORDER BY 1"},
        {1024, "SELECT \"x y\", first FROM t"},
        {0, "SELECT a FROM t WHERE b IS NULL"},
        {32, "SELECT a . b . *, x /*c*/ . y FROM t"},
    };
    const std::filesystem::path dir = SPLTWD_CORPUS_DIR;
    if (!std::filesystem::is_directory(dir)) return all;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
        if (entry.path().extension() != ".rec") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::size_t at = 0;
        while (at < data.size()) {
            const std::size_t eol = data.find('\n', at);
            if (eol == std::string::npos) break;
            unsigned dialect = 0;
            unsigned long length = 0;
            if (std::sscanf(data.c_str() + at, "%u %lu", &dialect, &length) != 2) break;
            all.push_back({static_cast<std::uint16_t>(dialect), data.substr(eol + 1, length)});
            at = eol + 1 + length + 1;
        }
    }
    return all;
}

Outcome take(SQL_SPLT_WD& request, int32_t result) {
    Outcome o{result, std::string(request.sql_word ? request.sql_word : "", request.nSqlWordLen),
              result > 0 ? request.nSngWordLenMax : 0, request.szHaveStar};
    std::free(request.sql_word);
    request.sql_word = nullptr;
    return o;
}

SQL_SPLT_WD request_for(const Statement& s) {
    SQL_SPLT_WD request{};
    request.dialect = s.dialect;
    request.sql_text = const_cast<char*>(s.text.data());
    request.sql_len = static_cast<std::uint32_t>(s.text.size());
    return request;
}

TEST(Reentrant, ThreadsWithOwnContextsMatchTheProcessWideSplit) {
    // Rule actions print debug lines; they are not what this test checks.
    ASSERT_NE(std::freopen("/dev/null", "w", stdout), nullptr);
    const std::vector<Statement> all = statements();
    std::vector<Outcome> expected;
    for (const auto& s : all) {
        SQL_SPLT_WD request = request_for(s);
        expected.push_back(take(request, Zoz_SQL_Split_Word(&request)));
    }

    constexpr int kThreads = 4;
    std::vector<std::size_t> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            spltwd_context* context = spltwd_context_create();
            // Each thread starts at a different place, so that different
            // statements are split at the same moment.
            for (std::size_t k = 0; k < all.size(); ++k) {
                const std::size_t i = (k + t * all.size() / kThreads) % all.size();
                SQL_SPLT_WD request = request_for(all[i]);
                if (!(take(request, spltwd_split(context, &request)) == expected[i])) ++mismatches[t];
            }
            spltwd_context_destroy(context);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(mismatches[t], 0u) << "thread " << t;
}

TEST(Reentrant, ContextRefusesWhatTheSplitCallRefuses) {
    spltwd_context* context = spltwd_context_create();
    ASSERT_NE(context, nullptr);
    SQL_SPLT_WD request{};
    EXPECT_EQ(spltwd_split(context, &request), -2);
    EXPECT_EQ(spltwd_split(context, nullptr), -2);
    EXPECT_EQ(spltwd_split(nullptr, &request), -2);
    char statement[] = "SELECT 1;";
    request.sql_text = statement;
    request.sql_len = 9;
    EXPECT_EQ(spltwd_split(context, &request), -6);
    const char* stream = request.sql_word;  // a packed field: copy before binding a reference
    EXPECT_EQ(stream, nullptr);
    spltwd_context_destroy(context);
    spltwd_context_destroy(nullptr);
}

}  // namespace
